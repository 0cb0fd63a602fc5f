#include "CDrawContext.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "CBitmap.h"
#include "CFrame.h"
#include "platform.h"

namespace platform = oxel::platform;
using oxel::gui_detail::wrapAdd;

namespace {

constexpr CRect kNoFrameClip{0, 0, 1000, 1000};

struct FontTableEntry {
  platform::FontFamily family;
  int32_t standardSize;
};
// "Arial" for the text fonts, "Symbol" for the symbol font.
constexpr FontTableEntry kFontTable[kNumStandardFonts] = {
    {platform::FontFamily::sans, 12}, {platform::FontFamily::sans, 18}, {platform::FontFamily::sans, 14},
    {platform::FontFamily::sans, 12}, {platform::FontFamily::sans, 10}, {platform::FontFamily::sans, 9},
    {platform::FontFamily::sans, 9},  {platform::FontFamily::symbol, 12},
};

CPoint shifted(const CPoint& p, const CPoint& by) { return CPoint{wrapAdd(p.h, by.h), wrapAdd(p.v, by.v)}; }
CRect shifted(const CRect& r, const CPoint& by) {
  CRect s = r;
  s.offset(by.h, by.v);
  return s;
}
platform::PortRect portRect(const CRect& r) { return {r.left, r.top, r.right, r.bottom}; }
platform::PortRect deviceRect(const CRect& r, int32_t scale) {
  return platform::toDevice(portRect(r), scale);
}

platform::Pattern patternOf(const uint8_t (&rows)[8]) {
  platform::Pattern p{};
  for (int i = 0; i < 8; ++i) p.rows[i] = rows[i];
  return p;
}

// Float to whole degrees, truncating, kept inside int32.
int32_t truncDegrees(double d) {
  if (!std::isfinite(d)) return 0;
  return static_cast<int32_t>(std::clamp(d, -2.0e9, 2.0e9));
}

}  // namespace

CDrawContext::CDrawContext(CFrame* pFrame, void* pSystemContext, void* pWindow)
    : pSystemContext{pSystemContext}, pWindow{pWindow}, pFrame{pFrame} {
  clipRect = pFrame ? pFrame->getViewSize() : kNoFrameClip;
  this->pSystemContext = pWindow;
  if (pFrame) pInput = pFrame->getInputSource();
  setFrameColor(kWhiteCColor);
  setLineStyle(kLineSolid);
  setLineWidth(1);
  setFillColor(kBlackCColor);
  setFontColor(kWhiteCColor);
  setFont(kSystemFont, 0, 0);
  setDrawMode(kCopyMode);
}

CDrawContext::~CDrawContext() = default;

platform::InputSource& CDrawContext::input() const { return pInput ? *pInput : platform::idleInput(); }

platform::PixelPort* CDrawContext::getPort() {
  bInitialized = true;
  return port();
}

platform::PixelPort* CDrawContext::getBitmap() { return getPort(); }

int32_t CDrawContext::getScale() const { return port() ? port()->scale() : 1; }

// ---------------------------------------------------------------------------
// State

void CDrawContext::setLineWidth(int32_t width) {
  if (width == frameWidth) return;
  frameWidth = width;
}

void CDrawContext::setLineStyle(CLineStyle style) {
  if (style == lineStyle) return;
  lineStyle = style;
  platform::Pattern p =
      platform::patternFromHex(style == kLineOnOffDash ? "F0F0F0F00F0F0F0F" : "FFFFFFFFFFFFFFFF");
  for (int i = 0; i < 8; ++i) penPattern[i] = p.rows[i];
}

void CDrawContext::setDrawMode(CDrawMode mode) {
  if (mode == drawMode) return;
  drawMode = mode;
}

void CDrawContext::setFrameColor(const CColor color) {
  if (color == frameColor) return;
  frameColor = color;
}

void CDrawContext::setFillColor(const CColor color) {
  if (color == fillColor) return;
  fillColor = color;
}

void CDrawContext::setFontColor(const CColor color) { fontColor = color; }

