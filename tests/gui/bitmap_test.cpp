// Proves how bitmaps are found and drawn: the extension order and the
// embedded fallback, that missing, corrupt, truncated, oversized or garbage
// pictures leave an empty bitmap without crashing or printing, that film-strip
// offsets are clipped to the image, and the transparent, mask and blend
// copies pixel by pixel.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "pixel_picture.h"
#include "platform.h"

namespace fs = std::filesystem;
using oxel::platform::makePixel;
using oxel::platform::Pixel;
using oxel::platform::PixelPort;
using testing_pixels::picture;
using testing_pixels::portFrom;
using testing_pixels::trimPicture;

namespace {

std::vector<uint8_t> readFile(const fs::path& path) {
  std::ifstream in{path, std::ios::binary};
  return {std::istreambuf_iterator<char>{in}, std::istreambuf_iterator<char>{}};
}

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out{path, std::ios::binary};
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A 24-bit uncompressed BMP, written by hand so the test does not depend on
// the encoder under test.
std::vector<uint8_t> bmpFile(int32_t w, int32_t h, Pixel colour) {
  const int32_t rowBytes = (w * 3 + 3) & ~3;
  const uint32_t imageSize = static_cast<uint32_t>(rowBytes * h), fileSize = 54 + imageSize;
  std::vector<uint8_t> b(fileSize, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  b[0] = 'B', b[1] = 'M';
  put32(2, fileSize);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(h));
  b[26] = 1, b[28] = 24;
  put32(34, imageSize);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      size_t at = 54 + static_cast<size_t>(y * rowBytes + x * 3);
      b[at] = oxel::platform::blueOf(colour), b[at + 1] = oxel::platform::greenOf(colour),
      b[at + 2] = oxel::platform::redOf(colour);
    }
  return b;
}

// A temporary bundle folder with resources/, set as the bundle path for the
// test's duration.
class Bundle {
 public:
  Bundle() {
    root_ = fs::temp_directory_path() /
            ("oxel-gui-bundle-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    fs::create_directories(root_ / "resources");
    setBundlePath(root_.string());
  }
  ~Bundle() {
    setBundlePath("");
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path resource(const std::string& name) const { return root_ / "resources" / name; }
  void writePng(const std::string& name, const PixelPort& port) const {
    ASSERT_TRUE(oxel::platform::writePng(port, resource(name).string()));
  }

 private:
  static inline int counter_ = 0;
  fs::path root_;
};

PixelPort solid(int32_t w, int32_t h, Pixel p) { return PixelPort{w, h, p}; }

struct Canvas {
  PixelPort port;
  CDrawContext* context;
  explicit Canvas(PixelPort p) : port{std::move(p)}, context{new CDrawContext(nullptr, &port, &port)} {}
  ~Canvas() { context->forget(); }
};

// 30 x 100 strip whose pixel (x, y) is (0, y, x).
PixelPort strip() {
  PixelPort p{30, 100};
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 30; ++x) p.set(x, y, makePixel(0, static_cast<uint8_t>(y), static_cast<uint8_t>(x)));
  return p;
}

class CountingBitmap : public CBitmap {
 public:
  explicit CountingBitmap(int* deleted) : deleted_{deleted} {}
  ~CountingBitmap() override { ++*deleted_; }

 private:
  int* deleted_;
};

}  // namespace

TEST(BitmapLoading, PngIsTriedBeforeBmp) {
  Bundle bundle;
  bundle.writePng("bmp00005.png", solid(2, 2, 0xFF0000));
  writeFile(bundle.resource("bmp00005.bmp"), bmpFile(3, 3, 0x0000FF));
  CBitmap png(5);
  ASSERT_TRUE(png.isLoaded());
  EXPECT_EQ(png.getWidth(), 2);
  EXPECT_EQ(png.getHandle()->get(1, 1), 0xFF0000u);

  fs::remove(bundle.resource("bmp00005.png"));
  CBitmap bmp(5);
  ASSERT_TRUE(bmp.isLoaded());
  EXPECT_EQ(bmp.getWidth(), 3);
  EXPECT_EQ(bmp.getHandle()->get(2, 0), 0x0000FFu);
}

