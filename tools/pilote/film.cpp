#include "pilote/film.h"

#include <algorithm>
#include <map>

#include "enregistrement/lecteur.h"
#include "world/echec.h"

namespace {

bool est_un_fait(const evenements::Evenement& e) {
  return std::holds_alternative<evenements::EvEnregistre>(e) ||
         std::holds_alternative<evenements::EvDetruit>(e) ||
         std::holds_alternative<evenements::EvPart>(e) ||
         std::holds_alternative<evenements::EvEtat>(e);
}

bool en_liste(const std::vector<evenements::VaisseauVu>& vaisseaux, std::int64_t couleur) {
  return std::any_of(vaisseaux.begin(), vaisseaux.end(),
                     [&](const evenements::VaisseauVu& v) { return v.couleur == couleur; });
}

// The full state after lost ticks says who is in play, not how the others went.
void recale(std::map<std::int64_t, Bilan>& bilans, std::vector<std::int64_t>& ordre,
            const evenements::EvEtat& etat) {
  for (auto& [couleur, b] : bilans)
    if (b.sort == Bilan::Sort::EnJeu && !en_liste(etat.vaisseaux, couleur))
      b = Bilan{couleur, Bilan::Sort::Inconnu, 0, 0, etat.tick};
  for (const evenements::VaisseauVu& v : etat.vaisseaux) {
    if (!bilans.contains(v.couleur)) ordre.push_back(v.couleur);
    Bilan& b = bilans[v.couleur];
    if (b.sort != Bilan::Sort::EnJeu)
      b = Bilan{v.couleur, Bilan::Sort::EnJeu, v.pt_vie, 0, etat.tick};
  }
}

// A departure counts only for a ship in play: the connection of a destroyed
// ship still ends later, and says so.
void suit(std::map<std::int64_t, Bilan>& bilans, std::vector<std::int64_t>& ordre,
          const evenements::EvEnregistre& r) {
  if (!bilans.contains(r.v.couleur)) ordre.push_back(r.v.couleur);
  bilans[r.v.couleur] = Bilan{r.v.couleur, Bilan::Sort::EnJeu, r.v.pt_vie, 0, r.tick};
}
void suit(std::map<std::int64_t, Bilan>& bilans, std::vector<std::int64_t>&,
          const evenements::EvDetruit& d) {
  bilans[d.couleur] = Bilan{d.couleur, Bilan::Sort::Detruit, 0, d.par, d.tick};
}
void suit(std::map<std::int64_t, Bilan>& bilans, std::vector<std::int64_t>&,
          const evenements::EvPart& p) {
  Bilan& b = bilans[p.couleur];
  if (b.sort == Bilan::Sort::EnJeu) b = Bilan{p.couleur, Bilan::Sort::Parti, 0, 0, p.tick};
}
void suit(std::map<std::int64_t, Bilan>& bilans, std::vector<std::int64_t>& ordre,
          const evenements::EvEtat& etat) {
  recale(bilans, ordre, etat);
}
template <typename E>
void suit(std::map<std::int64_t, Bilan>&, std::vector<std::int64_t>&, const E&) {}

}  // namespace

Film::Film(const std::string& chemin, std::int64_t ticks_entre_copies, std::size_t copies_max)
    : ecart_(ticks_entre_copies), copies_max_(copies_max) {
  enregistrement::LecteurEnregistrement lecteur(chemin);
  entete_ = lecteur.entete();
  enregistrement::EtatRelu etat;
  copies_.push_back(Copie{0, etat});
  try {
    while (auto e = lecteur.suivant()) {
      etat.applique(*e);
      enregistrement::verifie_taille(etat);
      garde(std::move(*e), etat);
    }
  } catch (const enregistrement::LimiteDepassee&) {
    throw;
  } catch (const world::Echec&) {
    if (reperes_.empty()) throw;
  }
  // A match cancelled before its start has no tick: show how it was left.
  if (reperes_.empty()) reperes_.push_back(Repere{etat.tick(), evenements_.taille()});
  evenements_.ajuste();  // a long match holds millions of them
}

