#include "ligue/jetons.h"

#include <sys/random.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <stdexcept>
#include <system_error>

namespace {

constexpr std::string_view alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

// Blocks until the kernel's pool is seeded, then never fails short for 32 bytes.
void remplis(std::array<std::uint8_t, 32>& octets) {
  std::size_t faits = 0;
  while (faits < octets.size()) {
    const ssize_t n = getrandom(octets.data() + faits, octets.size() - faits, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw std::system_error(errno, std::generic_category(), "getrandom");
    faits += static_cast<std::size_t>(n);
  }
}

}  // namespace

std::string nouveau_jeton() {
  std::array<std::uint8_t, 32> octets{};
  remplis(octets);
  std::string jeton;
  std::uint32_t tampon = 0;
  int bits = 0;
  for (const std::uint8_t o : octets) {
    tampon = (tampon << 8) | o;
    for (bits += 8; bits >= 6; bits -= 6) jeton += alphabet[(tampon >> (bits - 6)) & 63];
  }
  if (bits > 0) jeton += alphabet[(tampon << (6 - bits)) & 63];
  return jeton;
}

bool jetons_egaux(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;  // every token has the same length
  unsigned char difference = 0;
  for (std::size_t i = 0; i < a.size(); ++i) difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  return difference == 0;
}
