#include "commun/options_cli.h"

#include <cstdio>
#include <regex>

#include "langue/langue.h"

namespace commun {

namespace {

// CLI11's messages, by their English shape; the groups come back in the
// order $1, $2... of the translation.
struct Forme {
  const char* motif;
  const char* texte;
};
const Forme formes[] = {
    {"The following arguments? (?:was|were) not expected: (.*)", N_("unexpected arguments: $1")},
    {"(.*): ([0-9]+) required (.*) missing", N_("$1: a value is missing")},
    {"Expected (?:exactly|at least) ([0-9]+) arguments to (.*), got ([0-9]+)",
     N_("$2 expects $1 values, got $3")},
    {"(.*): At (?:least|Most) ([0-9]+) required but received ([0-9]+)",
     N_("$1 expects $2 values, got $3")},
    {"The value (.*) is not an allowed value for (.*)", N_("$2: $1 is not an allowed value")},
    {"Could not convert: (.*) = (.*)", N_("$1: cannot read $2")},
    {"(.*): Value (.*) not in range (.*) to (.*)", N_("$1: $2 is not between $3 and $4")},
    {"(.*): Value (.*) could not be converted", N_("$1: cannot read $2")},
    {"(.*): File does not exist: (.*)", N_("$1: no such file: $2")},
    {"(.*): (.*) not in \\{(.*)\\}", N_("$1: $2 is not one of $3")},
    {"(.*) requires (.*)", N_("$1 needs $2")},
    {"(.*) excludes (.*)", N_("$1 cannot go with $2")},
    {"A subcommand is required", N_("a subcommand is required")},
    {"(.*) is required", N_("$1 is required")},
};

std::string remplace_groupes(std::string texte, const std::smatch& groupes) {
  for (std::size_t i = groupes.size() - 1; i > 0; --i)
    for (std::size_t p; (p = texte.find("$" + std::to_string(i))) != std::string::npos;)
      texte.replace(p, 2, groupes[i].str());
  return texte;
}

}  // namespace

void traduit_aide(CLI::App& app) {
  app.option_defaults()->group(_("Options"));
  app.set_help_flag("-h,--help", _("Print this help message and exit"));
  const auto formateur = app.get_formatter();
  formateur->label("Usage", _("usage"));
  formateur->label("OPTIONS", _("OPTIONS"));
  formateur->label("SUBCOMMAND", _("SUBCOMMAND"));
  formateur->label("SUBCOMMANDS", _("SUBCOMMANDS"));
  formateur->label("Subcommands", _("Subcommands"));
  formateur->label("Positionals", _("Positionals"));
  formateur->label("REQUIRED", _("REQUIRED"));
  formateur->label("Needs", _("Needs"));
  formateur->label("Excludes", _("Excludes"));
}

void traduit_sous_commandes(CLI::App& app) {
  for (CLI::App* sous_commande : app.get_subcommands({})) sous_commande->group(_("Subcommands"));
}

std::string message_erreur(const CLI::Error& erreur) {
  const std::string texte = erreur.what();
  for (const Forme& forme : formes) {
    std::smatch groupes;
    if (std::regex_match(texte, groupes, std::regex(forme.motif)))
      return remplace_groupes(_(forme.texte), groupes);
  }
  return texte;
}

int sortie_options(const CLI::App& app, const CLI::ParseError& erreur) {
  if (erreur.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
    std::fputs(app.help().c_str(), stdout);
    return 0;
  }
  std::fprintf(stderr, "%s: %s\n%s\n", app.get_name().c_str(), message_erreur(erreur).c_str(),
               _("Run with --help for more information."));
  return 1;
}

}  // namespace commun
