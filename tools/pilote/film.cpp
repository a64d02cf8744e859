#include "pilote/film.h"

#include <algorithm>
#include <map>

#include "enregistrement/lecteur.h"
#include "world/echec.h"

namespace {

bool est_un_fait(const Evenement& e) {
  return std::holds_alternative<EvEnregistre>(e) || std::holds_alternative<EvDetruit>(e) ||
         std::holds_alternative<EvPart>(e) || std::holds_alternative<EvEtat>(e);
}

bool en_liste(const std::vector<VaisseauVu>& vaisseaux, std::int64_t couleur) {
  return std::any_of(vaisseaux.begin(), vaisseaux.end(),
                     [&](const VaisseauVu& v) { return v.couleur == couleur; });
}

// The full state after lost ticks says who is in play, not how the others went.
void recale(std::map<std::int64_t, Bilan>& bilans, std::vector<std::int64_t>& ordre,
            const EvEtat& etat) {
  for (auto& [couleur, b] : bilans)
    if (b.sort == Bilan::Sort::EnJeu && !en_liste(etat.vaisseaux, couleur))
      b = Bilan{couleur, Bilan::Sort::Inconnu, 0, 0, etat.tick};
  for (const VaisseauVu& v : etat.vaisseaux) {
    if (!bilans.contains(v.couleur)) ordre.push_back(v.couleur);
    Bilan& b = bilans[v.couleur];
    if (b.sort != Bilan::Sort::EnJeu)
      b = Bilan{v.couleur, Bilan::Sort::EnJeu, v.pt_vie, 0, etat.tick};
  }
}

// A departure counts only for a ship in play: the connection of a destroyed
// ship still ends later, and says so.
void suit(std::map<std::int64_t, Bilan>& bilans, std::vector<std::int64_t>& ordre,
          const Evenement& e) {
  if (const auto* r = std::get_if<EvEnregistre>(&e)) {
    if (!bilans.contains(r->v.couleur)) ordre.push_back(r->v.couleur);
    bilans[r->v.couleur] = Bilan{r->v.couleur, Bilan::Sort::EnJeu, r->v.pt_vie, 0, r->tick};
  } else if (const auto* d = std::get_if<EvDetruit>(&e)) {
    bilans[d->couleur] = Bilan{d->couleur, Bilan::Sort::Detruit, 0, d->par, d->tick};
  } else if (const auto* p = std::get_if<EvPart>(&e)) {
    Bilan& b = bilans[p->couleur];
    if (b.sort == Bilan::Sort::EnJeu) b = Bilan{p->couleur, Bilan::Sort::Parti, 0, 0, p->tick};
  } else if (const auto* etat = std::get_if<EvEtat>(&e)) {
    recale(bilans, ordre, *etat);
  }
}

}  // namespace

Film::Film(const std::string& chemin, std::int64_t ticks_entre_copies) {
  LecteurEnregistrement lecteur(chemin);
  entete_ = lecteur.entete();
  EtatRelu etat;
  copies_.push_back(Copie{0, etat});
  try {
    while (auto e = lecteur.suivant()) {
      etat.applique(*e);
      garde(std::move(*e), etat, ticks_entre_copies);
    }
  } catch (const Echec&) {
    if (reperes_.empty()) throw;
  }
  // A match cancelled before its start has no tick: show how it was left.
  if (reperes_.empty()) reperes_.push_back(Repere{etat.tick(), evenements_.size()});
  evenements_.shrink_to_fit();  // a long match holds millions of them
}

void Film::garde(Evenement evenement, const EtatRelu& etat, std::int64_t ticks_entre_copies) {
  complet_ = std::holds_alternative<EvFin>(evenement);
  if (est_un_fait(evenement)) faits_.push_back(evenements_.size());
  const bool instant = est_un_instant(evenement);
  evenements_.push_back(std::move(evenement));
  if (!instant) return;
  const Repere repere{etat.tick(), evenements_.size()};
  // Seeking needs rising ticks: a state that does not move time on replaces the instant before.
  if (!reperes_.empty() && reperes_.back().tick >= repere.tick) reperes_.pop_back();
  reperes_.push_back(repere);
  if (repere.tick - copies_.back().etat.tick() >= ticks_entre_copies)
    copies_.push_back(Copie{repere.fin, etat});
}

std::vector<Bilan> Film::bilans(std::size_t fin, const EtatRelu& etat) const {
  std::map<std::int64_t, Bilan> parcouru;
  std::vector<std::int64_t> ordre;
  for (const std::size_t f : faits_) {
    if (f >= fin) break;
    suit(parcouru, ordre, evenements_[f]);
  }
  const auto vaisseaux = etat.vaisseaux();
  std::vector<Bilan> bilans;
  for (const std::int64_t couleur : ordre) {
    Bilan b = parcouru[couleur];
    if (b.sort == Bilan::Sort::EnJeu) {
      const auto v = std::find_if(vaisseaux.begin(), vaisseaux.end(),
                                  [&](const VaisseauVu& w) { return w.couleur == couleur; });
      if (v != vaisseaux.end()) b.pt_vie = v->pt_vie;
    }
    bilans.push_back(b);
  }
  return bilans;
}

Curseur::Curseur(const Film& film) : film_(film) {}

const EtatRelu& Curseur::va(const Repere& repere) {
  const auto& copies = film_.copies_;
  const auto apres =
      std::upper_bound(copies.begin(), copies.end(), repere.fin,
                       [](std::size_t fin, const Film::Copie& c) { return fin < c.fin; });
  const Film::Copie& copie = *std::prev(apres);
  if (position_ > repere.fin || copie.fin > position_) {
    etat_ = copie.etat;
    position_ = copie.fin;
  }
  while (position_ < repere.fin) etat_.applique(film_.evenements_[position_++]);
  return etat_;
}
