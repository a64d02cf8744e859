// Messages on standard output. Each message is written whole and flushed at
// once, so messages of different threads never mix inside a line.
#pragma once

#include <string_view>

namespace config {

// Always written.
void journal(std::string_view message);

// Written only in debug mode.
void trace(std::string_view message);

}  // namespace config
