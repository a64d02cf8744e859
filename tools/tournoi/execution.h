// One match of a tournament: the referee on a free port, each bot with its
// colour, and at the end nothing left running, whatever happened. The local
// runner and a Slurm task both play matches through this.
#pragma once

#include <atomic>
#include <filesystem>
#include <optional>

#include "tournoi/plan.h"
#include "tournoi/resultat.h"

// Plays match `indice` of `plan` in its folder under `dossier` (emptied
// first), and writes its result there. When `arret` rises, the match is
// stopped, nothing is written and nothing is returned: it is played again on
// resumption.
std::optional<ResultatMatch> joue_match(const Plan& plan, std::size_t indice,
                                        const std::filesystem::path& dossier,
                                        const std::atomic<bool>& arret);

// The bot's command for one match, its placeholders filled in.
std::string commande_bot(const BotInscrit& bot, int port, const Tournoi& tournoi);
