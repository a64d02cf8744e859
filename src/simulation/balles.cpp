#include "simulation/balles.h"

void mise_a_jour_balles(Monde&) {}

void detruit_vaisseau(Monde& monde, std::int64_t id) {
  monde.vaisseaux.retire_premier([id](const vaisseau& v) { return v.id == id; });
}
