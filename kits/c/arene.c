/* The C kit: lines, numbers and replies of the arena protocol over a socket. */
#define _POSIX_C_SOURCE 200112L

#include "arene.h"

#include <errno.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#define LIGNE_MAX 4096

static const char *const textes[] = {
    "GET BALLES",          "GET CUBES",           "GET VAISSEAUX",      "GET MAX PT VIE",
    "GET RAYON BALLE",     "GET RAYON VAISSEAU",  "GET TAILLE PLATEAU", "GET STATUT",
    "PUT ACTION ACCELERE", "PUT ACTION DECELERE", "PUT ACTION GAUCHE",  "PUT ACTION DROITE",
    "PUT ACTION TIRE",     "PUT ACTION QUITTE"};

static int echec(struct arene_client *client, int code, const char *format, ...) {
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(client->erreur, sizeof client->erreur, format, arguments);
  va_end(arguments);
  return code;
}

/* Before a registration the server answers every command "ERREUR SYNTAXE":
 * that mistake is named rather than the reply. */
static int inattendu(struct arene_client *client, const char *attendu, const char *recu) {
  if (strcmp(recu, "ERREUR SYNTAXE") == 0)
    return echec(client, ARENE_ERREUR_PROTOCOLE,
                 "register first: the server answers 'ERREUR SYNTAXE' to every command until "
                 "arene_enregistre() has registered a ship");
  return echec(client, ARENE_ERREUR_PROTOCOLE, "expected %s, got '%s'", attendu, recu);
}

void arene_depuis_fd(struct arene_client *client, int fd) {
  client->fd = fd;
  client->couleur = 0;
  client->erreur[0] = '\0';
  client->debut = client->fin = 0;
}

int arene_connecte(struct arene_client *client, const char *hote, int port) {
  struct addrinfo indices, *adresses, *a;
  char service[16];
  int erreur, fd = -1, cause = 0, oui = 1;
  struct timeval delai = {30, 0};
  arene_depuis_fd(client, -1);
  memset(&indices, 0, sizeof indices);
  indices.ai_family = AF_UNSPEC;
  indices.ai_socktype = SOCK_STREAM;
  snprintf(service, sizeof service, "%d", port);
  erreur = getaddrinfo(hote, service, &indices, &adresses);
  if (erreur != 0) return echec(client, ARENE_ERREUR_SYSTEME, "%s: %s", hote, gai_strerror(erreur));
  for (a = adresses; a != NULL && fd < 0; a = a->ai_next) {
    fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (fd >= 0 && connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
      cause = errno;
      close(fd);
      fd = -1;
    }
  }
  freeaddrinfo(adresses);
  if (fd < 0)
    return echec(client, ARENE_ERREUR_SYSTEME, "cannot connect to %s:%d: %s", hote, port,
                 strerror(cause));
  /* Small request lines must leave at once, not wait for the next one. */
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &oui, sizeof oui);
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &delai, sizeof delai);
  client->fd = fd;
  return ARENE_OK;
}

void arene_ferme(struct arene_client *client) {
  if (client->fd >= 0) close(client->fd);
  client->fd = -1;
}

static int envoie_octets(struct arene_client *client, const char *octets, size_t n) {
  while (n > 0) {
    ssize_t ecrits = send(client->fd, octets, n, MSG_NOSIGNAL);
    if (ecrits < 0 && errno == EINTR) continue;
    if (ecrits < 0)
      return echec(client, ARENE_CONNEXION_FERMEE, "connection closed by the server: %s",
                   strerror(errno));
    octets += ecrits;
    n -= (size_t)ecrits;
  }
  return ARENE_OK;
}

