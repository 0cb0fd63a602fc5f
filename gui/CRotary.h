// A round knob whose value follows the angle of the pointer about its
// centre: a start angle, a signed sweep (negative turns clockwise) with a
// dead zone in the rest of the circle, and a handle drawn as a line (or a
// bitmap) inset from the rim. Drags follow the host's knob mode (circular,
// relative circular, linear), one edit gesture per drag; the wheel and the
// arrow keys step the value; a Command-click (X Control-click) restores the
// default.
//
// Degenerate geometry is refused rather than computed: a zero sweep and a
// zoom factor that is not a positive number are ignored, and a range that
// maps no angle (vmin == vmax) draws no handle.
#pragma once

#include <optional>

#include "CControl.h"

class CRotary : public CControl {
 public:
  CRotary(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
          CBitmap* handle = nullptr, const CPoint& offset = CPoint(0, 0));
  ~CRotary() override;

  void draw(CDrawContext* pContext) override;
  void mouse(CDrawContext* pContext, CPoint& where, int32_t button = -1) override;
  int32_t onKeyDown(VstKeyCode& keyCode) override;
  bool onWheel(CDrawContext* pContext, const CPoint& where, float distance) override;
  bool isTypeOf(const char* s) const override;

  virtual void drawHandle(CDrawContext* pContext);
  virtual void setStartAngle(float val);
  virtual float getStartAngle() const { return startAngle; }
  // A sweep of 0 (or one that is not finite) is ignored.
  virtual void setRangeAngle(float val);
  virtual float getRangeAngle() const { return rangeAngle; }
  // Points are relative to the control's top-left corner.
  virtual void valueToPoint(CPoint& point) const;
  virtual float valueFromPoint(CPoint& point) const;
  virtual void setInsetValue(int32_t val) { inset = val; }
  virtual void setColorShadowHandle(CColor color);
  virtual void setColorHandle(CColor color);
  virtual void setHandleBitmap(CBitmap* bitmap);
  // Divisor of the linear drag rate while Shift is held; ignored unless > 0.
  virtual void setZoomFactor(float val);
  virtual float getZoomFactor() const { return zoomFactor; }
  virtual void setEndStopMode() { noEndStops = false; }
  virtual void setNoEndStopMode() { noEndStops = true; }
  // True when end stops are off.
  virtual bool getEndStopMode() const { return noEndStops; }

  int32_t getInsetValue() const { return inset; }
  CBitmap* getHandleBitmap() const { return pHandle; }

  // The drag modes a knob mode and the Alt key select.
  enum DragMode : int32_t { kCircularDrag = 0, kRelativeCircularDrag = 1, kLinearDrag = 2 };
  static int32_t dragModeFor(int32_t knobMode, bool alt);

 protected:
  void compute();
  // The whole drag, with the end-stop flag the caller keeps.
  void track(CDrawContext* pContext, CPoint& where, int32_t button, bool withoutEndStops);
  // The steps of a drag.
  struct Drag;
  void restoreDefault(CDrawContext* pContext);
  Drag startDrag(const CPoint& where, int32_t flags, bool withoutEndStops) const;
  void stopAtEnds(Drag& drag, float& value) const;
  void rebaseLinearRate(Drag& drag, const CPoint& at) const;
  std::optional<float> dragValue(Drag& drag, const CPoint& where) const;
  void followPointer(CDrawContext* pContext, Drag& drag, const CPoint& where);
  // The angle mapping, shared with subclasses that hide the virtual one.
  float angleToValue(CPoint& point) const;

  CPoint offset;
  CColor colorHandle{kWhiteCColor};
  CColor colorShadowHandle{kGreyCColor};
  CBitmap* pHandle{nullptr};
  int32_t inset{3};
  float startAngle{0.0f};
  float rangeAngle{1.0f};
  float halfAngle{0.0f};
  float aCoef{0.0f};
  float bCoef{0.0f};
  float radius{0.0f};
  float zoomFactor{1.5f};
  bool noEndStops{true};
};
