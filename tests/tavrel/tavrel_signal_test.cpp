// Proves the rotation signal path against a model written apart from it
// (reference/tavrel_model.h): every output bit and the smoothing state over blocks of
// all sizes with parameter changes between them, in all six orders, both
// process and processReplacing, separate and in-place buffers; and the
// closed forms the rotator must meet: quarter turns, settled or from a fresh
// instance's first frame, the step response, order fallbacks and empty blocks.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "tavrel_model.h"
#include "tavrel_probe.h"

namespace {

using reference::TavrelModel;

// Four input and four output channels of one block.
struct Buffers {
  explicit Buffers(int frames) : frames{frames} {
    for (auto& c : in) c.assign(static_cast<size_t>(frames > 0 ? frames : 1), 0.0f);
    for (auto& c : out) c.assign(static_cast<size_t>(frames > 0 ? frames : 1), 0.0f);
  }
  int frames;
  std::array<std::vector<float>, 4> in, out;
  std::array<float*, 4> inPointers() { return {in[0].data(), in[1].data(), in[2].data(), in[3].data()}; }
  std::array<float*, 4> outPointers() {
    return {out[0].data(), out[1].data(), out[2].data(), out[3].data()};
  }
};

void fillRandom(std::vector<float>& channel, std::mt19937& rng) {
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  for (float& s : channel) s = value(rng);
}

bool sameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Processes one block in the plug-in and in the model from the same inputs
// and prior output contents; the plug-in may run in place (outputs are the
// inputs). Returns the first mismatching frame and channel, or -1.
struct Mismatch {
  int frame = -1;
  int channel = -1;
};
Mismatch runBoth(Tavrel& plugin, TavrelModel& model, Buffers& b, bool accumulate, bool inPlace) {
  // The model always works on separate buffers, holding what the plug-in's
  // outputs hold before the call.
  std::array<std::vector<float>, 4> modelOut;
  for (int c = 0; c < 4; ++c) modelOut[c] = inPlace ? b.in[c] : b.out[c];
  std::array<float*, 4> modelOutPointers{modelOut[0].data(), modelOut[1].data(),
                                         modelOut[2].data(), modelOut[3].data()};
  auto in = b.inPointers();
  model.run(in.data(), modelOutPointers.data(), b.frames, accumulate);

  auto out = inPlace ? b.inPointers() : b.outPointers();
  if (accumulate)
    plugin.process(in.data(), out.data(), b.frames);
  else
    plugin.processReplacing(in.data(), out.data(), b.frames);
  for (int i = 0; i < b.frames; ++i)
    for (int c = 0; c < 4; ++c)
      if (!sameBits(out[c][i], modelOutPointers[c][i])) return {i, c};
  return {};
}

void expectSameState(const TavrelProbe& plugin, const TavrelModel& model, const char* where) {
  for (int plane = 0; plane < 3; ++plane) {
    EXPECT_EQ(plugin.sineOld(plane), model.sineOld[plane]) << where << " plane " << plane;
    EXPECT_EQ(plugin.cosineOld(plane), model.cosineOld[plane]) << where << " plane " << plane;
    EXPECT_EQ(plugin.sineTarget(plane), model.sine[plane]) << where << " plane " << plane;
    EXPECT_EQ(plugin.cosineTarget(plane), model.cosine[plane]) << where << " plane " << plane;
  }
}

void setBoth(Tavrel& plugin, TavrelModel& model, int index, float value) {
  plugin.setParameter(index, value);
  model.set(index, value);
}

// Zero input until every smoothed value has stopped moving.
void settle(Tavrel& plugin, int frames = 60000) {
  Buffers b{1000};
  auto in = b.inPointers();
  auto out = b.outPointers();
  for (int done = 0; done < frames; done += 1000) plugin.processReplacing(in.data(), out.data(), 1000);
}

TEST(TavrelSignal, MatchesModelBitForBitInEveryOrderAndMode) {
  // Sizes include empty and odd blocks, and enough frames for the glides to settle.
  std::vector<int> sizes = {0, 1, 7, 64, 513, 2, 0, 1000};
  for (int i = 0; i < 50; ++i) sizes.push_back(1024 + (i % 3));
  sizes.insert(sizes.end(), {3, 100, 0, 555, 64});

  for (int order = 0; order < 6; ++order) {
    for (bool accumulate : {false, true}) {
      for (bool inPlace : {false, true}) {
        SCOPED_TRACE(::testing::Message() << "order " << order << (accumulate ? " process" : " replacing")
                                          << (inPlace ? " in place" : " separate"));
        std::mt19937 rng(1234 + order);
        std::uniform_real_distribution<float> angle(-1.5f, 1.5f);
        TavrelProbe plugin;
        TavrelModel model;
        setBoth(plugin, model, 3, 0.2f * static_cast<float>(order));
        for (size_t block = 0; block < sizes.size(); ++block) {
          // Parameter changes between some blocks; the order moves near the end.
          if (block == 1 || block == 4 || block == sizes.size() - 4) {
            for (int p = 0; p < 3; ++p) setBoth(plugin, model, p, angle(rng));
          }
          if (block == sizes.size() - 2) setBoth(plugin, model, 3, 0.2f * static_cast<float>(5 - order));
          Buffers b{sizes[block]};
          for (auto& c : b.in) fillRandom(c, rng);
          for (auto& c : b.out) fillRandom(c, rng);
          const Mismatch m = runBoth(plugin, model, b, accumulate, inPlace);
          ASSERT_EQ(m.frame, -1) << "block " << block << " channel " << m.channel;
          expectSameState(plugin, model, "after block");
        }
      }
    }
  }
}

// Rotations of unit vectors: each row lists the parameter values and where
// (1,0,0), (0,1,0) and (0,0,1) end up, once settled and in the very first
// frames of a fresh instance given those values before it plays.
TEST(TavrelSignal, SettledQuarterTurns) {
  struct Case {
    float angle[3];
    float order;
    float image[3][3];  // image of X, Y, Z
  };
  const Case cases[] = {
      {{0, 0, 0}, 0.0f, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
      {{0, 0, 0}, 0.2f, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
      {{0, 0, 0}, 0.4f, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
      {{0, 0, 0}, 0.6f, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
      {{0, 0, 0}, 0.8f, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
      {{0, 0, 0}, 1.0f, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
      {{0.25f, 0, 0}, 0.0f, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}},
      {{0, 0.25f, 0}, 0.0f, {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}},
      {{0, 0, 0.25f}, 0.0f, {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}}},
      // The plane rotations do not commute: orders 0 and 5 differ.
      {{0.25f, 0.25f, 0.25f}, 0.0f, {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}},
      {{0.25f, 0.25f, 0.25f}, 1.0f, {{-1, 0, 0}, {0, 0, -1}, {0, -1, 0}}},
      // Half a turn and a full turn.
      {{0.5f, 0, 0}, 0.0f, {{-1, 0, 0}, {0, -1, 0}, {0, 0, 1}}},
      {{0, 0, 1.0f}, 0.6f, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}},
  };
  for (const Case& c : cases) {
    for (bool inPlace : {false, true}) {
      for (bool settled : {true, false}) {
        TavrelProbe plugin;
        for (int p = 0; p < 3; ++p) plugin.setParameter(p, c.angle[p]);
        plugin.setParameter(3, c.order);
        if (settled) settle(plugin);
        Buffers b{3};
        for (int axis = 0; axis < 3; ++axis) {
          b.in[0][axis] = 0.5f;
          b.in[1 + axis][axis] = 1.0f;
        }
        auto in = b.inPointers();
        auto out = inPlace ? b.inPointers() : b.outPointers();
        plugin.processReplacing(in.data(), out.data(), 3);
        for (int axis = 0; axis < 3; ++axis) {
          EXPECT_EQ(out[0][axis], 0.5f);
          for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(out[1 + k][axis], c.image[axis][k], 1e-6)
                << "angles " << c.angle[0] << ' ' << c.angle[1] << ' ' << c.angle[2] << " order "
                << c.order << " axis " << axis << " component " << k
                << (settled ? " settled" : " fresh");
        }
      }
    }
  }
}

// From a settled state with all angles 0, angle 1 steps to a quarter turn:
// with a steady unit X input, output X follows 0.999^k and Y -(1 - 0.999^k).
TEST(TavrelSignal, StepResponseOfAQuarterTurn) {
  for (bool accumulate : {false, true}) {
    TavrelProbe plugin;
    settle(plugin);
    // A settled glide rests where its next step rounds back to itself, which
    // can be some 1e-14 short of the target: the closed form starts there.
    const double cosineStart = plugin.dCosRotateOld, sineStart = plugin.dSinRotateOld;
    ASSERT_NEAR(cosineStart, 1.0, 1e-13);
    ASSERT_NEAR(sineStart, 0.0, 1e-13);
    plugin.setParameter(0, 0.25f);
    const double cosineTarget = std::cos(-0.25 * (2.0 * std::numbers::pi)) + 1e-20;
    const double sineTarget = -1.0 + 1e-20;
    const int blockSize = 100;
    Buffers b{blockSize};
    std::fill(b.in[1].begin(), b.in[1].end(), 1.0f);
    auto in = b.inPointers();
    auto out = b.outPointers();
    for (int block = 0; block < 15; ++block) {
      for (auto& c : b.out) std::fill(c.begin(), c.end(), accumulate ? 0.25f : 7.0f);
      const double sineBefore = plugin.dSinRotateOld;
      const int k0 = block * blockSize;
      // The smoothed pair at the start of the block follows the closed form.
      const double decay = std::pow(0.999, k0);
      ASSERT_NEAR(plugin.dCosRotateOld, cosineTarget + (cosineStart - cosineTarget) * decay, 1e-15);
      ASSERT_NEAR(sineBefore, sineTarget + (sineStart - sineTarget) * decay, 1e-15);
      if (accumulate)
        plugin.process(in.data(), out.data(), blockSize);
      else
        plugin.processReplacing(in.data(), out.data(), blockSize);
      const double base = accumulate ? 0.25 : 0.0;
      for (int i = 0; i < blockSize; ++i) {
        const double a = std::pow(0.999, k0 + i);
        ASSERT_FLOAT_EQ(out[1][i], static_cast<float>(base + a)) << k0 + i;
        ASSERT_NEAR(out[2][i], base - (1.0 - a), 1e-7) << k0 + i;
        ASSERT_NEAR(out[3][i], base, 1e-7) << k0 + i;
        ASSERT_EQ(out[0][i], static_cast<float>(base));  // W input is 0
      }
    }
  }
}

// Orders are taken with one fused multiply-add, each threshold float giving
// the next order and the float below it the previous one; results outside
// 0..5 process exactly as order 0.
TEST(TavrelSignal, OrderValuesProcessAsTheirOrder) {
  struct Case {
    float value;
    int processedAs;
  };
  std::vector<Case> cases = {{1.3f, 0}, {-0.5f, 0}, {-0.15f, 0}, {1e9f, 0}, {-3e38f, 0}, {0.1f, 1},
                             {0.09f, 0}};
  const double thresholds[] = {0.098, 0.298, 0.498, 0.698, 0.898, 1.098};
  for (int k = 0; k < 6; ++k) {
    const float at = static_cast<float>(thresholds[k]);
    cases.push_back({at, k + 1 < 6 ? k + 1 : 0});
    cases.push_back({std::nextafter(at, -1.0f), k});
  }
  for (const Case& c : cases) {
    TavrelProbe plugin, expected;
    const float angles[3] = {0.11f, 0.37f, -0.23f};
    for (int p = 0; p < 3; ++p) {
      plugin.setParameter(p, angles[p]);
      expected.setParameter(p, angles[p]);
    }
    plugin.setParameter(3, c.value);
    expected.setParameter(3, 0.2f * static_cast<float>(c.processedAs));
    std::mt19937 rng(7);
    for (int block = 0; block < 3; ++block) {
      Buffers b{257}, e{257};
      for (int ch = 0; ch < 4; ++ch) {
        fillRandom(b.in[ch], rng);
        e.in[ch] = b.in[ch];
      }
      auto in = b.inPointers(), out = b.outPointers();
      auto ein = e.inPointers(), eout = e.outPointers();
      plugin.processReplacing(in.data(), out.data(), 257);
      expected.processReplacing(ein.data(), eout.data(), 257);
      for (int ch = 0; ch < 4; ++ch)
        ASSERT_EQ(0, std::memcmp(b.out[ch].data(), e.out[ch].data(), 257 * sizeof(float)))
            << "value " << c.value << " block " << block << " channel " << ch;
    }
  }
}

// Empty and negative blocks touch no sample (the buffers here do not even
// exist) but still rewrite the targets; the smoothed values do not move.
TEST(TavrelSignal, EmptyBlocksOnlyRewriteTargets) {
  for (VstInt32 frames : {0, -1, -1024}) {
    for (bool accumulate : {false, true}) {
      TavrelProbe plugin;
      settle(plugin);
      double sineBefore[3], cosineBefore[3];
      for (int plane = 0; plane < 3; ++plane) {
        sineBefore[plane] = plugin.sineOld(plane);
        cosineBefore[plane] = plugin.cosineOld(plane);
      }
      plugin.setParameter(0, 0.25f);
      plugin.setParameter(3, 0.6f);  // order 3: tilt, tumble, rotate
      float* none[4] = {nullptr, nullptr, nullptr, nullptr};
      if (accumulate)
        plugin.process(none, none, frames);
      else
        plugin.processReplacing(none, none, frames);
      // Angle 1 drives the first operation of order 3: tilt.
      EXPECT_EQ(plugin.dSinTilt, std::sin(-0.25 * (2.0 * std::numbers::pi)) + 1e-20);
      EXPECT_EQ(plugin.dCosTilt, std::cos(-0.25 * (2.0 * std::numbers::pi)) + 1e-20);
      EXPECT_EQ(plugin.dSinRotate, 1e-20);
      EXPECT_EQ(plugin.dCosRotate, 1.0);
      for (int plane = 0; plane < 3; ++plane) {
        EXPECT_EQ(plugin.sineOld(plane), sineBefore[plane]);
        EXPECT_EQ(plugin.cosineOld(plane), cosineBefore[plane]);
      }
    }
  }
}

// Silence in gives silence-sized values out, never NaN, even with huge angles.
TEST(TavrelSignal, HugeAnglesAndExtremeInputsStayFinite) {
  TavrelProbe plugin;
  plugin.setParameter(0, 3e38f);
  plugin.setParameter(1, -1e30f);
  plugin.setParameter(2, 12345.678f);
  Buffers b{512};
  std::mt19937 rng(3);
  for (auto& c : b.in) fillRandom(c, rng);
  b.in[1][5] = 1e30f;
  b.in[2][6] = -1e-40f;  // a denormal input
  auto in = b.inPointers(), out = b.outPointers();
  for (int block = 0; block < 200; ++block) {
    plugin.processReplacing(in.data(), out.data(), 512);
    for (int c = 0; c < 4; ++c)
      for (float s : b.out[c]) ASSERT_FALSE(std::isnan(s)) << block;
  }
}

}  // namespace
