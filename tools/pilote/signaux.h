// SIGINT, SIGTERM and SIGHUP, caught for the life of this object so that the
// main loop can restore the terminal before the program ends; the previous
// handlers come back when it goes. Make it before the terminal: curses then
// leaves these signals to us.
#pragma once

#include <signal.h>

#include <array>

class GardeSignaux {
 public:
  GardeSignaux();
  ~GardeSignaux();
  GardeSignaux(const GardeSignaux&) = delete;
  GardeSignaux& operator=(const GardeSignaux&) = delete;

  // The last signal caught, or 0.
  static int recu();

 private:
  std::array<struct sigaction, 3> anciens_{};
};
