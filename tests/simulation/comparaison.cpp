#include "simulation/comparaison.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// Two doubles are the same only when their bits are: 0.0 and -0.0 differ,
// and a NaN equals a NaN of the same bits.
bool memes_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

std::string hexa(double v) {
  char texte[64];
  std::snprintf(texte, sizeof texte, "%a (%.17g)", v, v);
  return texte;
}

// The first field that differs, or an empty text.
std::string difference(const world::vaisseau& a, const world::vaisseau& b) {
  if (!memes_bits(a.x, b.x)) return "x " + hexa(a.x) + " vs " + hexa(b.x);
  if (!memes_bits(a.y, b.y)) return "y " + hexa(a.y) + " vs " + hexa(b.y);
  if (!memes_bits(a.angle, b.angle)) return "angle " + hexa(a.angle) + " vs " + hexa(b.angle);
  if (!memes_bits(a.vitesse, b.vitesse))
    return "vitesse " + hexa(a.vitesse) + " vs " + hexa(b.vitesse);
  if (a.pt_vie != b.pt_vie)
    return "pt_vie " + std::to_string(a.pt_vie) + " vs " + std::to_string(b.pt_vie);
  if (a.id != b.id) return "id " + std::to_string(a.id) + " vs " + std::to_string(b.id);
  return {};
}

std::string difference(const world::balle& a, const world::balle& b) {
  if (!memes_bits(a.x, b.x)) return "x " + hexa(a.x) + " vs " + hexa(b.x);
  if (!memes_bits(a.y, b.y)) return "y " + hexa(a.y) + " vs " + hexa(b.y);
  if (!memes_bits(a.angle, b.angle)) return "angle " + hexa(a.angle) + " vs " + hexa(b.angle);
  if (a.id != b.id) return "id " + std::to_string(a.id) + " vs " + std::to_string(b.id);
  return {};
}

// Compares two lists given head first; `nom` names the list in the message.
template <typename T, typename Reels, typename References>
std::string compare_listes(const char* nom, const Reels& reels, const References& references) {
  const std::vector<T> a(reels.begin(), reels.end());
  const std::vector<T> b(references.begin(), references.end());
  if (a.size() != b.size())
    return std::string(nom) + ": " + std::to_string(a.size()) + " in the world, " +
           std::to_string(b.size()) + " in the reference";
  for (std::size_t k = 0; k < a.size(); ++k) {
    const std::string ecart = difference(a[k], b[k]);
    if (!ecart.empty())
      return std::string(nom) + "[" + std::to_string(k) + "] (world vs reference): " + ecart;
  }
  return {};
}

}  // namespace

::testing::AssertionResult memes_vaisseaux_et_balles(const world::Monde& reel,
                                                     const oracle::Monde& reference) {
  std::string ecart =
      compare_listes<world::vaisseau>("vaisseaux", reel.vaisseaux, reference.vaisseaux);
  if (ecart.empty()) ecart = compare_listes<world::balle>("balles", reel.balles, reference.balles);
  if (ecart.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << ecart;
}
