// The spectator port of a match played in this process, so that the test can
// hold the world's lock itself: whatever a spectator asks is answered from
// copies, never by waiting for verrou.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "e2e/tribune_de_test.h"
#include "match/boucle.h"
#include "tribune/serveur_tribune.h"

namespace {

// A match with no player and its spectator port, its tick thread running.
struct MatchEnCours {
  MatchEnCours() {
    std::scoped_lock tenu(monde.verrou);
    partie = std::make_unique<match::Partie>(monde, match::ReglesPartie{}, 7, nullptr,
                                             std::chrono::steady_clock::now());
  }
  ~MatchEnCours() {
    interruption = true;
    if (ticks.joinable()) ticks.join();
    if (spectateurs) spectateurs->arrete(std::chrono::seconds(0));
  }

  void demarre() {
    ticks = std::thread(
        [this] { match::joue(monde, *partie, nullptr, interruption, nullptr, &mesures); });
    spectateurs = std::make_unique<tribune::ServeurSpectateurs>(
        tribune::MatchObserve{partie->resultats_publies(), joueurs, mesures, compteurs}, diffusion,
        port);
  }

  world::Monde monde{7};
  std::unique_ptr<match::Partie> partie;
  match::MesuresTick mesures;
  protocol::CompteursProtocole compteurs;
  transport::SuiviConnexions joueurs;
  tribune::Diffusion diffusion{[] { return std::vector<resultats::ResultatJoueur>{}; }};
  std::atomic<bool> interruption{false};
  std::thread ticks;
  const int port = port_libre();
  std::unique_ptr<tribune::ServeurSpectateurs> spectateurs;
};

TEST(SpectateursSansVerrou, LesRoutesRepondentPendantQueLeMondeEstVerrouille) {
  MatchEnCours match;
  match.demarre();
  ASSERT_EQ(get_http(match.port, "/resultats").statut, 200);
  std::scoped_lock tenu(match.monde.verrou);
  for (const char* route : {"/resultats", "/metrics", "/"}) {
    const ReponseHttp reponse = get_http(match.port, route);
    EXPECT_EQ(reponse.statut, 200) << route;
    if (std::string_view(route) == "/resultats" && reponse.statut == 200) {
      EXPECT_EQ(nlohmann::json::parse(reponse.corps).at("format"), "arene-resultats");
    }
  }
}

}  // namespace
