// CLI11 in the reader's language: the labels and the help flag of its help
// screens, and its error messages, for every program around arene.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace commun {

// Before any option is added: the default group's name, the help flag's text
// and the help screen's labels, translated; `usage` is lower case, as the
// programs always printed it.
void traduit_aide(CLI::App& app);

// After the subcommands are declared: their heading in the help, translated.
void traduit_sous_commandes(CLI::App& app);

// CLI11's message for a wrong command line, in the reader's language.
[[nodiscard]] std::string message_erreur(const CLI::Error& erreur);

// Prints the help or the error as CLI11 would, translated; the exit status:
// 0 for --help, 1 for a wrong command line.
[[nodiscard]] int sortie_options(const CLI::App& app, const CLI::ParseError& erreur);

}  // namespace commun
