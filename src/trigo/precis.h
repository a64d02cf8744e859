// The sine and cosine to as many bits as it takes, in integer arithmetic: the
// argument is reduced exactly by the bits of 2/pi (whatever its size), the
// series run in fixed point, and a result is given only when its whole error
// interval rounds to one double, with more bits until it does. Slow (a few
// microseconds); the fast path calls it when its own error leaves the rounding
// undecided, and for arguments of 2^20 and more.
#pragma once

#include "trigo/trigo.h"

namespace trigo {

// sin(x) and cos(x), both correctly rounded, for a finite x >= 2^-27.
[[nodiscard]] SinusCosinus sinus_cosinus_precis(double x);

}  // namespace trigo
