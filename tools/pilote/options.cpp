#include "pilote/options.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <string_view>

#include "commun/options_cli.h"
#include "langue/langue.h"

namespace {

// CLI11 finds the options; their values are read here, so that a wrong one
// is named with its option. Each may be repeated: the last one counts.
struct Valeurs {
  std::vector<std::string> hote, port, couleur, rejoue, noms;
};

std::string pied_aide() {
  return std::string(_("Keys: left/right turn, up/down accelerate/decelerate, space fires,\n"
                       "      r registers again once your ship is destroyed, q quits.\n"
                       "Replay keys: space plays or pauses, left/right step one tick, [ and ] "
                       "jump\n"
                       "      10 s, Home/End go to the first/last tick, digits then Enter go to\n"
                       "      that tick, - and + change the speed (0.25x to 8x), q quits.\n")) +
         _("Exit status:\n"
           "  0    you quit with q\n"
           "  1    wrong command line\n"
           "  2    the server could not be reached (refused, unknown host)\n"
           "  3    the connection was lost, the server answered outside the protocol,\n"
           "       or the game could not go on (the message says why)\n"
           "  4    the colour given with --couleur is already in play\n"
           "  5    not run in a terminal that ncurses can drive\n"
           "  6    the file given with --rejoue cannot be read as a recording\n"
           "  128+n  ended by signal n (130 for SIGINT, 143 for SIGTERM); the terminal is "
           "restored");
}

void declare(CLI::App& app, Valeurs& v) {
  commun::traduit_aide(app);
  app.description(
      _("Watch and play an arena game in this terminal, with a ship of your own,\n"
        "or replay a match recorded by arene-arbitre --enregistre."));
  app.get_formatter()->column_width(20);
  const auto option = [&app](const char* nom, std::vector<std::string>& valeurs, const char* type,
                             const char* aide) {
    app.add_option(nom, valeurs, aide)
        ->type_name(type)
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  };
  option("--host", v.hote, "H", _("server address (127.0.0.1)"));
  option("--port", v.port, "P", _("server port (12345)"));
  option("--couleur", v.couleur, "N",
         _("colour number of your ship, decimal or 0xRRGGBB (default: the first free one of a "
           "list of bright colours)"));
  option("--rejoue", v.rejoue, _("FICHIER"), _("replay this recording; no server is involved"));
  option("--noms", v.noms, _("FICHIER"),
         _("players' names, one \"couleur nom\" per line (# comments); in a replay, for "
           "colours the recording does not name"));
  app.allow_extras();
  app.footer(pied_aide());
}

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

// The option CLI11 found without its value, from its message "--port: 1 required ...".
std::string option_sans_valeur(const CLI::ArgumentMismatch& e) {
  const std::string texte = e.what();
  return texte.substr(0, texte.find(':'));
}

std::optional<std::string> lit_valeurs(const Valeurs& v, OptionsPilote& options) {
  const std::pair<const char*, const std::vector<std::string>&> lues[] = {
      {"--host", v.hote}, {"--port", v.port}, {"--couleur", v.couleur}, {"--rejoue", v.rejoue}};
  for (const auto& [option, textes] : lues)
    for (const std::string& texte : textes)
      if (!lit_valeur(option, texte, options))
        return _("bad value for ") + std::string(option) + ": " + texte;
  for (const std::string& fichier : v.noms)
    if (std::string defaut = noms::ajoute_noms_fichier(options.noms, fichier); !defaut.empty())
      return "--noms " + defaut;
  const bool serveur = !v.hote.empty() || !v.port.empty() || !v.couleur.empty();
  if (options.rejoue && serveur)
    return _("--rejoue plays a file without a server: no --host, --port or --couleur");
  return std::nullopt;
}

}  // namespace

std::string aide_pilote() {
  CLI::App app{"", "arene-pilote"};
  Valeurs v;
  declare(app, v);
  return app.help();
}

std::optional<OptionsPilote> lit_options(const std::vector<std::string>& arguments,
                                         std::string& erreur) {
  CLI::App app{"", "arene-pilote"};
  Valeurs v;
  declare(app, v);
  OptionsPilote options;
  try {
    app.parse(std::vector<std::string>(arguments.rbegin(), arguments.rend()));
  } catch (const CLI::CallForHelp&) {
    options.aide = true;
    return options;
  } catch (const CLI::ArgumentMismatch& e) {
    erreur = _("missing value after ") + option_sans_valeur(e);
    return std::nullopt;
  } catch (const CLI::ParseError& e) {
    erreur = commun::message_erreur(e);
    return std::nullopt;
  }
  if (!app.remaining().empty()) {
    erreur = _("unknown option: ") + app.remaining().front();
    return std::nullopt;
  }
  if (auto defaut = lit_valeurs(v, options)) {
    erreur = *defaut;
    return std::nullopt;
  }
  return options;
}
