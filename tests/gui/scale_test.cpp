// Drawing at 2x and 3x: every pen and fill primitive paints exactly the 1x
// pixels as N x N blocks (clip, offset and dirty area included), text is set
// at N times its size instead of being enlarged, pictures come from their
// bmpNNNNN@Nx.png when it has exactly N times the size and are otherwise the
// 1x picture with every pixel repeated, and the headless window hands up
// logical positions and areas for device ones. The choice of the scale:
// rounding of host factors, Xft.dpi thresholds and the resource text, and
// the order override > host > desktop > 1.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "headless_parent.h"
#include "platform.h"
#include "popup_menu.h"
#include "window.h"

namespace fs = std::filesystem;
namespace platform = oxel::platform;
using platform::makePixel;
using platform::Pixel;
using platform::PixelPort;

namespace {

constexpr int32_t kW = 14, kH = 11;

// Number of pixels where a and b differ (sizes must match).
int differing(const PixelPort& a, const PixelPort& b) {
  EXPECT_EQ(a.width(), b.width());
  EXPECT_EQ(a.height(), b.height());
  int n = 0;
  for (int32_t y = 0; y < a.height(); ++y)
    for (int32_t x = 0; x < a.width(); ++x)
      n += (a.get(x, y) & 0xFFFFFF) != (b.get(x, y) & 0xFFFFFF);
  return n;
}

std::unique_ptr<PixelPort> portAt(int32_t scale, int32_t w = kW, int32_t h = kH) {
  auto p = std::make_unique<PixelPort>(w * scale, h * scale);
  p->setScale(scale);
  return p;
}

TEST(Scale, EveryPenAndFillPrimitivePaintsThe1xPixelsAsBlocks) {
  struct Case {
    const char* name;
    std::function<void(CDrawContext&)> draw;
  };
  const CPoint ell[] = {{1, 1}, {9, 1}, {9, 4}, {5, 4}, {5, 9}, {1, 9}};
  const Case cases[] = {
      {"horizontal line",
       [](CDrawContext& c) {
         c.moveTo({1, 2}), c.lineTo({11, 2});
       }},
      {"reversed line",
       [](CDrawContext& c) {
         c.moveTo({11, 3}), c.lineTo({1, 3});
       }},
      {"vertical line",
       [](CDrawContext& c) {
         c.moveTo({4, 0}), c.lineTo({4, 9});
       }},
      {"zero-length line",
       [](CDrawContext& c) {
         c.moveTo({6, 6}), c.lineTo({6, 6});
       }},
      {"pen width 3",
       [](CDrawContext& c) {
         c.setLineWidth(3);
         c.moveTo({2, 2}), c.lineTo({8, 2});
       }},
      {"stroked rectangle",
       [](CDrawContext& c) {
         c.drawRect({1, 1, 12, 10});
       }},
      {"fillRect leaves its top row and left column",
       [](CDrawContext& c) {
         c.setFillColor(kRedCColor);
         c.fillRect({2, 2, 9, 8});
       }},
      {"display box: fill then frame",
       [](CDrawContext& c) {
         c.setFillColor(kBlackCColor);
         c.setFrameColor(kBlueCColor);
         c.drawRect({3, 2, 12, 9}, kDrawFilledAndStroked);
       }},
      {"rectilinear polygon",
       [&ell](CDrawContext& c) {
         c.setFillColor(kGreenCColor);
         c.fillPolygon(ell, 6);
       }},
      {"points",
       [](CDrawContext& c) {
         c.drawPoint({0, 0}, kRedCColor), c.drawPoint({13, 10}, kBlueCColor);
       }},
      {"clip and offset",
       [](CDrawContext& c) {
         c.offset(2, 1);
         c.setClipRect({1, 1, 6, 5});
         c.setFillColor(kYellowCColor);
         c.drawRect({-5, -5, 30, 30}, kDrawFilled);
       }},
      {"flood fill inside a frame",
       [](CDrawContext& c) {
         c.drawRect({2, 2, 10, 9});
         c.setFillColor(kMagentaCColor);
         c.floodFill({5, 5});
       }},
  };
  for (const Case& k : cases) {
    auto one = portAt(1);
    CDrawContext c1{nullptr, one.get(), one.get()};
    k.draw(c1);
    for (int32_t n : {2, 3}) {
      auto dense = portAt(n);
      CDrawContext cn{nullptr, dense.get(), dense.get()};
      k.draw(cn);
      EXPECT_EQ(differing(*dense, *platform::replicatePixels(*one, n)), 0)
          << k.name << " at " << n << "x";
      EXPECT_EQ(dense->dirty(), platform::toDevice(one->dirty(), n))
          << k.name << " at " << n << "x";
      EXPECT_EQ(cn.getPoint({5, 5}), c1.getPoint({5, 5})) << k.name;
    }
  }
}

TEST(Scale, TextIsSetAtTheScaledSizeNotEnlarged) {
  auto ink = [](const PixelPort& p) {
    platform::PortRect box{p.width(), p.height(), 0, 0};
    for (int32_t y = 0; y < p.height(); ++y)
      for (int32_t x = 0; x < p.width(); ++x)
        if (p.get(x, y) & 0xFFFFFF)
          box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                 std::max(box.bottom, y + 1)};
    return box;
  };
  auto one = portAt(1, 60, 16);
  auto two = portAt(2, 60, 16);
  std::vector<int32_t> widths;
  for (PixelPort* p : {one.get(), two.get()}) {
    CDrawContext c{nullptr, p, p};
    c.setFont(kNormalFontSmall);
    c.drawString("AZIMUTH 270.00", CRect(0, 0, 60, 16));
    widths.push_back(c.getStringWidth("AZIMUTH 270.00"));
  }
  EXPECT_EQ(widths[0], widths[1]) << "widths are measured in logical pixels";
  const platform::PortRect a = ink(*one), b = ink(*two);
  ASSERT_FALSE(a.empty());
  // Centred in the same box, twice as large within a pixel or two of hinting.
  EXPECT_NEAR(b.width(), 2 * a.width(), 4);
  EXPECT_NEAR(b.height(), 2 * a.height(), 3);
  EXPECT_NEAR(b.left + b.right, 2 * (a.left + a.right), 4);
  // Sharp: many 2 x 2 blocks are not one colour, which an enlarged 1x
  // rendering never shows.
  int mixedBlocks = 0;
  for (int32_t y = 0; y + 1 < two->height(); y += 2)
    for (int32_t x = 0; x + 1 < two->width(); x += 2) {
      const Pixel p = two->get(x, y);
      mixedBlocks +=
          two->get(x + 1, y) != p || two->get(x, y + 1) != p || two->get(x + 1, y + 1) != p;
    }
  EXPECT_GT(mixedBlocks, 40);
}

