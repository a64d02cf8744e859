/* A first bot: turn toward the nearest ship and fire. Usage: exemple HOST PORT COLOUR SECONDS */
#define _XOPEN_SOURCE 600 /* M_PI, nanosleep */
#include <math.h>
#include <stdlib.h>
#include <time.h>

#include "arene.h"

int main(int argc, char **argv) {
  struct arene_client client;
  struct arene_liste_vaisseaux vus = {0};
  const struct timespec pause = {0, 25000000};
  time_t fin = time(NULL) + (argc == 5 ? atoi(argv[4]) : 0);
  size_t i;
  int code = ARENE_OK;
  if (argc != 5 || arene_connecte(&client, argv[1], atoi(argv[2])) != ARENE_OK ||
      arene_enregistre(&client, atoll(argv[3]), 100) != ARENE_OK)
    return 1;
  while (time(NULL) < fin && (code = arene_vaisseaux(&client, &vus)) == ARENE_OK) {
    const struct arene_vaisseau *moi = NULL, *cible = NULL;
    for (i = 0; i < vus.n; ++i)
      *(vus.elements[i].couleur == client.couleur ? &moi : &cible) = &vus.elements[i];
    if (moi != NULL && cible != NULL) {
      double ecart = remainder(atan2(cible->y - moi->y, cible->x - moi->x) - moi->angle, 2 * M_PI);
      arene_action(&client, ecart > 0 ? ARENE_GAUCHE : ARENE_DROITE);
      if (fabs(ecart) < 0.1) arene_action(&client, ARENE_TIRE);
    }
    nanosleep(&pause, NULL);
  }
  arene_libere_vaisseaux(&vus);
  /* The server closing the connection is the end of a match, not an error. */
  return (code == ARENE_OK || code == ARENE_CONNEXION_FERMEE) && arene_quitte(&client) == ARENE_OK
             ? 0
             : 1;
}
