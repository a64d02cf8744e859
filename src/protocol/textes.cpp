#include "protocol/textes.h"

#include <algorithm>
#include <charconv>

namespace protocol {

namespace {

// Room for any int64 and for any double at 12 significant digits.
constexpr std::size_t taille_nombre = 32;

bool chiffres_et_moins(const char* debut, const char* fin) {
  return std::all_of(debut, fin, [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
}

}  // namespace

void ajoute_entier(std::string& sortie, std::int64_t n) {
  char tampon[taille_nombre];
  const auto fin = std::to_chars(tampon, tampon + taille_nombre, n).ptr;
  sortie.append(tampon, fin);
}

std::string texte_entier(std::int64_t n) {
  std::string texte;
  ajoute_entier(texte, n);
  return texte;
}

// to_chars in general format with a precision formats exactly as printf's
// "%.12g" (inf, -inf, nan and -nan included), without the locale and faster.
void ajoute_flottant(std::string& sortie, double x) {
  char tampon[taille_nombre];
  const auto fin =
      std::to_chars(tampon, tampon + taille_nombre, x, std::chars_format::general, 12).ptr;
  sortie.append(tampon, fin);
  if (chiffres_et_moins(tampon, fin)) sortie.push_back('.');
}

std::string texte_flottant(double x) {
  std::string texte;
  ajoute_flottant(texte, x);
  return texte;
}

namespace {

void ajoute_champ(std::string& sortie, double x) { ajoute_flottant(sortie, x); }
void ajoute_champ(std::string& sortie, std::int64_t n) { ajoute_entier(sortie, n); }

// One element line: its fields separated by one blank, each in the text form
// of its type, then CR LF.
template <typename Premier, typename... Autres>
void ajoute_ligne(std::string& sortie, Premier premier, Autres... autres) {
  ajoute_champ(sortie, premier);
  ((sortie.push_back(' '), ajoute_champ(sortie, autres)), ...);
  sortie += fin_de_ligne;
}

}  // namespace

void envoie_vaisseau(std::string& sortie, const world::vaisseau& v) {
  ajoute_ligne(sortie, v.x, v.y, v.angle, v.pt_vie, v.id);
}

void envoie_balle(std::string& sortie, const world::balle& b) {
  ajoute_ligne(sortie, b.x, b.y, b.id);
}

void envoie_cube(std::string& sortie, const world::cube& c) {
  ajoute_ligne(sortie, c.x_min, c.y_min, c.x_max, c.y_max);
}

}  // namespace protocol