// A bundle folder with its resources/, set as the bitmaps' bundle for the
// test's life.
class DensePictures : public ::testing::Test {
 protected:
  void SetUp() override {
    saved = getBundlePath();
    // A folder of each test's own: ctest runs them side by side.
    dir = fs::path{::testing::TempDir()} /
          (std::string{"oxel-dense-"} +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "resources");
    setBundlePath(dir.string());
  }
  void TearDown() override {
    setBundlePath(saved);
    fs::remove_all(dir);
  }
  // A w x h picture whose pixel (x, y) is seed + x + 16 * y in each channel.
  static PixelPort pattern(int32_t w, int32_t h, int seed) {
    PixelPort p{w, h};
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) {
        const auto v = static_cast<uint8_t>(seed + x + 16 * y);
        p.set(x, y, makePixel(v, static_cast<uint8_t>(v + 1), static_cast<uint8_t>(v + 2)));
      }
    return p;
  }
  void write(const std::string& name, const PixelPort& p) {
    ASSERT_TRUE(platform::writePng(p, (dir / "resources" / name).string()));
  }
  // The bitmap drawn whole into a port of scale n at (1, 1).
  static std::unique_ptr<PixelPort> drawn(CBitmap& b, int32_t n, CPoint offset = {0, 0}) {
    auto port = portAt(n, 8, 6);
    CDrawContext c{nullptr, port.get(), port.get()};
    CRect r{1, 1, 1 + b.getWidth(), 1 + b.getHeight() - offset.v};
    b.draw(&c, r, offset);
    return port;
  }
  std::string saved;
  fs::path dir;
};

