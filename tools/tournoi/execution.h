// One match of a tournament: the referee on a free port, each bot with its
// colour, and at the end nothing left running, whatever happened. The local
// runner and a Slurm task both play matches through this.
#pragma once

#include <atomic>
#include <filesystem>
#include <optional>

#include "tournoi/plan.h"
#include "tournoi/resultat.h"
#include "transport/socket.h"

// The live viewers' listening socket on all the host's addresses, at `port`
// (0: one the system picks). Opened before a match moves into a network of
// its own, it stays reachable from the host, and the match's bots, in that
// other network, cannot reach it. Throws when the port cannot be had.
transport::Socket ouvre_tribune(std::int64_t port);

// Plays match `indice` of `plan` in its folder under `dossier` (emptied
// first), and writes its result there. When `arret` rises, the match is
// stopped, nothing is written and nothing is returned: it is played again on
// resumption. With `direct` (from ouvre_tribune), the referee serves the
// match live on it.
std::optional<ResultatMatch> joue_match(const Plan& plan, std::size_t indice,
                                        const std::filesystem::path& dossier,
                                        const std::atomic<bool>& arret,
                                        const transport::Socket* direct = nullptr);

// The bot's command for one match, its placeholders filled in.
std::string commande_bot(const BotInscrit& bot, int port, const Tournoi& tournoi);
