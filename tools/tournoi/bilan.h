// A match's ranking of its bots, from the referee's results and from how the
// bots' processes behaved.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tournoi/configuration.h"
#include "tournoi/processus.h"
#include "tournoi/resultat.h"

struct IssueProcessus {
  std::optional<FinProcessus> fin;  // how it ended by itself, if it did before being signalled
  bool tue = false;                 // it had to be killed after the match
  // The cage's limit it ran into, which stopped it: a loss like a crash.
  Defaillance limite = Defaillance::Aucune;
};

// The referee ranks the colours that registered. A bot that never registered,
// or whose process failed (non-zero exit, signal) while its ship was leaving
// play, is put below every other, tied with the other failures: a crash is a
// loss, whatever the moment. A bot killed for ignoring the end keeps the rank
// it played for. Throws std::runtime_error on damaged referee results.
std::vector<BilanBot> bilan_match(const std::vector<BotInscrit>& participants,
                                  const std::string& resultats_arbitre,
                                  const std::vector<IssueProcessus>& issues);
