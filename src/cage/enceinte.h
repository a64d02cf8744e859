// The cage a bot runs in: bubblewrap for the namespaces and the file system
// it sees, cgroups (or rlimits where there are none) for what it may use, and
// a network namespace per match that holds the referee and its bots only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cage {

inline constexpr std::uint64_t mio = 1024 * 1024;

struct Limites {
  std::uint64_t memoire = 512 * mio;
  int processus = 64;                  // processes and threads together
  int fichiers = 256;                  // open files
  std::uint64_t brouillon = 64 * mio;  // its writable scratch folder, /tmp
  std::uint64_t journal = 10 * mio;    // its output per match
};

struct Enceinte {
  std::filesystem::path dossier;                // the bot's own, read-only, its working directory
  std::vector<std::filesystem::path> lectures;  // more read-only folders: the installed kits
  Limites limites;
  // A build: its folder writable for what it makes, and no network at all.
  bool construction = false;
};

// bwrap's command line running `commande` through /bin/sh in the cage.
std::vector<std::string> arguments_bwrap(const Enceinte& enceinte, const std::string& commande);

// Why this machine cannot cage bots, and what to install or enable; nothing
// when it can.
std::optional<std::string> empechement();

// Without root, the tournament becomes root of a user namespace of its own,
// so that it may create network namespaces: to be called while this process
// has a single thread. Does nothing for root.
void prend_ses_espaces();

// Moves the calling thread, and the processes it starts from now on, into a
// new network namespace with only its loopback up. Throws std::runtime_error.
void isole_reseau();

}  // namespace cage
