// A fixed number of places, taken without ever waiting: whoever finds none
// is turned away at once.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>

#include "synchro/mutex.h"

namespace tribune {

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
  mutable synchro::Mutex mutex_;
  synchro::Condition libres_;
  std::size_t occupees_ GUARDED_BY(mutex_) = 0;
};

class PlacesParAdresse;

// One place of an address held, given back when it goes.
class PlaceAdresse {
 public:
  PlaceAdresse(PlacesParAdresse& places, std::uint32_t adresse)
      : places_(&places), adresse_(adresse) {}
  PlaceAdresse(PlaceAdresse&& autre) noexcept
      : places_(std::exchange(autre.places_, nullptr)), adresse_(autre.adresse_) {}
  PlaceAdresse& operator=(PlaceAdresse&&) = delete;
  PlaceAdresse(const PlaceAdresse&) = delete;
  ~PlaceAdresse();

 private:
  PlacesParAdresse* places_;
  std::uint32_t adresse_;
};

// The same number of places for each address, so that one peer cannot take
// the places of all others.
class PlacesParAdresse {
 public:
  explicit PlacesParAdresse(std::size_t par_adresse) : par_adresse_(par_adresse) {}

  // Nothing when `adresse` holds all its places already.
  std::optional<PlaceAdresse> prend(std::uint32_t adresse);

 private:
  friend class PlaceAdresse;
  void rend(std::uint32_t adresse);

  const std::size_t par_adresse_;
  synchro::Mutex mutex_;
  // Addresses holding places only.
  std::unordered_map<std::uint32_t, std::size_t> occupees_ GUARDED_BY(mutex_);
};

}  // namespace tribune
