#include "PolarView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "Pelrin.h"
#include "canvas.h"
#include "platform.h"

namespace platform = oxel::platform;

namespace {

// Points per curve: half-degree steps keep 1.5-px curves smooth at 3x.
constexpr int kSteps = 720;

const platform::CanvasColour kDisc = platform::colourOf(0x1A1D22);
const platform::CanvasColour kDiscEdge = platform::colourOf(0x7E858F, 0.45);
const platform::CanvasColour kGrid = platform::colourOf(0x7E858F, 0.28);
const platform::CanvasColour kFrontTick = platform::colourOf(0xC8CCD2, 0.8);
// Mic 1 (left) in the accent, Mic 2 (right) in a warm cream; their rear
// lobes in the same hues, darker and dashed.
const platform::CanvasColour kMic[2] = {platform::colourOf(0xF2A33A), platform::colourOf(0xF6DDB0)};
const platform::CanvasColour kMicRear[2] = {platform::colourOf(0xB8772A),
                                            platform::colourOf(0xB8A27E)};
const char* const kMicLetter[2] = {"L", "R"};

struct Geometry {
  double cx, cy, radius;
};

// A direction (counter-clockwise from the front) at a distance from the
// centre, seen from above with the front at the top.
void pointAt(const Geometry& g, double azimuth, double distance, double& x, double& y) {
  x = g.cx - distance * std::sin(azimuth);
  y = g.cy - distance * std::cos(azimuth);
}

void drawGrid(platform::Canvas& canvas, const Geometry& g) {
  canvas.circle(g.cx, g.cy, g.radius + 3.0);
  canvas.fill(kDisc);
  canvas.circle(g.cx, g.cy, g.radius + 3.0);
  canvas.stroke(kDiscEdge, {1.0});
  for (int ring = 1; ring <= 3; ++ring) canvas.circle(g.cx, g.cy, g.radius * ring / 4.0);
  canvas.stroke(kGrid, {1.0});
  canvas.moveTo(g.cx - g.radius, g.cy);
  canvas.lineTo(g.cx + g.radius, g.cy);
  canvas.moveTo(g.cx, g.cy - g.radius);
  canvas.lineTo(g.cx, g.cy + g.radius);
  canvas.stroke(kGrid, {1.0});
  // The front: a short tick across the top of the disc.
  canvas.moveTo(g.cx, g.cy - g.radius - 5.0);
  canvas.lineTo(g.cx, g.cy - g.radius + 1.0);
  canvas.stroke(kFrontTick, {1.5});
}

// One microphone's horizontal response: runs of one sign each, positive
// solid, negative dashed, meeting at the centre where the gain crosses zero.
// `over` dashes the positive lobe, for Mic 1 drawn on top of an identical Mic 2.
void drawLobes(platform::Canvas& canvas, const Geometry& g, const Pelrin::PairWeights& w, int mic,
               double peak, bool over) {
  auto gainAt = [&](int step) {
    return Pelrin::planeWaveGain(w, mic, 2.0 * std::numbers::pi * step / kSteps, 0.0);
  };
  for (int sign = 1; sign >= -1; sign -= 2) {
    bool drawing = false;
    double previous = gainAt(0);
    for (int step = 0; step <= kSteps; ++step) {
      const double gain = gainAt(step);
      const bool inside = gain * sign > 0.0;
      const double azimuth = 2.0 * std::numbers::pi * step / kSteps;
      if (inside) {
        if (!drawing) {
          // Enter at the centre when the run starts at a zero crossing.
          if (step > 0 && previous * sign <= 0.0) canvas.moveTo(g.cx, g.cy);
          drawing = true;
          double x, y;
          pointAt(g, azimuth, std::fabs(gain) / peak * g.radius, x, y);
          if (step > 0 && previous * sign <= 0.0)
            canvas.lineTo(x, y);
          else
            canvas.moveTo(x, y);
        } else {
          double x, y;
          pointAt(g, azimuth, std::fabs(gain) / peak * g.radius, x, y);
          canvas.lineTo(x, y);
        }
      } else if (drawing) {
        canvas.lineTo(g.cx, g.cy);
        drawing = false;
      }
      previous = gain;
    }
    if (sign > 0)
      canvas.stroke(kMic[mic], {1.5, over ? 3.0 : 0.0});
    else
      canvas.stroke(kMicRear[mic], {1.3, 2.0});
  }
}

// "L" and "R" just past each lobe's tip, pushed apart sideways so they never
// cover each other when the microphones coincide.
void drawLetters(platform::Canvas& canvas, const Geometry& g, const Pelrin::PairWeights& w,
                 const Pelrin::Derived& d, double peak) {
  for (int mic = 0; mic < 2; ++mic) {
    double axis = d.azimuth + (mic == 0 ? d.halfAngle : -d.halfAngle);
    // Tipped over the top: the lobe faces the other way.
    if (w.cosEl < 0.0) axis += std::numbers::pi;
    const double gain = std::fabs(Pelrin::planeWaveGain(w, mic, axis, 0.0));
    const double distance = std::min(gain / peak * g.radius + 6.0, g.radius + 7.0);
    double x, y;
    pointAt(g, axis + (mic == 0 ? 0.22 : -0.22), distance, x, y);
    canvas.text(x, y + 3.5, kMicLetter[mic], 9.0, true, kMic[mic], platform::TextAlign::centre);
  }
}

// A side view of the pair's tilt: a level line and a needle, up for a
// raised pair, with the angle in degrees.
void drawElevation(platform::Canvas& canvas, double x, double y, double elevation) {
  if (std::fabs(std::sin(elevation)) < 1e-4 && std::cos(elevation) > 0.0) return;
  canvas.moveTo(x - 1.0, y);
  canvas.lineTo(x + 12.0, y);
  canvas.stroke(kGrid, {1.0});
  canvas.moveTo(x, y);
  canvas.lineTo(x + 12.0 * std::cos(elevation), y - 12.0 * std::sin(elevation));
  canvas.stroke(kMic[0], {1.5});
  double degrees = std::remainder(elevation * 180.0 / std::numbers::pi, 360.0);
  char text[16];
  std::snprintf(text, sizeof text, "%+.0f\u00b0", degrees);
  canvas.text(x + 6.0, y + 10.0, text, 8.0, false, kFrontTick, platform::TextAlign::centre);
}

}  // namespace