/* The next line, without its CR LF, into `ligne` (LIGNE_MAX bytes). */
static int lit_ligne(struct arene_client *client, char *ligne, const char *attendu) {
  char *lf;
  size_t longueur;
  while ((lf = memchr(client->tampon + client->debut, '\n', client->fin - client->debut)) == NULL) {
    ssize_t lus;
    if (client->debut > 0) { /* keep the unread bytes at the front */
      memmove(client->tampon, client->tampon + client->debut, client->fin - client->debut);
      client->fin -= client->debut;
      client->debut = 0;
    }
    if (client->fin == sizeof client->tampon)
      return echec(client, ARENE_ERREUR_PROTOCOLE, "expected %s, got a line of over %u bytes",
                   attendu, (unsigned)sizeof client->tampon);
    lus = recv(client->fd, client->tampon + client->fin, sizeof client->tampon - client->fin, 0);
    if (lus < 0 && errno == EINTR) continue;
    if (lus == 0 || (lus < 0 && errno == ECONNRESET))
      return echec(client, ARENE_CONNEXION_FERMEE,
                   "connection closed by the server while waiting for %s", attendu);
    if (lus < 0)
      return echec(client, ARENE_ERREUR_SYSTEME, "no reply while waiting for %s: %s", attendu,
                   strerror(errno));
    client->fin += (size_t)lus;
  }
  longueur = (size_t)(lf - (client->tampon + client->debut));
  if (longueur >= LIGNE_MAX) longueur = LIGNE_MAX - 1;
  memcpy(ligne, client->tampon + client->debut, longueur);
  ligne[longueur] = '\0';
  client->debut = (size_t)(lf - client->tampon) + 1;
  if (longueur == 0 || ligne[longueur - 1] != '\r') {
    char forme[256];
    snprintf(forme, sizeof forme, "%s ending in CR LF", attendu);
    return inattendu(client, forme, ligne);
  }
  ligne[longueur - 1] = '\0';
  return ARENE_OK;
}

static const char *chiffres(const char *texte) {
  while (*texte >= '0' && *texte <= '9') ++texte;
  return texte;
}

/* printf's %.12g with a "." on whole values: "1408.", "-0.5", "1e-05", "1.5e+14".
 * strtod reads them in the C locale, the one a program starts in. */
int arene_lit_reel(const char *texte, double *valeur) {
  const char *p = texte;
  if (*p == '-') ++p;
  if (chiffres(p) == p) return -1;
  p = chiffres(p);
  if (*p == '.') p = chiffres(p + 1);
  if (*p == 'e') {
    if (p[1] != '+' && p[1] != '-') return -1;
    if (chiffres(p + 2) == p + 2) return -1;
    p = chiffres(p + 2);
  }
  if (*p != '\0') return -1;
  *valeur = strtod(texte, NULL);
  return 0;
}

int arene_lit_entier(const char *texte, int64_t *valeur) {
  char *fin;
  long long lu;
  const char *p = *texte == '-' ? texte + 1 : texte;
  if (chiffres(p) == p || *chiffres(p) != '\0') return -1;
  errno = 0;
  lu = strtoll(texte, &fin, 10);
  if (errno == ERANGE) return -1;
  *valeur = (int64_t)lu;
  return 0;
}

/* Decimal or 0x hexadecimal, an optional "-" before either: the shape is
 * checked first, since strtoll would take blanks, a "+" and octal. */
int arene_lit_couleur(struct arene_client *client, const char *texte, int64_t *couleur) {
  const char *p = *texte == '-' ? texte + 1 : texte;
  int hexa = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
  const char *fin = hexa ? p + 2 + strspn(p + 2, "0123456789abcdefABCDEF") : chiffres(p);
  long long valeur;
  if (fin == (hexa ? p + 2 : p) || *fin != '\0')
    return echec(client, ARENE_ERREUR_ARGUMENT,
                 "colour '%s' is neither decimal (16711680) nor 0x hexadecimal (0xFF0000)", texte);
  errno = 0;
  valeur = strtoll(texte, NULL, hexa ? 16 : 10);
  if (errno == ERANGE)
    return echec(client, ARENE_ERREUR_ARGUMENT, "colour '%s' does not fit in 64 signed bits",
                 texte);
  *couleur = (int64_t)valeur;
  return ARENE_OK;
}

/* Splits `ligne` in place at its blanks; 0 when it has exactly n fields. */
static int champs(char *ligne, char **champ, int n) {
  int i = 0;
  champ[i++] = ligne;
  for (; *ligne != '\0'; ++ligne)
    if (*ligne == ' ') {
      if (i == n) return -1;
      *ligne = '\0';
      champ[i++] = ligne + 1;
    }
  return i == n ? 0 : -1;
}

