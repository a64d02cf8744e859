// A tournament as one Slurm job array: a task per match, each running
// `arene-tournoi match DOSSIER I` on its node, results in the shared folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct SoumissionSlurm {
  std::filesystem::path executable;  // arene-tournoi, as the nodes see it
  std::filesystem::path dossier;     // the tournament's folder, shared with the nodes
  std::string nom;                   // job name
  std::vector<std::size_t> matchs;   // array indexes: the match numbers
  std::optional<std::string> partition;
};

// "0-3,5,7-9"
std::string liste_tableau(const std::vector<std::size_t>& matchs);
// The batch script's text.
std::string script_slurm(const SoumissionSlurm& soumission);
// The id of the folder's last job when Slurm still has tasks of it queued or
// running: submitting its matches again would play them twice at once.
std::optional<std::string> tache_en_cours(const std::filesystem::path& dossier);
// Writes the script to slurm/tache.sh and submits it with sbatch. Returns the
// job's id; throws std::runtime_error with sbatch's words when it refuses.
std::string soumet(const SoumissionSlurm& soumission);
