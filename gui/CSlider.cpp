#include "CSlider.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "CBitmap.h"
#include "CDrawContext.h"

namespace {
constexpr int32_t kAnyModifier = kShiftFlag | kCommandFlag | kAltFlag | kCtrlFlag;
}

CSlider::CSlider(const CRect& size, CControlListener* listener, int32_t tag, int32_t iMinPos, int32_t iMaxPos,
                 CBitmap* handle, CBitmap* background, const CPoint& offset, int32_t style)
    : CControl(size, listener, tag, background) {
  init(offset, handle, style);
  minPos = horizontal() ? iMinPos - size.left : iMinPos - size.top;
  rangeHandle = iMaxPos - iMinPos;
  setOffsetHandle(CPoint(0, 0));
}

CSlider::CSlider(const CRect& size, CControlListener* listener, int32_t tag, const CPoint& offsetHandle,
                 int32_t rangeHandle, CBitmap* handle, CBitmap* background, const CPoint& offset, int32_t style)
    : CControl(size, listener, tag, background) {
  init(offset, handle, style);
  minPos = 0;
  this->rangeHandle = rangeHandle - (horizontal() ? widthOfSlider : heightOfSlider);
  setOffsetHandle(offsetHandle);
}

void CSlider::init(const CPoint& off, CBitmap* handle, int32_t styleBits) {
  offset = off;
  offsetHandle(0, 0);
  pHandle = handle;
  if (pHandle) {
    pHandle->remember();
    widthOfSlider = pHandle->getWidth();
    heightOfSlider = pHandle->getHeight();
  } else {
    widthOfSlider = 1;
    heightOfSlider = 1;
  }
  pOScreen = nullptr;
  style = styleBits;
  bFreeClick = true;
  bDrawTransparentEnabled = true;
  widthControl = size.width();
  heightControl = size.height();
  zoomFactor = 10.0f;
}

CSlider::~CSlider() {
  if (pHandle) pHandle->forget();
}

bool CSlider::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CSlider") == 0) return true;
  return CControl::isTypeOf(s);
}

bool CSlider::attached(CView* parent) { return CControl::attached(parent); }
bool CSlider::removed(CView* parent) { return CControl::removed(parent); }

void CSlider::setOffsetHandle(const CPoint& val) {
  offsetHandle = val;
  if (horizontal()) {
    minTmp = offsetHandle.h + minPos;
    maxTmp = minTmp + rangeHandle + widthOfSlider;
  } else {
    minTmp = offsetHandle.v + minPos;
    maxTmp = minTmp + rangeHandle + heightOfSlider;
  }
}

void CSlider::setHandle(CBitmap* handle) {
  if (pHandle) pHandle->forget();
  pHandle = handle;
  if (pHandle) {
    pHandle->remember();
    widthOfSlider = pHandle->getWidth();
    heightOfSlider = pHandle->getHeight();
  }
}

void CSlider::setZoomFactor(float val) {
  if (std::isfinite(val) && val > 0.0f) zoomFactor = val;
}

float CSlider::drawValue() const {
  const float v = getValue();
  return (style & (kStyleLeft | kStyleTop)) ? v : 1.0f - v;
}

CRect CSlider::handleRectLocal(bool clamp) const {
  // Clamped in float first: a host value far outside 0..1 must not
  // overflow the integer conversion.
  const float travel = std::clamp(static_cast<float>(rangeHandle) * drawValue(), -1.0e9f, 1.0e9f);
  const int32_t along = static_cast<int32_t>(travel);
  const int32_t length = horizontal() ? widthOfSlider : heightOfSlider;
  int32_t lead = (horizontal() ? offsetHandle.h : offsetHandle.v) + along;
  int32_t trail = lead + length;
  if (clamp) {
    // The handle stays inside its travel: a value above the range puts the
    // handle at the far end instead of giving it a negative width.
    lead = std::min(lead, maxTmp - length);
    if (lead < minTmp) lead = minTmp;
    trail = std::min(lead + length, maxTmp);
    if (trail < lead) trail = lead;
  }
  if (horizontal()) return CRect(lead, offsetHandle.v, trail, offsetHandle.v + heightOfSlider);
  return CRect(offsetHandle.h, lead, offsetHandle.h + widthOfSlider, trail);
}

CRect CSlider::handleRect() const {
  CRect r = handleRectLocal(true);
  r.offset(size.left, size.top);
  return r;
}

void CSlider::draw(CDrawContext* pContext) {
  CRect r(0, 0, widthControl, heightControl);
  r.offset(size.left, size.top);
  if (pBackground) {
    if (bTransparencyEnabled)
      pBackground->drawTransparent(pContext, r, offset);
    else
      pBackground->draw(pContext, r, offset);
  }
  if (pHandle) {
    CRect h = handleRect();
    if (!h.isEmpty()) {
      if (bDrawTransparentEnabled)
        pHandle->drawTransparent(pContext, h, CPoint(0, 0));
      else
        pHandle->draw(pContext, h, CPoint(0, 0));
    }
  }
  setDirty(false);
}

