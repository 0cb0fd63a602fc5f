// Drawing contexts: the drawing state (colours, pen, line style, font, clip,
// offsets) bound to a pixel port, with lines, rectangles, polygons, arcs,
// ellipses, pixels, text and the mouse queries controls use while tracking.
// Every coordinate has `offset` added and is truncated to 16 bits at the port.
// Coordinates are logical pixels; a port of scale N (a screen N times as
// dense) gets everything N times larger in device pixels: rectangles, pens
// (a 1-pixel pen paints N x N blocks), clip and the text, which is set at N
// times its size so it stays sharp. At scale 1 device and logical pixels
// are the same.
// A context without a port only stores its state. COffscreenContext draws into
// a buffer of its own (or a bitmap's) and copies it to another context.
#pragma once

#include <cstdint>

#include "geometry.h"

class CFrame;
class CBitmap;

namespace oxel::platform {
class PixelPort;
class InputSource;
struct Font;
struct PenState;
}  // namespace oxel::platform

struct CFontInfo {
  int16_t ascent{0};
  int16_t descent{0};
  int16_t widMax{0};
  int16_t leading{0};
};

class CDrawContext : public CReferenceCounter {
 public:
  // pWindow is the port to draw into (an oxel::platform::PixelPort), or null.
  CDrawContext(CFrame* pFrame, void* pSystemContext, void* pWindow);
  ~CDrawContext() override;

  // Lines: a vertical or horizontal lineTo leaves out its end pixel, a slanted
  // one paints it; the pen is lineWidth square and hangs right and below.
  void moveTo(const CPoint& point);
  void lineTo(const CPoint& point);
  void drawLines(const CPoint* pairs, const int32_t& count);
  void polyLine(const CPoint* points, int32_t count);
  void drawPolygon(const CPoint* points, int32_t count, const CDrawStyle drawStyle = kDrawStroked);
  void fillPolygon(const CPoint* points, int32_t count);
  void drawRect(const CRect& rect, const CDrawStyle drawStyle = kDrawStroked);
  // Leaves the top row and the left column of the rectangle unpainted.
  void fillRect(const CRect& rect);
  void drawArc(const CRect& rect, const float startAngle, const float endAngle,
               const CDrawStyle drawStyle = kDrawStroked);
  void drawArc(const CRect& rect, const CPoint& point1, const CPoint& point2);
  void fillArc(const CRect& rect, const CPoint& point1, const CPoint& point2);
  void drawEllipse(const CRect& rect, const CDrawStyle drawStyle = kDrawStroked);
  void fillEllipse(const CRect& rect);
  void drawPoint(const CPoint& point, CColor color);
  CColor getPoint(const CPoint& point);
  void floodFill(const CPoint& start);

  int32_t getStringWidth(const char* pStr);
  void drawString(const char* pString, const CRect& rect, const int16_t opaque = false,
                  const CHoriTxtAlign hAlign = kCenterText);

  // Angle of point seen from centre, in 1/64 degree, counter-clockwise from +x.
  int32_t convertPoint2Angle(const CPoint& centre, const CPoint& point) const;

  // State. Setters marked "changed only" return at once when the value is
  // already stored.
  void setLineWidth(int32_t width);  // changed only
  int32_t getLineWidth() const { return frameWidth; }
  void setLineStyle(CLineStyle style);  // changed only
  CLineStyle getLineStyle() const { return lineStyle; }
  void setDrawMode(CDrawMode mode);  // changed only
  CDrawMode getDrawMode() const { return drawMode; }
  void setFrameColor(const CColor color);  // changed only
  CColor getFrameColor() const { return frameColor; }
  void setFillColor(const CColor color);  // changed only
  CColor getFillColor() const { return fillColor; }
  void setFontColor(const CColor color);
  CColor getFontColor() const { return fontColor; }
  void setFont(CFont fontID, const int32_t size = 0, int32_t style = 0);
  CFont getFont() const { return fontId; }
  int32_t getFontSize() const { return fontSize; }
  const CFontInfo& getFontInfo() const { return fontInfoStruct; }

  // The clip is kept, and applied, in port coordinates (clip + offset);
  // getClipRect answers in the caller's coordinates.
  void setClipRect(const CRect& clip);
  CRect& getClipRect(CRect& clip) const;
  void resetClipRect();

