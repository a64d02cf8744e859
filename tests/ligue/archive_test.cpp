// Hostile projects against the unpacker: every trick refused, the honest
// project unpacked whole, nothing ever written outside the folder.
#include "ligue/archive.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

struct Entree {
  std::string nom;
  mode_t type = AE_IFREG;
  std::string contenu{};
  std::string lien{};           // a symlink's target
  std::string lien_physique{};  // a hard link's target
  std::size_t zeros = 0;        // appended: a bomb compresses well
};

// A tar.gz, or a zip, of these entries, made in memory.
std::string archive_de(const std::vector<Entree>& entrees, bool zip) {
  std::unique_ptr<archive, decltype(&archive_write_free)> a(archive_write_new(),
                                                            archive_write_free);
  if (zip) {
    archive_write_set_format_zip(a.get());
  } else {
    archive_write_set_format_pax_restricted(a.get());
    archive_write_add_filter_gzip(a.get());
  }
  std::string tampon(8 << 20, '\0');
  std::size_t ecrits = 0;
  archive_write_open_memory(a.get(), tampon.data(), tampon.size(), &ecrits);
  for (const Entree& e : entrees) {
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> en(archive_entry_new(),
                                                                     archive_entry_free);
    const std::string corps = e.contenu + std::string(e.zeros, '\0');
    archive_entry_set_pathname(en.get(), e.nom.c_str());
    archive_entry_set_filetype(en.get(), e.type);
    archive_entry_set_perm(en.get(), 0644);
    if (!e.lien.empty()) archive_entry_set_symlink(en.get(), e.lien.c_str());
    if (!e.lien_physique.empty()) archive_entry_set_hardlink(en.get(), e.lien_physique.c_str());
    if (e.type == AE_IFCHR) archive_entry_set_rdev(en.get(), makedev(1, 3));
    archive_entry_set_size(en.get(),
                           e.type == AE_IFREG ? static_cast<la_int64_t>(corps.size()) : 0);
    archive_write_header(a.get(), en.get());
    if (e.type == AE_IFREG && e.lien_physique.empty())
      archive_write_data(a.get(), corps.data(), corps.size());
  }
  archive_write_close(a.get());
  tampon.resize(ecrits);
  return tampon;
}

class Archive : public ::testing::Test {
 protected:
  fs::path racine = fs::temp_directory_path() / ("ligue_archive_" + std::to_string(::getpid()));
  void SetUp() override { fs::create_directories(racine); }
  void TearDown() override { fs::remove_all(racine); }
};

TEST_F(Archive, ProjetsHostilesRefuses) {
  const PlafondsArchive plafonds{5, 1 << 20};
  const Entree ok{"bot.py", AE_IFREG, "print(1)\n"};
  struct Cas {
    const char* quoi;
    std::vector<Entree> entrees;
    bool zip;
    std::string refus;  // empty: accepted
  } cas[] = {
      {"honest tar.gz", {ok, {"lib/", AE_IFDIR}, {"lib/outil.py", AE_IFREG, "x = 2\n"}}, false, ""},
      {"honest zip", {ok, {"lib/outil.py", AE_IFREG, "x = 2\n"}}, true, ""},
      {"absolute path", {ok, {"/tmp/evade", AE_IFREG, "x"}}, false, "unsafe path"},
      {"dot dot", {ok, {"lib/../../evade", AE_IFREG, "x"}}, false, "unsafe path"},
      {"dot dot in zip", {{"../evade", AE_IFREG, "x"}}, true, "unsafe path"},
      {"symlink", {{"lien", AE_IFLNK, "", "/etc/passwd"}}, false, "link refused"},
      {"hard link", {ok, {"dur", AE_IFREG, "", "", "/etc/passwd"}}, false, "link refused"},
      {"device", {{"null", AE_IFCHR}}, false, "not a file"},
      {"fifo", {{"tube", AE_IFIFO}}, false, "not a file"},
      {"too many entries", std::vector<Entree>(6, ok), false, "more than 5 entries"},
      {"bomb", {{"zeros", AE_IFREG, "", "", "", 2 << 20}}, false, "more than 1 MiB"},
      {"bomb in zip", {{"zeros", AE_IFREG, "", "", "", 2 << 20}}, true, "more than 1 MiB"},
      {"not an archive", {}, false, "not a zip"},
  };
  for (auto& c : cas) {
    if (std::string(c.quoi) == "too many entries")
      for (std::size_t i = 0; i < c.entrees.size(); ++i) c.entrees[i].nom = std::to_string(i);
    const fs::path dossier = racine / c.quoi;
    fs::create_directories(dossier);
    const std::string octets =
        c.entrees.empty() ? std::string("plain text, no archive") : archive_de(c.entrees, c.zip);
    const auto r = deballe(octets, dossier, plafonds);
    if (c.refus.empty()) {
      EXPECT_FALSE(r) << c.quoi << ": " << *r;
      EXPECT_TRUE(fs::is_regular_file(dossier / "lib" / "outil.py")) << c.quoi;
      EXPECT_EQ(fs::file_size(dossier / "bot.py"), 9u) << c.quoi;
    } else {
      ASSERT_TRUE(r) << c.quoi;
      EXPECT_NE(r->find(c.refus), std::string::npos) << c.quoi << ": " << *r;
    }
    for (const auto& f : fs::recursive_directory_iterator(dossier))
      EXPECT_FALSE(fs::is_symlink(f.symlink_status())) << c.quoi;
  }
  EXPECT_FALSE(fs::exists(racine / "evade"));
  EXPECT_FALSE(fs::exists("/tmp/evade"));
}

}  // namespace
