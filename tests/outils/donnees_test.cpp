// Where the programs look for the viewer page, the bots, the kits and the guides.
#include "commun/donnees.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

namespace {

namespace fs = std::filesystem;

// A prefix of its own under the temporary folder, removed at the end.
struct PrefixeTemporaire {
  fs::path racine = fs::temp_directory_path() / ("donnees_test_" + std::to_string(::getpid()));
  PrefixeTemporaire() { fs::create_directories(racine / "bin"); }
  ~PrefixeTemporaire() { fs::remove_all(racine); }
};

TEST(DonneesArene, FromTheBuildTreeTheFilesOfTheSourceTree) {
  // This test program runs from the build tree, as the programs do before installation.
  EXPECT_TRUE(fs::is_regular_file(commun::donnees_arene() / "docs" / "enregistrement.md"))
      << commun::donnees_arene();
}

TEST(DonneesArene, InstalledTheFolderBesideBinWhateverThePrefix) {
  PrefixeTemporaire prefixe;
  fs::create_directories(prefixe.racine / "share" / "arene");
  EXPECT_EQ(commun::donnees_arene(prefixe.racine / "bin"), prefixe.racine / "share" / "arene");
  // Without it, the folder the build was configured for, never one under this prefix.
  fs::remove_all(prefixe.racine / "share");
  const fs::path configure = commun::donnees_arene(prefixe.racine / "bin");
  EXPECT_TRUE(configure.is_absolute());
  EXPECT_EQ(configure.filename(), "arene");
  EXPECT_NE(configure.parent_path().parent_path(), prefixe.racine);
}

}  // namespace
