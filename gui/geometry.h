// The toolkit's value types: points, rectangles and colours, the drawing
// enumerations, the mouse-button flags and the reference-counted base.
// Coordinates are signed 32-bit; sums wrap (two's complement) instead of
// overflowing, and the port truncates every coordinate to 16 bits.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>

namespace oxel::gui_detail {
constexpr int32_t wrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
constexpr int32_t wrapSub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
}  // namespace oxel::gui_detail

struct CRect;

struct CPoint {
  union {
    int32_t h;
    int32_t x;
  };
  union {
    int32_t v;
    int32_t y;
  };

  constexpr CPoint() : h{0}, v{0} {}
  constexpr CPoint(int32_t h, int32_t v) : h{h}, v{v} {}
  constexpr CPoint(const CPoint& p) : h{p.h}, v{p.v} {}
  constexpr CPoint& operator=(const CPoint& p) {
    h = p.h;
    v = p.v;
    return *this;
  }

  CPoint& operator()(int32_t nh, int32_t nv) {
    h = nh;
    v = nv;
    return *this;
  }
  CPoint& offset(int32_t dx, int32_t dy) {
    h = oxel::gui_detail::wrapAdd(h, dx);
    v = oxel::gui_detail::wrapAdd(v, dy);
    return *this;
  }
  // Closed on all four sides.
  bool isInside(const CRect& r) const;
  constexpr bool operator==(const CPoint& p) const { return h == p.h && v == p.v; }
  constexpr bool operator!=(const CPoint& p) const { return !(*this == p); }
};

struct CRect {
  union {
    int32_t left;
    int32_t x;
  };
  union {
    int32_t top;
    int32_t y;
  };
  union {
    int32_t right;
    int32_t x2;
  };
  union {
    int32_t bottom;
    int32_t y2;
  };

  constexpr CRect() : left{0}, top{0}, right{0}, bottom{0} {}
  // Stored as given, not normalised.
  constexpr CRect(int32_t l, int32_t t, int32_t r, int32_t b) : left{l}, top{t}, right{r}, bottom{b} {}
  constexpr CRect(const CRect& r) : left{r.left}, top{r.top}, right{r.right}, bottom{r.bottom} {}
  constexpr CRect& operator=(const CRect& r) {
    left = r.left;
    top = r.top;
    right = r.right;
    bottom = r.bottom;
    return *this;
  }

  // Sets and normalises.
  CRect& operator()(int32_t l, int32_t t, int32_t r, int32_t b) {
    left = std::min(l, r);
    right = std::max(l, r);
    top = std::min(t, b);
    bottom = std::max(t, b);
    return *this;
  }
  int32_t width() const { return oxel::gui_detail::wrapSub(right, left); }
  int32_t height() const { return oxel::gui_detail::wrapSub(bottom, top); }
  int32_t getWidth() const { return width(); }
  int32_t getHeight() const { return height(); }
  CRect& setWidth(int32_t w) {
    right = oxel::gui_detail::wrapAdd(left, w);
    return *this;
  }
  CRect& setHeight(int32_t h) {
    bottom = oxel::gui_detail::wrapAdd(top, h);
    return *this;
  }
  CRect& offset(int32_t dx, int32_t dy) {
    left = oxel::gui_detail::wrapAdd(left, dx);
    right = oxel::gui_detail::wrapAdd(right, dx);
    top = oxel::gui_detail::wrapAdd(top, dy);
    bottom = oxel::gui_detail::wrapAdd(bottom, dy);
    return *this;
  }
  CRect& inset(int32_t dx, int32_t dy) {
    left = oxel::gui_detail::wrapAdd(left, dx);
    right = oxel::gui_detail::wrapSub(right, dx);
    top = oxel::gui_detail::wrapAdd(top, dy);
    bottom = oxel::gui_detail::wrapSub(bottom, dy);
    return *this;
  }
  // Half-open: the right and bottom edges are outside.
  bool pointInside(const CPoint& p) const { return left <= p.h && p.h < right && top <= p.v && p.v < bottom; }
  bool isEmpty() const { return right <= left || bottom <= top; }
  // Rectangles that only touch overlap.
  bool rectOverlap(const CRect& r) const {
    return !(right < r.left || left > r.right || bottom < r.top || top > r.bottom);
  }
  CRect& bound(const CRect& r) {
    left = std::max(left, r.left);
    top = std::max(top, r.top);
    right = std::min(right, r.right);
    bottom = std::min(bottom, r.bottom);
    if (bottom < top) bottom = top;
    if (right < left) right = left;
    return *this;
  }
  constexpr bool operator==(const CRect& r) const {
    return left == r.left && top == r.top && right == r.right && bottom == r.bottom;
  }
  constexpr bool operator!=(const CRect& r) const { return !(*this == r); }
};

inline bool CPoint::isInside(const CRect& r) const {
  return r.left <= h && h <= r.right && r.top <= v && v <= r.bottom;
}

struct CColor {
  uint8_t red{0};
  uint8_t green{0};
  uint8_t blue{0};
  uint8_t alpha{0};

