// The writer thread: takes the tick's changes from a FileLots, turns them into
// JSON lines and hands them to the sinks (the recording file, spectators).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "evenements/file_lots.h"
#include "fichiers/fichier_gzip.h"
#include "synchro/mutex.h"

namespace enregistrement {

// Where lines go. Called from the writer thread only.
class Puits {
 public:
  virtual ~Puits() = default;
  // Whole lines, each ending in a line feed: one tick's worth at a time.
  virtual void ecrit(std::string_view lignes) = 0;
  // The events those lines came from, for sinks that keep a state; called
  // just before ecrit() with the same lot.
  virtual void evenements(const evenements::Lot& /*lot*/) {}
  // Called often, lots or not (at least every FileLots::attente_max).
  virtual void entretien(std::chrono::steady_clock::time_point /*maintenant*/) {}
  virtual void termine() {}
};

// The recording file. Flushed at least every `intervalle_vidage`, so that a
// crash (kill -9, the OOM killer) leaves it readable up to then; synced to
// the disk every `intervalle_synchro`, for a power cut. The first failed
// write is said once on standard error, with its reason; the file is cut
// back to its last flush and nothing more is written: every tick after that
// flush is counted lost, so the count is exactly what a reader misses.
class PuitsFichier final : public Puits {
 public:
  static constexpr std::chrono::milliseconds intervalle_vidage{250};
  static constexpr std::chrono::seconds intervalle_synchro{5};

  // Throws Echec naming the file and why it cannot be created. Ticks lost
  // are added to `ticks_perdus` too, when given.
  explicit PuitsFichier(const std::string& chemin,
                        std::atomic<std::int64_t>* ticks_perdus = nullptr);

  void evenements(const evenements::Lot& lot) override;
  void ecrit(std::string_view lignes) override;
  void entretien(std::chrono::steady_clock::time_point maintenant) override;
  void termine() override;

  // From any thread.
  std::int64_t ticks_perdus() const { return perdus_.load(std::memory_order_relaxed); }
  // Why the recording is incomplete, if it is.
  std::optional<std::string> erreur() const;

 private:
  void echoue();
  void perd(std::int64_t ticks);

  std::string chemin_;
  fichiers::FichierGzip fichier_;
  std::atomic<std::int64_t>* const compteur_;
  std::atomic<std::int64_t> perdus_{0};
  std::int64_t ticks_du_lot_ = 0;
  std::int64_t ticks_non_vides_ = 0;  // written since the last flush
  bool en_echec_ = false;
  std::chrono::steady_clock::time_point dernier_vidage_;
  std::chrono::steady_clock::time_point derniere_synchro_;
  mutable synchro::Mutex mutex_;
  std::string erreur_ GUARDED_BY(mutex_);  // read by other threads
};

class Ecrivain {
 public:
  // Starts the thread; it runs until the file is closed and emptied.
  Ecrivain(evenements::FileLots& file, std::vector<Puits*> puits);
  ~Ecrivain();  // closes the file and waits for the thread
  Ecrivain(const Ecrivain&) = delete;
  Ecrivain& operator=(const Ecrivain&) = delete;

  // Closes the file, waits until every lot is written and the sinks finished.
  void termine();

 private:
  void boucle();

  evenements::FileLots& file_;
  std::vector<Puits*> puits_;
  std::thread thread_;
};

}  // namespace enregistrement
