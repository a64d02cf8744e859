// A failure that ends an operation, carrying "fonction : probleme". It is caught
// only by the handlers that decide what it ends: a connection, a tick, or main.
#pragma once

#include <stdexcept>

namespace world {

struct Echec : std::runtime_error {
  using std::runtime_error::runtime_error;
};

}  // namespace world