  CColor& operator()(uint8_t r, uint8_t g, uint8_t b, uint8_t a) {
    red = r;
    green = g;
    blue = b;
    alpha = a;
    return *this;
  }
  constexpr bool operator==(const CColor& c) const {
    return red == c.red && green == c.green && blue == c.blue && alpha == c.alpha;
  }
  constexpr bool operator!=(const CColor& c) const { return !(*this == c); }
};

// The platform's 16-bit-per-channel colour: each channel x 257 on the way in,
// / 257 (truncating) on the way back, which is exact for every 8-bit value.
struct CPlatformColor {
  uint16_t red{0}, green{0}, blue{0};
};
constexpr CPlatformColor toPlatformColor(const CColor& c) {
  return {static_cast<uint16_t>(c.red * 257), static_cast<uint16_t>(c.green * 257),
          static_cast<uint16_t>(c.blue * 257)};
}
constexpr CColor fromPlatformColor(const CPlatformColor& c, uint8_t alpha = 255) {
  return {static_cast<uint8_t>(c.red / 257), static_cast<uint8_t>(c.green / 257),
          static_cast<uint8_t>(c.blue / 257), alpha};
}
// Port pixel (0x00RRGGBB) of a colour, through the platform colour; alpha is
// never part of it.
constexpr uint32_t toPixel(const CColor& c) {
  CPlatformColor p = toPlatformColor(c);
  return uint32_t{static_cast<uint8_t>(p.red / 257)} << 16 | uint32_t{static_cast<uint8_t>(p.green / 257)} << 8 |
         uint32_t{static_cast<uint8_t>(p.blue / 257)};
}
constexpr CColor fromPixel(uint32_t p, uint8_t alpha = 255) {
  return fromPlatformColor({static_cast<uint16_t>((p >> 16 & 0xFF) * 257), static_cast<uint16_t>((p >> 8 & 0xFF) * 257),
                            static_cast<uint16_t>((p & 0xFF) * 257)},
                           alpha);
}

constexpr CColor kTransparentCColor{255, 255, 255, 0};
constexpr CColor kBlackCColor{0, 0, 0, 255};
constexpr CColor kWhiteCColor{255, 255, 255, 255};
constexpr CColor kGreyCColor{127, 127, 127, 255};
constexpr CColor kRedCColor{255, 0, 0, 255};
constexpr CColor kGreenCColor{0, 255, 0, 255};
constexpr CColor kBlueCColor{0, 0, 255, 255};
constexpr CColor kYellowCColor{255, 255, 0, 255};
constexpr CColor kCyanCColor{0, 255, 255, 255};
constexpr CColor kMagentaCColor{255, 0, 255, 255};

enum CFont {
  kSystemFont = 0,
  kNormalFontVeryBig,
  kNormalFontBig,
  kNormalFont,
  kNormalFontSmall,
  kNormalFontSmaller,
  kNormalFontVerySmall,
  kSymbolFont,
  kNumStandardFonts
};
enum CTxtFace { kNormalFace = 0, kBoldFace = 1, kItalicFace = 2, kUnderlineFace = 4 };
enum CHoriTxtAlign { kLeftText = 0, kCenterText, kRightText };
enum CDrawStyle { kDrawStroked = 0, kDrawFilled, kDrawFilledAndStroked };
enum CLineStyle { kLineSolid = 0, kLineOnOffDash };
enum CDrawMode { kCopyMode = 0, kOrMode, kXorMode, kAntialias };
enum CCursorType {
  kCursorDefault = 0,
  kCursorWait,
  kCursorHSize,
  kCursorVSize,
  kCursorSizeAll,
  kCursorNESWSize,
  kCursorNWSESize,
  kCursorCopy,
  kCursorNotAllowed,
  kCursorHand
};

enum {
  kLeftButton = 1,
  kMiddleButton = 2,
  kRightButton = 4,
  kShiftFlag = 8,
  kCommandFlag = 16,
  kAltFlag = 32,
  kCtrlFlag = 64
};

// Four-character codes, built from their characters (multi-character
// literals are implementation-defined and warn).
constexpr uint32_t fourCharCode(const char (&code)[5]) {
  return uint32_t{static_cast<uint8_t>(code[0])} << 24 | uint32_t{static_cast<uint8_t>(code[1])} << 16 |
         uint32_t{static_cast<uint8_t>(code[2])} << 8 | uint32_t{static_cast<uint8_t>(code[3])};
}

// Base of every counted toolkit object: count 1 after construction, the last
// forget deletes. Counts are atomic so that a stray count change from another
// thread cannot tear, though toolkit objects live on the user-interface thread.
class CReferenceCounter {
 public:
  CReferenceCounter() = default;
  CReferenceCounter(const CReferenceCounter&) = delete;
  CReferenceCounter& operator=(const CReferenceCounter&) = delete;
  virtual ~CReferenceCounter() = default;

  virtual void forget() {
    if (nbReference.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  virtual void remember() { nbReference.fetch_add(1, std::memory_order_relaxed); }
  int32_t getNbReference() const { return nbReference.load(std::memory_order_relaxed); }

 private:
  std::atomic<int32_t> nbReference{1};
};
