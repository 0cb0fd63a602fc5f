#include "CRotary.h"

#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "guieditor.h"

namespace {
constexpr float kTwoPi = 2.0f * std::numbers::pi_v<float>;

int32_t handleInset(const CBitmap* handle) {
  return static_cast<int32_t>(static_cast<float>(handle->getWidth()) / 2.0f + 2.5f);
}
}  // namespace

CRotary::CRotary(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                 CBitmap* handle, const CPoint& offset)
    : CControl(size, listener, tag, background), offset{offset}, pHandle{handle} {
  if (pHandle) {
    pHandle->remember();
    inset = handleInset(pHandle);
  } else {
    inset = 3;
  }
  colorShadowHandle = kGreyCColor;
  colorHandle = kWhiteCColor;
  radius = static_cast<float>(size.right - size.left) / 2.0f;
  rangeAngle = 1.0f;
  setStartAngle(5.0f * std::numbers::pi_v<float> / 4.0f);
  setRangeAngle(-3.0f * std::numbers::pi_v<float> / 2.0f);
  zoomFactor = 1.5f;
  setNoEndStopMode();
}

CRotary::~CRotary() {
  if (pHandle) pHandle->forget();
}

bool CRotary::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CRotary") == 0) return true;
  return CControl::isTypeOf(s);
}

void CRotary::compute() {
  aCoef = (vmax - vmin) / rangeAngle;
  bCoef = vmin - aCoef * startAngle;
  halfAngle = (kTwoPi - std::fabs(rangeAngle)) * 0.5f;
  setDirty(true);
}

void CRotary::setStartAngle(float val) {
  if (!std::isfinite(val)) return;
  startAngle = val;
  compute();
}

void CRotary::setRangeAngle(float val) {
  // A zero sweep maps every value to one angle: value per radian is infinite.
  if (!std::isfinite(val) || val == 0.0f) return;
  rangeAngle = val;
  compute();
}

void CRotary::setZoomFactor(float val) {
  if (std::isfinite(val) && val > 0.0f) zoomFactor = val;
}

void CRotary::setColorHandle(CColor color) {
  colorHandle = color;
  setDirty(true);
}

void CRotary::setColorShadowHandle(CColor color) {
  colorShadowHandle = color;
  setDirty(true);
}

void CRotary::setHandleBitmap(CBitmap* bitmap) {
  if (pHandle) {
    pHandle->forget();
    pHandle = nullptr;
  }
  if (bitmap) {
    pHandle = bitmap;
    pHandle->remember();
    inset = handleInset(pHandle);
  }
}

void CRotary::valueToPoint(CPoint& point) const {
  const float alpha = (getValue() - bCoef) / aCoef;
  if (!std::isfinite(alpha)) {
    // No angle for this value (vmin == vmax): the centre.
    point(static_cast<int32_t>(radius), static_cast<int32_t>(radius));
    return;
  }
  const float r = radius - static_cast<float>(inset);
  point.h = static_cast<int32_t>(radius + std::cos(alpha) * r + 0.5f);
  point.v = static_cast<int32_t>(radius - std::sin(alpha) * r + 0.5f);
}

float CRotary::valueFromPoint(CPoint& point) const { return angleToValue(point); }

float CRotary::angleToValue(CPoint& point) const {
  float a = std::atan2(radius - static_cast<float>(point.v), static_cast<float>(point.h) - radius);
  if (a < 0.0f) a += kTwoPi;
  float d = a - startAngle;
  const auto wrapOnce = [](float e) {
    if (e < 0.0f) return e + kTwoPi;
    if (e > kTwoPi) return e - kTwoPi;
    return e;
  };
  if (rangeAngle < 0.0f) {
    d -= rangeAngle;
    const float e = wrapOnce(d);
    if (e > halfAngle - rangeAngle) return vmax;
    if (e > -rangeAngle) return vmin;
    if (d > halfAngle - rangeAngle)
      d -= kTwoPi;
    else if (d < -halfAngle)
      d += kTwoPi;
    return aCoef * d + vmax;
  }
  const float e = wrapOnce(d);
  if (e > rangeAngle + halfAngle) return vmin;
  if (e > rangeAngle) return vmax;
  if (d > rangeAngle + halfAngle)
    d -= kTwoPi;
  else if (d < -halfAngle)
    d += kTwoPi;
  return aCoef * d + vmin;
}

