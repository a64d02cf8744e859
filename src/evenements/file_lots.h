// The bounded hand-over from the tick to the writer thread. The tick never
// waits on it: when it is full, the tick keeps its changes out and says so.
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <optional>

#include "evenements/evenements.h"
#include "synchro/mutex.h"

namespace evenements {

class FileLots {
 public:
  // How late the writer may see a lot: one tick.
  static constexpr std::chrono::milliseconds attente_max{25};

  explicit FileLots(std::size_t capacite) : capacite_(capacite) {}

  // Never waits: false, and `lot` left as it was, when the file is full.
  // Wakes nobody either: waking the writer would cost the tick a system
  // call, and the writer looks for lots at least every `attente_max`.
  bool essaie_de_deposer(Lot& lot) {
    {
      synchro::MutexTenu tenu(mutex_);
      if (lots_.size() >= capacite_) return false;
      lots_.push_back(std::move(lot));
    }
    lot.clear();
    return true;
  }

  bool a_lot_en_attente() const {
    synchro::MutexTenu tenu(mutex_);
    return !lots_.empty();
  }

  bool a_de_la_place() const {
    synchro::MutexTenu tenu(mutex_);
    return lots_.size() < capacite_;
  }

  // Waits for room: only for the last changes of a match, without verrou.
  void depose(Lot lot) {
    synchro::MutexTenu tenu(mutex_);
    place_.attend(mutex_, [&]() REQUIRES(mutex_) { return lots_.size() < capacite_; });
    lots_.push_back(std::move(lot));
    tenu.relache();
    non_vide_.reveille_un();
  }

  // The oldest lot; nothing once the file is closed and empty.
  std::optional<Lot> prend() {
    return prend_premier([&]() REQUIRES(mutex_) {
      while (lots_.empty() && !fermee_) non_vide_.attend_pendant(mutex_, attente_max);
    });
  }

  // The oldest lot, or nothing after `delai` without one, or at once once
  // the file is closed and empty.
  std::optional<Lot> prend_pendant(std::chrono::milliseconds delai) {
    return prend_premier([&]() REQUIRES(mutex_) {
      if (lots_.empty() && !fermee_) non_vide_.attend_pendant(mutex_, delai);
    });
  }

  // Closed, and every lot taken.
  bool epuisee() const {
    synchro::MutexTenu tenu(mutex_);
    return fermee_ && lots_.empty();
  }

  // No lot comes any more; prend() empties what is left, then says so.
  void ferme() {
    {
      synchro::MutexTenu tenu(mutex_);
      fermee_ = true;
    }
    non_vide_.reveille_tous();
  }

 private:
  // Runs `attente` under the lock, then takes the oldest lot if there is one;
  // the depositor waiting for room is woken after the lock is given back.
  template <typename Attente>
  std::optional<Lot> prend_premier(Attente attente) {
    synchro::MutexTenu tenu(mutex_);
    attente();
    if (lots_.empty()) return std::nullopt;
    Lot lot = std::move(lots_.front());
    lots_.pop_front();
    tenu.relache();
    place_.reveille_un();
    return lot;
  }

  const std::size_t capacite_;
  mutable synchro::Mutex mutex_;
  synchro::Condition non_vide_;
  synchro::Condition place_;
  std::deque<Lot> lots_ GUARDED_BY(mutex_);
  bool fermee_ GUARDED_BY(mutex_) = false;
};

}  // namespace evenements
