// Key presses become actions at the pace a bot could keep: each kind of action
// at most once per observed tick, however fast the keyboard repeats.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "pilote/etat.h"

class Cadence {
 public:
  // `periode` is the server's nominal tick, the pace used while no tick can
  // be seen (nothing moves on the board).
  explicit Cadence(Horloge::duration periode) : periode_(periode) {}

  // A key press; presses of one kind made before it can be sent count once.
  void appuie(Action action);
  // A tick was seen in the last poll.
  void tick_vu(Instant quand);
  // The pending actions that may go now, in a fixed order; they stop pending.
  std::vector<Action> libere(Instant maintenant);
  // The player's ship is new: nothing pending, nothing sent yet.
  void oublie();

 private:
  bool permise(Action action, Instant maintenant) const;

  struct Envoi {
    std::uint64_t tick = 0;
    Instant quand;
  };
  Horloge::duration periode_;
  std::array<bool, nb_actions> en_attente_{};
  std::array<std::optional<Envoi>, nb_actions> dernier_envoi_{};
  std::uint64_t ticks_ = 0;
  std::optional<Instant> dernier_tick_;
};
