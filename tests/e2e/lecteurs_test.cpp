// The readers of recordings against hostile and damaged files, made here with
// zlib: arene-relecture and arene-pilote --rejoue must stop at their limits
// with a message naming the limit, read a cut file up to its last whole tick,
// and the replay must not cost much more memory than the reader.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "e2e/serveur_de_test.h"
#include "e2e/stress.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const std::string relecture = ARENE_RELECTURE;
const std::string pilote = ARENE_PILOTE;

std::string entete(const std::string& format = "\"arene\"", const std::string& version = "1") {
  return "{\"t\":\"entete\",\"format\":" + format + ",\"version\":" + version +
         ",\"graine\":1,\"plateau\":[1408,1408],\"rayon_vaisseau\":9,\"rayon_balle\":4,"
         "\"pt_vie_max\":5,\"periode\":0.025,\"cubes\":[]}\n";
}

std::string tick(int n) {
  return "{\"t\":\"tick\",\"n\":" + std::to_string(n) + ",\"retirees\":[],\"v\":[[" +
         std::to_string(100 + n) + ",200,0,5,255]]}\n";
}

// A gzip file written piece by piece: the big files of these tests never sit
// whole in memory.
class Gzip {
 public:
  explicit Gzip(const fs::path& chemin) : f_(gzopen(chemin.c_str(), "wb1")) {
    if (f_ == nullptr) throw std::runtime_error("gzopen " + chemin.string());
  }
  ~Gzip() { ferme(); }
  Gzip& operator<<(std::string_view texte) {
    gzwrite(f_, texte.data(), static_cast<unsigned>(texte.size()));
    return *this;
  }
  Gzip& repete(std::string_view texte, std::size_t fois) {
    for (std::size_t i = 0; i < fois; ++i) *this << texte;
    return *this;
  }
  // Everything so far is in the file, readable on its own.
  void vide() { gzflush(f_, Z_SYNC_FLUSH); }
  void ferme() {
    if (f_ != nullptr) gzclose(f_);
    f_ = nullptr;
  }

 private:
  gzFile f_;
};

class Lecteurs : public ::testing::Test {
 protected:
  void SetUp() override {
    char modele[] = "/tmp/lecteurs_e2e_XXXXXX";
    ASSERT_NE(::mkdtemp(modele), nullptr);
    ici_ = modele;
  }
  void TearDown() override { fs::remove_all(ici_); }

  fs::path ici_;
};

struct FichierHostile {
  const char* nom;
  std::function<void(Gzip&)> contenu;  // what follows the header, when there is one
  const char* limite;                  // what the message must name
  bool lourd = false;  // a million lines: minutes under the sanitizers, left out there
};

// Each file stops both readers well within the bound, with a message that
// names the limit; never a crash, never a read to the end of the machine.
TEST_F(Lecteurs, FichiersHostilesArretesAUneLimiteNommee) {
  const std::string tir = "{\"t\":\"tir\",\"b\":[700,700,0,0,7]}\n";
  const FichierHostile fichiers[] = {
      {"a 64 MiB line",
       [](Gzip& g) {
         g << "{\"t\":\"tourne\",\"c\":1,\"a\":1" << std::string(64 << 20, '0') << "}\n";
       },
       "16 MiB"},
      {"a million brackets", [](Gzip& g) { g << std::string(1'000'000, '[') << "\n"; },
       "depth limit"},
      {"more bullets than a state holds",
       [&](Gzip& g) { g.repete("{\"t\":\"debut\",\"tick\":0}\n", 1).repete(tir, (1 << 20) + 1); },
       "state size limit", true},
      {"version true", nullptr, "version"},
      {"version 1.5", nullptr, "version"},
      {"version 3", nullptr, "version"},
      {"version \"1\"", nullptr, "version"},
      {"no version", nullptr, "version"},
      {"another format", nullptr, "format"},
  };
  const std::map<std::string, std::string> entetes = {
      {"version true", entete("\"arene\"", "true")},
      {"version 1.5", entete("\"arene\"", "1.5")},
      {"version 3", entete("\"arene\"", "3")},
      {"version \"1\"", entete("\"arene\"", "\"1\"")},
      {"no version", "{\"t\":\"entete\",\"format\":\"arene\",\"graine\":1,\"cubes\":[]}\n"},
      {"another format", entete("\"autre\"")},
  };
  for (const FichierHostile& f : fichiers) {
    if (f.lourd && sous_sanitizer) continue;
    const fs::path chemin = ici_ / "hostile.gz";
    {
      Gzip g(chemin);
      const auto propre = entetes.find(f.nom);
      g << (propre != entetes.end() ? propre->second : entete());
      if (f.contenu) f.contenu(g);
    }
    for (const auto& [programme, arguments] :
         {std::pair{relecture, std::vector<std::string>{chemin}},
          std::pair{pilote, std::vector<std::string>{"--rejoue", chemin}}}) {
      SCOPED_TRACE(std::string(f.nom) + ", " + fs::path(programme).filename().string());
      const Execution e = execute(programme, arguments, 60s);
      ASSERT_TRUE(e.statut) << "still reading after 60 s";
      EXPECT_GT(*e.statut, 0) << e.erreurs;
      EXPECT_NE(e.erreurs.find(f.limite), std::string::npos) << e.erreurs;
    }
  }
}

