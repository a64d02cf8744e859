// The three list replies: a header "PUT <NOM> <count>" and then one line per
// element, in list order (ships and bullets newest first, cubes in the order
// they were drawn). The caller holds verrou, so count and lines are one instant.
#pragma once

#include <string>

#include "world/monde.h"

void compose_liste_vaisseaux(const Monde& monde, std::string& sortie);
void compose_liste_balles(const Monde& monde, std::string& sortie);
void compose_liste_cubes(const Monde& monde, std::string& sortie);
