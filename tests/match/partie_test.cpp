// A match's phases and results, played in this process with a clock the test
// moves by hand.
#include "match/partie.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <set>

#include "enregistrement/format.h"
#include "match/aides_match.h"
#include "simulation/actions.h"
#include "simulation/balles.h"
#include "simulation/monde_de_test.h"
#include "simulation/spawn.h"
#include "tick/tick.h"

namespace {

using namespace std::chrono_literals;

const match::Instant t0{};

struct Match {
  explicit Match(const match::ReglesPartie& regles, bool cubes = true,
                 evenements::FileLots* file = nullptr)
      : monde(cubes ? monde_avec_cubes(3) : std::make_unique<world::Monde>(3)),
        partie(*monde, regles, 3, file, t0) {}
  // One turn of the tick loop at `t`: true when a tick ran.
  bool tour(match::Instant t, bool interrompue = false) {
    if (!partie.avant_tick(t, interrompue)) return false;
    tick::avance(*monde);
    partie.apres_tick(t);
    return true;
  }
  std::unique_ptr<world::Monde> monde;
  match::Partie partie;
};

TEST(Partie, AttendSesJoueursActionsGeleesPuisCommence) {
  match::ReglesPartie regles;
  regles.joueurs = 2;
  Match m(regles);
  place_en_melee(*m.monde, m.partie, {10});
  simulation::traite_action_joueur(*m.monde, 10, simulation::action::Tire);
  simulation::traite_action_joueur(*m.monde, 10, simulation::action::Gauche);
  EXPECT_TRUE(m.monde->balles.vide()) << "no shot before the start";
  EXPECT_DOUBLE_EQ(m.monde->vaisseaux[0].angle, M_PI) << "no turn before the start";
  EXPECT_FALSE(m.tour(t0 + 1h)) << "no tick with one player of two";
  EXPECT_EQ(m.partie.phase(), match::Phase::Attente);
  place_en_melee(*m.monde, m.partie, {20});
  EXPECT_TRUE(m.tour(t0 + 1h));
  EXPECT_EQ(m.partie.phase(), match::Phase::EnCours);
  simulation::traite_action_joueur(*m.monde, 10, simulation::action::Tire);
  EXPECT_EQ(m.monde->balles.taille(), 1u);
}

struct CasDeFin {
  const char* nom;
  match::ReglesPartie regles;
  int vaisseaux;           // in the melee from the start
  bool un_part;            // one player leaves after the first tick
  std::chrono::seconds a;  // the clock at each turn after the first
  bool interrompue;
  std::optional<resultats::RaisonFin> attendue;  // after at most 50 turns
  std::int64_t ticks;                            // ticks run by then
};

match::ReglesPartie regles(std::optional<int> joueurs, std::optional<double> attente,
                           std::optional<match::DureePartie> duree, bool survivant) {
  return match::ReglesPartie{joueurs, attente, duree, survivant, {}};
}

TEST(Partie, FinitSelonSesRegles) {
  const match::DureePartie dix_ticks{10, match::DureePartie::Unite::Ticks};
  const match::DureePartie une_minute{60, match::DureePartie::Unite::Secondes};
  const CasDeFin cas[] = {
      {"ticks", regles({}, {}, dix_ticks, false), 2, false, 0s, false,
       resultats::RaisonFin::DureeEcoulee, 10},
      {"secondes", regles({}, {}, une_minute, false), 2, false, 61s, false,
       resultats::RaisonFin::DureeEcoulee, 1},
      {"pas encore", regles({}, {}, une_minute, false), 2, false, 59s, false, std::nullopt, 51},
      {"survivant", regles({}, {}, {}, true), 2, true, 0s, false, resultats::RaisonFin::Survivant,
       1},
      {"survivant sans rival", regles({}, {}, {}, true), 1, false, 0s, false, std::nullopt, 51},
      {"interrompue", regles({}, {}, {}, false), 2, false, 0s, true,
       resultats::RaisonFin::Interrompu, 1},
      {"annulee", regles(3, 5.0, {}, false), 1, false, 6s, false, resultats::RaisonFin::Annule, 0},
      {"attente finie a deux", regles(3, 5.0, dix_ticks, false), 2, false, 6s, false,
       resultats::RaisonFin::DureeEcoulee, 10},
  };
  for (const CasDeFin& c : cas) {
    SCOPED_TRACE(c.nom);
    Match m(c.regles);
    std::vector<std::int64_t> couleurs;
    for (int k = 0; k < c.vaisseaux; ++k) couleurs.push_back(100 + k);
    place_en_melee(*m.monde, m.partie, couleurs);
    m.tour(t0);
    if (c.un_part) simulation::retire_joueur(*m.monde, 100, world::Depart::Quitte);
    for (int tour = 0; tour < 50 && m.partie.phase() != match::Phase::Finie; ++tour)
      m.tour(t0 + c.a, c.interrompue);
    const resultats::Resultats r = m.partie.resultats();
    EXPECT_EQ(r.raison, c.attendue);
    EXPECT_EQ(r.ticks, c.ticks);
    EXPECT_EQ(m.monde->actions_gelees, c.attendue.has_value())
        << "actions do nothing after the end";
  }
}

// A shooter fires at a sitting ship 60 units ahead until it is destroyed.
TEST(Partie, ResultatsDUnDuel) {
  match::ReglesPartie r;
  r.fin_survivant = true;
  Match m(r, false);
  place(*m.monde, m.partie, world::vaisseau{500, 500, 0, 0, config::pt_vie_max, 255});
  place(*m.monde, m.partie, world::vaisseau{560, 500, 0, 0, config::pt_vie_max, 16711680});
  int tirs = 0;
  for (int tour = 0; tour < 200 && m.partie.phase() != match::Phase::Finie; ++tour) {
    simulation::traite_action_joueur(*m.monde, 255, simulation::action::Tire);
    ++tirs;
    m.tour(t0);
  }
  const resultats::Resultats res = m.partie.resultats();
  ASSERT_EQ(res.raison, resultats::RaisonFin::Survivant);
  ASSERT_EQ(res.joueurs.size(), 2u);
  const resultats::ResultatJoueur& tireur = res.joueurs[0];
  const resultats::ResultatJoueur& cible = res.joueurs[1];
  EXPECT_EQ(tireur.couleur, 255);
  EXPECT_EQ(tireur.rang, 1);
  EXPECT_EQ(tireur.etat, resultats::EtatJoueur::Vivant);
  EXPECT_EQ(tireur.touches_donnees, 5);
  EXPECT_EQ((tireur.touches), (std::map<std::int64_t, std::int64_t>{{16711680, 5}}));
  EXPECT_EQ(tireur.balles_tirees, tirs);
  EXPECT_EQ(cible.couleur, 16711680);
  EXPECT_EQ(cible.rang, 2);
  EXPECT_EQ(cible.etat, resultats::EtatJoueur::Detruit);
  EXPECT_EQ(cible.detruit_par, 255);
  EXPECT_EQ(cible.touches_recues, 5);
  EXPECT_EQ(cible.pt_vie, 0);
  EXPECT_EQ(cible.tick_destruction, res.tick_fin);
}

// With a colour list, a destroyed ship's colour does not come back, nor does
// any colour off the list; without one, both register as always.
TEST(Partie, UneCouleurListeeNEntreQuUneFois) {
  for (const bool liste : {true, false}) {
    SCOPED_TRACE(liste);
    match::ReglesPartie r;
    if (liste) r.couleurs = std::set<std::int64_t>{255, 16711680};
    Match m(r, false);
    EXPECT_EQ(simulation::cree_vaisseau(*m.monde, 7),
              liste ? simulation::Spawn::CouleurUtilisee : simulation::Spawn::Cree);
    if (!liste) simulation::retire_joueur(*m.monde, 7, world::Depart::Quitte);
    place(*m.monde, m.partie, world::vaisseau{500, 500, 0, 0, config::pt_vie_max, 255});
    place(*m.monde, m.partie, world::vaisseau{560, 500, 0, 0, config::pt_vie_max, 16711680});
    for (int tour = 0; tour < 200 && m.monde->vaisseaux.taille() == 2; ++tour) {
      simulation::traite_action_joueur(*m.monde, 255, simulation::action::Tire);
      m.tour(t0);
    }
    ASSERT_EQ(m.monde->vaisseaux.taille(), 1u) << "the target was destroyed";
    EXPECT_EQ(simulation::cree_vaisseau(*m.monde, 16711680),
              liste ? simulation::Spawn::CouleurUtilisee : simulation::Spawn::Cree);
  }
}

// A writer that took the first lot and nothing after: the state that follows
// the gap at the end must still rank the players, as the end itself does.
TEST(Partie, LEtatApresUnePerteEnFinDeMatchClasseLesJoueurs) {
  evenements::FileLots file(1);
  match::ReglesPartie r;
  r.duree = match::DureePartie{10, match::DureePartie::Unite::Ticks};
  Match m(r, true, &file);
  place_en_melee(*m.monde, m.partie, {10, 20});
  while (m.partie.phase() != match::Phase::Finie) m.tour(t0);
  const evenements::Lot fin = m.partie.derniers_changements();
  ASSERT_EQ(fin.size(), 3u);
  const auto* etat = std::get_if<evenements::EvEtat>(&fin[1]);
  const auto* derniere = std::get_if<evenements::EvFin>(&fin[2]);
  ASSERT_TRUE(std::holds_alternative<evenements::EvPerdu>(fin[0]) && etat && derniere);
  ASSERT_EQ(derniere->resultats.joueurs.size(), 2u);
  EXPECT_EQ(enregistrement::ligne(evenements::EvEtat{0, {}, {}, etat->joueurs}),
            enregistrement::ligne(evenements::EvEtat{0, {}, {}, derniere->resultats.joueurs}));
}

TEST(Partie, ClasseLesVivantsPuisLesDerniersPartis) {
  auto joueur = [](std::int64_t c, resultats::EtatJoueur e, std::int64_t pv, std::int64_t touches,
                   std::optional<std::int64_t> depart) {
    resultats::ResultatJoueur j;
    j.couleur = c;
    j.etat = e;
    j.pt_vie = pv;
    j.touches_donnees = touches;
    j.tick_depart = depart;
    return j;
  };
  std::vector<resultats::ResultatJoueur> joueurs = {
      joueur(1, resultats::EtatJoueur::Detruit, 0, 9, 100),
      joueur(2, resultats::EtatJoueur::Vivant, 3, 1, {}),
      joueur(3, resultats::EtatJoueur::Parti, 5, 0, 300),
      joueur(4, resultats::EtatJoueur::Vivant, 3, 2, {}),
      joueur(5, resultats::EtatJoueur::Vivant, 5, 0, {}),
      joueur(6, resultats::EtatJoueur::Detruit, 0, 0, 300)};
  resultats::classe(joueurs);
  std::vector<std::pair<std::int64_t, int>> ordre;
  for (const resultats::ResultatJoueur& j : joueurs) ordre.emplace_back(j.couleur, j.rang);
  EXPECT_EQ(ordre, (std::vector<std::pair<std::int64_t, int>>{
                       {5, 1}, {4, 2}, {2, 3}, {3, 4}, {6, 4}, {1, 6}}));
}

// A bot author finds their line by the colour as they wrote it, either way.
TEST(Partie, TableauDitChaqueCouleurEnDecimalEtEnHexadecimal) {
  const std::pair<std::int64_t, const char*> cas[] = {
      {3394611, "3394611 (#33CC33)"},
      {0, "0 (#000000)"},
      {-5, "-5 (#FFFFFB)"},
      {1152921504607970390, "1152921504607970390 (#112456)"},
      {INT64_MIN, "-9223372036854775808 (#000000)"}};
  resultats::Resultats r;
  for (const auto& [couleur, texte] : cas) {
    r.joueurs.emplace_back();
    r.joueurs.back().couleur = couleur;
  }
  const std::string t = resultats::tableau(r);
  for (const auto& [couleur, texte] : cas)
    EXPECT_NE(t.find(texte), std::string::npos) << texte << '\n' << t;
}

}  // namespace
