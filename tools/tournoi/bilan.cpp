#include "tournoi/bilan.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <utility>

#include "langue/langue.h"
#include "resultats/champs.h"
#include "resultats/resultats.h"

namespace {

using nlohmann::json;

const json* entree_de(const json& joueurs, std::int64_t couleur) {
  for (const json& j : joueurs)
    if (j.at(resultats::champ::couleur).get<std::int64_t>() == couleur) return &j;
  return nullptr;
}

BilanBot bilan_bot(const BotInscrit& bot, const json* entree, const IssueProcessus& issue) {
  BilanBot b;
  b.nom = bot.nom;
  b.couleur = bot.couleur;
  b.fin = issue.fin;
  b.tue = issue.tue;
  const bool echec = issue.fin && !issue.fin->normale();
  if (!entree) {
    b.defaillance = echec ? Defaillance::Plante : Defaillance::JamaisEnregistre;
    if (issue.limite != Defaillance::Aucune) b.defaillance = issue.limite;
    return b;
  }
  b.etat = entree->at(resultats::champ::etat).get<std::string>();
  if (b.etat == resultats::nom_etat(resultats::EtatJoueur::Parti) && echec)
    b.defaillance = Defaillance::Plante;
  b.rang = entree->at(resultats::champ::rang).get<int>();
  b.pt_vie = entree->at(resultats::champ::pt_vie).get<std::int64_t>();
  b.touches_donnees = entree->at(resultats::champ::touches_donnees).get<std::int64_t>();
  b.touches_recues = entree->at(resultats::champ::touches_recues).get<std::int64_t>();
  b.balles_tirees = entree->at(resultats::champ::balles_tirees).get<std::int64_t>();
  if (issue.limite != Defaillance::Aucune) b.defaillance = issue.limite;
  return b;
}

std::pair<int, int> cle(const BilanBot& b) {
  return b.defaillance == Defaillance::Aucune ? std::pair(0, b.rang) : std::pair(1, 0);
}

}  // namespace

std::vector<BilanBot> bilan_match(const std::vector<BotInscrit>& participants,
                                  const std::string& resultats_arbitre,
                                  const std::vector<IssueProcessus>& issues) {
  std::vector<BilanBot> bilans;
  try {
    const json joueurs = json::parse(resultats_arbitre).at(resultats::champ::joueurs);
    for (std::size_t i = 0; i < participants.size(); ++i)
      bilans.push_back(bilan_bot(participants[i], entree_de(joueurs, participants[i].couleur),
                                 i < issues.size() ? issues[i] : IssueProcessus{}));
  } catch (const json::exception& e) {
    throw std::runtime_error(std::string(_("damaged referee results: ")) + e.what());
  }
  std::vector<BilanBot> classes = bilans;
  for (auto& b : classes)
    b.rang =
        1 + static_cast<int>(std::count_if(bilans.begin(), bilans.end(),
                                           [&](const auto& autre) { return cle(autre) < cle(b); }));
  std::stable_sort(classes.begin(), classes.end(),
                   [](const auto& a, const auto& b) { return a.rang < b.rang; });
  return classes;
}
