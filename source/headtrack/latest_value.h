// The newest value from one writer thread to one reader thread, without locks
// or allocation: three buffers, the writer fills its own and swaps it into the
// middle, the reader swaps the middle out when it holds something new.
#pragma once

#include <atomic>
#include <cstdint>
#include <type_traits>

namespace oxel::headtrack {

template <typename T>
class LatestValue {
  static_assert(std::is_trivially_copyable_v<T>);

 public:
  // Writer thread only.
  void publish(const T& value) {
    buffers_[back_] = value;
    back_ =
        middle_.exchange(static_cast<uint8_t>(back_ | kFresh), std::memory_order_acq_rel) & kIndex;
  }
  // Reader thread only: true and the newest value when one came since the last read.
  bool read(T& value) {
    if ((middle_.load(std::memory_order_relaxed) & kFresh) == 0) return false;
    front_ = middle_.exchange(front_, std::memory_order_acq_rel) & kIndex;
    value = buffers_[front_];
    return true;
  }

 private:
  static constexpr uint8_t kIndex = 3, kFresh = 4;
  static_assert(std::atomic<uint8_t>::is_always_lock_free);
  T buffers_[3]{};
  std::atomic<uint8_t> middle_{1};
  uint8_t back_ = 0;   // the writer's
  uint8_t front_ = 2;  // the reader's
};

}  // namespace oxel::headtrack
