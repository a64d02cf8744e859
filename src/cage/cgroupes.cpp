#include "cage/cgroupes.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace cage {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t periode_us = 100'000;

bool ecrit(const fs::path& fichier, const std::string& valeur) {
  std::ofstream flux(fichier);
  flux << valeur;
  flux.flush();
  return static_cast<bool>(flux);
}

std::string lit(const fs::path& fichier) {
  std::ifstream flux(fichier);
  std::ostringstream texte;
  texte << flux.rdbuf();
  return texte.str();
}

// The counter after `cle` in a "key value" file such as memory.events.
std::uint64_t compteur(const fs::path& fichier, const std::string& cle) {
  std::istringstream lignes(lit(fichier));
  std::string nom;
  std::uint64_t valeur = 0;
  while (lignes >> nom >> valeur)
    if (nom == cle) return valeur;
  return 0;
}

// Our own group for `controleur` ("" for the v2 tree), from /proc/self/cgroup.
std::optional<fs::path> groupe_propre(const std::string& controleur) {
  std::ifstream flux("/proc/self/cgroup");
  for (std::string ligne; std::getline(flux, ligne);) {
    const auto a = ligne.find(':'), b = ligne.find(':', a + 1);
    if (a == std::string::npos || b == std::string::npos) continue;
    std::set<std::string> noms;
    std::istringstream liste(ligne.substr(a + 1, b - a - 1));
    for (std::string n; std::getline(liste, n, ',');) noms.insert(n);
    if (controleur.empty() ? ligne.substr(0, a) == "0" && noms.empty() : noms.contains(controleur))
      return fs::path(ligne.substr(b + 1)).relative_path();
  }
  return std::nullopt;
}

// v2 allows controllers below a group only once no process sits in it: the
// tournament moves itself into a leaf first, once per tree.
fs::path parent_v2(const fs::path& racine) {
  static std::mutex verrou;
  static std::set<fs::path> prets;
  const fs::path parent = racine / groupe_propre("").value_or("");
  const std::lock_guard garde(verrou);
  if (prets.insert(parent).second) {
    const fs::path feuille = parent / "arene-tournoi";
    fs::create_directories(feuille);
    ecrit(feuille / "cgroup.procs", std::to_string(::getpid()));
    for (const char* c : {"+memory", "+pids", "+cpu"}) ecrit(parent / "cgroup.subtree_control", c);
  }
  return parent;
}

// The pid in a runner's group name "arene-PID-...", 0 for any other name.
pid_t pid_du_groupe(const std::string& nom) {
  if (!nom.starts_with("arene-")) return 0;
  std::size_t fin = 0;
  try {
    const long pid = std::stol(nom.substr(6), &fin);
    return nom.size() > 6 + fin && nom[6 + fin] == '-' && pid > 1 ? static_cast<pid_t>(pid) : 0;
  } catch (const std::exception&) {
    return 0;
  }
}

// A runner killed outright (kill -9, a crash) leaves its empty groups behind:
// the next group made beside them removes those of processes gone. rmdir
// never removes a group that still holds a process or a group; a group under
// a minute old may be a runner's of another pid namespace, not filled yet.
void retire_les_groupes_morts(const fs::path& parent) {
  const auto avant = fs::file_time_type::clock::now() - std::chrono::minutes(1);
  std::error_code erreur;
  for (const auto& entree : fs::directory_iterator(parent, erreur)) {
    const pid_t pid = pid_du_groupe(entree.path().filename().string());
    if (pid == 0 || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
    if (entree.last_write_time(erreur) < avant) ::rmdir(entree.path().c_str());
  }
}

fs::path cree(const fs::path& dossier, std::vector<fs::path>& crees) {
  retire_les_groupes_morts(dossier.parent_path());
  std::error_code erreur;
  if (!fs::create_directory(dossier, erreur) && erreur) return {};
  crees.push_back(dossier);
  return dossier;
}

}  // namespace

std::string nom_version(VersionCgroupes version) {
  switch (version) {
    case VersionCgroupes::V1:
      return "v1";
    case VersionCgroupes::V2:
      return "v2";
    case VersionCgroupes::Aucune:
      break;
  }
  return "aucune";
}

