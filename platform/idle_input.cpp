// The input source of a draw context without a window.
#include "platform.h"

namespace oxel::platform {

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
