// Proves that a composite scene (background bitmap, keyed film-strip frame,
// blended picture, text displays and an offscreen container) renders exactly
// as the reviewed golden picture. Regenerate on purpose only, on the reference
// Debian 12 machine (fonts and FreeType pinned there):
//   OXEL_UPDATE_GOLDENS=1 gui_tests --gtest_filter='Golden*'
// On a mismatch the actual picture is written next to the test program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform.h"
#include "toolkit.h"

using oxel::platform::PixelPort;

namespace {

const std::string kGolden = OXEL_SOURCE_DIR "/tests/gui/data/golden_scene.png";

class Strip : public CView {
 public:
  Strip(const CRect& size, CBitmap* strip, int32_t frame) : CView(size), frame{frame} { setBackground(strip); }
  void draw(CDrawContext* context) override {
    pBackground->drawTransparent(context, size, CPoint(0, frame * size.height()));
    setDirty(false);
  }
  int32_t frame;
};

class Label : public CView {
 public:
  Label(const CRect& size, const char* text) : CView(size), text{text} {}
  void draw(CDrawContext* context) override {
    context->setFillColor(CColor{10, 10, 30, 255});
    context->setFrameColor(kGreyCColor);
    context->fillRect(size);
    context->drawRect(size);
    context->setFont(kNormalFontSmall);
    context->setFontColor(kWhiteCColor);
    context->drawString(text, size, false, kCenterText);
    setDirty(false);
  }
  const char* text;
};

class Blend : public CView {
 public:
  Blend(const CRect& size, CBitmap* picture) : CView(size) { setBackground(picture); }
  void draw(CDrawContext* context) override {
    pBackground->drawAlphaBlend(context, size, CPoint(0, 0), 100);
    setDirty(false);
  }
};

PixelPort renderScene() {
  PixelPort window{180, 72};
  auto* frame = new CFrame(CRect(0, 0, 180, 72), &window, nullptr);

  auto* background = new CBitmap(*frame, 180, 72);
  {
    COffscreenContext into(nullptr, background, true);
    for (int32_t y = 0; y < 72; ++y) {
      into.setFrameColor(CColor{static_cast<uint8_t>(30 + y), 40, static_cast<uint8_t>(90 - y / 2), 255});
      into.moveTo(CPoint(0, y));
      into.lineTo(CPoint(180, y));
    }
  }
  auto* strip = new CBitmap(*frame, 24, 72);
  {
    COffscreenContext into(nullptr, strip, true);
    into.setFillColor(kWhiteCColor);
    into.drawRect(CRect(0, 0, 24, 72), kDrawFilled);
    for (int k = 0; k < 3; ++k) {
      into.setFillColor(CColor{150, 160, 180, 255});
      into.fillEllipse(CRect(2, k * 24 + 2, 22, k * 24 + 22));
      into.setFrameColor(kYellowCColor);
      into.moveTo(CPoint(12, k * 24 + 12));
      into.lineTo(CPoint(4 + k * 8, k * 24 + 4));
    }
  }
  auto* red = new CBitmap(*frame, 40, 20);
  {
    COffscreenContext into(nullptr, red, true);
    into.setFillColor(kRedCColor);
    into.drawRect(CRect(0, 0, 40, 20), kDrawFilled);
  }

  frame->setBackground(background);
  frame->addView(new Strip(CRect(8, 8, 32, 32), strip, 1));
  frame->addView(new Label(CRect(40, 8, 130, 24), "Azimuth -45.0\xA1"));
  frame->addView(new Blend(CRect(136, 6, 176, 26), red));
  auto* panel = new CViewContainer(CRect(8, 38, 172, 66), frame);
  panel->useOffscreen(true);
  panel->setBackgroundColor(CColor{20, 20, 20, 255});
  panel->addView(new Label(CRect(4, 4, 160, 24), "Infinity -\xB0 dB  \xE1  Caf\x8E"));
  frame->addView(panel);
  frame->draw(static_cast<CView*>(nullptr));

  background->forget();
  strip->forget();
  red->forget();
  frame->forget();
  return window;
}

}  // namespace

TEST(GoldenScene, CompositeSceneMatchesReviewedPicture) {
  const PixelPort actual = renderScene();
  if (std::getenv("OXEL_UPDATE_GOLDENS")) {
    ASSERT_TRUE(oxel::platform::writePng(actual, kGolden));
    GTEST_SKIP() << "golden rewritten: " << kGolden;
  }
  auto golden = oxel::platform::decodeImageFile(kGolden);
  ASSERT_NE(golden, nullptr) << "missing golden " << kGolden;
  ASSERT_EQ(golden->width(), actual.width());
  ASSERT_EQ(golden->height(), actual.height());
  int differing = 0, firstX = -1, firstY = -1;
  for (int32_t y = 0; y < actual.height(); ++y)
    for (int32_t x = 0; x < actual.width(); ++x)
      if ((actual.get(x, y) & 0xFFFFFF) != (golden->get(x, y) & 0xFFFFFF) && differing++ == 0) firstX = x, firstY = y;
  if (differing) oxel::platform::writePng(actual, OXEL_BINARY_DIR "/tests/gui/golden_scene.actual.png");
  EXPECT_EQ(differing, 0) << "first difference at " << firstX << "," << firstY;
}
