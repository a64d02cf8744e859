#include "ligue/configuration.h"

#include <toml++/toml.h>

#include <fstream>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <string_view>

#include "langue/langue.h"

std::string texte_duree(const match::DureePartie& d) {
  std::ostringstream s;
  s << d.valeur << (d.unite == match::DureePartie::Unite::Ticks ? "t" : "s");
  return s.str();
}

namespace {

// The first problem found, with the line of the key it is about.
struct Lecteur {
  std::string fichier;
  std::string erreur;

  void signale(const toml::node* noeud, std::string_view cle, std::string_view pourquoi) {
    if (!erreur.empty()) return;
    const auto ligne = noeud ? noeud->source().begin.line : 1;
    erreur = fichier + ":" + std::to_string(ligne) + ": " + std::string(cle) + ": " +
             std::string(pourquoi);
  }

  const toml::table* table(const toml::table& racine, std::string_view nom,
                           std::initializer_list<std::string_view> connues) {
    const toml::node* noeud = racine.get(nom);
    const toml::table* t = noeud ? noeud->as_table() : nullptr;
    if (!t) {
      signale(noeud, nom, _("missing table"));
      return nullptr;
    }
    for (const auto& [cle, valeur] : *t) {
      bool connue = false;
      for (std::string_view c : connues) connue = connue || c == cle.str();
      if (!connue)
        signale(&valeur, std::string(nom) + "." + std::string(cle.str()), _("unknown key"));
    }
    return t;
  }

  void entier(const toml::table& t, std::string_view nom, std::string_view cle, std::int64_t min,
              std::int64_t max, std::int64_t& valeur) {
    const toml::node* noeud = t.get(cle);
    if (!noeud) return;  // the default
    const std::string complete = std::string(nom) + "." + std::string(cle);
    const std::optional<std::int64_t> v = noeud->value_exact<std::int64_t>();
    if (!v || *v < min || *v > max) {
      signale(
          noeud, complete,
          _("expected an integer from ") + std::to_string(min) + _(" to ") + std::to_string(max));
      return;
    }
    valeur = *v;
  }

  std::optional<std::string> texte(const toml::table& t, std::string_view nom,
                                   std::string_view cle) {
    const toml::node* noeud = t.get(cle);
    if (!noeud) return std::nullopt;
    const std::optional<std::string> v = noeud->value_exact<std::string>();
    if (!v) signale(noeud, std::string(nom) + "." + std::string(cle), _("expected a string"));
    return v;
  }
};

void lit_match(Lecteur& l, const toml::table& racine, ConfigurationLigue& c) {
  const toml::table* t = l.table(racine, "match", {"joueurs", "duree", "fin"});
  if (!t) return;
  l.entier(*t, "match", "joueurs", 2, 64, c.joueurs);
  if (const auto duree = l.texte(*t, "match", "duree")) {
    const std::optional<match::DureePartie> d = match::lit_duree(*duree);
    const bool secondes = d && d->unite == match::DureePartie::Unite::Secondes;
    if (!d || d->valeur <= 0 || d->valeur > (secondes ? 86'400 : 3'456'000))
      l.signale(t->get("duree"), "match.duree",
                _("seconds (\"60s\") or ticks (\"2400t\"), up to a day"));
    else
      c.duree = *d;
  }
  if (const auto fin = l.texte(*t, "match", "fin")) {
    if (*fin != "duree" && *fin != "survivant")
      l.signale(t->get("fin"), "match.fin", _("\"duree\" or \"survivant\""));
    c.fin_survivant = *fin == "survivant";
  }
}

void lit_service(Lecteur& l, const toml::table& racine, ConfigurationLigue& c) {
  const toml::table* t = l.table(racine, "service", {"hote", "port"});
  if (!t) return;
  l.entier(*t, "service", "port", 1, 65535, c.port);
  if (const auto hote = l.texte(*t, "service", "hote")) {
    const bool propre = !hote->empty() && hote->find_first_of(" /?#@\t\r\n") == std::string::npos;
    if (!propre) l.signale(t->get("hote"), "service.hote", _("a host name or address, no spaces"));
    c.hote = *hote;
  }
}

}  // namespace

std::string texte_configuration(const ConfigurationLigue& c) {
  std::string s = "# The league's settings. arene-ligue reads them each time it starts.\n";
  // "key = value", its comment aligned after it.
  const auto ligne = [&s](const std::string& reglage, std::string_view commentaire) {
    s += reglage + std::string(reglage.size() < 24 ? 24 - reglage.size() : 1, ' ') + "# " +
         std::string(commentaire) + "\n";
  };
  s += "\n[match]\n";
  ligne("joueurs = " + std::to_string(c.joueurs), "bots in each match, 2 to 64");
  ligne("duree = \"" + texte_duree(c.duree) + "\"", "seconds, or ticks: \"2400t\"");
  ligne(std::string("fin = \"") + (c.fin_survivant ? "survivant" : "duree") + "\"",
        "\"duree\": the full time; \"survivant\": also end when one ship is left");
  s += "\n[cage]  # limits of each bot's processes\n";
  ligne("memoire_mo = " + std::to_string(c.memoire_mo), "memory, MiB");
  ligne("processus = " + std::to_string(c.processus), "processes and threads");
  ligne("fichiers_mo = " + std::to_string(c.fichiers_mo), "largest file it may write, MiB");
  s += "\n[saison]\n";
  ligne("matchs_simultanes = " + std::to_string(c.matchs_simultanes),
        "matches played at once on this machine");
  s += "\n[service]\n";
  ligne("hote = \"" + c.hote + "\"", "the host name in the students' links");
  ligne("port = " + std::to_string(c.port), "HTTP port of the league's pages");
  return s;
}

std::variant<ConfigurationLigue, std::string> lit_configuration(
    const std::filesystem::path& fichier) {
  if (std::ifstream lisible(fichier); !lisible) return fichier.string() + _(": cannot be read");
  toml::table racine;
  try {
    racine = toml::parse_file(fichier.string());
  } catch (const toml::parse_error& e) {
    return fichier.string() + ":" + std::to_string(e.source().begin.line) + ": " +
           std::string(e.description());
  }
  Lecteur l{fichier.string(), {}};
  ConfigurationLigue c;
  for (const auto& [cle, valeur] : racine) {
    const std::string_view nom = cle.str();
    if (nom != "match" && nom != "cage" && nom != "saison" && nom != "service")
      l.signale(&valeur, nom, _("unknown table"));
  }
  lit_match(l, racine, c);
  if (const toml::table* t = l.table(racine, "cage", {"memoire_mo", "processus", "fichiers_mo"})) {
    l.entier(*t, "cage", "memoire_mo", 16, 1 << 20, c.memoire_mo);
    l.entier(*t, "cage", "processus", 1, 4096, c.processus);
    l.entier(*t, "cage", "fichiers_mo", 1, 1 << 20, c.fichiers_mo);
  }
  if (const toml::table* t = l.table(racine, "saison", {"matchs_simultanes"}))
    l.entier(*t, "saison", "matchs_simultanes", 1, 256, c.matchs_simultanes);
  lit_service(l, racine, c);
  if (!l.erreur.empty()) return l.erreur;
  return c;
}
