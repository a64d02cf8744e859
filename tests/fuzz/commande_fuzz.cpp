// Fuzzes the command dispatch on a small world: the input's lines are served
// one by one, with a tick after each, as a connection and the tick thread would.
// Every reply ends with CR LF, and a list reply has its count plus one lines.
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "geometry/cubes.h"
#include "protocol/commandes.h"
#include "simulation/spawn.h"
#include "tick/tick.h"

namespace {

constexpr std::string_view listes[] = {"PUT VAISSEAUX ", "PUT BALLES ", "PUT CUBES "};

// The cube field is drawn once; ships and bullets start afresh for each input,
// while the cached list replies live on, as in a running server.
protocol::Arene& arene_de_fuzz() {
  static protocol::Arene* arene = [] {
    static world::Monde m(42);
    m.cubes = geometry::cree_cubes(m.grille, m.alea, 40);
    static protocol::Arene a(m);
    return &a;
  }();
  return *arene;
}

void verifie(std::string_view reponse) {
  if (reponse.size() < 2 || !reponse.ends_with("\r\n")) __builtin_trap();
  std::size_t lignes = 0;
  for (char c : reponse) lignes += c == '\n';
  for (std::string_view prefixe : listes) {
    if (!reponse.starts_with(prefixe)) continue;
    const std::size_t compte = std::stoul(std::string(reponse.substr(prefixe.size())));
    if (lignes != compte + 1) __builtin_trap();
    return;
  }
  if (lignes != 1) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
  if (taille == 0) return 0;
  protocol::Arene& arene = arene_de_fuzz();
  world::Monde& monde = arene.monde;
  {
    std::scoped_lock tenu{monde.verrou};
    monde.vaisseaux.vide_tout();
    monde.balles.vide_tout();
    (void)simulation::cree_vaisseau(monde, 255);
    (void)simulation::cree_vaisseau(monde, 16711680);
  }
  // The first byte picks the player: one of the two ships, or a colour without one.
  const std::int64_t couleurs[] = {255, 16711680, -7};
  const protocol::Session session{couleurs[donnees[0] % 3], "Le client fuzz "};
  std::string_view reste(reinterpret_cast<const char*>(donnees) + 1, taille - 1);
  while (!reste.empty()) {
    const std::size_t fin = std::min(reste.find('\n'), reste.size());
    const std::string_view ligne = reste.substr(0, fin);
    reste.remove_prefix(std::min(fin + 1, reste.size()));
    std::string sortie;
    protocol::Suite suite;
    {
      std::scoped_lock tenu{monde.verrou};
      suite = protocol::traite_commande(arene, session, ligne, sortie);
    }
    verifie(sortie);
    if (suite == protocol::Suite::Quitte) break;
    tick::tick(monde);
  }
  return 0;
}