/* Reads `n` fields of `ligne`, each real ('r') or integer ('i') as `formes` says. */
static int lit_champs(const char *ligne, const char *formes, double *reels, int64_t *entiers) {
  char copie[LIGNE_MAX], *champ[8];
  int i, n = (int)strlen(formes);
  strcpy(copie, ligne);
  if (champs(copie, champ, n) != 0) return -1;
  for (i = 0; i < n; ++i)
    if (formes[i] == 'r' ? arene_lit_reel(champ[i], reels++)
                         : arene_lit_entier(champ[i], entiers++))
      return -1;
  return 0;
}

static int lit_vaisseau(const char *ligne, void *element) {
  struct arene_vaisseau *v = element;
  double r[3];
  int64_t e[2];
  if (lit_champs(ligne, "rrrii", r, e) != 0) return -1;
  v->x = r[0], v->y = r[1], v->angle = r[2], v->pt_vie = e[0], v->couleur = e[1];
  return 0;
}

static int lit_balle(const char *ligne, void *element) {
  struct arene_balle *b = element;
  double r[2];
  if (lit_champs(ligne, "rri", r, &b->couleur) != 0) return -1;
  b->x = r[0], b->y = r[1];
  return 0;
}

static int lit_cube(const char *ligne, void *element) {
  struct arene_cube *c = element;
  double r[4];
  if (lit_champs(ligne, "rrrr", r, NULL) != 0) return -1;
  c->x_min = r[0], c->y_min = r[1], c->x_max = r[2], c->y_max = r[3];
  return 0;
}

/* What follows `prefixe` and one blank on the next line, into `reste`. */
static int lit_apres(struct arene_client *client, const char *prefixe, const char *forme,
                     char *ligne, const char **reste) {
  size_t n = strlen(prefixe);
  int code = lit_ligne(client, ligne, forme);
  if (code != ARENE_OK) return code;
  if (strncmp(ligne, prefixe, n) != 0 || ligne[n] != ' ') return inattendu(client, forme, ligne);
  *reste = ligne + n + 1;
  return ARENE_OK;
}

struct forme_liste {
  const char *entete, *forme, *element;
  int (*lit)(const char *ligne, void *element);
  size_t taille;
};

static const struct forme_liste liste_vaisseaux = {"PUT VAISSEAUX", "'PUT VAISSEAUX n'",
                                                   "a ship line 'x y angle life colour'",
                                                   lit_vaisseau, sizeof(struct arene_vaisseau)};
static const struct forme_liste liste_balles = {"PUT BALLES", "'PUT BALLES n'",
                                                "a bullet line 'x y colour'", lit_balle,
                                                sizeof(struct arene_balle)};
static const struct forme_liste liste_cubes = {"PUT CUBES", "'PUT CUBES n'",
                                               "a cube line 'x_min y_min x_max y_max'", lit_cube,
                                               sizeof(struct arene_cube)};

/* A list reply: its header, then its n lines, into a buffer grown as needed. */
static int lit_liste(struct arene_client *client, const struct forme_liste *forme, void **elements,
                     size_t *n, size_t *capacite) {
  char ligne[LIGNE_MAX], entete[LIGNE_MAX], attendu[LIGNE_MAX + 64];
  const char *reste = "";
  int64_t nombre, i;
  int code = lit_apres(client, forme->entete, forme->forme, ligne, &reste);
  if (code != ARENE_OK) return code;
  if (arene_lit_entier(reste, &nombre) != 0 || nombre < 0)
    return inattendu(client, forme->forme, ligne);
  if ((size_t)nombre > *capacite) {
    void *agrandi = realloc(*elements, (size_t)nombre * forme->taille);
    if (agrandi == NULL) return echec(client, ARENE_ERREUR_SYSTEME, "out of memory");
    *elements = agrandi;
    *capacite = (size_t)nombre;
  }
  strcpy(entete, ligne);
  *n = 0;
  for (i = 0; i < nombre; ++i) {
    snprintf(attendu, sizeof attendu, "element %lld of %lld after '%s'", (long long)i + 1,
             (long long)nombre, entete);
    code = lit_ligne(client, ligne, attendu);
    if (code != ARENE_OK) return code;
    if (forme->lit(ligne, (char *)*elements + i * forme->taille) != 0)
      return inattendu(client, forme->element, ligne);
  }
  *n = (size_t)nombre;
  return ARENE_OK;
}

