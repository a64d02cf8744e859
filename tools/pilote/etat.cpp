#include "pilote/etat.h"

#include <algorithm>
#include <cstdio>

#include "config/configuration.h"
#include "langue/langue.h"
#include "world/constantes.h"

namespace {

constexpr std::string_view commandes[nb_actions] = {"PUT ACTION TIRE", "PUT ACTION GAUCHE",
                                                    "PUT ACTION DROITE", "PUT ACTION ACCELERE",
                                                    "PUT ACTION DECELERE"};

constexpr auto fenetre = std::chrono::seconds(1);

bool meme_balle(const commun::BalleVue& a, const commun::BalleVue& b) {
  return a.x == b.x && a.y == b.y && a.id == b.id;
}

bool meme_vaisseau(const commun::VaisseauVu& a, const commun::VaisseauVu& b) {
  return a.x == b.x && a.y == b.y && a.angle == b.angle && a.pt_vie == b.pt_vie && a.id == b.id;
}

// New bullets go to the head of the list and the rest keep their order, so
// between two ticks the old list is the tail of the new one.
bool balles_intactes(const std::vector<commun::BalleVue>& avant,
                     const std::vector<commun::BalleVue>& apres) {
  if (avant.size() > apres.size()) return false;
  return std::equal(avant.begin(), avant.end(), apres.end() - static_cast<long>(avant.size()),
                    meme_balle);
}

}  // namespace

std::string_view commande_de(Action action) { return commandes[static_cast<int>(action)]; }

double vitesse_apres(double vitesse, Action action) {
  if (action == Action::Accelere) {
    const double v = vitesse + world::pas_vitesse;
    return v <= config::vitesse_max ? v : config::vitesse_max;
  }
  if (action == Action::Decelere) {
    const double v = vitesse - world::pas_vitesse;
    return v >= config::vitesse_min ? v : config::vitesse_min;
  }
  return vitesse;
}

bool tick_entre(const Releve& avant, const Releve& apres) {
  for (const commun::VaisseauVu& a : avant.vaisseaux)
    for (const commun::VaisseauVu& b : apres.vaisseaux)
      if (a.id == b.id && (a.x != b.x || a.y != b.y || b.pt_vie < a.pt_vie)) return true;
  return !balles_intactes(avant.balles, apres.balles);
}

bool differents(const Releve& a, const Releve& b) {
  return !std::equal(a.vaisseaux.begin(), a.vaisseaux.end(), b.vaisseaux.begin(), b.vaisseaux.end(),
                     meme_vaisseau) ||
         !std::equal(a.balles.begin(), a.balles.end(), b.balles.begin(), b.balles.end(),
                     meme_balle);
}

void CompteurTicks::tick_vu(Instant quand) {
  ++numero_;
  recents_.push_back(quand);
  while (recents_.front() < quand - fenetre) recents_.pop_front();
}

std::optional<Instant> CompteurTicks::dernier() const {
  if (recents_.empty()) return std::nullopt;
  return recents_.back();
}

std::optional<double> CompteurTicks::par_seconde(Instant maintenant) const {
  const auto debut = std::find_if(recents_.begin(), recents_.end(),
                                  [&](Instant t) { return t >= maintenant - fenetre; });
  const auto n = std::distance(debut, recents_.end());
  if (n < 2) return std::nullopt;
  const std::chrono::duration<double> duree = recents_.back() - *debut;
  if (duree.count() <= 0) return std::nullopt;
  return static_cast<double>(n - 1) / duree.count();
}

void AllerRetour::mesure(Horloge::duration duree) {
  const double ms = std::chrono::duration<double, std::milli>(duree).count();
  moyenne_ms_ = moyenne_ms_ ? *moyenne_ms_ + (ms - *moyenne_ms_) / 8 : ms;
}

std::string ligne_d_etat(const Tableau& t) {
  char vie[48];
  if (t.detruit) {
    std::snprintf(vie, sizeof vie, "%s", _("destroyed"));
  } else {
    std::snprintf(vie, sizeof vie, _("life %lld/%lld"), static_cast<long long>(t.pt_vie),
                  static_cast<long long>(t.pt_vie_max));
  }
  char ticks[32];
  std::snprintf(ticks, sizeof ticks, "%s", _("? ticks/s"));
  if (t.ticks_par_seconde)
    std::snprintf(ticks, sizeof ticks, _("%.1f ticks/s"), *t.ticks_par_seconde);
  char rtt[32] = "rtt ?";
  if (t.aller_retour_ms) std::snprintf(rtt, sizeof rtt, "rtt %.2f ms", *t.aller_retour_ms);
  char ligne[256];
  std::snprintf(ligne, sizeof ligne, _("%s  speed %.2f  ships %zu  bullets %zu  %s  %s"), vie,
                t.vitesse, t.vaisseaux, t.balles, ticks, rtt);
  return ligne;
}

std::string ligne_d_aide(const Tableau& t) {
  const std::string couleur = _("colour ") + std::to_string(t.couleur) + "  ";
  if (t.detruit) return couleur + _("Your ship was destroyed.  r: register again  q: quit");
  return couleur + _("left/right: turn  up/down: speed  space: fire  q: quit");
}
