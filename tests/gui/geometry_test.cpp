// Proves the value types' rules that callers rely on: which rectangle edges
// are inside, when rectangles overlap, how bound empties a rectangle, that
// coordinate sums wrap instead of overflowing, and the exact colour round trip.
#include <gtest/gtest.h>

#include <climits>

#include "geometry.h"

TEST(CRectTest, ConstructorKeepsOrderCallOperatorNormalises) {
  CRect kept(10, 20, 0, 5);
  EXPECT_EQ(kept, CRect(10, 20, 0, 5));
  CRect r;
  r(10, 20, 0, 5);
  EXPECT_EQ(r, CRect(0, 5, 10, 20));
  EXPECT_EQ(r.x, 0);
  EXPECT_EQ(r.y2, 20);
}

TEST(CRectTest, HalfOpenAndClosedInsideTests) {
  const CRect r(0, 0, 10, 10);
  struct Case {
    CPoint p;
    bool pointInside;
    bool isInside;
  } cases[] = {
      {{0, 0}, true, true},   {{9, 9}, true, true},     {{10, 5}, false, true},
      {{5, 10}, false, true}, {{10, 10}, false, true},  {{11, 5}, false, false},
      {{-1, 0}, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(r.pointInside(c.p), c.pointInside) << c.p.h << "," << c.p.v;
    EXPECT_EQ(c.p.isInside(r), c.isInside) << c.p.h << "," << c.p.v;
  }
}

TEST(CRectTest, OverlapCountsTouchingEdges) {
  const CRect a(0, 0, 10, 10);
  EXPECT_TRUE(a.rectOverlap(CRect(10, 0, 20, 10)));
  EXPECT_TRUE(a.rectOverlap(CRect(0, 10, 10, 20)));
  EXPECT_FALSE(a.rectOverlap(CRect(11, 0, 20, 10)));
  EXPECT_FALSE(a.rectOverlap(CRect(0, -10, 10, -1)));
}

TEST(CRectTest, BoundClipsAndCollapsesToEmpty) {
  CRect r(0, 0, 10, 10);
  r.bound(CRect(20, 20, 30, 30));
  EXPECT_EQ(r, CRect(20, 20, 20, 20));
  EXPECT_TRUE(r.isEmpty());
  CRect s(0, 0, 10, 10);
  s.bound(CRect(5, -5, 15, 7));
  EXPECT_EQ(s, CRect(5, 0, 10, 7));
}

TEST(CRectTest, SizeOffsetAndInset) {
  CRect r(2, 3, 12, 8);
  EXPECT_EQ(r.width(), 10);
  EXPECT_EQ(r.getHeight(), 5);
  r.offset(1, -1).inset(2, 1);
  EXPECT_EQ(r, CRect(5, 3, 11, 6));
  r.setWidth(3).setHeight(4);
  EXPECT_EQ(r, CRect(5, 3, 8, 7));
}

TEST(CRectTest, ArithmeticWrapsInsteadOfOverflowing) {
  // Runs clean under UBSan: sums wrap in two's complement.
  CRect r(INT32_MAX - 1, 0, INT32_MAX, 1);
  r.offset(2, 0);
  EXPECT_EQ(r.left, INT32_MIN);
  EXPECT_EQ(CRect(INT32_MIN, 0, INT32_MAX, 0).width(), -1);
  CPoint p(INT32_MAX, INT32_MIN);
  p.offset(1, -1);
  EXPECT_EQ(p, CPoint(INT32_MIN, INT32_MAX));
}

TEST(CColorTest, PlatformConversionIsExactForEveryValue) {
  for (int v = 0; v < 256; ++v) {
    const CColor c{static_cast<uint8_t>(v), static_cast<uint8_t>(255 - v), static_cast<uint8_t>(v / 2), 17};
    EXPECT_EQ(toPlatformColor(c).red, v * 257);
    EXPECT_EQ(fromPlatformColor(toPlatformColor(c), 17), c);
    EXPECT_EQ(fromPixel(toPixel(c), 17), c);
  }
  EXPECT_EQ(toPixel(CColor{0x12, 0x34, 0x56, 0}), 0x123456u);
  EXPECT_NE(kWhiteCColor, kTransparentCColor);  // alpha takes part in ==
}

TEST(FourCharCodeTest, BuildsBigEndianValue) {
  EXPECT_EQ(fourCharCode("cvrp"), 0x63767270u);
}
