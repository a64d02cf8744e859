// Owns one socket descriptor and closes it when it goes.
#pragma once

#include <unistd.h>

#include <utility>

namespace transport {

class Socket {
 public:
  Socket() = default;
  explicit Socket(int fd) : fd_(fd) {}
  Socket(Socket&& autre) noexcept : fd_(std::exchange(autre.fd_, -1)) {}
  Socket& operator=(Socket&& autre) noexcept {
    if (this != &autre) {
      ferme();
      fd_ = std::exchange(autre.fd_, -1);
    }
    return *this;
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  ~Socket() { ferme(); }

  int fd() const { return fd_; }
  bool valide() const { return fd_ >= 0; }
  // Gives the descriptor up to a new owner, which must close it.
  int relache() { return std::exchange(fd_, -1); }
  void ferme() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  }

 private:
  int fd_ = -1;
};

}  // namespace transport
