// One running LV2 instance: a processor, the buffers the host connected, and
// the control ports. Each run converts the control ports that changed since
// the last block to the processor's 0..1 values (non-finite values are
// ignored, the last good value stays), then lets the processor overwrite the
// outputs; its per-sample glide smooths the change. The run path allocates
// nothing and takes no lock.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "AudioEffect.h"
#include "lv2_head_tracking.h"
#include "lv2_ports.h"

class Lv2Instance {
 public:
  static constexpr uint32_t kMaxPins = 4;
  static constexpr uint32_t kMaxControls = 16;

  // Null when the processor could not be built or the pins do not fit. With
  // headTracking (Tavrel), the tracking ports follow the controls and, while
  // on, drive parameters 0 to 3 (three angles and the order).
  static std::unique_ptr<Lv2Instance> create(std::unique_ptr<AudioEffect> processor,
                                             uint32_t numInputs, uint32_t numOutputs,
                                             std::vector<lv2port::ControlPort> controls,
                                             double sampleRate, bool headTracking = false);

  void connect(uint32_t port, void* data);
  void activate();
  void deactivate();
  void run(uint32_t frames);

  AudioEffect& processor() { return *processor_; }

 private:
  Lv2Instance() = default;
  void applyControls();
  void followTracker();

  std::unique_ptr<AudioEffect> processor_;
  uint32_t numInputs_ = 0, numOutputs_ = 0;
  float* inputs_[kMaxPins] = {};
  float* outputs_[kMaxPins] = {};
  bool audioConnected_ = false;  // every audio port has a buffer
  // The control ports, as compact as the per-block check wants them: where
  // each port's value is (an unconnected port reads a NaN of our own), the
  // bits seen last (at first a NaN, so the first block takes every value),
  // and how a value maps to the processor's.
  uint32_t numControls_ = 0;
  const float* controlValues_[kMaxControls] = {};
  uint32_t lastBits_[kMaxControls] = {};
  lv2port::PortRange ranges_[kMaxControls];
  float unconnected_;
  std::unique_ptr<lv2port::Lv2HeadTracking> tracking_;
  bool trackerDrives_ = false;
};
