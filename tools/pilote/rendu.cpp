#include "pilote/rendu.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "langue/langue.h"

namespace {

constexpr char32_t demi_haut = U'\u2580';
constexpr char32_t demi_bas = U'\u2584';
constexpr char32_t plein = U'\u2588';
constexpr char32_t balle = U'\u2022';
constexpr char32_t visee = U'\u00B7';
// Headings by eighths of a turn, counter-clockwise from +x, as on the board.
constexpr char32_t fleches[8] = {U'\u2192', U'\u2197', U'\u2191', U'\u2196',
                                 U'\u2190', U'\u2199', U'\u2193', U'\u2198'};
constexpr Rgb couleur_cube = 0xA8A8A8;
constexpr int points_de_visee = 3;
constexpr double pixels_entre_points = 2.0;

struct Pixel {
  int x, y;
};

class Pixels {
 public:
  explicit Pixels(const Cadre& cadre)
      : large_(cadre.pixels_large),
        valeurs_(static_cast<std::size_t>(cadre.pixels_large * cadre.pixels_haut)) {}
  std::optional<Rgb>& operator[](Pixel p) {
    return valeurs_[static_cast<std::size_t>(p.y * large_ + p.x)];
  }

 private:
  int large_;
  std::vector<std::optional<Rgb>> valeurs_;
};

std::optional<Cadre> place(const Instantane& i, TailleTerminal taille) {
  const int large_max = taille.colonnes - 2;
  const int haut_max = 2 * (taille.lignes - 2 - lignes_d_etat);
  if (!(i.largeur > 0 && i.hauteur > 0) || large_max < 2 || haut_max < 2) return std::nullopt;
  Cadre cadre;
  cadre.pixels_par_unite = std::min(large_max / i.largeur, haut_max / i.hauteur);
  // The small margin keeps an exact fit from losing a pixel to rounding.
  const auto pixels = [&](double unites, int maximum) {
    return std::clamp(static_cast<int>(std::floor(unites * cadre.pixels_par_unite + 1e-9)), 1,
                      maximum);
  };
  cadre.pixels_large = pixels(i.largeur, large_max);
  cadre.pixels_haut = pixels(i.hauteur, haut_max);
  cadre.colonne = (taille.colonnes - (cadre.pixels_large + 2)) / 2 + 1;
  cadre.ligne = 1;
  return cadre;
}

int lignes_du_plateau(const Cadre& c) { return (c.pixels_haut + 1) / 2; }

std::optional<Pixel> pixel_de(const Cadre& c, const Instantane& i, double x, double y) {
  if (!(x >= 0 && x <= i.largeur && y >= 0 && y <= i.hauteur)) return std::nullopt;
  const double p = c.pixels_par_unite;
  return Pixel{std::min(static_cast<int>(std::floor(x * p)), c.pixels_large - 1),
               std::min(static_cast<int>(std::floor((i.hauteur - y) * p)), c.pixels_haut - 1)};
}

struct Point {
  double x, y;
};

Point centre_de(const Cadre& c, const Instantane& i, Pixel p) {
  return {(p.x + 0.5) / c.pixels_par_unite, i.hauteur - (p.y + 0.5) / c.pixels_par_unite};
}

// Calls `f` for every pixel that a board rectangle may touch.
template <typename F>
void parcourt(const Cadre& c, const Instantane& i, Point bas, Point haut, F f) {
  const double p = c.pixels_par_unite;
  const int x0 = std::max(0, static_cast<int>(std::floor(bas.x * p)));
  const int x1 = std::min(c.pixels_large - 1, static_cast<int>(std::floor(haut.x * p)));
  const int y0 = std::max(0, static_cast<int>(std::floor((i.hauteur - haut.y) * p)));
  const int y1 = std::min(c.pixels_haut - 1, static_cast<int>(std::floor((i.hauteur - bas.y) * p)));
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) f(Pixel{x, y});
}

// A cube fills the pixels whose centre it covers, and at least the one under
// its own centre, so that no cube vanishes on a small terminal.
void peint_cube(Pixels& pixels, const Cadre& c, const Instantane& i, const commun::CubeVu& cube) {
  parcourt(c, i, {cube.x_min, cube.y_min}, {cube.x_max, cube.y_max}, [&](Pixel p) {
    const Point m = centre_de(c, i, p);
    if (m.x >= cube.x_min && m.x <= cube.x_max && m.y >= cube.y_min && m.y <= cube.y_max)
      pixels[p] = couleur_cube;
  });
  const auto milieu = pixel_de(c, i, (cube.x_min + cube.x_max) / 2, (cube.y_min + cube.y_max) / 2);
  if (milieu) pixels[*milieu] = couleur_cube;
}