TEST_F(DensePictures, TheDenserFileIsUsedOnlyWhenItHasExactlyNTimesTheSize) {
  const PixelPort small = pattern(3, 2, 10);
  write("bmp00901.png", small);
  const PixelPort two = pattern(6, 4, 100);
  write("bmp00901@2x.png", two);
  write("bmp00901@3x.png", pattern(8, 6, 50));  // not 9 x 6: not used
  CBitmap b{901};
  ASSERT_TRUE(b.isLoaded());
  EXPECT_EQ(b.getWidth(), 3);
  EXPECT_EQ(b.getHeight(), 2);

  // At 1x the 1x picture, at 2x the 2x file pixel for pixel.
  auto at1 = drawn(b, 1);
  EXPECT_EQ(at1->get(1, 1), small.get(0, 0));
  EXPECT_EQ(at1->get(3, 2), small.get(2, 1));
  auto at2 = drawn(b, 2);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 6; ++x)
      EXPECT_EQ(at2->get(2 + x, 2 + y), two.get(x, y)) << x << "," << y;
  EXPECT_EQ(at2->get(1, 1), 0u);  // outside the destination
  // A film-strip offset is in 1x pixels: row 1 is device rows 2 and 3.
  auto strip = drawn(b, 2, {0, 1});
  EXPECT_EQ(strip->get(2, 2), two.get(0, 2));
  EXPECT_EQ(strip->get(7, 3), two.get(5, 3));
  EXPECT_EQ(strip->get(2, 4), 0u);

  // At 3x the wrong-sized file is ignored: the 1x picture repeated.
  auto at3 = drawn(b, 3);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 9; ++x)
      EXPECT_EQ(at3->get(3 + x, 3 + y), small.get(x / 3, y / 3)) << x << "," << y;
}

TEST_F(DensePictures, WithoutADenserPictureTheKeyedCopyRepeatsThe1xPixels) {
  PixelPort keyed = pattern(3, 2, 10);
  keyed.set(1, 0, 0xFFFFFF);  // the key colour
  write("bmp00902.png", keyed);
  CBitmap b{902};
  auto port = portAt(2, 8, 6);
  port->fillAll(makePixel(1, 2, 3));
  CDrawContext c{nullptr, port.get(), port.get()};
  CRect r{0, 0, 3, 2};
  b.drawTransparent(&c, r);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      const Pixel expected =
          x / 2 == 1 && y / 2 == 0 ? makePixel(1, 2, 3) : keyed.get(x / 2, y / 2);
      EXPECT_EQ(port->get(x, y) & 0xFFFFFF, expected) << x << "," << y;
    }
  // A picture loaded from a path has no number: it is always repeated.
  CBitmap byPath;
  write("bmp00903@2x.png", pattern(6, 4, 100));
  ASSERT_TRUE(byPath.loadFromPath((dir / "resources" / "bmp00902.png").c_str()));
  EXPECT_EQ(drawn(byPath, 2)->get(2, 2), keyed.get(0, 0));
}

TEST(Scale, OffscreenBuffersHaveTheDensityOfTheirPort) {
  auto two = portAt(2);
  CDrawContext window{nullptr, two.get(), two.get()};
  COffscreenContext off{&window, nullptr};  // 20 x 20 logical
  ASSERT_NE(off.getPort(), nullptr);
  EXPECT_EQ(off.getPort()->width(), 40);
  EXPECT_EQ(off.getPort()->scale(), 2);
  off.setFillColor(kRedCColor);
  off.drawRect({0, 0, 3, 3}, kDrawFilled);
  off.copyFrom(&window, CRect(4, 4, 7, 7));
  EXPECT_EQ(two->get(8, 8) & 0xFFFFFF, makePixel(255, 0, 0));
  EXPECT_EQ(two->get(13, 13) & 0xFFFFFF, makePixel(255, 0, 0));
  EXPECT_EQ(two->get(14, 14) & 0xFFFFFF, 0u);
}

TEST(Scale, PopUpMenusAreLaidOutAndDrawnAtTheScale) {
  platform::PopupMenuLevel menu{1, {}};
  for (const char* t : {"Omni", "Cardioid", "Figure of eight"}) {
    platform::PopupItem item;
    item.text = t;
    menu.items.push_back(item);
  }
  platform::PopupItem separator;
  separator.kind = platform::PopupItem::Kind::separator;
  menu.items.insert(menu.items.begin() + 1, separator);
  const platform::PopupLayout one = platform::layoutPopupMenu(menu);
  for (int32_t n : {2, 3}) {
    const platform::PopupLayout dense = platform::layoutPopupMenu(menu, n);
    EXPECT_EQ(dense.height, n * one.height);
    ASSERT_EQ(dense.itemTop.size(), one.itemTop.size());
    for (size_t i = 0; i < one.itemTop.size(); ++i) EXPECT_EQ(dense.itemTop[i], n * one.itemTop[i]);
    EXPECT_NEAR(dense.width, n * one.width, 2 * n);
    auto picture = platform::renderPopupMenu(menu, 0, n);
    EXPECT_EQ(picture->width(), dense.width);
    EXPECT_EQ(picture->height(), dense.height);
    // Item i is under the pointer at its scaled place.
    platform::PopupMenuTree tree{{menu}};
    platform::PopupNavigator nav{tree, 100, 50, {0, 0, 1024, 768}, n};
    nav.pointerAt(100 + 10 * n, 50 + one.itemTop[2] * n + n);
    EXPECT_EQ(nav.levels().front().highlighted, 2) << n;
  }
}

