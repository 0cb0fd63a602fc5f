// Proves the drawing context's pixel rules on tiny ports: which end pixels a
// line paints and where a wide pen hangs, the unpainted edges of fillRect,
// clipping in shifted coordinates, 16-bit truncation, shapes, patterns and
// modes, and the offscreen copies and input queries built on the same state.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "CDrawContext.h"
#include "CFrame.h"
#include "ScriptedInput.h"
#include "pixel_picture.h"
#include "platform.h"

using oxel::platform::PixelPort;
using testing_pixels::picture;
using testing_pixels::trimPicture;

namespace {

// A black port of w x h and a context drawing into it.
struct Canvas {
  PixelPort port;
  CDrawContext* context;
  Canvas(int32_t w, int32_t h) : port{w, h}, context{new CDrawContext(nullptr, &port, &port)} {}
  ~Canvas() { context->forget(); }
  std::string pic() const { return picture(port); }
};

struct PixelCase {
  const char* name;
  int32_t width, height;
  std::function<void(CDrawContext&)> draw;
  const char* expected;
};

void runCases(const std::vector<PixelCase>& cases) {
  for (const auto& c : cases) {
    Canvas canvas{c.width, c.height};
    c.draw(*canvas.context);
    EXPECT_EQ(canvas.pic(), trimPicture(c.expected)) << c.name << "\n" << canvas.pic();
  }
}

}  // namespace

