// Software raster over PixelPort: pen lines, patterned fills, ovals and arcs,
// polygons, seed fill and block copies. Every primitive clips to the pen's
// clip and the port before touching a pixel and adds what it painted to the
// port's dirty region.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "platform.h"

namespace oxel::platform {

PortRect intersect(const PortRect& a, const PortRect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

PortRect unite(const PortRect& a, const PortRect& b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
          std::max(a.bottom, b.bottom)};
}

PortRect truncated(const PortRect& r) { return {to16(r.left), to16(r.top), to16(r.right), to16(r.bottom)}; }

PortRect toDevice(const PortRect& r, int32_t scale) {
  if (scale == 1) return r;
  return {toDevice(r.left, scale), toDevice(r.top, scale), toDevice(r.right, scale),
          toDevice(r.bottom, scale)};
}

PortRect toLogicalCovering(const PortRect& r, int32_t scale) {
  if (scale == 1) return r;
  return {toLogical(r.left, scale), toLogical(r.top, scale), -toLogical(-r.right, scale),
          -toLogical(-r.bottom, scale)};
}

std::unique_ptr<PixelPort> replicatePixels(const PixelPort& picture, int32_t scale) {
  scale = clampScale(scale);
  auto out = std::make_unique<PixelPort>(picture.width() * scale, picture.height() * scale);
  out->setScale(scale);
  for (int32_t y = 0; y < out->height(); ++y) {
    const Pixel* from = picture.row(y / scale);
    Pixel* to = out->row(y);
    for (int32_t x = 0; x < out->width(); ++x) to[x] = from[x / scale];
  }
  out->takeDirty();
  return out;
}

PixelPort::PixelPort(int32_t width, int32_t height, Pixel fill)
    : width_{std::clamp(width, 0, 32767)},
      height_{std::clamp(height, 0, 32767)},
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), fill) {}

Pixel PixelPort::get(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return row(y)[x];
}

void PixelPort::set(int32_t x, int32_t y, Pixel p) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  row(y)[x] = p;
  addDirty({x, y, x + 1, y + 1});
}

void PixelPort::fillAll(Pixel p) {
  std::fill(pixels_.begin(), pixels_.end(), p);
  addDirty(bounds());
}

void PixelPort::addDirty(const PortRect& r) { dirty_ = unite(dirty_, intersect(r, bounds())); }

PortRect PixelPort::takeDirty() {
  PortRect d = dirty_;
  dirty_ = {};
  return d;
}

BitMask::BitMask(int32_t width, int32_t height)
    : width_{std::max(width, 0)},
      height_{std::max(height, 0)},
      bits_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0) {}

bool BitMask::test(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
  return bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] != 0;
}

void BitMask::set(int32_t x, int32_t y, bool on) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  bits_[static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x)] = on ? 1 : 0;
}

Pattern patternFromHex(std::string_view hex) {
  Pattern p{};
  auto nibble = [](char c) -> uint8_t {
    if (c >= '0' && c <= '9') return static_cast<uint8_t>(c - '0');
    if (c >= 'a' && c <= 'f') return static_cast<uint8_t>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F') return static_cast<uint8_t>(c - 'A' + 10);
    return 0;
  };
  for (size_t i = 0; i < 8; ++i) {
    uint8_t hi = 2 * i < hex.size() ? nibble(hex[2 * i]) : 0;
    uint8_t lo = 2 * i + 1 < hex.size() ? nibble(hex[2 * i + 1]) : 0;
    p.rows[i] = static_cast<uint8_t>(hi << 4 | lo);
  }
  return p;
}

namespace {

PortRect drawableArea(const PixelPort& port, const PenState& pen) {
  return intersect(truncated(pen.clip), port.bounds());
}

bool isSolidCopy(const PenState& pen) {
  if (pen.mode == PenMode::xorMode) return false;
  for (uint8_t r : pen.pattern.rows)
    if (r != 0xFF) return false;
  return true;
}

inline void applyPen(Pixel& d, int32_t x, int32_t y, const PenState& pen) {
  bool bit = pen.pattern.bit(x, y);
  switch (pen.mode) {
    case PenMode::copy:
      d = bit ? pen.foreground : pen.background;
      break;
    case PenMode::orMode:
      if (bit) d = pen.foreground;
      break;
    case PenMode::xorMode:
      if (bit) d ^= kRgbMask;
      break;
  }
}

// Paints [x0, x1) of row y, already clipped.
inline void paintSpan(PixelPort& port, const PenState& pen, bool solid, int32_t y, int32_t x0, int32_t x1) {
  Pixel* row = port.row(y);
  if (solid) {
    std::fill(row + x0, row + x1, pen.foreground);
    return;
  }
  for (int32_t x = x0; x < x1; ++x) applyPen(row[x], x, y, pen);
}

}  // namespace

