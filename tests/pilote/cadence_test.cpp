#include "pilote/cadence.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using Actions = std::vector<Action>;

constexpr auto periode = 25ms;
const Instant t0{};

TEST(Cadence, AFirstPressGoesAtOnceAndRepeatsWaitForTheNextTick) {
  Cadence c(periode);
  c.tick_vu(t0);
  c.appuie(Action::Gauche);
  EXPECT_EQ(c.libere(t0 + 1ms), Actions{Action::Gauche});
  c.appuie(Action::Gauche);
  c.appuie(Action::Gauche);
  EXPECT_EQ(c.libere(t0 + 5ms), Actions{});
  EXPECT_EQ(c.libere(t0 + 20ms), Actions{});
  c.tick_vu(t0 + 25ms);
  EXPECT_EQ(c.libere(t0 + 26ms), Actions{Action::Gauche});  // two presses, one action
  EXPECT_EQ(c.libere(t0 + 51ms), Actions{});
}

TEST(Cadence, EachKindOfActionHasItsOwnTurn) {
  Cadence c(periode);
  c.tick_vu(t0);
  c.appuie(Action::Tire);
  EXPECT_EQ(c.libere(t0 + 1ms), Actions{Action::Tire});
  c.appuie(Action::Decelere);
  c.appuie(Action::Tire);
  c.appuie(Action::Gauche);
  EXPECT_EQ(c.libere(t0 + 2ms), (Actions{Action::Gauche, Action::Decelere}));
  c.tick_vu(t0 + 25ms);
  EXPECT_EQ(c.libere(t0 + 26ms), Actions{Action::Tire});
}

// A key held down, repeated by the keyboard every `repetition`, while the
// server's ticks are seen every `tick` (or never); counts what is sent in 1 s.
int envois_en_une_seconde(std::chrono::milliseconds repetition,
                          std::optional<std::chrono::milliseconds> tick) {
  Cadence c(periode);
  int envois = 0;
  for (auto t = 0ms; t <= 1000ms; t += 1ms) {
    if (tick && t.count() % tick->count() == 0) c.tick_vu(t0 + t);
    if (t.count() % repetition.count() == 0) c.appuie(Action::Droite);
    envois += static_cast<int>(c.libere(t0 + t).size());
  }
  return envois;
}

TEST(Cadence, AHeldKeyRepeatsAtMostOncePerObservedTick) {
  EXPECT_EQ(envois_en_une_seconde(5ms, 25ms), 41);   // 41 ticks seen, t = 0 included
  EXPECT_EQ(envois_en_une_seconde(1ms, 50ms), 21);   // a slow server
  EXPECT_EQ(envois_en_une_seconde(40ms, 25ms), 26);  // a slow keyboard sets the pace
}

TEST(Cadence, WithoutVisibleTicksTheClockStandsInForThem) {
  EXPECT_EQ(envois_en_une_seconde(5ms, std::nullopt), 41);  // one per 25 ms
  // Ticks stop being seen (the board is still): after two periods the clock takes over.
  Cadence c(periode);
  c.tick_vu(t0);
  c.appuie(Action::Accelere);
  EXPECT_EQ(c.libere(t0), Actions{Action::Accelere});
  c.appuie(Action::Accelere);
  EXPECT_EQ(c.libere(t0 + 30ms), Actions{});
  EXPECT_EQ(c.libere(t0 + 50ms), Actions{});
  EXPECT_EQ(c.libere(t0 + 51ms), Actions{Action::Accelere});
}

TEST(Cadence, ForgettingDropsPendingPressesAndLetsTheNextGoAtOnce) {
  Cadence c(periode);
  c.tick_vu(t0);
  c.appuie(Action::Tire);
  EXPECT_EQ(c.libere(t0), Actions{Action::Tire});
  c.appuie(Action::Tire);
  c.appuie(Action::Gauche);
  c.oublie();
  EXPECT_EQ(c.libere(t0 + 1ms), Actions{});
  c.appuie(Action::Tire);
  EXPECT_EQ(c.libere(t0 + 2ms), Actions{Action::Tire});
}

}  // namespace
