// The pilot's game: register, then poll, draw and send the player's actions
// until the player quits, a signal comes or the connection fails.
#pragma once

#include <stdexcept>

#include "pilote/options.h"

// The server could not be reached at all.
struct Injoignable : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Returns the exit status. Throws Injoignable, CouleurPrise, ErreurConnexion
// (ErreurProtocole included) and ErreurTerminal, always with the terminal
// already restored.
int joue(const OptionsPilote& options);