int arene_lit_vaisseaux(struct arene_client *client, struct arene_liste_vaisseaux *liste) {
  void *elements = liste->elements;
  int code = lit_liste(client, &liste_vaisseaux, &elements, &liste->n, &liste->capacite);
  liste->elements = elements;
  return code;
}

int arene_lit_balles(struct arene_client *client, struct arene_liste_balles *liste) {
  void *elements = liste->elements;
  int code = lit_liste(client, &liste_balles, &elements, &liste->n, &liste->capacite);
  liste->elements = elements;
  return code;
}

int arene_lit_cubes(struct arene_client *client, struct arene_liste_cubes *liste) {
  void *elements = liste->elements;
  int code = lit_liste(client, &liste_cubes, &elements, &liste->n, &liste->capacite);
  liste->elements = elements;
  return code;
}

int arene_lit_ok(struct arene_client *client) {
  char ligne[LIGNE_MAX];
  int code = lit_ligne(client, ligne, "'OK'");
  if (code != ARENE_OK) return code;
  return strcmp(ligne, "OK") == 0 ? ARENE_OK : inattendu(client, "'OK'", ligne);
}

int arene_lit_taille_plateau(struct arene_client *client, struct arene_taille *taille) {
  static const char forme[] = "'PUT TAILLE PLATEAU w h'";
  char ligne[LIGNE_MAX];
  const char *reste = "";
  double r[2];
  int code = lit_apres(client, "PUT TAILLE PLATEAU", forme, ligne, &reste);
  if (code != ARENE_OK) return code;
  if (lit_champs(reste, "rr", r, NULL) != 0) return inattendu(client, forme, ligne);
  taille->largeur = r[0], taille->hauteur = r[1];
  return ARENE_OK;
}

/* A reply of one number after a fixed prefix. */
static int lit_nombre(struct arene_client *client, const char *prefixe, const char *forme,
                      double *reel, int64_t *entier) {
  char ligne[LIGNE_MAX];
  const char *reste = "";
  int code = lit_apres(client, prefixe, forme, ligne, &reste);
  if (code != ARENE_OK) return code;
  if (reel != NULL ? arene_lit_reel(reste, reel) : arene_lit_entier(reste, entier))
    return inattendu(client, forme, ligne);
  return ARENE_OK;
}

int arene_lit_rayon_vaisseau(struct arene_client *client, double *rayon) {
  return lit_nombre(client, "PUT RAYON VAISSEAU", "'PUT RAYON VAISSEAU r'", rayon, NULL);
}

int arene_lit_rayon_balle(struct arene_client *client, double *rayon) {
  return lit_nombre(client, "PUT RAYON BALLE", "'PUT RAYON BALLE r'", rayon, NULL);
}

int arene_lit_max_pt_vie(struct arene_client *client, int64_t *pt_vie) {
  return lit_nombre(client, "PUT MAX PT VIE", "'PUT MAX PT VIE n'", NULL, pt_vie);
}

int arene_lit_statut(struct arene_client *client, enum arene_statut *statut) {
  static const char forme[] = "'PUT STATUT vivant|mort'";
  char ligne[LIGNE_MAX];
  const char *reste = "";
  int code = lit_apres(client, "PUT STATUT", forme, ligne, &reste);
  if (code != ARENE_OK) return code;
  if (strcmp(reste, "vivant") == 0)
    *statut = ARENE_VIVANT;
  else if (strcmp(reste, "mort") == 0)
    *statut = ARENE_MORT;
  else
    return inattendu(client, forme, ligne);
  return ARENE_OK;
}

int arene_envoie(struct arene_client *client, const enum arene_commande *commandes, size_t n) {
  char octets[LIGNE_MAX];
  size_t i, rempli = 0;
  int code;
  for (i = 0; i < n; ++i) {
    size_t longueur = strlen(textes[commandes[i]]);
    if (rempli + longueur + 2 > sizeof octets) { /* a long batch goes in several writes */
      if ((code = envoie_octets(client, octets, rempli)) != ARENE_OK) return code;
      rempli = 0;
    }
    memcpy(octets + rempli, textes[commandes[i]], longueur);
    memcpy(octets + rempli + longueur, "\r\n", 2);
    rempli += longueur + 2;
  }
  return envoie_octets(client, octets, rempli);
}

