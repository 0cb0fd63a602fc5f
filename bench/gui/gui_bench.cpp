// Drawing timings of the toolkit on the software port: fills and copies of a
// window-sized port (each next to a plain loop doing the same memory work, so
// results read as ratios), a keyed film-strip frame, a line of text, and full
// and partial redraws of an editor-sized view tree.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform.h"
#include "toolkit.h"

namespace {

using oxel::platform::PixelPort;

constexpr int32_t kPortWidth = 600;
constexpr int32_t kPortHeight = 400;

void BM_FillPort(benchmark::State& state) {
  PixelPort port{kPortWidth, kPortHeight};
  CDrawContext context(nullptr, &port, &port);
  context.setFillColor(kRedCColor);
  for (auto _ : state) {
    context.drawRect(CRect(0, 0, kPortWidth, kPortHeight), kDrawFilled);
    benchmark::DoNotOptimize(port.row(0));
  }
}
BENCHMARK(BM_FillPort)->Unit(benchmark::kMicrosecond);

void BM_FillReferenceLoop(benchmark::State& state) {
  std::vector<uint32_t> pixels(kPortWidth * kPortHeight);
  for (auto _ : state) {
    std::fill(pixels.begin(), pixels.end(), 0xFF0000u);
    benchmark::DoNotOptimize(pixels.data());
  }
}
BENCHMARK(BM_FillReferenceLoop)->Unit(benchmark::kMicrosecond);

void BM_CopyPort(benchmark::State& state) {
  COffscreenContext source(nullptr, kPortWidth, kPortHeight, kBlueCColor);
  PixelPort port{kPortWidth, kPortHeight};
  CDrawContext context(nullptr, &port, &port);
  context.setClipRect(CRect(0, 0, kPortWidth, kPortHeight));
  for (auto _ : state) {
    source.copyFrom(&context, CRect(0, 0, kPortWidth, kPortHeight));
    benchmark::DoNotOptimize(port.row(0));
  }
}
BENCHMARK(BM_CopyPort)->Unit(benchmark::kMicrosecond);

void BM_CopyReferenceLoop(benchmark::State& state) {
  std::vector<uint32_t> from(kPortWidth * kPortHeight, 1), to(kPortWidth * kPortHeight);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), to.size() * sizeof(uint32_t));
    benchmark::DoNotOptimize(to.data());
  }
}
BENCHMARK(BM_CopyReferenceLoop)->Unit(benchmark::kMicrosecond);

// A 48 x 48 x 31 knob strip: white around a filled circle.
CBitmap* makeStrip(CFrame& frame) {
  auto* strip = new CBitmap(frame, 48, 48 * 31);
  COffscreenContext into(nullptr, strip, true);
  into.setClipRect(CRect(0, 0, 48, 48 * 31));
  into.setFillColor(kWhiteCColor);
  into.drawRect(CRect(0, 0, 48, 48 * 31), kDrawFilled);
  into.setFillColor(kGreyCColor);
  for (int k = 0; k < 31; ++k) into.fillEllipse(CRect(4, k * 48 + 4, 44, k * 48 + 44));
  return strip;
}

void BM_FilmStripFrameTransparent(benchmark::State& state) {
  CFrame frame(CRect(0, 0, 1, 1), nullptr, nullptr);
  CBitmap* strip = makeStrip(frame);
  PixelPort port{kPortWidth, kPortHeight};
  CDrawContext context(nullptr, &port, &port);
  int k = 0;
  for (auto _ : state) {
    CRect where(100, 100, 148, 148);
    strip->drawTransparent(&context, where, CPoint(0, 48 * (k++ % 31)));
    benchmark::DoNotOptimize(port.row(100));
  }
  strip->forget();
}
BENCHMARK(BM_FilmStripFrameTransparent)->Unit(benchmark::kMicrosecond);

void BM_TextLine(benchmark::State& state) {
  PixelPort port{kPortWidth, kPortHeight};
  CDrawContext context(nullptr, &port, &port);
  context.setFont(kNormalFont);
  context.drawString("warm-up", CRect(0, 0, 200, 20));  // glyphs are cached after first use
  for (auto _ : state) {
    context.drawString("Azimuth -45.0\xA1  Elevation 12.5\xA1", CRect(10, 10, 310, 30), false, kCenterText);
    benchmark::DoNotOptimize(port.row(10));
  }
}
BENCHMARK(BM_TextLine)->Unit(benchmark::kMicrosecond);

// Editor-sized tree: background bitmap, four film-strip knobs, eight text
// displays.
class Knob : public CView {
 public:
  Knob(const CRect& size, CBitmap* strip) : CView(size) { setBackground(strip); }
  void draw(CDrawContext* context) override {
    pBackground->drawTransparent(context, size, CPoint(0, 48 * (frame % 31)));
    setDirty(false);
  }
  int frame = 0;
};

class Display : public CView {
 public:
  using CView::CView;
  void draw(CDrawContext* context) override {
    context->setFillColor(kBlackCColor);
    context->setFrameColor(kGreyCColor);
    context->fillRect(size);
    context->drawRect(size);
    context->setFont(kNormalFontSmall);
    context->drawString("-45.0\xA1", size, false, kCenterText);
    setDirty(false);
  }
};

struct Editor {
  PixelPort window{420, 240};
  CFrame* frame = new CFrame(CRect(0, 0, 420, 240), &window, nullptr);
  Knob* knobs[4]{};
  Editor() {
    auto* background = new CBitmap(*frame, 420, 240);
    COffscreenContext into(nullptr, background, true);
    into.setFillColor(CColor{40, 48, 60, 255});
    into.drawRect(CRect(0, 0, 420, 240), kDrawFilled);
    frame->setBackground(background);
    background->forget();
    CBitmap* strip = makeStrip(*frame);
    for (int i = 0; i < 4; ++i) {
      const int32_t left = 30 + i * 95;
      frame->addView(new Display(CRect(left, 50, left + 72, 66)));
      knobs[i] = new Knob(CRect(left + 12, 80, left + 60, 128), strip);
      frame->addView(knobs[i]);
      frame->addView(new Display(CRect(left, 140, left + 72, 156)));
    }
    strip->forget();
    frame->draw(static_cast<CView*>(nullptr));
  }
  ~Editor() { frame->forget(); }
};

void BM_EditorFullRedraw(benchmark::State& state) {
  Editor editor;
  for (auto _ : state) {
    editor.frame->draw(static_cast<CView*>(nullptr));
    benchmark::DoNotOptimize(editor.window.row(0));
  }
}
BENCHMARK(BM_EditorFullRedraw)->Unit(benchmark::kMicrosecond);

void BM_EditorOneKnobUpdate(benchmark::State& state) {
  Editor editor;
  for (auto _ : state) {
    editor.knobs[1]->frame++;
    editor.knobs[1]->setDirty(true);
    editor.frame->idle();
    benchmark::DoNotOptimize(editor.window.row(0));
  }
}
BENCHMARK(BM_EditorOneKnobUpdate)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