void paintRect(PixelPort& port, const PenState& pen, PortRect r) {
  PortRect area = intersect(truncated(r), drawableArea(port, pen));
  if (area.empty()) return;
  bool solid = isSolidCopy(pen);
  for (int32_t y = area.top; y < area.bottom; ++y) paintSpan(port, pen, solid, y, area.left, area.right);
  port.addDirty(area);
}

void strokeLine(PixelPort& port, const PenState& pen, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  x0 = to16(x0), y0 = to16(y0), x1 = to16(x1), y1 = to16(y1);
  // A pen wider than a port can address paints no more than a 32767 pen.
  const int32_t penW = std::clamp(pen.width, 0, 32767), penH = std::clamp(pen.height, 0, 32767);
  if (penW == 0 || penH == 0) return;

  // The pen rectangles along the path cover, on each row, one run of
  // pixels (consecutive path points differ by at most one in x), so the
  // union is painted once per pixel even in xor mode.
  const int32_t top = std::min(y0, y1), bottom = std::max(y0, y1) + penH;
  std::vector<int32_t> runLeft(static_cast<size_t>(bottom - top), INT32_MAX);
  std::vector<int32_t> runRight(static_cast<size_t>(bottom - top), INT32_MIN);
  auto cover = [&](int32_t x, int32_t y) {
    for (int32_t r = y; r < y + penH; ++r) {
      size_t i = static_cast<size_t>(r - top);
      runLeft[i] = std::min(runLeft[i], x);
      runRight[i] = std::max(runRight[i], x + penW);
    }
  };

  const int32_t dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
  const int32_t sx = x1 >= x0 ? 1 : -1, sy = y1 >= y0 ? 1 : -1;
  int32_t x = x0, y = y0;
  if (dx >= dy) {
    int32_t err = 0;
    for (int32_t i = 0; i <= dx; ++i) {
      cover(x, y);
      x += sx;
      err += 2 * dy;
      if (dx > 0 && err >= dx) {
        y += sy;
        err -= 2 * dx;
      }
    }
  } else {
    int32_t err = 0;
    for (int32_t i = 0; i <= dy; ++i) {
      cover(x, y);
      y += sy;
      err += 2 * dx;
      if (err >= dy) {
        x += sx;
        err -= 2 * dy;
      }
    }
  }

  const PortRect area = drawableArea(port, pen);
  const bool solid = isSolidCopy(pen);
  PortRect painted{};
  for (int32_t r = std::max(top, area.top); r < std::min(bottom, area.bottom); ++r) {
    size_t i = static_cast<size_t>(r - top);
    int32_t l = std::max(runLeft[i], area.left), rr = std::min(runRight[i], area.right);
    if (l >= rr) continue;
    paintSpan(port, pen, solid, r, l, rr);
    painted = unite(painted, PortRect{l, r, rr, r + 1});
  }
  port.addDirty(painted);
}

namespace {

// Geometry of the ellipse inscribed in a rectangle, in doubled integer
// coordinates so that pixel centres are symmetric about the centre.
struct Ellipse {
  PortRect r;
  double w, h;
  int64_t sumX, sumY;  // left + right, top + bottom

  explicit Ellipse(PortRect rect)
      : r{rect},
        w{static_cast<double>(rect.width())},
        h{static_cast<double>(rect.height())},
        sumX{int64_t{rect.left} + rect.right},
        sumY{int64_t{rect.top} + rect.bottom} {}

  // Offset of the pixel centre from the centre, doubled.
  double dx(int32_t px) const { return static_cast<double>(2 * int64_t{px} + 1 - sumX); }
  double dy(int32_t py) const { return static_cast<double>(2 * int64_t{py} + 1 - sumY); }

