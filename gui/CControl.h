// The base of every view that shows and edits one value: the value with its
// range and default, the tag naming the parameter it stands for, the
// listener told of user changes, the dirty rule (a control needs repainting
// while its value differs from the value last drawn), the edit brackets
// around a user gesture, and the shared pieces of mouse handling (default
// click, double click, clamping, idle during drags).
//
// Values are set on the user-interface thread: the editor binding records a
// host's parameter change and hands it to the control at the next idle
// (guieditor.h). value and oldValue are still atomics, so a deliverable that
// reads or sets one from another thread never sees a torn value.
#pragma once

#include <atomic>
#include <cstdint>

#include "CView.h"

class CControl;

class CControlListener {
 public:
  virtual ~CControlListener() = default;
  // The user changed pControl's value.
  virtual void valueChanged(CDrawContext* pContext, CControl* pControl) = 0;
  // A click with modifiers; non-zero when the listener took it.
  virtual int32_t controlModifierClicked(CDrawContext* pContext, CControl* pControl, int32_t button);
};

// Style flags: one bit set shared by the controls' constructors (each
// control reads the bits that concern it).
enum {
  kStyleHorizontal = 1,
  kStyleVertical = 2,
  kStyleShadowText = 4,
  kStyleLeft = 8,
  kStyleRight = 16,
  kStyleTop = 32,
  kStyleBottom = 64,
  kStyle3DIn = 128,
  kStyle3DOut = 256,
  kStyleNoText = 2048,
  kStyleNoDraw = 4096,
  kStyleNoFrame = 16384
};

constexpr uint32_t kCControlAttributeTag = fourCharCode("cctg");
constexpr uint32_t kCControlAttributeValue = fourCharCode("ccvl");

class CControl : public CView {
 public:
  CControl(const CRect& size, CControlListener* listener = nullptr, int32_t tag = 0,
           CBitmap* pBackground = nullptr);
  ~CControl() override;

  // Every concrete control draws itself and ends with setDirty(false).
  void draw(CDrawContext* pContext) override = 0;
  bool isDirty() const override;
  void setDirty(const bool val = true) override;
  bool getAttributeSize(const CViewAttributeID id, int32_t& outSize) const override;
  bool getAttribute(const CViewAttributeID id, const int32_t inSize, void* outData,
                    int32_t& outSize) const override;
  bool setAttribute(const CViewAttributeID id, const int32_t inSize, const void* inData) override;
  bool isTypeOf(const char* s) const override;

  virtual void doIdleStuff();
  // Stores the value as given (no clamping, not marked dirty); a value that
  // is not finite is ignored.
  virtual void setValue(float val);
  virtual float getValue() const { return value.load(std::memory_order_relaxed); }
  virtual void setMin(float val) { vmin = val; }
  virtual float getMin() const { return vmin; }
  virtual void setMax(float val) { vmax = val; }
  virtual float getMax() const { return vmax; }
  virtual void setOldValue(float val) { oldValue.store(val, std::memory_order_relaxed); }
  virtual float getOldValue() const { return oldValue.load(std::memory_order_relaxed); }
  // Not-finite defaults are ignored.
  virtual void setDefaultValue(float val);
  virtual float getDefaultValue() const { return defaultValue; }
  virtual void setTag(int32_t val) { tag = val; }
  // The frame's focus view becomes this control, then the host hears that
  // a gesture on parameter `tag` starts; nothing outside a frame.
  virtual void beginEdit();
  virtual void endEdit();
  virtual void setBackOffset(CPoint& offset) { backOffset = offset; }
  // backOffset = the control's own top-left.
  virtual void copyBackOffset();
  virtual void setWheelInc(float val) { wheelInc = val; }
  virtual float getWheelInc() const { return wheelInc; }
  // Clamps the value into [vmin, vmax].
  virtual void bounceValue();
  // The default-value click: buttons exactly left + command (Ctrl on Linux).
  virtual bool checkDefaultValue(CDrawContext* pContext, int32_t button);
  // Adds `distance` steps of the wheel increment (a tenth of it when fine),
  // clamps, and tells the listener inside one edit gesture when the value
  // changed: the wheel and arrow-key step of the continuous controls.
  void stepValue(CDrawContext* pContext, float distance, bool fine);
  // The arrow keys as a step: -1 for left and down, +1 for up and right, 0 for
  // any other key.
  static float arrowKeyStep(const VstKeyCode& keyCode);

  int32_t getTag() const { return tag; }
  CControlListener* getListener() const { return listener; }
  void setListener(CControlListener* l) { listener = l; }
  // True for the second of two clicks less than `delta` ms apart.
  bool isDoubleClick();
  const CPoint& getBackOffset() const { return backOffset; }

 protected:
  CControlListener* listener{nullptr};
  int32_t tag{0};
  std::atomic<float> oldValue{1.0f};
  float defaultValue{0.5f};
  std::atomic<float> value{0.0f};
  float vmin{0.0f};
  float vmax{1.0f};
  float wheelInc{0.1f};
  int32_t lastTicks{-1};
  int32_t delta{250};
  CPoint backOffset;
};
