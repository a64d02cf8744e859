#include "simulation/empreinte.h"

#include <bit>
#include <cinttypes>
#include <cstdio>

namespace {

struct Fnv {
  std::uint64_t h = 0xcbf29ce484222325u;

  void mot(std::uint64_t w) {
    for (int octet = 0; octet < 8; ++octet) {
      h ^= (w >> (8 * octet)) & 0xffu;
      h *= 0x100000001b3u;
    }
  }
  void reel(double x) { mot(std::bit_cast<std::uint64_t>(x)); }
  void entier(std::int64_t n) { mot(static_cast<std::uint64_t>(n)); }
};

}  // namespace

std::uint64_t empreinte(const world::Monde& monde) {
  Fnv f;
  f.mot(monde.vaisseaux.taille());
  for (const world::vaisseau& v : monde.vaisseaux) {
    f.reel(v.x);
    f.reel(v.y);
    f.reel(v.angle);
    f.reel(v.vitesse);
    f.entier(v.pt_vie);
    f.entier(v.id);
  }
  f.mot(monde.balles.taille());
  for (const world::balle& b : monde.balles) {
    f.reel(b.x);
    f.reel(b.y);
    f.reel(b.angle);
    f.entier(b.id);
    f.reel(b.pas_x);
    f.reel(b.pas_y);
  }
  return f.h;
}

std::uint64_t empreinte(const std::vector<std::uint64_t>& mots) {
  Fnv f;
  for (std::uint64_t w : mots) f.mot(w);
  return f.h;
}

std::string en_initialiseur(const std::vector<std::uint64_t>& empreintes) {
  std::string texte = "{";
  for (std::size_t k = 0; k < empreintes.size(); ++k) {
    char mot[32];
    std::snprintf(mot, sizeof mot, "%s0x%016" PRIx64 "u", k ? ", " : "", empreintes[k]);
    texte += mot;
  }
  return texte + "}";
}
