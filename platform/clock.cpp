// A steady clock counted from the moment the library was loaded, so that the
// 32-bit millisecond values stay far from wrapping during a session.
#include <chrono>
#include <thread>

#include "platform.h"

namespace oxel::platform {

namespace {
const std::chrono::steady_clock::time_point kLoadTime = std::chrono::steady_clock::now();
}

uint32_t milliseconds() {
  auto elapsed = std::chrono::steady_clock::now() - kLoadTime;
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

uint32_t ticks() { return static_cast<uint32_t>(uint64_t{milliseconds()} * 60 / 1000); }

void sleepMilliseconds(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace oxel::platform
