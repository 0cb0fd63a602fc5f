// toolkit_scene: draws a small editor-like view tree without a display and
// writes it to PNG. The pictures are generated here, saved as bmpNNNNN.png in
// <out-dir>/resources/ and loaded back by number, so the run also exercises
// the bitmap loader. After the full draw, two knobs move and the frame's idle
// update repaints only them; the second PNG shows that state.
//
//   toolkit_scene OUT_DIR        writes OUT_DIR/scene.png and OUT_DIR/scene-updated.png
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform.h"
#include "toolkit.h"

namespace {

constexpr int32_t kWidth = 420;
constexpr int32_t kHeight = 240;
constexpr int32_t kKnobSize = 48;
constexpr int32_t kKnobFrames = 31;

using oxel::platform::makePixel;
using oxel::platform::PixelPort;

// Background: vertical gradient with two recessed panels.
PixelPort makeBackground() {
  PixelPort p{kWidth, kHeight};
  for (int32_t y = 0; y < kHeight; ++y)
    for (int32_t x = 0; x < kWidth; ++x) {
      const int v = 40 + y * 50 / kHeight;
      p.set(x, y, makePixel(static_cast<uint8_t>(v), static_cast<uint8_t>(v + 8), static_cast<uint8_t>(v + 20)));
    }
  CDrawContext context(nullptr, &p, &p);
  context.setFrameColor(CColor{20, 24, 34, 255});
  context.setFillColor(CColor{28, 34, 48, 255});
  context.drawRect(CRect(12, 40, 204, 228), kDrawFilledAndStroked);
  context.drawRect(CRect(216, 40, 408, 228), kDrawFilledAndStroked);
  context.setFrameColor(CColor{90, 110, 140, 255});
  context.moveTo(CPoint(12, 32));
  context.lineTo(CPoint(408, 32));
  p.takeDirty();
  return p;
}

// Knob film strip: kKnobFrames frames of 48 x 48 stacked vertically, white
// (the key colour) around a round knob whose pointer turns from -135 to +135
// degrees.
PixelPort makeKnobStrip() {
  PixelPort p{kKnobSize, kKnobSize * kKnobFrames, 0xFFFFFF};
  CDrawContext context(nullptr, &p, &p);
  context.setClipRect(CRect(0, 0, p.width(), p.height()));  // taller than the frameless default clip
  for (int32_t k = 0; k < kKnobFrames; ++k) {
    const int32_t top = k * kKnobSize;
    context.setFillColor(CColor{70, 76, 92, 255});
    context.fillEllipse(CRect(4, top + 4, 44, top + 44));
    context.setFillColor(CColor{120, 130, 150, 255});
    context.fillEllipse(CRect(8, top + 8, 40, top + 40));
    const double angle = (-135.0 + 270.0 * k / (kKnobFrames - 1)) * 3.14159265358979 / 180.0;
    const CPoint centre(24, top + 24);
    const CPoint tip(24 + static_cast<int32_t>(std::lround(14 * std::sin(angle))),
                     top + 24 - static_cast<int32_t>(std::lround(14 * std::cos(angle))));
    context.setFrameColor(CColor{250, 200, 60, 255});
    context.setLineWidth(2);
    context.moveTo(centre);
    context.lineTo(tip);
    context.setLineWidth(1);
  }
  p.takeDirty();
  return p;
}

// Splash picture, blended over the background.
PixelPort makeSplash() {
  PixelPort p{120, 24};
  CDrawContext context(nullptr, &p, &p);
  context.setFillColor(CColor{200, 60, 40, 255});
  context.drawRect(CRect(0, 0, 120, 24), kDrawFilled);
  context.setFontColor(kWhiteCColor);
  context.setFont(kNormalFontBig, 0, kBoldFace);
  context.drawString("Oxel Music Dept.", CRect(0, 0, 120, 24), false, kCenterText);
  p.takeDirty();
  return p;
}

// Shows frame `frame` of a vertical film strip, leaving out the key colour.
class FilmStripView : public CView {
 public:
  FilmStripView(const CRect& size, CBitmap* strip) : CView(size) { setBackground(strip); }
  void setFrameIndex(int32_t k) {
    frameIndex = k;
    setDirty(true);
  }
  void draw(CDrawContext* context) override {
    if (pBackground) pBackground->drawTransparent(context, size, CPoint(0, frameIndex * size.height()));
    setDirty(false);
  }

 private:
  int32_t frameIndex{0};
};

// A parameter display: filled box, outline and centred text.
class LabelView : public CView {
 public:
  LabelView(const CRect& size, std::string text, CFont font = kNormalFontSmall)
      : CView(size), text{std::move(text)}, font{font} {}
  void draw(CDrawContext* context) override {
    context->setFillColor(CColor{16, 18, 26, 255});
    context->setFrameColor(CColor{90, 110, 140, 255});
    context->fillRect(size);
    context->drawRect(size);
    context->setFont(font);
    context->setFontColor(CColor{230, 235, 245, 255});
    context->drawString(text.c_str(), size, false, kCenterText);
    setDirty(false);
  }

