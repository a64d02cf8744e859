// The v2 interface of the bots' cgroups, on a folder laid out as a v2 tree:
// what is written there and read back. The kernel's side of v2 (the limits
// biting) is not exercised here.
#include "cage/cgroupes.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string lit(const fs::path& chemin) {
  std::ifstream flux(chemin);
  std::ostringstream texte;
  texte << flux.rdbuf();
  return texte.str();
}

class ArbreV2 : public ::testing::Test {
 protected:
  void SetUp() override {
    char modele[] = "/tmp/cgroupes_v2_XXXXXX";
    ASSERT_NE(::mkdtemp(modele), nullptr);
    racine_ = modele;
    std::ofstream(racine_ / "cgroup.controllers") << "cpu memory pids\n";
  }
  void TearDown() override { fs::remove_all(racine_); }

  // The bot's group, wherever below the root this process's own group is.
  fs::path groupe(const std::string& nom) const {
    for (const auto& entree : fs::recursive_directory_iterator(racine_))
      if (entree.is_directory() && entree.path().filename() == nom) return entree.path();
    return {};
  }

  fs::path racine_;
};

TEST_F(ArbreV2, EcritLesLimitesEtRejointLaFeuille) {
  ASSERT_EQ(cage::version_cgroupes(racine_), cage::VersionCgroupes::V2);
  const cage::Cgroupe c("bot-1", {128 << 20, 32, 0.5, 8}, racine_);
  const fs::path g = groupe("bot-1");
  ASSERT_FALSE(g.empty());
  EXPECT_EQ(lit(g / "memory.max"), "134217728");
  EXPECT_EQ(lit(g / "memory.swap.max"), "0");
  EXPECT_EQ(lit(g / "pids.max"), "32");
  EXPECT_EQ(lit(g / "cpu.max"), "50000 100000");
  EXPECT_EQ(lit(g / "cpu.weight"), "800");
  EXPECT_TRUE(c.borne_memoire());
  EXPECT_TRUE(c.borne_processus());
  EXPECT_EQ(c.procs(), std::vector<fs::path>{g / "cgroup.procs"});
  // Controllers below a group only once no process sits in it: ours moved out.
  EXPECT_EQ(lit(g.parent_path() / "arene-tournoi/cgroup.procs"), std::to_string(::getpid()));
  EXPECT_TRUE(fs::exists(g.parent_path() / "cgroup.subtree_control"));
}

// The referee's group: a weight and nothing bounded, not a limit of 0.
TEST_F(ArbreV2, SansLimiteNEcritQueLePoids) {
  const cage::Cgroupe c("arbitre", {0, 0, 0, 32}, racine_);
  const fs::path g = groupe("arbitre");
  ASSERT_FALSE(g.empty());
  EXPECT_EQ(lit(g / "cpu.weight"), "3200");
  for (const char* f : {"memory.max", "memory.swap.max", "pids.max", "cpu.max"})
    EXPECT_FALSE(fs::exists(g / f)) << f;
  EXPECT_FALSE(c.borne_memoire());
  EXPECT_FALSE(c.borne_processus());
}

TEST_F(ArbreV2, LitLaLimiteAtteinteDansLesEvenements) {
  cage::Cgroupe c("bot-2", {64 << 20, 8, 1}, racine_);
  const fs::path g = groupe("bot-2");
  ASSERT_FALSE(g.empty());
  const struct {
    std::string memoire, processus;
    std::optional<std::string> attendu;
  } cas[] = {
      {"low 0\nhigh 0\nmax 0\noom 0\noom_kill 0\n", "max 0\n", std::nullopt},
      // Reaching memory.max reclaims; only a kill means the bot was stopped.
      {"low 0\nhigh 0\nmax 40\noom 0\noom_kill 0\n", "max 0\n", std::nullopt},
      {"low 0\nhigh 0\nmax 40\noom 1\noom_kill 1\n", "max 0\n", "memoire"},
      {"oom_kill 0\n", "max 3\n", "processus"},
  };
  for (const auto& k : cas) {
    std::ofstream(g / "memory.events") << k.memoire;
    std::ofstream(g / "pids.events") << k.processus;
    EXPECT_EQ(c.limite_atteinte(), k.attendu) << k.memoire << k.processus;
  }
  c.tue_tout();
  EXPECT_EQ(lit(g / "cgroup.kill"), "1");
}

// Groups left by a runner killed outright (kill -9, a crash) are removed by the
// next one to make a group beside them; a live process's groups are not.
TEST_F(ArbreV2, RetireLesGroupesDesProcessusMorts) {
  const cage::Cgroupe premier("bot-0", {0, 0, 0, 1}, racine_);
  const fs::path parent = groupe("bot-0").parent_path();
  const pid_t mort = ::fork();
  if (mort == 0) ::_exit(0);
  ASSERT_GT(mort, 0);
  ::waitpid(mort, nullptr, 0);
  const std::string m = std::to_string(mort), moi = std::to_string(::getpid());
  using Noms = std::vector<std::string>;
  for (const std::string& nom : Noms{"arene-" + m + "-3", "arene-" + m + "-3-arbitre",
                                     "arene-" + moi + "-1", "arene-x", "arene-1"}) {
    fs::create_directory(parent / nom);
    fs::last_write_time(parent / nom, fs::file_time_type::clock::now() - std::chrono::hours(1));
  }
  // Under a minute old: perhaps a runner's of another pid namespace, about to be filled.
  fs::create_directory(parent / ("arene-" + m + "-4"));
  const cage::Cgroupe second("bot-1", {0, 0, 0, 1}, racine_);
  EXPECT_FALSE(fs::exists(parent / ("arene-" + m + "-3")));
  EXPECT_FALSE(fs::exists(parent / ("arene-" + m + "-3-arbitre")));
  for (const std::string& nom :
       Noms{"arene-" + moi + "-1", "arene-" + m + "-4", "arene-x", "arene-1", "bot-0"})
    EXPECT_TRUE(fs::exists(parent / nom)) << nom;
}

}  // namespace