TEST(Scale, TheHeadlessWindowHandsUpLogicalPositionsAndAreas) {
  struct Sink : platform::WindowEventSink {
    void windowExposed(const platform::PortRect& a) override { areas.push_back(a); }
    void windowMouseDown(int32_t x, int32_t y) override { downs.push_back({x, y}); }
    void windowWheel(int32_t x, int32_t y, float) override { downs.push_back({x, y}); }
    void windowKey(const platform::KeyStroke&, bool) override {}
    std::vector<platform::PortRect> areas;
    std::vector<CPoint> downs;
  } sink;
  OxelHeadlessParent record{};
  record.magic = OXEL_HEADLESS_PARENT_MAGIC;
  record.version = OXEL_HEADLESS_PARENT_VERSION;
  // Device pixels: (7, 5) is logical (3, 2) at 2x, (2, 1) at 3x.
  record.script = "press 7 5\nrelease 7 5\nwheel up 12 1\n";
  for (int32_t n : {2, 3}) {
    sink.areas.clear();
    sink.downs.clear();
    auto window = platform::openEditorWindow(&record, 10, 8, n);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(record.width, 10 * n);
    EXPECT_EQ(record.height, 8 * n);
    for (int i = 0; i < 10; ++i) window->dispatchEvents(sink, 0, false), window->hostIdlePassed();
    ASSERT_EQ(sink.areas.size(), 1u);
    EXPECT_EQ(sink.areas[0], (platform::PortRect{0, 0, 10, 8}));
    ASSERT_EQ(sink.downs.size(), 2u);
    EXPECT_EQ(sink.downs[0], (CPoint{7 / n, 5 / n}));
    EXPECT_EQ(sink.downs[1], (CPoint{12 / n, 1 / n}));
    window->resize(12, 9);
    EXPECT_EQ(window->port().width(), 12 * n);
    EXPECT_EQ(window->port().scale(), n);
  }
}

TEST(ScaleChoice, FactorsDpiAndResourceText) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<double, int32_t> factors[] = {{1.0, 1}, {1.49, 1}, {1.5, 2},  {2.0, 2},
                                                {2.5, 3}, {4.0, 3},  {0.75, 1}, {0.2, 1},
                                                {0.0, 0}, {-2.0, 0}, {nan, 0}};
  for (auto [factor, scale] : factors)
    EXPECT_EQ(platform::scaleFromFactor(factor), scale) << factor;
  const std::pair<double, int32_t> dpis[] = {{96, 1},  {143.9, 1}, {144, 2}, {192, 2},
                                             {239, 2}, {240, 3},   {384, 3}, {0, 0}};
  for (auto [dpi, scale] : dpis) EXPECT_EQ(platform::scaleFromDpi(dpi), scale) << dpi;
  const std::pair<const char*, double> resources[] = {
      {"Xft.dpi:\t192\n", 192},
      {"Xft.antialias:\t1\nXft.dpi:\t144\nXft.hinting:\t1\n", 144},
      {"Xft.dpi: 96\nXft.dpi:\t240", 240},  // the last one counts
      {"Xft.dpi:\tlarge\n", 0},
      {"Xft.dpix:\t192\n*dpi:\t192\n", 0},
      {"", 0},
      {nullptr, 0},
  };
  for (auto [text, dpi] : resources)
    EXPECT_EQ(platform::xftDpiFromResources(text), dpi) << (text ? text : "null");
}

TEST(ScaleChoice, TheOverrideWinsThenTheHostThenOne) {
  // Headless editors never ask the desktop, so without a host factor or an
  // override the answer is 1 (askDesktop false, as a headless open asks).
  struct Row {
    const char* env;  // null: unset
    double host;
    int32_t scale;
  };
  const Row rows[] = {
      {nullptr, 0, 1}, {nullptr, 1.5, 2}, {nullptr, 3.0, 3}, {"2", 0, 2}, {"3", 1.0, 3},
      {"1", 2.0, 1},   {"0", 2.0, 2},     {"two", 3.0, 3},   {"9", 0, 3},
  };
  for (const Row& r : rows) {
    if (r.env)
      ::setenv("OXEL_UI_SCALE", r.env, 1);
    else
      ::unsetenv("OXEL_UI_SCALE");
    EXPECT_EQ(platform::chooseEditorScale(r.host, false), r.scale)
        << (r.env ? r.env : "unset") << " host " << r.host;
  }
  ::unsetenv("OXEL_UI_SCALE");
}

}  // namespace
