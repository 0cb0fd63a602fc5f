// Input for tests that drive a control's mouse loop without a window: a list
// of states played back one per poll (the last one repeats), and queued
// presses for waitMouseDown. Never blocks.
#pragma once

#include <utility>
#include <vector>

#include "platform.h"

namespace oxel::platform {

class ScriptedInput final : public InputSource {
 public:
  ScriptedInput() = default;
  // Before the first poll, current() already answers the first step.
  explicit ScriptedInput(std::vector<InputState> steps) { setSteps(std::move(steps)); }
  void setSteps(std::vector<InputState> steps) {
    steps_ = std::move(steps);
    next_ = 0;
    if (!steps_.empty()) current_ = steps_.front();
  }
  void queueMouseDown() { ++pendingPresses_; }
  size_t polls() const { return polls_; }

  InputState poll() override {
    ++polls_;
    if (next_ < steps_.size()) current_ = steps_[next_++];
    return current_;
  }
  InputState current() const override { return current_; }
  bool waitMouseDown(uint32_t /*timeoutMs*/) override {
    if (pendingPresses_ <= 0) return false;
    --pendingPresses_;
    return true;
  }

 private:
  std::vector<InputState> steps_;
  size_t next_{0};
  size_t polls_{0};
  int pendingPresses_{0};
  InputState current_{};
};

}  // namespace oxel::platform
