// oxel demo, with no input at all, writes the scene in both conventions, a
// render per recipe, pictures of the editors, and a summary naming each file
// and its command.
#include <gtest/gtest.h>

#include "oxel_test_support.h"

namespace oxel_test {
namespace {

TEST(OxelDemo, WritesTheSceneTheRendersAndTheSummary) {
  ScratchDir dir;
  const RunResult run = runOxel({"demo", "--out", dir / "demo", "--pelrin", kPelrin,
                                 "--tavrel", kTavrel});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string summary = slurp(dir / "demo/summary.txt");
  const struct {
    const char* file;
    int channels;
  } files[] = {
      {"scene.wav", 4},
      {"scene-ambix.wav", 4},
      {"pelrin-xy-cardioid.wav", 2},
      {"pelrin-blumlein.wav", 2},
      {"pelrin-mid-side.wav", 2},
      {"pelrin-omni.wav", 2},
      {"pelrin-follow-voice.wav", 2},
      {"pelrin-from-ambix.wav", 2},
      {"tavrel-rotation-sweep.wav", 4},
      {"tavrel-head-tracking-ambix.wav", 4},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.file);
    EXPECT_NE(summary.find(f.file), std::string::npos);
    const Audio audio = readAudio(dir / ("demo/" + std::string{f.file}));
    EXPECT_EQ(audio.channels, f.channels);
    EXPECT_EQ(audio.frames(), 8u * 48000u);
  }
  EXPECT_NE(summary.find("oxel render"), std::string::npos);
  // The editor pictures: PNGs of the editor's size (read from the header).
  struct Picture {
    const char* file;
    uint32_t width, height;
  };
  for (const Picture& p :
       {Picture{"pelrin-editor.png", 224, 240}, Picture{"pelrin-editor-xy.png", 224, 240},
        Picture{"pelrin-editor-blumlein-aimed.png", 224, 240},
        Picture{"tavrel-editor.png", 188, 216}, Picture{"tavrel-editor-turned.png", 188, 216}}) {
    const char* file = p.file;
    SCOPED_TRACE(file);
    EXPECT_NE(summary.find(std::string{file} + "  "), std::string::npos);
    const std::string png = slurp(dir / ("demo/" + std::string{file}));
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    auto big = [&](size_t at) {
      return (static_cast<uint8_t>(png[at]) << 24) | (static_cast<uint8_t>(png[at + 1]) << 16) |
             (static_cast<uint8_t>(png[at + 2]) << 8) | static_cast<uint8_t>(png[at + 3]);
    };
    EXPECT_EQ(big(16), p.width);
    EXPECT_EQ(big(20), p.height);
  }
  EXPECT_NE(summary.find("--set 'Order of Processing=0.6'"), std::string::npos);
  // The AmbiX render matches the FuMa one: the conversion and the recipe agree.
  const Audio a = readAudio(dir / "demo/pelrin-xy-cardioid.wav");
  const Audio b = readAudio(dir / "demo/pelrin-from-ambix.wav");
  EXPECT_EQ(firstMismatch(a.samples, b.samples, 1e-6f), -1);
}

}  // namespace
}  // namespace oxel_test
