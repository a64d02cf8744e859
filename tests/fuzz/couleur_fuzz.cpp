// Fuzzes the registration line parser: an accepted line must be exactly the
// one the server would write for that colour.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/inscription.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
  const std::string_view ligne(reinterpret_cast<const char*>(donnees), taille);
  const auto couleur = protocol::analyse_couleur(ligne);
  if (couleur && "PUT COULEUR VAISSEAU " + std::to_string(*couleur) + "\r" != ligne)
    __builtin_trap();
  // Every colour has a name, and the label is built around it.
  if (couleur &&
      protocol::etiquette(*couleur) != "Le client " + protocol::nom_couleur(*couleur) + " ")
    __builtin_trap();
  return 0;
}
