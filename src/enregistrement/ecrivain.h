// The writer thread: takes the tick's changes from a FileLots, turns them into
// JSON lines and hands them to the sinks (the recording file, spectators).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "enregistrement/file_lots.h"

// Where lines go. Called from the writer thread only.
class Puits {
 public:
  virtual ~Puits() = default;
  // Whole lines, each ending in a line feed: one tick's worth at a time.
  virtual void ecrit(std::string_view lignes) = 0;
  // The events those lines came from, for sinks that keep a state.
  virtual void evenements(const Lot& /*lot*/) {}
  virtual void termine() {}
};

// A gzip file. Throws Echec when it cannot be created.
std::unique_ptr<Puits> puits_gzip(const std::string& chemin);

class Ecrivain {
 public:
  // Starts the thread; it runs until the file is closed and emptied.
  Ecrivain(FileLots& file, std::vector<Puits*> puits);
  ~Ecrivain();  // closes the file and waits for the thread
  Ecrivain(const Ecrivain&) = delete;
  Ecrivain& operator=(const Ecrivain&) = delete;

  // Closes the file, waits until every lot is written and the sinks finished.
  void termine();

 private:
  void boucle();

  FileLots& file_;
  std::vector<Puits*> puits_;
  std::thread thread_;
};
