#include "pilote/options.h"

#include <charconv>
#include <string_view>

const char* const aide_pilote =
    "usage: arene-pilote [--host H] [--port P] [--couleur N] [--noms FICHIER]\n"
    "       arene-pilote --rejoue FICHIER [--noms FICHIER]\n"
    "Watch and play an arena game in this terminal, with a ship of your own,\n"
    "or replay a match recorded by arene-arbitre --enregistre.\n"
    "  --host H         server address (127.0.0.1)\n"
    "  --port P         server port (12345)\n"
    "  --couleur N      colour number of your ship, decimal or 0xRRGGBB\n"
    "                   (default: the first free one of a list of bright colours)\n"
    "  --rejoue FICHIER replay this recording; no server is involved\n"
    "  --noms FICHIER   players' names, one \"couleur nom\" per line (# comments);\n"
    "                   in a replay, for colours the recording does not name\n"
    "  --help           print this and exit\n"
    "Keys: left/right turn, up/down accelerate/decelerate, space fires,\n"
    "      r registers again once your ship is destroyed, q quits.\n"
    "Replay keys: space plays or pauses, left/right step one tick, [ and ] jump\n"
    "      10 s, Home/End go to the first/last tick, digits then Enter go to\n"
    "      that tick, - and + change the speed (0.25x to 8x), q quits.\n"
    "Exit status:\n"
    "  0    you quit with q\n"
    "  1    wrong command line\n"
    "  2    the server could not be reached (refused, unknown host)\n"
    "  3    the connection was lost, the server answered outside the protocol,\n"
    "       or the game could not go on (the message says why)\n"
    "  4    the colour given with --couleur is already in play\n"
    "  5    not run in a terminal that ncurses can drive\n"
    "  6    the file given with --rejoue cannot be read as a recording\n"
    "  128+n  ended by signal n (130 for SIGINT, 143 for SIGTERM); the terminal is restored\n";

namespace {

template <typename T>
bool lit_nombre(std::string_view texte, T& valeur, int base = 10) {
  const auto [fin, erreur] =
      std::from_chars(texte.data(), texte.data() + texte.size(), valeur, base);
  return !texte.empty() && erreur == std::errc{} && fin == texte.data() + texte.size();
}

bool lit_valeur(std::string_view option, const std::string& texte, OptionsPilote& o) {
  if (option == "--host") return !(o.hote = texte).empty();
  if (option == "--port") return lit_nombre(texte, o.port) && o.port > 0 && o.port < 65536;
  if (option == "--couleur") return (o.couleur = noms::lit_couleur(texte)).has_value();
  if (option == "--rejoue") return !(o.rejoue = texte)->empty();
  return false;
}

}  // namespace

std::optional<OptionsPilote> lit_options(const std::vector<std::string>& arguments,
                                         std::string& erreur) {
  OptionsPilote options;
  bool serveur = false;  // an option about the server was given
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& option = arguments[i];
    if (option == "--help" || option == "-h") {
      options.aide = true;
      continue;
    }
    if (option != "--host" && option != "--port" && option != "--couleur" && option != "--rejoue" &&
        option != "--noms") {
      erreur = "unknown option: " + option;
      return std::nullopt;
    }
    if (i + 1 == arguments.size()) {
      erreur = "missing value after " + option;
      return std::nullopt;
    }
    if (option == "--noms") {
      if (std::string defaut = noms::ajoute_noms_fichier(options.noms, arguments[++i]);
          !defaut.empty()) {
        erreur = "--noms " + defaut;
        return std::nullopt;
      }
      continue;
    }
    if (!lit_valeur(option, arguments[++i], options)) {
      erreur = "bad value for " + option + ": " + arguments[i];
      return std::nullopt;
    }
    serveur |= option != "--rejoue";
  }
  if (options.rejoue && serveur) {
    erreur = "--rejoue plays a file without a server: no --host, --port or --couleur";
    return std::nullopt;
  }
  return options;
}
