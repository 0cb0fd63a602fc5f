// oxel gallery without a display: the picture has the gallery's size, the
// option menu's pop-up is open over it with its lit row, the meters are lit
// by their test signal, the about picture is open; --closed leaves both
// closed; and a wrong command line is a usage error.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "oxel_test_support.h"
#include "platform.h"

namespace oxel_test {
namespace {

using oxel::platform::makePixel;

// Runs oxel with DISPLAY unset, as on a machine without X.
RunResult runWithoutDisplay(const std::vector<std::string>& args) {
  const char* display = std::getenv("DISPLAY");
  const std::string saved = display ? display : "";
  ::unsetenv("DISPLAY");
  RunResult result = runOxel(args);
  if (display) ::setenv("DISPLAY", saved.c_str(), 1);
  return result;
}

int countColour(const oxel::platform::PixelPort& p, oxel::platform::PortRect area, oxel::platform::Pixel colour) {
  int n = 0;
  for (int32_t y = area.top; y < area.bottom; ++y)
    for (int32_t x = area.left; x < area.right; ++x) n += (p.get(x, y) & 0xFFFFFF) == colour;
  return n;
}

TEST(OxelGallery, DrawsEveryControlWithTheMenuAndAboutPictureOpen) {
  ScratchDir dir;
  const RunResult open = runWithoutDisplay({"gallery", dir / "open.png"});
  ASSERT_EQ(open.status, 0) << open.err;
  const RunResult closed = runWithoutDisplay({"gallery", dir / "closed.png", "--closed"});
  ASSERT_EQ(closed.status, 0) << closed.err;
  const auto a = oxel::platform::decodeImageFile(dir / "open.png");
  const auto b = oxel::platform::decodeImageFile(dir / "closed.png");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->width(), 864);
  EXPECT_EQ(a->height(), 348);
  const oxel::platform::Pixel highlight = makePixel(56, 104, 164);
  const oxel::platform::PortRect underMenu{132, 190, 480, 340};
  EXPECT_GT(countColour(*a, underMenu, highlight), 500);  // a lit row in each level
  EXPECT_EQ(countColour(*b, underMenu, highlight), 0);
  // The about area shows the picture (its text and emblem) only when open.
  int changed = 0;
  for (int32_t y = 60; y < 270; ++y)
    for (int32_t x = 640; x < 830; ++x) changed += a->get(x, y) != b->get(x, y);
  EXPECT_GT(changed, 3000);
  // Both meters show lit segments (the strips' green) in the lower bar.
  for (int32_t x : {578, 598}) {
    int lit = 0;
    for (int32_t y = 160; y < 240; ++y) lit += oxel::platform::greenOf(a->get(x, y)) > 150;
    EXPECT_GT(lit, 20) << x;
  }
}

TEST(OxelGallery, CommandLineErrors) {
  EXPECT_EQ(runOxel({"gallery"}).status, 2);
  EXPECT_EQ(runOxel({"edit", "--gallery", kPelrin}).status, 2);
  EXPECT_EQ(runOxel({"edit"}).status, 2);
}

}  // namespace
}  // namespace oxel_test
