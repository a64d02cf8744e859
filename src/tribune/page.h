// The page served at the spectator port's root: the viewer when the build
// has it, otherwise a short page saying so.
#pragma once

#include <string_view>

namespace tribune {

std::string_view page_accueil();

}  // namespace tribune
