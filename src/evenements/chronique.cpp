#include "evenements/chronique.h"

#include <algorithm>
#include <utility>

namespace evenements {

void Chronique::note(Evenement evenement) {
  if (file_ != nullptr) lot_.push_back(std::move(evenement));
}

void Chronique::note_retiree(std::size_t rang) {
  if (file_ != nullptr) retirees_.push_back(static_cast<std::uint32_t>(rang));
}

std::vector<std::uint32_t> Chronique::prend_retirees() { return std::exchange(retirees_, {}); }

// The changes since the last lot handed over are of no use to a reader that
// missed the lots before: a full state replaces them, behind a mark of the gap.
void Chronique::reprend(std::int64_t tick, EvEtat etat) {
  ticks_perdus_ += std::max<std::int64_t>(0, tick - 1 - dernier_publie_);
  lot_.clear();
  lot_.push_back(EvPerdu{dernier_publie_ + 1, tick - 1});
  lot_.push_back(std::move(etat));
  en_perte_ = false;
}

void Chronique::depose(std::int64_t tick) {
  if (file_->essaie_de_deposer(lot_)) {
    dernier_publie_ = tick;
    return;
  }
  en_perte_ = true;
  lot_.clear();
}

}  // namespace evenements
