// Child processes that lead their own process group, so that one signal
// reaches everything a bot or the referee started, and nothing outlives its
// match. A caged child also joins its cgroups and takes its rlimits before it
// runs anything, and its output may go through a pipe cut at a size.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cage {

struct Rlimite {
  Rlimite(int r, std::uint64_t v, std::optional<std::uint64_t> s = std::nullopt)
      : ressource(r), valeur(v), souple(s) {}
  int ressource = 0;  // RLIMIT_NOFILE, ...
  std::uint64_t valeur = 0;
  std::optional<std::uint64_t> souple;  // a soft limit below valeur; none: valeur
};

struct Commande {
  Commande() = default;
  explicit Commande(std::vector<std::string> a, std::filesystem::path d = {},
                    std::filesystem::path j = {})
      : arguments(std::move(a)), dossier(std::move(d)), journal(std::move(j)) {}

  std::vector<std::string> arguments;  // the program first, looked up in PATH
  std::filesystem::path dossier;       // working directory; empty: ours
  std::filesystem::path journal;       // standard output and error go there (appended)
  // 0: the child writes the journal itself. Otherwise its output goes through
  // a pipe, and what passes this many bytes is dropped after a marked line.
  std::uint64_t journal_max = 0;
  std::vector<std::filesystem::path> cgroupes;  // cgroup.procs files the child joins
  std::vector<Rlimite> rlimites;
  // Descriptors the child's standard output and error go to instead of the
  // journal (a pipe its parent reads); -1: the journal.
  int sortie = -1;
  int erreurs = -1;
  // Descriptors the program keeps, under the same numbers: every other one
  // opened close-on-exec stays out of it.
  std::vector<int> herites;
};

// The line the journal ends with once it was cut.
inline constexpr const char* marque_journal_coupe = "\n[arene: journal cut here, limit reached]\n";

// How a process ended: its exit code, or the signal that ended it.
struct FinProcessus {
  int code = 0;
  int signal = 0;
  bool normale() const { return signal == 0 && code == 0; }
  std::string texte() const;  // "exit 3", "signal 9"
};

class Journal;

class Groupe {
 public:
  // Throws std::runtime_error when the process cannot be started; a program
  // that cannot be executed ends at once with code 127, one whose cgroups
  // cannot be joined with 125.
  explicit Groupe(const Commande& commande);
  ~Groupe();  // kills the whole group and reaps its leader
  Groupe(const Groupe&) = delete;
  Groupe& operator=(const Groupe&) = delete;

  pid_t pid() const { return pid_; }
  // How the leader ended, if it has; it is not reaped yet, so its pid, which
  // is the group's id, cannot be reused while the group may still be signalled.
  std::optional<FinProcessus> fin();
  // Sends `signal` to every process of the group.
  void signale(int signal);
  // Waits until the leader ends or `delai` passes.
  std::optional<FinProcessus> attend(std::chrono::milliseconds delai);
  // SIGKILL to the group, then reaps the leader. Idempotent.
  void tue();
  // Whether its output passed journal_max.
  bool journal_coupe() const;

 private:
  pid_t pid_ = -1;
  bool recolte_ = false;
  std::optional<FinProcessus> fin_;
  std::unique_ptr<Journal> journal_;
};

// The threads this user runs now, all processes together: RLIMIT_NPROC counts
// them all, so a bound for one bot is this plus its own part.
std::uint64_t taches_de_l_utilisateur();

// The TCP port process `pid` listens on, once it does (the first found
// other than `sauf`).
std::optional<int> port_en_ecoute(pid_t pid, int sauf = -1);

}  // namespace cage