void CDrawContext::setFont(CFont font, const int32_t size, int32_t style) {
  if (font < kSystemFont || font >= kNumStandardFonts) font = kSystemFont;
  const int32_t effective = size != 0 ? size : kFontTable[font].standardSize;
  // Only the font and the size are compared: a call that changes only the
  // style has no effect.
  if (font == fontId && effective == fontSize) return;
  fontId = font;
  fontSize = effective;
  uint32_t faceBits = 0;
  if (style & kBoldFace) faceBits |= platform::kFontBold;
  if (style & kItalicFace) faceBits |= platform::kFontItalic;
  if (style & kUnderlineFace) faceBits |= platform::kFontUnderline;
  pFont = platform::loadFont(kFontTable[font].family, effective, faceBits);
  fontFaceBits = faceBits;
  pDeviceFont = nullptr;
  platform::FontMetrics m = platform::fontMetrics(pFont);
  fontInfoStruct = {static_cast<int16_t>(m.ascent), static_cast<int16_t>(m.descent),
                    static_cast<int16_t>(m.maxWidth), static_cast<int16_t>(m.leading)};
}

void CDrawContext::setClipRect(const CRect& clip) {
  CRect s = shifted(clip, offset);
  if (s == clipRect) return;
  clipRect = s;
}

CRect& CDrawContext::getClipRect(CRect& clip) const {
  clip = clipRect;
  clip.offset(-offset.h, -offset.v);
  return clip;
}

void CDrawContext::resetClipRect() {
  CRect whole = pFrame ? pFrame->getViewSize() : kNoFrameClip;
  setClipRect(whole);
  clipRect = whole;
}

// ---------------------------------------------------------------------------
// Lines

const platform::Font* CDrawContext::deviceFont(int32_t scale) {
  if (scale == 1) return pFont;
  if (!pDeviceFont || deviceFontSize != fontSize * scale) {
    deviceFontSize = fontSize * scale;
    pDeviceFont = platform::loadFont(kFontTable[fontId].family, deviceFontSize, fontFaceBits);
  }
  return pDeviceFont;
}

platform::PenState CDrawContext::linePen() const {
  const int32_t s = getScale();
  platform::PenState pen;
  pen.width = pen.height = frameWidth * s;
  pen.mode = drawMode == kOrMode    ? platform::PenMode::orMode
             : drawMode == kXorMode ? platform::PenMode::xorMode
                                    : platform::PenMode::copy;
  pen.pattern = patternOf(penPattern);
  pen.foreground = toPixel(frameColor);
  pen.background = toPixel(portBackColor);
  pen.clip = deviceRect(clipRect, s);
  return pen;
}

void CDrawContext::strokeTo(const CPoint& to) {
  if (platform::PixelPort* p = getPort()) {
    const int32_t s = p->scale();
    platform::strokeLine(*p, linePen(), platform::toDevice(portPen.h, s),
                         platform::toDevice(portPen.v, s), platform::toDevice(to.h, s),
                         platform::toDevice(to.v, s));
  }
  portPen = to;
}

void CDrawContext::moveTo(const CPoint& point) {
  penLoc = shifted(point, offset);
  portPen = penLoc;
}

void CDrawContext::lineTo(const CPoint& point) {
  const CPoint q = shifted(point, offset);
  if (q.h != penLoc.h && q.v != penLoc.v) {
    strokeTo(q);
  } else if (q.h == penLoc.h && q.v != penLoc.v) {
    strokeTo(CPoint{q.h, q.v > penLoc.v ? q.v - 1 : wrapAdd(q.v, 1)});
  } else {
    strokeTo(CPoint{q.h > penLoc.h ? q.h - 1 : wrapAdd(q.h, 1), q.v});
  }
  portPen = q;
  penLoc = q;
}

void CDrawContext::drawLines(const CPoint* pairs, const int32_t& count) {
  if (!pairs) return;
  for (int32_t i = 0; i < count; ++i) {
    moveTo(pairs[2 * i]);
    lineTo(pairs[2 * i + 1]);
  }
}

void CDrawContext::polyLine(const CPoint* points, int32_t count) {
  if (!points || count < 1) return;
  portPen = shifted(points[0], offset);
  for (int32_t i = 1; i < count; ++i) strokeTo(shifted(points[i], offset));
}