TEST(BitmapLoading, NumbersAreFiveDigitsOrLonger) {
  Bundle bundle;
  bundle.writePng("bmp00128.png", solid(1, 1, 0));
  bundle.writePng("bmp123456.png", solid(2, 1, 0));
  EXPECT_TRUE(CBitmap(128).isLoaded());
  EXPECT_EQ(CBitmap(123456).getWidth(), 2);
}

TEST(BitmapLoading, EmbeddedPictureIsTheFallback) {
  // bmp00777.png is compiled into this test program: 3 x 2, red green blue /
  // white black grey.
  {
    CBitmap embedded(777);  // no bundle at all
    ASSERT_TRUE(embedded.isLoaded());
    EXPECT_EQ(picture(*embedded.getHandle()), "rgb\n#.?");
  }
  Bundle bundle;
  // The first existing file decides: a corrupt png is not followed by the
  // valid bmp, but by the embedded copy (when there is one).
  writeFile(bundle.resource("bmp00777.png"), {'n', 'o', 't', ' ', 'p', 'n', 'g'});
  writeFile(bundle.resource("bmp00777.bmp"), bmpFile(4, 4, 0x00FF00));
  writeFile(bundle.resource("bmp00778.png"), {'n', 'o', 't', ' ', 'p', 'n', 'g'});
  writeFile(bundle.resource("bmp00778.bmp"), bmpFile(4, 4, 0x00FF00));
  CBitmap withEmbedded(777);
  EXPECT_EQ(withEmbedded.getWidth(), 3);
  CBitmap without(778);
  EXPECT_FALSE(without.isLoaded());
  EXPECT_EQ(without.getWidth(), 0);
}

TEST(BitmapLoading, MissingPictureIsEmptyAndDrawsNothing) {
  Bundle bundle;
  testing::internal::CaptureStdout();
  CBitmap missing(4242);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_FALSE(missing.isLoaded());
  EXPECT_EQ(missing.getWidth(), 0);
  EXPECT_EQ(missing.getHeight(), 0);
  EXPECT_FALSE(missing.loadFromResource(4242));
  Canvas canvas{solid(4, 4, 0x00FF00)};
  CRect r(0, 0, 4, 4);
  missing.draw(canvas.context, r);
  missing.drawTransparent(canvas.context, r);
  missing.drawAlphaBlend(canvas.context, r, CPoint(0, 0), 128);
  missing.draw(nullptr, r);
  EXPECT_EQ(picture(canvas.port), "gggg\ngggg\ngggg\ngggg");
}

TEST(BitmapLoading, ReloadDisposesTheOldImageFirst) {
  Bundle bundle;
  bundle.writePng("bmp00009.png", solid(2, 2, 0xFF0000));
  CBitmap b(9);
  ASSERT_TRUE(b.isLoaded());
  EXPECT_FALSE(b.loadFromResource(10));
  EXPECT_FALSE(b.isLoaded());
  EXPECT_TRUE(b.loadFromPath(("file://" + bundle.resource("bmp00009.png").string()).c_str()));
  EXPECT_FALSE(b.loadFromPath(nullptr));
  EXPECT_FALSE(b.isLoaded());
}

TEST(BitmapLoading, OversizedHeaderIsRejectedBeforeDecoding) {
  Bundle bundle;
  bundle.writePng("bmp00011.png", solid(1, 10, 0));
  std::vector<uint8_t> bytes = readFile(bundle.resource("bmp00011.png"));
  // IHDR width at bytes 16..19, big-endian: 40000.
  bytes[16] = 0, bytes[17] = 0, bytes[18] = 0x9C, bytes[19] = 0x40;
  EXPECT_EQ(oxel::platform::decodeImage(bytes), nullptr);
}

