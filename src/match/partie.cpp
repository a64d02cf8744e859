#include "match/partie.h"

#include <algorithm>
#include <cmath>

#include "config/configuration.h"

namespace match {

namespace {

double secondes(Instant depuis, Instant jusqua) {
  return std::chrono::duration<double>(jusqua - depuis).count();
}

// The rules as the recording's readers see them: a duration in seconds
// becomes the ticks it should last at the game's period.
evenements::ParametresMatch parametres(const ReglesPartie& r) {
  evenements::ParametresMatch p{r.joueurs, r.attente_s, std::nullopt, r.fin_survivant};
  if (!r.duree) return p;
  const double ticks = r.duree->unite == DureePartie::Unite::Ticks
                           ? r.duree->valeur
                           : r.duree->valeur / config::periode;
  // Beyond this no match is ever seen to end: said as none.
  if (ticks < 1e15) p.duree_ticks = std::llround(ticks);
  return p;
}

}  // namespace

Partie::Partie(world::Monde& monde, const ReglesPartie& regles, std::uint64_t graine,
               evenements::FileLots* file, Instant maintenant, bool enregistre)
    : monde_(monde), regles_(regles), attente_depuis_(maintenant), chronique_(file) {
  resultats_.graine = graine;
  resultats_.enregistre = file != nullptr && enregistre;
  monde_.observateur = this;
  note(evenements::EvEntete{graine, monde_.cubes, regles_.noms, parametres(regles_)});
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
                     [&](const world::vaisseau& v) { return v.id == couleur; });
}

void Partie::note(evenements::Evenement evenement) { chronique_.note(std::move(evenement)); }

void Partie::commence(Instant maintenant) {
  phase_ = Phase::EnCours;
  debut_ = maintenant;
  monde_.actions_gelees = false;
  deux_en_jeu_ = monde_.vaisseaux.taille() >= 2;
  note(evenements::EvDebut{0});
  publie();
}

