#include "charge/options.h"

#include <algorithm>
#include <charconv>
#include <string_view>

const char* const aide_charge =
    "usage: arene-charge [options]\n"
    "  --host H          server address (127.0.0.1)\n"
    "  --port P          server port (12345)\n"
    "  --clients N       connections to open, paced, one ship each (10)\n"
    "  --seconds S       how long to drive the mix (10)\n"
    "  --mix M           statut|vaisseaux|balles|cubes|tire|jeu|repos|ping (statut)\n"
    "                    jeu plays like a bot; repos registers and stays silent\n"
    "                    ping sends Redis's inline PING, to measure a Redis server\n"
    "                    with the same tool (use --no-register --no-probe)\n"
    "  --pipeline D      requests in flight per connection (1)\n"
    "  --threads T       client threads (1)\n"
    "  --first-colour C  colour of the first client, the next ones follow (1048576)\n"
    "  --no-probe        do not measure the tick rate with a probe ship\n"
    "  --no-register     open the connections without registering ships; a short\n"
    "                    registration after every 4 of them paces the opening\n"
    "  --sonde           health check instead of load: one probe ship for --seconds\n"
    "                    (1.5) measures the tick, then quits; one line says how it went\n"
    "The last line printed is one JSON object with every figure.\n"
    "Exit status: 0 done, 1 bad options, 2 server unreachable.\n"
    "With --sonde: 0 healthy, 1 bad options, 2 down (refused, unreachable, connection\n"
    "lost), 3 frozen (no reply within 5 s, or no tick seen), 4 a reply outside the\n"
    "protocol.\n";

namespace {

// Long enough to turn the probe away from a cube it spawned against and still time the tick.
constexpr double secondes_sonde = 1.5;

struct NomMelange {
  std::string_view nom;
  Melange melange;
};
constexpr NomMelange melanges[] = {
    {"statut", Melange::Statut}, {"vaisseaux", Melange::Vaisseaux}, {"balles", Melange::Balles},
    {"cubes", Melange::Cubes},   {"tire", Melange::Tire},           {"jeu", Melange::Jeu},
    {"repos", Melange::Repos},   {"ping", Melange::Ping},
};

template <typename T>
bool lit_nombre(const std::string& texte, T& valeur) {
  const auto [fin, erreur] = std::from_chars(texte.data(), texte.data() + texte.size(), valeur);
  return erreur == std::errc{} && fin == texte.data() + texte.size();
}

bool lit_valeur(std::string_view option, const std::string& texte, OptionsCharge& o) {
  if (option == "--host") return !(o.hote = texte).empty();
  if (option == "--port") return lit_nombre(texte, o.port) && o.port > 0 && o.port < 65536;
  if (option == "--clients") return lit_nombre(texte, o.clients) && o.clients >= 0;
  if (option == "--seconds") return lit_nombre(texte, o.secondes) && o.secondes > 0;
  if (option == "--pipeline") return lit_nombre(texte, o.pipeline) && o.pipeline > 0;
  if (option == "--threads") return lit_nombre(texte, o.fils) && o.fils > 0;
  if (option == "--first-colour") return lit_nombre(texte, o.premiere_couleur);
  if (option == "--mix") {
    for (const auto& m : melanges)
      if (m.nom == texte) {
        o.melange = m.melange;
        return true;
      }
  }
  return false;
}

}  // namespace

const char* nom_melange(Melange melange) {
  for (const auto& m : melanges)
    if (m.melange == melange) return m.nom.data();
  return "?";
}

std::optional<OptionsCharge> lit_options(const std::vector<std::string>& arguments,
                                         std::string& erreur) {
  OptionsCharge options;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if (option == "--no-probe") {
      options.sonde = false;
    } else if (option == "--no-register") {
      options.inscription = false;
    } else if (option == "--sonde") {
      options.sante = true;
    } else if (i + 1 < arguments.size() && lit_valeur(option, arguments[i + 1], options)) {
      ++i;
    } else {
      erreur = "bad option or value: " + option;
      return std::nullopt;
    }
  }
  if (options.sante &&
      std::find(arguments.begin(), arguments.end(), "--seconds") == arguments.end())
    options.secondes = secondes_sonde;
  return options;
}
