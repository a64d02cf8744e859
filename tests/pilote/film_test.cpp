// The replay's film against the world it was recorded from: a melee played in
// this process and written to a gzip file as arene-arbitre writes it. Every
// instant, reached in any order, must show the world's lists of that tick,
// and what the match's own results said of each colour then.
#include "pilote/film.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numeric>
#include <random>

#include "enregistrement/ecrivain.h"
#include "enregistrement/format.h"
#include "geometry/cubes.h"
#include "match/aides_match.h"
#include "simulation/actions.h"
#include "simulation/balles.h"
#include "simulation/spawn.h"
#include "tick/tick.h"

namespace {

namespace fs = std::filesystem;

struct Moment {
  std::vector<evenements::VaisseauVu> vaisseaux;
  std::vector<evenements::BalleVue> balles;
  std::vector<resultats::ResultatJoueur> joueurs;
};

Moment moment(const world::Monde& monde, const match::Partie& partie) {
  Moment m{{}, {}, partie.resultats().joueurs};
  for (const world::vaisseau& v : monde.vaisseaux) m.vaisseaux.push_back(evenements::vu(v));
  for (const world::balle& b : monde.balles) m.balles.push_back(evenements::vue(b));
  return m;
}

void ecrit_les_lots(evenements::FileLots& file, enregistrement::Puits& puits) {
  while (file.a_lot_en_attente()) {
    std::string lignes;
    const auto lot = file.prend();
    for (const evenements::Evenement& e : *lot) {
      enregistrement::ajoute_ligne(lignes, e);
      lignes += '\n';
    }
    puits.ecrit(lignes);
  }
}

// How the recording is written: the file's room in lots, and the ticks after
// which the writer empties it. Left full, the file drops ticks, as when the
// disk cannot keep up.
struct Ecriture {
  std::size_t capacite;
  std::function<bool(int tick)> vide;
  int coups = 1;  // actions of each player a tick: with two, a ship may turn twice between instants
};

// Players steer, fire, quit and come back at random; returns the world at
// each tick, from 0.
std::vector<Moment> joue_un_match(const fs::path& chemin, int ticks, const Ecriture& ecriture) {
  auto monde = std::make_unique<world::Monde>(11);
  monde->cubes = geometry::cree_cubes(monde->grille, monde->alea, config::nb_cubes);
  evenements::FileLots file(ecriture.capacite);
  const auto puits = std::make_unique<enregistrement::PuitsFichier>(chemin);
  const std::vector<std::int64_t> couleurs = {1, 255, 0xFF0000, -7};
  const match::ReglesPartie regles{
      4, {}, match::DureePartie{double(ticks), match::DureePartie::Unite::Ticks}, false, {}};
  match::Partie partie(*monde, regles, 11, &file, match::Instant{});
  place_en_melee(*monde, partie, couleurs);
  std::vector<Moment> moments{moment(*monde, partie)};
  std::mt19937_64 hasard(5);
  while (partie.avant_tick(match::Instant{}, false)) {
    for (int coup = 0; coup < ecriture.coups; ++coup)
      for (const std::int64_t c : couleurs) {
        const auto de = hasard() % 100;
        if (de < 2) {
          (void)simulation::cree_vaisseau(*monde, c);
        } else if (de < 4) {
          simulation::retire_joueur(*monde, c, world::Depart::Quitte);
        } else {
          simulation::traite_action_joueur(
              *monde, c,
              de < 40 ? simulation::action::Tire : static_cast<simulation::action>(de % 5));
        }
      }
    tick::avance(*monde);
    partie.apres_tick(match::Instant{});
    moments.push_back(moment(*monde, partie));
    if (ecriture.vide(static_cast<int>(partie.tick()))) ecrit_les_lots(file, *puits);
  }
  ecrit_les_lots(file, *puits);
  file.depose(partie.derniers_changements());
  ecrit_les_lots(file, *puits);
  puits->termine();
  return moments;
}

void compare_bilans(const std::vector<Bilan>& bilans,
                    const std::vector<resultats::ResultatJoueur>& joueurs, std::int64_t tick) {
  ASSERT_EQ(bilans.size(), joueurs.size()) << "tick " << tick;
  for (const Bilan& b : bilans) {
    const auto j =
        std::find_if(joueurs.begin(), joueurs.end(),
                     [&](const resultats::ResultatJoueur& r) { return r.couleur == b.couleur; });
    ASSERT_NE(j, joueurs.end()) << b.couleur;
    switch (b.sort) {
      case Bilan::Sort::EnJeu:
        EXPECT_EQ(j->etat, resultats::EtatJoueur::Vivant)
            << "tick " << tick << " colour " << b.couleur;
        EXPECT_EQ(b.pt_vie, j->pt_vie);
        break;
      case Bilan::Sort::Detruit:
        EXPECT_EQ(j->etat, resultats::EtatJoueur::Detruit)
            << "tick " << tick << " colour " << b.couleur;
        EXPECT_EQ(b.par, j->detruit_par);
        EXPECT_EQ(b.tick, j->tick_destruction);
        break;
      case Bilan::Sort::Parti:
        EXPECT_EQ(j->etat, resultats::EtatJoueur::Parti)
            << "tick " << tick << " colour " << b.couleur;
        EXPECT_EQ(b.tick, j->tick_depart);
        break;
      case Bilan::Sort::Inconnu:
        EXPECT_NE(j->etat, resultats::EtatJoueur::Vivant)
            << "tick " << tick << " colour " << b.couleur;
        break;
    }
  }
}

struct Enregistre {
  fs::path chemin;
  std::vector<Moment> moments;
};

class FilmDeMatch : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    const auto chemin = [](const char* nom) {
      return fs::temp_directory_path() /
             ("film_test_" + std::to_string(::getpid()) + "_" + nom + ".gz");
    };
    entier_.chemin = chemin("entier");
    entier_.moments = joue_un_match(entier_.chemin, 300, {1'000'000, [](int) { return true; }, 2});
    troue_.chemin = chemin("troue");
    troue_.moments =
        joue_un_match(troue_.chemin, 300, {1, [](int t) { return t < 100 || t > 130; }});
  }
  static void TearDownTestSuite() {
    fs::remove(entier_.chemin);
    fs::remove(troue_.chemin);
  }

  // Visits every instant in `ordre` and checks it against the world.
  static void verifie(const Film& film, const std::vector<Moment>& moments,
                      const std::vector<std::size_t>& ordre) {
    Curseur curseur(film);
    for (const std::size_t i : ordre) {
      const Repere& r = film.reperes()[i];
      const enregistrement::EtatRelu& etat = curseur.va(r);
      ASSERT_LT(static_cast<std::size_t>(r.tick), moments.size());
      const Moment& m = moments[static_cast<std::size_t>(r.tick)];
      ASSERT_EQ(etat.tick(), r.tick);
      ASSERT_EQ(etat.vaisseaux(), m.vaisseaux) << "tick " << r.tick;
      ASSERT_EQ(etat.balles(), m.balles) << "tick " << r.tick;
      compare_bilans(film.bilans(r.fin, etat), m.joueurs, r.tick);
      if (HasFailure()) return;
    }
  }

  // In order, backwards and shuffled.
  static void verifie_dans_tous_les_ordres(const Film& film, const std::vector<Moment>& moments) {
    std::vector<std::size_t> ordre(film.reperes().size());
    std::iota(ordre.begin(), ordre.end(), 0);
    verifie(film, moments, ordre);
    std::reverse(ordre.begin(), ordre.end());
    verifie(film, moments, ordre);
    std::shuffle(ordre.begin(), ordre.end(), std::mt19937_64(3));
    verifie(film, moments, ordre);
  }

  static inline Enregistre entier_;
  static inline Enregistre troue_;
};

