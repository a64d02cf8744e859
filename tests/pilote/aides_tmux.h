// Running arene-pilote in a real terminal: tmux runs it, send-keys types,
// capture-pane reads the screen. What the terminal tests share.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "pilote/aides_e2e.h"

std::optional<std::string> cherche_programme(const std::string& nom);
std::string lit_fichier(const std::filesystem::path& chemin);

// A temporary folder for what the shell around arene-pilote writes.
class Dossier {
 public:
  Dossier();
  ~Dossier();
  Dossier(const Dossier&) = delete;
  Dossier& operator=(const Dossier&) = delete;
  const std::filesystem::path& chemin() const { return chemin_; }

 private:
  std::filesystem::path chemin_;
};

// A tmux server of our own, its socket in `dossier` so that nothing is left
// behind; killed with everything in it when the object goes. The pane is 100
// columns by 40 rows.
class SessionTmux {
 public:
  SessionTmux(std::string tmux, const std::filesystem::path& dossier, const std::string& commande);
  ~SessionTmux();
  SessionTmux(const SessionTmux&) = delete;
  SessionTmux& operator=(const SessionTmux&) = delete;

  std::string ecran();
  // One key, named as tmux names them ("Space", "Left", "q").
  void tape(const std::string& touche);
  // The shell that runs the pane's command.
  pid_t shell();

 private:
  std::string lance(std::vector<std::string> arguments);
  std::string tmux_;
  std::string socket_;
};

// The shell line run in the pane: arene-pilote, then its exit status and the
// terminal's modes once it has gone, each in a file of `dossier`.
std::string commande_pilote(const std::filesystem::path& dossier,
                            const std::vector<std::string>& options);

// The exit status written by commande_pilote's shell line, once there.
std::optional<int> statut_final(const std::filesystem::path& dossier, Duree delai);

// A test with a temporary folder and tmux, skipped when tmux is missing.
class TestEnTerminal : public testing::Test {
 protected:
  void SetUp() override;
  std::string tmux_;
  Dossier dossier_;
};
