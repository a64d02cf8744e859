#include "match/partie.h"

#include <algorithm>

namespace {

double secondes(Instant depuis, Instant jusqua) {
  return std::chrono::duration<double>(jusqua - depuis).count();
}

}  // namespace

Partie::Partie(Monde& monde, const ReglesPartie& regles, std::uint64_t graine, FileLots* file,
               Instant maintenant, bool enregistre)
    : monde_(monde), regles_(regles), file_(file), attente_depuis_(maintenant) {
  resultats_.graine = graine;
  resultats_.enregistre = file != nullptr && enregistre;
  monde_.observateur = this;
  note(EvEntete{graine, monde_.cubes});
  if (!regles_.joueurs) {
    commence(maintenant);
  } else {
    monde_.actions_gelees = true;
  }
  publication_.publie(calcule_resultats(maintenant));
}

Partie::~Partie() {
  if (monde_.observateur == this) monde_.observateur = nullptr;
}

bool Partie::en_jeu(std::int64_t couleur) const {
  return std::any_of(monde_.vaisseaux.begin(), monde_.vaisseaux.end(),
                     [&](const vaisseau& v) { return v.id == couleur; });
}

void Partie::note(Evenement evenement) {
  if (file_ != nullptr) lot_.push_back(std::move(evenement));
}

void Partie::commence(Instant maintenant) {
  phase_ = Phase::EnCours;
  debut_ = maintenant;
  monde_.actions_gelees = false;
  deux_en_jeu_ = monde_.vaisseaux.taille() >= 2;
  note(EvDebut{0});
  publie();
}

std::optional<RaisonFin> Partie::raison_de_finir(Instant maintenant, bool interrompue) const {
  if (interrompue) return RaisonFin::Interrompu;
  if (phase_ == Phase::Attente) {
    const bool attente_finie =
        regles_.attente_s && secondes(attente_depuis_, maintenant) >= *regles_.attente_s;
    if (attente_finie && monde_.vaisseaux.taille() < 2) return RaisonFin::Annule;
    return std::nullopt;
  }
  if (regles_.duree) {
    const DureePartie& d = *regles_.duree;
    const bool ecoulee = d.unite == DureePartie::Unite::Ticks
                             ? static_cast<double>(tick_) >= d.valeur
                             : secondes(debut_, maintenant) >= d.valeur;
    if (ecoulee) return RaisonFin::DureeEcoulee;
  }
  // A match that never had two ships at once has no survivor to crown yet.
  if (regles_.fin_survivant && deux_en_jeu_ && monde_.vaisseaux.taille() <= 1)
    return RaisonFin::Survivant;
  return std::nullopt;
}

bool Partie::avant_tick(Instant maintenant, bool interrompue) {
  if (phase_ == Phase::Finie) return false;
  if (const auto raison = raison_de_finir(maintenant, interrompue)) {
    termine(*raison, maintenant);
    return false;
  }
  if (phase_ == Phase::Attente) {
    const auto n = static_cast<std::size_t>(*regles_.joueurs);
    const bool attente_finie =
        regles_.attente_s && secondes(attente_depuis_, maintenant) >= *regles_.attente_s;
    if (monde_.vaisseaux.taille() >= n || attente_finie) {
      commence(maintenant);
    } else {
      publie();  // spectators see the players come in
      return false;
    }
  }
  ++tick_;
  return true;
}

void Partie::apres_tick(Instant maintenant) {
  if (phase_ != Phase::EnCours) return;
  if (const auto raison = raison_de_finir(maintenant, false)) termine(*raison, maintenant);
}

void Partie::termine(RaisonFin raison, Instant maintenant) {
  if (phase_ == Phase::Attente) debut_ = maintenant;
  fin_ = maintenant;
  phase_ = Phase::Finie;
  monde_.actions_gelees = true;
  if (en_perte_) reprend();
  resultats_ = calcule_resultats(fin_);
  resultats_.raison = raison;
  note(EvFin{tick_, raison, resultats_});
  publication_.publie(resultats_, /*finale=*/true);
}

Resultats Partie::resultats() const {
  return phase_ == Phase::Finie ? resultats_ : calcule_resultats(std::chrono::steady_clock::now());
}

void Partie::publie_resultats() {
  if (publication_.demandee()) publication_.publie(resultats());
}

Resultats Partie::calcule_resultats(Instant fin) const {
  Resultats r = resultats_;
  r.tick_fin = r.ticks = tick_;
  if (phase_ != Phase::Attente) r.duree_s = secondes(debut_, fin);
  r.cadence = r.duree_s > 0.0 ? static_cast<double>(tick_) / r.duree_s : 0.0;
  r.ticks_perdus = ticks_perdus_;
  // The tick computes this while spectators ask: one pass over the ships,
  // not one per player.
  std::map<std::int64_t, std::int64_t> pt_vie;
  for (const vaisseau& v : monde_.vaisseaux) pt_vie.try_emplace(v.id, v.pt_vie);
  r.joueurs.clear();
  r.joueurs.reserve(joueurs_.size());
  for (auto [couleur, j] : joueurs_) {
    if (const auto it = pt_vie.find(couleur); it != pt_vie.end()) j.pt_vie = it->second;
    r.joueurs.push_back(std::move(j));
  }
  classe(r.joueurs);
  return r;
}