void CRotary::draw(CDrawContext* pContext) {
  if (pBackground) {
    CRect r = size;
    if (bTransparencyEnabled)
      pBackground->drawTransparent(pContext, r, offset);
    else
      pBackground->draw(pContext, r, offset);
  }
  drawHandle(pContext);
  setDirty(false);
}

void CRotary::drawHandle(CDrawContext* pContext) {
  if (!std::isfinite((getValue() - bCoef) / aCoef)) return;  // no angle to show
  CPoint where;
  valueToPoint(where);
  if (!pHandle) {
    CPoint origin(size.width() / 2, size.height() / 2);
    where.offset(size.left - 1, size.top);
    origin.offset(size.left - 1, size.top);
    pContext->setFrameColor(colorShadowHandle);
    pContext->moveTo(where);
    pContext->lineTo(origin);
    where.offset(1, -1);
    origin.offset(1, -1);
    pContext->setFrameColor(colorHandle);
    pContext->moveTo(where);
    pContext->lineTo(origin);
    return;
  }
  const int32_t w = pHandle->getWidth();
  const int32_t h = pHandle->getHeight();
  where.offset(size.left - w / 2, size.top - h / 2);
  CRect r(0, 0, w, h);
  r.offset(where.h, where.v);
  pHandle->drawTransparent(pContext, r, CPoint(0, 0));
}

int32_t CRotary::dragModeFor(int32_t knobMode, bool alt) {
  if (!alt) return knobMode;
  switch (knobMode) {
    case kCircularDrag: return kRelativeCircularDrag;
    case kRelativeCircularDrag: return kCircularDrag;
    case kLinearDrag: return kCircularDrag;
    default: return knobMode;
  }
}

void CRotary::mouse(CDrawContext* pContext, CPoint& where, int32_t button) {
  track(pContext, where, button, noEndStops);
}

// The state of one drag with the left button held.
struct CRotary::Drag {
  int32_t mode;
  bool withoutEndStops;
  int32_t flags;      // the buttons and modifiers last read
  int32_t oldButton;  // the flags the linear rate was last based on
  CPoint firstPoint;  // where the drag began
  float entryState;   // the linear drag's value at firstPoint at the current rate
  float range;        // pixels of linear drag over the whole value range
  float coef;         // value per pixel of the linear drag
  float middle;       // half the value range: a larger step jumps across the end stops
  float diffValue;    // the value less the value under the click, for the relative drag
  float old;          // reference of the jump test

  // Pixels up and to the right from where the drag began.
  int32_t distance(const CPoint& at) const { return (firstPoint.v - at.v) + (at.h - firstPoint.h); }
};

// The default-value click is an edit like a drag: hosts recording touch
// automation need its begin and end.
void CRotary::restoreDefault(CDrawContext* pContext) {
  beginEdit();
  setValue(getDefaultValue());
  if (isDirty() && listener) listener->valueChanged(pContext, this);
  endEdit();
}

CRotary::Drag CRotary::startDrag(const CPoint& where, int32_t flags, bool withoutEndStops) const {
  Drag drag;
  drag.withoutEndStops = withoutEndStops;
  drag.flags = flags;
  drag.entryState = getValue();
  drag.middle = (vmax - vmin) / 2.0f;
  drag.range = 200.0f;
  drag.coef = (vmax - vmin) / drag.range;
  drag.oldButton = flags;
  drag.firstPoint = where;
  CPoint local = where;
  local.offset(-size.left, -size.top);
  const float clickValue = angleToValue(local);
  drag.diffValue = getValue() - clickValue;
  drag.mode = dragModeFor(AEffGUIEditor::getKnobMode(), (flags & kAltFlag) != 0);
  if (flags & kShiftFlag) {
    drag.range *= zoomFactor;
    drag.coef = (vmax - vmin) / drag.range;
  }
  // Reference of the jump test: the circular drag starts where the click
  // points; the relative and linear drags start from the value itself.
  drag.old = drag.mode == kCircularDrag ? clickValue : getValue();
  return drag;
}

