// The season's bookkeeping on a scratch database: a result is counted once,
// only while its match runs, its refit stored with it whatever came in
// meanwhile, and a crash's running matches are planned again.
#include "ligue/calendrier.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "ligue/base.h"
#include "ligue/tableau.h"

namespace fs = std::filesystem;

namespace {

class Calendrier : public ::testing::Test {
 protected:
  fs::path fichier = fs::temp_directory_path() / ("calendrier_" + std::to_string(::getpid()));
  Base base;

  void SetUp() override {
    fs::remove(fichier);
    base = cree_base(fichier);
    inscrit_classe(base.get(), {{"a", ""}, {"b", ""}, {"c", ""}});
    for (const char* eleve : {"1", "2", "3"})
      execute_avec(base.get(),
                   "INSERT INTO versions (eleve, numero, langage, deposee, etat, commande) "
                   "VALUES (?1, 1, 'python', 'x', 'prete', 'python3 b.py')",
                   {eleve});
  }
  void TearDown() override {
    base.reset();
    for (const char* fin : {"", "-wal", "-shm"}) fs::remove(fichier.string() + fin);
  }
  std::int64_t nombre(const char* sql) {
    Requete r = prepare(base.get(), sql);
    return sqlite3_step(r.get()) == SQLITE_ROW ? sqlite3_column_int64(r.get(), 0) : -1;
  }
};

TEST_F(Calendrier, UnResultatCompteUneFoisPendantSonMatch) {
  const std::int64_t id = prevoit_match(base.get(), {3, 1, 2}, 42);
  const auto prevu = prochain_prevu(base.get(), "/l");
  ASSERT_TRUE(prevu);
  EXPECT_EQ(prevu->participants.size(), 3u);
  EXPECT_EQ(prevu->participants[0].version, 3);  // in the order planned
  EXPECT_EQ(prevu->participants[0].dossier, dossier_version("/l", 3));
  const std::vector<Place> places{{1, 1, 5}, {2, 2, 0}, {3, 2, 0}};
  EXPECT_FALSE(enregistre(base.get(), id, places)) << "not started yet";
  ASSERT_TRUE(commence(base.get(), id));
  EXPECT_FALSE(commence(base.get(), id));
  ASSERT_TRUE(enregistre(base.get(), id, places));
  EXPECT_FALSE(enregistre(base.get(), id, {{1, 3, 0}, {2, 1, 0}, {3, 2, 0}}));
  EXPECT_EQ(nombre("SELECT rang FROM participations WHERE version = 1"), 1);
  EXPECT_EQ(nombre("SELECT COUNT(*) FROM matchs WHERE etat = 'fini'"), 1);
  EXPECT_EQ(nombre("SELECT COUNT(*) FROM historique_notes WHERE apres_match = 1"), 3);
  for (const Candidat& c : candidats(base.get())) {
    EXPECT_EQ(c.matchs, 1u);
    EXPECT_LT(c.intervalle.haut - c.intervalle.bas, 1e6) << "rated after the refit";
  }
}

TEST_F(Calendrier, UnCrashReplanifieSeulementCeQuiTournait) {
  const std::int64_t fini = prevoit_match(base.get(), {1, 2}, 1);
  const std::int64_t coupe = prevoit_match(base.get(), {2, 3}, 2);
  const std::int64_t arrete = prevoit_match(base.get(), {1, 3}, 3);
  for (const std::int64_t id : {fini, coupe, arrete}) ASSERT_TRUE(commence(base.get(), id));
  ASSERT_TRUE(enregistre(base.get(), fini, {{1, 1, 0}, {2, 2, 0}}));
  abandonne(base.get(), arrete);
  EXPECT_FALSE(enregistre(base.get(), arrete, {{1, 1, 0}, {3, 2, 0}})) << "abandoned stays so";
  EXPECT_EQ(replanifie_interrompus(base.get()), std::vector<std::int64_t>{coupe});
  EXPECT_EQ(prochain_prevu(base.get(), "/l")->id, coupe);
  // The abandoned match counts for nobody: version 1 has played one match.
  for (const Candidat& c : candidats(base.get()))
    if (c.version == 1) {
      EXPECT_EQ(c.matchs, 1u);
    }
}

// The refit is read before the result's transaction. Stored in match order or
// not, and whether another result came in between the read and the write,
// the lines stored with the last result are the fit of every finished match,
// as the leaderboard then shows them.
TEST_F(Calendrier, LesNotesStockeesSontCellesDeTousLesMatchs) {
  const struct {
    const char* cas;
    bool lu_avant_l_autre;  // the first result's refit read before the second was stored
  } cas[] = {{"one after the other", false}, {"another result came in meanwhile", true}};
  for (const auto& c : cas) {
    SCOPED_TRACE(c.cas);
    TearDown();
    SetUp();
    const std::int64_t premier = prevoit_match(base.get(), {1, 2, 3}, 1);
    const std::int64_t second = prevoit_match(base.get(), {3, 2, 1}, 2);
    for (const std::int64_t id : {premier, second}) ASSERT_TRUE(commence(base.get(), id));
    const std::vector<Place> places1{{1, 1, 0}, {2, 1, 0}, {3, 3, 0}},
        places2{{3, 1, 0}, {2, 2, 0}, {1, 3, 0}};
    const Refit lu = refit_avec(base.get(), premier, places1);
    ASSERT_TRUE(enregistre(base.get(), second, places2));
    ASSERT_TRUE(
        enregistre_avec(base.get(), premier, places1,
                        c.lu_avant_l_autre ? lu : refit_avec(base.get(), premier, places1)));
    const std::vector<LigneTableau> stockees = tableau_enregistre(base.get()),
                                    refaites = tableau(base.get());
    ASSERT_EQ(stockees.size(), 3u);
    ASSERT_EQ(refaites.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(stockees[i].id, refaites[i].id);
      EXPECT_EQ(stockees[i].matchs, 2u) << stockees[i].id;
      EXPECT_EQ(stockees[i].victoires, refaites[i].victoires);
      EXPECT_DOUBLE_EQ(stockees[i].rang_moyen, refaites[i].rang_moyen);
      EXPECT_NEAR(stockees[i].note, refaites[i].note, 1e-6);
      EXPECT_NEAR(stockees[i].intervalle.bas, refaites[i].intervalle.bas, 1e-6);
      EXPECT_NEAR(stockees[i].intervalle.haut, refaites[i].intervalle.haut, 1e-6);
    }
    EXPECT_EQ(nombre("SELECT COUNT(*) FROM historique_notes"), 3 + 3);
  }
}

}  // namespace
