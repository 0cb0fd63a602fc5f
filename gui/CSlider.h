// Sliders: a handle bitmap travelling along a straight track over a
// background bitmap, horizontally or vertically. A click anywhere on the
// track centres the handle on the pointer (free click) or grabs the handle
// where it was hit; Shift slows the drag by the zoom factor; the wheel and
// the arrow keys step the value; a Command-click (X Control-click) restores
// the default. One edit gesture per drag.
//
// The handle is always drawn inside its travel with a width of at least 0,
// whatever the value; a slider without travel (rangeHandle <= 0) ignores
// drags instead of dividing by zero.
#pragma once

#include "CControl.h"

class COffscreenContext;

class CSlider : public CControl {
 public:
  // iMinPos and iMaxPos: the travel of the handle's leading edge in the
  // container's coordinates.
  CSlider(const CRect& size, CControlListener* listener, int32_t tag, int32_t iMinPos, int32_t iMaxPos,
          CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0), int32_t style = kStyleLeft);
  // offsetHandle: the travel's origin inside the slider; rangeHandle: the
  // track's length including the handle.
  CSlider(const CRect& size, CControlListener* listener, int32_t tag, const CPoint& offsetHandle,
          int32_t rangeHandle, CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
          int32_t style = kStyleLeft);
  ~CSlider() override;

  void draw(CDrawContext* pContext) override;
  void mouse(CDrawContext* pContext, CPoint& where, int32_t button = -1) override;
  int32_t onKeyDown(VstKeyCode& keyCode) override;
  bool onWheel(CDrawContext* pContext, const CPoint& where, float distance) override;
  bool attached(CView* parent) override;
  bool removed(CView* parent) override;
  bool isTypeOf(const char* s) const override;

  virtual void setDrawTransparentHandle(bool val) { bDrawTransparentEnabled = val; }
  virtual void setFreeClick(bool val) { bFreeClick = val; }
  virtual bool getFreeClick() const { return bFreeClick; }
  virtual void setOffsetHandle(const CPoint& val);
  virtual void setHandle(CBitmap* handle);
  virtual CBitmap* getHandle() const { return pHandle; }
  // Ignored unless a positive number.
  virtual void setZoomFactor(float val);
  virtual float getZoomFactor() const { return zoomFactor; }

  // The handle's rectangle for the current value, in the container's
  // coordinates, as draw places it.
  CRect handleRect() const;
  int32_t getRangeHandle() const { return rangeHandle; }
  int32_t getMinPos() const { return minPos; }

 protected:
  bool horizontal() const { return (style & kStyleHorizontal) != 0; }
  // The value drawing uses: 1 - value unless the origin is left or top.
  float drawValue() const;
  // The handle's rectangle in slider coordinates, optionally kept inside
  // [minTmp, maxTmp].
  CRect handleRectLocal(bool clamp) const;

  CPoint offset;
  CPoint offsetHandle;
  CBitmap* pHandle{nullptr};
  COffscreenContext* pOScreen{nullptr};
  int32_t widthOfSlider{1};
  int32_t heightOfSlider{1};
  int32_t rangeHandle{0};
  int32_t style{0};
  int32_t minTmp{0};
  int32_t maxTmp{0};
  int32_t minPos{0};
  int32_t widthControl{0};
  int32_t heightControl{0};
  float zoomFactor{10.0f};
  bool bDrawTransparentEnabled{true};
  bool bFreeClick{true};

 private:
  void init(const CPoint& offset, CBitmap* handle, int32_t style);
};

class CHorizontalSlider : public CSlider {
 public:
  CHorizontalSlider(const CRect& size, CControlListener* listener, int32_t tag, int32_t iMinPos, int32_t iMaxPos,
                    CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
                    int32_t style = kStyleLeft);
  CHorizontalSlider(const CRect& size, CControlListener* listener, int32_t tag, const CPoint& offsetHandle,
                    int32_t rangeHandle, CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
                    int32_t style = kStyleLeft);
};

class CVerticalSlider : public CSlider {
 public:
  CVerticalSlider(const CRect& size, CControlListener* listener, int32_t tag, int32_t iMinPos, int32_t iMaxPos,
                  CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
                  int32_t style = kStyleBottom);
  CVerticalSlider(const CRect& size, CControlListener* listener, int32_t tag, const CPoint& offsetHandle,
                  int32_t rangeHandle, CBitmap* handle, CBitmap* background, const CPoint& offset = CPoint(0, 0),
                  int32_t style = kStyleBottom);
};