std::optional<resultats::RaisonFin> Partie::raison_de_finir(Instant maintenant,
                                                            bool interrompue) const {
  if (interrompue) return resultats::RaisonFin::Interrompu;
  if (phase_ == Phase::Attente) {
    const bool attente_finie =
        regles_.attente_s && secondes(attente_depuis_, maintenant) >= *regles_.attente_s;
    if (attente_finie && monde_.vaisseaux.taille() < 2) return resultats::RaisonFin::Annule;
    return std::nullopt;
  }
  if (regles_.duree) {
    const DureePartie& d = *regles_.duree;
    const bool ecoulee = d.unite == DureePartie::Unite::Ticks
                             ? static_cast<double>(tick_) >= d.valeur
                             : secondes(debut_, maintenant) >= d.valeur;
    if (ecoulee) return resultats::RaisonFin::DureeEcoulee;
  }
  // A match that never had two ships at once has no survivor to crown yet.
  if (regles_.fin_survivant && deux_en_jeu_ && monde_.vaisseaux.taille() <= 1)
    return resultats::RaisonFin::Survivant;
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

void Partie::termine(resultats::RaisonFin raison, Instant maintenant) {
  if (phase_ == Phase::Attente) debut_ = maintenant;
  fin_ = maintenant;
  monde_.actions_gelees = true;
  // Before Finie: a finished match reads its players from resultats_, not
  // yet filled; and the results must count the ticks this resume declares.
  chronique_.reprend_si_perte(tick_, etat_differe());
  phase_ = Phase::Finie;
  resultats_ = calcule_resultats(fin_);
  resultats_.raison = raison;
  note(evenements::EvFin{tick_, raison, resultats_});
  publication_.publie(resultats_, /*finale=*/true);
}

resultats::Resultats Partie::resultats() const {
  return phase_ == Phase::Finie ? resultats_ : calcule_resultats(std::chrono::steady_clock::now());
}

void Partie::publie_resultats() {
  if (publication_.demandee()) publication_.publie(resultats());
}

resultats::Resultats Partie::calcule_resultats(Instant fin) const {
  resultats::Resultats r = resultats_;
  r.tick_fin = r.ticks = tick_;
  if (phase_ != Phase::Attente) r.duree_s = secondes(debut_, fin);
  r.cadence = r.duree_s > 0.0 ? static_cast<double>(tick_) / r.duree_s : 0.0;
  r.ticks_perdus = chronique_.ticks_perdus();
  r.joueurs = score_.classement(monde_.vaisseaux);
  return r;
}

resultats::Resultats Partie::copie_resultats() const {
  world::VerrouTenu tenu{monde_.verrou};
  return resultats();
}

std::unique_ptr<Partie> ouvre_partie(world::Monde& monde, const ReglesPartie& regles,
                                     std::uint64_t graine, evenements::FileLots* file,
                                     Instant maintenant, bool enregistre) {
  world::VerrouTenu tenu{monde.verrou};
  return std::make_unique<Partie>(monde, regles, graine, file, maintenant, enregistre);
}

evenements::EvEtat Partie::etat() const {
  evenements::EvEtat e{tick_, {}, {}, resultats().joueurs};
  for (const world::vaisseau& v : monde_.vaisseaux) e.vaisseaux.push_back(evenements::vu(v));
  for (const world::balle& b : monde_.balles) e.balles.push_back(evenements::vue(b));
  return e;
}

bool Partie::couleur_admise(std::int64_t couleur) {
  return !regles_.couleurs ||
         (regles_.couleurs->contains(couleur) && !inscrites_.contains(couleur));
}

void Partie::vaisseau_cree(const world::vaisseau& v) {
  inscrites_.insert(v.id);
  if (phase_ == Phase::Finie) return;
  score_.vaisseau_cree(v, tick_, regles_.noms);
  if (phase_ == Phase::EnCours && monde_.vaisseaux.taille() >= 2) deux_en_jeu_ = true;
  note(evenements::EvEnregistre{tick_, evenements::vu(v)});
  // The last awaited player's first action must count: start before its
  // registration is answered.
  if (phase_ == Phase::Attente &&
      monde_.vaisseaux.taille() >= static_cast<std::size_t>(*regles_.joueurs))
    commence(std::chrono::steady_clock::now());
}

void Partie::vaisseau_tourne(const world::vaisseau& v) {
  if (phase_ != Phase::Finie) note(evenements::EvTourne{v.id, v.angle});
}

void Partie::joueur_parti(std::int64_t couleur, world::Depart depart) {
  if (phase_ == Phase::Finie) return;
  score_.joueur_parti(couleur, depart, tick_, en_jeu(couleur));
  note(evenements::EvPart{tick_, couleur, depart});
}

void Partie::balle_tiree(const world::balle& b) {
  if (phase_ == Phase::Finie) return;
  score_.balle_tiree(b.id);
  note(evenements::EvTir{evenements::vue(b)});
}

void Partie::balle_retiree(std::size_t rang) { chronique_.note_retiree(rang); }

void Partie::touche(std::int64_t tireur, const world::vaisseau& cible) {
  score_.touche(tireur, cible, tick_);
  note(evenements::EvTouche{tick_, tireur, cible.id, cible.pt_vie});
  if (cible.pt_vie > 0) return;
  note(evenements::EvDetruit{tick_, cible.id, tireur});
}

void Partie::fin_de_tick(const world::Monde&) {
  if (!chronique_.active()) return;
  evenements::EvTick t{tick_, chronique_.prend_retirees(), {}};
  t.vaisseaux.reserve(monde_.vaisseaux.taille());
  for (const world::vaisseau& v : monde_.vaisseaux) t.vaisseaux.push_back(evenements::vu(v));
  note(std::move(t));
  publie();
}

void Partie::publie() { chronique_.publie(tick_, etat_differe()); }

}  // namespace match
