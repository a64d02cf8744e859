// The tick duration histogram as Prometheus reads it: cumulative buckets,
// a bound counting the ticks that took exactly that long, the rest in +Inf.
#include "tribune/metriques.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

namespace {

using std::chrono::microseconds;

TEST(Metriques, LesTicksVontDansLeursTranchesCumulees) {
  match::MesuresTick mesures;
  for (const auto duree : {microseconds(30), microseconds(100), microseconds(101),
                           microseconds(2000), microseconds(200'000)})
    mesures.note_tick(duree);
  const protocol::CompteursProtocole compteurs;
  const std::string texte = tribune::texte_metriques({mesures, compteurs, 0, {}});
  const struct {
    const char* borne;
    int cumul;
  } attendus[] = {{"5e-05", 1},  {"1e-04", 2}, {"0.00025", 3},
                  {"0.0025", 4}, {"0.1", 4},   {"+Inf", 5}};
  for (const auto& a : attendus) {
    const std::string ligne = "arene_tick_duree_secondes_bucket{le=\"" + std::string(a.borne) +
                              "\"} " + std::to_string(a.cumul) + "\n";
    EXPECT_NE(texte.find(ligne), std::string::npos) << ligne << texte;
  }
  EXPECT_NE(texte.find("arene_tick_duree_secondes_count 5\n"), std::string::npos);
  EXPECT_NE(texte.find("arene_tick_duree_secondes_sum 0.202231\n"), std::string::npos) << texte;
  EXPECT_NE(texte.find("arene_ticks_total 5\n"), std::string::npos);
}

}  // namespace
