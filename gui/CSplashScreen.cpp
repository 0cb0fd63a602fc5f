#include "CSplashScreen.h"

#include <cstring>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

namespace {
constexpr int32_t kAnyModifier = kShiftFlag | kCommandFlag | kAltFlag | kCtrlFlag;
}

CSplashScreen::CSplashScreen(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                             const CRect& toDisplay, const CPoint& offset)
    : CControl(size, listener, tag, background), toDisplay{toDisplay}, keepSize{0, 0, 0, 0}, offset{offset} {
  bitmapTransparency = 255;
}

CSplashScreen::~CSplashScreen() = default;

bool CSplashScreen::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CSplashScreen") == 0) return true;
  return CControl::isTypeOf(s);
}

void CSplashScreen::setBitmapTransparency(unsigned char transparency) {
  bitmapTransparency = transparency;
  setTransparency(transparency != 255);
}

bool CSplashScreen::hitTest(const CPoint& where, const int32_t buttons) {
  if (!(buttons & kLeftButton)) return false;
  return CControl::hitTest(where, buttons);
}

void CSplashScreen::draw(CDrawContext* pContext) {
  // Shown only while it holds the frame's modal slot: an open state that
  // the frame refused stays invisible instead of leaking into the hot area.
  const bool shown = isOpen() && pBackground && (!pParentFrame || pParentFrame->getModalView() == this);
  if (shown) {
    CRect r = toDisplay;
    if (!bTransparencyEnabled)
      pBackground->draw(pContext, r, offset);
    else if (bitmapTransparency == 0)
      pBackground->drawTransparent(pContext, r, offset);
    else
      pBackground->drawAlphaBlend(pContext, r, offset, bitmapTransparency);
  }
  setDirty(false);
}

void CSplashScreen::mouse(CDrawContext* pContext, CPoint&, int32_t button) {
  if (!bMouseEnabled) return;
  if (button == -1 && pContext) button = pContext->getMouseButtons();
  if (listener && (button & kAnyModifier))
    if (listener->controlModifierClicked(pContext, this, button) != 0) return;
  if (!(button & kLeftButton)) return;

  if (!isOpen()) {
    // Nothing to show: stay closed, so no invisible view takes the clicks.
    if (!pBackground || !pBackground->isLoaded() || toDisplay.isEmpty()) return;
    setValue(1.0f);
    if (pParentFrame && pParentFrame->setModalView(this)) {
      keepSize = size;
      grown = true;
      size = toDisplay;
      mouseableArea = toDisplay;
      if (listener) listener->valueChanged(pContext, this);
    }
    setDirty(true);
  } else {
    setValue(0.0f);
    if (grown) {
      size = keepSize;
      mouseableArea = keepSize;
      grown = false;
    }
    if (listener) listener->valueChanged(pContext, this);
    if (pParentFrame) {
      pParentFrame->setDirty(true);
      if (pParentFrame->getModalView() == this) pParentFrame->setModalView(nullptr);
    }
  }
}

void CSplashScreen::unSplash() {
  if (!isOpen()) return;
  setDirty(true);
  setValue(0.0f);
  if (grown) {
    size = keepSize;
    mouseableArea = keepSize;
    grown = false;
  }
  if (pParentFrame && pParentFrame->getModalView() == this) {
    pParentFrame->setModalView(nullptr);
    pParentFrame->redraw();
  }
}
