#include "resultats/resultats.h"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <tuple>

#include "resultats/champs.h"

namespace resultats {

namespace {

using nlohmann::json;

json optionnel(const std::optional<std::int64_t>& valeur) {
  return valeur ? json(*valeur) : json(nullptr);
}

json en_json(const ResultatJoueur& j) {
  json touches = json::array();
  for (const auto& [cible, n] : j.touches)
    touches.push_back({{champ::cible, cible}, {champ::n, n}});
  json objet = {{champ::couleur, j.couleur},
                {champ::rang, j.rang},
                {champ::etat, nom_etat(j.etat)},
                {champ::pt_vie, j.pt_vie},
                {champ::tick_enregistrement, j.tick_enregistrement},
                {champ::tick_destruction, optionnel(j.tick_destruction)},
                {champ::detruit_par, optionnel(j.detruit_par)},
                {champ::tick_depart, optionnel(j.tick_depart)},
                {champ::touches_donnees, j.touches_donnees},
                {champ::touches_recues, j.touches_recues},
                {champ::touches, touches},
                {champ::balles_tirees, j.balles_tirees},
                {champ::quitte, j.quitte},
                {champ::deconnexions, j.deconnexions}};
  if (j.nom) objet[champ::nom] = *j.nom;
  return objet;
}

json en_json(const std::vector<ResultatJoueur>& joueurs) {
  json liste = json::array();
  for (const ResultatJoueur& j : joueurs) liste.push_back(en_json(j));
  return liste;
}

// The ranking key: smaller comes first.
auto cle(const ResultatJoueur& j) {
  const bool vivant = j.etat == EtatJoueur::Vivant;
  return std::make_tuple(!vivant, vivant ? -j.pt_vie : 0, vivant ? -j.touches_donnees : 0,
                         vivant ? 0 : -j.tick_depart.value_or(0));
}

}  // namespace

std::string_view nom_etat(EtatJoueur etat) {
  switch (etat) {
    case EtatJoueur::Vivant:
      return "vivant";
    case EtatJoueur::Detruit:
      return "detruit";
    case EtatJoueur::Parti:
      return "parti";
  }
  return "?";
}

std::string_view nom_raison(RaisonFin raison) {
  switch (raison) {
    case RaisonFin::DureeEcoulee:
      return "duree";
    case RaisonFin::Survivant:
      return "survivant";
    case RaisonFin::Interrompu:
      return "interrompu";
    case RaisonFin::Annule:
      return "annule";
  }
  return "?";
}

void classe(std::vector<ResultatJoueur>& joueurs) {
  std::stable_sort(
      joueurs.begin(), joueurs.end(),
      [](const ResultatJoueur& a, const ResultatJoueur& b) { return cle(a) < cle(b); });
  for (std::size_t i = 0; i < joueurs.size(); ++i) {
    const bool ex_aequo = i > 0 && cle(joueurs[i]) == cle(joueurs[i - 1]);
    joueurs[i].rang = ex_aequo ? joueurs[i - 1].rang : static_cast<int>(i) + 1;
  }
}

std::string texte_json(const Resultats& r, bool indente) {
  json objet = {{champ::format, "arene-resultats"},
                {champ::version, 1},
                {champ::graine, r.graine},
                {champ::raison, r.raison ? json(nom_raison(*r.raison)) : json(nullptr)},
                {champ::tick_debut, r.tick_debut},
                {champ::tick_fin, r.tick_fin},
                {champ::ticks, r.ticks},
                {champ::duree_s, r.duree_s},
                {champ::cadence, r.cadence},
                {champ::en_cours, !r.raison}};
  if (r.enregistre)
    objet[champ::enregistrement] = {
        {champ::ticks_perdus, r.ticks_perdus},
        {champ::erreur, r.erreur_enregistrement ? json(*r.erreur_enregistrement) : json(nullptr)}};
  objet[champ::joueurs] = en_json(r.joueurs);
  return indente ? objet.dump(2) + "\n" : objet.dump();
}

std::string texte_json_joueurs(const std::vector<ResultatJoueur>& joueurs) {
  return en_json(joueurs).dump();
}

std::string tableau(const Resultats& r) {
  std::string texte;
  char ligne[200];
  std::snprintf(ligne, sizeof ligne,
                "fin : %s apres %lld ticks (%.1f s, %.1f ticks/s), graine %llu\n",
                r.raison ? std::string(nom_raison(*r.raison)).c_str() : "en cours",
                static_cast<long long>(r.ticks), r.duree_s, r.cadence,
                static_cast<unsigned long long>(r.graine));
  texte += ligne;
  const bool noms = std::any_of(r.joueurs.begin(), r.joueurs.end(),
                                [](const ResultatJoueur& j) { return j.nom.has_value(); });
  texte += "rang  couleur                         etat     pt_vie  touches  recues  balles";
  texte += noms ? "  nom\n" : "\n";
  for (const ResultatJoueur& j : r.joueurs) {
    std::snprintf(ligne, sizeof ligne, "%4d  %-30s  %-7s  %6lld  %7lld  %6lld  %6lld\n", j.rang,
                  couleur_lisible(j.couleur).c_str(), std::string(nom_etat(j.etat)).c_str(),
                  static_cast<long long>(j.pt_vie), static_cast<long long>(j.touches_donnees),
                  static_cast<long long>(j.touches_recues),
                  static_cast<long long>(j.balles_tirees));
    texte += ligne;
    if (j.nom) texte.insert(texte.size() - 1, "  " + *j.nom);
  }
  return texte;
}

std::string couleur_lisible(std::int64_t couleur) {
  char texte[40];
  std::snprintf(texte, sizeof texte, "%lld (#%06llX)", static_cast<long long>(couleur),
                static_cast<unsigned long long>(couleur) & 0xFFFFFFULL);
  return texte;
}

}  // namespace resultats