Resultats Partie::copie_resultats() const {
  VerrouTenu tenu{monde_.verrou};
  return resultats();
}

std::unique_ptr<Partie> ouvre_partie(Monde& monde, const ReglesPartie& regles, std::uint64_t graine,
                                     FileLots* file, Instant maintenant, bool enregistre) {
  VerrouTenu tenu{monde.verrou};
  return std::make_unique<Partie>(monde, regles, graine, file, maintenant, enregistre);
}

EvEtat Partie::etat() const {
  EvEtat e{tick_, {}, {}, resultats().joueurs};
  for (const vaisseau& v : monde_.vaisseaux) e.vaisseaux.push_back(vu(v));
  for (const balle& b : monde_.balles) e.balles.push_back(vue(b));
  return e;
}

void Partie::vaisseau_cree(const vaisseau& v) {
  if (phase_ == Phase::Finie) return;
  auto [it, nouveau] = joueurs_.try_emplace(v.id);
  ResultatJoueur& j = it->second;
  if (nouveau) {
    j.couleur = v.id;
    j.tick_enregistrement = tick_;
  }
  j.etat = EtatJoueur::Vivant;
  j.pt_vie = v.pt_vie;
  j.tick_depart.reset();
  j.tick_destruction.reset();
  j.detruit_par.reset();
  if (phase_ == Phase::EnCours && monde_.vaisseaux.taille() >= 2) deux_en_jeu_ = true;
  note(EvEnregistre{tick_, vu(v)});
  // The last awaited player's first action must count: start before its
  // registration is answered.
  if (phase_ == Phase::Attente &&
      monde_.vaisseaux.taille() >= static_cast<std::size_t>(*regles_.joueurs))
    commence(std::chrono::steady_clock::now());
}

void Partie::vaisseau_tourne(const vaisseau& v) {
  if (phase_ != Phase::Finie) note(EvTourne{v.id, v.angle});
}

void Partie::joueur_parti(std::int64_t couleur, Depart depart) {
  if (phase_ == Phase::Finie) return;
  const auto it = joueurs_.find(couleur);
  if (it != joueurs_.end()) {
    ResultatJoueur& j = it->second;
    ++(depart == Depart::Quitte ? j.quitte : j.deconnexions);
    if (en_jeu(couleur)) {
      j.etat = EtatJoueur::Parti;
      j.tick_depart = tick_;
    }
  }
  note(EvPart{tick_, couleur, depart});
}

void Partie::balle_tiree(const balle& b) {
  if (phase_ == Phase::Finie) return;
  ++joueurs_[b.id].balles_tirees;
  note(EvTir{vue(b)});
}

void Partie::balle_retiree(std::size_t rang) {
  if (file_ != nullptr) retirees_.push_back(static_cast<std::uint32_t>(rang));
}

void Partie::touche(std::int64_t tireur, const vaisseau& cible) {
  ResultatJoueur& t = joueurs_[tireur];
  ++t.touches_donnees;
  ++t.touches[cible.id];
  ResultatJoueur& c = joueurs_[cible.id];
  ++c.touches_recues;
  c.pt_vie = cible.pt_vie;
  note(EvTouche{tick_, tireur, cible.id, cible.pt_vie});
  if (cible.pt_vie > 0) return;
  c.etat = EtatJoueur::Detruit;
  c.tick_destruction = c.tick_depart = tick_;
  c.detruit_par = tireur;
  note(EvDetruit{tick_, cible.id, tireur});
}

void Partie::fin_de_tick(const Monde&) {
  if (file_ == nullptr) return;
  EvTick t{tick_, std::move(retirees_), {}};
  retirees_ = {};
  t.vaisseaux.reserve(monde_.vaisseaux.taille());
  for (const vaisseau& v : monde_.vaisseaux) t.vaisseaux.push_back(vu(v));
  note(std::move(t));
  publie();
}

// After lots were dropped, the changes since are of no use to a reader that
// missed them: a full state replaces them, behind a mark of the gap.
void Partie::reprend() {
  ticks_perdus_ += std::max<std::int64_t>(0, tick_ - 1 - dernier_publie_);
  lot_.clear();
  lot_.push_back(EvPerdu{dernier_publie_ + 1, tick_ - 1});
  lot_.push_back(etat());
  en_perte_ = false;
}

// A lot the file refuses is dropped whole: the world never waits for the disk.
void Partie::publie() {
  if (file_ == nullptr || lot_.empty()) return;
  if (en_perte_) {
    if (!file_->a_de_la_place()) {
      lot_.clear();
      return;
    }
    reprend();
  }
  if (file_->essaie_de_deposer(lot_)) {
    dernier_publie_ = tick_;
    return;
  }
  en_perte_ = true;
  lot_.clear();
}
