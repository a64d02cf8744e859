// The changes of a match on their way to the writer: noted one by one as the
// world changes, handed to the file as one lot at the end of each tick. The
// world never waits for the disk: a lot the file refuses is dropped whole,
// and once the file has room again, a mark of the gap and a full state
// replace the changes a reader missed. Used with the world's verrou held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "evenements/evenements.h"
#include "evenements/file_lots.h"

namespace evenements {

class Chronique {
 public:
  // Without a file, keeps nothing.
  explicit Chronique(FileLots* file) : file_(file) {}

  bool active() const { return file_ != nullptr; }
  void note(Evenement evenement);
  // The bullet at rank `rang` of the list as it was before the bullet pass left.
  void note_retiree(std::size_t rang);
  // The ranks noted since the last call, ascending, for the tick's event.
  std::vector<std::uint32_t> prend_retirees();

  // Hands the changes noted so far to the file, as those of tick `tick`, or
  // drops them if it is full. After lots were dropped, `etat()` gives the
  // full state that follows the mark of the gap.
  template <typename Etat>
  void publie(std::int64_t tick, const Etat& etat) {
    if (file_ == nullptr || lot_.empty()) return;
    if (en_perte_) {
      if (!file_->a_de_la_place()) {
        lot_.clear();
        return;
      }
      reprend(tick, etat());
    }
    depose(tick);
  }
  // At the end of a match: if lots were dropped, the mark and the state now,
  // so that the last lot leaves a reader with the match's final lists.
  template <typename Etat>
  void reprend_si_perte(std::int64_t tick, const Etat& etat) {
    if (en_perte_) reprend(tick, etat());
  }
  // The changes not handed over yet, to hand to the file without verrou.
  Lot derniers() { return std::move(lot_); }
  // Ticks whose changes the file could not take.
  std::int64_t ticks_perdus() const { return ticks_perdus_; }

 private:
  void reprend(std::int64_t tick, EvEtat etat);
  void depose(std::int64_t tick);

  FileLots* const file_;
  Lot lot_;  // changes not yet handed to the file
  std::vector<std::uint32_t> retirees_;
  bool en_perte_ = false;
  std::int64_t dernier_publie_ = 0;
  std::int64_t ticks_perdus_ = 0;
};

}  // namespace evenements