void CDrawContext::fillPolygon(const CPoint* points, int32_t count) {
  if (!points || count < 1) return;
  const int32_t s = getScale();
  std::vector<platform::PortPoint> pts;
  pts.reserve(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    CPoint p = shifted(points[i], offset);
    pts.push_back({platform::toDevice(p.h, s), platform::toDevice(p.v, s)});
  }
  portPen = shifted(points[0], offset);
  platform::PixelPort* p = getPort();
  if (!p) return;
  platform::PenState pen;
  pen.foreground = toPixel(fillColor);
  pen.clip = deviceRect(clipRect, s);
  platform::paintPolygon(*p, pen, pts);
}

void CDrawContext::drawPolygon(const CPoint* points, int32_t count, const CDrawStyle drawStyle) {
  if (drawStyle == kDrawFilled || drawStyle == kDrawFilledAndStroked) fillPolygon(points, count);
  if (drawStyle == kDrawStroked || drawStyle == kDrawFilledAndStroked) polyLine(points, count);
}

// ---------------------------------------------------------------------------
// Rectangles, pixels

namespace {
void paintSolid(platform::PixelPort* port, const CRect& portArea, const CColor& color, const CRect& clip) {
  if (!port) return;
  platform::PenState pen;
  pen.foreground = toPixel(color);
  pen.clip = deviceRect(clip, port->scale());
  platform::paintRect(*port, pen, deviceRect(portArea, port->scale()));
}
}  // namespace

void CDrawContext::drawRect(const CRect& rect, const CDrawStyle drawStyle) {
  if (drawStyle == kDrawFilled || drawStyle == kDrawFilledAndStroked)
    paintSolid(getPort(), shifted(rect, offset), fillColor, clipRect);
  if (drawStyle == kDrawStroked || drawStyle == kDrawFilledAndStroked) {
    const int32_t lastX = wrapAdd(rect.right, -1), lastY = wrapAdd(rect.bottom, -1);
    moveTo(CPoint{rect.left, rect.top});
    lineTo(CPoint{lastX, rect.top});
    lineTo(CPoint{lastX, lastY});
    lineTo(CPoint{rect.left, lastY});
    lineTo(CPoint{rect.left, rect.top});
  }
}

void CDrawContext::fillRect(const CRect& rect) {
  CRect r = shifted(rect, offset);
  r.left = wrapAdd(r.left, 1);
  r.top = wrapAdd(r.top, 1);
  paintSolid(getPort(), r, fillColor, clipRect);
}

void CDrawContext::drawPoint(const CPoint& point, CColor color) {
  const int32_t savedWidth = frameWidth;
  const CColor savedColor = frameColor;
  setLineWidth(1);
  setFrameColor(color);
  moveTo(point);
  lineTo(CPoint{wrapAdd(point.h, 1), point.v});
  setFrameColor(savedColor);
  setLineWidth(savedWidth);
}

CColor CDrawContext::getPoint(const CPoint& point) {
  platform::PixelPort* p = getPort();
  if (!p) return kBlackCColor;
  CPoint q = shifted(point, offset);
  return fromPixel(p->get(platform::toDevice(platform::to16(q.h), p->scale()),
                          platform::toDevice(platform::to16(q.v), p->scale())),
                   255);
}

void CDrawContext::floodFill(const CPoint& start) {
  platform::PixelPort* p = getPort();
  if (!p) return;
  CPoint q = shifted(start, offset);
  const int32_t s = p->scale();
  auto mask = platform::seedFill(*p, deviceRect(clipRect, s), platform::toDevice(q.h, s),
                                 platform::toDevice(q.v, s));
  platform::PenState pen;
  pen.foreground = toPixel(fillColor);
  pen.clip = deviceRect(clipRect, s);
  platform::paintMask(*p, pen, *mask);
}

// ---------------------------------------------------------------------------
// Arcs and ellipses

