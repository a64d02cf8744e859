// Fuzzes the command-line parser: arguments are the input split on NUL bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "config/ligne_de_commande.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
  const std::string_view texte(reinterpret_cast<const char*>(donnees), taille);
  std::vector<std::string_view> arguments;
  std::size_t debut = 0;
  for (std::size_t fin; (fin = texte.find('\0', debut)) != std::string_view::npos; debut = fin + 1)
    arguments.push_back(texte.substr(debut, fin - debut));
  arguments.push_back(texte.substr(debut));
  const auto options = config::lit_ligne_de_commande(arguments);
  // An accepted port must read back the same through the integer parser.
  if (options && arguments.size() == 1 && arguments[0] != "-debug" &&
      config::lit_entier(arguments[0]) != options->port)
    __builtin_trap();
  return 0;
}
