// arene-relecture: the lists of every tick of a recording, rebuilt by the C++
// reader, as JSON lines: {"tick":N,"vaisseaux":[[x,y,angle,pt_vie,couleur],...],
// "balles":[[x,y,couleur],...]}, newest first as the server lists them. When
// ships in the list have names, "noms":[[couleur,"nom"],...] follows for them.
#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>

#include "commun/options_cli.h"
#include "enregistrement/lecteur.h"
#include "langue/langue.h"

namespace {

void nombre(std::string& s, double x) {
  char tampon[32];
  s.append(tampon, std::to_chars(tampon, tampon + sizeof tampon, x).ptr);
}

void nombre(std::string& s, std::int64_t n) { s += std::to_string(n); }

// The names of the ships listed, in the header's form; nothing when none has one.
void ajoute_noms(std::string& s, const enregistrement::EtatRelu& etat, const noms::Noms& noms) {
  std::string liste;
  std::set<std::int64_t> vues;
  for (const evenements::VaisseauVu& v : etat.vaisseaux()) {
    const auto nom = noms::nom_de(noms, v.couleur);
    if (!nom || !vues.insert(v.couleur).second) continue;
    liste += liste.empty() ? "[" : ",[";
    nombre(liste, v.couleur);
    liste += ',' + nlohmann::json(*nom).dump() + ']';
  }
  if (!liste.empty()) s += ",\"noms\":[" + liste + "]";
}

std::string ligne_json(const enregistrement::EtatRelu& etat, const noms::Noms& noms) {
  std::string s = "{\"tick\":" + std::to_string(etat.tick()) + ",\"vaisseaux\":[";
  bool premier = true;
  for (const evenements::VaisseauVu& v : etat.vaisseaux()) {
    s += premier ? "[" : ",[";
    premier = false;
    nombre(s, v.x), s += ',', nombre(s, v.y), s += ',', nombre(s, v.angle), s += ',';
    nombre(s, v.pt_vie), s += ',', nombre(s, v.couleur), s += ']';
  }
  s += "],\"balles\":[";
  premier = true;
  for (const evenements::BalleVue& b : etat.balles()) {
    s += premier ? "[" : ",[";
    premier = false;
    nombre(s, b.x), s += ',', nombre(s, b.y), s += ',', nombre(s, b.couleur), s += ']';
  }
  s += ']';
  ajoute_noms(s, etat, noms);
  return s + "}\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::string chemin;
  std::optional<std::int64_t> seul;
  langue::initialise_langue();
  CLI::App app{_("arene-relecture: the ship and bullet lists of each tick of a recording"),
               "arene-relecture"};
  commun::traduit_aide(app);
  app.add_option("FICHIER", chemin, _("a recording made by arene-arbitre --enregistre"))
      ->required();
  app.add_option("--tick", seul, _("only this tick"));
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return commun::sortie_options(app, e);
  }
  try {
    bool trouve = false;
    std::optional<std::int64_t> dernier;
    noms::Noms noms;
    const enregistrement::Relecture lue = enregistrement::relit(
        chemin, [&](const evenements::Evenement& e, const enregistrement::EtatRelu& etat) {
          if (const auto* entete = std::get_if<evenements::EvEntete>(&e)) noms = entete->noms;
          if (!enregistrement::est_un_instant(e)) return;
          dernier = etat.tick();
          if (seul && etat.tick() != *seul) return;
          trouve = true;
          std::fputs(ligne_json(etat, noms).c_str(), stdout);
        });
    // A cut file is read up to its last whole tick: a crash, or a match still going on.
    if (!lue.coupure.empty())
      std::fprintf(stderr, _("arene-relecture: %s cut after tick %s: %s\n"), chemin.c_str(),
                   dernier ? std::to_string(*dernier).c_str() : _("(none)"), lue.coupure.c_str());
    if (seul && !trouve) {
      std::fprintf(stderr, _("arene-relecture: no tick %lld in %s\n"),
                   static_cast<long long>(*seul), chemin.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "arene-relecture: %s\n", e.what());
    return 1;
  }
  return 0;
}
