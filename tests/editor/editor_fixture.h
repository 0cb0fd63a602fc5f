// Shared pieces of the in-process editor tests: a plug-in object whose host
// callback records every request, an editor whose frame the test fills, a
// headless parent record, and views that log what reaches them.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "AudioEffectX.h"
#include "CControl.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "guieditor.h"
#include "headless_editor.h"
#include "window.h"

namespace editortest {

struct Request {
  VstInt32 opcode;
  VstInt32 index;
  VstIntPtr value;
  float opt;
  bool operator==(const Request&) const = default;
};

// What the recording host answers and what it has seen.
struct Host {
  std::mutex mutex;
  std::vector<Request> requests;
  bool canSizeWindow{false};
  bool acceptSizeWindow{false};
  std::function<void(VstInt32 opcode)> onRequest;  // runs after logging

  std::vector<Request> taken();  // and cleared
  // Requests other than host idle (3).
  std::vector<Request> edits();
  int count(VstInt32 opcode);
};
Host& host();
VstIntPtr recordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

// Two parameters; forwards setParameter to its editor as the deliverables do.
class StubEffect : public AudioEffectX {
 public:
  StubEffect() : AudioEffectX(recordingHost, 1, 2) {}
  void process(float**, float**, VstInt32) override {}
  void setParameter(VstInt32 index, float value) override;
};

// An editor whose open builds a frame of `size` and hands it to `populate`;
// with a clock given it reads that clock instead of its window's.
class ProbeEditor : public AEffGUIEditor, public CControlListener {
 public:
  explicit ProbeEditor(AudioEffect* effect, CRect size = CRect(0, 0, 60, 40),
                       oxel::platform::EditorClock* clock = nullptr);
  VstInt32 open(void* ptr) override;
  void idle() override {
    ++idleCalls;
    AEffGUIEditor::idle();
  }
  void valueChanged(CDrawContext*, CControl* control) override {
    ++valueChanges;
    effect->setParameterAutomated(control->getTag(), control->getValue());
  }
  using AEffGUIEditor::frame;
  using AEffGUIEditor::lLastTicks;
  using AEffGUIEditor::rect;

  std::function<void(CFrame&)> populate;
  std::function<void(VstInt32, float)> onApply;
  int idleCalls{0};
  int valueChanges{0};

 protected:
  void applyParameter(VstInt32 index, float value) override {
    if (onApply) onApply(index, value);
  }

 private:
  CRect size;
};

// A headless parent record for one open request.
struct Parent {
  explicit Parent(const char* script = nullptr, uint32_t idleStepMs = 0);
  std::string text;
  OxelHeadlessParent record;
  oxel::platform::Pixel pixel(int32_t x, int32_t y) const {
    return record.pixels[static_cast<size_t>(y) * static_cast<size_t>(record.width) + static_cast<size_t>(x)];
  }
};

// A view filled with one colour that logs the calls it gets into `log`.
class LoggingView : public CView {
 public:
  LoggingView(const CRect& size, std::string name, std::vector<std::string>& log, CColor colour = kRedCColor)
      : CView(size), name{std::move(name)}, log{log}, colour{colour} {}
  void draw(CDrawContext* context) override;
  void mouse(CDrawContext*, CPoint& where, int32_t buttons) override;
  bool onWheel(CDrawContext*, const CPoint& where, float distance) override;
  int32_t onKeyDown(VstKeyCode&) override;
  int32_t onKeyUp(VstKeyCode&) override;
  void looseFocus(CDrawContext* context) override;

  std::string name;
  std::vector<std::string>& log;
  CColor colour;
  int32_t keyAnswer{-1};
};

// A horizontal drag control: the value follows the pointer while the left
// button is held, one gesture per press.
class DragControl : public CControl {
 public:
  DragControl(const CRect& size, CControlListener* listener, int32_t tag) : CControl(size, listener, tag) {}
  void draw(CDrawContext* context) override;
  void mouse(CDrawContext* context, CPoint& where, int32_t buttons) override;
  int polls{0};

 private:
  void follow(CDrawContext* context, const CPoint& where);
};

// Plays the record's script through host idles until it is done (plus a few).
void idleThroughScript(AEffEditor& editor, Parent& parent, int extra = 3);

}  // namespace editortest
