// One cgroup per caged bot, beneath the groups this process is in: memory,
// processes and CPU bounded, the whole tree killed at once, and afterwards
// which limit it ran into. Both interfaces: v2 (one tree) and v1 (a tree per
// controller).
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cage {

enum class VersionCgroupes { Aucune, V1, V2 };
// "v1", "v2", "aucune": as the results write it.
std::string nom_version(VersionCgroupes version);

// Where the cgroup file systems are mounted. Another folder laid out the same
// way stands in for it in tests.
inline const std::filesystem::path racine_cgroupes = "/sys/fs/cgroup";
VersionCgroupes version_cgroupes(const std::filesystem::path& racine = racine_cgroupes);

// 0 leaves that resource unbounded.
struct LimitesCgroupe {
  std::uint64_t memoire = 0;  // bytes
  int processus = 0;          // processes and threads together
  double coeurs = 1;          // CPU time per wall second, at most
  // Its weight when the machine is short of CPU, in ordinary processes: a bot
  // keeps its part against other work, whatever its opponents do.
  int poids = 1;
};

class Cgroupe {
 public:
  // Throws std::runtime_error when this machine has no cgroup we may create.
  Cgroupe(const std::string& nom, const LimitesCgroupe& limites,
          const std::filesystem::path& racine = racine_cgroupes);
  ~Cgroupe();  // kills what is left, then removes the groups
  Cgroupe(const Cgroupe&) = delete;
  Cgroupe& operator=(const Cgroupe&) = delete;

  // The cgroup.procs files a process writes itself into.
  std::vector<std::filesystem::path> procs() const;
  bool borne_memoire() const { return !memoire_.empty(); }
  bool borne_processus() const { return !pids_.empty(); }
  // "memoire" or "processus" once the group ran into that limit.
  std::optional<std::string> limite_atteinte() const;
  // SIGKILL to every process in it, until none is left.
  void tue_tout();

 private:
  VersionCgroupes version_;
  std::filesystem::path memoire_, pids_, cpu_;  // the same folder with v2; empty: no controller
  std::vector<std::filesystem::path> crees_;
};

}  // namespace cage