// Matters only when a pixel is smaller than a body: its glyph then sits on a disc.
void peint_disque(Pixels& pixels, const Cadre& c, const Instantane& i, Point centre, double rayon,
                  Rgb couleur) {
  parcourt(c, i, {centre.x - rayon, centre.y - rayon}, {centre.x + rayon, centre.y + rayon},
           [&](Pixel p) {
             const Point m = centre_de(c, i, p);
             if (std::hypot(m.x - centre.x, m.y - centre.y) <= rayon) pixels[p] = couleur;
           });
}

Case case_de(const std::optional<Rgb>& haut, const std::optional<Rgb>& bas) {
  if (!haut && !bas) return Case{};
  if (!bas) return Case{demi_haut, haut, std::nullopt};
  if (!haut) return Case{demi_bas, bas, std::nullopt};
  if (*haut == *bas) return Case{plein, haut, std::nullopt};
  return Case{demi_haut, haut, bas};
}

void compose_pixels(Grille& grille, const Cadre& c, Pixels& pixels) {
  for (int y = 0; y < c.pixels_haut; y += 2)
    for (int x = 0; x < c.pixels_large; ++x) {
      const std::optional<Rgb> bas =
          y + 1 < c.pixels_haut ? pixels[Pixel{x, y + 1}] : std::optional<Rgb>{};
      grille.a(c.colonne + x, c.ligne + y / 2) = case_de(pixels[Pixel{x, y}], bas);
    }
}

void borde(Grille& grille, const Cadre& c) {
  const int gauche = c.colonne - 1, droite = c.colonne + c.pixels_large;
  const int haut = c.ligne - 1, bas = c.ligne + lignes_du_plateau(c);
  for (int x = gauche + 1; x < droite; ++x)
    grille.a(x, haut).glyphe = grille.a(x, bas).glyphe = U'\u2500';
  for (int y = haut + 1; y < bas; ++y)
    grille.a(gauche, y).glyphe = grille.a(droite, y).glyphe = U'\u2502';
  grille.a(gauche, haut).glyphe = U'\u250C';
  grille.a(droite, haut).glyphe = U'\u2510';
  grille.a(gauche, bas).glyphe = U'\u2514';
  grille.a(droite, bas).glyphe = U'\u2518';
}

char32_t fleche(double angle) {
  if (!std::isfinite(angle)) return fleches[0];
  const double tour = 2 * std::numbers::pi;
  double a = std::fmod(angle, tour);
  if (a < 0) a += tour;
  return fleches[static_cast<int>(std::lround(a / (tour / 8))) % 8];
}

Case* case_sous(Grille& grille, const Cadre& c, const Instantane& i, Point p) {
  const auto pixel = pixel_de(c, i, p.x, p.y);
  if (!pixel) return nullptr;
  return &grille.a(c.colonne + pixel->x, c.ligne + pixel->y / 2);
}

void pose_visee(Grille& grille, const Cadre& c, const Instantane& i, const commun::VaisseauVu& v,
                Rgb couleur) {
  for (int k = 1; k <= points_de_visee; ++k) {
    const double d = k * pixels_entre_points / c.pixels_par_unite;
    Case* cible =
        case_sous(grille, c, i, {v.x + d * std::cos(v.angle), v.y + d * std::sin(v.angle)});
    if (cible && *cible == Case{}) *cible = Case{visee, couleur, std::nullopt};
  }
}

// A cell a label must not hide: a ship or a bullet (cubes and space it may).
bool en_vue(const Case& k) {
  return k.glyphe == balle ||
         std::find(std::begin(fleches), std::end(fleches), k.glyphe) != std::end(fleches);
}

// The column of the cell under `p`, or `sinon` off the board.
int colonne_sous(Grille& grille, const Cadre& c, const Instantane& i, Point p, int sinon) {
  const Case* k = case_sous(grille, c, i, p);
  return k ? static_cast<int>(k - grille.cases.data()) % grille.colonnes : sinon;
}

// The ship's name on its row, a cell clear of its disc: on its right, or on
// its left when the board's edge would cut it. It stops before a ship or a
// bullet.
void pose_nom(Grille& grille, const Cadre& c, const Instantane& i, const commun::VaisseauVu& v) {
  const auto nom = i.noms ? noms::nom_de(*i.noms, v.id) : std::nullopt;
  const Case* sous = nom ? case_sous(grille, c, i, {v.x, v.y}) : nullptr;
  if (sous == nullptr) return;
  const auto rang = static_cast<int>(sous - grille.cases.data());
  const int ligne = rang / grille.colonnes;
  const std::u32string lettres = noms::caracteres(*nom);
  const int n = static_cast<int>(lettres.size());
  const int fin = c.colonne + c.pixels_large;
  int colonne =
      colonne_sous(grille, c, i, {v.x + i.rayon_vaisseau, v.y}, rang % grille.colonnes) + 2;
  const int a_gauche =
      colonne_sous(grille, c, i, {v.x - i.rayon_vaisseau, v.y}, rang % grille.colonnes) - 1 - n;
  if (colonne + n > fin && a_gauche >= c.colonne) colonne = a_gauche;
  for (const char32_t lettre : lettres) {
    if (colonne >= fin || en_vue(grille.a(colonne, ligne))) return;
    grille.a(colonne++, ligne) = Case{lettre, visible_sur_noir(rgb_de(v.id)), std::nullopt};
  }
}

