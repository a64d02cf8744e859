// The events of a recording held for replay, stored by kind: a turn costs the
// few bytes of a turn, not the size of the largest kind of event, so a long
// match (or a file of a million tiny lines) stays small in memory. Deques,
// not vectors: they grow by blocks, never by copying everything at twice the size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>

#include "evenements/evenements.h"

class SuiteEvenements {
 public:
  void ajoute(evenements::Evenement evenement) {
    const auto genre = static_cast<std::uint32_t>(evenement.index());
    std::visit(
        [&](auto&& e) {
          auto& liste = std::get<std::deque<std::decay_t<decltype(e)>>>(stock_);
          ordre_.push_back(Place{genre, static_cast<std::uint32_t>(liste.size())});
          liste.push_back(std::move(e));
        },
        std::move(evenement));
  }

  std::size_t taille() const { return ordre_.size(); }

  // Event `i` if it is a T, to change in place; nullptr otherwise.
  template <typename T>
  T* si(std::size_t i) {
    const Place p = ordre_[i];
    if (p.genre != genre_de<T>()) return nullptr;
    return &std::get<std::deque<T>>(stock_)[p.rang];
  }

  // Calls `f` with event `i` as its own type.
  template <typename F>
  void visite(std::size_t i, F&& f) const {
    visite_genre<0>(ordre_[i], f);
  }

  // Once every event is in: gives back what the vectors kept to grow.
  void ajuste() {
    ordre_.shrink_to_fit();
    std::apply([](auto&... listes) { (listes.shrink_to_fit(), ...); }, stock_);
  }

 private:
  struct Place {
    std::uint32_t genre;
    std::uint32_t rang;  // in the list of its kind
  };

  template <typename V>
  struct Stock;
  template <typename... T>
  struct Stock<std::variant<T...>> {
    using type = std::tuple<std::deque<T>...>;
  };

  template <typename T, std::size_t G = 0>
  static constexpr std::uint32_t genre_de() {
    if constexpr (std::is_same_v<std::variant_alternative_t<G, evenements::Evenement>, T>) {
      return G;
    } else {
      return genre_de<T, G + 1>();
    }
  }

  template <std::size_t G, typename F>
  void visite_genre(Place p, F& f) const {
    if constexpr (G < std::variant_size_v<evenements::Evenement>) {
      if (p.genre == G) {
        f(std::get<G>(stock_)[p.rang]);
      } else {
        visite_genre<G + 1>(p, f);
      }
    }
  }

  std::deque<Place> ordre_;
  Stock<evenements::Evenement>::type stock_;
};