VersionCgroupes version_cgroupes(const fs::path& racine) {
  if (fs::exists(racine / "cgroup.controllers")) return VersionCgroupes::V2;
  if (fs::is_directory(racine / "memory") || fs::is_directory(racine / "pids"))
    return VersionCgroupes::V1;
  return VersionCgroupes::Aucune;
}

Cgroupe::Cgroupe(const std::string& nom, const LimitesCgroupe& l, const fs::path& racine)
    : version_(version_cgroupes(racine)) {
  const std::string quota = std::to_string(static_cast<std::uint64_t>(l.coeurs * periode_us));
  if (version_ == VersionCgroupes::V2) {
    const fs::path g = cree(parent_v2(racine) / nom, crees_);
    if (g.empty()) throw std::runtime_error("cannot create cgroup " + (racine / nom).string());
    if (l.memoire && ecrit(g / "memory.max", std::to_string(l.memoire))) memoire_ = g;
    if (l.memoire) ecrit(g / "memory.swap.max", "0");
    if (l.processus && ecrit(g / "pids.max", std::to_string(l.processus))) pids_ = g;
    if (l.coeurs > 0 && ecrit(g / "cpu.max", quota + " " + std::to_string(periode_us))) cpu_ = g;
    ecrit(g / "cpu.weight", std::to_string(std::clamp(100 * l.poids, 1, 10'000)));
  } else if (version_ == VersionCgroupes::V1) {
    const auto sous = [&](const std::string& c) {
      const auto propre = groupe_propre(c);
      return propre && fs::is_directory(racine / c) ? cree(racine / c / *propre / nom, crees_)
                                                    : fs::path();
    };
    if (l.memoire) memoire_ = sous("memory");
    if (l.processus) pids_ = sous("pids");
    cpu_ = sous("cpu");
    if (!memoire_.empty() && ecrit(memoire_ / "memory.limit_in_bytes", std::to_string(l.memoire)))
      ecrit(memoire_ / "memory.memsw.limit_in_bytes", std::to_string(l.memoire));
    if (!pids_.empty()) ecrit(pids_ / "pids.max", std::to_string(l.processus));
    if (!cpu_.empty()) {
      if (l.coeurs > 0) ecrit(cpu_ / "cpu.cfs_quota_us", quota);
      ecrit(cpu_ / "cpu.shares", std::to_string(1024 * l.poids));
    }
  }
  if (crees_.empty()) throw std::runtime_error("no cgroup can be created here");
}

Cgroupe::~Cgroupe() {
  tue_tout();
  for (auto g = crees_.rbegin(); g != crees_.rend(); ++g) {
    // A group is removed once its last process is reaped, which may lag.
    for (int essai = 0; essai < 100 && ::rmdir(g->c_str()) != 0 && errno == EBUSY; ++essai)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

std::vector<fs::path> Cgroupe::procs() const {
  std::vector<fs::path> fichiers;
  for (const auto& g : crees_) fichiers.push_back(g / "cgroup.procs");
  return fichiers;
}

std::optional<std::string> Cgroupe::limite_atteinte() const {
  const bool v2 = version_ == VersionCgroupes::V2;
  if (!memoire_.empty() &&
      compteur(memoire_ / (v2 ? "memory.events" : "memory.oom_control"), "oom_kill") > 0)
    return "memoire";
  if (!pids_.empty() && compteur(pids_ / "pids.events", "max") > 0) return "processus";
  return std::nullopt;
}

void Cgroupe::tue_tout() {
  if (crees_.empty()) return;
  const fs::path g = crees_.front();
  if (version_ == VersionCgroupes::V2 && ecrit(g / "cgroup.kill", "1")) return;
  // v1 has no cgroup.kill: a fork bomb may add processes while we read the
  // list, so the list is read again until it stays empty.
  for (int tour = 0; tour < 1000; ++tour) {
    std::istringstream pids(lit(g / "cgroup.procs"));
    bool vide = true;
    for (pid_t pid = 0; pids >> pid; vide = false) ::kill(pid, SIGKILL);
    if (vide) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

}  // namespace cage
