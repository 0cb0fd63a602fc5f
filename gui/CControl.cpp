#include "CControl.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "CFrame.h"
#include "platform.h"

int32_t CControlListener::controlModifierClicked(CDrawContext*, CControl*, int32_t) { return 0; }

CControl::CControl(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* pBackground)
    : CView(size), listener{listener}, tag{tag} {
  // The platform's double-click time is in ticks of 1/60 s; the interval in
  // milliseconds is that number, at least 250.
  delta = std::max<int32_t>(static_cast<int32_t>(oxel::platform::kDoubleClickTicks), 250);
  setTransparency(false);
  setMouseEnabled(true);
  setBackground(pBackground);
}

CControl::~CControl() = default;

bool CControl::isDirty() const {
  return oldValue.load(std::memory_order_relaxed) != value.load(std::memory_order_relaxed) || CView::isDirty();
}

void CControl::setDirty(const bool val) {
  CView::setDirty(val);
  const float v = value.load(std::memory_order_relaxed);
  if (!val)
    oldValue.store(v, std::memory_order_relaxed);
  else
    oldValue.store(v == -1.0f ? 0.0f : -1.0f, std::memory_order_relaxed);
}

void CControl::setValue(float val) {
  if (!std::isfinite(val)) return;  // a NaN would keep the control dirty for ever
  value.store(val, std::memory_order_relaxed);
}

void CControl::setDefaultValue(float val) {
  if (std::isfinite(val)) defaultValue = val;
}

void CControl::doIdleStuff() {
  if (pParentFrame) pParentFrame->doIdleStuff();
}

void CControl::beginEdit() {
  if (!pParentFrame) return;
  pParentFrame->setFocusView(this);
  pParentFrame->beginEdit(tag);
}

void CControl::endEdit() {
  if (pParentFrame) pParentFrame->endEdit(tag);
}

void CControl::copyBackOffset() { backOffset(size.left, size.top); }

void CControl::stepValue(CDrawContext* pContext, float distance, bool fine) {
  const float inc = fine ? distance * 0.1f * wheelInc : distance * wheelInc;
  setValue(getValue() + inc);
  bounceValue();
  if (isDirty() && listener) {
    beginEdit();
    listener->valueChanged(pContext, this);
    endEdit();
  }
}

float CControl::arrowKeyStep(const VstKeyCode& keyCode) {
  switch (keyCode.virt) {
    case kVKeyLeft:
    case kVKeyDown: return -1.0f;
    case kVKeyUp:
    case kVKeyRight: return 1.0f;
    default: return 0.0f;
  }
}

void CControl::bounceValue() {
  const float v = value.load(std::memory_order_relaxed);
  if (v > vmax)
    value.store(vmax, std::memory_order_relaxed);
  else if (v < vmin)
    value.store(vmin, std::memory_order_relaxed);
}

bool CControl::checkDefaultValue(CDrawContext* pContext, int32_t button) {
  if (button != (kLeftButton | kCommandFlag)) return false;
  beginEdit();
  value.store(getDefaultValue(), std::memory_order_relaxed);
  if (isDirty() && listener) listener->valueChanged(pContext, this);
  endEdit();
  return true;
}

bool CControl::isDoubleClick() {
  const uint32_t now = pParentFrame ? pParentFrame->getTicks() : 0;
  // 64-bit sum: lastTicks + delta cannot overflow.
  if (lastTicks > 0 && static_cast<int64_t>(now) < static_cast<int64_t>(lastTicks) + delta) {
    lastTicks = 0;
    return true;
  }
  lastTicks = static_cast<int32_t>(now);
  return false;
}

bool CControl::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CControl") == 0) return true;
  return CView::isTypeOf(s);
}

bool CControl::getAttributeSize(const CViewAttributeID id, int32_t& outSize) const {
  if (id == kCControlAttributeTag || id == kCControlAttributeValue) {
    outSize = 4;
    return true;
  }
  return CView::getAttributeSize(id, outSize);
}

bool CControl::getAttribute(const CViewAttributeID id, const int32_t inSize, void* outData,
                            int32_t& outSize) const {
  if ((id == kCControlAttributeTag || id == kCControlAttributeValue) && inSize >= 4 && outData) {
    if (id == kCControlAttributeTag) {
      const int32_t t = tag;
      std::memcpy(outData, &t, 4);
    } else {
      const float v = getValue();
      std::memcpy(outData, &v, 4);
    }
    outSize = 4;
    return true;
  }
  return CView::getAttribute(id, inSize, outData, outSize);
}

bool CControl::setAttribute(const CViewAttributeID id, const int32_t inSize, const void* inData) {
  if ((id == kCControlAttributeTag || id == kCControlAttributeValue) && inSize == 4 && inData) {
    if (id == kCControlAttributeTag) {
      std::memcpy(&tag, inData, 4);
    } else {
      float v = 0.0f;
      std::memcpy(&v, inData, 4);
      setValue(v);
    }
    return true;
  }
  return CView::setAttribute(id, inSize, inData);
}