PelrinPolarView::PelrinPolarView(const CRect& size, CBitmap* background, int32_t scale)
    : CView(size), scale{std::max(1, scale)} {
  setBackground(background);
  setMouseEnabled(false);
  setDirty(true);
}

PelrinPolarView::~PelrinPolarView() = default;

void PelrinPolarView::setValues(const Values& v) {
  if (std::memcmp(v.data(), values.data(), sizeof values) == 0) return;
  values = v;
  stale = true;
  setDirty(true);
}

void PelrinPolarView::paint(platform::PixelPort& port, int32_t scale, const Values& v) {
  auto canvas = platform::portCanvas(port, scale);
  if (!canvas) return;
  const double width = static_cast<double>(port.width()) / scale;
  const double height = static_cast<double>(port.height()) / scale;
  // Room for the letters around the disc, and for the tilt needle at the right.
  const Geometry g{std::floor((width - 22.0) / 2.0) + 0.5, std::floor(height / 2.0) + 0.5,
                   std::min(width - 22.0, height) / 2.0 - 9.0};
  drawGrid(*canvas, g);
  const Pelrin::Derived d = Pelrin::derive(v[0], v[1], v[2], v[3]);
  const Pelrin::PairWeights w = Pelrin::pairWeights(d);
  // The largest gain any direction can have: a level microphone on axis.
  const double peak =
      std::max(std::fabs(w.zeroth) * 0.70710678118654752440 + std::fabs(w.first), 1e-9);
  if (std::isfinite(peak)) {
    // Coinciding microphones (omni, or no angle between them): Mic 1 dashed
    // over Mic 2, so both colours show.
    const bool same = std::fabs(w.xLeft - w.xRight) + std::fabs(w.yLeft - w.yRight) < 1e-9;
    const bool omni = std::fabs(w.first) < 1e-9;
    for (int mic = 1; mic >= 0; --mic)
      drawLobes(*canvas, g, w, mic, peak, mic == 0 && (same || omni));
    drawLetters(*canvas, g, w, d, peak);
  }
  if (std::isfinite(d.elevation)) drawElevation(*canvas, width - 15.0, height - 14.0, d.elevation);
}

void PelrinPolarView::render() {
  const int32_t w = getWidth() * scale, h = getHeight() * scale;
  if (!offscreen || offscreen->width() != w || offscreen->height() != h)
    offscreen = std::make_unique<platform::PixelPort>(w, h);
  // The background under the view, from the picture drawn for this density
  // (each pixel repeated when the picture has only its 1x version).
  const platform::PixelPort* back = pBackground ? pBackground->imageForScale(scale) : nullptr;
  const int32_t backScale =
      back && pBackground->getWidth() > 0 ? std::max(1, back->width() / pBackground->getWidth()) : 1;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const int32_t px = (size.left * scale + x) * backScale / scale, py = (size.top * scale + y) * backScale / scale;
      offscreen->set(x, y, back ? back->get(px, py) & platform::kRgbMask : 0x00272B32);
    }
  paint(*offscreen, scale, values);
  offscreen->takeDirty();
  stale = false;
  ++renderCount;
}

const platform::PixelPort& PelrinPolarView::picture() {
  if (stale || !offscreen) render();
  return *offscreen;
}

void PelrinPolarView::draw(CDrawContext* pContext) {
  setDirty(false);
  // The about picture covers the window while it is open: nothing over it.
  if (pParentFrame && pParentFrame->getModalView() && pParentFrame->getModalView() != this) return;
  platform::PixelPort* port = pContext ? pContext->getPort() : nullptr;
  if (!port) return;
  // Drawn afresh at the window's density.
  if (const int32_t density = pContext->getScale(); density != scale) {
    scale = density;
    stale = true;
  }
  const platform::PixelPort& source = picture();
  CRect clip;
  pContext->getClipRect(clip);
  clip.offset(pContext->offset.h, pContext->offset.v);
  CRect dest = size;
  dest.offset(pContext->offset.h, pContext->offset.v);
  platform::copyBlock(
      source, source.bounds(), *port,
      {dest.left * scale, dest.top * scale, dest.left * scale + source.width(),
       dest.top * scale + source.height()},
      {clip.left * scale, clip.top * scale, clip.right * scale, clip.bottom * scale});
}
