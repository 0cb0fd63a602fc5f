#include "CMovieButton.h"

#include <cstring>

#include "CBitmap.h"
#include "CDrawContext.h"

CMovieButton::CMovieButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                           CPoint& offset)
    : CControl(size, listener, tag, background), offset{offset}, heightOfOneImage{size.height()} {
  buttonState = value;
}

CMovieButton::CMovieButton(const CRect& size, CControlListener* listener, int32_t tag, int32_t heightOfOneImage,
                           CBitmap* background, CPoint& offset)
    : CControl(size, listener, tag, background), offset{offset}, heightOfOneImage{heightOfOneImage} {
  buttonState = value;
}

CMovieButton::~CMovieButton() = default;

void CMovieButton::draw(CDrawContext* pContext) {
  bounceValue();
  drawFrame(pContext, value != 0.0f ? heightOfOneImage : 0);
}

void CMovieButton::drawFrame(CDrawContext* pContext, int32_t frameTop) {
  CPoint where(0, frameTop);
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

void CMovieButton::mouse(CDrawContext* pContext, CPoint& where, int32_t button) {
  if (!bMouseEnabled) return;
  if (button == -1) button = pContext ? pContext->getMouseButtons() : 0;
  if (listener && (button & (kShiftFlag | kCommandFlag | kAltFlag | kCtrlFlag)))
    if (listener->controlModifierClicked(pContext, this, button) != 0) return;
  if (!(button & kLeftButton)) return;

  const float firstValue = value;
  beginEdit();
  if (pContext && pContext->getMouseButtons()) {
    // The listener hears each change of the value once. Not "while dirty":
    // the loop passes every few milliseconds and the value stays dirty until
    // the next repaint, and a value back at the one last drawn would not be
    // told at all, leaving the listener with the previous one.
    float told = firstValue;
    while (true) {
      const bool inside = where.isInside(size);
      value = inside ? (firstValue == 0.0f ? 1.0f : 0.0f) : firstValue;
      if (listener && value != told) {
        told = value;
        listener->valueChanged(pContext, this);
      }
      getMouseLocation(pContext, where);
      doIdleStuff();
      if (pContext->getMouseButtons() != button) break;
    }
  } else {
    // Already released: one toggle, always told.
    value = value == 0.0f ? 1.0f : 0.0f;
    if (listener) listener->valueChanged(pContext, this);
  }
  endEdit();
  buttonState = value;
}

bool CMovieButton::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CMovieButton") == 0) return true;
  return CControl::isTypeOf(s);
}
