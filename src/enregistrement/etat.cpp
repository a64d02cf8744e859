#include "enregistrement/etat.h"

#include <algorithm>

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

bool est_un_instant(const Evenement& e) {
  return std::holds_alternative<EvTick>(e) || std::holds_alternative<EvDebut>(e) ||
         std::holds_alternative<EvEtat>(e);
}

std::vector<VaisseauVu> EtatRelu::vaisseaux() const { return en_ordre_de_liste(vaisseaux_); }
std::vector<BalleVue> EtatRelu::balles() const { return en_ordre_de_liste(balles_); }

void EtatRelu::applique_tick(const EvTick& t) {
  tick_ = t.n;
  for (BalleVue& b : balles_) {
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

void EtatRelu::applique(const Evenement& evenement) {
  if (const auto* e = std::get_if<EvEnregistre>(&evenement)) {
    vaisseaux_.push_back(e->v);
  } else if (const auto* d = std::get_if<EvDebut>(&evenement)) {
    tick_ = d->tick;
  } else if (const auto* t = std::get_if<EvTourne>(&evenement)) {
    if (VaisseauVu* v = premier_de(vaisseaux_, t->couleur)) v->angle = t->angle;
  } else if (const auto* tir = std::get_if<EvTir>(&evenement)) {
    balles_.push_back(tir->b);
  } else if (const auto* p = std::get_if<EvPart>(&evenement)) {
    if (VaisseauVu* v = premier_de(vaisseaux_, p->couleur))
      vaisseaux_.erase(vaisseaux_.begin() + (v - vaisseaux_.data()));
  } else if (const auto* tick = std::get_if<EvTick>(&evenement)) {
    applique_tick(*tick);
  } else if (const auto* etat = std::get_if<EvEtat>(&evenement)) {
    tick_ = etat->tick;
    vaisseaux_.assign(etat->vaisseaux.rbegin(), etat->vaisseaux.rend());
    balles_.assign(etat->balles.rbegin(), etat->balles.rend());
  }
  // The header, hits, destructions, gaps and the end change no list.
}