TEST_F(FilmDeMatch, EveryTickInAnyOrderShowsTheWorldAndTheResultsOfThatTick) {
  const Film film(entier_.chemin, /*ticks_entre_copies=*/7);
  ASSERT_TRUE(film.complet());
  ASSERT_EQ(film.reperes().size(), entier_.moments.size());
  for (std::size_t i = 0; i < film.reperes().size(); ++i)
    ASSERT_EQ(film.reperes()[i].tick, static_cast<std::int64_t>(i));
  verifie_dans_tous_les_ordres(film, entier_.moments);
  // A copy at every tick, but at most 16 kept: thinned out, still right.
  const Film serre(entier_.chemin, 1, 16);
  EXPECT_LE(serre.nb_copies(), 16u);
  EXPECT_GE(serre.nb_copies(), 8u);
  verifie_dans_tous_les_ordres(serre, entier_.moments);

  // The melee must have shown every fate, or the bilans were barely tested.
  for (const resultats::EtatJoueur e :
       {resultats::EtatJoueur::Detruit, resultats::EtatJoueur::Parti})
    EXPECT_TRUE(std::any_of(entier_.moments.begin(), entier_.moments.end(), [&](const Moment& m) {
      return std::any_of(m.joueurs.begin(), m.joueurs.end(),
                         [&](const resultats::ResultatJoueur& j) { return j.etat == e; });
    })) << static_cast<int>(e);
}

TEST_F(FilmDeMatch, LostTicksAreSkippedAndTheTicksAfterThemShownRight) {
  const Film film(troue_.chemin, /*ticks_entre_copies=*/7);
  ASSERT_TRUE(film.complet());
  const auto& r = film.reperes();
  const auto trou = std::adjacent_find(
      r.begin(), r.end(), [](const Repere& a, const Repere& b) { return b.tick != a.tick + 1; });
  ASSERT_NE(trou, r.end()) << "the full file should have dropped ticks";
  EXPECT_GT(r.size(), 250u);
  EXPECT_EQ(r.back().tick, 300);
  verifie_dans_tous_les_ordres(film, troue_.moments);
}

TEST_F(FilmDeMatch, AFileCutShortKeepsTheTicksBeforeTheDamage) {
  std::ifstream entree(entier_.chemin, std::ios::binary);
  const std::string octets{std::istreambuf_iterator<char>(entree), {}};
  const fs::path coupe = fs::path(entier_.chemin).replace_extension(".coupe.gz");
  std::ofstream(coupe, std::ios::binary) << octets.substr(0, octets.size() * 6 / 10);
  const Film film(coupe);
  fs::remove(coupe);
  EXPECT_FALSE(film.complet());
  ASSERT_GT(film.reperes().size(), 10u);
  ASSERT_LT(film.reperes().size(), entier_.moments.size());
  verifie_dans_tous_les_ordres(film, entier_.moments);
}

}  // namespace
