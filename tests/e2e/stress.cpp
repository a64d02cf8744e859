#include "e2e/stress.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

int entrees(const std::string& dossier) {
  DIR* d = ::opendir(dossier.c_str());
  if (d == nullptr) return -1;
  int n = 0;
  while (const dirent* e = ::readdir(d))
    if (e->d_name[0] != '.') ++n;
  ::closedir(d);
  return n;
}

std::string dossier(pid_t pid) { return "/proc/" + std::to_string(pid); }

// The whole reply to `requete`, header and lines, as one text.
std::string photo(ClientDeTest& client, std::string_view requete) {
  std::string texte;
  for (const auto& ligne : client.demande_liste(requete, 10s)) texte += ligne;
  return texte;
}

}  // namespace

long rss_ko(pid_t pid) {
  std::ifstream status(dossier(pid) + "/status");
  for (std::string ligne; std::getline(status, ligne);)
    if (ligne.starts_with("VmRSS:")) return std::stol(ligne.substr(6));
  return -1;
}

int nombre_threads(pid_t pid) { return entrees(dossier(pid) + "/task"); }

int nombre_descripteurs(pid_t pid) { return entrees(dossier(pid) + "/fd"); }

LimiteDescripteurs limite_descripteurs(pid_t pid) {
  std::ifstream limites(dossier(pid) + "/limits");
  for (std::string ligne; std::getline(limites, ligne);) {
    if (!ligne.starts_with("Max open files")) continue;
    std::istringstream champs(ligne.substr(14));
    LimiteDescripteurs limite;
    champs >> limite.souple >> limite.dure;
    return limite;
  }
  return {};
}

bool attend_que(const std::function<bool()>& condition, Duree delai) {
  const auto fin = std::chrono::steady_clock::now() + delai;
  for (;;) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= fin) return false;
    std::this_thread::sleep_for(20ms);
  }
}

bool le_monde_bouge(ClientDeTest& client, Duree delai) {
  return attend_que(
      [&] {
        if (client.demande("PUT ACTION TIRE\r\n", 10s) != "OK\r\n") return false;
        const std::string avant = photo(client, "GET BALLES\r\n");
        std::this_thread::sleep_for(200ms);
        return photo(client, "GET BALLES\r\n") != avant;
      },
      delai);
}

long compte_de_liste(const std::string& entete) {
  const auto blanc = entete.rfind(' ');
  if (blanc == std::string::npos) return -1;
  try {
    return std::stol(entete.substr(blanc + 1));
  } catch (const std::exception&) {
    return -1;
  }
}

long leve_limite_descripteurs() {
  rlimit limite{};
  if (::getrlimit(RLIMIT_NOFILE, &limite) != 0) return -1;
  limite.rlim_cur = limite.rlim_max;
  (void)::setrlimit(RLIMIT_NOFILE, &limite);
  ::getrlimit(RLIMIT_NOFILE, &limite);
  return static_cast<long>(limite.rlim_cur);
}

AuRepos au_repos(pid_t pid) {
  AuRepos repos{nombre_threads(pid), nombre_descripteurs(pid)};
  for (int i = 0; i < 25; ++i) {
    std::this_thread::sleep_for(20ms);
    repos.threads = std::min(repos.threads, nombre_threads(pid));
    repos.descripteurs = std::min(repos.descripteurs, nombre_descripteurs(pid));
  }
  return repos;
}

std::size_t inonde(ClientDeTest& client, Duree duree) {
  ::fcntl(client.fd(), F_SETFL, ::fcntl(client.fd(), F_GETFL) | O_NONBLOCK);
  std::string requetes;
  for (int i = 0; i < 10'000; ++i) requetes += "GET CUBES\r\n";
  std::size_t total = 0;
  const auto fin = std::chrono::steady_clock::now() + duree;
  while (std::chrono::steady_clock::now() < fin) {
    const ssize_t envoyes = ::send(client.fd(), requetes.data(), requetes.size(), MSG_NOSIGNAL);
    if (envoyes > 0) {
      total += static_cast<std::size_t>(envoyes);
      continue;
    }
    if (errno != EAGAIN && errno != EWOULDBLOCK) break;
    std::this_thread::sleep_for(50ms);
  }
  return total;
}
