// The change count of a list, so that a text composed from the list can tell
// that it is stale. Assigning another list's content never moves a version
// back: a version seen once is never seen again for different content.
#pragma once

#include <algorithm>
#include <cstdint>

namespace world {

class Version {
 public:
  Version() = default;
  Version(const Version&) = default;
  Version& operator=(const Version& autre) {
    valeur_ = std::max(valeur_, autre.valeur_) + 1;
    return *this;
  }

  void avance() { ++valeur_; }
  std::uint64_t valeur() const { return valeur_; }

 private:
  std::uint64_t valeur_ = 0;
};

}  // namespace world
