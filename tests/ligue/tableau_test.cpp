#include "ligue/tableau.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ligue/base.h"

namespace fs = std::filesystem;

namespace {

// A league whose matches were played: A always ahead of B, B of C, one match
// where A and B share first place, and D, disabled, who lost every match.
TEST(Tableau, DuMeilleurAuMoinsBon) {
  const fs::path fichier = fs::temp_directory_path() / ("tableau_" + std::to_string(::getpid()));
  Base base = cree_base(fichier);
  inscrit_classe(base.get(), {{"A", ""}, {"B", ""}, {"C", ""}, {"D", ""}});
  execute(base.get(),
          "UPDATE eleves SET actif = 0 WHERE nom = 'D';"
          "INSERT INTO versions (eleve, numero, langage, deposee, etat) "
          "  SELECT id, 1, 'python', '2026-12-01', 'prete' FROM eleves;");
  for (int m = 1; m <= 13; ++m) {
    const std::string b = m == 13 ? "1" : "2";  // the last match: A and B tie
    execute(base.get(),
            ("INSERT INTO matchs (id, graine, etat) VALUES (" + std::to_string(m) +
             ", 1, 'fini');"
             "INSERT INTO participations SELECT " +
             std::to_string(m) + ", v.id, 0, CASE e.nom WHEN 'A' THEN 1 WHEN 'B' THEN " + b +
             " WHEN 'C' THEN 3 ELSE 4 END, 0 FROM versions v JOIN eleves e ON " + "e.id = v.eleve")
                .c_str());
  }
  // A match still being played counts for nothing.
  execute(base.get(),
          "INSERT INTO matchs (id, graine, etat) VALUES (14, 1, 'en_cours');"
          "INSERT INTO participations SELECT 14, id, 0, NULL, NULL FROM versions");
  const std::vector<LigneTableau> lignes = tableau(base.get());
  ASSERT_EQ(lignes.size(), 3u);
  const struct {
    const char* nom;
    std::size_t victoires;
    double rang_moyen;
  } attendus[] = {{"A", 12, 1.0}, {"B", 0, 25.0 / 13}, {"C", 0, 3.0}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(lignes[i].nom, attendus[i].nom);
    EXPECT_EQ(lignes[i].matchs, 13u);
    EXPECT_EQ(lignes[i].victoires, attendus[i].victoires) << lignes[i].nom;
    EXPECT_DOUBLE_EQ(lignes[i].rang_moyen, attendus[i].rang_moyen) << lignes[i].nom;
    EXPECT_LE(lignes[i].intervalle.bas, lignes[i].note);
    EXPECT_GE(lignes[i].intervalle.haut, lignes[i].note);
  }
  EXPECT_GT(lignes[0].intervalle.bas, lignes[2].intervalle.haut) << "13 matches separate A from C";
  base.reset();
  fs::remove(fichier);
  fs::remove(fs::path(fichier.string() + "-wal"));
  fs::remove(fs::path(fichier.string() + "-shm"));
}

}  // namespace
