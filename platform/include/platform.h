// The services the toolkit needs from the system, in one place: a software
// pixel port and its raster, text, image decoding, embedded pictures, the
// clock, the module path and mouse/keyboard input. Each service is
// implemented once per back end (raster.cpp, text_freetype.cpp, image_stb.cpp,
// embedded_images.cpp, clock.cpp, module_path.cpp, input_headless.cpp); the
// editor window and its two back ends are in window.h. Nothing here exposes a system or font-library
// type. All of it runs on the user-interface thread unless a function says so.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace oxel::platform {

// ---------------------------------------------------------------------------
// Coordinates and pixels

// Ports take signed 16-bit coordinates: every coordinate is truncated to 16
// bits (two's complement wrap) when it reaches the port.
constexpr int32_t to16(int32_t v) { return static_cast<int16_t>(static_cast<uint16_t>(v)); }

// A rectangle of port pixels, right and bottom exclusive.
struct PortRect {
  int32_t left{0}, top{0}, right{0}, bottom{0};
  constexpr bool empty() const { return right <= left || bottom <= top; }
  constexpr int32_t width() const { return right - left; }
  constexpr int32_t height() const { return bottom - top; }
  constexpr bool operator==(const PortRect&) const = default;
};

// Intersection; an empty result is returned as-is (callers test empty()).
PortRect intersect(const PortRect& a, const PortRect& b);
// Smallest rectangle holding both; an empty operand is ignored.
PortRect unite(const PortRect& a, const PortRect& b);
// Each coordinate truncated to 16 bits.
PortRect truncated(const PortRect& r);

// Screen density: editors draw at a whole scale of 1, 2 or 3 device pixels
// per logical pixel. Everything above the ports works in logical pixels; a
// port knows its scale and its pixels are device pixels.
constexpr int32_t kMinScale = 1;
constexpr int32_t kMaxScale = 3;
constexpr int32_t clampScale(int32_t s) {
  return s < kMinScale ? kMinScale : (s > kMaxScale ? kMaxScale : s);
}
// A logical coordinate (truncated to 16 bits first, as at 1x) in device
// pixels, kept inside the ports' 16-bit range. Identity at scale 1.
constexpr int32_t toDevice(int32_t v, int32_t scale) {
  if (scale == 1) return v;
  const int32_t d = to16(v) * scale;
  return d < -32768 ? -32768 : (d > 32767 ? 32767 : d);
}
// Device coordinate to logical, rounding towards minus infinity.
constexpr int32_t toLogical(int32_t v, int32_t scale) {
  return scale == 1 ? v : (v >= 0 ? v / scale : -((-v + scale - 1) / scale));
}
PortRect toDevice(const PortRect& r, int32_t scale);
// The smallest logical rectangle covering a device rectangle.
PortRect toLogicalCovering(const PortRect& r, int32_t scale);

// A pixel is 0x00RRGGBB in host order; the top byte is padding and is
// ignored by every comparison.
using Pixel = uint32_t;
constexpr Pixel kRgbMask = 0x00FFFFFF;
constexpr Pixel makePixel(uint8_t r, uint8_t g, uint8_t b) {
  return (Pixel{r} << 16) | (Pixel{g} << 8) | Pixel{b};
}
constexpr uint8_t redOf(Pixel p) { return static_cast<uint8_t>(p >> 16); }
constexpr uint8_t greenOf(Pixel p) { return static_cast<uint8_t>(p >> 8); }
constexpr uint8_t blueOf(Pixel p) { return static_cast<uint8_t>(p); }

// A pixel port: 32-bit pixels in memory plus the region that drawing has
// changed since the window last took it. It holds no drawing state: pen,
// colours, clip and font travel with every call.
class PixelPort {
 public:
  // A port of width x height pixels (each side clamped to 0..32767), all
  // set to `fill`.
  PixelPort(int32_t width, int32_t height, Pixel fill = 0);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  PortRect bounds() const { return {0, 0, width_, height_}; }
  // Device pixels per logical pixel of what is drawn here (1 unless set).
  int32_t scale() const { return scale_; }
  void setScale(int32_t scale) { scale_ = clampScale(scale); }

  Pixel* row(int32_t y) { return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
  const Pixel* row(int32_t y) const {
    return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_);
  }
  // Out-of-bounds reads answer 0; out-of-bounds writes do nothing.
  Pixel get(int32_t x, int32_t y) const;
  void set(int32_t x, int32_t y, Pixel p);
  void fillAll(Pixel p);

  // The changed area, as a bounding box in port pixels.
  void addDirty(const PortRect& r);
  PortRect dirty() const { return dirty_; }
  PortRect takeDirty();

 private:
  int32_t width_;
  int32_t height_;
  std::vector<Pixel> pixels_;
  PortRect dirty_{};
  int32_t scale_{1};
};

// The picture enlarged `scale` times by repeating each pixel (for a picture
// that has no version drawn at that scale); the result has that scale.
std::unique_ptr<PixelPort> replicatePixels(const PixelPort& picture, int32_t scale);

