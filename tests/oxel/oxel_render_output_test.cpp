// What oxel render makes of a file beyond the samples: the settled result
// from the first sample, levels (clipping warnings, --gain, --normalize),
// inputs with problems, exact resampled lengths, leftovers of killed renders,
// many files at once, pipes, --dry-run, the summary's level texts, and
// trajectories that turn the short way.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "level_text.h"
#include "oxel_test_support.h"

namespace oxel_test {
namespace {

constexpr double kSqrtHalf = 0.70710678118654752;

double peakOf(const Audio& audio) {
  double peak = 0.0;
  for (float s : audio.samples) peak = std::max(peak, std::fabs(static_cast<double>(s)));
  return peak;
}

// A source from the front (FuMa: W at -3 dB) through both plug-ins, bare and
// with a setting, gives the formula's gains on every frame, the first one
// included, with and without the pre-roll.
TEST(OxelRenderOutput, SettledFromTheFirstSample) {
  const struct {
    const std::string& plugin;
    std::vector<std::string> options;
    std::vector<float> expected;  // every output frame
  } cases[] = {
      // The first program: cardioids at +-30 degrees: 0.5 W + 0.3535 cos 30 X.
      {kPelrin, {}, {0.659693f, 0.659693f}},
      // Turned to 90 degrees: the microphones at 120 and 60 degrees.
      {kPelrin, {"--set", "Azimuth=90degrees"}, {0.176803f, 0.530303f}},
      {kTavrel, {}, {0.70711f, 1.0f, 0.0f, 0.0f}},
      // Angle1 a quarter turn: the front source ends up at -Y.
      {kTavrel, {"--set", "Angle1=90degrees"}, {0.70711f, 0.0f, -1.0f, 0.0f}},
  };
  ScratchDir dir;
  writeAudio(dir / "front.wav", constant({static_cast<float>(kSqrtHalf), 1.0f, 0.0f, 0.0f}, 2000));
  for (const auto& c : cases) {
    for (const char* preroll : {"--preroll=16384", "--no-preroll"}) {
      std::vector<std::string> args = {"render", c.plugin, dir / "front.wav", dir / "out.wav",
                                       preroll};
      args.insert(args.end(), c.options.begin(), c.options.end());
      const RunResult run = runOxel(args);
      ASSERT_EQ(run.status, 0) << run.err;
      const Audio out = readAudio(dir / "out.wav");
      ASSERT_EQ(out.frames(), 2000u);
      for (size_t f : {size_t{0}, size_t{1}, size_t{100}, size_t{1999}})
        for (int ch = 0; ch < out.channels; ++ch)
          ASSERT_NEAR(out.at(f, ch), c.expected[static_cast<size_t>(ch)], 1e-4)
              << args.back() << ' ' << preroll << " frame " << f << " channel " << ch;
    }
  }
}

// An omni pair passes W: a W of 1.5 goes beyond full scale.
TEST(OxelRenderOutput, LevelsClippingGainAndNormalize) {
  ScratchDir dir;
  Audio loud = constant({1.5f, 0.0f, 0.0f, 0.0f}, 1000);
  loud.samples[4 * 500] = -1.8f;  // one louder sample, negative
  writeAudio(dir / "loud.wav", loud);
  const struct {
    std::vector<std::string> options;
    const char* out;
    double peak;          // of the file read back
    const char* warning;  // a part of stderr; "" for none
  } cases[] = {
      {{}, "float.wav", 1.8, ""},
      {{"--subtype", "pcm16"},
       "clipped.wav",
       1.0,
       "2000 samples of DIR/clipped.wav were beyond full scale and are clipped (peak +5.1 dBFS); "
       "--gain -5.2 or --normalize"},
      {{"--subtype", "pcm24", "--gain", "-6"}, "gain.wav", 1.8 * 0.50118723, ""},
      {{"--subtype", "pcm24", "--normalize"}, "normalized.wav", 0.89125094, ""},
      {{"--subtype=pcm24", "--normalize=-6"}, "minus6.wav", 0.50118723, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"render",    kPelrin,    dir / "loud.wav",
                                     dir / c.out, "--preset", "omni"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const RunResult run = runOxel(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NEAR(peakOf(readAudio(dir / c.out)), c.peak, 1e-4) << c.out;
    std::string warning = c.warning;
    if (const size_t at = warning.find("DIR/"); at != std::string::npos)
      warning.replace(at, 4, dir.path().string() + "/");
    if (warning.empty())
      EXPECT_EQ(run.err.find("warning"), std::string::npos) << run.err;
    else
      EXPECT_NE(run.err.find("oxel: render: warning: " + warning), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(std::string{"render: "} + dir / c.out + ": 1000 frames"),
              std::string::npos)
        << run.err;
  }
}

// Inputs that are short of what they announce, hold nothing, or hold more
// than first order: rendered with a warning, or with the flag that says so.
TEST(OxelRenderOutput, InputProblemsAreSaid) {
  ScratchDir dir;
  const Audio scene = noise(4, 3000);
  writeAudio(dir / "full.wav", scene);
  writeAudio(dir / "truncated.wav", scene);
  truncate((dir / "truncated.wav").c_str(),
           static_cast<off_t>(fs::file_size(dir / "full.wav")) - 16 * 1000);
  writeAudio(dir / "empty.wav", Audio{4, 48000, 0, {}});
  Audio third{16, 48000, 0, std::vector<float>(16 * 3000)};
  for (size_t f = 0; f < 3000; ++f)
    for (int c = 0; c < 16; ++c) third.samples[f * 16 + c] = c < 4 ? scene.at(f, c) : 0.9f;
  writeAudio(dir / "third-order.wav", third);

  const struct {
    const char* in;
    std::vector<std::string> options;
    size_t frames;
    const char* warning;
  } cases[] = {
      {"truncated.wav", {}, 2000, "truncated.wav is truncated: its header announces 48000 bytes"},
      {"empty.wav", {}, 0, "empty.wav holds no audio (0 frames)"},
      {"third-order.wav", {"--first-order"}, 3000, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"render", kPelrin, dir / c.in, dir / "out.wav"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const RunResult run = runOxel(args);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(readAudio(dir / "out.wav").frames(), c.frames) << c.in;
    if (*c.warning)
      EXPECT_NE(run.err.find(c.warning), std::string::npos) << run.err;
    else
      EXPECT_EQ(run.err.find("warning"), std::string::npos) << run.err;
  }
  // The first-order part renders as the four-channel file does.
  ASSERT_EQ(runOxel({"render", kPelrin, dir / "full.wav", dir / "four.wav"}).status, 0);
  ASSERT_EQ(runOxel({"render", kPelrin, dir / "third-order.wav", dir / "part.wav", "--first-order"})
                .status,
            0);
  EXPECT_EQ(readAudio(dir / "four.wav").samples, readAudio(dir / "part.wav").samples);
}

TEST(OxelRenderOutput, ResampledLengthIsExact) {
  const struct {
    int from, to;
    size_t frames, expected;
  } cases[] = {
      {44100, 48000, 44100, 48000}, {48000, 44100, 48000, 44100}, {22050, 48000, 22050, 48000},
      {96000, 44100, 10007, 4597},  {48000, 8000, 4801, 800},     {44100, 96000, 333, 725},
  };
  ScratchDir dir;
  for (const auto& c : cases) {
    writeAudio(dir / "in.wav", noise(4, c.frames, c.from));
    const RunResult run = runOxel({"render", kTavrel, dir / "in.wav", dir / "out.wav", "--sr",
                                   std::to_string(c.to), "--no-preroll"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio out = readAudio(dir / "out.wav");
    EXPECT_EQ(out.sampleRate, c.to);
    EXPECT_EQ(out.frames(), c.expected) << c.from << " -> " << c.to;
  }
}

// Temporary files of renders that were killed go on the next render into the
// folder; those of running processes (and other machines') stay.
TEST(OxelRenderOutput, LeftoversOfKilledRendersAreRemoved) {
  ScratchDir dir;
  writeAudio(dir / "in.wav", noise(4, 100));
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  waitpid(dead, nullptr, 0);
  char hostName[256] = {};
  gethostname(hostName, sizeof hostName - 1);
  std::string host = hostName;
  std::replace(host.begin(), host.end(), '-', '_');
  const std::string deadName = ".old.wav.part-" + host + "-" + std::to_string(dead);
  const std::string oldStyle = ".older.wav.part-" + std::to_string(dead);
  const std::string running = ".busy.wav.part-" + host + "-" + std::to_string(getpid());
  const std::string elsewhere = ".far.wav.part-otherhost-" + std::to_string(dead);
  for (const std::string& name : {deadName, oldStyle, running, elsewhere})
    std::ofstream{dir / name} << "x";
  ASSERT_EQ(runOxel({"render", kPelrin, dir / "in.wav", dir / "out.wav"}).status, 0);
  std::vector<std::string> left = dir.entries();
  std::sort(left.begin(), left.end());
  std::vector<std::string> expected = {running, elsewhere, "in.wav", "out.wav"};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(left, expected);
}

// Many files at once: the good ones are written as single renders write
// them, the bad one is reported, and the exit status says so.
TEST(OxelRenderOutput, ManyFilesWithOneBad) {
  ScratchDir dir;
  fs::create_directory(dir / "in");
  for (int k = 0; k < 3; ++k)
    writeAudio(dir / ("in/" + std::to_string(k) + ".wav"), noise(4, 700, 48000, k + 1));
  std::ofstream{dir / "in/bad.wav"} << "not audio";
  const RunResult run =
      runOxel({"render", kPelrin, dir / "in/0.wav", dir / "in/bad.wav", dir / "in/1.wav",
               dir / "in/2.wav", "--out-dir", dir / "out", "-j", "2", "--preset", "blumlein"});
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_NE(run.err.find("1 of 4 files failed: " + dir / "in/bad.wav"), std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(dir / "out/bad.wav"));
  for (int k = 0; k < 3; ++k) {
    const std::string name = std::to_string(k) + ".wav";
    ASSERT_EQ(runOxel({"render", kPelrin, dir / ("in/" + name), dir / "single.wav", "--preset",
                       "blumlein"})
                  .status,
              0);
    EXPECT_EQ(readAudio(dir / ("out/" + name)).samples, readAudio(dir / "single.wav").samples)
        << name;
  }
  const RunResult good = runOxel(
      {"render", kPelrin, dir / "in/0.wav", dir / "in/1.wav", "--out-dir=" + dir / "again"});
  EXPECT_EQ(good.status, 0) << good.err;
  EXPECT_EQ(fs::exists(dir / "again/0.wav") && fs::exists(dir / "again/1.wav"), true);
}

// Standard input to standard output gives the file render's samples, as a
// WAV file or raw floats.
TEST(OxelRenderOutput, PipesCarryTheSameSamples) {
  ScratchDir dir;
  writeAudio(dir / "in.wav", noise(4, 5001));
  const std::vector<std::string> settings = {"--set", "Angle2=30degrees", "--set",
                                             "Order of Processing=0.4"};
  auto render = [&](const std::string& in, const std::string& out, std::vector<std::string> extra,
                    const std::string& input) {
    std::vector<std::string> args = {"render", kTavrel, in, out};
    args.insert(args.end(), settings.begin(), settings.end());
    args.insert(args.end(), extra.begin(), extra.end());
    return runOxel(args, input);
  };
  ASSERT_EQ(render(dir / "in.wav", dir / "file.wav", {}, "/dev/null").status, 0);
  const Audio expected = readAudio(dir / "file.wav");

  const RunResult wav = render("-", "-", {}, dir / "in.wav");
  ASSERT_EQ(wav.status, 0) << wav.err;
  std::ofstream{dir / "piped.wav", std::ios::binary} << wav.out;
  const Audio piped = readAudio(dir / "piped.wav");
  EXPECT_EQ(piped.channels, 4);
  EXPECT_EQ(piped.sampleRate, 48000);
  EXPECT_EQ(piped.samples, expected.samples);

  const RunResult raw = render(dir / "in.wav", "-", {"--out-format", "raw"}, "/dev/null");
  ASSERT_EQ(raw.status, 0) << raw.err;
  ASSERT_EQ(raw.out.size(), expected.samples.size() * sizeof(float));
  EXPECT_EQ(std::memcmp(raw.out.data(), expected.samples.data(), raw.out.size()), 0);

  // Two passes over standard input: it is kept for the second.
  const RunResult normalized = render("-", dir / "normalized.wav", {"--normalize"}, dir / "in.wav");
  ASSERT_EQ(normalized.status, 0) << normalized.err;
  EXPECT_NEAR(peakOf(readAudio(dir / "normalized.wav")), 0.89125094, 1e-6);
}

// The summary's peaks: silence (here the anti-denormal offsets of Tavrel's
// rotation, some -400 dBFS) reads -inf; levels print with one decimal.
TEST(OxelRenderOutput, SummaryPrintsSilentChannelsAsMinusInfinity) {
  ScratchDir dir;
  writeAudio(dir / "front.wav", constant({0.5f, 1.0f, 0.0f, 0.0f}, 1000));
  const RunResult run = runOxel({"render", kTavrel, dir / "front.wav", dir / "out.wav"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("; peak -6.0, +0.0, -inf, -inf dBFS; 0 clipped\n"), std::string::npos)
      << run.err;
  const Audio out = readAudio(dir / "out.wav");
  EXPECT_GT(std::fabs(out.at(500, 2)), 0.0f)
      << "not residue but exact zeros: the case no longer tests residue";
}

TEST(OxelRenderOutput, LevelTextsForEveryKindOfLevel) {
  const struct {
    double level;
    bool sign;
    const char* text;
  } cases[] = {
      {1.0, true, "+0.0"},   {1.0, false, "0.0"},      {0.5, true, "-6.0"},
      {2.0, true, "+6.0"},   {1e-10, false, "-200.0"}, {9.9e-11, false, "-inf"},
      {1e-20, true, "-inf"}, {0.0, true, "-inf"},      {std::nan(""), false, "-inf"},
  };
  for (const auto& c : cases) EXPECT_EQ(oxel::levelText(c.level, c.sign), c.text) << c.level;
}

TEST(OxelRenderOutput, DryRunPrintsTheResolvedValues) {
  ScratchDir dir;
  writeAudio(dir / "in.wav", noise(4, 100));
  const RunResult run =
      runOxel({"render", kPelrin, dir / "in.wav", dir / "out.wav", "--dry-run", "--preset",
               "blumlein", "--set", "Azimuth=90degrees", "--set", "Mic Angle=0degrees",
               "--automate", "Elevation=0:0degrees,2:45degrees"});
  ASSERT_EQ(run.status, 0) << run.err;
  // Values a display shows at an exact normalised value are printed as that
  // value: 0 degrees as 0, not as a float beside it that shows 0 as well.
  for (const char* line :
       {"set Mic Pattern = 1 (1.000000 pattern)\n", "set Azimuth = 0.25 (90.00000 degrees)\n",
        "set Mic Angle = 0 (0.000000 degrees)\n",
        "automate Elevation: 0s=0.25 (0.000000 degrees) 2s=0.375 (45.00000 degrees)\n"})
    EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
  EXPECT_FALSE(fs::exists(dir / "out.wav"));
}

TEST(OxelRenderOutput, TrajectoryRowsMoreThanHalfATurnApartWarn) {
  ScratchDir dir;
  writeAudio(dir / "in.wav", noise(4, 100));
  std::ofstream{dir / "path.csv"} << "t,yaw,pitch,roll\n0,0,0,0\n1,270,0,0\n2,270,10,-100\n";
  const RunResult run = runOxel(
      {"render", kTavrel, dir / "in.wav", dir / "out.wav", "--trajectory", dir / "path.csv"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("path.csv:3: yaw goes from 0 to 270 degrees, more than half a turn: the "
                         "path turns -90 degrees the shorter way"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(run.err.find("path.csv:4"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace oxel_test
