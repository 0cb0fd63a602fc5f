#include "CVerticalSwitch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

CVerticalSwitch::CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                                 const CPoint& offset)
    : CControl(size, listener, tag, background), offset{offset}, heightOfOneImage{size.height()} {
  // No bitmap or frames of no height: no frames, rather than a division by
  // zero or a null read.
  if (background && heightOfOneImage > 0) subPixmaps = background->getHeight() / heightOfOneImage;
  iMaxPositions = subPixmaps;
  setDefaultValue(0.0f);
}

CVerticalSwitch::CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                                 int32_t heightOfOneImage, int32_t iMaxPositions, CBitmap* background,
                                 const CPoint& offset)
    : CControl(size, listener, tag, background),
      offset{offset},
      subPixmaps{subPixmaps},
      heightOfOneImage{heightOfOneImage},
      iMaxPositions{iMaxPositions} {
  setDefaultValue(0.0f);
}

CVerticalSwitch::~CVerticalSwitch() = default;

bool CVerticalSwitch::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CVerticalSwitch") == 0) return true;
  return CControl::isTypeOf(s);
}

int32_t CVerticalSwitch::getFrameIndex() const {
  const int32_t last = std::min(iMaxPositions, subPixmaps) - 1;
  if (last <= 0 || iMaxPositions < 2) return 0;
  // The nearest position, in double so that a huge host value cannot
  // overflow the conversion; clamped to the strip.
  const double v = static_cast<double>(getValue());
  const double position = std::trunc(v * static_cast<double>(iMaxPositions - 1) + 0.5);
  if (!(position > 0.0)) return 0;
  if (position >= static_cast<double>(last)) return last;
  return static_cast<int32_t>(position);
}

float CVerticalSwitch::valueAt(int32_t dy) const {
  if (iMaxPositions < 2 || heightOfOneImage <= 0) return 0.0f;
  const double band = static_cast<double>(heightOfOneImage) / static_cast<double>(iMaxPositions);
  const float step = static_cast<float>(std::trunc(static_cast<double>(dy) / band));
  const float v = step / static_cast<float>(iMaxPositions - 1);
  if (v > 1.0f) return 1.0f;
  if (!(v > 0.0f)) return 0.0f;  // also turns -0 into 0
  return v;
}

void CVerticalSwitch::draw(CDrawContext* pContext) {
  if (pBackground && pContext) {
    const int64_t top = heightOfOneImage > 0 ? static_cast<int64_t>(heightOfOneImage) * getFrameIndex() : 0;
    const CPoint source(0, static_cast<int32_t>(std::min<int64_t>(top, INT32_MAX)));
    CRect where = size;
    if (getTransparency())
      pBackground->drawTransparent(pContext, where, source);
    else
      pBackground->draw(pContext, where, source);
  }
  setDirty(false);
}

void CVerticalSwitch::mouse(CDrawContext* pContext, CPoint& where, int32_t button) {
  if (!bMouseEnabled) return;
  if (button == -1) {
    if (!pContext) return;
    button = pContext->getMouseButtons();
  }
  if (!(button & kLeftButton)) return;
  if (listener && (button & (kShiftFlag | kCommandFlag | kAltFlag | kCtrlFlag)) &&
      listener->controlModifierClicked(pContext, this, button))
    return;
  if (checkDefaultValue(pContext, button)) return;

  beginEdit();
  CPoint now = where;
  follow(pContext, now);
  while (pContext) {
    doIdleStuff();
    const bool held = pContext->getMouseButtons() == button;
    // The pointer is read after the buttons: that read takes the motion
    // queued before a release, so the last position of the drag counts.
    getMouseLocation(pContext, now);
    follow(pContext, now);
    if (!held) break;
  }
  endEdit();
}

void CVerticalSwitch::follow(CDrawContext* pContext, const CPoint& where) {
  // The listener hears only a pass that changes the value, so holding the
  // button still sends nothing.
  const float before = getValue();
  value.store(valueAt(where.v - size.top), std::memory_order_relaxed);
  if (getValue() != before && listener) listener->valueChanged(pContext, this);
}

void CVerticalSwitch::stepRows(CDrawContext* pContext, int32_t rows) {
  if (iMaxPositions < 2) return;
  const int32_t last = iMaxPositions - 1;
  const double nearest = std::trunc(static_cast<double>(getValue()) * last + 0.5);
  const int32_t from = nearest > 0.0 ? static_cast<int32_t>(std::min<double>(nearest, last)) : 0;
  const int32_t to = std::clamp(from + rows, 0, last);
  const float v = static_cast<float>(to) / static_cast<float>(last);
  if (v == getValue()) return;
  beginEdit();
  value.store(v, std::memory_order_relaxed);
  if (listener) listener->valueChanged(pContext, this);
  endEdit();
}

bool CVerticalSwitch::onWheel(CDrawContext* pContext, const CPoint&, float distance) {
  if (!bMouseEnabled) return false;
  if (distance > 0.0f)
    stepRows(pContext, -1);
  else if (distance < 0.0f)
    stepRows(pContext, 1);
  return true;
}

int32_t CVerticalSwitch::onKeyDown(VstKeyCode& keyCode) {
  if (!pParentFrame || pParentFrame->getFocusView() != this) return -1;
  switch (keyCode.virt) {
    case kVKeyUp: stepRows(nullptr, -1); return 1;
    case kVKeyDown: stepRows(nullptr, 1); return 1;
    default:
      return -1;
  }
}
