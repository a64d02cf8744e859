#include "pilote/aides_tmux.h"

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

std::optional<std::string> cherche_programme(const std::string& nom) {
  const char* chemin = std::getenv("PATH");
  std::stringstream dossiers(chemin ? chemin : "/usr/bin:/bin");
  for (std::string dossier; std::getline(dossiers, dossier, ':');)
    if (!dossier.empty() && ::access((dossier + "/" + nom).c_str(), X_OK) == 0)
      return dossier + "/" + nom;
  return std::nullopt;
}

std::string lit_fichier(const fs::path& chemin) {
  std::ifstream f(chemin);
  return {std::istreambuf_iterator<char>(f), {}};
}

Dossier::Dossier() {
  std::string modele = (fs::temp_directory_path() / "arene-pilote-XXXXXX").string();
  if (::mkdtemp(modele.data()) == nullptr) throw std::runtime_error("mkdtemp");
  chemin_ = modele;
}

Dossier::~Dossier() {
  std::error_code ignore;
  fs::remove_all(chemin_, ignore);
}

SessionTmux::SessionTmux(std::string tmux, const fs::path& dossier, const std::string& commande)
    : tmux_(std::move(tmux)), socket_((dossier / "tmux").string()) {
  // A detached session needs no terminal of ours, but tmux wants a TERM.
  ::setenv("TERM", "xterm-256color", /*overwrite=*/0);
  lance({"new-session", "-d", "-x", "100", "-y", "40", "-s", "pilote", commande});
}

SessionTmux::~SessionTmux() { lance({"kill-server"}); }

std::string SessionTmux::ecran() { return lance({"capture-pane", "-p", "-t", "pilote"}); }

void SessionTmux::tape(const std::string& touche) { lance({"send-keys", "-t", "pilote", touche}); }

pid_t SessionTmux::shell() {
  return static_cast<pid_t>(std::stol(lance({"display", "-p", "-t", "pilote", "#{pane_pid}"})));
}

std::string SessionTmux::lance(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), {"-u", "-S", socket_});
  Processus p(tmux_, arguments);
  p.attend_fin(10s);
  return p.sortie();
}

namespace {

std::string entre_quotes(const std::string& texte) { return "'" + texte + "'"; }

}  // namespace

std::string commande_pilote(const fs::path& dossier, const std::vector<std::string>& options) {
  std::string ligne = "LANG=C.UTF-8 " + entre_quotes(binaire_pilote());
  for (const auto& o : options) ligne += " " + entre_quotes(o);
  ligne += " 2>" + entre_quotes(dossier / "erreurs") + "; echo $? >" +
           entre_quotes(dossier / "statut.tmp") + "; stty -a >" + entre_quotes(dossier / "stty") +
           "; mv " + entre_quotes(dossier / "statut.tmp") + " " + entre_quotes(dossier / "statut");
  return ligne;
}

std::optional<int> statut_final(const fs::path& dossier, Duree delai) {
  std::optional<int> statut;
  attend(
      [&] {
        const std::string texte = lit_fichier(dossier / "statut");
        if (!texte.empty()) statut = std::stoi(texte);
        return statut.has_value();
      },
      delai);
  return statut;
}

void TestEnTerminal::SetUp() {
  const auto chemin = cherche_programme("tmux");
  if (!chemin) GTEST_SKIP() << "tmux is not installed: apt-get install tmux";
  tmux_ = *chemin;
}
