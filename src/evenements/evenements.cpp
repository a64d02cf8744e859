#include "evenements/evenements.h"

namespace evenements {

VaisseauVu vu(const world::vaisseau& v) { return {v.x, v.y, v.angle, v.pt_vie, v.id}; }
BalleVue vue(const world::balle& b) { return {b.x, b.y, b.pas_x, b.pas_y, b.id}; }

}  // namespace evenements
