#include "match/score.h"

namespace match {

void Score::vaisseau_cree(const world::vaisseau& v, std::int64_t tick, const noms::Noms& noms) {
  auto [it, nouveau] = joueurs_.try_emplace(v.id);
  resultats::ResultatJoueur& j = it->second;
  if (nouveau) {
    j.couleur = v.id;
    j.nom = noms::nom_de(noms, v.id);
    j.tick_enregistrement = tick;
  }
  j.etat = resultats::EtatJoueur::Vivant;
  j.pt_vie = v.pt_vie;
  j.tick_depart.reset();
  j.tick_destruction.reset();
  j.detruit_par.reset();
}

void Score::joueur_parti(std::int64_t couleur, world::Depart depart, std::int64_t tick,
                         bool en_jeu) {
  const auto it = joueurs_.find(couleur);
  if (it == joueurs_.end()) return;
  resultats::ResultatJoueur& j = it->second;
  ++(depart == world::Depart::Quitte ? j.quitte : j.deconnexions);
  if (en_jeu) {
    j.etat = resultats::EtatJoueur::Parti;
    j.tick_depart = tick;
  }
}

void Score::balle_tiree(std::int64_t tireur) { ++joueurs_[tireur].balles_tirees; }

void Score::touche(std::int64_t tireur, const world::vaisseau& cible, std::int64_t tick) {
  resultats::ResultatJoueur& t = joueurs_[tireur];
  ++t.touches_donnees;
  ++t.touches[cible.id];
  resultats::ResultatJoueur& c = joueurs_[cible.id];
  ++c.touches_recues;
  c.pt_vie = cible.pt_vie;
  if (cible.pt_vie > 0) return;
  c.etat = resultats::EtatJoueur::Detruit;
  c.tick_destruction = c.tick_depart = tick;
  c.detruit_par = tireur;
}

std::vector<resultats::ResultatJoueur> Score::classement(
    const world::ListeRecente<world::vaisseau>& vaisseaux) const {
  std::map<std::int64_t, std::int64_t> pt_vie;
  for (const world::vaisseau& v : vaisseaux) pt_vie.try_emplace(v.id, v.pt_vie);
  std::vector<resultats::ResultatJoueur> joueurs;
  joueurs.reserve(joueurs_.size());
  for (auto [couleur, j] : joueurs_) {
    if (const auto it = pt_vie.find(couleur); it != pt_vie.end()) j.pt_vie = it->second;
    joueurs.push_back(std::move(j));
  }
  resultats::classe(joueurs);
  return joueurs;
}

}  // namespace match
