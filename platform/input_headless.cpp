// Headless input: scripted states played back one per poll, for tests and
// for rendering editors without a display.
#include "platform.h"

namespace oxel::platform {

void ScriptedInput::setSteps(std::vector<InputState> steps) {
  steps_ = std::move(steps);
  next_ = 0;
  if (!steps_.empty()) current_ = steps_.front();
}

InputState ScriptedInput::poll() {
  ++polls_;
  if (next_ < steps_.size()) current_ = steps_[next_++];
  return current_;
}

bool ScriptedInput::waitMouseDown(uint32_t /*timeoutMs*/) {
  if (pendingPresses_ <= 0) return false;
  --pendingPresses_;
  return true;
}

namespace {
class IdleInput final : public InputSource {
 public:
  InputState poll() override { return {}; }
  InputState current() const override { return {}; }
  bool waitMouseDown(uint32_t) override { return false; }
};
}  // namespace

InputSource& idleInput() {
  static IdleInput input;
  return input;
}

}  // namespace oxel::platform
