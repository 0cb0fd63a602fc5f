// The parameter display: which converter writes the text, which setters ask
// for a repaint, and what each style bit paints (frame, 3-D edges, no text,
// nothing at all, shadow under the text).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "CParamDisplay.h"
#include "control_rig.h"

namespace editortest {
namespace {

using oxel::platform::makePixel;
using oxel::platform::Pixel;

void degrees(float value, char* text) { std::snprintf(text, 256, "%.2f deg", static_cast<double>(value * 360.0f)); }
void withData(float value, char* text, void* data) {
  std::snprintf(text, 256, "%s %.1f", static_cast<const char*>(data), static_cast<double>(value));
}

TEST(ParamDisplay, ConverterWithDataWinsThenPlainThenTwoDecimals) {
  CParamDisplay display(CRect(0, 0, 40, 14));
  char text[CParamDisplay::kTextSize];
  display.setValue(0.5f);
  display.getText(text);
  EXPECT_STREQ(text, "0.50");
  display.setStringConvert(degrees);
  display.getText(text);
  EXPECT_STREQ(text, "180.00 deg");
  char tag[] = "pan";
  display.setStringConvert(withData, tag);
  display.getText(text);
  EXPECT_STREQ(text, "pan 0.5");
}

TEST(ParamDisplay, OnlyChangedLooksAskForARepaint) {
  CParamDisplay display(CRect(0, 0, 40, 14));
  display.setDirty(false);
  display.setFontColor(kWhiteCColor);  // the colour it has
  display.setStyle(0);
  display.setStringConvert(degrees);
  display.setTextTransparency(false);
  EXPECT_FALSE(display.isDirty());
  display.setFontColor(kRedCColor);
  EXPECT_TRUE(display.isDirty());
  display.setDirty(false);
  display.setFont(kNormalFontSmall);
  EXPECT_TRUE(display.isDirty());
  EXPECT_TRUE(display.isTypeOf("CParamDisplay") && display.isTypeOf("CControl"));
  // No mouse: a click changes nothing.
  CPoint where(5, 5);
  display.mouse(nullptr, where, kLeftButton);
  EXPECT_EQ(display.getValue(), 0.0f);
}

struct Painted {
  bool frameLeft;  // the frame colour on the left edge
  bool text;       // light (font-colour) pixels inside
  bool shadow;     // red (shadow-colour) pixels inside
  bool untouched;  // nothing painted at all
};

Painted paint(ControlRig& rig, int32_t style, CColor back = kBlackCColor) {
  auto* port = rig.editor->frame->getWindowPort();
  const Pixel ground = makePixel(0, 90, 0);
  port->fillAll(ground);
  auto* display = rig.add(new CParamDisplay(CRect(10, 10, 50, 24), nullptr, style));
  display->setTextTransparency(true);
  display->setTransparency(false);
  display->setFrameColor(kBlueCColor);
  display->setBackColor(back);
  display->setFontColor(kWhiteCColor);
  display->setShadowColor(kRedCColor);
  display->setFont(kNormalFontSmall);
  display->setValue(0.88f);
  display->draw(rig.context);
  Painted p{port->get(10, 17) == toPixel(kBlueCColor), false, false, true};
  for (int32_t y = 0; y < 40; ++y)
    for (int32_t x = 0; x < 60; ++x) {
      const Pixel px = port->get(x, y);
      if (px != ground) p.untouched = false;
      if (x > 10 && x < 49 && y > 10 && y < 23) {
        // Glyphs are antialiased: look for light and for red-only pixels.
        const int r = px >> 16 & 0xFF, g = px >> 8 & 0xFF, b = px & 0xFF;
        p.text |= r > 150 && g > 150 && b > 150;
        p.shadow |= r > 150 && g < 60 && b < 60;
      }
    }
  rig.editor->frame->removeView(display);
  return p;
}

TEST(ParamDisplay, StyleBitsDecideWhatIsPainted) {
  ControlRig rig;
  struct Case {
    const char* what;
    int32_t style;
    Painted expect;
  };
  const Case cases[] = {
      {"plain", 0, {true, true, false, false}},
      {"no frame", kStyleNoFrame, {false, true, false, false}},
      {"shadow", kStyleShadowText, {true, true, true, false}},
      {"no text", kStyleNoText, {true, false, false, false}},
      {"no draw", kStyleNoDraw, {false, false, false, true}},
  };
  for (const Case& c : cases) {
    const Painted p = paint(rig, c.style);
    EXPECT_EQ(p.frameLeft, c.expect.frameLeft) << c.what;
    EXPECT_EQ(p.text, c.expect.text) << c.what;
    EXPECT_EQ(p.shadow, c.expect.shadow) << c.what;
    EXPECT_EQ(p.untouched, c.expect.untouched) << c.what;
  }
  CParamDisplay noDraw(CRect(0, 0, 4, 4), nullptr, kStyleNoDraw);
  EXPECT_FALSE(noDraw.isDirty());  // asks for no first repaint
}

TEST(ParamDisplay, ThreeDEdgesSwapTheirColours) {
  ControlRig rig;
  auto* port = rig.editor->frame->getWindowPort();
  const CColor back{0, 200, 0, 255};
  for (int32_t style : {kStyle3DIn, kStyle3DOut}) {
    paint(rig, style | kStyleNoText, back);
    const Pixel lit = toPixel(style == kStyle3DIn ? back : kBlueCColor);
    const Pixel dark = toPixel(style == kStyle3DIn ? kBlueCColor : back);
    // Left and top edges in one colour; right edge (x 50) and bottom edge
    // (y 24) in the other.
    EXPECT_EQ(port->get(10, 17), lit) << style;
    EXPECT_EQ(port->get(30, 10), lit) << style;
    EXPECT_EQ(port->get(50, 17), dark) << style;
    EXPECT_EQ(port->get(30, 24), dark) << style;
  }
}

}  // namespace
}  // namespace editortest
