// Ten clients firing as fast as pipelining allows: bullets stay capped per
// colour and the world goes on ticking.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "config/configuration.h"
#include "e2e/stress.h"

namespace {

constexpr int tireurs = 10;
constexpr int tirs_par_rafale = 1500;
// One burst already passes the cap; the unoptimised sanitizer build ticks
// 10,000 bullets slowly, so it stops there.
constexpr int rafales = sous_sanitizer ? 1 : 3;

// Bullets in flight per colour, from one "GET BALLES".
std::map<long long, std::size_t> balles_par_couleur(ClientDeTest& client) {
  std::map<long long, std::size_t> compte;
  const auto lignes = client.demande_liste("GET BALLES\r\n", 30s);
  for (std::size_t i = 1; i < lignes.size(); ++i)
    ++compte[std::atoll(lignes[i].c_str() + lignes[i].rfind(' ') + 1)];
  return compte;
}

TEST(TirEnRafale, TenPipeliningShootersStayCappedAndTheWorldTicks) {
  ServeurDeTest serveur(false, sortie_jetee());
  std::vector<std::unique_ptr<ClientDeTest>> clients;
  for (int i = 0; i < tireurs; ++i) {
    clients.push_back(std::make_unique<ClientDeTest>(serveur.port()));
    ASSERT_EQ(clients.back()->enregistre(i + 1), "VAISSEAU ENREGISTRE\r\n");
  }
  ClientDeTest temoin(serveur.port());
  ASSERT_EQ(temoin.enregistre(100), "VAISSEAU ENREGISTRE\r\n");

  std::string rafale;
  for (int i = 0; i < tirs_par_rafale; ++i) rafale += "PUT ACTION TIRE\r\n";
  std::size_t plus_grand = 0;
  for (int tour = 0; tour < rafales; ++tour) {
    // All bursts go out before any reply is read: 1,500 requests in flight each.
    for (auto& c : clients) c->envoie(rafale);
    for (auto& c : clients)
      for (int i = 0; i < tirs_par_rafale; ++i) ASSERT_EQ(c->lit_ligne(30s), "OK\r\n");
    for (const auto& [couleur, n] : balles_par_couleur(temoin)) {
      EXPECT_LE(n, config::max_balles_par_vaisseau) << "colour " << couleur;
      plus_grand = std::max(plus_grand, n);
    }
  }
  // The bursts did reach the cap's order of magnitude.
  EXPECT_GT(plus_grand, config::max_balles_par_vaisseau / 2);
  std::printf("most bullets of one colour: %zu\n", plus_grand);
  EXPECT_TRUE(le_monde_bouge(temoin, 20s));
}

}  // namespace
