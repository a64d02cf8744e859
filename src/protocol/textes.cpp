#include "protocol/textes.h"

#include <algorithm>
#include <charconv>

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

void envoie_vaisseau(std::string& sortie, const vaisseau& v) {
  ajoute_flottant(sortie, v.x);
  sortie.push_back(' ');
  ajoute_flottant(sortie, v.y);
  sortie.push_back(' ');
  ajoute_flottant(sortie, v.angle);
  sortie.push_back(' ');
  ajoute_entier(sortie, v.pt_vie);
  sortie.push_back(' ');
  ajoute_entier(sortie, v.id);
  sortie += fin_de_ligne;
}

void envoie_balle(std::string& sortie, const balle& b) {
  ajoute_flottant(sortie, b.x);
  sortie.push_back(' ');
  ajoute_flottant(sortie, b.y);
  sortie.push_back(' ');
  ajoute_entier(sortie, b.id);
  sortie += fin_de_ligne;
}

void envoie_cube(std::string& sortie, const cube& c) {
  ajoute_flottant(sortie, c.x_min);
  sortie.push_back(' ');
  ajoute_flottant(sortie, c.y_min);
  sortie.push_back(' ');
  ajoute_flottant(sortie, c.x_max);
  sortie.push_back(' ');
  ajoute_flottant(sortie, c.y_max);
  sortie += fin_de_ligne;
}
