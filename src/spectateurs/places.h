// A fixed number of places, taken without ever waiting: whoever finds none
// is turned away at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <utility>

class Places;

// One place held, given back when it goes.
class Place {
 public:
  explicit Place(Places& places) : places_(&places) {}
  Place(Place&& autre) noexcept : places_(std::exchange(autre.places_, nullptr)) {}
  Place& operator=(Place&&) = delete;
  Place(const Place&) = delete;
  ~Place();

 private:
  Places* places_;
};

class Places {
 public:
  explicit Places(std::size_t nombre) : nombre_(nombre) {}

  // Nothing when every place is taken.
  std::optional<Place> prend();
  std::size_t occupees() const;
  // True once every place is back, false after `delai`.
  bool attend_toutes_libres(std::chrono::milliseconds delai);

 private:
  friend class Place;
  void rend();

  const std::size_t nombre_;
  mutable std::mutex mutex_;
  std::condition_variable libres_;
  std::size_t occupees_ = 0;
};
