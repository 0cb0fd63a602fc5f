// Proves the platform services the toolkit leans on outside drawing rules:
// the dirty region a window flush relies on, the module folder that pictures
// are found beside, and the clock's units.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "CView.h"
#include "platform.h"

using namespace oxel::platform;

TEST(PixelPortDirty, PrimitivesAddTheirClippedArea) {
  PixelPort port{10, 10};
  EXPECT_TRUE(port.dirty().empty());
  PenState pen;
  pen.clip = {0, 0, 6, 10};
  paintRect(port, pen, {4, 2, 20, 4});
  EXPECT_EQ(port.dirty(), (PortRect{4, 2, 6, 4}));
  strokeLine(port, pen, 1, 8, 1, 8);
  EXPECT_EQ(port.takeDirty(), (PortRect{1, 2, 6, 9}));
  EXPECT_TRUE(port.dirty().empty());
  paintRect(port, pen, {7, 0, 9, 9});  // entirely outside the clip
  EXPECT_TRUE(port.dirty().empty());
}

TEST(PixelPortDirty, CopyReportsWhatItWrote) {
  PixelPort src{4, 4, 0xFF0000}, dst{8, 8};
  EXPECT_EQ(copyBlock(src, {2, 2, 6, 6}, dst, {0, 0, 4, 4}, dst.bounds()), (PortRect{0, 0, 2, 2}));
  EXPECT_EQ(dst.dirty(), (PortRect{0, 0, 2, 2}));
  EXPECT_EQ(copyBlock(src, {0, 0, 4, 4}, dst, {0, 0, 4, 4}, {5, 5, 8, 8}), (PortRect{}));
}

TEST(ModuleDirectory, IsTheResolvedFolderOfThisProgram) {
  char resolved[PATH_MAX];
  ASSERT_NE(::realpath(OXEL_BINARY_DIR "/tests/gui", resolved), nullptr);
  EXPECT_EQ(moduleDirectory(), std::string{resolved});
}

TEST(Clock, TicksAreSixtiethsOfTheMillisecondClock) {
  const uint32_t a = milliseconds();
  const uint32_t t = ticks();
  const uint32_t b = milliseconds();
  EXPECT_LE(a, b);
  EXPECT_GE(t, a * 60 / 1000);
  EXPECT_LE(t, b * 60 / 1000);
  EXPECT_EQ(kDoubleClickTicks * 1000 / 60, 500u);
}

TEST(Diagnostics, ViewInfoFormat) {
  CView view(CRect(1, 2, 4, 6));
  view.setMouseableArea(CRect(0, 0, 2, 2));
  testing::internal::CaptureStderr();
  view.dumpInfo();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "left:   1, top:   2, width:   3, height:   4 (Mouse Enabled)  (Mouseable Area: left:   0, top:   0, "
            "width:   2, height:   2 ");
}