void dessine_plateau(Grille& grille, const Cadre& c, const Instantane& i) {
  Pixels pixels(c);
  for (const commun::CubeVu& cube : i.cubes) peint_cube(pixels, c, i, cube);
  for (const commun::BalleVue& b : i.balles)
    peint_disque(pixels, c, i, {b.x, b.y}, i.rayon_balle, visible_sur_noir(rgb_de(b.id)));
  for (const commun::VaisseauVu& v : i.vaisseaux)
    peint_disque(pixels, c, i, {v.x, v.y}, i.rayon_vaisseau, visible_sur_noir(rgb_de(v.id)));
  compose_pixels(grille, c, pixels);
  borde(grille, c);
  for (const commun::BalleVue& b : i.balles)
    if (Case* cible = case_sous(grille, c, i, {b.x, b.y}))
      *cible = Case{balle, visible_sur_noir(rgb_de(b.id)), std::nullopt};
  const commun::VaisseauVu* propre = nullptr;
  for (const commun::VaisseauVu& v : i.vaisseaux) {
    if (i.couleur_propre == v.id) propre = &v;
    if (Case* cible = case_sous(grille, c, i, {v.x, v.y}))
      *cible = Case{fleche(v.angle), visible_sur_noir(rgb_de(v.id)), std::nullopt};
  }
  for (const commun::VaisseauVu& v : i.vaisseaux) pose_nom(grille, c, i, v);
  // Drawn last, so that nothing hides the player's own ship.
  if (propre == nullptr) return;
  const Rgb couleur = visible_sur_noir(rgb_de(propre->id));
  pose_visee(grille, c, i, *propre, couleur);
  if (Case* cible = case_sous(grille, c, i, {propre->x, propre->y}))
    *cible = Case{fleche(propre->angle), couleur, std::nullopt, Gras | Inverse};
}

}  // namespace

Grille::Grille(int c, int l)
    : colonnes(std::max(c, 0)),
      lignes(std::max(l, 0)),
      cases(static_cast<std::size_t>(colonnes * lignes)) {}

Case& Grille::a(int colonne, int ligne) {
  return cases[static_cast<std::size_t>(ligne * colonnes + colonne)];
}

const Case& Grille::a(int colonne, int ligne) const {
  return cases[static_cast<std::size_t>(ligne * colonnes + colonne)];
}

Rendu rend(const Instantane& instantane, TailleTerminal taille) {
  Rendu rendu{Grille(taille.colonnes, taille.lignes), place(instantane, taille)};
  if (rendu.cadre) {
    dessine_plateau(rendu.grille, *rendu.cadre, instantane);
  } else {
    ecris(rendu.grille, 0, 0, _("terminal too small"));
  }
  return rendu;
}

int ligne_sous_le_plateau(const Rendu& rendu) {
  return rendu.cadre ? rendu.cadre->ligne + lignes_du_plateau(*rendu.cadre) + 1 : 1;
}

int colonne_d_etat(const Rendu& rendu, std::size_t largeur) {
  return std::clamp(rendu.grille.colonnes - static_cast<int>(largeur), 0,
                    rendu.cadre ? rendu.cadre->colonne - 1 : 0);
}

void ecris(Grille& grille, int colonne, int ligne, std::string_view texte, std::uint8_t attributs,
           std::optional<Rgb> avant) {
  if (ligne < 0 || ligne >= grille.lignes) return;
  for (const char32_t c : noms::caracteres(texte)) {
    if (colonne >= grille.colonnes) return;
    if (colonne >= 0) grille.a(colonne, ligne) = Case{c, avant, {}, attributs};
    ++colonne;
  }
}

std::size_t largeur_texte(std::string_view texte) { return noms::caracteres(texte).size(); }

char glyphe_ascii(char32_t glyphe) {
  switch (glyphe) {
    case demi_haut:
      return '"';
    case demi_bas:
      return ',';
    case plein:
      return '#';
    case balle:
      return '*';
    case visee:
      return '.';
    case U'\u2500':
      return '-';
    case U'\u2502':
      return '|';
    case U'\u250C':
    case U'\u2510':
    case U'\u2514':
    case U'\u2518':
      return '+';
  }
  constexpr char fleches_ascii[8] = {'>', '/', '^', '\\', '<', '/', 'v', '\\'};
  for (int k = 0; k < 8; ++k)
    if (glyphe == fleches[k]) return fleches_ascii[k];
  return glyphe < 0x80 ? static_cast<char>(glyphe) : '?';
}
