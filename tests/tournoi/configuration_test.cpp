#include "tournoi/configuration.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "tournoi/calendrier.h"
#include "tournoi/couleurs.h"
#include "tournoi/noms.h"

namespace {

const std::string bots_valides = R"(
[[bots]]
nom = "a"
commande = "python3 a.py --port {port} --couleur {couleur}"
[[bots]]
nom = "b"
commande = "./b {host} {port} {couleur} {duree}"
dossier = "bots/b"
couleur = 0xE6194B
[[bots]]
nom = "c"
commande = "c --port={port} --couleur={couleur}"
)";

// A folder holding the working directory the bots above name.
std::filesystem::path base() {
  const std::filesystem::path dossier = ::testing::TempDir() + "configuration_test";
  std::filesystem::create_directories(dossier / "bots/b");
  return dossier;
}

TEST(Configuration, FichierValide) {
  const std::string texte =
      "nom = \"essai\"\n[format]\ntype = \"groupes\"\ntaille = 2\n"
      "repetitions = 3\n[match]\nduree = \"800t\"\nfin = \"survivant\"\n"
      "graine_base = 100\n[cage]\nmemoire = 256\njournal = 2\nlectures = [\"kits\"]\n" +
      bots_valides;
  const LectureTournoi lecture = lit_tournoi_texte(texte, base());
  ASSERT_TRUE(lecture.tournoi) << lecture.erreurs.front().message;
  const Tournoi& t = *lecture.tournoi;
  EXPECT_EQ(t.nom, "essai");
  EXPECT_EQ(t.format, Format::Groupes);
  EXPECT_EQ(t.fin, RegleFin::Survivant);
  EXPECT_EQ(texte_de(t.duree), "800t");
  EXPECT_DOUBLE_EQ(secondes_de(t.duree), 20.0);
  ASSERT_EQ(t.bots.size(), 3u);
  EXPECT_EQ(t.bots[1].dossier, base() / "bots/b");
  EXPECT_EQ(t.bots[0].dossier, base());
  // The explicit colour stays; the others get distinct ones from the palette.
  EXPECT_EQ(t.bots[1].couleur, 0xE6194B);
  std::set<std::int64_t> couleurs;
  for (const auto& b : t.bots) couleurs.insert(b.couleur);
  EXPECT_EQ(couleurs.size(), 3u);
  EXPECT_EQ(nombre_de_matchs(t), 9u);
  EXPECT_EQ(t.limites.memoire, 256 * cage::mio);
  EXPECT_EQ(t.limites.journal, 2 * cage::mio);
  EXPECT_EQ(t.limites.processus, 64);
  EXPECT_EQ(t.lectures, std::vector<std::filesystem::path>{base() / "kits"});
}

