#include "config/journal.h"

#include <cstdio>

#include "config/configuration.h"

namespace config {

void journal(std::string_view message) {
  std::fwrite(message.data(), 1, message.size(), stdout);
  std::fflush(stdout);
}

void trace(std::string_view message) {
  if (config::debug) journal(message);
}

}  // namespace config
