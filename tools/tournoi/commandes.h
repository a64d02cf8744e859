// The subcommands of arene-tournoi. Each returns the program's exit status.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

// Exit statuses.
inline constexpr int sortie_ok = 0;
inline constexpr int sortie_erreur = 1;     // bad file, folder or command line
inline constexpr int sortie_incomplet = 3;  // some matches failed or have no result
inline constexpr int sortie_interrompu = 130;

struct OptionsLance {
  std::filesystem::path fichier;
  std::optional<std::filesystem::path> dossier;  // default: <name>-<date> here
  int paralleles = 1;
  bool reprendre = false;
  bool slurm = false;
  std::optional<std::string> partition;
  std::optional<std::filesystem::path> arbitre;
  std::optional<std::filesystem::path> visionneuse;
  bool sans_cage = false;  // bots run as the organiser, with no sandbox
  // A listening socket inherited from the program that runs this one: the
  // matches are played one at a time, each watched live on it.
  std::optional<int> spectateurs_fd;
};

int verifie(const std::filesystem::path& fichier);
int lance(const OptionsLance& options, const std::atomic<bool>& arret);
// With `spectateurs`, the match can be watched live on that port of the host.
int commande_match(const std::filesystem::path& dossier, std::size_t indice,
                   std::optional<std::int64_t> spectateurs, const std::atomic<bool>& arret);
int rassemble(const std::filesystem::path& dossier,
              const std::optional<std::filesystem::path>& visionneuse);
