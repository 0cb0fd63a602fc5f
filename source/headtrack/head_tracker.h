// A head-tracker receiver: a UDP socket on its own thread that decodes OSC
// messages (tracker_messages.h) and hands the newest orientation to one reader
// (the audio side) through a lock-free slot. Counters are atomics any thread
// may read.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <utility>

#include "latest_value.h"
#include "tracker_messages.h"

namespace oxel::headtrack {

class HeadTracker {
 public:
  explicit HeadTracker(const TrackerOptions& options = {});
  ~HeadTracker();
  HeadTracker(const HeadTracker&) = delete;
  HeadTracker& operator=(const HeadTracker&) = delete;

  enum class StartError { None, AddressInUse, BadAddress, Other };
  // Binds address:port (port 0: any free port) and starts the thread. On
  // failure `error` is one line and nothing runs.
  bool start(const std::string& address, int port, std::string& error);
  StartError lastStartError() const { return startError_; }
  void stop();
  bool running() const { return thread_.joinable(); }
  int port() const { return port_; }

  // Called on the receiver's thread for every accepted message, in order, with
  // the time it arrived (seconds on the steady clock); set before start().
  // For consumers that keep every message (recording), not the audio side.
  using Listener = std::function<void(const HeadOrientation&, double seconds)>;
  void setListener(Listener listener) { listener_ = std::move(listener); }

  // Any thread: the current orientation becomes straight ahead.
  void recentre() { recentreRequested_.store(true, std::memory_order_relaxed); }

  // The reader's side (one thread): the newest orientation, when there is one
  // since the last call.
  bool latest(HeadOrientation& orientation) { return slot_.read(orientation); }

  uint64_t accepted() const { return accepted_.load(std::memory_order_relaxed); }
  uint64_t dropped() const { return dropped_.load(std::memory_order_relaxed); }
  uint64_t dropped(Drop why) const {
    return droppedBy_[static_cast<int>(why)].load(std::memory_order_relaxed);
  }
  Drop lastDrop() const { return static_cast<Drop>(lastDrop_.load(std::memory_order_relaxed)); }

  // For tests and the fuzz loop: one packet through the same path as the
  // socket's, on the caller's thread (never while the thread runs).
  void receive(const void* data, size_t size);

 private:
  void run();

  TrackerDecoder decoder_;
  Listener listener_;
  LatestValue<HeadOrientation> slot_;
  int socket_ = -1;
  int port_ = 0;
  StartError startError_ = StartError::None;
  std::thread thread_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> recentreRequested_{false};
  std::atomic<uint64_t> accepted_{0}, dropped_{0};
  std::array<std::atomic<uint64_t>, kDropCount> droppedBy_{};
  std::atomic<uint8_t> lastDrop_{0};
};

}  // namespace oxel::headtrack
