// A deadlocked test never comes back, so no assertion can report it: the
// watchdog ends the test program with a clear message once a delay, generous
// for the test's own work, has passed, instead of leaving it to CTest's
// time-out minutes later.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

class ChienDeGarde {
 public:
  // Watches the running test from now until the watchdog goes.
  explicit ChienDeGarde(std::chrono::seconds delai);
  ~ChienDeGarde();
  ChienDeGarde(const ChienDeGarde&) = delete;
  ChienDeGarde& operator=(const ChienDeGarde&) = delete;

 private:
  void veille(std::chrono::seconds delai, const std::string& test);

  // Standard error as it was when the watch began: a test may be capturing it.
  int erreurs_;
  std::mutex mutex_;
  std::condition_variable fin_;
  bool fini_ = false;
  std::thread thread_;
};
