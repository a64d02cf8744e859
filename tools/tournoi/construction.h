// Bots that need a build (C, C++, Java) are built once per tournament, before
// any match, each in its own cage without network; the build log is kept in
// the tournament's folder, and a failed build is that bot's loss in every match.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tournoi/plan.h"

// Builds the bots not built yet in this folder; returns one line per failed
// build ("name: why, see LOG").
std::vector<std::string> construit(const Plan& plan, const std::filesystem::path& dossier);