namespace {

// Arc angles are counted in 1/64 degree, counter-clockwise from 3 o'clock.
constexpr int32_t kArcUnitsPerDegree = 64;
constexpr int32_t kQuarterTurn = 90 * kArcUnitsPerDegree;  // 5760
constexpr int32_t kHalfTurn = 2 * kQuarterTurn;            // 11520
constexpr int32_t kThreeQuarterTurn = 3 * kQuarterTurn;    // 17280
constexpr int32_t kFullTurn = 4 * kQuarterTurn;            // 23040
// Arc units in one radian, 64 * 180 / pi cut after four decimals, exactly as
// the toolkit has always rounded.
constexpr double kArcUnitsPerRadian = 3666.9298;
// The pixel layer takes whole degrees, with 0 at 12 o'clock, clockwise.
constexpr int32_t kPortQuarterTurn = 90;

}  // namespace

int32_t CDrawContext::convertPoint2Angle(const CPoint& pm, const CPoint& pt) const {
  if (pt.h == pm.h) return pt.v < pm.v ? kQuarterTurn : kThreeQuarterTurn;
  if (pt.v == pm.v) return pt.h < pm.h ? kHalfTurn : 0;
  const double ratio = (static_cast<double>(pm.v) - pt.v) / (static_cast<double>(pt.h) - pm.h);
  const int32_t a = static_cast<int32_t>(std::atan(ratio) * kArcUnitsPerRadian);
  if (pt.h >= pm.h) return pt.v < pm.v ? a : a + kFullTurn;
  return a + kHalfTurn;
}

namespace {
CPoint centreOf(const CRect& r) {
  return CPoint{static_cast<int32_t>((int64_t{r.left} + r.right) / 2),
                static_cast<int32_t>((int64_t{r.top} + r.bottom) / 2)};
}
}  // namespace

void CDrawContext::drawArc(const CRect& rect, const CPoint& point1, const CPoint& point2) {
  const CRect r = shifted(rect, offset);
  const CPoint p1 = shifted(point1, offset), p2 = shifted(point2, offset);
  int32_t start = 0, extent = kFullTurn;
  if (p1 != p2) {
    const CPoint c = centreOf(r);
    start = convertPoint2Angle(c, p1);
    extent = convertPoint2Angle(c, p2) - start;
    if (extent < 0) extent += kFullTurn;
  }
  if (platform::PixelPort* p = getPort())
    platform::frameArc(*p, linePen(), deviceRect(r, p->scale()),
                       kPortQuarterTurn - start / kArcUnitsPerDegree, -extent / kArcUnitsPerDegree);
}

void CDrawContext::fillArc(const CRect& rect, const CPoint& point1, const CPoint& point2) {
  const CRect r = shifted(rect, offset);
  const CPoint p1 = shifted(point1, offset), p2 = shifted(point2, offset);
  int32_t start = 0, extent = kFullTurn;
  if (p1 != p2) {
    const CPoint c = centreOf(r);
    start = convertPoint2Angle(c, p1);
    extent = std::abs(convertPoint2Angle(c, p2) - start);
  }
  platform::PixelPort* p = getPort();
  if (!p) return;
  platform::PenState pen;
  pen.foreground = toPixel(fillColor);
  pen.clip = deviceRect(clipRect, p->scale());
  platform::paintArc(*p, pen, deviceRect(r, p->scale()),
                     kPortQuarterTurn - start / kArcUnitsPerDegree, -extent / kArcUnitsPerDegree);
}

void CDrawContext::drawArc(const CRect& rect, const float startAngle, const float endAngle, const CDrawStyle) {
  if (platform::PixelPort* p = getPort())
    platform::frameArc(*p, linePen(), deviceRect(shifted(rect, offset), p->scale()),
                       truncDegrees(90.0 - startAngle),
                       truncDegrees(-static_cast<double>(endAngle)));
}

void CDrawContext::drawEllipse(const CRect& rect, const CDrawStyle) {
  const CPoint p{wrapAdd(rect.left, rect.width() / 2), rect.top};
  drawArc(rect, p, p);
}

void CDrawContext::fillEllipse(const CRect& rect) {
  const CPoint p{wrapAdd(rect.left, rect.width() / 2), rect.top};
  fillArc(rect, p, p);
}

// ---------------------------------------------------------------------------
// Text

int32_t CDrawContext::getStringWidth(const char* pStr) {
  if (!pStr) return 0;
  return platform::textWidth(pFont, pStr);
}

