/* A first bot: turn toward the nearest ship and fire. Usage: exemple HOST PORT COLOUR SECONDS */
#define _XOPEN_SOURCE 600 /* M_PI, nanosleep */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "arene.h"

static double distance(const struct arene_vaisseau *a, const struct arene_vaisseau *b) {
  return hypot(a->x - b->x, a->y - b->y);
}

int main(int argc, char **argv) {
  struct arene_client client;
  struct arene_liste_vaisseaux vus = {0};
  const struct timespec pause = {0, 25000000};
  time_t fin = time(NULL) + (argc == 5 ? atoi(argv[4]) : 0);
  int64_t couleur = 0;
  size_t i;
  int code;
  if (argc != 5) {
    fprintf(stderr, "usage: exemple HOST PORT COLOUR SECONDS\n");
    return 2;
  }
  if ((code = arene_lit_couleur(&client, argv[3], &couleur)) == ARENE_OK && /* 0xFF0000 too */
      (code = arene_connecte(&client, argv[1], atoi(argv[2]))) == ARENE_OK)
    code = arene_enregistre(&client, couleur, 100);
  while (code == ARENE_OK && time(NULL) < fin &&
         (code = arene_vaisseaux(&client, &vus)) == ARENE_OK) {
    const struct arene_vaisseau *moi = NULL, *cible = NULL;
    for (i = 0; i < vus.n; ++i)
      if (vus.elements[i].couleur == client.couleur) moi = &vus.elements[i];
    for (i = 0; moi != NULL && i < vus.n; ++i)
      if (vus.elements[i].couleur != client.couleur &&
          (cible == NULL || distance(&vus.elements[i], moi) < distance(cible, moi)))
        cible = &vus.elements[i];
    if (cible != NULL) {
      double ecart = remainder(atan2(cible->y - moi->y, cible->x - moi->x) - moi->angle, 2 * M_PI);
      code = arene_action(&client, ecart > 0 ? ARENE_GAUCHE : ARENE_DROITE);
      if (code == ARENE_OK && fabs(ecart) < 0.1) code = arene_action(&client, ARENE_TIRE);
    }
    nanosleep(&pause, NULL);
  }
  arene_libere_vaisseaux(&vus);
  if (code == ARENE_OK) code = arene_quitte(&client);
  if (code == ARENE_CONNEXION_FERMEE) return 0; /* the server ends every match so */
  if (code != ARENE_OK) fprintf(stderr, "exemple: %s\n", client.erreur);
  return code == ARENE_OK ? 0 : 1;
}
