// The spectators' stream against the world: a match played in this process
// hands its lots to the stream as the writer thread would. Spectators that
// keep up, fall behind or join late must each rebuild exactly the lists of a
// reader fed with every lot, whenever they have taken all that waits for them.
#include "tribune/diffusion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "enregistrement/etat.h"
#include "enregistrement/format.h"
#include "match/aides_match.h"
#include "match/partie.h"
#include "simulation/actions.h"
#include "simulation/balles.h"
#include "simulation/monde_de_test.h"
#include "tick/tick.h"

namespace {

std::string type_de(const std::string& ligne) {
  const auto debut = ligne.find("\"t\":\"") + 5;
  return ligne.substr(debut, ligne.find('"', debut) - debut);
}

class Spectateur {
 public:
  explicit Spectateur(tribune::Diffusion& diffusion)
      : abonnement_(diffusion, [this] { ++reveils; }) {}

  // Takes what waits, until nothing is left.
  void rattrape() {
    for (tribune::Envoi envoi = abonnement_.suivant(); !envoi.texte.empty();
         envoi = abonnement_.suivant())
      recoit(envoi.texte);
  }

  bool fini() { return abonnement_.suivant().fin; }

  void compare(const enregistrement::EtatRelu& reference, const char* qui) const {
    ASSERT_EQ(etat_.tick(), reference.tick()) << qui;
    ASSERT_EQ(etat_.vaisseaux(), reference.vaisseaux()) << qui;
    ASSERT_EQ(etat_.balles(), reference.balles()) << qui;
  }

  std::vector<std::string> types;  // of every line received, in order
  int reveils = 0;

 private:
  void recoit(const std::string& texte) {
    std::size_t debut = 0;
    for (;;) {
      const std::size_t fin = texte.find('\n', debut);
      const std::string ligne_recue = texte.substr(debut, fin - debut);
      types.push_back(type_de(ligne_recue));
      applique(enregistrement::lit_ligne(ligne_recue));
      if (fin == std::string::npos) return;
      debut = fin + 1;
    }
  }

  // A gap runs from the tick after the last one received to the one before
  // the state that follows it.
  void applique(const evenements::Evenement& e) {
    if (const auto* perdu = std::get_if<evenements::EvPerdu>(&e)) {
      EXPECT_EQ(perdu->de, etat_.tick() + 1);
      fin_du_trou_ = perdu->a;
    } else if (const auto* etat = std::get_if<evenements::EvEtat>(&e); etat && fin_du_trou_) {
      EXPECT_EQ(etat->tick, *fin_du_trou_ + 1);
      fin_du_trou_.reset();
    }
    etat_.applique(e);
  }

  enregistrement::EtatRelu etat_;
  std::optional<std::int64_t> fin_du_trou_;
  tribune::Abonnement abonnement_;
};

long compte(const std::vector<std::string>& types, const std::string& type) {
  return std::count(types.begin(), types.end(), type);
}

// The writer thread's part: every lot waiting, as lines, to the stream.
class Ecrivain {
 public:
  Ecrivain(evenements::FileLots& file, tribune::Diffusion& diffusion)
      : file_(file), diffusion_(diffusion) {}

  void livre() {
    while (file_.a_lot_en_attente()) {
      const evenements::Lot lot = *file_.prend();
      for (const evenements::Evenement& e : lot) reference.applique(e);
      std::string lignes;
      enregistrement::ajoute_lignes(lignes, lot);
      diffusion_.evenements(lot);
      if (entre_les_deux) std::exchange(entre_les_deux, nullptr)();
      diffusion_.ecrit(lignes);
    }
  }

  enregistrement::EtatRelu reference;
  // Once, while a lot is in the mirror but not yet in the outboxes: what a
  // spectator thread may do at that moment.
  std::function<void()> entre_les_deux;

