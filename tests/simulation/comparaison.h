// Bit-for-bit comparison of a server world with the reference one: the same
// ships and bullets, in the same order, every double identical to the bit.
#pragma once

#include <gtest/gtest.h>

#include "simulation/oracle.h"
#include "world/monde.h"

::testing::AssertionResult memes_vaisseaux_et_balles(const world::Monde& reel,
                                                     const oracle::Monde& reference);
