#include "tournoi/plan.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

#include "langue/langue.h"
#include "tournoi/fichiers.h"

namespace {

using nlohmann::json;

json en_json(const BotInscrit& bot) {
  return {{"nom", bot.nom},
          {"commande", bot.commande},
          {"dossier", bot.dossier.string()},
          {"couleur", bot.couleur},
          {"construction", bot.construction}};
}

BotInscrit bot_de(const json& j) {
  return {j.at("nom").get<std::string>(), j.at("commande").get<std::string>(),
          j.at("dossier").get<std::string>(), j.at("couleur").get<std::int64_t>(),
          j.value("construction", "")};
}

json en_json(const Tournoi& t) {
  json bots = json::array();
  for (const auto& bot : t.bots) bots.push_back(en_json(bot));
  json lectures = json::array();
  for (const auto& l : t.lectures) lectures.push_back(l.string());
  return {{"nom", t.nom},
          {"format", t.format == Format::Melee ? "melee" : "groupes"},
          {"taille", t.taille},
          {"repetitions", t.repetitions},
          {"duree", texte_de(t.duree)},
          {"fin", t.fin == RegleFin::Duree ? "duree" : "survivant"},
          {"attente", t.attente_s},
          {"delai_fin", t.delai_fin_s},
          {"bootstrap", t.bootstrap},
          {"bots", bots},
          {"cage",
           {{"active", t.cage},
            {"lectures", lectures},
            {"memoire", t.limites.memoire},
            {"processus", t.limites.processus},
            {"fichiers", t.limites.fichiers},
            {"brouillon", t.limites.brouillon},
            {"journal", t.limites.journal}}}};
}

Tournoi tournoi_de(const json& j) {
  Tournoi t;
  t.nom = j.at("nom").get<std::string>();
  t.format = j.at("format") == "melee" ? Format::Melee : Format::Groupes;
  t.taille = j.at("taille").get<int>();
  t.repetitions = j.at("repetitions").get<int>();
  t.duree = match::lit_duree(j.at("duree").get<std::string>()).value();
  t.fin = j.at("fin") == "duree" ? RegleFin::Duree : RegleFin::Survivant;
  t.attente_s = j.at("attente").get<double>();
  t.delai_fin_s = j.at("delai_fin").get<double>();
  t.bootstrap = j.at("bootstrap").get<int>();
  for (const auto& bot : j.at("bots")) t.bots.push_back(bot_de(bot));
  // Plans written before the cage have none of this: their defaults.
  const json c = j.value("cage", json::object());
  t.cage = c.value("active", true);
  t.limites.memoire = c.value("memoire", t.limites.memoire);
  t.limites.processus = c.value("processus", t.limites.processus);
  t.limites.fichiers = c.value("fichiers", t.limites.fichiers);
  t.limites.brouillon = c.value("brouillon", t.limites.brouillon);
  t.limites.journal = c.value("journal", t.limites.journal);
  for (const auto& l : c.value("lectures", json::array()))
    t.lectures.push_back(l.get<std::string>());
  return t;
}

}  // namespace

Plan plan_de(const Tournoi& tournoi, const std::filesystem::path& arbitre) {
  return {tournoi, calendrier(tournoi), std::filesystem::absolute(arbitre)};
}

std::string texte_plan(const Plan& plan) {
  json matchs = json::array();
  for (const auto& m : plan.matchs) matchs.push_back({{"graine", m.graine}, {"bots", m.bots}});
  const json j = {{"format", "arene-tournoi-plan"},
                  {"version", 1},
                  {"arbitre", plan.arbitre.string()},
                  {"tournoi", en_json(plan.tournoi)},
                  {"matchs", matchs}};
  return j.dump(1) + "\n";
}

Plan plan_de_texte(const std::string& texte) {
  try {
    const json j = json::parse(texte);
    if (j.at("format") != "arene-tournoi-plan" || j.at("version") != 1)
      throw std::runtime_error(_("not a tournament plan of version 1"));
    Plan plan{tournoi_de(j.at("tournoi")), {}, j.at("arbitre").get<std::string>()};
    for (const auto& m : j.at("matchs"))
      plan.matchs.push_back({plan.matchs.size(), m.at("graine").get<std::uint64_t>(),
                             m.at("bots").get<std::vector<std::size_t>>()});
    for (const auto& m : plan.matchs)
      for (std::size_t bot : m.bots)
        if (bot >= plan.tournoi.bots.size())
          throw std::runtime_error(_("match with an unknown bot"));
    return plan;
  } catch (const json::exception& e) {
    throw std::runtime_error(std::string(_("damaged plan: ")) + e.what());
  }
}

std::filesystem::path chemin_plan(const std::filesystem::path& dossier) {
  return dossier / "plan.json";
}

void ecrit_plan(const std::filesystem::path& dossier, const Plan& plan) {
  ecrit_atomiquement(chemin_plan(dossier), texte_plan(plan));
}

Plan lit_plan(const std::filesystem::path& dossier) {
  return plan_de_texte(lit_fichier(chemin_plan(dossier)));
}
