#include "cage/enceinte.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "cage/processus.h"

namespace cage {

namespace fs = std::filesystem;

namespace {

// What interpreters and compilers read from /etc; never passwords or keys.
const char* const etc_utiles[] = {"/etc/alternatives",    "/etc/ld.so.cache",   "/etc/ld.so.conf",
                                  "/etc/ld.so.conf.d",    "/etc/localtime",     "/etc/passwd",
                                  "/etc/group",           "/etc/nsswitch.conf", "/etc/hosts",
                                  "/etc/java-17-openjdk", "/etc/ssl/certs",     "/etc/python3"};

// /bin and /lib are links into /usr on current systems, folders on older ones.
void systeme(std::vector<std::string>& a) {
  a.insert(a.end(), {"--ro-bind", "/usr", "/usr"});
  for (const char* d : {"/bin", "/sbin", "/lib", "/lib32", "/lib64"}) {
    std::error_code erreur;
    if (fs::is_symlink(d, erreur))
      a.insert(a.end(), {"--symlink", fs::read_symlink(d, erreur).string(), d});
    else if (fs::is_directory(d, erreur))
      a.insert(a.end(), {"--ro-bind", d, d});
  }
  for (const char* e : etc_utiles) a.insert(a.end(), {"--ro-bind-try", e, e});
}

std::optional<std::string> cherche_dans_path(const std::string& programme) {
  const char* path = std::getenv("PATH");
  std::string reste = path ? path : "/usr/bin:/bin";
  for (std::size_t debut = 0; debut <= reste.size();) {
    auto fin = reste.find(':', debut);
    if (fin == std::string::npos) fin = reste.size();
    const fs::path candidat = fs::path(reste.substr(debut, fin - debut)) / programme;
    if (::access(candidat.c_str(), X_OK) == 0) return candidat.string();
    debut = fin + 1;
  }
  return std::nullopt;
}

// Runs `arguments` with its output dropped; true when it exits with 0. A
// probe still running after a minute counts as failed.
bool reussit(const std::vector<std::string>& arguments) {
  try {
    Groupe sonde{Commande(arguments)};
    const auto fin = sonde.attend(std::chrono::minutes(1));
    return fin && fin->normale();
  } catch (const std::runtime_error&) {
    return false;
  }
}

bool ecrit(const char* fichier, const std::string& texte) {
  std::ofstream flux(fichier);
  flux << texte;
  flux.flush();
  return static_cast<bool>(flux);
}

}  // namespace

// Every namespace but the network's, which the match's referee shares.
const char* const espaces[] = {"--unshare-user",
                               "--uid",
                               "65534",
                               "--gid",
                               "65534",
                               "--unshare-ipc",
                               "--unshare-pid",
                               "--unshare-uts",
                               "--unshare-cgroup-try",
                               "--die-with-parent",
                               "--new-session",
                               "--cap-drop",
                               "ALL"};

// A small environment of its own: nothing of the organiser's.
const char* const environnement[] = {
    "--clearenv", "--setenv", "PATH",     "/usr/local/bin:/usr/bin:/bin",
    "--setenv",   "HOME",     "/tmp",     "--setenv",
    "TMPDIR",     "/tmp",     "--setenv", "LANG",
    "C.UTF-8"};

std::vector<std::string> arguments_bwrap(const Enceinte& e, const std::string& commande) {
  std::vector<std::string> a = {"bwrap"};
  a.insert(a.end(), std::begin(espaces), std::end(espaces));
  if (e.construction) a.push_back("--unshare-net");
  systeme(a);
  a.insert(a.end(), {"--proc", "/proc", "--dev", "/dev", "--size",
                     std::to_string(e.limites.brouillon), "--tmpfs", "/tmp"});
  for (const auto& l : e.lectures) a.insert(a.end(), {"--ro-bind-try", l.string(), l.string()});
  const std::string dossier = e.dossier.string();
  // The root itself read-only: the scratch /tmp is all a bot may write.
  a.insert(a.end(), {e.construction ? "--bind" : "--ro-bind", dossier, dossier, "--remount-ro", "/",
                     "--chdir", dossier});
  a.insert(a.end(), std::begin(environnement), std::end(environnement));
  a.insert(a.end(), {"--", "/bin/sh", "-c", commande});
  return a;
}

std::optional<std::string> empechement() {
  if (!cherche_dans_path("bwrap"))
    return "bubblewrap is missing: install it (apt-get install bubblewrap)";
  if (!reussit({"bwrap", "--unshare-user", "--unshare-pid", "--ro-bind", "/usr", "/usr",
                "--symlink", "usr/bin", "/bin", "--symlink", "usr/lib", "/lib", "--symlink",
                "usr/lib64", "/lib64", "--proc", "/proc", "--", "/usr/bin/true"}))
    return "bwrap cannot create namespaces here: enable unprivileged user namespaces "
           "(sysctl kernel.unprivileged_userns_clone=1, user.max_user_namespaces > 0)";
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(::unshare(CLONE_NEWNET) == 0 ? 0 : 1);
  int statut = 1;
  if (pid > 0) ::waitpid(pid, &statut, 0);
  if (pid < 0 || statut != 0)
    return "cannot create a network namespace per match: run as root, or enable user "
           "namespaces for this user";
  return std::nullopt;
}

void prend_ses_espaces() {
  if (::geteuid() == 0) return;
  const auto uid = ::getuid();
  const auto gid = ::getgid();
  if (::unshare(CLONE_NEWUSER) != 0) return;  // empechement() then says why
  ecrit("/proc/self/setgroups", "deny");
  ecrit("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1");
  ecrit("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

void isole_reseau() {
  if (::unshare(CLONE_NEWNET) != 0)
    throw std::runtime_error(std::string("network namespace: ") + std::strerror(errno));
  const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ifreq demande{};
  std::strncpy(demande.ifr_name, "lo", IFNAMSIZ - 1);
  const bool ok = s >= 0 && ::ioctl(s, SIOCGIFFLAGS, &demande) == 0 &&
                  (demande.ifr_flags |= IFF_UP, ::ioctl(s, SIOCSIFFLAGS, &demande) == 0);
  if (s >= 0) ::close(s);
  if (!ok) throw std::runtime_error(std::string("loopback: ") + std::strerror(errno));
}

}  // namespace cage
