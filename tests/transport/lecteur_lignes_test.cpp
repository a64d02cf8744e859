// Line framing over a source that hands out fixed chunks.
#include "transport/lecteur_lignes.h"

#include <gtest/gtest.h>

#include <deque>

namespace {

// Gives each chunk in one read (cut to the reader's buffer), then `fin`:
// 0 for a clean end of stream, -1 for a failure.
transport::Source source_de(std::vector<std::string> morceaux, long fin = 0) {
  auto reste = std::make_shared<std::deque<std::string>>(morceaux.begin(), morceaux.end());
  return [reste, fin](char* tampon, std::size_t taille) -> long {
    if (reste->empty()) return fin;
    std::string& morceau = reste->front();
    const std::size_t n = std::min(taille, morceau.size());
    morceau.copy(tampon, n);
    morceau.erase(0, n);
    if (morceau.empty()) reste->pop_front();
    return static_cast<long>(n);
  };
}

std::vector<std::string> toutes_les_lignes(transport::LecteurLignes& lecteur) {
  std::vector<std::string> lignes;
  while (auto ligne = lecteur.lit_ligne()) lignes.emplace_back(*ligne);
  return lignes;
}

struct CasDecoupage {
  std::vector<std::string> morceaux;
  std::vector<std::string> lignes;
};

TEST(LecteurLignes, FramesLinesOnLineFeedsWhateverTheChunks) {
  const CasDecoupage cas[] = {
      {{"GET STATUT\r\n"}, {"GET STATUT\r"}},
      {{"GET STATUT\n"}, {"GET STATUT"}},
      {{"\r\n\n"}, {"\r", ""}},
      {{"GE", "T STA", "TUT\r", "\nGET CUBES\r\n"}, {"GET STATUT\r", "GET CUBES\r"}},
      {{"A\r\nB\r\nC"}, {"A\r", "B\r", "C"}},  // bytes pending at the end are a last line
      {{"A\r\n", "\r"}, {"A\r", "\r"}},
      {{"A\rB\r\n"}, {"A\rB\r"}},  // a CR inside a line is an ordinary byte
      {{std::string("A\0B\r\n", 5)}, {std::string("A\0B\r", 4)}},
      {{}, {}},
      {{"", "X\n"}, {}},  // an empty read is the end of the stream
  };
  for (const auto& [morceaux, lignes] : cas) {
    transport::LecteurLignes lecteur(source_de(morceaux));
    EXPECT_EQ(toutes_les_lignes(lecteur), lignes) << testing::PrintToString(morceaux);
  }
}

TEST(LecteurLignes, KeepsTheFirstBytesOfAnOverlongLineAndDropsTheRest) {
  const std::string longue(100'000, 'A');
  std::vector<std::string> morceaux;
  const std::string flux = longue + "\r\nGET STATUT\r\n" + std::string(4096, 'B') + "\n" +
                           std::string(4097, 'C') + "\n" + std::string(5000, 'D');
  for (std::size_t i = 0; i < flux.size(); i += 3000) morceaux.push_back(flux.substr(i, 3000));
  transport::LecteurLignes lecteur(source_de(morceaux));
  const std::vector<std::string> attendues = {std::string(4096, 'A'), "GET STATUT\r",
                                              std::string(4096, 'B'), std::string(4096, 'C'),
                                              std::string(4096, 'D')};
  EXPECT_EQ(toutes_les_lignes(lecteur), attendues);
}

TEST(LecteurLignes, AFailedReadDropsThePartialLine) {
  transport::LecteurLignes lecteur(source_de({"A\r\nB"}, -1));
  EXPECT_EQ(toutes_les_lignes(lecteur), (std::vector<std::string>{"A\r"}));
}

TEST(LecteurLignes, SaysWhetherAWholeLineIsAlreadyBuffered) {
  transport::LecteurLignes lecteur(source_de({"A\r\nB\r\nC", "\r\n"}));
  EXPECT_FALSE(lecteur.ligne_prete());  // nothing read yet
  EXPECT_EQ(lecteur.lit_ligne(), "A\r");
  EXPECT_TRUE(lecteur.ligne_prete());
  EXPECT_EQ(lecteur.lit_ligne(), "B\r");
  EXPECT_FALSE(lecteur.ligne_prete());  // "C" waits for its line feed
  EXPECT_EQ(lecteur.lit_ligne(), "C\r");
  EXPECT_FALSE(lecteur.ligne_prete());
  EXPECT_EQ(lecteur.lit_ligne(), std::nullopt);
  EXPECT_EQ(lecteur.lit_ligne(), std::nullopt);  // and stays ended
}

}  // namespace