  static bool inside(double X, double Y, double w, double h) {
    if (w <= 0 || h <= 0) return false;
    return X * X * h * h + Y * Y * w * w <= w * w * h * h;
  }
};

// Whether the pixel centre direction lies in the wedge starting at startDeg
// (clockwise from 12 o'clock) spanning arcDeg, angles against the rectangle's
// proportions.
struct Wedge {
  bool full;
  double start, extent;
  Wedge(int32_t startDeg, int32_t arcDeg) {
    full = arcDeg >= 360 || arcDeg <= -360;
    double s = startDeg, a = arcDeg;
    if (a < 0) {
      s += a;
      a = -a;
    }
    s = std::fmod(s, 360.0);
    if (s < 0) s += 360.0;
    start = s;
    extent = a;
  }
  bool contains(double nx, double ny) const {
    if (full) return true;
    if (nx == 0 && ny == 0) return true;
    double angle = std::atan2(nx, -ny) * 180.0 / std::numbers::pi;
    if (angle < 0) angle += 360.0;
    double rel = angle - start;
    if (rel < 0) rel += 360.0;
    return rel <= extent;
  }
};

template <typename InShape>
void paintShape(PixelPort& port, const PenState& pen, PortRect bounds, InShape inShape, bool usePenPattern) {
  PortRect area = intersect(bounds, drawableArea(port, pen));
  if (area.empty()) return;
  PenState fill = pen;
  if (!usePenPattern) {
    fill.pattern = kSolidPattern;
    fill.mode = PenMode::copy;
  }
  PortRect painted{};
  for (int32_t y = area.top; y < area.bottom; ++y) {
    Pixel* row = port.row(y);
    for (int32_t x = area.left; x < area.right; ++x) {
      if (!inShape(x, y)) continue;
      applyPen(row[x], x, y, fill);
      painted = unite(painted, PortRect{x, y, x + 1, y + 1});
    }
  }
  port.addDirty(painted);
}

}  // namespace

void paintArc(PixelPort& port, const PenState& pen, PortRect r, int32_t startDeg, int32_t arcDeg) {
  r = truncated(r);
  if (r.empty()) return;
  Ellipse e{r};
  Wedge wedge{startDeg, arcDeg};
  paintShape(
      port, pen, r,
      [&](int32_t x, int32_t y) {
        double X = e.dx(x), Y = e.dy(y);
        return Ellipse::inside(X, Y, e.w, e.h) && wedge.contains(X / e.w, Y / e.h);
      },
      false);
}

void frameArc(PixelPort& port, const PenState& pen, PortRect r, int32_t startDeg, int32_t arcDeg) {
  r = truncated(r);
  if (r.empty() || pen.width <= 0 || pen.height <= 0) return;
  Ellipse e{r};
  Wedge wedge{startDeg, arcDeg};
  const double innerW = e.w - 2.0 * pen.width, innerH = e.h - 2.0 * pen.height;
  paintShape(
      port, pen, r,
      [&](int32_t x, int32_t y) {
        double X = e.dx(x), Y = e.dy(y);
        if (!Ellipse::inside(X, Y, e.w, e.h) || Ellipse::inside(X, Y, innerW, innerH)) return false;
        return wedge.contains(X / e.w, Y / e.h);
      },
      true);
}

void paintPolygon(PixelPort& port, const PenState& pen, std::span<const PortPoint> points) {
  if (points.size() < 3) return;
  std::vector<PortPoint> pts(points.begin(), points.end());
  int32_t minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
  for (auto& p : pts) {
    p = {to16(p.x), to16(p.y)};
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  PortRect area = intersect(PortRect{minX, minY, maxX, maxY}, drawableArea(port, pen));
  if (area.empty()) return;

  PortRect painted{};
  std::vector<double> crossings;
  for (int32_t y = area.top; y < area.bottom; ++y) {
    crossings.clear();
    for (size_t i = 0; i < pts.size(); ++i) {
      const PortPoint& a = pts[i];
      const PortPoint& b = pts[(i + 1) % pts.size()];
      if (a.y == b.y) continue;
      // Each edge covers its upper end and not its lower end.
      if ((a.y <= y && y < b.y) || (b.y <= y && y < a.y)) {
        double t = static_cast<double>(y - a.y) / static_cast<double>(b.y - a.y);
        crossings.push_back(a.x + t * (b.x - a.x));
      }
    }
    std::sort(crossings.begin(), crossings.end());
    Pixel* row = port.row(y);
    for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
      int32_t x0 = static_cast<int32_t>(std::ceil(crossings[i]));
      int32_t x1 = static_cast<int32_t>(std::ceil(crossings[i + 1]));
      x0 = std::max(x0, area.left), x1 = std::min(x1, area.right);
      if (x0 >= x1) continue;
      std::fill(row + x0, row + x1, pen.foreground);
      painted = unite(painted, PortRect{x0, y, x1, y + 1});
    }
  }
  port.addDirty(painted);
}

