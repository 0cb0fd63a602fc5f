// oxel render, run as a program, writes exactly what the plug-in gives when a
// host drives it directly: the same samples for plain settings, values typed
// in display units, every file format, and automation that reaches the
// plug-in at the start of the right block.
#include <gtest/gtest.h>

#include <cmath>

#include "oxel_test_support.h"

namespace oxel_test {
namespace {

constexpr int kRate = 48000;

TEST(OxelRender, SamplesEqualThePluginDrivenDirectly) {
  ScratchDir dir;
  const Audio in = noise(4, 10007);  // not a whole number of blocks
  writeAudio(dir / "in.wav", in);
  const RunResult run = runOxel({"render", kPelrin, dir / "in.wav", dir / "out.wav", "--block",
                                 "100", "--set", "Azimuth=0.3", "--set", "mic pattern=0.75",
                                 "--program", "2"});
  ASSERT_EQ(run.status, 0) << run.err;
  // No progress bar when stderr is not a terminal: only the summary line.
  EXPECT_EQ(run.err.rfind("render: " + dir / "out.wav" + ": 10007 frames, 0.208 s at 48000 Hz; peak ", 0), 0u) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  const Audio out = readAudio(dir / "out.wav");
  EXPECT_EQ(out.channels, 2);
  EXPECT_EQ(out.sampleRate, kRate);
  EXPECT_EQ(out.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  const Audio expected = renderDirect(kPelrin, in, 100, [](oxel::PluginInstance& p, size_t first) {
    if (first != 0) return;
    p.setProgram(2);
    p.setParameter(0, 0.3f);
    p.setParameter(3, 0.75f);
  });
  EXPECT_EQ(firstMismatch(out.samples, expected.samples), -1);
}

// A value with the parameter's unit renders as the normalised value whose
// display shows it (the search may land on a neighbouring float).
TEST(OxelRender, ValuesInDisplayUnitsRenderAsTheirNormalisedValues) {
  struct Case {
    const char* typed;
    int index;
    float normalised;
  } const cases[] = {
      {"Azimuth=90degrees", 0, 0.25f},        {"Azimuth=90 deg", 0, 0.25f},
      {"Elevation=0degrees", 1, 0.25f},       {"Elevation=-90degrees", 1, 0.0f},
      {"Mic Angle=120degrees", 2, 1.0f / 3},  {"Mic Pattern=0.5pattern", 3, 0.5f},
  };
  ScratchDir dir;
  const Audio in = noise(4, 4000);
  writeAudio(dir / "in.wav", in);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    const RunResult run =
        runOxel({"render", kPelrin, dir / "in.wav", dir / "out.wav", "--set", c.typed});
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio expected = renderDirect(kPelrin, in, 512, [&](oxel::PluginInstance& p, size_t f) {
      if (f == 0) p.setParameter(c.index, c.normalised);
    });
    EXPECT_EQ(firstMismatch(readAudio(dir / "out.wav").samples, expected.samples, 2e-6f), -1);
  }
}

TEST(OxelRender, ReadsAndWritesEveryContainer) {
  struct Case {
    const char* inName;
    int inFormat;
    const char* outName;
    const char* subtype;  // "" for the default
    int outFormat;
    float tolerance;  // two steps of the output's sample format
  } const cases[] = {
      {"in.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, "out.wav", "", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0},
      {"in.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "out.flac", "", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 2.0f / 8388608},
      {"in.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, "out.aiff", "pcm16", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 2.0f / 32768},
      {"in.caf", SF_FORMAT_CAF | SF_FORMAT_FLOAT, "out.caf", "double", SF_FORMAT_CAF | SF_FORMAT_DOUBLE, 0},
      {"in.w64", SF_FORMAT_W64 | SF_FORMAT_PCM_24, "out.w64", "pcm32", SF_FORMAT_W64 | SF_FORMAT_PCM_32, 2.0f / 2147483648.0f},
      {"in.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, "out.rf64", "", SF_FORMAT_RF64 | SF_FORMAT_FLOAT, 0},
  };
  ScratchDir dir;
  // Quiet enough that no output sample clips in an integer format.
  Audio source = noise(4, 3000, 44100);
  for (float& s : source.samples) s *= 0.25f;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string{c.inName} + " -> " + c.outName);
    writeAudio(dir / c.inName, source, c.inFormat);
    std::vector<std::string> args{"render", kPelrin, dir / c.inName, dir / c.outName};
    if (*c.subtype) args.insert(args.end(), {"--subtype", c.subtype});
    const RunResult run = runOxel(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio out = readAudio(dir / c.outName);
    EXPECT_EQ(out.format, c.outFormat);
    EXPECT_EQ(out.sampleRate, 44100);
    // The reference reads the input as oxel does (libsndfile), then renders it.
    const Audio expected = renderDirect(kPelrin, readAudio(dir / c.inName), 512,
                                        [](oxel::PluginInstance&, size_t) {});
    EXPECT_EQ(firstMismatch(out.samples, expected.samples, c.tolerance), -1);
  }
}

// The format chunk of a WAV file's header as bytes, empty when there is none.
std::string formatChunk(const std::string& path) {
  const std::string file = slurp(path);
  auto le32 = [&](size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(file[at + i]);
    return v;
  };
  for (size_t at = 12; at + 8 <= file.size(); at += 8 + le32(at + 4) + (le32(at + 4) & 1))
    if (file.compare(at, 4, "fmt ") == 0) return file.substr(at + 8, le32(at + 4));
  return {};
}

// More than two channels in WAV: the extensible header (what readers expect
// there), 32-bit float, with no speaker positions, since B-format channels,
// FuMa or AmbiX, are not speakers. Stereo keeps the plain header. Both read
// back through libsndfile, and the extensible file renders again as input.
TEST(OxelRender, WavBeyondTwoChannelsIsExtensibleWithoutSpeakerPositions) {
  struct Case {
    const std::string& plugin;
    std::vector<std::string> options;
    int format;
    size_t chunkSize;
  } const cases[] = {
      {kPelrin, {}, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 16},
      {kTavrel, {}, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 40},
      {kTavrel, {"--out-format", "ambix"}, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 40},
      {kTavrel, {"--subtype", "pcm24"}, SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 40},
  };
  ScratchDir dir;
  Audio in = noise(4, 3000);
  for (float& s : in.samples) s *= 0.25f;
  writeAudio(dir / "in.wav", in);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plugin + " " + ::testing::PrintToString(c.options));
    std::vector<std::string> args{"render", c.plugin, dir / "in.wav", dir / "out.wav"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const RunResult run = runOxel(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio out = readAudio(dir / "out.wav");
    EXPECT_EQ(out.format, c.format);
    EXPECT_EQ(out.frames(), 3000u);
    const std::string fmt = formatChunk(dir / "out.wav");
    ASSERT_EQ(fmt.size(), c.chunkSize);
    if (c.chunkSize == 40) {
      const bool floats = (c.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT;
      EXPECT_EQ(fmt.substr(0, 2), std::string("\xFE\xFF", 2));   // extensible
      EXPECT_EQ(fmt.substr(16, 2), std::string("\x16\x00", 2));  // 22 more bytes
      EXPECT_EQ(fmt.substr(20, 4), std::string(4, '\0'));        // no speaker positions
      EXPECT_EQ(
          fmt.substr(24, 16),  // IEEE float or PCM
          std::string(floats ? "\x03" : "\x01") +
              std::string("\x00\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 15));
      // Read back as input: the same samples as the plug-in makes of them.
      const RunResult again = runOxel({"render", kTavrel, dir / "out.wav", dir / "again.wav"});
      ASSERT_EQ(again.status, 0) << again.err;
      const Audio expected = renderDirect(kTavrel, out, 512, [](oxel::PluginInstance&, size_t) {});
      EXPECT_EQ(firstMismatch(readAudio(dir / "again.wav").samples, expected.samples), -1);
    }
  }
}

// Mic Pattern steps from 0 to 1 at 0.125 s, then ramps back to 0 from 0.25 s
// to 0.375 s (times exact in binary, so the expected values are exact too).
// Each block gets the value at its first frame, and only then.
TEST(OxelRender, AutomationReachesThePluginAtTheStartOfEachBlock) {
  ScratchDir dir;
  constexpr int kBlock = 256;
  const Audio in = noise(4, kRate / 2);
  writeAudio(dir / "in.wav", in);
  const RunResult run =
      runOxel({"render", kPelrin, dir / "in.wav", dir / "out.wav", "--block", "256",
               "--automate", "Mic Pattern=0:0,0.125:0,0.125:1,0.25:1,0.375:0"});
  ASSERT_EQ(run.status, 0) << run.err;
  auto patternAt = [](double t) {
    if (t < 0.125) return 0.0;
    if (t < 0.25) return 1.0;
    if (t < 0.375) return 1.0 - (t - 0.25) / 0.125;
    return 0.0;
  };
  float last = -1.0f;
  const Audio expected = renderDirect(kPelrin, in, kBlock, [&](oxel::PluginInstance& p, size_t f) {
    const float value = static_cast<float>(patternAt(static_cast<double>(f) / kRate));
    if (value != last) p.setParameter(3, value);
    last = value;
  });
  const Audio out = readAudio(dir / "out.wav");
  EXPECT_EQ(firstMismatch(out.samples, expected.samples), -1);

  // The step lands on the first block starting at or after 0.125 s (frame
  // 6000): frame 6144, block 24. Up to there the output is that of pattern 0.
  const size_t step = (6000 + kBlock - 1) / kBlock * kBlock;
  const Audio flat = renderDirect(kPelrin, in, kBlock, [](oxel::PluginInstance& p, size_t f) {
    if (f == 0) p.setParameter(3, 0.0f);
  });
  for (size_t f = 0; f < step; ++f)
    ASSERT_EQ(out.at(f, 0), flat.at(f, 0)) << "frame " << f << " changed before the step's block";
  EXPECT_NE(out.at(step + 1, 0), flat.at(step + 1, 0))
      << "the step did not reach block " << step / kBlock;
}

TEST(OxelRender, LongerInputsAtOtherRatesAreResampled) {
  ScratchDir dir;
  Audio in = constant({0.5f, 0.0f, 0.0f, 0.0f}, 44100, 44100);  // one second of W
  writeAudio(dir / "in.wav", in);
  const RunResult run = runOxel(
      {"render", kPelrin, dir / "in.wav", dir / "out.wav", "--sr", "48000", "--preset", "omni"});
  ASSERT_EQ(run.status, 0) << run.err;
  const Audio out = readAudio(dir / "out.wav");
  EXPECT_EQ(out.sampleRate, 48000);
  EXPECT_NEAR(static_cast<double>(out.frames()), 48000.0, 2.0);
  // Omni: each output is W once the glide from the start-up weights is over.
  EXPECT_NEAR(out.at(30000, 0), 0.5f, 1e-3f);
  EXPECT_NEAR(out.at(30000, 1), 0.5f, 1e-3f);
}

}  // namespace
}  // namespace oxel_test
