// What the hostile tests observe of the server process (/proc) and of its
// world, and how much they scale down under the sanitizers.
#pragma once

#include <sys/types.h>

#include <functional>

#include "e2e/serveur_de_test.h"

// Sanitized servers run several times slower and use far more memory per
// thread: stress tests shrink their counts and durations there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool sous_sanitizer = true;
#else
inline constexpr bool sous_sanitizer = false;
#endif

// Resident set size of the process, in KiB (VmRSS); -1 if it cannot be read.
long rss_ko(pid_t pid);
// Entries of /proc/PID/task and /proc/PID/fd; -1 if they cannot be read.
int nombre_threads(pid_t pid);
int nombre_descripteurs(pid_t pid);
// The soft and hard RLIMIT_NOFILE of the process, from /proc/PID/limits.
struct LimiteDescripteurs {
  long souple = -1;
  long dure = -1;
};
LimiteDescripteurs limite_descripteurs(pid_t pid);

// Polls `condition` every 20 ms until it holds or `delai` passes.
bool attend_que(const std::function<bool()>& condition, Duree delai);

// True when the world visibly moves within `delai`: `client`, registered,
// fires, and two pictures of the bullets taken apart differ. Only the tick
// moves bullets, so a difference means it runs.
bool le_monde_bouge(ClientDeTest& client, Duree delai);

// Sends "GET CUBES" without blocking for `duree`, never reading the replies,
// waiting a little whenever the kernel takes no more (the server may still
// be draining its side). Returns the number of bytes sent.
std::size_t inonde(ClientDeTest& client, Duree duree);

// The number in the header of a list reply ("PUT BALLES 12" gives 12), or -1.
long compte_de_liste(const std::string& entete);

// Raises this process's soft RLIMIT_NOFILE to its hard limit and returns it,
// so that a test can hold thousands of connections.
long leve_limite_descripteurs();

// A server whose standard output goes to /dev/null: hostile clients make it
// log a line for each bad registration.
inline Lancement sortie_jetee(std::optional<std::pair<unsigned long, unsigned long>> limite = {}) {
  Lancement lancement;
  lancement.sortie_jetee = true;
  lancement.limite_descripteurs = limite;
  return lancement;
}

// Threads and descriptors of the server at rest. Right after start-up the
// helper's own check that the port accepts may still hold a connection for
// a moment: the least counts seen over half a second are the resting ones.
struct AuRepos {
  int threads = 0;
  int descripteurs = 0;
};
AuRepos au_repos(pid_t pid);
