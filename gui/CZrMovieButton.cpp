#include "CZrMovieButton.h"

#include <cstring>

#include "CBitmap.h"
#include "CDrawContext.h"

CZrMovieButton::CZrMovieButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                               CPoint& offset)
    : CMovieButton(size, listener, tag, background, offset), offset{offset}, heightOfOneImage{size.height()} {
  buttonState = value;
}

CZrMovieButton::CZrMovieButton(const CRect& size, CControlListener* listener, int32_t tag,
                               int32_t heightOfOneImage, CBitmap* background, CPoint& offset)
    : CMovieButton(size, listener, tag, background, offset), offset{offset}, heightOfOneImage{heightOfOneImage} {
  buttonState = value;
}

CZrMovieButton::~CZrMovieButton() = default;

void CZrMovieButton::draw(CDrawContext* pContext) {
  CPoint where(0, 0);
  bounceValue();
  if (value != 0.0f || bOverRide) where.v = heightOfOneImage;
  if (pBackground && pContext) {
    CRect r = size;
    if (bTransparencyEnabled)
      pBackground->drawTransparent(pContext, r, where);
    else
      pBackground->draw(pContext, r, where);
  }
  buttonState = value;
  setDirty(false);
}

bool CZrMovieButton::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CZrMovieButton") == 0) return true;
  return CControl::isTypeOf(s);
}
