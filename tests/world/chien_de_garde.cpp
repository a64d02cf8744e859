#include "world/chien_de_garde.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

ChienDeGarde::ChienDeGarde(std::chrono::seconds delai) : erreurs_(::dup(STDERR_FILENO)) {
  const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
  std::string test =
      info == nullptr ? "?" : std::string(info->test_suite_name()) + "." + info->name();
  thread_ = std::thread([this, delai, test = std::move(test)] { veille(delai, test); });
}

ChienDeGarde::~ChienDeGarde() {
  {
    std::scoped_lock tenu{mutex_};
    fini_ = true;
  }
  fin_.notify_one();
  thread_.join();
  ::close(erreurs_);
}

void ChienDeGarde::veille(std::chrono::seconds delai, const std::string& test) {
  std::unique_lock tenu{mutex_};
  if (fin_.wait_for(tenu, delai, [this] { return fini_; })) return;
  const std::string message = test + ": still running after " + std::to_string(delai.count()) +
                              " s, a lock is never released (deadlock); ending the test program\n";
  [[maybe_unused]] const ssize_t ecrit = ::write(erreurs_, message.data(), message.size());
  std::_Exit(EXIT_FAILURE);
}
