#include "pilote/cadence.h"

namespace {

std::size_t rang(Action action) { return static_cast<std::size_t>(action); }

}  // namespace

void Cadence::appuie(Action action) { en_attente_[rang(action)] = true; }

void Cadence::tick_vu(Instant quand) {
  ++ticks_;
  dernier_tick_ = quand;
}

void Cadence::oublie() {
  en_attente_ = {};
  dernier_envoi_ = {};
}

bool Cadence::permise(Action action, Instant maintenant) const {
  const auto& envoi = dernier_envoi_[rang(action)];
  if (!envoi || ticks_ > envoi->tick) return true;
  // Two nominal periods without a tick: the board is still, so the clock
  // stands in for the ticks that cannot be seen.
  const bool ticks_visibles = dernier_tick_ && maintenant - *dernier_tick_ <= 2 * periode_;
  return !ticks_visibles && maintenant - envoi->quand >= periode_;
}

std::vector<Action> Cadence::libere(Instant maintenant) {
  std::vector<Action> actions;
  for (int i = 0; i < nb_actions; ++i) {
    const auto action = static_cast<Action>(i);
    if (!en_attente_[rang(action)] || !permise(action, maintenant)) continue;
    en_attente_[rang(action)] = false;
    dernier_envoi_[rang(action)] = Envoi{ticks_, maintenant};
    actions.push_back(action);
  }
  return actions;
}
