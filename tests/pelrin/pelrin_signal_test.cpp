// The microphone pair's audio, sample for sample against an independent model:
// glides, settled patterns, accumulate versus replace, in-place buffers and
// parameter changes between blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "Pelrin.h"
#include "pelrin_model.h"

namespace {

using Channels = std::vector<std::vector<float>>;

struct Buffers {
  Channels in, out;
  std::vector<float*> inPtr, outPtr;
  Buffers(const Channels& input, int outputs) : in{input}, out(outputs, std::vector<float>(input[0].size())) {
    for (auto& c : in) inPtr.push_back(c.data());
    for (auto& c : out) outPtr.push_back(c.data());
  }
};

Channels constant(int frames, float w, float x, float y, float z) {
  return {std::vector<float>(frames, w), std::vector<float>(frames, x),
          std::vector<float>(frames, y), std::vector<float>(frames, z)};
}

// Runs the plug-in and the model over blocks with parameter changes between
// them; every output sample must match to the bit.
void expectMatchesModel(bool accumulate, bool inPlace) {
  Pelrin p{nullptr};
  reference::PelrinModel model;
  const int blocks[] = {1, 7, 64, 0, 333, 512, 2, 1000};
  const float settings[][4] = {{0.0f, 0.25f, 0.16666667f, 0.5f}, {0.3f, 0.2f, 0.1f, 0.9f},
                               {0.9f, 0.4f, 0.5f, 0.0f},         {0.125f, 0.25f, 0.25f, 1.0f}};
  int step = 0;
  bool first = true;
  for (int frames : blocks) {
    if (!first) {  // the very first block plays the first program
      const float* s = settings[step++ % 4];
      for (int i = 0; i < 4; ++i) {
        p.setParameter(i, s[i]);
        model.set(i, s[i]);
      }
    }
    first = false;
    Channels signal = reference::bformatSignal(std::max(frames, 1), step + 3);
    Buffers b{signal, 2};
    std::vector<float> expect1(b.out[0].size(), 0.25f), expect2(b.out[1].size(), -0.5f);
    if (accumulate) {
      std::copy(expect1.begin(), expect1.end(), b.out[0].begin());
      std::copy(expect2.begin(), expect2.end(), b.out[1].begin());
    }
    float* expected[2] = {expect1.data(), expect2.data()};
    model.run(b.inPtr.data(), expected, frames, accumulate);
    float* outs[2] = {b.outPtr[0], b.outPtr[1]};
    if (inPlace) {  // outputs are the W and X input buffers
      outs[0] = b.inPtr[0];
      outs[1] = b.inPtr[1];
      if (accumulate) continue;  // accumulating onto the inputs is not a meaningful host call
    }
    if (accumulate)
      p.process(b.inPtr.data(), outs, frames);
    else
      p.processReplacing(b.inPtr.data(), outs, frames);
    for (int i = 0; i < frames; ++i) {
      ASSERT_EQ(outs[0][i], expect1[i]) << "mic 1, frame " << i << " of " << frames;
      ASSERT_EQ(outs[1][i], expect2[i]) << "mic 2, frame " << i << " of " << frames;
    }
  }
}

TEST(PelrinSignal, ReplacingMatchesModelBitForBit) { expectMatchesModel(false, false); }
TEST(PelrinSignal, AccumulatingMatchesModelBitForBit) { expectMatchesModel(true, false); }
TEST(PelrinSignal, InPlaceMatchesModelBitForBit) { expectMatchesModel(false, true); }

TEST(PelrinSignal, ZeroFramesTouchNothingButTargetsMove) {
  Pelrin p{nullptr};
  p.setParameter(3, 0.0f);  // omni: the first block starts with the W weight at 1
  Buffers b{constant(4, 1.0f, 0.0f, 0.0f, 0.0f), 2};
  p.processReplacing(b.inPtr.data(), b.outPtr.data(), 1);
  EXPECT_EQ(b.out[0][0], 1.0f);
  p.setParameter(3, 1.0f);
  b.out[0].assign(4, 9.0f);
  p.processReplacing(b.inPtr.data(), b.outPtr.data(), 0);
  p.process(b.inPtr.data(), b.outPtr.data(), -5);
  EXPECT_EQ(b.out[0], std::vector<float>(4, 9.0f));
  // The W weight (1 after the first frame's step) glides towards the new target 0.
  p.processReplacing(b.inPtr.data(), b.outPtr.data(), 2);
  EXPECT_EQ(b.out[0][0], 1.0f);
  EXPECT_EQ(b.out[0][1], static_cast<float>(0.999 + 1e-20));
}

// Empty blocks before the first real one do not use up its settled start.
TEST(PelrinSignal, FirstBlockWithFramesStartsAtItsTargets) {
  Pelrin p{nullptr};
  Buffers b{constant(4, 1.0f, 1.0f, 0.0f, 0.0f), 2};
  p.processReplacing(b.inPtr.data(), b.outPtr.data(), 0);
  p.setParameter(3, 1.0f);  // figure-of-eight, pair at +-30 degrees
  p.processReplacing(b.inPtr.data(), b.outPtr.data(), 4);
  const float expected = static_cast<float>(0.707 * std::cos(0.16666667f * M_PI));
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(b.out[0][i], expected, 1e-6) << i;
    EXPECT_NEAR(b.out[1][i], expected, 1e-6) << i;
  }
}

