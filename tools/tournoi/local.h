// Matches played on this machine, several at once.
#pragma once

#include <atomic>
#include <filesystem>
#include <vector>

#include "tournoi/plan.h"
#include "tournoi/resultat.h"
#include "transport/socket.h"

// Plays the matches `a_jouer` of `plan`, `paralleles` at a time, showing the
// progress on standard error: a bar when it is a terminal, a line per match
// otherwise. When `arret` rises, the running matches are stopped and left
// unwritten. Returns the results of the matches played to their end. With
// `direct`, each referee in turn serves its match live on that socket, so
// the matches go one at a time whatever `paralleles` says.
std::vector<ResultatMatch> joue_local(const Plan& plan, const std::filesystem::path& dossier,
                                      const std::vector<std::size_t>& a_jouer, int paralleles,
                                      const std::atomic<bool>& arret,
                                      const transport::Socket* direct = nullptr);
