// The events of a recording held for replay, stored by kind: a turn costs the
// few bytes of a turn, not the size of the largest kind of event, so a long
// match (or a file of a million tiny lines) stays small in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "enregistrement/evenements.h"

class SuiteEvenements {
 public:
  void ajoute(Evenement evenement) {
    const auto genre = static_cast<std::uint32_t>(evenement.index());
    std::visit(
        [&](auto&& e) {
          auto& liste = std::get<std::vector<std::decay_t<decltype(e)>>>(stock_);
          ordre_.push_back(Place{genre, static_cast<std::uint32_t>(liste.size())});
          liste.push_back(std::move(e));
        },
        std::move(evenement));
  }

  std::size_t taille() const { return ordre_.size(); }

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
    using type = std::tuple<std::vector<T>...>;
  };

  template <std::size_t G, typename F>
  void visite_genre(Place p, F& f) const {
    if constexpr (G < std::variant_size_v<Evenement>) {
      if (p.genre == G) {
        f(std::get<G>(stock_)[p.rang]);
      } else {
        visite_genre<G + 1>(p, f);
      }
    }
  }

  std::vector<Place> ordre_;
  Stock<Evenement>::type stock_;
};
