// The reference tick and player operations, over whole lists.
#include "simulation/oracle.h"

#include <cmath>
#include <optional>

#include "trigo/trigo.h"
#include "world/constantes.h"
#include "world/monde.h"

namespace oracle {

namespace {

constexpr double rv = config::rayon_vaisseau;
constexpr double rb = config::rayon_balle;

std::deque<world::balle> met_a_jour(const std::deque<world::balle>& balles,
                                    const std::vector<world::cube>& cubes) {
  std::deque<world::balle> restent;
  for (world::balle b : balles) {
    b.x = b.x + cosinus(b.angle) * config::vitesse_balle;
    b.y = b.y + sinus(b.angle) * config::vitesse_balle;
    if (b.x - rb < 0.0) continue;
    if (b.x + rb >= world::largeur_plateau) continue;
    if (b.y - rb < 0.0) continue;
    if (b.y + rb >= world::hauteur_plateau) continue;
    if (est_hors_jeu(b, cubes)) continue;
    restent.push_back(b);
  }
  return restent;
}

bool a_impact_vaisseau(Monde& monde, const world::balle& b) {
  for (world::vaisseau& s : monde.vaisseaux) {
    if ((s.y - b.y) * (s.y - b.y) + (s.x - b.x) * (s.x - b.x) < (rv + rb) * (rv + rb)) {
      s.pt_vie = s.pt_vie - config::degats_balle;
      const std::int64_t id = s.id;
      if (s.pt_vie <= 0) detruit_vaisseau(monde, id);  // rebuilds the list: s is gone
      return true;
    }
  }
  return false;
}

std::deque<world::balle> calc_impact(Monde& monde, const std::deque<world::balle>& balles) {
  std::deque<world::balle> restent;
  for (const world::balle& b : balles)
    if (!a_impact_vaisseau(monde, b)) restent.push_back(b);
  return restent;
}

std::deque<world::vaisseau> destroy_vaiss(const std::deque<world::vaisseau>& vaisseaux,
                                          std::int64_t id) {
  std::deque<world::vaisseau> reste;
  bool retire = false;
  for (const world::vaisseau& s : vaisseaux) {
    if (!retire && s.id == id) {
      retire = true;
      continue;
    }
    reste.push_back(s);
  }
  return reste;
}

bool has_inter_maj(const Monde& monde, double x, double y, std::int64_t id,
                   const std::vector<face>& faces) {
  if (inter_cubes(x, y, faces)) return true;
  if (inter_plateau(x, y)) return true;
  return inter_vaisseau(monde.vaisseaux, x, y, id);
}

void try_best_move(const Monde& monde, world::vaisseau& s, const std::vector<face>& faces) {
  const int n = static_cast<int>(std::trunc(0.5 + std::fabs(s.vitesse)));
  const double dx = cosinus(s.angle) * s.vitesse;
  const double dy = sinus(s.angle) * s.vitesse;
  std::optional<point> meilleur;
  double meilleur_score = 0.0;
  for (int i = -n; i <= n; ++i) {
    for (int j = -n; j <= n; ++j) {
      if (i == 0 && j == 0) continue;
      const double score = j * dy + i * dx;
      if (meilleur.has_value() && !(score > meilleur_score)) continue;
      if (has_inter_maj(monde, s.x + i, s.y + j, s.id, faces)) continue;
      meilleur = point{s.x + i, s.y + j};
      meilleur_score = score;
    }
  }
  if (meilleur.has_value()) {
    s.x = meilleur->x;
    s.y = meilleur->y;
  }
}

// Every ship of the list, head first, written before the next one is moved.
void maj(Monde& monde) {
  for (std::size_t k = 0; k < monde.vaisseaux.size(); ++k) {
    world::vaisseau& s = monde.vaisseaux[k];
    const std::vector<face> faces = get_cube_inter_segments(monde.grille, s.x, s.y);
    const double nx = s.x + cosinus(s.angle) * s.vitesse;
    const double ny = s.y + sinus(s.angle) * s.vitesse;
    if (!has_inter_maj(monde, nx, ny, s.id, faces)) {
      s.x = nx;
      s.y = ny;
    } else {
      try_best_move(monde, s, faces);
    }
  }
}

void tire(Monde& monde, const world::vaisseau& s) {
  std::size_t en_vol = 0;
  for (const world::balle& b : monde.balles)
    if (b.id == s.id) ++en_vol;
  if (en_vol >= config::max_balles_par_vaisseau) return;
  const double k = 0.9 * ((rv + rb) + 1.0);
  monde.balles.push_front(
      world::balle{s.x + k * cosinus(s.angle), s.y + k * sinus(s.angle), s.angle, s.id});
}

}  // namespace

Monde copie(const world::Monde& monde) {
  return Monde{monde.cubes,
               monde.grille,
               {monde.vaisseaux.begin(), monde.vaisseaux.end()},
               {monde.balles.begin(), monde.balles.end()},
               monde.alea};
}

void mise_a_jour(Monde& monde) {
  mise_a_jour_balles(monde);
  mise_a_jour_vaisseaux(monde);
}

void mise_a_jour_balles(Monde& monde) {
  monde.balles = met_a_jour(monde.balles, monde.cubes);
  monde.balles = calc_impact(monde, monde.balles);
}

void mise_a_jour_vaisseaux(Monde& monde) { maj(monde); }

void detruit_vaisseau(Monde& monde, std::int64_t id) {
  monde.vaisseaux = destroy_vaiss(monde.vaisseaux, id);
}

void traite_action_joueur(Monde& monde, std::int64_t id, action a) {
  world::vaisseau* s = nullptr;
  for (world::vaisseau& v : monde.vaisseaux) {
    if (v.id == id) {
      s = &v;
      break;
    }
  }
  if (s == nullptr) return;  // the ship is gone: the action is ignored
  switch (a) {
    case action::Tire:
      tire(monde, *s);
      break;
    case action::Gauche:
      s->angle = s->angle + world::pas_angle;
      break;
    case action::Droite:
      s->angle = s->angle - world::pas_angle;
      break;
    case action::Accelere: {
      const double v = s->vitesse + world::pas_vitesse;
      s->vitesse = v <= config::vitesse_max ? v : config::vitesse_max;
      break;
    }
    case action::Decelere: {
      const double v = s->vitesse - world::pas_vitesse;
      s->vitesse = v >= config::vitesse_min ? v : config::vitesse_min;
      break;
    }
    case action::Quitte:
      break;
  }
}

Spawn cree_vaisseau(Monde& monde, std::int64_t id, int essais) {
  for (const world::vaisseau& s : monde.vaisseaux)
    if (s.id == id) return Spawn::CouleurUtilisee;
  const double lx = world::largeur_plateau - 2.0 * rv;
  const double ly = world::hauteur_plateau - 2.0 * rv;
  const double angle = 6.28 * world::tirage_unitaire(monde.alea);
  for (int essai = 0; essai < essais; ++essai) {
    const double x = world::tirage_unitaire(monde.alea) * lx + rv;
    const double y = world::tirage_unitaire(monde.alea) * ly + rv;
    if (inter_cubes(x, y, get_cube_inter_segments(monde.grille, x, y))) continue;
    if (x - rv < 0.0) continue;
    if (x + rv >= world::largeur_plateau - 1.0) continue;
    if (y - rv < 0.0) continue;
    if (y + rv >= world::hauteur_plateau - 1.0) continue;
    if (inter_vaisseau(monde.vaisseaux, x, y, id)) continue;
    if (inside_cube(x, y, monde.cubes)) continue;
    monde.vaisseaux.push_front(world::vaisseau{x, y, angle, 0.0, config::pt_vie_max, id});
    return Spawn::Cree;
  }
  return Spawn::PasDePlace;
}

}  // namespace oracle
