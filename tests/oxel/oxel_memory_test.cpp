// oxel render streams: its peak memory stays flat while the file it renders
// grows tenfold (measured on the child process with wait4).
#include <gtest/gtest.h>

#include "oxel_test_support.h"

namespace oxel_test {
namespace {

// Writes `seconds` of 4-channel 16-bit noise in pieces, so the test itself stays small.
void writeLongFile(const std::string& path, int seconds) {
  SF_INFO info{};
  info.channels = 4;
  info.samplerate = 48000;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  const Audio second = noise(4, 48000);
  for (int s = 0; s < seconds; ++s) sf_writef_float(file, second.samples.data(), 48000);
  sf_close(file);
}

TEST(OxelMemory, PeakMemoryStaysFlatWhileTheFileGrowsTenfold) {
  ScratchDir dir;
  writeLongFile(dir / "short.wav", 12);  // 4.6 MB of audio
  writeLongFile(dir / "long.wav", 120);  // 46 MB
  auto peak = [&](const std::string& in) {
    const RunResult run = runOxel({"render", kPelrin, in, dir / "out.wav", "--subtype", "pcm16",
                                   "--automate", "Azimuth=0:0,120:1"});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.maxRssKilobytes;
  };
  const long shortPeak = peak(dir / "short.wav");
  const long longPeak = peak(dir / "long.wav");
  EXPECT_EQ(readAudio(dir / "out.wav").frames(), 120u * 48000u);
  // Holding the file, or even its output, would add tens of megabytes.
  EXPECT_LT(longPeak - shortPeak, 2048) << "short " << shortPeak << " kB, long " << longPeak << " kB";
}

}  // namespace
}  // namespace oxel_test
