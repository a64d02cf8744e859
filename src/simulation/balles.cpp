#include "simulation/balles.h"

#include <cmath>
#include <cstddef>
#include <optional>

#include "world/constantes.h"

namespace simulation {

namespace {

constexpr double rb = config::rayon_balle;

bool hors_plateau(const world::balle& b) {
  return b.x - rb < 0.0 || b.x + rb >= world::largeur_plateau || b.y - rb < 0.0 ||
         b.y + rb >= world::hauteur_plateau;
}

bool entre_dans(const world::balle& b, const world::cube& k) {
  const double cx = (k.x_min + k.x_max + 1.0) / 2.0;
  const double cy = (k.y_min + k.y_max + 1.0) / 2.0;
  double px;
  double py;
  if (b.x == cx) {
    px = b.x;
    py = b.y >= cy ? b.y - rb : b.y + rb;
  } else {
    const double m = (b.y - cy) / (b.x - cx);
    const double d = std::sqrt(rb * rb / (m * m + 1.0));
    px = b.x > cx ? b.x - d : b.x + d;
    py = b.x > cx ? b.y - m * d : b.y + m * d;
  }
  return k.x_min <= px && px <= k.x_max && k.y_min <= py && py <= k.y_max;
}

// The cube of board cell (i, j), with the bounds the field was built with.
world::cube cube_de_la_case(int i, int j) {
  const double x = i * config::taille_cube;
  const double y = j * config::taille_cube;
  return world::cube{x, y, x + config::taille_cube, y + config::taille_cube};
}

// The flight of one bullet (met_a_jour), up to the board test: true when it
// has left the board. The cube test comes next.
bool met_a_jour(world::balle& b) {
  b.x = b.x + b.pas_x;
  b.y = b.y + b.pas_y;
  return hors_plateau(b);
}

// The hit test of one bullet, in cell `case_` of the targets: the first ship
// in list order in range takes the damage. A ship removed earlier in the pass has left play and can
// no longer be hit.
bool a_impact_vaisseau(world::ListeRecente<world::vaisseau>& vaisseaux, world::Cibles& cibles,
                       const world::balle& b, std::int32_t case_, world::Observateur* observateur) {
  constexpr double portee = config::rayon_vaisseau + config::rayon_balle;
  const std::optional<std::size_t> touche = cibles.premiere(case_, [&](double x, double y) {
    return (y - b.y) * (y - b.y) + (x - b.x) * (x - b.x) < portee * portee;
  });
  if (!touche) return false;
  world::vaisseau& v = vaisseaux[*touche];
  v.pt_vie = v.pt_vie - config::degats_balle;
  if (observateur) observateur->touche(b.id, v);
  // Removal takes the first ship of that colour in list order, as
  // detruit_vaisseau would.
  if (v.pt_vie <= 0) cibles.retire(cibles.premier_de_sa_couleur(*touche));
  return true;
}

// Each bullet's tick, in list order: true when it leaves, by the board, a
// cube or a hit. Holds the world's parts that it needs, taken under verrou
// by the pass that runs it.
struct VolDesBalles {
  const world::Grille& grille;
  world::ListeRecente<world::vaisseau>& vaisseaux;
  world::Cibles& cibles;
  world::Observateur* const observateur;
  std::size_t rang = 0;

  bool vole_et_touche(world::balle& b) {
    if (met_a_jour(b)) return true;
    const std::int32_t case_ = world::Cibles::case_de(b.x, b.y);
    if (cibles.cube_proche(case_) && est_hors_jeu(b, grille)) return true;
    return a_impact_vaisseau(vaisseaux, cibles, b, case_, observateur);
  }

  bool operator()(world::balle& b) {
    const bool retiree = vole_et_touche(b);
    if (retiree && observateur) observateur->balle_retiree(rang);
    ++rang;
    return retiree;
  }
};

// Ships that left play during the pass go in one order-keeping sweep, which
// leaves the list as removing each at once would have.
void retire_les_detruits(world::ListeRecente<world::vaisseau>& vaisseaux,
                         const world::Cibles& cibles) {
  std::size_t k = 0;
  vaisseaux.retire_si([&](const world::vaisseau&) { return !cibles.en_jeu(k++); });
}

}  // namespace

bool est_hors_jeu(const world::balle& b, const world::Grille& grille) {
  // Only the cubes of the cells that the square of half-side portee_sonde
  // around the centre meets can contain the probe, whatever the scan order: at
  // most two columns and two rows. The grid's border ring answers for cells
  // just off the board.
  const world::Plage colonnes =
      world::plage_autour(b.x, world::colonne_du_plateau(b.x), world::portee_sonde);
  const world::Plage lignes =
      world::plage_autour(b.y, world::ligne_du_plateau(b.y), world::portee_sonde);
  // Most bullets have no cube there: four look-ups, summed without a branch
  // each, settle them.
  const int cubes_autour =
      grille[colonnes.debut + 1][lignes.debut + 1] + grille[colonnes.debut + 1][lignes.fin + 1] +
      grille[colonnes.fin + 1][lignes.debut + 1] + grille[colonnes.fin + 1][lignes.fin + 1];
  if (cubes_autour == 0) return false;
  for (int i = colonnes.debut; i <= colonnes.fin; ++i) {
    for (int j = lignes.debut; j <= lignes.fin; ++j)
      if (grille[i + 1][j + 1] && entre_dans(b, cube_de_la_case(i, j))) return true;
  }
  return false;
}

void mise_a_jour_balles(world::Monde& monde) {
  world::Cibles& cibles = monde.cibles;
  cibles.reconstruit(monde.vaisseaux, monde.grille);
  // The flight (met_a_jour) and the impacts (calc_impact) in one pass over the
  // bullets: a flight reads no ship, and the bullets still in play come to
  // their hit test in list order, as after a whole flight pass.
  monde.balles.retire_si(VolDesBalles{monde.grille, monde.vaisseaux, cibles, monde.observateur});
  if (cibles.retires() > 0) retire_les_detruits(monde.vaisseaux, cibles);
}

void detruit_vaisseau(world::Monde& monde, std::int64_t id) {
  monde.vaisseaux.retire_premier([id](const world::vaisseau& v) { return v.id == id; });
}

void retire_joueur(world::Monde& monde, std::int64_t id, world::Depart depart) {
  if (monde.observateur) monde.observateur->joueur_parti(id, depart);
  detruit_vaisseau(monde, id);
}

}  // namespace simulation