void CSlider::mouse(CDrawContext* pContext, CPoint& where, int32_t button) {
  if (!bMouseEnabled || !pContext) return;
  if (button == -1) button = pContext->getMouseButtons();
  if (listener && (button & kAnyModifier))
    if (listener->controlModifierClicked(pContext, this, button) != 0) return;
  if (checkDefaultValue(pContext, button)) return;
  if (!(button & kLeftButton)) return;

  const bool h = horizontal();
  int32_t delta = h ? size.left + offsetHandle.h : size.top + offsetHandle.v;
  if (bFreeClick) {
    delta += h ? widthOfSlider / 2 - 1 : heightOfSlider / 2 - 1;
  } else {
    CRect handle = handleRectLocal(false);
    handle.offset(size.left, size.top);
    if (!where.isInside(handle)) return;
    delta += h ? where.h - handle.left : where.v - handle.top;
  }
  // No travel: no position maps to a value.
  if (rangeHandle <= 0) return;

  float oldVal = getValue();
  int32_t oldButton = button;
  beginEdit();
  // The click's own flags answer the first pass (a quick click may be over
  // already); each later pass reads the buttons, then the position, so the
  // pass that sees the release still takes the last position.
  bool firstPass = true;
  while (true) {
    if (!firstPass) {
      button = pContext->getMouseButtons();
      getMouseLocation(pContext, where);
      // The release brings its position only; the drag's modifiers stay as
      // they were, so letting go never moves the value by itself.
      if (!(button & kLeftButton)) button = oldButton & ~kLeftButton;
    }
    firstPass = false;
    // Shift anchors the fine drag where it went down; the release itself
    // (the left bit going away) is no new state.
    if ((button | kLeftButton) != (oldButton | kLeftButton) && (button & kShiftFlag)) {
      oldVal = getValue();
      oldButton = button;
    } else if (!(button & kShiftFlag)) {
      oldVal = getValue();
    }
    const float fraction =
        static_cast<float>((h ? where.h : where.v) - delta) / static_cast<float>(rangeHandle);
    float value = (style & (kStyleRight | kStyleBottom)) ? 1.0f - fraction : fraction;
    if (button & kShiftFlag) value = oldVal + (value - oldVal) / zoomFactor;
    setValue(value);
    bounceValue();
    if (isDirty() && listener) listener->valueChanged(pContext, this);
    if (!(button & kLeftButton)) break;
    doIdleStuff();
  }
  endEdit();
}

bool CSlider::onWheel(CDrawContext* pContext, const CPoint&, float distance) {
  if (!bMouseEnabled) return false;
  const int32_t flags = pContext ? pContext->getMouseButtons() : 0;
  stepValue(pContext, distance, (flags & kShiftFlag) != 0);
  return true;
}

int32_t CSlider::onKeyDown(VstKeyCode& keyCode) {
  const float distance = arrowKeyStep(keyCode);
  if (distance == 0.0f) return -1;
  stepValue(nullptr, distance, (keyCode.modifier & kKeyModShift) != 0);
  return 1;
}

CHorizontalSlider::CHorizontalSlider(const CRect& size, CControlListener* listener, int32_t tag, int32_t iMinPos,
                                     int32_t iMaxPos, CBitmap* handle, CBitmap* background, const CPoint& offset,
                                     int32_t style)
    : CSlider(size, listener, tag, iMinPos, iMaxPos, handle, background, offset, style | kStyleHorizontal) {}

CHorizontalSlider::CHorizontalSlider(const CRect& size, CControlListener* listener, int32_t tag,
                                     const CPoint& offsetHandle, int32_t rangeHandle, CBitmap* handle,
                                     CBitmap* background, const CPoint& offset, int32_t style)
    : CSlider(size, listener, tag, offsetHandle, rangeHandle, handle, background, offset,
              style | kStyleHorizontal) {}

CVerticalSlider::CVerticalSlider(const CRect& size, CControlListener* listener, int32_t tag, int32_t iMinPos,
                                 int32_t iMaxPos, CBitmap* handle, CBitmap* background, const CPoint& offset,
                                 int32_t style)
    : CSlider(size, listener, tag, iMinPos, iMaxPos, handle, background, offset, style | kStyleVertical) {}

CVerticalSlider::CVerticalSlider(const CRect& size, CControlListener* listener, int32_t tag,
                                 const CPoint& offsetHandle, int32_t rangeHandle, CBitmap* handle,
                                 CBitmap* background, const CPoint& offset, int32_t style)
    : CSlider(size, listener, tag, offsetHandle, rangeHandle, handle, background, offset, style | kStyleVertical) {}