TEST(BitmapLoading, TruncatedAndGarbageFilesNeverCrash) {
  Bundle bundle;
  PixelPort image{9, 7};
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 9; ++x) image.set(x, y, makePixel(static_cast<uint8_t>(x * 20), 3, static_cast<uint8_t>(y * 30)));
  bundle.writePng("seed.png", image);
  const std::vector<std::vector<uint8_t>> seeds{readFile(bundle.resource("seed.png")), bmpFile(5, 3, 0x123456)};

  testing::internal::CaptureStdout();
  std::mt19937 random{1234};
  auto check = [](const std::vector<uint8_t>& bytes) {
    auto decoded = oxel::platform::decodeImage(bytes);
    if (decoded) {
      EXPECT_GT(decoded->width(), 0);
      EXPECT_LE(decoded->width(), 32767);
      EXPECT_GT(decoded->height(), 0);
    }
  };
  for (const auto& seed : seeds) {
    for (size_t n = 0; n < seed.size(); ++n) check({seed.begin(), seed.begin() + static_cast<ptrdiff_t>(n)});
    for (int round = 0; round < 300; ++round) {
      std::vector<uint8_t> bytes = seed;
      for (int flips = 1 + round % 8; flips > 0; --flips) bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
      check(bytes);
    }
  }
  for (int round = 0; round < 100; ++round) {
    std::vector<uint8_t> garbage(random() % 512);
    for (auto& b : garbage) b = static_cast<uint8_t>(random());
    if (round % 2 && garbage.size() >= 8) std::copy_n("\x89PNG\r\n\x1a\n", 8, garbage.begin());
    check(garbage);
  }
  // The same through the loader: a truncated file leaves the bitmap empty.
  const auto& png = seeds[0];
  writeFile(bundle.resource("bmp00012.png"), {png.begin(), png.begin() + static_cast<ptrdiff_t>(png.size() / 2)});
  CBitmap truncated(12);
  EXPECT_FALSE(truncated.isLoaded());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(BitmapDrawing, FilmStripFrameSelectsSourceRows) {
  Bundle bundle;
  bundle.writePng("bmp00020.png", strip());
  CBitmap b(20);
  ASSERT_TRUE(b.isLoaded());
  Canvas canvas{PixelPort{30, 20}};
  CRect r(0, 0, 30, 20);
  b.draw(canvas.context, r, CPoint(0, 40));
  for (int32_t y : {0, 19})
    for (int32_t x : {0, 29}) EXPECT_EQ(canvas.port.get(x, y), makePixel(0, static_cast<uint8_t>(40 + y), static_cast<uint8_t>(x)));
}

TEST(BitmapDrawing, SourceBeyondTheImageLeavesDestinationUnchanged) {
  Bundle bundle;
  bundle.writePng("bmp00021.png", strip());
  CBitmap b(21);
  const Pixel sentinel = 0xFFFF00;
  struct Case {
    CPoint offset;
    int32_t firstSourceRow;  // destination row 0 reads this source row
  } cases[] = {{{0, 90}, 90}, {{0, -10}, -10}, {{0, 2112 + 1056}, 3168}, {{-25, 0}, 0}};
  for (const auto& k : cases) {
    Canvas canvas{PixelPort{30, 20, sentinel}};
    CRect r(0, 0, 30, 20);
    b.draw(canvas.context, r, k.offset);
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 0; x < 30; ++x) {
        const int32_t sy = k.firstSourceRow + y, sx = k.offset.h + x;
        const Pixel expected = (sy >= 0 && sy < 100 && sx >= 0 && sx < 30)
                                   ? makePixel(0, static_cast<uint8_t>(sy), static_cast<uint8_t>(sx))
                                   : sentinel;
        ASSERT_EQ(canvas.port.get(x, y), expected) << k.offset.h << "," << k.offset.v << " at " << x << "," << y;
      }
  }
}