int arene_agit(struct arene_client *client, const enum arene_commande *actions, size_t n) {
  size_t i;
  int code = arene_envoie(client, actions, n);
  for (i = 0; i < n && code == ARENE_OK; ++i) code = arene_lit_ok(client);
  return code;
}

int arene_action(struct arene_client *client, enum arene_commande action) {
  return arene_agit(client, &action, 1);
}

int arene_quitte(struct arene_client *client) {
  int code = arene_action(client, ARENE_QUITTE);
  arene_ferme(client);
  return code == ARENE_CONNEXION_FERMEE ? ARENE_OK : code;
}

int arene_enregistre(struct arene_client *client, int64_t couleur, int essais) {
  char ligne[LIGNE_MAX];
  int64_t essai;
  int code;
  for (essai = couleur; essai < couleur + essais; ++essai) {
    int n = snprintf(ligne, sizeof ligne, "PUT COULEUR VAISSEAU %lld\r\n", (long long)essai);
    if ((code = envoie_octets(client, ligne, (size_t)n)) != ARENE_OK) return code;
    if ((code = lit_ligne(client, ligne, "the registration's reply")) != ARENE_OK) return code;
    if (strcmp(ligne, "VAISSEAU ENREGISTRE") == 0) {
      client->couleur = essai;
      return ARENE_OK;
    }
    if (strcmp(ligne, "ERREUR COULEUR UTILISEE") != 0)
      return echec(client, ARENE_ERREUR_PROTOCOLE,
                   "expected 'VAISSEAU ENREGISTRE' or 'ERREUR COULEUR UTILISEE', got '%s'", ligne);
  }
  return echec(client, ARENE_COULEUR_UTILISEE, "colours %lld to %lld are all in use",
               (long long)couleur, (long long)(couleur + essais - 1));
}

/* One command and its reply. */
#define DEMANDE(commande, lecture)              \
  do {                                          \
    enum arene_commande une = (commande);       \
    int code = arene_envoie(client, &une, 1);   \
    return code == ARENE_OK ? (lecture) : code; \
  } while (0)

int arene_vaisseaux(struct arene_client *client, struct arene_liste_vaisseaux *liste) {
  DEMANDE(ARENE_VAISSEAUX, arene_lit_vaisseaux(client, liste));
}
int arene_balles(struct arene_client *client, struct arene_liste_balles *liste) {
  DEMANDE(ARENE_BALLES, arene_lit_balles(client, liste));
}
int arene_cubes(struct arene_client *client, struct arene_liste_cubes *liste) {
  DEMANDE(ARENE_CUBES, arene_lit_cubes(client, liste));
}
int arene_taille_plateau(struct arene_client *client, struct arene_taille *taille) {
  DEMANDE(ARENE_TAILLE_PLATEAU, arene_lit_taille_plateau(client, taille));
}
int arene_rayon_vaisseau(struct arene_client *client, double *rayon) {
  DEMANDE(ARENE_RAYON_VAISSEAU, arene_lit_rayon_vaisseau(client, rayon));
}
int arene_rayon_balle(struct arene_client *client, double *rayon) {
  DEMANDE(ARENE_RAYON_BALLE, arene_lit_rayon_balle(client, rayon));
}
int arene_max_pt_vie(struct arene_client *client, int64_t *pt_vie) {
  DEMANDE(ARENE_MAX_PT_VIE, arene_lit_max_pt_vie(client, pt_vie));
}
int arene_statut(struct arene_client *client, enum arene_statut *statut) {
  DEMANDE(ARENE_STATUT, arene_lit_statut(client, statut));
}

void arene_libere_vaisseaux(struct arene_liste_vaisseaux *liste) {
  free(liste->elements);
  liste->elements = NULL;
  liste->n = liste->capacite = 0;
}
void arene_libere_balles(struct arene_liste_balles *liste) {
  free(liste->elements);
  liste->elements = NULL;
  liste->n = liste->capacite = 0;
}
void arene_libere_cubes(struct arene_liste_cubes *liste) {
  free(liste->elements);
  liste->elements = NULL;
  liste->n = liste->capacite = 0;
}
