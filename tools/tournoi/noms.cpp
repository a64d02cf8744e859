#include "tournoi/noms.h"

#include <cstdint>

namespace {

// The code point starting at `texte[i]`, advancing `i`; nothing on invalid
// UTF-8 (overlong forms, surrogates and values beyond U+10FFFF included).
std::optional<char32_t> point_suivant(std::string_view texte, std::size_t& i) {
  const auto octet = [&](std::size_t k) { return static_cast<std::uint8_t>(texte[k]); };
  const std::uint8_t premier = octet(i);
  std::size_t suite = 0;
  char32_t point = 0;
  char32_t minimum = 0;
  if (premier < 0x80) {
    ++i;
    return premier;
  }
  if ((premier & 0xE0) == 0xC0) {
    suite = 1, point = premier & 0x1F, minimum = 0x80;
  } else if ((premier & 0xF0) == 0xE0) {
    suite = 2, point = premier & 0x0F, minimum = 0x800;
  } else if ((premier & 0xF8) == 0xF0) {
    suite = 3, point = premier & 0x07, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  if (i + suite >= texte.size()) return std::nullopt;  // cut short
  for (std::size_t k = 1; k <= suite; ++k) {
    if ((octet(i + k) & 0xC0) != 0x80) return std::nullopt;
    point = (point << 6) | (octet(i + k) & 0x3F);
  }
  if (point < minimum || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
    return std::nullopt;
  i += suite + 1;
  return point;
}

// C0, DEL and C1: nothing a name shows, and line feeds or escapes would
// break the tables and terminals it is shown on.
bool controle(char32_t point) { return point < 0x20 || (point >= 0x7F && point <= 0x9F); }

}  // namespace

std::optional<std::string> probleme_nom(std::string_view nom) {
  if (nom.empty()) return "a name cannot be empty";
  std::size_t nombre = 0;
  for (std::size_t i = 0; i < nom.size(); ++nombre) {
    const auto point = point_suivant(nom, i);
    if (!point) return "not valid UTF-8 text";
    if (controle(*point)) return "no control characters in a name";
  }
  if (nombre > nom_max) return "at most " + std::to_string(nom_max) + " characters";
  if (nom.find('/') != std::string_view::npos) return "no '/' in a name: it names files";
  if (nom.front() == '.') return "a name cannot start with '.': it names files";
  if (nom.front() == ' ' || nom.back() == ' ') return "no space at either end of a name";
  return std::nullopt;
}

std::size_t caracteres(std::string_view texte) {
  std::size_t nombre = 0;
  for (unsigned char c : texte) nombre += (c & 0xC0) != 0x80;
  return nombre;
}

std::string cadre_a_gauche(std::string_view texte, std::size_t largeur) {
  const std::size_t n = caracteres(texte);
  return std::string(texte) + std::string(n < largeur ? largeur - n : 0, ' ');
}