// With end stops, a step of more than half the range is a jump across them
// and holds the value at the end it came from.
void CRotary::stopAtEnds(Drag& drag, float& value) const {
  if (drag.withoutEndStops) {
    drag.old = value;
  } else if (drag.old - value > drag.middle) {
    value = vmax;
  } else if (value - drag.old > drag.middle) {
    value = vmin;
  } else {
    drag.old = value;
  }
}

// Shift going down or up changes the linear drag's rate; the value it
// starts from moves so that the value at `at` stays where it is.
void CRotary::rebaseLinearRate(Drag& drag, const CPoint& at) const {
  if (drag.flags == drag.oldButton) return;
  const int32_t diff = drag.distance(at);
  drag.range = 200.0f;
  if (drag.flags & kShiftFlag) drag.range *= zoomFactor;
  const float coef2 = (vmax - vmin) / drag.range;
  drag.entryState += static_cast<float>(diff) * (drag.coef - coef2);
  drag.coef = coef2;
  drag.oldButton = drag.flags;
}

// The value the drag gives for the pointer at `where`, or none for a mode
// that does not drag.
std::optional<float> CRotary::dragValue(Drag& drag, const CPoint& where) const {
  CPoint local = where;
  local.offset(-size.left, -size.top);
  float value;
  switch (drag.mode) {
    case kCircularDrag: value = angleToValue(local); break;
    case kRelativeCircularDrag:
      value = angleToValue(local) + drag.diffValue;
      if (value > 1.0f)
        value -= 1.0f;
      else if (value < 0.0f)
        value += 1.0f;
      break;
    case kLinearDrag:
      rebaseLinearRate(drag, where);
      value = drag.entryState + static_cast<float>(drag.distance(where)) * drag.coef;
      break;
    default: return std::nullopt;
  }
  stopAtEnds(drag, value);
  return value;
}

void CRotary::followPointer(CDrawContext* pContext, Drag& drag, const CPoint& where) {
  if (const std::optional<float> value = dragValue(drag, where)) {
    setValue(*value);
    bounceValue();
  }
  if (isDirty() && listener) listener->valueChanged(pContext, this);
}

void CRotary::track(CDrawContext* pContext, CPoint& where, int32_t button, bool withoutEndStops) {
  if (!bMouseEnabled || !pContext) return;
  // The click's own flags answer the first pass: a quick click may already
  // be over when the control looks, and must still count.
  const int32_t flags = button == -1 ? pContext->getMouseButtons() : button;
  if (!(flags & kLeftButton)) return;
  if (flags == (kLeftButton | kCommandFlag)) {
    restoreDefault(pContext);
    return;
  }

  Drag drag = startDrag(where, flags, withoutEndStops);
  CPoint oldWhere(-1, -1);
  beginEdit();
  // Each pass reads the buttons and then the position, so the pass that sees
  // the release still takes the last position (idle work between passes may
  // have handled the final motion and the release together).
  bool firstPass = true;
  while (true) {
    if (!firstPass) {
      drag.flags = pContext->getMouseButtons();
      getMouseLocation(pContext, where);
    }
    firstPass = false;
    // Shift going down or up re-bases the linear drag where the pointer was
    // last taken, so the rate changes from that moment without a jump.
    if (drag.mode == kLinearDrag && oldWhere != CPoint(-1, -1)) rebaseLinearRate(drag, oldWhere);
    if (where != oldWhere) {
      oldWhere = where;
      followPointer(pContext, drag, where);
    }
    if (!(drag.flags & kLeftButton)) break;
    doIdleStuff();
  }
  endEdit();
}

bool CRotary::onWheel(CDrawContext* pContext, const CPoint&, float distance) {
  if (!bMouseEnabled) return false;
  const int32_t flags = pContext ? pContext->getMouseButtons() : 0;
  stepValue(pContext, distance, (flags & kShiftFlag) != 0);
  return true;
}

int32_t CRotary::onKeyDown(VstKeyCode& keyCode) {
  const float distance = arrowKeyStep(keyCode);
  if (distance == 0.0f) return -1;
  stepValue(nullptr, distance, (keyCode.modifier & kKeyModShift) != 0);
  return 1;
}
