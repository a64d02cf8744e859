#include "arbitre/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <set>
#include <string_view>
#include <vector>

#include "commun/options_cli.h"
#include "langue/langue.h"
#include "transport/ecoute.h"

namespace {

// The names file first, then each --nom: a colour named twice is refused
// wherever its second name comes from.
void lit_noms(const std::string& fichier, const std::vector<std::string>& options,
              noms::Noms& noms) {
  if (!fichier.empty())
    if (const std::string defaut = noms::ajoute_noms_fichier(noms, fichier); !defaut.empty())
      throw CLI::ValidationError("--noms", defaut);
  for (const std::string& option : options)
    if (const std::string defaut = noms::ajoute_nom_option(noms, option); !defaut.empty())
      throw CLI::ValidationError("--nom " + option, defaut);
}

// "C1,C2,...": each colour in decimal or 0x hexadecimal, as --nom takes them.
std::set<std::int64_t> lit_couleurs(std::string_view liste) {
  std::set<std::int64_t> couleurs;
  for (std::size_t debut = 0; debut <= liste.size();) {
    const std::size_t fin = std::min(liste.find(',', debut), liste.size());
    const std::string_view texte = liste.substr(debut, fin - debut);
    const auto couleur = noms::lit_couleur(texte);
    if (!couleur)
      throw CLI::ValidationError("--couleurs", _("not a colour: \"") + std::string(texte) + "\"");
    couleurs.insert(*couleur);
    debut = fin + 1;
  }
  return couleurs;
}

// Empty when `texte` names a descriptor that listens: a stream socket that
// only needs its connections accepted.
std::string verifie_ecoute(const std::string& texte) {
  try {
    if (transport::est_en_ecoute(std::stoi(texte))) return {};
  } catch (const std::exception&) {
  }
  return _("not a listening socket: ") + texte;
}

}  // namespace

std::variant<OptionsArbitre, int> lit_options(int argc, const char* const* argv) {
  OptionsArbitre o;
  CLI::App app{_("arene-arbitre: the arena server for matches: seeded worlds, a start and an end, "
                 "results and recordings. Bots see exactly what arene serves."),
               "arene-arbitre"};
  commun::traduit_aide(app);
  app.get_formatter()->column_width(32);
  app.add_option("--port", o.port, _("game port"))
      ->capture_default_str()
      ->check(CLI::Range(0, 65535));
  app.add_flag("--debug", o.debug,
               _("print the start-up and a trace of every request, as arene -debug"));
  app.add_option("--graine", o.graine, _("seed of the world's generator (default: the clock)"));
  app.add_option("--joueurs", o.regles.joueurs,
                 _("start once N ships are registered (default: at once)"))
      ->check(CLI::PositiveNumber);
  auto* attente = app.add_option("--attente", o.regles.attente_s,
                                 _("with --joueurs: after S seconds start with two ships or more, "
                                   "or end the match as cancelled"))
                      ->check(CLI::NonNegativeNumber);
  std::string duree;
  app.add_option("--duree", duree,
                 _("end D after the start: 90 or 90s seconds, 3600t ticks (default: none)"))
      ->check([](const std::string& texte) {
        return match::lit_duree(texte) ? std::string()
                                       : _("expected 90, 90s or 3600t, got ") + texte;
      });
  std::string fin;
  app.add_option("--fin", fin, _("survivant: also end when at most one ship is left"))
      ->check(CLI::IsMember({"survivant"}));
  app.add_option("--resultats", o.resultats, _("write the results there, as JSON"));
  app.add_option("--enregistre", o.enregistre, _("record every tick there (gzip JSON lines)"));
  auto* port_spectateurs =
      app.add_option("--spectateurs", o.spectateurs,
                     _("HTTP port for spectators: viewer, /flux, /resultats, /metrics"))
          ->check(CLI::Range(0, 65535));
  app.add_option("--spectateurs-fd", o.spectateurs_fd,
                 _("serve spectators on this inherited listening socket instead of a port"))
      ->type_name("N")
      ->check(verifie_ecoute)
      ->excludes(port_spectateurs);
  app.add_option("--max-spectateurs", o.max_spectateurs, _("spectators at once; more get HTTP 503"))
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  app.add_option("--max-par-adresse", o.max_par_adresse,
                 _("connections at once from one address on the spectator port; more get HTTP 429"))
      ->capture_default_str()
      ->check(CLI::PositiveNumber);
  std::vector<std::string> noms;
  app.add_option("--nom", noms,
                 _("the name of a colour (UTF-8, up to 40 characters, spaces allowed); repeatable"))
      ->type_name("COULEUR=NOM")
      ->allow_extra_args(false);
  std::string fichier_noms;
  app.add_option("--noms", fichier_noms,
                 _("names from a file: one \"couleur nom\" per line, # starts a comment"))
      ->type_name("FICHIER");
  std::string couleurs;
  app.add_option("--couleurs", couleurs,
                 _("only these colours may register, each once in the match; any other gets "
                   "ERREUR COULEUR UTILISEE"))
      ->type_name("C1,C2,...");
  attente->needs("--joueurs");
  try {
    app.parse(argc, argv);
    lit_noms(fichier_noms, noms, o.regles.noms);
    if (app.count("--couleurs") > 0) o.regles.couleurs = lit_couleurs(couleurs);
  } catch (const CLI::ParseError& e) {
    return commun::sortie_options(app, e);
  }
  if (!duree.empty()) o.regles.duree = match::lit_duree(duree);
  o.regles.fin_survivant = fin == "survivant";
  return o;
}
