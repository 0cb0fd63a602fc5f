// A control under test inside a real editor frame (so edit gestures reach
// the recording host), driven by a scripted input source: one InputState per
// pass of the control's tracking loop.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "CBitmap.h"
#include "ScriptedInput.h"
#include "editor_fixture.h"
#include "platform.h"

namespace editortest {

struct ValueLog : CControlListener {
  void valueChanged(CDrawContext*, CControl* control) override { values.push_back(control->getValue()); }
  std::vector<float> values;
};

class ControlRig {
 public:
  explicit ControlRig(CRect size = CRect(0, 0, 200, 240)) {
    effect = new StubEffect;
    editor = new ProbeEditor(effect, size);
    editor->open(&parent.record);
    context = new CDrawContext(editor->frame, nullptr, editor->frame->getWindowPort());
    context->setInputSource(&input);
    host().taken();
  }
  ~ControlRig() {
    context->forget();
    delete effect;  // deletes the editor, its frame and the controls
  }
  ControlRig(const ControlRig&) = delete;
  ControlRig& operator=(const ControlRig&) = delete;

  template <class T>
  T* add(T* control) {
    editor->frame->addView(control);
    return control;
  }
  // Presses with `flags` at (x, y); the loop then sees each state of `then`
  // in turn (the last one repeats).
  void press(CControl& control, int32_t x, int32_t y, int32_t flags, std::vector<oxel::platform::InputState> then) {
    input.setSteps(std::move(then));
    CPoint where(x, y);
    control.mouse(context, where, flags);
  }
  static oxel::platform::InputState held(int32_t x, int32_t y, uint32_t modifiers = 0) {
    return {oxel::platform::kPrimaryButton, modifiers, x, y};
  }
  static oxel::platform::InputState released(int32_t x, int32_t y) { return {0, 0, x, y}; }
  // Gesture brackets the host saw since the last call: {begins, ends}.
  static std::pair<int, int> brackets() {
    int begins = 0, ends = 0;
    for (const Request& r : host().taken()) {
      begins += r.opcode == audioMasterBeginEdit;
      ends += r.opcode == audioMasterEndEdit;
    }
    return {begins, ends};
  }
  void setKnobMode(VstInt32 mode) { editor->setKnobMode(mode); }

  Parent parent;
  StubEffect* effect{nullptr};
  ProbeEditor* editor{nullptr};
  CDrawContext* context{nullptr};
  oxel::platform::ScriptedInput input;
};

// A bitmap of width x (frames * frameHeight) whose frame k is filled with
// colourOf(k).
inline CBitmap* stripBitmap(CFrame& frame, int32_t width, int32_t frameHeight, int32_t frames) {
  auto* b = new CBitmap(frame, width, frameHeight * frames);
  for (int32_t y = 0; y < frameHeight * frames; ++y)
    for (int32_t x = 0; x < width; ++x)
      b->getHandle()->set(x, y, oxel::platform::makePixel(static_cast<uint8_t>(10 + y / frameHeight), 0, 0));
  return b;
}

}  // namespace editortest
