#include "cage/processus.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "cage/journal.h"

namespace cage {

namespace {

// What the child needs, ready before fork: between fork and exec only
// async-signal-safe calls.
struct Preparation {
  std::vector<char*> argv;
  std::string dossier;
  std::string journal;  // empty: the pipe's end `ecriture` is the output
  int ecriture = -1;
  int sortie = -1;
  int erreurs = -1;
  std::vector<std::string> cgroupes;
  std::vector<Rlimite> rlimites;
  std::vector<int> herites;
  pid_t parent = 0;
};

bool rejoint(const std::string& procs) {
  const int fd = ::open(procs.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = ::write(fd, "0", 1) == 1;
  ::close(fd);
  return ok;
}

void redirige(const Preparation& p) {
  const int nul = ::open("/dev/null", O_RDONLY);
  if (nul >= 0) ::dup2(nul, 0);
  const int fd = p.journal.empty() ? p.ecriture
                                   : ::open(p.journal.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  if (fd >= 0) {
    ::dup2(fd, 1);
    ::dup2(fd, 2);
  }
  if (p.sortie >= 0) ::dup2(p.sortie, 1);
  if (p.erreurs >= 0) ::dup2(p.erreurs, 2);
}

[[noreturn]] void devient_enfant(const Preparation& p) {
  ::setpgid(0, 0);
  // Should the tournament itself be killed, its matches go with it.
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != p.parent) ::_exit(126);
  sigset_t aucun;
  sigemptyset(&aucun);
  ::sigprocmask(SIG_SETMASK, &aucun, nullptr);
  for (const auto& procs : p.cgroupes)
    if (!rejoint(procs)) ::_exit(125);
  for (const auto& r : p.rlimites) {
    const rlimit l{r.souple.value_or(r.valeur), r.valeur};
    if (::setrlimit(r.ressource, &l) != 0) ::_exit(125);
  }
  redirige(p);
  for (const int fd : p.herites)
    if (::fcntl(fd, F_SETFD, 0) != 0) ::_exit(125);
  if (!p.dossier.empty() && ::chdir(p.dossier.c_str()) != 0) ::_exit(127);
  ::execvp(p.argv[0], p.argv.data());
  ::_exit(127);
}

FinProcessus depuis_siginfo(const siginfo_t& info) {
  if (info.si_code == CLD_EXITED) return {info.si_status, 0};
  return {0, info.si_status};
}

}  // namespace

std::string FinProcessus::texte() const {
  return signal ? "signal " + std::to_string(signal) : "exit " + std::to_string(code);
}

Groupe::Groupe(const Commande& commande) {
  if (commande.arguments.empty()) throw std::runtime_error("empty command");
  Preparation p;
  for (const auto& a : commande.arguments) p.argv.push_back(const_cast<char*>(a.c_str()));
  p.argv.push_back(nullptr);
  p.dossier = commande.dossier.string();
  for (const auto& c : commande.cgroupes) p.cgroupes.push_back(c.string());
  p.rlimites = commande.rlimites;
  p.sortie = commande.sortie;
  p.erreurs = commande.erreurs;
  p.herites = commande.herites;
  p.parent = ::getpid();
  int tube[2] = {-1, -1};
  if (commande.journal_max > 0) {
    if (::pipe2(tube, O_CLOEXEC) != 0)
      throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));
    p.ecriture = tube[1];
    journal_ = std::make_unique<Journal>(tube[0], commande.journal, commande.journal_max);
  } else {
    p.journal = commande.journal.empty() ? "/dev/null" : commande.journal.string();
  }
  pid_ = ::fork();
  if (pid_ == 0) devient_enfant(p);
  if (tube[1] >= 0) ::close(tube[1]);
  if (pid_ < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  // Also from here, so that a signal sent at once finds the group.
  ::setpgid(pid_, pid_);
}

Groupe::~Groupe() { tue(); }

bool Groupe::journal_coupe() const { return journal_ && journal_->coupe(); }

std::optional<FinProcessus> Groupe::fin() {
  if (fin_ || recolte_) return fin_;
  siginfo_t info{};
  if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
      info.si_pid == pid_)
    fin_ = depuis_siginfo(info);
  return fin_;
}

void Groupe::signale(int signal) {
  if (!recolte_) ::kill(-pid_, signal);
}

std::optional<FinProcessus> Groupe::attend(std::chrono::milliseconds delai) {
  const auto limite = std::chrono::steady_clock::now() + delai;
  while (!fin() && std::chrono::steady_clock::now() < limite)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return fin();
}

void Groupe::tue() {
  if (recolte_ || pid_ <= 0) return;
  ::kill(-pid_, SIGKILL);
  int statut = 0;
  while (::waitpid(pid_, &statut, 0) < 0 && errno == EINTR) {
  }
  if (!fin_)
    fin_ = WIFEXITED(statut) ? FinProcessus{WEXITSTATUS(statut), 0}
                             : FinProcessus{0, WTERMSIG(statut)};
  recolte_ = true;
  journal_.reset();  // the last of its output, now that nothing writes any more
}

std::uint64_t taches_de_l_utilisateur() {
  std::uint64_t taches = 0;
  std::error_code erreur;
  for (const auto& p : std::filesystem::directory_iterator("/proc", erreur)) {
    struct stat etat {};
    if (::stat(p.path().c_str(), &etat) != 0 || etat.st_uid != ::getuid()) continue;
    for ([[maybe_unused]] const auto& t :
         std::filesystem::directory_iterator(p.path() / "task", erreur))
      ++taches;
  }
  return taches;
}

std::optional<int> port_en_ecoute(pid_t pid, int sauf) {
  const std::filesystem::path proc = "/proc/" + std::to_string(pid);
  std::set<std::string> sockets;
  std::error_code erreur;
  for (const auto& fd : std::filesystem::directory_iterator(proc / "fd", erreur)) {
    const std::string cible = std::filesystem::read_symlink(fd.path(), erreur).string();
    if (cible.starts_with("socket:[")) sockets.insert(cible.substr(8, cible.size() - 9));
  }
  // Lines of "sl local_address rem_address st ... inode": a listening socket
  // has state 0A, and its port is the hexadecimal after the address's colon.
  for (const char* table : {"net/tcp", "net/tcp6"}) {
    std::ifstream flux(proc / table);
    std::string ligne;
    std::getline(flux, ligne);
    while (std::getline(flux, ligne)) {
      std::istringstream champs(ligne);
      std::string sl, local, distant, etat, ignore, inode;
      champs >> sl >> local >> distant >> etat;
      for (int i = 0; i < 5; ++i) champs >> ignore;
      champs >> inode;
      const int port = std::stoi(local.substr(local.rfind(':') + 1), nullptr, 16);
      if (etat == "0A" && sockets.contains(inode) && port != sauf) return port;
    }
  }
  return std::nullopt;
}

}  // namespace cage