  CFrame* getFrame() const { return pFrame; }
  void* getWindow() const { return pWindow; }
  void setWindow(void* window) { pWindow = window; }
  void* getSystemContext() const { return pSystemContext; }
  CPoint getLoc() const { return penLoc; }

  // Input, through the platform input source (the idle source when none was set).
  int32_t getMouseButtons();
  void getMouseLocation(CPoint& point);
  bool waitDoubleClick();
  bool waitDrag();
  void setInputSource(oxel::platform::InputSource* input) { pInput = input; }
  oxel::platform::InputSource* getInputSource() const { return pInput; }

  // The port after its one-time set-up, null when there is none.
  virtual oxel::platform::PixelPort* getPort();
  // Device pixels per logical pixel of the port (1 without one).
  int32_t getScale() const;
  virtual oxel::platform::PixelPort* getBitmap();
  virtual void releaseBitmap() {}

  CPoint offsetScreen;
  CPoint offset;

 protected:
  oxel::platform::PixelPort* port() const { return static_cast<oxel::platform::PixelPort*>(pWindow); }
  oxel::platform::InputSource& input() const;
  void strokeTo(const CPoint& portPoint);
  // The current font at `scale` times its size.
  const oxel::platform::Font* deviceFont(int32_t scale);
  // The pen for lines and outlines: line width, pattern and mode, frameColor.
  oxel::platform::PenState linePen() const;

  void* pSystemContext{nullptr};
  void* pWindow{nullptr};
  CFrame* pFrame{nullptr};
  int32_t fontSize{-1};
  CFont fontId{kNumStandardFonts};
  CColor fontColor{};
  CPoint penLoc;
  int32_t frameWidth{0};
  CColor frameColor{};
  CColor fillColor{};
  CLineStyle lineStyle{kLineOnOffDash};
  CDrawMode drawMode{kAntialias};
  CRect clipRect;
  CFontInfo fontInfoStruct;
  uint8_t fillPattern[8]{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  bool bInitialized{false};

  // Port state the context models for itself: the port's pen (which
  // polyLine moves without touching penLoc), the pen pattern and the port's
  // background colour (set by drawString to fillColor and never restored).
  CPoint portPen;
  uint8_t penPattern[8]{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  CColor portBackColor{kWhiteCColor};
  const oxel::platform::Font* pFont{nullptr};
  uint32_t fontFaceBits{0};
  const oxel::platform::Font* pDeviceFont{nullptr};
  int32_t deviceFontSize{0};
  oxel::platform::InputSource* pInput{nullptr};
};

class COffscreenContext : public CDrawContext {
 public:
  // An owned buffer of width x height filled with backgroundColor.
  COffscreenContext(CFrame* pFrame, int32_t width, int32_t height, const CColor backgroundColor = kBlackCColor);
  // A buffer the size of pBitmapBg (20 x 20 without one): with drawInBitmap
  // the bitmap's own pixels, otherwise a new buffer showing the bitmap (or
  // black).
  COffscreenContext(CDrawContext* pContext, CBitmap* pBitmapBg, bool drawInBitmap = false);
  ~COffscreenContext() override;

  // Copies this buffer at srcOffset onto destRect (+ pContext's offset) of
  // pContext's port, within its clip; the source is clipped to the buffer.
  void copyFrom(CDrawContext* pContext, CRect destRect, CPoint srcOffset = CPoint(0, 0));
  // Copies srcRect (+ pContext's offset and offsetScreen) of pContext's port
  // into this buffer at destOffset.
  void copyTo(CDrawContext* pContext, CRect& srcRect, CPoint destOffset = CPoint(0, 0));

  int32_t getWidth() const { return width; }
  int32_t getHeight() const { return height; }

  oxel::platform::PixelPort* getPort() override;
  oxel::platform::PixelPort* getBitmap() override;
  void releaseBitmap() override {}

 protected:
  CBitmap* pBitmap{nullptr};
  CBitmap* pBitmapBg{nullptr};
  int32_t height{20};
  int32_t width{20};
  bool bDestroyPixmap{false};
  CColor backgroundColor{kBlackCColor};
};
