// Detached threads with a chosen stack size, for the thousands of connection
// threads that a tournament can hold.
#pragma once

#include <cstddef>
#include <functional>

namespace transport {

// Starts `corps` on a detached thread. On failure returns false and destroys
// `corps` (and so whatever it owns) in the calling thread.
[[nodiscard]] bool lance_thread_detache(std::function<void()> corps, std::size_t taille_pile);

}  // namespace transport
