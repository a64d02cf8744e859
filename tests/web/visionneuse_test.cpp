#include "visionneuse.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string contenu(const char* chemin) {
  std::ifstream fichier(chemin, std::ios::binary);
  std::ostringstream octets;
  octets << fichier.rdbuf();
  return octets.str();
}

// The build step must carry every byte: the accented text, and the last one.
TEST(PageVisionneuse, IdentiqueAuFichier) {
  const std::string attendu = contenu(ARENE_PAGE);
  ASSERT_GT(attendu.size(), 1000u);
  EXPECT_EQ(page_visionneuse(), attendu);
}

}  // namespace
