/* Starter kit for arena bots in C99: a connection to the server, its records,
 * and one call per command.
 *
 *   struct arene_client client;
 *   struct arene_liste_vaisseaux vaisseaux = {0};
 *   int64_t couleur = 0;
 *   if (arene_connecte(&client, "127.0.0.1", 12345) != ARENE_OK ||
 *       arene_lit_couleur(&client, "0xFF0000", &couleur) != ARENE_OK ||
 *       arene_enregistre(&client, couleur, 10) != ARENE_OK ||
 *       arene_vaisseaux(&client, &vaisseaux) != ARENE_OK)
 *     fprintf(stderr, "%s\n", client.erreur);
 *   arene_libere_vaisseaux(&vaisseaux);
 *   arene_ferme(&client);
 *
 * Every call returns ARENE_OK (0) or a negative code, and then leaves in
 * `client.erreur` a message that says what was expected and what came. */
#ifndef ARENE_H
#define ARENE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum arene_code {
  ARENE_OK = 0,
  ARENE_ERREUR_PROTOCOLE = -1, /* the reply is not the one expected */
  ARENE_CONNEXION_FERMEE = -2, /* the server closed the connection: a match's end */
  ARENE_COULEUR_UTILISEE = -3, /* every colour tried is in use */
  ARENE_ERREUR_SYSTEME = -4,   /* connecting, a time-out, memory */
  ARENE_ERREUR_ARGUMENT = -5   /* arene_lit_couleur: not a colour */
};

/* A ship as GET VAISSEAUX lists it; its speed is never sent. */
struct arene_vaisseau {
  double x, y, angle;
  int64_t pt_vie, couleur;
};
/* A bullet in flight; `couleur` is its shooter's. */
struct arene_balle {
  double x, y;
  int64_t couleur;
};
/* An obstacle, by its lower and upper corners. */
struct arene_cube {
  double x_min, y_min, x_max, y_max;
};
struct arene_taille {
  double largeur, hauteur;
};
enum arene_statut { ARENE_VIVANT, ARENE_MORT };

/* Lists grow as needed and are reused from call to call: start them at {0},
 * free them with arene_libere_vaisseaux, arene_libere_balles or
 * arene_libere_cubes. */
struct arene_liste_vaisseaux {
  struct arene_vaisseau *elements;
  size_t n, capacite;
};
struct arene_liste_balles {
  struct arene_balle *elements;
  size_t n, capacite;
};
struct arene_liste_cubes {
  struct arene_cube *elements;
  size_t n, capacite;
};

/* Every command once registered. */
enum arene_commande {
  ARENE_BALLES,
  ARENE_CUBES,
  ARENE_VAISSEAUX,
  ARENE_MAX_PT_VIE,
  ARENE_RAYON_BALLE,
  ARENE_RAYON_VAISSEAU,
  ARENE_TAILLE_PLATEAU,
  ARENE_STATUT,
  ARENE_ACCELERE,
  ARENE_DECELERE,
  ARENE_GAUCHE,
  ARENE_DROITE,
  ARENE_TIRE,
  ARENE_QUITTE
};

#define ARENE_TAMPON 65536

struct arene_client {
  int fd;
  int64_t couleur;           /* the colour registered */
  char erreur[512];          /* what went wrong, after a negative code */
  char tampon[ARENE_TAMPON]; /* bytes received, not yet read */
  size_t debut, fin;
};

/* Reads a colour argument: decimal ("16711680", "-5") or 0x hexadecimal
 * ("0xFF0000"), within 64 signed bits; "017" is seventeen. Anything else is
 * ARENE_ERREUR_ARGUMENT, with a message naming the text. Touches only
 * client->erreur, so it may come before arene_connecte. */
int arene_lit_couleur(struct arene_client *client, const char *texte, int64_t *couleur);

/* Connects to hote:port; each wait for a reply is bounded by 30 seconds. */
int arene_connecte(struct arene_client *client, const char *hote, int port);
/* Wraps a connected socket (or a socket pair's end, in tests). */
void arene_depuis_fd(struct arene_client *client, int fd);
/* Closes the connection; the server removes the ship. */
void arene_ferme(struct arene_client *client);

/* Registers a ship of `couleur`, trying the next colours while it is in use,
 * `essais` colours in all; the colour obtained is in client->couleur. */
int arene_enregistre(struct arene_client *client, int64_t couleur, int essais);

/* One call per command. */
int arene_vaisseaux(struct arene_client *client, struct arene_liste_vaisseaux *liste);
int arene_balles(struct arene_client *client, struct arene_liste_balles *liste);
int arene_cubes(struct arene_client *client, struct arene_liste_cubes *liste);
int arene_taille_plateau(struct arene_client *client, struct arene_taille *taille);
int arene_rayon_vaisseau(struct arene_client *client, double *rayon);
int arene_rayon_balle(struct arene_client *client, double *rayon);
int arene_max_pt_vie(struct arene_client *client, int64_t *pt_vie);
int arene_statut(struct arene_client *client, enum arene_statut *statut);
/* An action (ARENE_ACCELERE ... ARENE_TIRE): sends it and reads its "OK". */
int arene_action(struct arene_client *client, enum arene_commande action);
/* Takes the ship out and closes the connection; a server that already closed
 * it (a match that ended) is not an error. */
int arene_quitte(struct arene_client *client);

/* Pipelining: sends the n commands in one write; then read their replies
 * in order with the arene_lit_* calls. */
int arene_envoie(struct arene_client *client, const enum arene_commande *commandes, size_t n);
/* Sends n actions in one write and reads their n "OK"s. */
int arene_agit(struct arene_client *client, const enum arene_commande *actions, size_t n);
int arene_lit_ok(struct arene_client *client);
int arene_lit_vaisseaux(struct arene_client *client, struct arene_liste_vaisseaux *liste);
int arene_lit_balles(struct arene_client *client, struct arene_liste_balles *liste);
int arene_lit_cubes(struct arene_client *client, struct arene_liste_cubes *liste);
int arene_lit_taille_plateau(struct arene_client *client, struct arene_taille *taille);
int arene_lit_rayon_vaisseau(struct arene_client *client, double *rayon);
int arene_lit_rayon_balle(struct arene_client *client, double *rayon);
int arene_lit_max_pt_vie(struct arene_client *client, int64_t *pt_vie);
int arene_lit_statut(struct arene_client *client, enum arene_statut *statut);

/* Numbers as the server writes them ("1408.", "1e-05", "-3"): 0 if the whole
 * text is one, -1 otherwise. */
int arene_lit_reel(const char *texte, double *valeur);
int arene_lit_entier(const char *texte, int64_t *valeur);

void arene_libere_vaisseaux(struct arene_liste_vaisseaux *liste);
void arene_libere_balles(struct arene_liste_balles *liste);
void arene_libere_cubes(struct arene_liste_cubes *liste);

#ifdef __cplusplus
}
#endif

#endif