void CDrawContext::drawString(const char* pString, const CRect& rect, const int16_t opaque,
                              const CHoriTxtAlign hAlign) {
  if (!pString) return;
  const CRect r = shifted(rect, offset);
  if (!r.rectOverlap(clipRect)) return;
  platform::PixelPort* p = getPort();
  portBackColor = fillColor;
  if (!p) return;

  // Placed in device pixels with the font at the port's scale: the text is
  // centred in the scaled box with the scaled face's own metrics.
  const int32_t s = p->scale();
  const platform::Font* font = deviceFont(s);
  int32_t ascent = fontInfoStruct.ascent, descent = fontInfoStruct.descent;
  if (s != 1) {
    const platform::FontMetrics m = platform::fontMetrics(font);
    ascent = m.ascent;
    descent = m.descent;
  }
  const platform::PortRect box = deviceRect(r, s);
  const std::string text{pString};
  const int32_t fontHeight = ascent + descent;
  const int32_t w = platform::textWidth(font, text);
  int64_t x = box.left;
  if (hAlign == kCenterText)
    x = (int64_t{box.left} + box.right - w) / 2;
  else if (hAlign == kRightText)
    x = int64_t{box.right} - w;
  const int32_t boxHeight = s == 1 ? r.height() : box.bottom - box.top;
  const int32_t d = static_cast<int32_t>((int64_t{boxHeight} - fontHeight) / 2);
  const int32_t boxTop = wrapAdd(box.top, std::max(d, 0));

  CRect clip = r;
  clip.bound(clipRect);
  const platform::PortRect portClip =
      platform::intersect(platform::truncated(deviceRect(clip, s)), p->bounds());
  const int32_t left = platform::to16(static_cast<int32_t>(x));
  const int32_t top = platform::to16(boxTop);
  if (opaque) {
    platform::PenState pen;
    pen.foreground = toPixel(fillColor);
    pen.clip = portClip;
    platform::paintRect(*p, pen, {left, top, left + w, top + fontHeight});
  }
  platform::drawText(*p, portClip, font, left, top + ascent, text, toPixel(fontColor));
}

// ---------------------------------------------------------------------------
// Input

int32_t CDrawContext::getMouseButtons() {
  const platform::InputState s = input().poll();
  int32_t buttons = 0;
  if (s.buttons & platform::kPrimaryButton) buttons |= kLeftButton;
  if (s.buttons & platform::kSecondaryButton) buttons |= kRightButton;
  if (s.buttons & platform::kThirdButton) buttons |= kMiddleButton;
  if (s.modifiers & platform::kModCommand) buttons |= kCommandFlag;
  if (s.modifiers & platform::kModShift) buttons |= kShiftFlag;
  if (s.modifiers & platform::kModOption) buttons |= kAltFlag;
  if (s.modifiers & platform::kModControl) buttons |= kCtrlFlag;
  // A control-click reads as a plain right click.
  if ((buttons & kCtrlFlag) && (buttons & kLeftButton)) {
    buttons &= ~(kCtrlFlag | kLeftButton);
    buttons |= kRightButton;
  }
  return buttons;
}

void CDrawContext::getMouseLocation(CPoint& point) {
  const platform::InputState s = input().current();
  point(oxel::gui_detail::wrapSub(s.x, offsetScreen.h), oxel::gui_detail::wrapSub(s.y, offsetScreen.v));
}

bool CDrawContext::waitDoubleClick() {
  return input().waitMouseDown(platform::kDoubleClickTicks * 1000 / 60);
}

bool CDrawContext::waitDrag() {
  if (!pFrame) return false;
  CPoint m;
  getMouseLocation(m);
  const CRect box{wrapAdd(m.h, -2), wrapAdd(m.v, -2), wrapAdd(m.h, 2), wrapAdd(m.v, 2)};
  while (true) {
    if (!(getMouseButtons() & kLeftButton)) return false;
    pFrame->doIdleStuff();
    CPoint now;
    getMouseLocation(now);
    if (!box.pointInside(now)) return true;
  }
}

// ---------------------------------------------------------------------------
// Offscreen contexts

