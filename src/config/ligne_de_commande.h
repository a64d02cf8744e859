// The server's command line: `arene [-debug] [port_number]`, in either order.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace config {

struct Options {
  std::int64_t port;
  bool debug;
};

// Reads a whole integer: an optional "-", then decimal digits, or digits after
// a "0x", "0o" or "0b" prefix (either case); underscores after the first digit
// are ignored. Anything else, or a value beyond 64 bits, gives nothing.
std::optional<std::int64_t> lit_entier(std::string_view texte);

// `arguments` excludes the program name. Nothing when the command line is wrong.
std::optional<Options> lit_ligne_de_commande(std::span<const std::string_view> arguments);

// "usage : <programme> [-debug] [port_number]\n"
std::string message_usage(std::string_view programme);

}  // namespace config