// Bytes that never end a line: /dev/zero read as a recording.
TEST_F(Lecteurs, UnFluxSansFinDeLigneSArreteALaLimiteDeLongueur) {
  const Execution e = execute(relecture, {"/dev/zero"}, 60s);
  ASSERT_TRUE(e.statut) << "still reading /dev/zero after 60 s";
  EXPECT_EQ(*e.statut, 1);
  EXPECT_NE(e.erreurs.find("16 MiB"), std::string::npos) << e.erreurs;
}

// A recording cut after the flush that followed tick 60, and one cut inside
// the line of tick 61: the reader gives ticks 0 to 60 and says where the
// file was cut. A whole one reads to its end, even without the line feed
// after its last line.
TEST_F(Lecteurs, UnFichierCoupeSeLitJusquASonDernierTickComplet) {
  const std::string fin = "{\"t\":\"fin\",\"tick\":100,\"raison\":\"duree\",\"resultats\":{}}";
  const fs::path entier = ici_ / "entier.gz";
  std::vector<std::uintmax_t> coupures;
  {
    Gzip g(entier);
    g << entete() << "{\"t\":\"debut\",\"tick\":0}\n";
    for (int n = 1; n <= 100; ++n) {
      const std::string ligne = tick(n);
      g << ligne.substr(0, 20);
      g.vide();
      if (n == 61) coupures.push_back(fs::file_size(entier));
      g << ligne.substr(20);
      g.vide();
      if (n == 60) coupures.push_back(fs::file_size(entier));
    }
    g << fin << "\n";
  }
  std::string octets;
  {
    std::ifstream f(entier, std::ios::binary);
    octets.assign(std::istreambuf_iterator<char>(f), {});
  }
  for (const std::uintmax_t taille : coupures) {
    SCOPED_TRACE(taille);
    const fs::path coupe = ici_ / "coupe.gz";
    std::ofstream(coupe, std::ios::binary) << octets.substr(0, taille);
    const Execution e = execute(relecture, {coupe}, 30s);
    ASSERT_EQ(e.statut, 0) << e.erreurs;
    std::istringstream lignes(e.sortie);
    int attendu = 0;
    for (std::string l; std::getline(lignes, l); ++attendu)
      ASSERT_EQ(json::parse(l).at("tick"), attendu) << l;
    EXPECT_EQ(attendu, 61) << "ticks 0 to 60";
    EXPECT_NE(e.erreurs.find("cut after tick 60"), std::string::npos) << e.erreurs;
  }
  const fs::path sans_saut = ici_ / "sans_saut.gz";
  {
    Gzip g(sans_saut);
    g << entete() << "{\"t\":\"debut\",\"tick\":0}\n";
    for (int n = 1; n <= 100; ++n) g << tick(n);
    g << fin;
  }
  for (const fs::path& chemin : {entier, sans_saut}) {
    SCOPED_TRACE(chemin.filename());
    const Execution complet = execute(relecture, {chemin}, 30s);
    ASSERT_EQ(complet.statut, 0) << complet.erreurs;
    EXPECT_EQ(complet.erreurs, "") << "the end line was read";
    EXPECT_EQ(std::count(complet.sortie.begin(), complet.sortie.end(), '\n'), 101);
  }
}

// Many bullets, then many ticks: the replay keeps copies of the lists to seek
// fast, and they must stay bounded next to what the plain reader needs.
TEST_F(Lecteurs, LaRelectureEnTerminalCouteUnPetitMultipleDuLecteur) {
  // Measured by time(1): a child of this big test process would inherit its
  // peak in its own.
  if (::access("/usr/bin/time", X_OK) != 0) GTEST_SKIP() << "time is missing: apt-get install time";
  if (sous_sanitizer) GTEST_SKIP() << "a sanitizer's own memory would be measured";
  const fs::path chemin = ici_ / "balles.gz";
  {
    Gzip g(chemin);
    g << entete() << "{\"t\":\"debut\",\"tick\":0}\n";
    g.repete("{\"t\":\"tir\",\"b\":[700.5,700.25,0,0,7]}\n", 150'000);
    for (int n = 1; n <= 3000; ++n)
      g << "{\"t\":\"tick\",\"n\":" << std::to_string(n) << ",\"retirees\":[],\"v\":[]}\n";
  }
  const auto pic = [](const std::vector<std::string>& ligne) {
    const Execution e = execute("/usr/bin/time", ligne, 120s);
    const auto derniere = e.erreurs.rfind('\n', e.erreurs.size() - 2);
    return std::pair{
        e, std::atol(e.erreurs.c_str() + (derniere == std::string::npos ? 0 : derniere + 1))};
  };
  const auto [lecteur, ko_lecteur] = pic({"-f", "%M", relecture, chemin, "--tick", "3000"});
  ASSERT_EQ(lecteur.statut, 0) << lecteur.erreurs;
  // Without a terminal, the replay stops once it has read the whole file.
  const auto [rejoue, ko_rejoue] = pic({"-f", "%M", pilote, "--rejoue", chemin});
  EXPECT_NE(rejoue.erreurs.find("terminal"), std::string::npos) << rejoue.erreurs;
  std::printf("peak memory: arene-relecture %ld KiB, arene-pilote --rejoue %ld KiB\n", ko_lecteur,
              ko_rejoue);
  EXPECT_LE(ko_rejoue, 4 * ko_lecteur);
}

}  // namespace
