// arene-pilote --rejoue: a recording played back in the terminal, with no
// server involved.
#pragma once

#include <string>

#include "noms/noms.h"

// Returns the exit status. Throws Echec when the file is not a recording, and
// ErreurTerminal, always with the terminal already restored.
// `noms` names the colours the recording leaves unnamed.
int rejoue(const std::string& chemin, const noms::Noms& noms);