std::unique_ptr<BitMask> seedFill(const PixelPort& port, PortRect clip, int32_t x, int32_t y) {
  auto mask = std::make_unique<BitMask>(port.width(), port.height());
  PortRect area = intersect(truncated(clip), port.bounds());
  x = to16(x), y = to16(y);
  auto within = [&](int32_t px, int32_t py) {
    return px >= area.left && px < area.right && py >= area.top && py < area.bottom;
  };
  if (!within(x, y)) return mask;
  const Pixel seed = port.get(x, y) & kRgbMask;
  std::vector<PortPoint> stack{{x, y}};
  mask->set(x, y, true);
  while (!stack.empty()) {
    PortPoint p = stack.back();
    stack.pop_back();
    const PortPoint next[4] = {{p.x + 1, p.y}, {p.x - 1, p.y}, {p.x, p.y + 1}, {p.x, p.y - 1}};
    for (const PortPoint& n : next) {
      if (!within(n.x, n.y) || mask->test(n.x, n.y)) continue;
      if ((port.get(n.x, n.y) & kRgbMask) != seed) continue;
      mask->set(n.x, n.y, true);
      stack.push_back(n);
    }
  }
  return mask;
}

void paintMask(PixelPort& port, const PenState& pen, const BitMask& mask) {
  PortRect area = intersect(drawableArea(port, pen), PortRect{0, 0, mask.width(), mask.height()});
  PortRect painted{};
  for (int32_t y = area.top; y < area.bottom; ++y) {
    Pixel* row = port.row(y);
    for (int32_t x = area.left; x < area.right; ++x) {
      if (!mask.test(x, y)) continue;
      row[x] = pen.foreground;
      painted = unite(painted, PortRect{x, y, x + 1, y + 1});
    }
  }
  port.addDirty(painted);
}

PortRect copyBlock(const PixelPort& src, PortRect srcRect, PixelPort& dst, PortRect dstRect, PortRect clip,
                   const CopyParams& params) {
  srcRect = truncated(srcRect);
  dstRect = truncated(dstRect);
  const int32_t w = dstRect.width(), h = dstRect.height();
  if (w <= 0 || h <= 0) return {};
  // Destination x maps to source x + shift; keep the destination pixels whose
  // source lies inside the image.
  const int32_t shiftX = srcRect.left - dstRect.left, shiftY = srcRect.top - dstRect.top;
  PortRect area = intersect(dstRect, intersect(truncated(clip), dst.bounds()));
  area = intersect(area, PortRect{-shiftX, -shiftY, src.width() - shiftX, src.height() - shiftY});
  if (area.empty()) return {};
  if (params.mode == CopyMode::mask && !params.mask) return {};

  const uint32_t a = params.alpha, na = 255 - params.alpha;
  const Pixel key = params.key & kRgbMask;
  for (int32_t y = area.top; y < area.bottom; ++y) {
    const Pixel* s = src.row(y + shiftY) + (area.left + shiftX);
    Pixel* d = dst.row(y) + area.left;
    const int32_t n = area.width();
    switch (params.mode) {
      case CopyMode::copy:
        std::copy(s, s + n, d);
        break;
      case CopyMode::transparent:
        for (int32_t i = 0; i < n; ++i)
          if ((s[i] & kRgbMask) != key) d[i] = s[i];
        break;
      case CopyMode::mask:
        for (int32_t i = 0; i < n; ++i)
          if (params.mask->test(area.left + shiftX + i, y + shiftY)) d[i] = s[i];
        break;
      case CopyMode::blend:
        for (int32_t i = 0; i < n; ++i) {
          auto mix = [&](uint32_t sc, uint32_t dc) { return (sc * a + dc * na + 127) / 255; };
          d[i] = mix(s[i] >> 16 & 0xFF, d[i] >> 16 & 0xFF) << 16 | mix(s[i] >> 8 & 0xFF, d[i] >> 8 & 0xFF) << 8 |
                 mix(s[i] & 0xFF, d[i] & 0xFF);
        }
        break;
    }
  }
  dst.addDirty(area);
  return area;
}

}  // namespace oxel::platform
