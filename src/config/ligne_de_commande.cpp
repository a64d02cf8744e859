#include "config/ligne_de_commande.h"

#include <limits>

#include "config/configuration.h"

namespace config {

namespace {

constexpr std::string_view option_debug = "-debug";

std::optional<int> valeur_chiffre(char c, int base) {
  int valeur = base;  // out of range unless recognised below
  if (c >= '0' && c <= '9') valeur = c - '0';
  if (c >= 'a' && c <= 'f') valeur = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') valeur = c - 'A' + 10;
  if (valeur >= base) return std::nullopt;
  return valeur;
}

// Splits off a "0x", "0o" or "0b" prefix and returns the base it names.
int lit_base(std::string_view& texte) {
  if (texte.size() < 2 || texte[0] != '0') return 10;
  switch (texte[1]) {
    case 'x':
    case 'X':
      texte.remove_prefix(2);
      return 16;
    case 'o':
    case 'O':
      texte.remove_prefix(2);
      return 8;
    case 'b':
    case 'B':
      texte.remove_prefix(2);
      return 2;
    default:
      return 10;
  }
}

}  // namespace

std::optional<std::int64_t> lit_entier(std::string_view texte) {
  const bool negatif = texte.starts_with('-');
  if (negatif) texte.remove_prefix(1);
  const int base = lit_base(texte);
  // The magnitude of the most negative value is one more than the largest positive one.
  const std::uint64_t limite =
      static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) + (negatif ? 1 : 0);
  std::uint64_t magnitude = 0;
  bool chiffre_vu = false;
  for (char c : texte) {
    if (c == '_' && chiffre_vu) continue;
    const auto chiffre = valeur_chiffre(c, base);
    if (!chiffre) return std::nullopt;
    if (magnitude >
        (limite - static_cast<std::uint64_t>(*chiffre)) / static_cast<std::uint64_t>(base))
      return std::nullopt;
    magnitude = magnitude * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(*chiffre);
    chiffre_vu = true;
  }
  if (!chiffre_vu) return std::nullopt;
  if (negatif) return static_cast<std::int64_t>(0 - magnitude);
  return static_cast<std::int64_t>(magnitude);
}

std::optional<Options> lit_ligne_de_commande(std::span<const std::string_view> arguments) {
  const auto avec_port = [](std::string_view texte, bool en_debug) -> std::optional<Options> {
    const auto port = lit_entier(texte);
    if (!port) return std::nullopt;
    return Options{*port, en_debug};
  };
  switch (arguments.size()) {
    case 0:
      return Options{config::port_defaut, false};
    case 1:
      if (arguments[0] == option_debug) return Options{config::port_defaut, true};
      return avec_port(arguments[0], false);
    case 2:
      if (arguments[0] == option_debug) return avec_port(arguments[1], true);
      if (arguments[1] == option_debug) return avec_port(arguments[0], true);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::string message_usage(std::string_view programme) {
  return "usage : " + std::string(programme) + " [-debug] [port_number]\n";
}

}  // namespace config