TEST(BitmapDrawing, DrawAddsContextOffsetAndRespectsClip) {
  Bundle bundle;
  bundle.writePng("bmp00022.png", solid(4, 4, 0xFF0000));
  CBitmap b(22);
  Canvas canvas{PixelPort{6, 4}};
  canvas.context->offset(1, 0);
  canvas.context->setClipRect(CRect(0, 1, 3, 3));
  CRect r(0, 0, 4, 4);
  b.draw(canvas.context, r);
  EXPECT_EQ(picture(canvas.port), trimPicture(R"(
    ......
    .rrr..
    .rrr..
    ......)"));
}

TEST(BitmapDrawing, TransparentColourIsLeftOut) {
  Bundle bundle;
  bundle.writePng("bmp00030.png", portFrom(R"(
    #r.
    .#b)"));
  CBitmap b(30);
  {
    Canvas canvas{PixelPort{3, 2, 0x00FF00}};
    CRect r(0, 0, 3, 2);
    b.drawTransparent(canvas.context, r);  // default key: white
    EXPECT_EQ(picture(canvas.port), "gr.\n.gb");
  }
  {
    b.setTransparentColor(kBlackCColor);
    Canvas canvas{PixelPort{3, 2, 0x00FF00}};
    CRect r(0, 0, 3, 2);
    b.drawTransparent(canvas.context, r);
    EXPECT_EQ(picture(canvas.port), "#rg\ng#b");
  }
}

TEST(BitmapDrawing, MaskFromContextReplacesColourKey) {
  Bundle bundle;
  bundle.writePng("bmp00031.png", portFrom(R"(
    ###
    rrr)"));
  CBitmap b(31);
  // The mask comes from what the context shows at the offset: clear where it
  // shows the key colour (white), and outside the port.
  Canvas source{portFrom(R"(
    ..#.
    .#..)")};
  b.setTransparencyMask(source.context, CPoint(1, 0));
  Canvas target{PixelPort{3, 2, 0x0000FF}};
  CRect r(0, 0, 3, 2);
  b.drawTransparent(target.context, r);
  // Mask rows: 1 0 1 / 0 1 1. The white (key) pixels with their bit set are
  // written; colours are no longer compared.
  EXPECT_EQ(picture(target.port), "#b#\nbrr");
}

TEST(BitmapDrawing, AlphaBlendRoundsOnce) {
  struct Case {
    uint8_t s, d, alpha, expected;
  } cases[] = {{200, 200, 128, 200}, {1, 1, 128, 1},  {100, 200, 100, 161},
               {37, 220, 255, 37},   {37, 220, 0, 220}, {255, 0, 128, 128}};
  for (const auto& k : cases) {
    PixelPort src{1, 1, makePixel(k.s, k.s, k.s)};
    PixelPort dst{1, 1, makePixel(k.d, 0, k.d)};
    oxel::platform::CopyParams params{oxel::platform::CopyMode::blend};
    params.alpha = k.alpha;
    oxel::platform::copyBlock(src, {0, 0, 1, 1}, dst, {0, 0, 1, 1}, {0, 0, 1, 1}, params);
    EXPECT_EQ(dst.get(0, 0), makePixel(k.expected, static_cast<uint8_t>((k.s * k.alpha + 127) / 255), k.expected))
        << int(k.s) << " " << int(k.d) << " " << int(k.alpha);
  }
}

TEST(BitmapDrawing, AlphaBlendThroughBitmapCoversWholeRect) {
  Bundle bundle;
  bundle.writePng("bmp00032.png", solid(2, 2, 0xFFFFFF));
  CBitmap b(32);
  Canvas canvas{PixelPort{3, 2, 0}};
  CRect r(0, 0, 3, 2);
  b.drawAlphaBlend(canvas.context, r, CPoint(0, 0), 255);  // the key colour is not honoured
  EXPECT_EQ(picture(canvas.port), "##.\n##.");
}

TEST(BitmapLifetime, LastForgetDeletes) {
  int deleted = 0;
  auto* b = new CountingBitmap(&deleted);
  b->remember();
  b->forget();
  EXPECT_EQ(deleted, 0);
  EXPECT_EQ(b->getNbReference(), 1);
  b->forget();
  EXPECT_EQ(deleted, 1);
}

TEST(BitmapLifetime, DrawingTargetStartsZeroFilled) {
  CFrame frame(CRect(0, 0, 4, 3), nullptr, nullptr);
  CBitmap target(frame, 4, 3);
  ASSERT_TRUE(target.isLoaded());
  EXPECT_EQ(picture(*target.getHandle()), "....\n....\n....");
  CBitmap none(frame, 0, 3);
  EXPECT_FALSE(none.isLoaded());
  // An offscreen context drawing into the bitmap writes its pixels.
  COffscreenContext into(nullptr, &target, true);
  into.drawPoint({1, 1}, kRedCColor);
  EXPECT_EQ(target.getHandle()->get(1, 1), 0xFF0000u);
}
