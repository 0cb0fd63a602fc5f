// A value shared between the parameter thread and the audio thread. Each load
// and store is one whole word with relaxed ordering: a block may see a change
// one block late, never a torn value, and the program has no data race.
#pragma once

#include <atomic>

template <typename T>
class Relaxed {
 public:
  constexpr Relaxed(T initial = T{}) : value_{initial} {}
  Relaxed(const Relaxed& other) : value_{other.load()} {}
  Relaxed& operator=(const Relaxed& other) {
    store(other.load());
    return *this;
  }
  Relaxed& operator=(T v) {
    store(v);
    return *this;
  }
  operator T() const { return load(); }
  T load() const { return value_.load(std::memory_order_relaxed); }
  void store(T v) { value_.store(v, std::memory_order_relaxed); }

 private:
  std::atomic<T> value_;
};
