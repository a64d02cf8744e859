#include "charge/sonde.h"

#include <cmath>
#include <optional>

#include "langue/langue.h"

namespace {

constexpr int accelerations = 20;   // a speed of about 1 unit per tick
constexpr double tolerance = 1e-6;  // positions come with 12 significant digits

struct Observation {
  double x, y, angle;
  Horloge::time_point quand;
};

class Sonde {
 public:
  Sonde(const OptionsCharge& options, std::int64_t couleur)
      : options_(options), couleur_(couleur) {}
  ResultatsSonde tourne(Horloge::time_point fin);

 private:
  void inscrit();
  std::optional<Observation> observe();
  void compare(const Observation& maintenant);
  void fait_demi_tour();
  void envoie_actions(const char* action, int fois);

  const OptionsCharge& options_;
  std::int64_t couleur_;
  std::optional<commun::ConnexionArene> connexion_;
  double vitesse_ = 0.0;
  std::optional<Observation> precedente_;
  std::optional<Horloge::time_point> dernier_tick_;  // when the last straight step was seen
  ResultatsSonde resultats_;
};

// A reply the protocol never sends ends the probe: the server is not an arena.
commun::Reponse conforme(commun::Reponse reponse) {
  if (!reponse.valide) {
    const std::string debut = reponse.lignes.empty() ? "" : reponse.lignes.front();
    throw commun::ErreurConnexion(_("unexpected reply \"") + debut + "\"",
                                  commun::Panne::HorsProtocole);
  }
  return reponse;
}

// Sends `fois` times the same action in one go and reads their replies.
void Sonde::envoie_actions(const char* action, int fois) {
  std::string actions;
  for (int i = 0; i < fois; ++i) (actions += action) += "\r\n";
  connexion_->envoie(actions);
  for (int i = 0; i < fois; ++i) conforme(connexion_->lit_reponse(commun::Genre::Ok));
}

// Registers a ship and brings it to a known speed, computed as the server does.
void Sonde::inscrit() {
  // The old connection's end removes the ship of its colour: let it end first.
  if (connexion_) connexion_->quitte();
  connexion_.emplace(options_.hote, options_.port);
  for (;; ++couleur_) {
    const std::string reponse = connexion_->enregistre(couleur_);
    if (reponse == "VAISSEAU ENREGISTRE") break;
    if (reponse != "ERREUR COULEUR UTILISEE")
      throw commun::ErreurConnexion(_("registration answered \"") + reponse + "\"",
                                    commun::Panne::HorsProtocole);
  }
  vitesse_ = 0.0;
  for (int i = 0; i < accelerations; ++i) vitesse_ = vitesse_ + 0.05;
  envoie_actions("PUT ACTION ACCELERE", accelerations);
  precedente_.reset();
  dernier_tick_.reset();
}

// About half a turn, sent in one go, when the ship is blocked.
void Sonde::fait_demi_tour() {
  envoie_actions("PUT ACTION GAUCHE", 63);
  precedente_.reset();
  dernier_tick_.reset();
}

std::optional<Observation> Sonde::observe() {
  const auto depart = Horloge::now();
  const commun::Reponse reponse = conforme(connexion_->demande("GET VAISSEAUX"));
  const auto arrivee = Horloge::now();
  resultats_.latences_ms.push_back(
      std::chrono::duration<double, std::milli>(arrivee - depart).count());
  for (std::size_t i = 1; i < reponse.lignes.size(); ++i) {
    const auto v = commun::lit_vaisseau(reponse.lignes[i]);
    if (v && v->id == couleur_)
      return Observation{v->x, v->y, v->angle, depart + (arrivee - depart) / 2};
  }
  return std::nullopt;
}

void Sonde::compare(const Observation& maintenant) {
  const Observation& avant = *precedente_;
  const double dx = maintenant.x - avant.x;
  const double dy = maintenant.y - avant.y;
  if (dx == 0.0 && dy == 0.0) return;
  ++resultats_.deplacements;
  const double pas = std::round(std::hypot(dx, dy) / vitesse_);
  const bool droit = pas >= 1.0 &&
                     std::fabs(dx - pas * vitesse_ * std::cos(avant.angle)) < tolerance &&
                     std::fabs(dy - pas * vitesse_ * std::sin(avant.angle)) < tolerance;
  if (!droit) {
    // Blocked or deflected: the ticks of this step are unknown, so the count
    // resumes with the next two straight steps.
    ++resultats_.deviations;
    dernier_tick_.reset();
    return;
  }
  if (dernier_tick_) {
    const std::chrono::duration<double> ecart = maintenant.quand - *dernier_tick_;
    resultats_.ticks += static_cast<std::uint64_t>(pas);
    resultats_.secondes += ecart.count();
    resultats_.intervalles_ms.push_back(1000.0 * ecart.count() / pas);
  }
  dernier_tick_ = maintenant.quand;
}

ResultatsSonde Sonde::tourne(Horloge::time_point fin) {
  try {
    inscrit();
    auto immobile_depuis = Horloge::now();
    while (Horloge::now() < fin) {
      const auto observation = observe();
      if (!observation) {  // destroyed: come back
        inscrit();
        continue;
      }
      if (precedente_ && (observation->x != precedente_->x || observation->y != precedente_->y)) {
        compare(*observation);
        immobile_depuis = Horloge::now();
      } else if (Horloge::now() - immobile_depuis > std::chrono::milliseconds(500)) {
        fait_demi_tour();
        immobile_depuis = Horloge::now();
        continue;
      }
      precedente_ = observation;
    }
    connexion_->quitte();
  } catch (const commun::ErreurConnexion& e) {
    resultats_.erreur = e.what();
    resultats_.panne = e.panne;
  }
  return std::move(resultats_);
}

}  // namespace

ResultatsSonde sonde(const OptionsCharge& options, std::int64_t couleur, Horloge::time_point fin) {
  Sonde s(options, couleur);
  return s.tourne(fin);
}
