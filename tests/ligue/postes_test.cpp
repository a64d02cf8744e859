// The teacher's view of the running matches, locally and on Slurm: what the
// scheduler left in each match's folder names its process.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ligue/base.h"
#include "ligue/prive.h"

namespace fs = std::filesystem;

namespace {

TEST(Postes, ChaqueMatchEnCoursAvecSonProcessus) {
  const fs::path ligue = fs::temp_directory_path() / ("postes_" + std::to_string(::getpid()));
  fs::create_directories(ligue);
  Base base = cree_base(ligue / "ligue.sqlite");
  inscrit_classe(base.get(), {{"Ada", ""}, {"<b>Bob", ""}});
  execute(base.get(),
          "INSERT INTO versions (eleve, numero, langage, deposee, etat) "
          "  SELECT id, 1, 'python', '2026-12-01', 'prete' FROM eleves;"
          "INSERT INTO matchs (id, graine, etat, debut) VALUES (7, 1, 'en_cours', "
          "  '2026-12-01 10:00:00'), (8, 1, 'fini', '2026-12-01 09:00:00');"
          "INSERT INTO participations SELECT m.id, v.id, v.id, NULL, NULL FROM versions v, "
          "  matchs m");
  fs::create_directories(ligue / "matchs" / "7" / "slurm");
  std::ofstream(ligue / "matchs" / "7" / "pid") << "4242\n";
  std::ofstream(ligue / "matchs" / "7" / "slurm" / "tache.txt") << "913\n";
  const struct {
    Postes postes;
    std::string processus, entete;
  } cas[] = {
      {{3, false, ""}, "<td>pid 4242</td>", "<p id=postes>3 matches at once · here</p>"},
      {{16, true, "cours"},
       "<td>Slurm 913</td>",
       "<p id=postes>16 matches at once · Slurm (cours)</p>"},
  };
  for (const auto& c : cas) {
    const std::string s = section_postes(base.get(), ligue, c.postes, mots(Langue::Anglais));
    EXPECT_NE(s.find(c.entete), std::string::npos) << s;
    EXPECT_NE(s.find("<tr><td class=n>7</td><td>Ada v1, &lt;b&gt;Bob v1</td><td>2026-12-01 "
                     "10:00:00</td>" +
                     c.processus + "</tr>"),
              std::string::npos)
        << s;
    EXPECT_EQ(s.find("<td class=n>8</td>"), std::string::npos) << s;  // over: not running
  }
  fs::remove_all(ligue);
}

}  // namespace
