// One event as one JSON line of the recording, and back. Reals are written in
// their shortest form that reads back to the same double.
#pragma once

#include <string>
#include <string_view>

#include "evenements/evenements.h"

namespace enregistrement {

inline constexpr int version_format = 2;

// The line, without its line feed.
void ajoute_ligne(std::string& sortie, const evenements::Evenement& evenement);
std::string ligne(const evenements::Evenement& evenement);
// Every event of the lot as its line, each followed by a line feed.
void ajoute_lignes(std::string& sortie, const evenements::Lot& lot);

// Throws Echec naming what is wrong when the line is not an event of this format.
// The players of an `etat` line and the results of a `fin` line are left out:
// they are for people and the viewer, and the results have a file of their own.
evenements::Evenement lit_ligne(std::string_view ligne);

}  // namespace enregistrement
