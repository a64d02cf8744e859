// The secret in each private link: 256 bits from the system's random source,
// in URL-safe base64 without padding (43 characters).
#pragma once

#include <string>
#include <string_view>

[[nodiscard]] std::string nouveau_jeton();

// Whether `a` and `b` are equal, in a time that does not depend on where
// they differ: a wrong token must not tell how much of it was right.
[[nodiscard]] bool jetons_egaux(std::string_view a, std::string_view b);