 private:
  std::string text;
  CFont font;
};

// Plain text straight on the background.
class TitleView : public CView {
 public:
  TitleView(const CRect& size, std::string text) : CView(size), text{std::move(text)} { setTransparency(true); }
  void draw(CDrawContext* context) override {
    context->setFont(kNormalFontVeryBig, 0, kBoldFace);
    context->setFontColor(kWhiteCColor);
    context->drawString(text.c_str(), size, false, kLeftText);
    setDirty(false);
  }

 private:
  std::string text;
};

class BlendView : public CView {
 public:
  BlendView(const CRect& size, CBitmap* picture, unsigned char alpha) : CView(size), alpha{alpha} {
    setBackground(picture);
  }
  void draw(CDrawContext* context) override {
    if (pBackground) pBackground->drawAlphaBlend(context, size, CPoint(0, 0), alpha);
    setDirty(false);
  }

 private:
  unsigned char alpha;
};

bool save(const PixelPort& port, const std::filesystem::path& path) {
  if (!oxel::platform::writePng(port, path.string())) {
    std::fprintf(stderr, "toolkit_scene: cannot write %s\n", path.c_str());
    return false;
  }
  std::printf("wrote %s\n", path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: toolkit_scene OUT_DIR\n");
    return 2;
  }
  const std::filesystem::path out{argv[1]};
  std::error_code ec;
  std::filesystem::create_directories(out / "resources", ec);
  if (!oxel::platform::writePng(makeBackground(), (out / "resources/bmp00128.png").string()) ||
      !oxel::platform::writePng(makeKnobStrip(), (out / "resources/bmp00129.png").string()) ||
      !oxel::platform::writePng(makeSplash(), (out / "resources/bmp00130.png").string())) {
    std::fprintf(stderr, "toolkit_scene: cannot write the pictures into %s/resources\n", out.c_str());
    return 1;
  }
  setBundlePath(out.string());

  auto* background = new CBitmap(128);
  auto* knobs = new CBitmap(129);
  auto* splash = new CBitmap(130);
  if (!background->isLoaded() || !knobs->isLoaded() || !splash->isLoaded()) {
    std::fprintf(stderr, "toolkit_scene: pictures did not load back\n");
    return 1;
  }

  PixelPort window{kWidth, kHeight};
  auto* frame = new CFrame(CRect(0, 0, kWidth, kHeight), &window, nullptr);
  frame->setBackground(background);

  frame->addView(new TitleView(CRect(14, 4, 300, 30), "Pelrin \xE1 virtual microphones"));
  frame->addView(new BlendView(CRect(290, 6, 410, 30), splash, 160));

  const char* names[] = {"Azimuth", "Elevation", "Mic Angle", "Mic Pattern"};
  const char* values[] = {"-45.0\xA1", "12.5\xA1", "90.0\xA1", "Cardioid"};
  FilmStripView* knobViews[4];
  for (int i = 0; i < 4; ++i) {
    const int32_t panelLeft = i < 2 ? 12 : 216;
    const int32_t left = panelLeft + 20 + (i % 2) * 90;
    frame->addView(new LabelView(CRect(left - 8, 56, left + 64, 72), names[i]));
    knobViews[i] = new FilmStripView(CRect(left + 4, 84, left + 4 + kKnobSize, 84 + kKnobSize), knobs);
    knobViews[i]->setFrameIndex(4 + i * 7);
    frame->addView(knobViews[i]);
    frame->addView(new LabelView(CRect(left - 8, 144, left + 64, 160), values[i], kNormalFontSmaller));
  }

  // A nested container drawn through its own offscreen buffer.
  auto* status = new CViewContainer(CRect(24, 180, 396, 216), frame);
  status->setBackgroundColor(CColor{10, 12, 18, 255});
  status->useOffscreen(true);
  status->addView(new LabelView(CRect(6, 6, 180, 30), "Order: rotate, tilt, tumble", kNormalFont));
  status->addView(new LabelView(CRect(190, 6, 366, 30), "Infinity: -\xB0 dB", kNormalFont));
  frame->addView(status);

  // Full draw, as at the first expose.
  frame->draw(static_cast<CView*>(nullptr));
  if (!save(window, out / "scene.png")) return 1;

  // Two knobs move; the idle update repaints just them.
  window.takeDirty();
  knobViews[0]->setFrameIndex(kKnobFrames - 1);
  knobViews[3]->setFrameIndex(0);
  frame->idle();
  const oxel::platform::PortRect d = window.dirty();
  std::printf("updated area: %d,%d - %d,%d\n", d.left, d.top, d.right, d.bottom);
  if (!save(window, out / "scene-updated.png")) return 1;

  background->forget();
  knobs->forget();
  splash->forget();
  frame->forget();
  return 0;
}
