// arene-charge --sonde: a health check for scripts. One probe ship watches the
// tick for a moment, then quits; the exit status and one line say how it went.
#pragma once

#include "charge/options.h"

// Exit statuses of the health check; 1 stays the command line's.
enum StatutSante : int {
  arene_saine = 0,           // registered, saw the world move, quit
  arene_injoignable = 2,     // connection refused, unreachable, or lost
  arene_figee = 3,           // no reply in time, or no tick seen
  arene_hors_protocole = 4,  // answered something the protocol never sends
};

// Probes the arena of `options` for `options.secondes` and prints the verdict:
// on standard output when healthy, on standard error otherwise.
StatutSante verifie_arene(const OptionsCharge& options);
