// oxel at 2x: `oxel shot --scale 2` writes the editor's 2x picture (the same
// as a host sees headless at that scale), `oxel gallery --scale 2` matches its
// reviewed picture with the pop-up menu and the about picture open, and a
// scale oxel cannot draw is a usage error. Regenerate the gallery picture on
// purpose only, on the reference Debian 12 machine:
//   OXEL_UPDATE_GOLDENS=1 oxel_tests --gtest_filter='OxelScale*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "oxel_test_support.h"
#include "platform.h"

namespace oxel_test {
namespace {

const std::string kData = std::string{OXEL_SOURCE_DIR} + "/tests/scale/data/";

int differing(const oxel::platform::PixelPort& a, const oxel::platform::PixelPort& b) {
  int n = 0;
  for (int32_t y = 0; y < a.height(); ++y)
    for (int32_t x = 0; x < a.width(); ++x)
      n += (a.get(x, y) & 0xFFFFFF) != (b.get(x, y) & 0xFFFFFF);
  return n;
}

TEST(OxelScale, ShotAt2xIsTheEditorsReviewed2xPicture) {
  ScratchDir dir;
  const struct {
    const std::string& plugin;
    const char* golden;
    int32_t width, height;
  } cases[] = {{kPelrin, "Pelrin_fresh@2x.png", 448, 480},
               {kTavrel, "Tavrel_fresh@2x.png", 376, 432}};
  for (const auto& c : cases) {
    const RunResult r = runOxel({"shot", c.plugin, dir / "shot.png", "--scale", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto shot = oxel::platform::decodeImageFile(dir / "shot.png");
    const auto golden = oxel::platform::decodeImageFile(kData + c.golden);
    ASSERT_TRUE(shot && golden) << c.golden;
    ASSERT_EQ(shot->width(), c.width);
    ASSERT_EQ(shot->height(), c.height);
    ASSERT_EQ(golden->width(), c.width);
    EXPECT_EQ(differing(*shot, *golden), 0) << c.golden;
  }
}

TEST(OxelScale, GalleryAt2xWithTheMenuOpenMatchesItsReviewedPicture) {
  ScratchDir dir;
  ::unsetenv("OXEL_UI_SCALE");
  const RunResult r = runOxel({"gallery", dir / "gallery.png", "--scale", "2"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string golden = kData + "gallery_menu_open@2x.png";
  auto actual = oxel::platform::decodeImageFile(dir / "gallery.png");
  ASSERT_TRUE(actual);
  EXPECT_EQ(actual->width(), 2 * 864);
  EXPECT_EQ(actual->height(), 2 * 348);
  if (std::getenv("OXEL_UPDATE_GOLDENS")) {
    ASSERT_TRUE(oxel::platform::writePng(*actual, golden));
    GTEST_SKIP() << "golden rewritten: " << golden;
  }
  const auto expected = oxel::platform::decodeImageFile(golden);
  ASSERT_TRUE(expected) << "missing " << golden << " (OXEL_UPDATE_GOLDENS=1 writes it)";
  ASSERT_EQ(expected->width(), actual->width());
  ASSERT_EQ(expected->height(), actual->height());
  const int n = differing(*actual, *expected);
  if (n)
    oxel::platform::writePng(*actual,
                             std::string{OXEL_BINARY_DIR} + "/gallery_menu_open@2x-actual.png");
  EXPECT_EQ(n, 0) << "the actual picture is in the build folder";
}

TEST(OxelScale, AScaleOutsideOneToThreeIsAUsageError) {
  ScratchDir dir;
  for (const char* bad : {"0", "4", "1.5", "two"}) {
    EXPECT_EQ(runOxel({"shot", kPelrin, dir / "x.png", "--scale", bad}).status, 2) << bad;
    EXPECT_EQ(runOxel({"gallery", dir / "x.png", "--scale", bad}).status, 2) << bad;
  }
  EXPECT_EQ(runOxel({"edit", kPelrin, "--scale", "4"}).status, 2);
}

}  // namespace
}  // namespace oxel_test
