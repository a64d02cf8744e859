#include "tribune/places.h"

namespace tribune {

Place::~Place() {
  if (places_ != nullptr) places_->rend();
}

std::optional<Place> Places::prend() {
  synchro::MutexTenu tenu(mutex_);
  if (occupees_ >= nombre_) return std::nullopt;
  ++occupees_;
  return std::optional<Place>(std::in_place, *this);
}

void Places::rend() {
  // Notified under the mutex: once a waiter sees no place taken, it may
  // destroy this object, and nothing here touches it after the unlock.
  synchro::MutexTenu tenu(mutex_);
  --occupees_;
  if (occupees_ == 0) libres_.reveille_tous();
}

std::size_t Places::occupees() const {
  synchro::MutexTenu tenu(mutex_);
  return occupees_;
}

bool Places::attend_toutes_libres(std::chrono::milliseconds delai) {
  synchro::MutexTenu tenu(mutex_);
  return libres_.attend_pendant(mutex_, delai, [&]() REQUIRES(mutex_) { return occupees_ == 0; });
}

PlaceAdresse::~PlaceAdresse() {
  if (places_ != nullptr) places_->rend(adresse_);
}

std::optional<PlaceAdresse> PlacesParAdresse::prend(std::uint32_t adresse) {
  synchro::MutexTenu tenu(mutex_);
  std::size_t& occupees = occupees_[adresse];
  if (occupees >= par_adresse_) return std::nullopt;
  ++occupees;
  return std::optional<PlaceAdresse>(std::in_place, *this, adresse);
}

void PlacesParAdresse::rend(std::uint32_t adresse) {
  synchro::MutexTenu tenu(mutex_);
  const auto it = occupees_.find(adresse);
  if (--it->second == 0) occupees_.erase(it);
}

}  // namespace tribune