 private:
  evenements::FileLots& file_;
  tribune::Diffusion& diffusion_;
};

TEST(Diffusion, SpectateursAJourEnRetardOuTardifsRebatissentLesListes) {
  auto monde = monde_avec_cubes(11);
  evenements::FileLots file(1'000'000);
  resultats::ResultatJoueur joueur;
  joueur.couleur = 42;
  tribune::Diffusion diffusion([&] { return std::vector<resultats::ResultatJoueur>{joueur}; },
                               tribune::OptionsDiffusion{.lots_max = 3, .octets_max = 1 << 20});
  Ecrivain ecrivain(file, diffusion);
  match::Partie partie(*monde, match::ReglesPartie{}, 11, &file, std::chrono::steady_clock::now());
  const std::vector<std::int64_t> couleurs = {1, 2, 3, 4, 5, 255};
  place_en_melee(*monde, partie, couleurs);
  partie.publie();

  Spectateur a_jour(diffusion);
  Spectateur en_retard(diffusion);
  std::unique_ptr<Spectateur> tardif;
  a_jour.rattrape();
  EXPECT_TRUE(a_jour.types.empty()) << "nothing before the header";
  std::mt19937_64 hasard(5);
  for (int t = 1; t <= 300 && !HasFatalFailure(); ++t) {
    for (std::int64_t c : couleurs)
      simulation::traite_action_joueur(*monde, c, static_cast<simulation::action>(hasard() % 5));
    if (t % 37 == 0)
      simulation::retire_joueur(*monde, couleurs[hasard() % couleurs.size()],
                                world::Depart::Quitte);
    ASSERT_TRUE(partie.avant_tick(std::chrono::steady_clock::now(), false));
    tick::avance(*monde);
    if (t == 150) {
      ecrivain.entre_les_deux = [&] {
        tardif = std::make_unique<Spectateur>(diffusion);
        tardif->rattrape();
      };
    }
    ecrivain.livre();
    a_jour.rattrape();
    a_jour.compare(ecrivain.reference, "keeping up");
    if (tardif) {
      tardif->rattrape();
      tardif->compare(ecrivain.reference, "joined late");
    }
    if (t % 10 == 0) {
      EXPECT_EQ(en_retard.reveils, 1) << "woken once between two takes";
      en_retard.reveils = 0;
      en_retard.rattrape();
      en_retard.compare(ecrivain.reference, "behind");
    }
  }
  for (Spectateur* s : {&a_jour, &en_retard, tardif.get()})
    EXPECT_EQ((std::vector<std::string>(s->types.begin(), s->types.begin() + 2)),
              (std::vector<std::string>{"entete", "etat"}));
  EXPECT_EQ(compte(a_jour.types, "tick"), 299) << "tick 1 came in its first state";
  EXPECT_EQ(compte(a_jour.types, "perdu"), 0);
  // One lot a tick; taking every 10 with room for 3, its outbox overflows
  // at the fourth lot after each take and drops the three it held: it skips
  // all 10, and gets a gap and a state each time.
  EXPECT_EQ(compte(en_retard.types, "perdu"), 29);
  EXPECT_EQ(diffusion.reprises(), 29u);
  EXPECT_EQ(diffusion.lots_sautes(), 29u * 10u);
}

TEST(Diffusion, LaFinArriveMemeAuxSpectateursEnRetardPuisFerme) {
  auto monde = monde_avec_cubes(3);
  evenements::FileLots file(1'000'000);
  tribune::Diffusion diffusion([] { return std::vector<resultats::ResultatJoueur>{}; },
                               tribune::OptionsDiffusion{.lots_max = 2});
  Ecrivain ecrivain(file, diffusion);
  match::Partie partie(*monde, match::ReglesPartie{}, 3, &file, std::chrono::steady_clock::now());
  place_en_melee(*monde, partie, {7, 8});
  Spectateur a_jour(diffusion);
  Spectateur en_retard(diffusion);
  for (int t = 0; t < 20; ++t) {
    ASSERT_TRUE(partie.avant_tick(std::chrono::steady_clock::now(), false));
    tick::avance(*monde);
    ecrivain.livre();
    a_jour.rattrape();
    if (t == 0) en_retard.rattrape();
  }
  EXPECT_FALSE(partie.avant_tick(std::chrono::steady_clock::now(), /*interrompue=*/true));
  file.depose(partie.derniers_changements());
  ecrivain.livre();
  diffusion.termine();
  Spectateur apres_la_fin(diffusion);
  for (Spectateur* s : {&a_jour, &en_retard, &apres_la_fin}) {
    s->rattrape();
    s->compare(ecrivain.reference, "at the end");
    ASSERT_FALSE(s->types.empty());
    EXPECT_EQ(s->types.back(), "fin");
    EXPECT_EQ(compte(s->types, "fin"), 1);
    EXPECT_TRUE(s->fini());
  }
}

// A spectator joining before the start learns how long the wait for players
// has left; once the match started there is none.
TEST(Diffusion, LEnteteDitLAttenteRestanteJusquAuDebut) {
  const auto attente_de = [](tribune::Diffusion& diffusion) {
    tribune::Abonnement abonnement(diffusion, [] {});
    const std::string texte = abonnement.suivant().texte;
    return nlohmann::json::parse(texte.substr(0, texte.find('\n'))).at("attente_restante");
  };
  const auto livre = [](tribune::Diffusion& diffusion, const evenements::Evenement& e) {
    diffusion.evenements({e});
    diffusion.ecrit(enregistrement::ligne(e) + "\n");
  };
  const auto sans_joueurs = [] { return std::vector<resultats::ResultatJoueur>{}; };
  tribune::Diffusion avec(sans_joueurs, {},
                          std::chrono::steady_clock::now() + std::chrono::seconds(30));
  tribune::Diffusion sans(sans_joueurs);
  for (tribune::Diffusion* d : {&avec, &sans}) livre(*d, evenements::EvEntete{});
  const double reste = attente_de(avec).get<double>();
  EXPECT_GT(reste, 20.0);
  EXPECT_LE(reste, 30.0);
  EXPECT_TRUE(attente_de(sans).is_null());
  livre(avec, evenements::EvDebut{0});
  EXPECT_TRUE(attente_de(avec).is_null());
}

}  // namespace
