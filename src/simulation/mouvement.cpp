#include "simulation/mouvement.h"

void mise_a_jour_vaisseaux(Monde&) {}
