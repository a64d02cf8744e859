#include "pilote/platine.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr std::size_t chiffres_max = 18;  // any such number fits an int64_t

}  // namespace

Platine::Platine(std::vector<std::int64_t> ticks, double periode)
    : ticks_(std::move(ticks)), periode_(periode), position_(static_cast<double>(ticks_.front())) {}

void Platine::va(std::size_t instant) {
  instant_ = std::min(instant, ticks_.size() - 1);
  position_ = static_cast<double>(tick());
}

void Platine::va_au_tick(std::int64_t tick) {
  const auto apres = std::upper_bound(ticks_.begin(), ticks_.end(), tick);
  va(apres == ticks_.begin() ? 0 : static_cast<std::size_t>(apres - ticks_.begin()) - 1);
}

// Stepping is for looking closely: it stops the play.
void Platine::pas(int sens) {
  en_lecture_ = false;
  if (sens < 0 && instant_ > 0) va(instant_ - 1);
  if (sens > 0) va(instant_ + 1);
}

// Play from the last instant starts over.
void Platine::bascule() {
  en_lecture_ = !en_lecture_;
  if (en_lecture_ && instant_ + 1 == ticks_.size()) va(0);
}

bool Platine::appuie(const Appui& appui) {
  if (appui.touche == Touche::Caractere && appui.caractere >= '0' && appui.caractere <= '9') {
    if (saisie_.size() < chiffres_max) saisie_ += appui.caractere;
    return true;
  }
  if (appui.touche == Touche::Efface) {
    if (!saisie_.empty()) saisie_.pop_back();
    return true;
  }
  if (appui.touche == Touche::Entree && !saisie_.empty()) {
    va_au_tick(std::stoll(std::exchange(saisie_, {})));
    return true;
  }
  if (appui.touche != Touche::Taille) saisie_.clear();  // any other key drops the number
  return commande(appui);
}

bool Platine::commande(const Appui& appui) {
  const auto saut = std::llround(secondes_par_saut / periode_);
  switch (appui.touche) {
    case Touche::Quitte:
      return false;
    case Touche::Espace:
      bascule();
      break;
    case Touche::Gauche:
    case Touche::Droite:
      pas(appui.touche == Touche::Gauche ? -1 : 1);
      break;
    case Touche::Debut:
      va(0);
      break;
    case Touche::Fin:
      va(ticks_.size() - 1);
      break;
    case Touche::Caractere:
      if (appui.caractere == '[') va_au_tick(tick() - saut);
      if (appui.caractere == ']') va_au_tick(tick() + saut);
      if (appui.caractere == '-' && vitesse_ > 0) --vitesse_;
      if ((appui.caractere == '+' || appui.caractere == '=') && vitesse_ + 1 < std::size(vitesses))
        ++vitesse_;
      break;
    default:
      break;
  }
  return true;
}

void Platine::avance(std::chrono::duration<double> duree) {
  if (!en_lecture_) return;
  position_ += vitesse() * duree.count() / periode_;
  if (position_ >= static_cast<double>(ticks_.back())) {
    va(ticks_.size() - 1);
    en_lecture_ = false;
    return;
  }
  const double joue = position_;
  va_au_tick(static_cast<std::int64_t>(std::floor(joue)));
  position_ = joue;  // the fraction carries over to the next call
}