TEST(DrawContextLines, EndPixelsAndPenHang) {
  runCases({
      {"horizontal leaves out its end", 12, 1,
       [](CDrawContext& c) { c.moveTo({0, 0}), c.lineTo({10, 0}); }, "##########.."},
      {"horizontal reversed", 12, 1, [](CDrawContext& c) { c.moveTo({10, 0}), c.lineTo({0, 0}); },
       ".##########."},
      {"vertical", 1, 6, [](CDrawContext& c) { c.moveTo({0, 0}), c.lineTo({0, 4}); }, "#\n#\n#\n#\n.\n."},
      {"vertical reversed", 1, 6, [](CDrawContext& c) { c.moveTo({0, 4}), c.lineTo({0, 0}); },
       ".\n#\n#\n#\n#\n."},
      {"diagonal paints its end", 5, 5, [](CDrawContext& c) { c.moveTo({0, 0}), c.lineTo({3, 3}); }, R"(
        #....
        .#...
        ..#..
        ...#.
        .....)"},
      // Bresenham, ties move the minor axis: walking from the first point.
      {"slope one half", 6, 3, [](CDrawContext& c) { c.moveTo({0, 0}), c.lineTo({4, 2}); }, R"(
        #.....
        .##...
        ...##.)"},
      {"zero length paints two pixels", 5, 3, [](CDrawContext& c) { c.moveTo({2, 1}), c.lineTo({2, 1}); }, R"(
        .....
        ..##.
        .....)"},
      {"pen 3 hangs right and below", 14, 4,
       [](CDrawContext& c) { c.setLineWidth(3), c.moveTo({0, 0}), c.lineTo({10, 0}); }, R"(
        ############..
        ############..
        ############..
        ..............)"},
      {"drawLines draws each pair", 6, 3,
       [](CDrawContext& c) {
         const CPoint pairs[] = {{0, 0}, {3, 0}, {1, 2}, {5, 2}};
         c.drawLines(pairs, 2);
       },
       R"(
        ###...
        ......
        .####.)"},
      {"polyLine paints every vertex", 5, 4,
       [](CDrawContext& c) {
         const CPoint pts[] = {{0, 0}, {3, 0}, {3, 3}};
         c.polyLine(pts, 3);
       },
       R"(
        ####.
        ...#.
        ...#.
        ...#.)"},
  });
}

TEST(DrawContextLines, DottedStyleFollowsPortAlignedPattern) {
  Canvas canvas{16, 5};
  canvas.context->setFrameColor(kRedCColor);
  canvas.context->setLineStyle(kLineOnOffDash);
  canvas.context->moveTo({0, 0});
  canvas.context->lineTo({16, 0});
  canvas.context->moveTo({0, 4});
  canvas.context->lineTo({16, 4});
  // Row 0 of the pattern is F0, row 4 is 0F; clear bits paint the port's
  // background colour (white).
  EXPECT_EQ(canvas.pic(), trimPicture(R"(
    rrrr####rrrr####
    ................
    ................
    ................
    ####rrrr####rrrr)"));
}

TEST(DrawContextLines, XorInvertsAndTwiceRestores) {
  Canvas canvas{6, 2};
  canvas.context->setFillColor(kBlueCColor);
  canvas.context->drawRect(CRect(0, 0, 3, 2), kDrawFilled);
  canvas.context->setDrawMode(kXorMode);
  canvas.context->moveTo({0, 0});
  canvas.context->lineTo({6, 0});
  EXPECT_EQ(canvas.pic(), trimPicture(R"(
    yyy###
    bbb...)"));
  canvas.context->moveTo({0, 0});
  canvas.context->lineTo({6, 0});
  EXPECT_EQ(canvas.pic(), trimPicture(R"(
    bbb...
    bbb...)"));
}

TEST(DrawContextRects, FillStrokeAndPenWidth) {
  auto withFill = [](std::function<void(CDrawContext&)> f) {
    return [f](CDrawContext& c) {
      c.setFillColor(kRedCColor);
      f(c);
    };
  };
  runCases({
      {"fillRect leaves top row and left column", 8, 6,
       withFill([](CDrawContext& c) { c.fillRect(CRect(1, 1, 6, 5)); }), R"(
        ........
        ........
        ..rrrr..
        ..rrrr..
        ..rrrr..
        ........)"},
      {"drawRect filled covers it all", 8, 6,
       withFill([](CDrawContext& c) { c.drawRect(CRect(1, 1, 6, 5), kDrawFilled); }), R"(
        ........
        .rrrrr..
        .rrrrr..
        .rrrrr..
        .rrrrr..
        ........)"},
      {"stroked outline on the inner edge", 8, 6, [](CDrawContext& c) { c.drawRect(CRect(1, 1, 6, 5)); }, R"(
        ........
        .#####..
        .#...#..
        .#...#..
        .#####..
        ........)"},
      {"fillRect then stroke paints everything", 8, 6,
       withFill([](CDrawContext& c) { c.fillRect(CRect(1, 1, 6, 5)), c.drawRect(CRect(1, 1, 6, 5)); }), R"(
        ........
        .#####..
        .#rrr#..
        .#rrr#..
        .#####..
        ........)"},
      {"pen 2 outline hangs one beyond", 8, 7,
       [](CDrawContext& c) { c.setLineWidth(2), c.drawRect(CRect(1, 1, 6, 5)); }, R"(
        ........
        .######.
        .######.
        .##..##.
        .######.
        .######.
        ........)"},
  });
}

TEST(DrawContextClip, ClipIsShiftedWithTheOffset) {
  Canvas canvas{8, 6};
  CDrawContext& c = *canvas.context;
  c.offset(2, 1);
  c.setClipRect(CRect(0, 0, 3, 2));
  CRect back;
  EXPECT_EQ(c.getClipRect(back), CRect(0, 0, 3, 2));
  c.setFillColor(kRedCColor);
  c.drawRect(CRect(-5, -5, 20, 20), kDrawFilled);
  EXPECT_EQ(canvas.pic(), trimPicture(R"(
    ........
    ..rrr...
    ..rrr...
    ........
    ........
    ........)"));
}

TEST(DrawContextClip, ResetClipUsesFrameSizeUnshifted) {
  PixelPort port{4, 4};
  CFrame frame(CRect(0, 0, 30, 20), &port, nullptr);
  CDrawContext context(&frame, &port, &port);
  context.offset(5, 5);
  context.setClipRect(CRect(0, 0, 1, 1));
  context.resetClipRect();
  CRect clip;
  EXPECT_EQ(context.getClipRect(clip), CRect(-5, -5, 25, 15));
  CDrawContext orphan(nullptr, nullptr, nullptr);
  EXPECT_EQ(orphan.getClipRect(clip), CRect(0, 0, 1000, 1000));
}

TEST(DrawContextCoordinates, TruncatedTo16BitsAtThePort) {
  runCases({
      {"point beyond 65536", 6, 5, [](CDrawContext& c) { c.drawPoint({65538, 3}, kRedCColor); }, R"(
        ......
        ......
        ......
        ..r...
        ......)"},
      {"fill right edge wraps to 6", 6, 5,
       [](CDrawContext& c) {
         c.setFillColor(kRedCColor);
         c.fillRect(CRect(0, 0, 65536 + 6, 5));
       },
       R"(
        ......
        .rrrrr
        .rrrrr
        .rrrrr
        .rrrrr)"},
      {"offset sum wraps without overflow", 4, 1,
       [](CDrawContext& c) {
         c.offset(INT32_MAX, 0);
         c.drawPoint({2, 0}, kRedCColor);  // INT32_MIN + 1 -> 1 at 16 bits
       },
       ".r.."},
  });
}

TEST(DrawContextPixels, DrawPointRestoresStateAndGetPointReadsBack) {
  Canvas canvas{5, 4};
  CDrawContext& c = *canvas.context;
  c.setLineWidth(3);
  c.setFrameColor(kRedCColor);
  c.drawPoint({2, 2}, kBlueCColor);
  EXPECT_EQ(canvas.pic(), trimPicture(R"(
    .....
    .....
    ..b..
    .....)"));
  EXPECT_EQ(c.getLineWidth(), 3);
  EXPECT_EQ(c.getFrameColor(), kRedCColor);
  EXPECT_EQ(c.getPoint({2, 2}), kBlueCColor);
  canvas.port.set(1, 1, 0xFF123456);  // the pad byte is ignored
  EXPECT_EQ(c.getPoint({1, 1}), (CColor{0x12, 0x34, 0x56, 255}));
}

TEST(DrawContextShapes, PolygonsOvalsAndArcs) {
  runCases({
      {"rectangular polygon fills like drawRect", 7, 5,
       [](CDrawContext& c) {
         c.setFillColor(kRedCColor);
         const CPoint pts[] = {{1, 1}, {5, 1}, {5, 4}, {1, 4}};
         c.fillPolygon(pts, 4);
       },
       R"(
        .......
        .rrrr..
        .rrrr..
        .rrrr..
        .......)"},
      {"triangle, even-odd with top-left corners", 6, 4,
       [](CDrawContext& c) {
         c.setFillColor(kRedCColor);
         const CPoint pts[] = {{0, 0}, {4, 0}, {0, 4}};
         c.drawPolygon(pts, 3, kDrawFilled);
       },
       R"(
        rrrr..
        rrr...
        rr....
        r.....)"},
      {"degenerate polygons draw nothing", 3, 2,
       [](CDrawContext& c) {
         const CPoint one[] = {{1, 1}};
         c.drawPolygon(nullptr, 5, kDrawFilledAndStroked);
         c.drawPolygon(one, 0, kDrawFilledAndStroked);
         c.drawPolygon(one, 1, kDrawFilledAndStroked);
       },
       "...\n..."},
      {"filled ellipse", 6, 4,
       [](CDrawContext& c) {
         c.setFillColor(kRedCColor);
         c.fillEllipse(CRect(0, 0, 6, 4));
       },
       R"(
        .rrrr.
        rrrrrr
        rrrrrr
        .rrrr.)"},
      {"wedge from 3 to 12 o'clock", 8, 8,
       [](CDrawContext& c) {
         c.setFillColor(kRedCColor);
         c.fillArc(CRect(0, 0, 8, 8), CPoint(8, 4), CPoint(4, 0));
       },
       R"(
        ....rr..
        ....rrr.
        ....rrrr
        ....rrrr
        ........
        ........
        ........
        ........)"},
  });
}

TEST(DrawContextShapes, EllipseOutlineIsSymmetricAndEqualsFullArc) {
  Canvas a{11, 9}, b{11, 9};
  a.context->drawEllipse(CRect(1, 1, 10, 8));
  b.context->drawArc(CRect(1, 1, 10, 8), CPoint(3, 3), CPoint(3, 3));
  EXPECT_EQ(a.pic(), b.pic());
  const PixelPort& p = a.port;
  int32_t minX = 99, maxX = -1, minY = 99, maxY = -1;
  for (int32_t y = 0; y < 9; ++y)
    for (int32_t x = 0; x < 11; ++x) {
      EXPECT_EQ(p.get(x, y), p.get(10 - x, y)) << x << "," << y;  // centre column 5.5 -> mirror 10 - x
      EXPECT_EQ(p.get(x, y), p.get(x, 8 - y)) << x << "," << y;
      if (p.get(x, y)) minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y),
                       maxY = std::max(maxY, y);
    }
  EXPECT_EQ(minX, 1);
  EXPECT_EQ(maxX, 9);
  EXPECT_EQ(minY, 1);
  EXPECT_EQ(maxY, 7);
  EXPECT_EQ(p.get(5, 4), 0u) << "outline only";
}

TEST(DrawContextShapes, ArcByDegreesMatchesArcByPoints) {
  Canvas byAngle{12, 12}, byPoints{12, 12};
  byAngle.context->drawArc(CRect(0, 0, 12, 12), 0.0f, 90.0f);  // from 3 o'clock through 90 counter-clockwise
  byPoints.context->drawArc(CRect(0, 0, 12, 12), CPoint(12, 6), CPoint(6, 0));
  EXPECT_EQ(byAngle.pic(), byPoints.pic());
  const PixelPort& p = byAngle.port;
  EXPECT_NE(p.get(11, 5), 0u);  // right end of the quarter
  EXPECT_NE(p.get(6, 0), 0u);   // top end
  EXPECT_EQ(p.get(0, 6), 0u);   // other quarters untouched
  EXPECT_EQ(p.get(6, 11), 0u);
}

TEST(DrawContextShapes, AngleOfPointSeenFromCentre) {
  CDrawContext c(nullptr, nullptr, nullptr);
  struct Case {
    CPoint p;
    int32_t angle;
  } cases[] = {
      {{1, -1}, 2879},  {{2, -1}, 1700},   {{-1, -1}, 8641}, {{-1, 1}, 14399}, {{1, 1}, 20161},
      {{0, -5}, 5760},  {{-5, 0}, 11520},  {{0, 0}, 17280},  {{5, 0}, 0},      {{0, 5}, 17280},
  };
  for (const auto& k : cases) EXPECT_EQ(c.convertPoint2Angle(CPoint(0, 0), k.p), k.angle) << k.p.h << "," << k.p.v;
}

TEST(DrawContextFill, FloodFillStopsAtOtherColoursAndTheClip) {
  Canvas canvas{8, 5};
  CDrawContext& c = *canvas.context;
  c.drawRect(CRect(0, 0, 5, 5));
  c.setFillColor(kRedCColor);
  c.floodFill({2, 2});
  c.setClipRect(CRect(5, 0, 7, 5));
  c.floodFill({6, 1});
  EXPECT_EQ(canvas.pic(), trimPicture(R"(
    #####rr.
    #rrr#rr.
    #rrr#rr.
    #rrr#rr.
    #####rr.)"));
}

TEST(DrawContextState, SettersAndFontDefaults) {
  CDrawContext c(nullptr, nullptr, nullptr);
  EXPECT_EQ(c.getFrameColor(), kWhiteCColor);
  EXPECT_EQ(c.getFillColor(), kBlackCColor);
  EXPECT_EQ(c.getFontColor(), kWhiteCColor);
  EXPECT_EQ(c.getLineWidth(), 1);
  EXPECT_EQ(c.getLineStyle(), kLineSolid);
  EXPECT_EQ(c.getDrawMode(), kCopyMode);
  EXPECT_EQ(c.getFont(), kSystemFont);
  EXPECT_EQ(c.getFontSize(), 12);

  c.setFont(kNormalFontVeryBig);
  EXPECT_EQ(c.getFontSize(), 18);
  c.setFont(kNumStandardFonts, 0, 0);
  EXPECT_EQ(c.getFont(), kSystemFont);
  EXPECT_EQ(c.getFontSize(), 12);
  const CFontInfo before = c.getFontInfo();
  c.setFont(kSystemFont, 12, kBoldFace);  // only the style differs: no effect
  const CFontInfo after = c.getFontInfo();
  EXPECT_EQ(before.ascent, after.ascent);
  EXPECT_EQ(before.widMax, after.widMax);
}

TEST(DrawContextInput, ButtonsAndModifiersMapToFlags) {
  using namespace oxel::platform;
  struct Case {
    uint32_t buttons, modifiers;
    int32_t expected;
  } cases[] = {
      {kPrimaryButton, 0, kLeftButton},
      {kPrimaryButton, kModCommand, kLeftButton | kCommandFlag},
      {kPrimaryButton, kModControl, kRightButton},  // control-click reads as a right click
      {kPrimaryButton, kModShift, kLeftButton | kShiftFlag},
      {kSecondaryButton, kModOption, kRightButton | kAltFlag},
      {kThirdButton, kModControl, kMiddleButton | kCtrlFlag},
      {0, 0, 0},
  };
  for (const auto& k : cases) {
    ScriptedInput input{{InputState{k.buttons, k.modifiers, 0, 0}}};
    CDrawContext c(nullptr, nullptr, nullptr);
    c.setInputSource(&input);
    EXPECT_EQ(c.getMouseButtons(), k.expected) << k.buttons << "/" << k.modifiers;
  }
}

TEST(DrawContextInput, MouseLocationSubtractsOffsetScreen) {
  oxel::platform::ScriptedInput input{{{0, 0, 30, 40}}};
  CDrawContext c(nullptr, nullptr, nullptr);
  c.setInputSource(&input);
  c.offsetScreen(10, 5);
  CPoint p;
  c.getMouseLocation(p);
  EXPECT_EQ(p, CPoint(20, 35));
}

TEST(DrawContextInput, WaitDragUsesHalfOpenBoxAroundThePress) {
  using oxel::platform::InputState;
  using oxel::platform::kPrimaryButton;
  struct Case {
    const char* name;
    std::vector<InputState> steps;
    bool expected;
    size_t polls;
  } cases[] = {
      {"right by 2 leaves the box", {{kPrimaryButton, 0, 5, 5}, {kPrimaryButton, 0, 7, 5}}, true, 2},
      {"left by 2 stays inside",
       {{kPrimaryButton, 0, 5, 5}, {kPrimaryButton, 0, 3, 5}, {kPrimaryButton, 0, 2, 5}},
       true, 3},
      {"release ends it", {{kPrimaryButton, 0, 5, 5}, {kPrimaryButton, 0, 4, 5}, {0, 0, 4, 5}}, false, 3},
  };
  for (const auto& k : cases) {
    oxel::platform::ScriptedInput input{k.steps};
    CFrame frame(CRect(0, 0, 10, 10), nullptr, nullptr);
    frame.setInputSource(&input);
    CDrawContext* c = frame.createDrawContext();
    EXPECT_EQ(c->waitDrag(), k.expected) << k.name;
    EXPECT_EQ(input.polls(), k.polls) << k.name;
    c->forget();
  }
  CDrawContext orphan(nullptr, nullptr, nullptr);
  EXPECT_FALSE(orphan.waitDrag());
}

TEST(DrawContextInput, WaitDoubleClickTakesAQueuedPress) {
  oxel::platform::ScriptedInput input;
  CDrawContext c(nullptr, nullptr, nullptr);
  c.setInputSource(&input);
  EXPECT_FALSE(c.waitDoubleClick());
  input.queueMouseDown();
  EXPECT_TRUE(c.waitDoubleClick());
  EXPECT_FALSE(c.waitDoubleClick());
}

TEST(OffscreenContext, StartsInBackgroundColour) {
  COffscreenContext off(nullptr, 6, 5, kRedCColor);
  ASSERT_NE(off.getPort(), nullptr);
  EXPECT_EQ(picture(*off.getPort()), trimPicture(R"(
    rrrrrr
    rrrrrr
    rrrrrr
    rrrrrr
    rrrrrr)"));
  COffscreenContext none(nullptr, 0, 5, kRedCColor);
  EXPECT_EQ(none.getPort(), nullptr);
  Canvas canvas{3, 3};
  none.copyFrom(canvas.context, CRect(0, 0, 3, 3));  // no buffer: nothing
  EXPECT_EQ(canvas.pic(), "...\n...\n...");
}

TEST(OffscreenContext, CopyFromClipsSourceToBuffer) {
  COffscreenContext off(nullptr, 6, 5, kRedCColor);
  Canvas canvas{6, 6};
  off.copyFrom(canvas.context, CRect(0, 0, 5, 5), CPoint(4, 3));
  EXPECT_EQ(canvas.pic(), trimPicture(R"(
    rr....
    rr....
    ......
    ......
    ......
    ......)"));
  EXPECT_EQ(canvas.port.dirty(), (oxel::platform::PortRect{0, 0, 2, 2}));
}

TEST(OffscreenContext, CopyFromHonoursOffsetAndClipOfTarget) {
  COffscreenContext off(nullptr, 4, 4, kBlueCColor);
  Canvas canvas{6, 4};
  canvas.context->offset(1, 0);
  canvas.context->setClipRect(CRect(0, 1, 3, 3));
  off.copyFrom(canvas.context, CRect(0, 0, 4, 4));
  EXPECT_EQ(canvas.pic(), trimPicture(R"(
    ......
    .bbb..
    .bbb..
    ......)"));
}

TEST(OffscreenContext, CopyToReadsTheContextPort) {
  Canvas canvas{4, 3};
  canvas.context->drawPoint({2, 1}, kGreenCColor);
  COffscreenContext off(nullptr, 3, 3, kBlackCColor);
  CRect src(1, 0, 4, 3);
  off.copyTo(canvas.context, src, CPoint(0, 0));
  EXPECT_EQ(picture(*off.getPort()), trimPicture(R"(
    ...
    .g.
    ...)"));
}

TEST(DrawContextCoordinates, ExtremeValuesStayDefined) {
  // Runs clean under UBSan: every sum wraps, every pen is bounded.
  Canvas canvas{4, 4};
  CDrawContext& c = *canvas.context;
  c.setLineWidth(INT32_MAX);
  c.moveTo({INT32_MAX, INT32_MIN});
  c.lineTo({INT32_MIN, INT32_MAX});
  c.lineTo({INT32_MIN, INT32_MAX});
  c.drawRect(CRect(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN));
  c.drawRect(CRect(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN), kDrawFilledAndStroked);
  c.drawEllipse(CRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX));
  c.drawArc(CRect(0, 0, 4, 4), 1e30f, -1e30f);
  c.drawString("x", CRect(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX), true, kRightText);
  c.offset(INT32_MAX, INT32_MAX);
  c.setClipRect(CRect(INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX));
  c.fillRect(CRect(INT32_MAX, 0, 1, 1));
  SUCCEED();
}