COffscreenContext::COffscreenContext(CFrame* pFrame, int32_t width, int32_t height, const CColor backgroundColor)
    : CDrawContext(pFrame, nullptr, nullptr), height{height}, width{width}, backgroundColor{backgroundColor} {
  // The buffer has the frame's density, so copying it to the window is
  // pixel for pixel.
  const int32_t s = pFrame ? pFrame->getScale() : 1;
  if (width > 0 && height > 0 && width <= 32767 / s && height <= 32767 / s) {
    auto* buffer = new platform::PixelPort(width * s, height * s);
    buffer->setScale(s);
    pWindow = buffer;
    pSystemContext = pWindow;
    bDestroyPixmap = true;
  }
  clipRect = CRect{0, 0, width, height};
  setFillColor(backgroundColor);
  setFrameColor(backgroundColor);
  fillRect(CRect{0, 0, width, height});
  drawRect(CRect{0, 0, width, height});
}

COffscreenContext::COffscreenContext(CDrawContext* pContext, CBitmap* pBitmapBg, bool drawInBitmap)
    : CDrawContext(pContext ? pContext->getFrame() : nullptr, nullptr, nullptr), pBitmapBg{pBitmapBg} {
  if (pContext) pInput = pContext->getInputSource();
  if (pBitmapBg) {
    width = pBitmapBg->getWidth();
    height = pBitmapBg->getHeight();
  }
  clipRect = CRect{0, 0, width, height};
  if (drawInBitmap) {
    if (pBitmapBg) pWindow = pBitmapBg->getHandle();
  } else if (width > 0 && height > 0) {
    const int32_t s = pContext ? pContext->getScale() : 1;
    auto* buffer = new platform::PixelPort(std::min(width * s, 32767), std::min(height * s, 32767));
    buffer->setScale(s);
    pWindow = buffer;
    bDestroyPixmap = true;
    if (pBitmapBg) {
      CRect all{0, 0, width, height};
      pBitmapBg->draw(this, all, CPoint{0, 0});
    }
  }
  pSystemContext = pWindow;
}

COffscreenContext::~COffscreenContext() {
  if (pBitmap) pBitmap->forget();
  if (bDestroyPixmap) delete port();
}

platform::PixelPort* COffscreenContext::getPort() {
  bInitialized = true;
  return port();
}

platform::PixelPort* COffscreenContext::getBitmap() { return getPort(); }

void COffscreenContext::copyFrom(CDrawContext* pContext, CRect destRect, CPoint srcOffset) {
  platform::PixelPort* src = getPort();
  if (!src || !pContext) return;
  platform::PixelPort* dst = pContext->getBitmap();
  // Buffers of different densities are never mixed.
  if (dst && dst->scale() == src->scale()) {
    const int32_t s = dst->scale();
    CRect dest = shifted(destRect, pContext->offset);
    CRect source{srcOffset.h, srcOffset.v, wrapAdd(srcOffset.h, destRect.width()),
                 wrapAdd(srcOffset.v, destRect.height())};
    CRect clip;
    pContext->getClipRect(clip);
    clip.offset(pContext->offset.h, pContext->offset.v);
    platform::copyBlock(*src, deviceRect(source, s), *dst, deviceRect(dest, s),
                        deviceRect(clip, s));
  }
  pContext->releaseBitmap();
}

void COffscreenContext::copyTo(CDrawContext* pContext, CRect& srcRect, CPoint destOffset) {
  platform::PixelPort* dst = getPort();
  if (!dst || !pContext) return;
  platform::PixelPort* src = pContext->getBitmap();
  if (src && src->scale() == dst->scale()) {
    const int32_t s = dst->scale();
    CRect source = shifted(shifted(srcRect, pContext->offset), pContext->offsetScreen);
    CRect dest{destOffset.h, destOffset.v, wrapAdd(destOffset.h, srcRect.width()),
               wrapAdd(destOffset.v, srcRect.height())};
    platform::copyBlock(*src, deviceRect(source, s), *dst, deviceRect(dest, s),
                        deviceRect(clipRect, s));
  }
  pContext->releaseBitmap();
}
