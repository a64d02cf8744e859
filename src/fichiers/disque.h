// Files that survive a crash: descriptors that close themselves, writes that
// either complete or say why, and the atomic replacement of a whole file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace fichiers {

// Owns one file descriptor and closes it when it goes.
class Descripteur {
 public:
  explicit Descripteur(int fd = -1) : fd_(fd) {}
  Descripteur(Descripteur&& autre) noexcept : fd_(std::exchange(autre.fd_, -1)) {}
  Descripteur& operator=(Descripteur&& autre) noexcept;
  Descripteur(const Descripteur&) = delete;
  Descripteur& operator=(const Descripteur&) = delete;
  ~Descripteur() { (void)ferme(); }

  int fd() const { return fd_; }
  bool valide() const { return fd_ >= 0; }
  // False when close reports a failure (some file systems only say then that
  // a write did not reach the disk).
  [[nodiscard]] bool ferme();

 private:
  int fd_;
};

// Writes every byte, however many calls it takes; false on a failure, errno set.
[[nodiscard]] bool ecrit_tout(int fd, std::string_view octets);

// Waits until the data of `fd` is on the disk. A descriptor that cannot be
// synchronised (a terminal, /dev/null) counts as done.
[[nodiscard]] bool synchronise(int fd);

// Replaces the file at `chemin` by `texte`: a temporary file in the same
// folder, written, synchronised, renamed over it, then the folder
// synchronised. Whatever happens on the way (a crash, a full disk), the file
// holds its old text or the new one, whole. A path that is no regular file
// (a terminal, a pipe) is written in place. Returns why it failed, or nothing.
[[nodiscard]] std::optional<std::string> remplace_fichier(const std::string& chemin,
                                                          std::string_view texte);

}  // namespace fichiers