TEST(PelrinSignal, SilenceGivesTinyPositiveNotZero) {
  Pelrin p{nullptr};
  Buffers b{constant(16, 0.0f, 0.0f, 0.0f, 0.0f), 2};
  p.processReplacing(b.inPtr.data(), b.outPtr.data(), 16);
  for (float v : b.out[0]) {
    EXPECT_GT(v, 0.0f);
    EXPECT_LT(v, 1e-18f);
  }
}

TEST(PelrinSignal, PatternStepFollowsTheOnePoleGlide) {
  Pelrin p{nullptr};
  p.setParameter(3, 0.0f);  // omni: settle W weight at 1
  Buffers settle{constant(20000, 0.0f, 0.0f, 0.0f, 0.0f), 2};
  p.processReplacing(settle.inPtr.data(), settle.outPtr.data(), 20000);
  p.setParameter(3, 1.0f);
  const int n = 1400;
  Buffers b{constant(n, 1.0f, 0.0f, 0.0f, 0.0f), 2};  // W alone shows the W weight
  p.processReplacing(b.inPtr.data(), b.outPtr.data(), n);
  for (int k = 0; k < n; k += 50)
    EXPECT_NEAR(b.out[0][k], std::pow(0.999, k), 1e-6) << "frame " << k;
  EXPECT_GT(b.out[0][692], 0.5f);  // not halfway before 693 samples
  EXPECT_LT(b.out[0][693], 0.5f);
}

TEST(PelrinSignal, SettledPatternsAndDirections) {
  const struct {
    float azimuth, elevation, angle, pattern;
    float w, x, y, z;
    float mic1, mic2;
  } cases[] = {
      // Omni: both microphones carry W alone, whatever the direction.
      {0.3f, 0.1f, 0.4f, 0.0f, 0.5f, 0.7f, -0.2f, 0.9f, 0.5f, 0.5f},
      // Figure-of-eight, front, level, no spread: 0.707 X in both.
      {0.0f, 0.25f, 0.0f, 1.0f, 0.3f, 1.0f, 0.0f, 0.0f, 0.707f, 0.707f},
      // Spread 180 degrees: mic 1 at +90 (Y), mic 2 at -90 (-Y).
      {0.0f, 0.25f, 0.5f, 1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.707f, -0.707f},
      // Elevation straight up: Z in both.
      {0.6f, 0.5f, 0.2f, 1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.707f, 0.707f},
      // Cardioid facing a source in front: W/2 + 0.3535 X.
      {0.0f, 0.25f, 0.0f, 0.5f, 1.0f, 1.0f, 0.0f, 0.0f, 0.8535f, 0.8535f},
  };
  for (const auto& c : cases) {
    Pelrin p{nullptr};
    const float values[] = {c.azimuth, c.elevation, c.angle, c.pattern};
    for (int i = 0; i < 4; ++i) p.setParameter(i, values[i]);
    Buffers b{constant(40000, c.w, c.x, c.y, c.z), 2};
    p.processReplacing(b.inPtr.data(), b.outPtr.data(), 40000);
    EXPECT_NEAR(b.out[0].back(), c.mic1, 1e-5) << "azimuth " << c.azimuth;
    EXPECT_NEAR(b.out[1].back(), c.mic2, 1e-5) << "azimuth " << c.azimuth;
  }
}

