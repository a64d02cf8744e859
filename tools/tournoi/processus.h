// Child processes that lead their own process group, so that one signal
// reaches everything a bot or the referee started, and nothing outlives its
// match.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct Commande {
  std::vector<std::string> arguments;  // the program first, looked up in PATH
  std::filesystem::path dossier;       // working directory; empty: ours
  std::filesystem::path journal;       // standard output and error go there (appended)
};

// How a process ended: its exit code, or the signal that ended it.
struct FinProcessus {
  int code = 0;
  int signal = 0;
  bool normale() const { return signal == 0 && code == 0; }
  std::string texte() const;  // "exit 3", "signal 9"
};

class Groupe {
 public:
  // Throws std::runtime_error when the process cannot be started; a program
  // that cannot be executed ends at once with code 127.
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

 private:
  pid_t pid_ = -1;
  bool recolte_ = false;
  std::optional<FinProcessus> fin_;
};

// The TCP port process `pid` listens on, once it does (the first found).
std::optional<int> port_en_ecoute(pid_t pid);
