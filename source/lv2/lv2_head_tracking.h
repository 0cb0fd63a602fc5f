// Tavrel's LV2 build following a head tracker: the ports after the four
// controls, and the receiver behind them.
//
// The run method only reads and writes atomics. A watcher thread of the
// instance, running between activate and deactivate, starts and stops the
// receiver (socket and thread) when the ports ask for another one, and keeps
// the status and message rate. A thread of our own rather than the host's
// worker: it works the same in every host, those without a worker included,
// and the receiver needs a thread of its own anyway.
//
// While tracking is on, the tracker's counter-rotation drives Tavrel's three
// angles and order; the angle ports rule again when it is off.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "head_tracker.h"
#include "lv2_ports.h"
#include "orientation.h"

namespace lv2port {

// The head-tracking ports, in index order, relative to the first of them.
enum TrackingPort : uint32_t {
  kTrackingOn,
  kOscPort,
  kTrackerPreset,
  kInvertYaw,
  kInvertPitch,
  kInvertRoll,
  kRecentre,
  kHeadYaw,  // the outputs
  kHeadPitch,
  kHeadRoll,
  kMessageRate,
  kTrackerStatus,
  kTrackingPortCount
};

// What the status port says.
enum class TrackerStatus : int { Off, Listening, PortInUse, Receiving, CannotListen };

std::vector<ControlPort> trackingPorts();

class Lv2HeadTracking {
 public:
  static constexpr int kDefaultOscPort = 9000;
  static constexpr const char* kBindAddress = "127.0.0.1";

  Lv2HeadTracking();
  ~Lv2HeadTracking();
  Lv2HeadTracking(const Lv2HeadTracking&) = delete;
  Lv2HeadTracking& operator=(const Lv2HeadTracking&) = delete;

  void connect(uint32_t port, void* data);  // port: a TrackingPort
  void activate();                          // starts the watcher
  void deactivate();                        // stops it and any receiver

  // The audio thread, once per block: reads the ports, asks the watcher for
  // the receiver they describe and writes the output ports. True while the
  // tracker drives the field; `changed` when `settings` differ from the last
  // block's.
  bool run(oxel::FieldRotationSettings& settings, bool& changed);

 private:
  void watch();
  void replaceReceiver(uint32_t request);
  float input(TrackingPort port) const;

  // Ports: an unconnected one reads its default.
  const float* inputs_[kRecentre + 1] = {};
  float* outputs_[kTrackingPortCount - kHeadYaw] = {};
  float defaults_[kRecentre + 1] = {};
  float discardedOutputs_[kTrackingPortCount - kHeadYaw] = {};

  // The audio thread's own.
  uint32_t lastRequest_ = 0;
  int oscPort_ = kDefaultOscPort;
  bool recentreHigh_ = false;
  bool driving_ = false;
  oxel::headtrack::HeadOrientation head_{};

  // Between the audio thread and the watcher.
  std::atomic<uint32_t> request_{0};  // on, port, preset, inversions (see run)
  std::atomic<oxel::headtrack::HeadTracker*> live_{nullptr};
  std::atomic<bool> audioReading_{false};
  std::atomic<int> status_{0};
  std::atomic<float> rate_{0.0f};

  // The watcher's own.
  std::unique_ptr<oxel::headtrack::HeadTracker> receiver_;
  std::thread watcher_;
  std::atomic<bool> quit_{false};
};

}  // namespace lv2port
