// The three list replies: a header "PUT <NOM> <count>" and then one line per
// element, in list order (ships and bullets newest first, cubes in the order
// they were drawn). Under verrou, so count and lines are one instant.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "world/monde.h"

namespace protocol {

void compose_liste_vaisseaux(const world::Monde& monde, std::string& sortie) REQUIRES(monde.verrou);
void compose_liste_balles(const world::Monde& monde, std::string& sortie) REQUIRES(monde.verrou);
void compose_liste_cubes(const world::Monde& monde, std::string& sortie);

// The same replies, composed once per state of their list and then copied, so
// that a crowd of players polling between two ticks costs one composition.
// Bound to one world, and guarded by its verrou (see Arene).
class ListesEnCache {
 public:
  void vaisseaux(const world::Monde& monde, std::string& sortie) REQUIRES(monde.verrou);
  void balles(const world::Monde& monde, std::string& sortie) REQUIRES(monde.verrou);
  // The cube field never changes once the server runs: composed on first use.
  void cubes(const world::Monde& monde, std::string& sortie);

 private:
  // A reply and the version of the list it was composed from.
  struct Texte {
    std::optional<std::uint64_t> version;
    std::string octets;
  };
  // Whether `texte` is older than `version`: it is then emptied, to be
  // composed again, and takes that version.
  static bool a_refaire(Texte& texte, std::uint64_t version);

  Texte vaisseaux_;
  Texte balles_;
  Texte cubes_;
};

}  // namespace protocol
