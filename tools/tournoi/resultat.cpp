#include "tournoi/resultat.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "langue/langue.h"

namespace {

using nlohmann::json;

json en_json(const BilanBot& b) {
  json j = {
      {"nom", b.nom},
      {"couleur", b.couleur},
      {"rang", b.rang},
      {"etat", b.etat},
      {"defaillance",
       b.defaillance == Defaillance::Aucune ? json(nullptr) : json(nom_defaillance(b.defaillance))},
      {"sortie", b.fin ? json(b.fin->texte()) : json(nullptr)},
      {"tue", b.tue},
      {"pt_vie", b.pt_vie},
      {"touches_donnees", b.touches_donnees},
      {"touches_recues", b.touches_recues},
      {"balles_tirees", b.balles_tirees}};
  return j;
}

std::optional<FinProcessus> fin_de(const json& j) {
  if (j.is_null()) return std::nullopt;
  const std::string texte = j.get<std::string>();
  int valeur = 0;
  if (std::sscanf(texte.c_str(), "exit %d", &valeur) == 1) return FinProcessus{valeur, 0};
  if (std::sscanf(texte.c_str(), "signal %d", &valeur) == 1) return FinProcessus{0, valeur};
  throw std::runtime_error("bad process end: " + texte);
}

Defaillance defaillance_de(const json& j) {
  if (j.is_null()) return Defaillance::Aucune;
  if (const auto d = defaillance_nommee(j.get<std::string>())) return *d;
  throw std::runtime_error("bad failure: " + j.dump());
}

BilanBot bilan_de(const json& j) {
  BilanBot b;
  b.nom = j.at("nom").get<std::string>();
  b.couleur = j.at("couleur").get<std::int64_t>();
  b.rang = j.at("rang").get<int>();
  b.etat = j.at("etat").get<std::string>();
  b.defaillance = defaillance_de(j.at("defaillance"));
  b.fin = fin_de(j.at("sortie"));
  b.tue = j.at("tue").get<bool>();
  b.pt_vie = j.at("pt_vie").get<std::int64_t>();
  b.touches_donnees = j.at("touches_donnees").get<std::int64_t>();
  b.touches_recues = j.at("touches_recues").get<std::int64_t>();
  b.balles_tirees = j.at("balles_tirees").get<std::int64_t>();
  return b;
}

// What befell a bot, for people: the result files keep their own keywords.
std::string remarque(const BilanBot& b, const Remarques& r) {
  const std::string sortie = b.fin && !b.fin->normale() ? ", " + b.fin->texte() : "";
  switch (b.defaillance) {
    case Defaillance::Plante:
      return r.plante + sortie + ")";
    case Defaillance::JamaisEnregistre:
      return r.jamais_inscrit + sortie + ")";
    case Defaillance::Memoire:
    case Defaillance::Processus:
    case Defaillance::Journal:
      return r.arrete + nom_defaillance(b.defaillance) + ")";
    case Defaillance::Construction:
      return r.construction;
    case Defaillance::Aucune:
      break;
  }
  return b.tue ? r.tue : "";
}

}  // namespace

std::string nom_defaillance(Defaillance defaillance) {
  switch (defaillance) {
    case Defaillance::Aucune:
      return "";
    case Defaillance::Plante:
      return "plante";
    case Defaillance::JamaisEnregistre:
      return "jamais_enregistre";
    case Defaillance::Memoire:
      return "memoire";
    case Defaillance::Processus:
      return "processus";
    case Defaillance::Journal:
      return "journal";
    case Defaillance::Construction:
      return "construction";
  }
  return "?";
}

std::optional<Defaillance> defaillance_nommee(const std::string& nom) {
  for (const auto d : {Defaillance::Plante, Defaillance::JamaisEnregistre, Defaillance::Memoire,
                       Defaillance::Processus, Defaillance::Journal, Defaillance::Construction})
    if (nom_defaillance(d) == nom) return d;
  return std::nullopt;
}

std::string ligne_json(const ResultatMatch& r) {
  json bots = json::array();
  for (const auto& b : r.bots) bots.push_back(en_json(b));
  const json j = {{"match", r.indice},
                  {"graine", r.graine},
                  {"statut", r.termine ? "termine" : "echec"},
                  {"erreur", r.erreur.empty() ? json(nullptr) : json(r.erreur)},
                  {"raison", r.raison},
                  {"duree_s", r.duree_s},
                  {"cout_s", r.cout_s},
                  {"demarrage_s", r.demarrage_s},
                  {"bots", bots},
                  {"cage", r.cage}};
  return j.dump();
}

ResultatMatch resultat_de_json(const std::string& ligne) {
  try {
    const json j = json::parse(ligne);
    ResultatMatch r;
    r.indice = j.at("match").get<std::size_t>();
    r.graine = j.at("graine").get<std::uint64_t>();
    r.termine = j.at("statut") == "termine";
    r.erreur = j.at("erreur").is_null() ? "" : j.at("erreur").get<std::string>();
    r.raison = j.at("raison").get<std::string>();
    r.duree_s = j.at("duree_s").get<double>();
    r.cout_s = j.at("cout_s").get<double>();
    r.demarrage_s = j.at("demarrage_s").get<double>();
    for (const auto& b : j.at("bots")) r.bots.push_back(bilan_de(b));
    r.cage = j.value("cage", "");
    return r;
  } catch (const json::exception& e) {
    throw std::runtime_error(std::string(_("damaged match result: ")) + e.what());
  }
}

std::filesystem::path journal_construction(const std::filesystem::path& tournoi,
                                           const std::string& bot) {
  return tournoi / "constructions" / (bot + ".log");
}

std::filesystem::path echec_construction(const std::filesystem::path& tournoi,
                                         const std::string& bot) {
  return tournoi / "constructions" / (bot + ".echec");
}

std::filesystem::path dossier_match(const std::filesystem::path& tournoi, std::size_t indice) {
  char nom[32];
  std::snprintf(nom, sizeof nom, "%04zu", indice);
  return tournoi / "matchs" / nom;
}

std::filesystem::path chemin_resultat(const std::filesystem::path& tournoi, std::size_t indice) {
  return dossier_match(tournoi, indice) / "resultat.json";
}

Remarques remarques_du_lecteur() {
  return {_(" (crashed"), _(" (never registered"), _(" (killed after the end)"),
          _(" (stopped: limit "), _(" (build failed)")};
}

std::string texte_arrivee(const ResultatMatch& m, const Remarques& remarques) {
  std::string texte;
  int rang = 0;
  for (const auto& b : m.bots) {
    if (b.rang != rang) {
      texte += (texte.empty() ? "" : "  ") + std::to_string(b.rang) + ". ";
      rang = b.rang;
    } else {
      texte += ", ";
    }
    texte += b.nom + remarque(b, remarques);
  }
  return texte;
}
