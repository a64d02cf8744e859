// A tournament's plan: the bots, the rules and every match with its seed.
// `lance` writes it once into the tournament's folder as plan.json; every
// match, local or on a Slurm node, and `rassemble` read it from there, so that
// they all work from the very same list.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tournoi/calendrier.h"
#include "tournoi/configuration.h"

struct Plan {
  Tournoi tournoi;
  std::vector<MatchPrevu> matchs;
  std::filesystem::path arbitre;  // absolute path of arene-arbitre
};

Plan plan_de(const Tournoi& tournoi, const std::filesystem::path& arbitre);

std::string texte_plan(const Plan& plan);
// Throws std::runtime_error on a file that is not a plan.
Plan plan_de_texte(const std::string& texte);

std::filesystem::path chemin_plan(const std::filesystem::path& dossier);
void ecrit_plan(const std::filesystem::path& dossier, const Plan& plan);
Plan lit_plan(const std::filesystem::path& dossier);