// A one-bit mask the size of an image or a port (stored a byte per pixel).
class BitMask {
 public:
  BitMask(int32_t width, int32_t height);
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  bool test(int32_t x, int32_t y) const;
  void set(int32_t x, int32_t y, bool on);

 private:
  int32_t width_;
  int32_t height_;
  std::vector<uint8_t> bits_;
};

// ---------------------------------------------------------------------------
// Raster: pen drawing, fills and block copies

// An 8x8 one-bit pattern, aligned to port pixels: pixel (x, y) uses bit
// 7 - (x & 7) of row y & 7.
struct Pattern {
  uint8_t rows[8];
  bool bit(int32_t x, int32_t y) const { return (rows[y & 7] >> (7 - (x & 7))) & 1; }
};
constexpr Pattern kSolidPattern{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
// Parses 16 hexadecimal digits, row by row ("F0F0F0F00F0F0F0F").
Pattern patternFromHex(std::string_view hex);

// Transfer modes: copy paints set bits in the foreground and clear bits in
// the background colour; or paints set bits only; xor inverts the RGB of the
// destination where bits are set.
enum class PenMode : uint8_t { copy, orMode, xorMode };

// Everything a primitive needs besides the port.
struct PenState {
  int32_t width{1};   // the pen is width x height pixels and hangs right
  int32_t height{1};  // and below each point of its path
  PenMode mode{PenMode::copy};
  Pattern pattern{kSolidPattern};
  Pixel foreground{0};
  Pixel background{0x00FFFFFF};
  PortRect clip{-32768, -32768, 32767, 32767};
};

// Line from (x0, y0) to (x1, y1): both end points are painted, with the pen
// rectangle at every point. The path is Bresenham's: it steps one pixel along
// the longer axis each time and moves one pixel along the shorter axis when
// the accumulated error is at least half a pixel (ties move), always walking
// from the first point to the second.
void strokeLine(PixelPort& port, const PenState& pen, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
// Pixels left..right-1 x top..bottom-1 with the pen's pattern and mode.
void paintRect(PixelPort& port, const PenState& pen, PortRect r);
// The ellipse inscribed in r (pixel centres inside it), or its outline of
// pen width on the inside. Angles are whole degrees, clockwise from 12
// o'clock, measured against the rectangle's proportions (45 runs through the
// top-right corner); a negative arc runs counter-clockwise; |arc| >= 360 is
// the whole ellipse.
void paintArc(PixelPort& port, const PenState& pen, PortRect r, int32_t startDeg, int32_t arcDeg);
void frameArc(PixelPort& port, const PenState& pen, PortRect r, int32_t startDeg, int32_t arcDeg);

struct PortPoint {
  int32_t x{0}, y{0};
};
// Even-odd fill of the closed polygon; a pixel is inside when its top-left
// corner point is, with left and top edges inclusive, so a rectangular
// polygon fills exactly like paintRect.
void paintPolygon(PixelPort& port, const PenState& pen, std::span<const PortPoint> points);

// The 4-connected area of pixels with the seed's RGB, limited by the clip and
// the port; a seed outside either gives an empty mask. The mask has the
// port's size.
std::unique_ptr<BitMask> seedFill(const PixelPort& port, PortRect clip, int32_t x, int32_t y);
// Paints the pen foreground where the mask (port-sized) is set, within clip.
void paintMask(PixelPort& port, const PenState& pen, const BitMask& mask);

// Block copies from an image into a port. srcRect and dstRect have the same
// size; the source is clipped to the image and the destination to the port
// and clip, each shifting the other, so no pixel outside either is read or
// written; where there is no source the destination is left unchanged.
enum class CopyMode : uint8_t {
  copy,         // every pixel
  transparent,  // pixels whose RGB equals the key colour are skipped
  mask,         // only pixels whose mask bit (image coordinates) is set
  blend,        // (s*a + d*(255-a) + 127) / 255 per channel
};
struct CopyParams {
  CopyMode mode{CopyMode::copy};
  Pixel key{0x00FFFFFF};
  const BitMask* mask{nullptr};
  uint8_t alpha{255};
};
// Returns the destination area actually written (also added to the dirty
// region), empty when nothing was.
PortRect copyBlock(const PixelPort& src, PortRect srcRect, PixelPort& dst, PortRect dstRect, PortRect clip,
                   const CopyParams& params = {});

// ---------------------------------------------------------------------------
// Text

enum class FontFamily : uint8_t { sans, mono, symbol };
enum FontStyle : uint32_t { kFontBold = 1, kFontItalic = 2, kFontUnderline = 4 };

struct FontMetrics {
  int32_t ascent{0};   // ceil of the scaled ascender
  int32_t descent{0};  // ceil of minus the scaled descender
  int32_t maxWidth{0};
  int32_t leading{0};
};

// An opaque handle to a loaded face at one pixel size (point size = pixel
// size). Faces are cached for the life of the process.
struct Font;
// Null when no face could be loaded; text calls then measure 0 and draw nothing.
const Font* loadFont(FontFamily family, int32_t pixelSize, uint32_t style);
FontMetrics fontMetrics(const Font* font);
// Width in pixels of 8-bit Mac OS Roman text (symbol fonts: the symbol
// encoding); measuring and drawing use the same whole-pixel advances.
int32_t textWidth(const Font* font, std::string_view macRoman);
// Draws the text with its baseline at y starting at x, antialiased towards
// `color` over what the port holds, clipped to `clip`.
void drawText(PixelPort& port, PortRect clip, const Font* font, int32_t x, int32_t baseline,
              std::string_view macRoman, Pixel color);
// Mac OS Roman byte to Unicode code point.
char32_t macRomanToUnicode(unsigned char c);

// ---------------------------------------------------------------------------
// Images

// Decodes PNG, BMP or JPEG bytes into an opaque port (alpha and colour
// profiles ignored). Null when the data is not a decodable image or a side is
// not in 1..32767.
std::unique_ptr<PixelPort> decodeImage(std::span<const uint8_t> bytes);
// Reads and decodes a file; null when it cannot be read or decoded.
std::unique_ptr<PixelPort> decodeImageFile(const std::string& path);
// Writes the port as an opaque 8-bit RGB PNG; false when the file cannot be
// written.
bool writePng(const PixelPort& port, const std::string& path);
// Whether a regular file exists at path.
bool fileExists(const std::string& path);

// Pictures embedded in the binary by the build (oxel_embed_bitmaps), found by
// number. The generated code registers its table during static
// initialisation; lookups happen later on the user-interface thread.
struct EmbeddedImage {
  int32_t number;
  const uint8_t* data;
  size_t size;
  int32_t scale;  // 1, or the density the picture was drawn for
};
struct EmbeddedImageTable {
  const EmbeddedImage* images;
  size_t count;
  EmbeddedImageTable* next;
};
void registerEmbeddedImages(EmbeddedImageTable* table);
// The bytes of picture `number` drawn for `scale`, or an empty span.
std::span<const uint8_t> findEmbeddedImage(int32_t number, int32_t scale = 1);

// ---------------------------------------------------------------------------
// Clock and module

// Milliseconds of a steady clock since the library was loaded. Compare two
// readings wrap-safely: (int32_t)(a - b) > 0.
uint32_t milliseconds();
// The same clock in ticks of 1/60 s.
uint32_t ticks();
void sleepMilliseconds(uint32_t ms);
// The fixed double-click interval, in ticks.
constexpr uint32_t kDoubleClickTicks = 30;

// Folder holding the shared object (or executable) this code is linked into,
// symlinks resolved; empty when it cannot be found. Computed once.
const std::string& moduleDirectory();

// ---------------------------------------------------------------------------
// Input

// Button bits as the platform reports them, and the modifier keys. The
// modifier bits are those of the host's key records, so a key stroke carries
// them unchanged. Lock keys (Caps Lock, Num Lock) never appear.
enum : uint32_t { kPrimaryButton = 1, kSecondaryButton = 2, kThirdButton = 4 };
enum : uint32_t { kModShift = 1, kModOption = 2, kModCommand = 4, kModControl = 8 };

struct InputState {
  uint32_t buttons{0};
  uint32_t modifiers{0};
  int32_t x{0};  // mouse position in the window's pixels
  int32_t y{0};
};

// Where the mouse and keyboard state come from: the window back end, or a
// script. Calls never block longer than they say.
class InputSource {
 public:
  virtual ~InputSource() = default;
  // The current state; a scripted source advances one step per call.
  virtual InputState poll() = 0;
  // The last state poll returned, without advancing.
  virtual InputState current() const = 0;
  // Waits up to timeoutMs for a button press and takes it; false when none came.
  virtual bool waitMouseDown(uint32_t timeoutMs) = 0;
};

// The source used when none was given: no buttons, mouse at (0, 0).
InputSource& idleInput();

// ---------------------------------------------------------------------------
// Screen density

// The scale an editor opens at, first answer wins: OXEL_UI_SCALE=1|2|3 in the
// environment; the host's own scale factor (hostScale > 0, rounded to the
// nearest of 1..3, 1.5 to 2); the desktop (desktopScale()) when askDesktop
// is set (an editor drawn in memory has no desktop); else 1. Read once per
// editor open, never on a drawing path.
int32_t chooseEditorScale(double hostScale, bool askDesktop = true);
// The scale a number in the environment or from the host asks for: rounded
// half up and clamped to 1..3; 0 when it is not a positive finite number.
int32_t scaleFromFactor(double factor);
// The desktop's scale: the X server's Xft.dpi resource (>= 240 -> 3,
// >= 144 -> 2, else 1), or GDK_SCALE when the server has no Xft.dpi; 0 when
// neither says anything.
int32_t desktopScale();
// Xft.dpi as read from a resource string (XResourceManagerString); 0 when
// absent or not a number.
double xftDpiFromResources(const char* resources);
int32_t scaleFromDpi(double dpi);

}  // namespace oxel::platform
