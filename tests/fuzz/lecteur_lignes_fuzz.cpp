// Fuzzes the line reader over a source that hands the input out in random
// chunks: the lines must be the input cut at its line feeds, each cut to the
// length cap, whatever the chunks.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "transport/lecteur_lignes.h"

namespace {

// The lines that the reader must deliver, computed the plain way.
std::vector<std::string> lignes_attendues(std::string_view texte, std::size_t longueur_max) {
  std::vector<std::string> lignes;
  while (!texte.empty()) {
    const std::size_t fin = std::min(texte.find('\n'), texte.size());
    lignes.emplace_back(texte.substr(0, std::min(fin, longueur_max)));
    texte.remove_prefix(std::min(fin + 1, texte.size()));
  }
  return lignes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
  if (taille < 2) return 0;
  // The first byte sets the cap (small, to reach it often), the second seeds the chunk sizes.
  const std::size_t longueur_max = 1 + donnees[0] % 64;
  std::uint32_t graine = donnees[1] | 1u;
  const std::string_view texte(reinterpret_cast<const char*>(donnees) + 2, taille - 2);
  std::size_t position = 0;
  transport::LecteurLignes lecteur(
      [&](char* tampon, std::size_t place) -> long {
        if (position == texte.size()) return 0;
        graine = graine * 1664525u + 1013904223u;
        const std::size_t morceau = 1 + (graine >> 24) % 40;
        const std::size_t n = std::min({place, texte.size() - position, morceau});
        std::memcpy(tampon, texte.data() + position, n);
        position += n;
        return static_cast<long>(n);
      },
      longueur_max);
  const auto attendues = lignes_attendues(texte, longueur_max);
  std::size_t i = 0;
  while (const auto ligne = lecteur.lit_ligne()) {
    if (i >= attendues.size() || *ligne != attendues[i]) __builtin_trap();
    ++i;
  }
  if (i != attendues.size()) __builtin_trap();
  return 0;
}
