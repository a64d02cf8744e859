#include "world/chien_de_garde.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

ChienDeGarde::ChienDeGarde(std::chrono::seconds delai) {
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
}

void ChienDeGarde::veille(std::chrono::seconds delai, const std::string& test) {
  std::unique_lock tenu{mutex_};
  if (fin_.wait_for(tenu, delai, [this] { return fini_; })) return;
  std::fprintf(stderr,
               "%s: still running after %lld s, a lock is never released (deadlock); "
               "ending the test program\n",
               test.c_str(), static_cast<long long>(delai.count()));
  std::fflush(stderr);
  std::_Exit(EXIT_FAILURE);
}
