// A spectator that stops reading is cut once its stream can make no
// progress: the spectator port in this process, with short time limits.
#include <gtest/gtest.h>

#include <string>

#include "e2e/stress.h"
#include "e2e/tribune_de_test.h"
#include "enregistrement/format.h"
#include "tribune/serveur_tribune.h"

namespace {

struct Cas {
  const char* quoi;
  std::chrono::seconds delai_envoi;
  std::chrono::seconds delai_silence;
  int gros_lots;  // of 64 KiB each, to fill the socket
};

TEST(Abandon, UnSpectateurQuiNeLitPlusEstCoupe) {
  const Cas cas[] = {
      {"a send that makes no progress", std::chrono::seconds(1), std::chrono::seconds(60), 200},
      {"no answer to the pings", std::chrono::seconds(60), std::chrono::seconds(2), 0},
  };
  for (const Cas& c : cas) {
    match::ResultatsPublies resultats;
    const transport::SuiviConnexions joueurs;
    const match::MesuresTick mesures;
    const protocol::CompteursProtocole compteurs;
    tribune::Diffusion diffusion([] { return std::vector<resultats::ResultatJoueur>{}; });
    tribune::OptionsSpectateurs options;
    options.delai_envoi = c.delai_envoi;
    options.delai_silence = c.delai_silence;
    const int port = port_libre();
    tribune::ServeurSpectateurs serveur({resultats, joueurs, mesures, compteurs}, diffusion, port,
                                        options);
    diffusion.evenements({evenements::EvEntete{}});
    diffusion.ecrit(enregistrement::ligne(evenements::EvEntete{}) + "\n");
    const transport::Socket muet = spectateur_muet(port);
    ASSERT_TRUE(attend_que(
        [&] { return metrique(get_http(port, "/metrics").corps, "arene_spectateurs") == 1; }, 5s));
    for (int i = 0; i < c.gros_lots; ++i) {
      diffusion.evenements({});
      diffusion.ecrit(std::string(64 * 1024, 'x'));
    }
    EXPECT_TRUE(attend_que(
        [&] {
          const std::string texte = get_http(port, "/metrics").corps;
          return metrique(texte, "arene_spectateurs_abandonnes_total") == 1 &&
                 metrique(texte, "arene_spectateurs") == 0;
        },
        15s))
        << c.quoi;
  }
}

}  // namespace