// Each broken file names the line and key of its first problem.
TEST(Configuration, ErreursAvecLigneEtCle) {
  struct Cas {
    std::string texte;
    int ligne;
    std::string cle;
    std::string message;
  };
  const std::string match = "[match]\nduree = 20\n";  // lines 1-2
  const Cas cas[] = {
      {"[match\nduree = 20\n", 1, "", ""},
      {match + "duration = 3\n" + bots_valides, 3, "match.duration", "unknown key"},
      {"[match]\nduree = \"20 s\"\n" + bots_valides, 2, "match.duree", "seconds"},
      {"[match]\nduree = \"0t\"\n" + bots_valides, 2, "match.duree", "ticks"},
      {"[match]\nfin = \"duree\"\n" + bots_valides, 1, "match.duree", "missing"},
      {match + "fin = \"mort\"\n" + bots_valides, 3, "match.fin", "survivant"},
      {match + "attente = -1\n" + bots_valides, 3, "match.attente", "seconds"},
      {match + "graines = [1, \"2\"]\n" + bots_valides, 3, "match.graines[1]", "integer"},
      {match + "graines = [1, 2]\n[format]\nrepetitions = 3\n" + bots_valides, 3, "match.graines",
       "2 seeds for 3 matches"},
      {"[format]\ntype = \"groupes\"\ntaille = 4\n" + match + bots_valides, 3, "format.taille",
       "groups of 4"},
      {"[format]\ntype = \"poules\"\n" + match + bots_valides, 2, "format.type", "groupes"},
      {"[format]\nrepetitions = 0\n" + match + bots_valides, 2, "format.repetitions", "from 1"},
      {match + "[[bots]]\nnom = \"a\"\ncommande = \"a {port} {color}\"\n" + bots_valides, 5,
       "bots[0].commande", "{color}"},
      {match + "[[bots]]\nnom = \"a\"\ncommande = \"a {port}\"\n" + bots_valides, 5,
       "bots[0].commande", "needs {couleur}"},
      {match + "[[bots]]\ncommande = \"a {port} {couleur}\"\n" + bots_valides, 3, "bots[0].nom",
       "missing"},
      {match + "[[bots]]\nnom = \"a/b\"\ncommande = \"a {port} {couleur}\"\n" + bots_valides, 4,
       "bots[0].nom", "letters"},
      // Names become folder names: none may be hidden, or be the parent folder.
      {match + "[[bots]]\nnom = \"..\"\ncommande = \"a {port} {couleur}\"\n" + bots_valides, 4,
       "bots[0].nom", "letters"},
      {"nom = \".cache\"\n" + match + bots_valides, 1, "nom", "letters"},
      {"[cage]\nmemoire = 0\n" + match + bots_valides, 2, "cage.memoire", "from 1"},
      {"[cage]\nlectures = \"kits\"\n" + match + bots_valides, 2, "cage.lectures", "array"},
      {match + bots_valides + "[[bots]]\nnom = \"a\"\ncommande = \"a {port} {couleur}\"\n", 16,
       "bots[3].nom", "already used"},
      {match + bots_valides +
           "[[bots]]\nnom = \"d\"\ncommande = \"{port} {couleur}\"\n"
           "couleur = 0xE6194B\n",
       18, "bots[3].couleur", "already used by b"},
      // A bot's colour is what viewers show: the match adds bits above it.
      {match + bots_valides +
           "[[bots]]\nnom = \"d\"\ncommande = \"{port} {couleur}\"\n"
           "couleur = 0x1000000\n",
       18, "bots[3].couleur", "from 0 to 16777215"},
      {match + "[[bots]]\nnom = \"seul\"\ncommande = \"a {port} {couleur}\"\n", 3, "bots",
       "at least 2"},
      {match + "[[bots]]\nnom = \"z\"\ncommande = \"z {port} {couleur}\"\ndossier = \"nulle\"\n" +
           bots_valides,
       6, "bots[0].dossier", "no such folder: "},
      {match + bots_valides + "[classement]\nbootstrap = -5\n", 16, "classement.bootstrap",
       "from 0"},
  };
  for (const Cas& c : cas) {
    const LectureTournoi lecture = lit_tournoi_texte(c.texte, base());
    ASSERT_FALSE(lecture.tournoi) << c.texte;
    ASSERT_FALSE(lecture.erreurs.empty());
    const ErreurTournoi& e = lecture.erreurs.front();
    EXPECT_EQ(e.ligne, c.ligne) << c.texte;
    EXPECT_EQ(e.cle, c.cle) << c.texte;
    EXPECT_NE(e.message.find(c.message), std::string::npos) << e.message;
  }
}

TEST(Configuration, ToutesLesErreursEnUneFois) {
  const LectureTournoi lecture =
      lit_tournoi_texte("x = 1\n[match]\nduree = -3\nfin = 2\n" + bots_valides, base());
  ASSERT_EQ(lecture.erreurs.size(), 3u);
  EXPECT_EQ(texte_erreur("t.toml", lecture.erreurs[0]), "t.toml:1: x: unknown key");
  EXPECT_EQ(lecture.erreurs[1].ligne, 3);
  EXPECT_EQ(lecture.erreurs[2].ligne, 4);
}

// Hues repeat after some 1,500 colours: the bots beyond still get their own.
// (A file holds that many bots only in groups, but the palette is the same.)
TEST(Configuration, TroisMilleBotsSansCouleurOntChacunLaSienne) {
  const auto donnees = couleurs_eloignees({0xE6194B}, 3000);
  ASSERT_TRUE(donnees);
  std::set<std::int64_t> couleurs = {0xE6194B};
  for (const std::int64_t c : *donnees) {
    couleurs.insert(c);
    EXPECT_TRUE(c >= 0 && c < (1 << 24)) << c;
  }
  EXPECT_EQ(couleurs.size(), 3001u);
}

