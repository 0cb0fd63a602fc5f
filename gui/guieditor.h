// The editor binding: implements the host's editor interface on top of the
// toolkit. It holds the editor's size and its frame, forwards drawing, mouse,
// key and wheel events to the frame, gives the frame idle time, keeps the
// host alive while a control holds the user-interface thread in a tracking
// loop (doIdleStuff), and passes parameter edit gestures to the host.
//
// Linux hosts never send the draw or mouse opcodes: the frame's window
// reports its exposes, clicks, wheel turns and keys, and the binding
// dispatches them at every host idle and inside doIdleStuff.
//
// Threads: everything runs on the host's user-interface thread except
// setParameter, which only records the value (atomically) for the next idle.
//
// A deliverable's editor: its open calls this open, then builds the frame;
// its close forgets its control pointers, then calls this close, which
// removes the frame. A close that arrives while a control is tracking the
// mouse (the host closing from inside its idle request) detaches the frame
// at once and deletes it when the control's loop has returned. Parameter
// changes reach the controls through applyParameter, on this thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "AEffEditor.h"
#include "AudioEffect.h"
#include "window.h"

class CFrame;

class AEffGUIEditor : public AEffEditor, private oxel::platform::WindowEventSink {
 public:
  // clock: read instead of the window's clock when given (not owned; it
  // outlives the editor).
  explicit AEffGUIEditor(AudioEffect* effect, oxel::platform::EditorClock* clock = nullptr);
  // Removes the frame (and its window) when the host skipped close.
  ~AEffGUIEditor() override;

  // The editor's size in device pixels (its layout times the scale); 0 with
  // a null pointer.
  VstInt32 getRect(ERect** ppRect) override;
  VstInt32 open(void* ptr) override;
  void close() override;
  void idle() override;
  void draw(ERect* pRect) override;
  VstInt32 mouse(VstInt32 x, VstInt32 y) override;
  VstInt32 onKeyDown(VstKeyCode& keyCode) override;
  VstInt32 onKeyUp(VstKeyCode& keyCode) override;
  VstInt32 setKnobMode(VstInt32 val) override;
  bool onWheel(float distance) override;

  // Any thread: records the value; the user-interface thread hands it to
  // applyParameter at the next idle, before drawing.
  virtual void setParameter(VstInt32 index, float value);
  // Idle work from inside a control's loop: events, repaint, host idle.
  virtual void doIdleStuff();
  // Edit gestures to the host, for real parameters only (0 <= index < numParams).
  virtual void beginEdit(VstInt32 index);
  virtual void endEdit(VstInt32 index);

  AudioEffect* getEffect() const { return effect; }
  CFrame* getFrame() const { return frame; }
  static VstInt32 getKnobMode() { return knobMode.load(std::memory_order_relaxed); }
  // Milliseconds of the editor's clock: the one given at construction if
  // any (tests that drive the time themselves), else its window's (steady
  // for an X11 window, virtual for a headless one), else the steady clock.
  uint32_t getTicks() const;
  oxel::platform::EditorClock& clock() const;
  // Device pixels per logical pixel (1..3), chosen once per open (see
  // oxel::platform::chooseEditorScale) and kept until the close, so a
  // change between two opens is taken at the next one.
  int32_t getScale();
  // The host's own scale factor (0: the host says nothing); taken at the
  // next open.
  void setHostScale(double factor) { hostScale = factor; }
  // Waits ms rounded down to whole 1/60 s (16 ms or less: no wait).
  void wait(uint32_t ms);

  // For the frame: asks the host to size its window; true when it did.
  bool sizeWindowByHost(int32_t width, int32_t height);
  // For the frame: its size changed; rect follows.
  void frameSizeChanged(int32_t width, int32_t height);
  // True while a mouse gesture or a dispatch is on the stack.
  bool isBusy() const { return busyDepth > 0; }

 protected:
  // A value recorded by setParameter, on the user-interface thread. The
  // deliverables move their controls here.
  virtual void applyParameter(VstInt32 index, float value);
  // Hands every recorded value to applyParameter (done by idle).
  void applyPendingParameters();

  ERect rect{};  // the layout's size, logical pixels
  CFrame* frame{nullptr};
  uint32_t lLastTicks{0};
  static std::atomic<VstInt32> knobMode;

 private:
  struct ParameterSlot {
    std::atomic<float> value{0.0f};
    std::atomic<bool> changed{false};
  };

  void windowExposed(const oxel::platform::PortRect& area) override;
  void windowMouseDown(int32_t x, int32_t y) override;
  void windowWheel(int32_t x, int32_t y, float distance) override;
  void windowKey(const oxel::platform::KeyStroke& key, bool down) override;

  void dispatchWindowEvents(uint32_t waitMs);
  void flushWindow();
  void removeFrame();
  void finishDeferredClose();

  ERect deviceRect{};
  oxel::platform::EditorClock* ownClock{nullptr};
  double hostScale{0};
  int32_t scale{0};  // 0 until chosen
  int32_t busyDepth{0};
  int32_t trackingDepth{0};
  // Frames closed while a control's loop was still running in them; deleted
  // when the loop has returned.
  std::vector<CFrame*> closedFrames;
  bool inDoIdleStuff{false};
  std::unique_ptr<ParameterSlot[]> slots;
  VstInt32 slotCount{0};
};
