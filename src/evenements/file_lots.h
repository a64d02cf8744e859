// The bounded hand-over from the tick to the writer thread. The tick never
// waits on it: when it is full, the tick keeps its changes out and says so.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>

#include "evenements/evenements.h"

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
      std::scoped_lock tenu(mutex_);
      if (lots_.size() >= capacite_) return false;
      lots_.push_back(std::move(lot));
    }
    lot.clear();
    return true;
  }

  bool a_lot_en_attente() const {
    std::scoped_lock tenu(mutex_);
    return !lots_.empty();
  }

  bool a_de_la_place() const {
    std::scoped_lock tenu(mutex_);
    return lots_.size() < capacite_;
  }

  // Waits for room: only for the last changes of a match, without verrou.
  void depose(Lot lot) {
    std::unique_lock tenu(mutex_);
    place_.wait(tenu, [&] { return lots_.size() < capacite_; });
    lots_.push_back(std::move(lot));
    tenu.unlock();
    non_vide_.notify_one();
  }

  // The oldest lot; nothing once the file is closed and empty.
  std::optional<Lot> prend() {
    std::unique_lock tenu(mutex_);
    while (lots_.empty() && !fermee_) non_vide_.wait_for(tenu, attente_max);
    if (lots_.empty()) return std::nullopt;
    Lot lot = std::move(lots_.front());
    lots_.pop_front();
    tenu.unlock();
    place_.notify_one();
    return lot;
  }

  // The oldest lot, or nothing after `delai` without one, or at once once
  // the file is closed and empty.
  std::optional<Lot> prend_pendant(std::chrono::milliseconds delai) {
    std::unique_lock tenu(mutex_);
    if (lots_.empty() && !fermee_) non_vide_.wait_for(tenu, delai);
    if (lots_.empty()) return std::nullopt;
    Lot lot = std::move(lots_.front());
    lots_.pop_front();
    tenu.unlock();
    place_.notify_one();
    return lot;
  }

  // Closed, and every lot taken.
  bool epuisee() const {
    std::scoped_lock tenu(mutex_);
    return fermee_ && lots_.empty();
  }

  // No lot comes any more; prend() empties what is left, then says so.
  void ferme() {
    {
      std::scoped_lock tenu(mutex_);
      fermee_ = true;
    }
    non_vide_.notify_all();
  }

 private:
  const std::size_t capacite_;
  mutable std::mutex mutex_;
  std::condition_variable non_vide_;
  std::condition_variable place_;
  std::deque<Lot> lots_;
  bool fermee_ = false;
};
