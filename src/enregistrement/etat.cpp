#include "enregistrement/etat.h"

#include <algorithm>

namespace enregistrement {

namespace {

template <typename T>
std::vector<T> en_ordre_de_liste(const std::vector<T>& stockage) {
  return {stockage.rbegin(), stockage.rend()};
}

// The first element of that colour from the head, or nullptr.
template <typename T>
T* premier_de(std::vector<T>& stockage, std::int64_t couleur) {
  const auto trouve = std::find_if(stockage.rbegin(), stockage.rend(),
                                   [&](const T& e) { return e.couleur == couleur; });
  return trouve == stockage.rend() ? nullptr : &*trouve;
}

}  // namespace

bool est_un_instant(const evenements::Evenement& e) {
  return std::holds_alternative<evenements::EvTick>(e) ||
         std::holds_alternative<evenements::EvDebut>(e) ||
         std::holds_alternative<evenements::EvEtat>(e);
}

std::vector<evenements::VaisseauVu> EtatRelu::vaisseaux() const {
  return en_ordre_de_liste(vaisseaux_);
}
std::vector<evenements::BalleVue> EtatRelu::balles() const { return en_ordre_de_liste(balles_); }

void EtatRelu::applique(const evenements::EvTick& t) {
  tick_ = t.n;
  for (evenements::BalleVue& b : balles_) {
    b.x = b.x + b.pas_x;
    b.y = b.y + b.pas_y;
  }
  // One order-keeping sweep from the head, as the bullet pass removes them.
  std::size_t prochaine = 0;
  std::size_t rang = 0;
  auto garde = balles_.rbegin();
  for (auto it = balles_.rbegin(); it != balles_.rend(); ++it, ++rang) {
    if (prochaine < t.retirees.size() && t.retirees[prochaine] == rang) {
      ++prochaine;
      continue;
    }
    *garde++ = *it;
  }
  balles_.erase(balles_.begin(), garde.base());
  vaisseaux_.assign(t.vaisseaux.rbegin(), t.vaisseaux.rend());
}

void EtatRelu::applique(const evenements::Evenement& evenement) {
  std::visit([this](const auto& e) { applique(e); }, evenement);
}

void EtatRelu::applique(const evenements::EvEnregistre& e) { vaisseaux_.push_back(e.v); }

void EtatRelu::applique(const evenements::EvTourne& t) {
  if (evenements::VaisseauVu* v = premier_de(vaisseaux_, t.couleur)) v->angle = t.angle;
}

void EtatRelu::applique(const evenements::EvPart& p) {
  if (evenements::VaisseauVu* v = premier_de(vaisseaux_, p.couleur))
    vaisseaux_.erase(vaisseaux_.begin() + (v - vaisseaux_.data()));
}

void EtatRelu::applique(const evenements::EvEtat& etat) {
  tick_ = etat.tick;
  vaisseaux_.assign(etat.vaisseaux.rbegin(), etat.vaisseaux.rend());
  balles_.assign(etat.balles.rbegin(), etat.balles.rend());
}

}  // namespace enregistrement
