// A recorded server for the C and C++ kits' tests: a socket pair whose server
// end has already sent the recorded replies and closed its sending side.
#pragma once

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

struct PaireEnregistree {
  int client = -1;
  int serveur = -1;
};

inline PaireEnregistree paire_enregistree(const std::string& reponses) {
  int fds[2];
  EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  EXPECT_EQ(::write(fds[1], reponses.data(), reponses.size()),
            static_cast<ssize_t>(reponses.size()));
  ::shutdown(fds[1], SHUT_WR);
  return {fds[0], fds[1]};
}

// Everything the client sent, once it has closed its end.
inline std::string lit_tout(int fd) {
  std::string octets;
  char morceau[4096];
  for (ssize_t n; (n = ::read(fd, morceau, sizeof morceau)) > 0;) octets.append(morceau, n);
  return octets;
}
