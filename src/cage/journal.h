// A child's output read from a pipe into its journal file, up to a size: a
// bot that prints without end fills neither the disk nor the tournament's
// folder, and the journal says where it was cut.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <thread>

namespace cage {

class Journal {
 public:
  // Takes `lecture`, the pipe's reading end; throws std::runtime_error when
  // the file cannot be opened.
  Journal(int lecture, const std::filesystem::path& fichier, std::uint64_t maximum);
  ~Journal();  // reads what is left in the pipe, then closes both
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  bool coupe() const { return coupe_; }

 private:
  void copie(std::stop_token arret);
  bool lit_une_fois();  // false at the pipe's end or once nothing is waiting

  int lecture_ = -1;
  int fichier_ = -1;
  std::uint64_t maximum_ = 0;
  std::uint64_t ecrits_ = 0;
  std::atomic<bool> coupe_ = false;
  std::jthread fil_;
};

}  // namespace cage
