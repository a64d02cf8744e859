#include "tournoi/classement.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// The bots grouped by rank, best first, as the rating wants them.
classement::Arrivee arrivee(const ResultatMatch& r,
                            const std::map<std::string, std::size_t>& index) {
  std::map<int, std::vector<std::size_t>> par_rang;
  for (const auto& b : r.bots) par_rang[b.rang].push_back(index.at(b.nom));
  classement::Arrivee a;
  for (auto& [rang, bots] : par_rang) a.push_back(std::move(bots));
  return a;
}

}  // namespace

std::vector<LigneClassement> classement_des_bots(const Plan& plan,
                                                 const std::vector<ResultatMatch>& resultats) {
  const auto& bots = plan.tournoi.bots;
  std::map<std::string, std::size_t> index;
  std::vector<LigneClassement> lignes(bots.size());
  std::vector<double> somme_rangs(bots.size());
  for (std::size_t i = 0; i < bots.size(); ++i) {
    index[bots[i].nom] = i;
    lignes[i].nom = bots[i].nom;
    lignes[i].couleur = bots[i].couleur;
  }
  std::vector<classement::Arrivee> arrivees;
  for (const auto& r : resultats) {
    if (!r.termine) continue;
    for (const auto& b : r.bots) {
      LigneClassement& l = lignes[index.at(b.nom)];
      ++l.matchs;
      somme_rangs[index.at(b.nom)] += b.rang;
      l.defaillances += b.defaillance != Defaillance::Aucune;
      const bool partage = std::count_if(r.bots.begin(), r.bots.end(),
                                         [](const BilanBot& autre) { return autre.rang == 1; }) > 1;
      l.victoires += b.rang == 1 && !partage;
    }
    arrivees.push_back(arrivee(r, index));
  }
  const classement::NotesIntervalles notes =
      classement::notes_bootstrap(bots.size(), arrivees, plan.tournoi.bootstrap, /*graine=*/1);
  for (std::size_t i = 0; i < bots.size(); ++i) {
    LigneClassement& l = lignes[i];
    const double n = static_cast<double>(l.matchs);
    l.rang_moyen = l.matchs ? somme_rangs[i] / n : 0;
    l.taux_victoire = l.matchs ? static_cast<double>(l.victoires) / n : 0;
    l.intervalle_victoire = classement::wilson(static_cast<double>(l.victoires), n);
    l.note = notes.notes[i];
    l.intervalle_note = notes.intervalles[i];
    // Rounded as shown: an interval one point wide shows as a single value.
    l.intervalle_note_valable =
        l.matchs >= matchs_min_intervalle &&
        std::lround(l.intervalle_note.haut) > std::lround(l.intervalle_note.bas);
  }
  std::stable_sort(lignes.begin(), lignes.end(),
                   [](const auto& a, const auto& b) { return a.note > b.note; });
  for (std::size_t i = 0; i + 1 < lignes.size(); ++i)
    lignes[i].separe_du_suivant =
        lignes[i].intervalle_note_valable && lignes[i + 1].intervalle_note_valable &&
        lignes[i].intervalle_note.bas > lignes[i + 1].intervalle_note.haut;
  return lignes;
}