// Only instants are shown: between two, the turns of one ship come down to
// its last heading (a tick's line then gives every heading anyway). A bot
// that turns eight times a tick, or a file of a million turns, then keeps
// one turn per ship and tick.
bool Film::fond_un_virage(const evenements::Evenement& evenement) {
  if (const auto* t = std::get_if<evenements::EvTourne>(&evenement)) {
    const auto garde = virages_.find(t->couleur);
    if (garde == virages_.end()) {
      virages_[t->couleur] = evenements_.taille();
      return false;
    }
    evenements_.si<evenements::EvTourne>(garde->second)->angle = t->angle;
    return true;
  }
  // A ship that comes or goes changes which ship is the colour's first.
  if (const auto* e = std::get_if<evenements::EvEnregistre>(&evenement))
    virages_.erase(e->v.couleur);
  if (const auto* p = std::get_if<evenements::EvPart>(&evenement)) virages_.erase(p->couleur);
  if (enregistrement::est_un_instant(evenement)) virages_.clear();
  return false;
}

void Film::garde(evenements::Evenement evenement, const enregistrement::EtatRelu& etat) {
  complet_ = std::holds_alternative<evenements::EvFin>(evenement);
  if (fond_un_virage(evenement)) return;
  if (est_un_fait(evenement)) faits_.push_back(evenements_.taille());
  const bool instant = enregistrement::est_un_instant(evenement);
  evenements_.ajoute(std::move(evenement));
  if (!instant) return;
  const Repere repere{etat.tick(), evenements_.taille()};
  // Seeking needs rising ticks: a state that does not move time on replaces the instant before.
  if (!reperes_.empty() && reperes_.back().tick >= repere.tick) reperes_.pop_back();
  reperes_.push_back(repere);
  copie(repere, etat);
}

void Film::copie(const Repere& repere, const enregistrement::EtatRelu& etat) {
  plus_grand_etat_ = std::max(plus_grand_etat_, etat.octets());
  if (repere.tick - copies_.back().etat.tick() < ecart_) return;
  copies_.push_back(Copie{repere.fin, etat});
  octets_copies_ += etat.octets();
  while (copies_.size() > 1 && (copies_.size() > copies_max_ ||
                                octets_copies_ > octets_copies_base + 2 * plus_grand_etat_))
    eclaircit();
}

// Keeps the first copy and every other one: seeking then replays at most
// twice as many ticks.
void Film::eclaircit() {
  std::size_t gardees = 0;
  octets_copies_ = 0;
  for (std::size_t i = 0; i < copies_.size(); i += 2) {
    octets_copies_ += copies_[i].etat.octets();
    copies_[gardees++] = std::move(copies_[i]);
  }
  copies_.resize(gardees);
  ecart_ *= 2;
}

std::vector<Bilan> Film::bilans(std::size_t fin, const enregistrement::EtatRelu& etat) const {
  std::map<std::int64_t, Bilan> parcouru;
  std::vector<std::int64_t> ordre;
  for (const std::size_t f : faits_) {
    if (f >= fin) break;
    evenements_.visite(f, [&](const auto& e) { suit(parcouru, ordre, e); });
  }
  const auto vaisseaux = etat.vaisseaux();
  std::vector<Bilan> bilans;
  for (const std::int64_t couleur : ordre) {
    Bilan b = parcouru[couleur];
    if (b.sort == Bilan::Sort::EnJeu) {
      const auto v =
          std::find_if(vaisseaux.begin(), vaisseaux.end(),
                       [&](const evenements::VaisseauVu& w) { return w.couleur == couleur; });
      if (v != vaisseaux.end()) b.pt_vie = v->pt_vie;
    }
    bilans.push_back(b);
  }
  return bilans;
}

Curseur::Curseur(const Film& film) : film_(film) {}

const enregistrement::EtatRelu& Curseur::va(const Repere& repere) {
  const auto& copies = film_.copies_;
  const auto apres =
      std::upper_bound(copies.begin(), copies.end(), repere.fin,
                       [](std::size_t fin, const Film::Copie& c) { return fin < c.fin; });
  const Film::Copie& copie = *std::prev(apres);
  if (position_ > repere.fin || copie.fin > position_) {
    etat_ = copie.etat;
    position_ = copie.fin;
  }
  while (position_ < repere.fin)
    film_.evenements_.visite(position_++, [&](const auto& e) { etat_.applique(e); });
  return etat_;
}