// Far apart to the eye, light on the dark board, and a bot added at the end
// leaves the others' colours as they were.
TEST(Configuration, SoixanteQuatreCouleursEloignees) {
  const auto lis = [](int nombre) {
    // In pairs: a free-for-all takes at most 64 bots.
    std::string texte = "[format]\ntype = \"groupes\"\n[match]\nduree = 20\n";
    for (int i = 0; i < nombre; ++i)
      texte +=
          "[[bots]]\nnom = \"b" + std::to_string(i) + "\"\ncommande = \"b {port} {couleur}\"\n";
    auto lecture = lit_tournoi_texte(texte, base());
    EXPECT_TRUE(lecture.tournoi);
    return lecture.tournoi ? lecture.tournoi->bots : std::vector<BotInscrit>{};
  };
  const auto bots = lis(64);
  ASSERT_EQ(bots.size(), 64u);
  double proche = 1;
  for (std::size_t i = 0; i < bots.size(); ++i) {
    EXPECT_GE(oklab(bots[i].couleur).l, clarte_min) << std::hex << bots[i].couleur;
    for (std::size_t j = 0; j < i; ++j)
      proche = std::min(proche, distance(oklab(bots[i].couleur), oklab(bots[j].couleur)));
  }
  // 0.02 is about the least difference one sees side by side.
  EXPECT_GE(proche, 0.07);
  const auto plus_un = lis(65);
  ASSERT_EQ(plus_un.size(), 65u);
  for (std::size_t i = 0; i < bots.size(); ++i) EXPECT_EQ(plus_un[i].couleur, bots[i].couleur);
}

// Names are what people are called; only what would break a file name, a
// table or a terminal is refused.
TEST(Configuration, NomsDeBots) {
  const struct {
    std::string nom;
    bool accepte;
  } cas[] = {
      {"Zoé Martin", true},
      {"Ærøskøbing-Łódź 北京 ✓", true},
      {std::string(40, 'a'), true},
      {"é" + std::string(39, 'e'), true},
      {std::string(41, 'a'), false},
      {"a\tb", false},
      {"a\x7f", false},
      {"a\xc2\x85", false},     // NEL, a C1 control
      {"\xc3", false},          // cut short
      {"\xc0\xaf", false},      // overlong '/'
      {"\xed\xa0\x80", false},  // a surrogate
      {"\xff", false},
      {"a/b", false},
      {".cache", false},
      {" bob", false},
      {"", false},
  };
  for (const auto& c : cas) EXPECT_EQ(!probleme_nom(c.nom), c.accepte) << c.nom;
  const std::string texte =
      "[match]\nduree = 20\n[[bots]]\nnom = \"Zoé Martin\"\ncommande = \"{port} {couleur}\"\n"
      "[[bots]]\nnom = \"Léo\"\ncommande = \"{port} {couleur}\"\n";
  const auto lecture = lit_tournoi_texte(texte, base());
  ASSERT_TRUE(lecture.tournoi);
  EXPECT_EQ(lecture.tournoi->bots[0].nom, "Zoé Martin");
}

// Groups of k: each pair of bots meets equally often, seeds follow the base.
TEST(Calendrier, PairesEquilibreesEtGraines) {
  for (int taille : {2, 3, 4}) {
    Tournoi t;
    t.bots.resize(5);
    t.format = Format::Groupes;
    t.taille = taille;
    t.repetitions = 2;
    t.graine_base = 40;
    const auto matchs = calendrier(t);
    ASSERT_EQ(matchs.size(), nombre_de_matchs(t));
    std::map<std::pair<std::size_t, std::size_t>, int> rencontres;
    std::map<std::size_t, int> premiers;
    for (const auto& m : matchs) {
      EXPECT_EQ(m.graine, 40 + m.indice);
      ASSERT_EQ(m.bots.size(), static_cast<std::size_t>(taille));
      ++premiers[m.bots.front()];
      for (std::size_t i = 0; i < m.bots.size(); ++i)
        for (std::size_t j = i + 1; j < m.bots.size(); ++j)
          ++rencontres[{std::min(m.bots[i], m.bots[j]), std::max(m.bots[i], m.bots[j])}];
    }
    EXPECT_EQ(rencontres.size(), 10u);
    for (const auto& [paire, n] : rencontres) EXPECT_EQ(n, rencontres.begin()->second);
    EXPECT_EQ(premiers.size(), 5u) << "every bot starts first some time";
  }
  Tournoi melee;
  melee.bots.resize(3);
  melee.repetitions = 4;
  melee.graines = {9, 8, 7, 6};
  const auto matchs = calendrier(melee);
  ASSERT_EQ(matchs.size(), 4u);
  EXPECT_EQ(matchs[2].graine, 7u);
  EXPECT_EQ(matchs[1].bots, (std::vector<std::size_t>{1, 2, 0}));
}

}  // namespace
