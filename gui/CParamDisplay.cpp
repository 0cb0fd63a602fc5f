#include "CParamDisplay.h"

#include <cstdio>
#include <cstring>

#include "CBitmap.h"
#include "CDrawContext.h"

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, int32_t style)
    : CControl(size, nullptr, 0, background), style{style} {
  backOffset(0, 0);
  if (style & kStyleNoDraw) setDirty(false);
}

CParamDisplay::~CParamDisplay() = default;

bool CParamDisplay::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CParamDisplay") == 0) return true;
  return CControl::isTypeOf(s);
}

namespace {
template <class T>
void setAndMark(CParamDisplay& display, T& field, const T& value) {
  if (field == value) return;
  field = value;
  display.setDirty(true);
}
}  // namespace

void CParamDisplay::setFont(CFont val) { setAndMark(*this, fontID, val); }
void CParamDisplay::setFontColor(CColor val) { setAndMark(*this, fontColor, val); }
void CParamDisplay::setBackColor(CColor val) { setAndMark(*this, backColor, val); }
void CParamDisplay::setFrameColor(CColor val) { setAndMark(*this, frameColor, val); }
void CParamDisplay::setShadowColor(CColor val) { setAndMark(*this, shadowColor, val); }
void CParamDisplay::setHoriAlign(CHoriTxtAlign val) { setAndMark(*this, horiTxtAlign, val); }
void CParamDisplay::setStyle(int32_t val) { setAndMark(*this, style, val); }
void CParamDisplay::setTxtFace(CTxtFace val) { setAndMark(*this, txtFace, val); }

void CParamDisplay::setStringConvert(StringConvert convert) { stringConvert = convert; }

void CParamDisplay::setStringConvert(StringConvert2 convert, void* data) {
  stringConvert2 = convert;
  userData = data;
}

void CParamDisplay::setString2FloatConvert(String2FloatConvert convert) { string2FloatConvert = convert; }

void CParamDisplay::getText(char (&text)[kTextSize]) const {
  text[0] = 0;
  if (stringConvert2)
    stringConvert2(getValue(), text, userData);
  else if (stringConvert)
    stringConvert(getValue(), text);
  else
    std::snprintf(text, kTextSize, "%2.2f", static_cast<double>(getValue()));
  text[kTextSize - 1] = 0;  // a converter that forgot the terminator
}

void CParamDisplay::draw(CDrawContext* pContext) {
  char text[kTextSize];
  getText(text);
  drawText(pContext, text, nullptr);
}

void CParamDisplay::drawText(CDrawContext* pContext, char* string, CBitmap* newBack) {
  setDirty(false);
  if (style & kStyleNoDraw) return;

  CRect r = size;
  if (newBack || pBackground) {
    CBitmap* back = newBack ? newBack : pBackground;
    if (bTransparencyEnabled)
      back->drawTransparent(pContext, r, backOffset);
    else
      back->draw(pContext, r, backOffset);
  } else if (!bTransparencyEnabled) {
    pContext->setFillColor(backColor);
    pContext->fillRect(size);
    if (!(style & (kStyleNoFrame | kStyle3DIn | kStyle3DOut))) {
      pContext->setFrameColor(frameColor);
      pContext->drawRect(size);
    }
  }

  if (style & (kStyle3DIn | kStyle3DOut)) {
    const bool in = (style & kStyle3DIn) != 0;
    pContext->setFrameColor(in ? backColor : frameColor);
    pContext->moveTo(CPoint(size.left, size.bottom));
    pContext->lineTo(CPoint(size.left, size.top));
    pContext->lineTo(CPoint(size.right + 1, size.top));
    pContext->setFrameColor(in ? frameColor : backColor);
    pContext->moveTo(CPoint(size.right, size.top + 1));
    pContext->lineTo(CPoint(size.right, size.bottom));
    pContext->lineTo(CPoint(size.left, size.bottom));
  }

  if ((style & kStyleNoText) || !string) return;

  CRect oldClip;
  pContext->getClipRect(oldClip);
  CRect clip = size;
  clip.bound(oldClip);
  pContext->setClipRect(clip);
  pContext->setFont(fontID, 0, txtFace);
  const int16_t opaque = bTextTransparencyEnabled ? 0 : 1;
  if (style & kStyleShadowText) {
    CRect shadow = size;
    shadow.offset(1, 1);
    pContext->setFontColor(shadowColor);
    pContext->drawString(string, shadow, opaque, horiTxtAlign);
  }
  pContext->setFontColor(fontColor);
  pContext->drawString(string, size, opaque, horiTxtAlign);
  pContext->setClipRect(oldClip);
}
