// Proves where drawString puts its text box (alignment and vertical centring
// from the measured width and the font's ascent and descent), that text stays
// inside its rectangle and the clip, that measuring and drawing agree, and
// that Mac OS Roman bytes reach the font as the right characters.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "CDrawContext.h"
#include "platform.h"

using oxel::platform::PixelPort;

namespace {

struct Box {
  int32_t left{INT32_MAX}, top{INT32_MAX}, right{INT32_MIN}, bottom{INT32_MIN};
};

// Bounding box of the pixels that are not black.
Box inkBox(const PixelPort& port) {
  Box b;
  for (int32_t y = 0; y < port.height(); ++y)
    for (int32_t x = 0; x < port.width(); ++x)
      if (port.get(x, y) & 0xFFFFFF) {
        b.left = std::min(b.left, x), b.right = std::max(b.right, x + 1);
        b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y + 1);
      }
  return b;
}

}  // namespace

TEST(TextTest, FontIsLoadedWithPlausibleMetrics) {
  CDrawContext c(nullptr, nullptr, nullptr);
  const CFontInfo& info = c.getFontInfo();
  // 12-pixel sans: ascent 11, descent 3 for a face metric-compatible with Arial.
  EXPECT_EQ(info.ascent, 11);
  EXPECT_EQ(info.descent, 3);
  EXPECT_GT(c.getStringWidth("Azimuth"), 30);
  EXPECT_LT(c.getStringWidth("Azimuth"), 60);
  EXPECT_EQ(c.getStringWidth(""), 0);
  EXPECT_EQ(c.getStringWidth(nullptr), 0);
  EXPECT_EQ(c.getStringWidth("ab") + c.getStringWidth("cd"), c.getStringWidth("abcd"));
}

TEST(TextTest, OpaqueBoxPlacementFollowsAlignmentAndCentring) {
  const char* text = "Mic 1";
  struct Case {
    const char* name;
    CRect rect;
    CHoriTxtAlign align;
  } cases[] = {
      {"left", CRect(0, 0, 60, 20), kLeftText},
      {"centre", CRect(0, 0, 60, 20), kCenterText},
      {"right", CRect(0, 0, 60, 20), kRightText},
      {"centre, odd slack", CRect(3, 2, 60, 17), kCenterText},
      {"lower than the font: no shift", CRect(0, 0, 60, 10), kLeftText},
  };
  for (const auto& k : cases) {
    PixelPort port{64, 24};
    CDrawContext c(nullptr, &port, &port);
    c.setFillColor(kBlueCColor);
    c.setFontColor(kRedCColor);
    const int32_t w = c.getStringWidth(text);
    const int32_t fontHeight = c.getFontInfo().ascent + c.getFontInfo().descent;
    c.drawString(text, k.rect, true, k.align);

    int32_t x = k.rect.left;
    if (k.align == kCenterText) x = (k.rect.left + k.rect.right - w) / 2;
    if (k.align == kRightText) x = k.rect.right - w;
    const int32_t d = (k.rect.height() - fontHeight) / 2;
    const int32_t top = k.rect.top + std::max(d, 0);
    const Box box = inkBox(port);
    EXPECT_EQ(box.left, x) << k.name;
    EXPECT_EQ(box.right, x + w) << k.name;
    EXPECT_EQ(box.top, top) << k.name;
    EXPECT_EQ(box.bottom, std::min(top + fontHeight, k.rect.bottom)) << k.name;
  }
}

TEST(TextTest, TransparentTextInkSitsOnTheBaselineInsideTheBox) {
  PixelPort port{40, 20};
  CDrawContext c(nullptr, &port, &port);
  c.setFontColor(kWhiteCColor);
  c.drawString("HH", CRect(0, 0, 40, 20), false, kLeftText);
  const Box box = inkBox(port);
  // Box top 3 ((20 - 14) / 2), baseline 3 + 11: capitals stand on it.
  EXPECT_EQ(box.bottom, 14);
  EXPECT_GE(box.top, 3);
  EXPECT_LE(box.top, 6);
  EXPECT_GE(box.left, 0);
  EXPECT_LE(box.right, c.getStringWidth("HH"));
  // Antialiased: some pixels are neither black nor white.
  bool grey = false;
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 40; ++x) grey |= (port.get(x, y) != 0 && port.get(x, y) != 0xFFFFFF);
  EXPECT_TRUE(grey);
}

TEST(TextTest, ClippedToRectangleAndClipAndNullDrawsNothing) {
  PixelPort port{40, 20};
  CDrawContext c(nullptr, &port, &port);
  c.drawString(nullptr, CRect(0, 0, 40, 20));
  c.drawString("Wide text", CRect(5, 2, 15, 18), false, kLeftText);
  Box box = inkBox(port);
  EXPECT_GE(box.left, 5);
  EXPECT_LE(box.right, 15);

  PixelPort other{40, 20};
  CDrawContext d(nullptr, &other, &other);
  d.setClipRect(CRect(0, 0, 10, 10));
  d.drawString("Outside", CRect(20, 0, 40, 20), true, kLeftText);  // no overlap with the clip
  EXPECT_EQ(inkBox(other).right, INT32_MIN);
  d.drawString("Inside", CRect(0, 0, 40, 20), true, kLeftText);
  box = inkBox(other);
  EXPECT_LE(box.right, 10);
  EXPECT_LE(box.bottom, 10);
}

TEST(TextTest, OpaqueTextLeavesFillColourAsPortBackground) {
  // After an opaque string the port background is the fill colour: a dotted
  // line's clear bits then show it.
  PixelPort port{16, 20};
  CDrawContext c(nullptr, &port, &port);
  c.setFillColor(kBlueCColor);
  c.drawString("x", CRect(0, 0, 16, 14), true, kLeftText);
  c.setLineStyle(kLineOnOffDash);
  c.setFrameColor(kRedCColor);
  c.moveTo({0, 16});
  c.lineTo({8, 16});
  EXPECT_EQ(port.get(0, 16), 0xFF0000u);
  EXPECT_EQ(port.get(5, 16), 0x0000FFu);
}

TEST(TextTest, MacRomanBytesMapToUnicode) {
  using oxel::platform::macRomanToUnicode;
  struct Case {
    unsigned char byte;
    char32_t code;
  } cases[] = {{'A', U'A'},       {0x80, 0x00C4}, {0xA1, 0x00B0}, {0xA5, 0x2022},
               {0xB0, 0x221E},    {0xCA, 0x00A0}, {0xDB, 0x20AC}, {0xFF, 0x02C7}};
  for (const auto& k : cases) EXPECT_EQ(macRomanToUnicode(k.byte), k.code) << int(k.byte);

  // The infinity sign is drawn as infinity, not as the Latin-1 degree sign.
  CDrawContext c(nullptr, nullptr, nullptr);
  EXPECT_GT(c.getStringWidth("\xB0"), c.getStringWidth("\xA1"));
}

TEST(TextTest, SymbolFontDrawsGreekLetters) {
  CDrawContext sans(nullptr, nullptr, nullptr);
  CDrawContext symbol(nullptr, nullptr, nullptr);
  symbol.setFont(kSymbolFont);
  EXPECT_EQ(symbol.getFontSize(), 12);
  EXPECT_GT(symbol.getStringWidth("w"), 0);
  EXPECT_NE(symbol.getStringWidth("p"), sans.getStringWidth("p"));  // pi, not p
}
