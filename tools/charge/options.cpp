#include "charge/options.h"

#include <CLI/CLI.hpp>
#include <map>

#include "commun/options_cli.h"
#include "langue/langue.h"

namespace {

// Long enough to turn the probe away from a cube it spawned against and still time the tick.
constexpr double secondes_sonde = 1.5;

const std::map<std::string, Melange> melanges = {
    {"statut", Melange::Statut}, {"vaisseaux", Melange::Vaisseaux}, {"balles", Melange::Balles},
    {"cubes", Melange::Cubes},   {"tire", Melange::Tire},           {"jeu", Melange::Jeu},
    {"repos", Melange::Repos},   {"ping", Melange::Ping},
};

std::vector<std::string> noms_melanges() {
  std::vector<std::string> noms;
  for (const auto& [nom, m] : melanges) noms.push_back(nom);
  return noms;
}

std::string pied_aide() {
  return _(
      "The last line printed is one JSON object with every figure.\n"
      "Exit status: 0 done, 1 bad options, 2 server unreachable.\n"
      "With --sonde: 0 healthy, 1 bad options, 2 down (refused, unreachable, connection\n"
      "lost), 3 frozen (no reply within 5 s, or no tick seen), 4 a reply outside the\n"
      "protocol.");
}

// The options whose values CLI11 reads and checks.
CLI::Option* declare_valeurs(CLI::App& app, OptionsCharge& o, std::string& melange) {
  app.add_option("--host", o.hote, _("server address"))->capture_default_str();
  app.add_option("--port", o.port, _("server port"))
      ->capture_default_str()
      ->check(CLI::Range(1, 65535));
  app.add_option("--clients", o.clients, _("connections to open, paced, one ship each"))
      ->capture_default_str()
      ->check(CLI::NonNegativeNumber);
  auto* secondes =
      app.add_option("--seconds", o.secondes, _("how long to drive the mix (1.5 with --sonde)"))
          ->capture_default_str()
          ->check(CLI::PositiveNumber);
  app.add_option("--mix", melange,
                 _("jeu plays like a bot; repos registers and stays silent; ping sends Redis's "
                   "inline PING, to measure a Redis server with the same tool (use "
                   "--no-register --no-probe)"))
      ->capture_default_str()
      ->check(CLI::IsMember(noms_melanges()));
  app.add_option("--pipeline", o.pipeline, _("requests in flight per connection"))
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--threads", o.fils, _("client threads"))
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--first-colour", o.premiere_couleur,
                 _("colour of the first client, the next ones follow"))
      ->capture_default_str();
  return secondes;
}

}  // namespace

const char* nom_melange(Melange melange) {
  for (const auto& [nom, m] : melanges)
    if (m == melange) return nom.c_str();
  return "?";
}

std::variant<OptionsCharge, int> lit_options(int argc, const char* const* argv) {
  OptionsCharge o;
  CLI::App app{_("arene-charge: opens many clients on an arena server, drives a command mix and "
                 "reports throughput, latency and the tick rate a probe ship sees; or, with "
                 "--sonde, checks that one arena is up and ticking."),
               "arene-charge"};
  commun::traduit_aide(app);
  app.get_formatter()->column_width(30);
  std::string melange = "statut";
  const auto* secondes = declare_valeurs(app, o, melange);
  bool sans_sonde = false, sans_inscription = false;
  app.add_flag("--no-probe", sans_sonde, _("do not measure the tick rate with a probe ship"));
  app.add_flag("--no-register", sans_inscription,
               _("open the connections without registering ships; a short registration after "
                 "every 4 of them paces the opening"));
  app.add_flag("--sonde", o.sante,
               _("health check instead of load: one probe ship for --seconds measures the "
                 "tick, then quits; one line says how it went"));
  app.footer(pied_aide());
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return commun::sortie_options(app, e);
  }
  o.melange = melanges.at(melange);
  o.sonde = !sans_sonde;
  o.inscription = !sans_inscription;
  if (o.sante && secondes->count() == 0) o.secondes = secondes_sonde;
  return o;
}
