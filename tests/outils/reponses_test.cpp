// arene-charge's reading of replies: number forms, and where a reply ends.
#include "commun/reponses.h"

#include <gtest/gtest.h>

namespace {

TEST(LitFlottant, AcceptsOnlyTheServerFormsOfNumbers) {
  const std::pair<std::string_view, std::optional<double>> cas[] = {
      {"1408.", 1408.0}, {"3.5", 3.5}, {"-2.25", -2.25}, {"1e+20", 1e20}, {"1408", {}},
      {"1408..", {}},    {"", {}},     {"1.5x", {}},     {" 1.5", {}},
  };
  for (const auto& [texte, attendu] : cas) EXPECT_EQ(commun::lit_flottant(texte), attendu) << texte;
}

TEST(LitEntierSigne, RejectsWhatTheServerNeverWrites) {
  EXPECT_EQ(commun::lit_entier_signe("255"), 255);
  EXPECT_EQ(commun::lit_entier_signe("-5"), -5);
  for (std::string_view faux : {"007", "-0", "+5", "", "5 ", "99999999999999999999"})
    EXPECT_EQ(commun::lit_entier_signe(faux), std::nullopt) << faux;
}

// Feeds lines until the reply says it is complete; returns how many it took.
std::size_t lignes_lues(commun::Genre genre, const std::vector<std::string>& lignes, bool& valide) {
  commun::LectureReponse lecture(genre);
  for (std::size_t i = 0; i < lignes.size(); ++i) {
    if (lecture.ajoute(lignes[i])) {
      valide = lecture.reponse().valide;
      return i + 1;
    }
  }
  valide = lecture.reponse().valide;
  return 0;
}

TEST(LectureReponse, AListEndsAfterItsCountOfLinesAndChecksEachOne) {
  struct Cas {
    commun::Genre genre;
    std::vector<std::string> lignes;
    std::size_t fin;  // lines taken before the reply is complete; 0 if never
    bool valide;
  };
  const Cas cas[] = {
      {commun::Genre::Vaisseaux, {"PUT VAISSEAUX 0", "x"}, 1, true},
      {commun::Genre::Vaisseaux, {"PUT VAISSEAUX 1", "700. 350.25 1.5 5 16711680", "x"}, 2, true},
      {commun::Genre::Vaisseaux, {"PUT VAISSEAUX 1", "700. 350.25 1.5 5"}, 2, false},
      {commun::Genre::Balles, {"PUT BALLES 2", "10. 10. 255", "1.5 2.5 -3"}, 3, true},
      {commun::Genre::Balles, {"PUT BALLES 2", "10. 10. 255"}, 0, true},
      {commun::Genre::Cubes, {"PUT CUBES 1", "0. 0. 22. 22."}, 2, true},
      {commun::Genre::Cubes, {"PUT BALLES 1", "0. 0. 22. 22."}, 1, false},
      {commun::Genre::Ok, {"OK"}, 1, true},
      {commun::Genre::Ok, {"ERREUR SYNTAXE"}, 1, false},
      {commun::Genre::Statut, {"PUT STATUT mort"}, 1, true},
      {commun::Genre::Taille, {"PUT TAILLE PLATEAU 1408. 1408."}, 1, true},
      {commun::Genre::Taille, {"PUT TAILLE PLATEAU 1408 1408"}, 1, false},
  };
  for (const Cas& c : cas) {
    bool valide = false;
    EXPECT_EQ(lignes_lues(c.genre, c.lignes, valide), c.fin) << c.lignes[0];
    if (c.fin != 0) {
      EXPECT_EQ(valide, c.valide) << c.lignes[0];
    }
  }
}

TEST(GenreDe, EveryRequestHasItsReplyShape) {
  EXPECT_EQ(commun::genre_de("GET VAISSEAUX"), commun::Genre::Vaisseaux);
  EXPECT_EQ(commun::genre_de("PUT ACTION TIRE"), commun::Genre::Ok);
  EXPECT_EQ(commun::genre_de("PUT COULEUR VAISSEAU 12"), commun::Genre::Inscription);
  EXPECT_EQ(commun::genre_de("GET STATUT "), commun::Genre::Erreur);
}

}  // namespace