TEST(PelrinSignal, MicrophoneOneTurnsTowardsPositiveAzimuth) {
  Pelrin p{nullptr};
  const float values[] = {0.0f, 0.25f, 0.25f, 1.0f};  // 90 degrees between the pair
  for (int i = 0; i < 4; ++i) p.setParameter(i, values[i]);
  Buffers b{constant(40000, 0.0f, 0.0f, 1.0f, 0.0f), 2};  // source at +90 degrees (Y)
  p.processReplacing(b.inPtr.data(), b.outPtr.data(), 40000);
  EXPECT_NEAR(b.out[0].back(), 0.707 * std::sin(M_PI / 4), 1e-5);
  EXPECT_NEAR(b.out[1].back(), -0.707 * std::sin(M_PI / 4), 1e-5);
}

}  // namespace

namespace {

// The pattern formula the editor's polar view draws with is the one the
// audio follows: its weights equal the model's targets bit for bit, and a
// fresh instance's output for a plane wave from each degree is its gain.
TEST(PelrinSignal, PatternFormulaIsWhatTheAudioDoes) {
  const float settings[][4] = {{0.0f, 0.25f, 0.16666667f, 0.5f},   {0.0f, 0.25f, 0.25f, 1.0f},
                               {0.0833f, 0.2917f, 0.3056f, 0.75f}, {0.9f, 0.6f, 0.7f, 0.2f},
                               {-0.3f, 1.2f, 1.5f, 1.4f},          {0.5f, 0.0f, 0.0f, 0.0f}};
  for (const auto& s : settings) {
    reference::PelrinModel model;
    for (int i = 0; i < 4; ++i) model.set(i, s[i]);
    float silence[4] = {};
    float* in[4] = {&silence[0], &silence[1], &silence[2], &silence[3]};
    float out[2][1];
    float* outs[2] = {out[0], out[1]};
    model.run(in, outs, 0, false);  // computes the targets only
    const Pelrin::PairWeights w = Pelrin::pairWeights(Pelrin::derive(s[0], s[1], s[2], s[3]));
    const double weights[7] = {w.zeroth, w.xLeft, w.yLeft, w.zLeft, w.xRight, w.yRight, w.zRight};
    for (int c = 0; c < 7; ++c)
      EXPECT_EQ(std::memcmp(&weights[c], &model.target[c], sizeof(double)), 0) << c;

    Pelrin p{nullptr};
    for (VstInt32 i = 0; i < 4; ++i) p.setParameter(i, s[i]);
    Channels probes(4, std::vector<float>(360));
    for (int degree = 0; degree < 360; ++degree) {
      const double a = degree * std::numbers::pi / 180.0;
      probes[0][static_cast<size_t>(degree)] = static_cast<float>(0.70710678118654752440);
      probes[1][static_cast<size_t>(degree)] = static_cast<float>(std::cos(a));
      probes[2][static_cast<size_t>(degree)] = static_cast<float>(std::sin(a));
    }
    Buffers b{probes, 2};
    p.processReplacing(b.inPtr.data(), b.outPtr.data(), 360);
    for (int degree = 0; degree < 360; ++degree)
      for (int mic = 0; mic < 2; ++mic)
        EXPECT_NEAR(b.out[static_cast<size_t>(mic)][static_cast<size_t>(degree)],
                    Pelrin::planeWaveGain(w, mic, degree * std::numbers::pi / 180.0, 0.0), 1e-6)
            << degree << " " << mic;
  }
}

}  // namespace
