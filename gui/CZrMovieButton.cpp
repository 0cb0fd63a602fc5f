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
  bounceValue();
  drawFrame(pContext, (value != 0.0f || bOverRide) ? heightOfOneImage : 0);
}

bool CZrMovieButton::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CZrMovieButton") == 0) return true;
  return CControl::isTypeOf(s);
}
