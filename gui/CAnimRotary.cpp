#include "CAnimRotary.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "CBitmap.h"

CAnimRotary::CAnimRotary(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                         int32_t heightOfOneImage, CBitmap* background, const CPoint& offset)
    : CRotary(size, listener, tag, background, nullptr, offset),
      subPixmaps{subPixmaps},
      heightOfOneImage{heightOfOneImage} {
  inset = 0;
  setNoEndStopMode();
}

CAnimRotary::~CAnimRotary() = default;

bool CAnimRotary::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CAnimRotary") == 0) return true;
  return CRotary::isTypeOf(s);
}

float CAnimRotary::distanceFromPoint(CPoint& point) const {
  const float dv = radius - static_cast<float>(point.v);
  const float dh = static_cast<float>(point.h) - radius;
  return std::sqrt(dv * dv + dh * dh);
}

int32_t CAnimRotary::frameIndex() const {
  if (heightOfOneImage <= 0 || subPixmaps <= 1) return 0;
  const float value = getValue();
  if (!(value > 0.0f)) return 0;
  // The first row of the last frame; the value picks a row, truncated, and
  // the frame holding that row is shown. Clamped before converting, so a
  // host value far above 1 neither overflows nor reads past the strip.
  const int32_t top = (subPixmaps - 1) * heightOfOneImage;
  const float row = value * static_cast<float>(top);
  if (row >= static_cast<float>(top)) return subPixmaps - 1;
  return static_cast<int32_t>(row) / heightOfOneImage;
}

void CAnimRotary::draw(CDrawContext* pContext) {
  if (pBackground) {
    const CPoint where(0, frameIndex() * std::max<int32_t>(heightOfOneImage, 0));
    CRect r = size;
    if (bTransparencyEnabled)
      pBackground->drawTransparent(pContext, r, where);
    else
      pBackground->draw(pContext, r, where);
  }
  setDirty(false);
}

void CAnimRotary::mouse(CDrawContext* pContext, CPoint& where, int32_t button) {
  track(pContext, where, button, noEndStops);
}
