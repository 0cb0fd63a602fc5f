// A steady clock counted from the moment the library was loaded, so that the
// 32-bit millisecond values stay far from wrapping during a session.
#include <chrono>
#include <thread>

#include "platform.h"

namespace oxel::platform {

namespace {
// First use or load time, whichever comes first: a function-local static is
// safe to read from other static initialisers, and the namespace-scope read
// below fixes it at load otherwise.
std::chrono::steady_clock::time_point loadTime() {
  static const std::chrono::steady_clock::time_point time = std::chrono::steady_clock::now();
  return time;
}
[[maybe_unused]] const auto kLoadTimeAtStartup = loadTime();
}  // namespace

uint32_t milliseconds() {
  auto elapsed = std::chrono::steady_clock::now() - loadTime();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

uint32_t ticks() { return static_cast<uint32_t>(uint64_t{milliseconds()} * 60 / 1000); }

void sleepMilliseconds(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace oxel::platform
