/* The aimer: turns to the nearest ship and fires where it will be, from the
 * speed measured between polls (the server never reports speeds).
 *   viseur [--host H] [--port P] [--couleur N] [--duree S] */
#define _XOPEN_SOURCE 600 /* M_PI, nanosleep, clock_gettime */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "arene.h"

#define TICKS_PAR_SECONDE 40.0 /* the server's nominal rate; speeds are per tick */
#define FENETRE_S 0.15         /* speeds are measured over this much time */
#define VITESSE_BALLE 3.5      /* units per tick */
#define DEPART_BALLE 12.6      /* a new bullet's distance ahead of the ship */
#define PAS_ANGLE 0.05
#define MAX_PAS 20 /* turn steps per tick: all apply at once */
#define MAX_SUIVIS 64

/* A ship's position some time ago, and its speed along its heading. */
struct suivi {
  int64_t couleur;
  double temps, x, y, vitesse;
};

static double secondes(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (double)t.tv_sec + t.tv_nsec / 1e9;
}

static struct suivi *suivi_de(struct suivi *suivis, size_t *n, int64_t couleur) {
  size_t i;
  for (i = 0; i < *n; ++i)
    if (suivis[i].couleur == couleur) return &suivis[i];
  if (*n == MAX_SUIVIS) return NULL;
  memset(&suivis[*n], 0, sizeof suivis[*n]);
  suivis[*n].couleur = couleur;
  suivis[*n].temps = -1;
  return &suivis[(*n)++];
}

/* Updates each ship's speed once FENETRE_S has passed since its last sample. */
static void mesure(struct suivi *suivis, size_t *n, const struct arene_liste_vaisseaux *vus,
                   double maintenant) {
  size_t i;
  for (i = 0; i < vus->n; ++i) {
    const struct arene_vaisseau *v = &vus->elements[i];
    struct suivi *s = suivi_de(suivis, n, v->couleur);
    if (s == NULL) continue;
    if (s->temps >= 0 && maintenant - s->temps < FENETRE_S) continue;
    if (s->temps >= 0) {
      double ticks = (maintenant - s->temps) * TICKS_PAR_SECONDE;
      s->vitesse = ((v->x - s->x) * cos(v->angle) + (v->y - s->y) * sin(v->angle)) / ticks;
    }
    s->temps = maintenant, s->x = v->x, s->y = v->y;
  }
}

/* Ticks until a bullet fired now meets a target at (dx, dy) moving (vx, vy)
 * per tick: |d + v t| = depart + speed t. Negative when it never does. */
static double instant_interception(double dx, double dy, double vx, double vy) {
  double a = vx * vx + vy * vy - VITESSE_BALLE * VITESSE_BALLE; /* < 0: bullets are faster */
  double b = 2 * (dx * vx + dy * vy - DEPART_BALLE * VITESSE_BALLE);
  double c = dx * dx + dy * dy - DEPART_BALLE * DEPART_BALLE;
  double discriminant = b * b - 4 * a * c;
  return discriminant < 0 ? -1 : (-b - sqrt(discriminant)) / (2 * a);
}

/* The turn and the shot toward the nearest other ship, led by its speed. */
static size_t vise(const struct arene_vaisseau *moi, const struct arene_liste_vaisseaux *vus,
                   struct suivi *suivis, size_t *n, enum arene_commande *actions) {
  const struct arene_vaisseau *cible = NULL;
  const struct suivi *s;
  double vx, vy, t, x, y, ecart;
  long pas, i;
  size_t k, nombre = 0;
  for (k = 0; k < vus->n; ++k) {
    const struct arene_vaisseau *v = &vus->elements[k];
    if (v->couleur != moi->couleur &&
        (cible == NULL ||
         hypot(v->x - moi->x, v->y - moi->y) < hypot(cible->x - moi->x, cible->y - moi->y)))
      cible = v;
  }
  if (cible == NULL) return 0;
  s = suivi_de(suivis, n, cible->couleur);
  vx = (s != NULL ? s->vitesse : 0) * cos(cible->angle);
  vy = (s != NULL ? s->vitesse : 0) * sin(cible->angle);
  t = fmax(0, instant_interception(cible->x - moi->x, cible->y - moi->y, vx, vy));
  x = cible->x + vx * t - moi->x;
  y = cible->y + vy * t - moi->y;
  ecart = remainder(atan2(y, x) - moi->angle, 2 * M_PI);
  pas = lround(fmax(-MAX_PAS, fmin(MAX_PAS, ecart / PAS_ANGLE)));
  for (i = 0; i < labs(pas); ++i) actions[nombre++] = pas > 0 ? ARENE_GAUCHE : ARENE_DROITE;
  /* Fire when the bullet's path passes within half a hit's reach of the aim. */
  if (fabs(ecart - pas * PAS_ANGLE) < atan2(6.5, hypot(x, y))) actions[nombre++] = ARENE_TIRE;
  return nombre;
}

int main(int argc, char **argv) {
  const char *hote = "127.0.0.1";
  int port = 12345, i, code;
  int64_t couleur = 0xFF0000;
  double duree = 60, debut = secondes();
  struct arene_client client;
  struct arene_liste_vaisseaux vus = {0};
  struct suivi suivis[MAX_SUIVIS];
  size_t n_suivis = 0, k;
  for (i = 1; i + 1 < argc; i += 2) {
    if (strcmp(argv[i], "--host") == 0)
      hote = argv[i + 1];
    else if (strcmp(argv[i], "--port") == 0)
      port = atoi(argv[i + 1]);
    else if (strcmp(argv[i], "--couleur") == 0) {
      if (arene_lit_couleur(&client, argv[i + 1], &couleur) != ARENE_OK) {
        fprintf(stderr, "viseur: %s\n", client.erreur);
        return 2;
      }
    }
    else if (strcmp(argv[i], "--duree") == 0)
      duree = atof(argv[i + 1]);
    else
      break;
  }
  if (i < argc) {
    fprintf(stderr, "usage: viseur [--host H] [--port P] [--couleur N] [--duree S]\n");
    return 2;
  }
  if ((code = arene_connecte(&client, hote, port)) != ARENE_OK ||
      (code = arene_enregistre(&client, couleur, 100)) != ARENE_OK) {
    fprintf(stderr, "viseur: %s\n", client.erreur);
    return 1;
  }
  while (code == ARENE_OK && secondes() - debut < duree) {
    const struct timespec pause = {0, 25000000}; /* the world moves at most 40 times a second */
    enum arene_commande actions[MAX_PAS + 1];
    if ((code = arene_vaisseaux(&client, &vus)) != ARENE_OK) break;
    mesure(suivis, &n_suivis, &vus, secondes());
    for (k = 0; k < vus.n && code == ARENE_OK; ++k)
      if (vus.elements[k].couleur == client.couleur) {
        size_t n = vise(&vus.elements[k], &vus, suivis, &n_suivis, actions);
        if (n > 0) code = arene_agit(&client, actions, n);
      }
    nanosleep(&pause, NULL);
  }
  arene_libere_vaisseaux(&vus);
  if (code == ARENE_OK) code = arene_quitte(&client);
  if (code == ARENE_CONNEXION_FERMEE) return 0; /* the match is over */
  if (code != ARENE_OK) fprintf(stderr, "viseur: %s\n", client.erreur);
  return code == ARENE_OK ? 0 : 1;
}
