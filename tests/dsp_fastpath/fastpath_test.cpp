// Proves that both plug-ins' fast sample loops give exactly what the plain
// per-sample recurrence gives: every output bit, every untouched byte around
// the buffers, and the smoothing state after every block, over many random
// schedules of parameter changes, block sizes (0, 1, odd, large), process and
// processReplacing, and buffer layouts (separate, in place, crossed channels,
// overlapping with an offset). Long stretches without changes let the glides
// settle, so blocks start settled, settle midway, or glide throughout.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "Pelrin.h"
#include "pelrin_model.h"
#include "tavrel_model.h"
#include "tavrel_probe.h"

namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class PelrinProbe : public Pelrin {
 public:
  PelrinProbe() : Pelrin{nullptr} {}
  void expectState(const reference::PelrinModel& r, bool framesRan) const {
    const double old[7] = {dZerothLevelOld, dXCoeffLeftOld,  dYCoeffLeftOld, dZCoeffLeftOld,
                           dXCoeffRightOld, dYCoeffRightOld, dZCoeffRightOld};
    const double target[7] = {dZerothLevel, dXCoeffLeft,  dYCoeffLeft, dZCoeffLeft,
                              dXCoeffRight, dYCoeffRight, dZCoeffRight};
    for (int c = 0; c < 7; ++c) {
      EXPECT_TRUE(sameBits(old[c], r.old[c])) << "weight " << c << ": " << old[c] << " vs " << r.old[c];
      EXPECT_TRUE(sameBits(target[c], r.target[c])) << "weight " << c;
    }
    // Compared as bits: an overlapping layout can feed outputs back into
    // inputs until they overflow, and both sides must agree even then.
    const double work[4] = {newW, newX, newY, newZ};
    if (framesRan) {
      EXPECT_EQ(0, std::memcmp(work, r.work, sizeof work));
    }
  }
};

void expectTavrelState(const TavrelProbe& t, const reference::TavrelModel& m) {
  for (int plane = 0; plane < 3; ++plane) {
    EXPECT_TRUE(sameBits(t.sineOld(plane), m.sineOld[plane])) << "plane " << plane;
    EXPECT_TRUE(sameBits(t.cosineOld(plane), m.cosineOld[plane])) << "plane " << plane;
    EXPECT_TRUE(sameBits(t.sineTarget(plane), m.sine[plane])) << "plane " << plane;
    EXPECT_TRUE(sameBits(t.cosineTarget(plane), m.cosine[plane])) << "plane " << plane;
  }
}

// ---- Buffer layouts: one arena, channel pointers into it ----

enum class Layout { kSeparate, kInPlace, kCrossed, kShifted, kCount };

// Builds the channel pointers of a layout inside an arena; the same layout on
// two arenas of equal content gives both sides identical aliasing.
struct Arena {
  Arena(Layout layout, int frames, int outputs, std::mt19937& rng, bool infinities = false) {
    const size_t stride = static_cast<size_t>(frames) + 8;  // room for guards and shifts
    bytes.resize(stride * 8 + 8);
    // Noise in -1..1 from a quick generator seeded by the schedule's.
    std::uint32_t state = static_cast<std::uint32_t>(rng());
    auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    for (float& s : bytes) s = static_cast<float>(static_cast<std::int32_t>(next())) * 0x1p-31f;
    // Often quiet samples down to exact zeros, where the 1e-20 offsets and
    // the order of additions decide the last bit.
    if (rng() % 2 == 0) {
      static const float scales[] = {0.0f, 1e-20f, 3e-19f, 1e-12f, 1e-7f};
      for (size_t i = 0; i < bytes.size(); i += 1 + (next() >> 30)) bytes[i] *= scales[(next() >> 8) % 5];
    }
    // A few infinite samples, which the settled loops must treat as the plain loop does.
    if (infinities)
      for (size_t i = rng() % 97; i < bytes.size(); i += 1 + rng() % 200)
        bytes[i] = rng() % 2 ? std::numeric_limits<float>::infinity()
                             : -std::numeric_limits<float>::infinity();
    for (int c = 0; c < 4; ++c) inOffset[c] = 4 + stride * static_cast<size_t>(c);
    for (int c = 0; c < outputs; ++c) {
      switch (layout) {
        case Layout::kSeparate: outOffset[c] = 4 + stride * static_cast<size_t>(4 + c); break;
        case Layout::kInPlace: outOffset[c] = inOffset[c]; break;
        case Layout::kCrossed: outOffset[c] = inOffset[(c + 1) % 4]; break;
        default: outOffset[c] = inOffset[c] + 1; break;  // overlapping, one frame later
      }
    }
  }
  void pointers(float** in, float** out, int outputs) {
    for (int c = 0; c < 4; ++c) in[c] = bytes.data() + inOffset[c];
    for (int c = 0; c < outputs; ++c) out[c] = bytes.data() + outOffset[c];
  }
  std::vector<float> bytes;
  size_t inOffset[4] = {};
  size_t outOffset[4] = {};
};

// ---- Random schedules ----

struct Step {
  int frames;
  bool accumulate;
  Layout layout;
};

class Schedule {
 public:
  explicit Schedule(unsigned seed) : rng_{seed} {}
  std::mt19937& rng() { return rng_; }

  // The next block: mostly ordinary host sizes, sometimes tiny, odd or empty.
  Step nextBlock() {
    static const int common[] = {0, 1, 2, 3, 4, 5, 7, 31, 64, 128, 511, 512, 513, 1024, 4096};
    Step s{};
    s.frames = rng_() % 3 == 0 ? static_cast<int>(rng_() % 300)
                               : common[rng_() % (sizeof common / sizeof common[0])];
    s.accumulate = rng_() % 2 == 0;
    const unsigned pick = rng_() % 10;
    s.layout = pick < 5 ? Layout::kSeparate
               : pick < 8 ? Layout::kInPlace
               : pick < 9 ? Layout::kCrossed
                          : Layout::kShifted;
    return s;
  }

  // A parameter value: ordinary, repeated, a neighbour of the last, out of
  // range, or one that sends weights to exactly zero (pattern 0 or 1, level
  // elevation, angles of 0 and -0).
  float nextValue(float current) {
    static const float special[] = {0.0f, -0.0f, 0.25f, 0.5f, 1.0f};
    switch (rng_() % 8) {
      case 0: return current;  // same value: the glide stays settled
      case 1: return std::nextafter(current, 2.0f);
      case 2: return std::uniform_real_distribution<float>(-2.0f, 3.0f)(rng_);
      case 3:
      case 4: return special[rng_() % 5];
      default: return std::uniform_real_distribution<float>(0.0f, 1.0f)(rng_);
    }
  }

  // Frames to run without parameter changes: short, long enough to settle,
  // or long enough for a glide towards zero to come to rest among the
  // subnormal numbers (0.999^k passes 1e-308 after some 710000 frames).
  int nextHold() {
    switch (rng_() % 8) {
      case 0: return 760000 + static_cast<int>(rng_() % 20000);
      case 1:
      case 2: return 45000 + static_cast<int>(rng_() % 20000);
      default: return static_cast<int>(rng_() % 3000);
    }
  }

 private:
  std::mt19937 rng_;
};

// Runs one block in the plug-in and in the model on arenas of equal content and
// layout, and checks that every float of the arenas and the state agree.
template <class Plugin, class Model, class ExpectState>
void compareBlock(Plugin& plugin, Model& model, const Step& s, int outputs, std::mt19937& rng,
                  ExpectState expectState, bool infinities = false) {
  Arena mine{s.layout, s.frames, outputs, rng, infinities};
  Arena theirs = mine;
  float* in[4];
  float* out[4];
  float* refIn[4];
  float* refOut[4];
  mine.pointers(in, out, outputs);
  theirs.pointers(refIn, refOut, outputs);
  model.run(refIn, refOut, s.frames, s.accumulate);
  if (s.accumulate)
    plugin.process(in, out, s.frames);
  else
    plugin.processReplacing(in, out, s.frames);
  if (std::memcmp(mine.bytes.data(), theirs.bytes.data(), mine.bytes.size() * sizeof(float)) != 0) {
    size_t i = 0;
    while (std::memcmp(&mine.bytes[i], &theirs.bytes[i], sizeof(float)) == 0) ++i;
    FAIL() << "frames " << s.frames << " layout " << static_cast<int>(s.layout)
           << (s.accumulate ? " process" : " replacing") << ": arena float " << i << " is "
           << mine.bytes[i] << ", the recurrence gives " << theirs.bytes[i];
  }
  expectState(plugin, model, s.frames > 0);
}

template <class Plugin, class Model, class ExpectState>
void runSchedule(unsigned seed, int outputs, int totalFrames, ExpectState expectState) {
  Schedule schedule{seed};
  Plugin plugin;
  Model model;
  int done = 0, block = 0;
  while (done < totalFrames) {
    // A burst of parameter changes, then a hold.
    const int changes = static_cast<int>(schedule.rng()() % 4);
    for (int c = 0; c < changes; ++c) {
      const int index = static_cast<int>(schedule.rng()() % 5);  // 4: out of range
      const float value = schedule.nextValue(plugin.getParameter(index));
      plugin.setParameter(index, value);
      model.set(index, value);
    }
    const int hold = schedule.nextHold();
    for (int held = 0; held <= hold && done < totalFrames; ++block) {
      const Step s = schedule.nextBlock();
      compareBlock(plugin, model, s, outputs, schedule.rng(), expectState);
      ASSERT_FALSE(::testing::Test::HasFailure()) << "seed " << seed << " block " << block;
      held += s.frames > 0 ? s.frames : 1;
      done += s.frames;
    }
  }
}

auto pelrinState = [](const PelrinProbe& p, const reference::PelrinModel& r, bool ran) {
  p.expectState(r, ran);
};

TEST(DspFastPath, PelrinMatchesThePlainRecurrence) {
  for (unsigned seed = 1; seed <= 8; ++seed)
    runSchedule<PelrinProbe, reference::PelrinModel>(seed, 2, 1500000, pelrinState);
}

TEST(DspFastPath, TavrelMatchesThePlainRecurrence) {
  for (unsigned seed = 1; seed <= 8; ++seed)
    runSchedule<TavrelProbe, reference::TavrelModel>(
        seed, 4, 1500000, [](const TavrelProbe& t, const reference::TavrelModel& m, bool) {
          expectTavrelState(t, m);
        });
}

// A glide towards an exact zero (level elevation: the Z weights; pattern 0:
// all first-order weights; pattern 1: the W weight) comes to rest at a
// subnormal weight, where the settled loop substitutes zeros and falls back to
// the plain frames for infinite inputs. Same bits either way.
TEST(DspFastPath, PelrinWeightsRestingAsSubnormals) {
  struct Case {
    float parameter[4];
    int subnormalWeight;  // one weight that must have come to rest as a subnormal
  };
  const Case cases[] = {{{0.1f, 0.25f, 0.2f, 0.6f}, 3},
                        {{0.3f, 0.4f, 0.1f, 0.0f}, 1},
                        {{0.3f, 0.4f, 0.1f, 1.0f}, 0},
                        {{0.7f, 0.25f, 0.3f, 0.0f}, 6}};
  unsigned seed = 100;
  for (const Case& c : cases) {
    PelrinProbe plugin;
    reference::PelrinModel model;
    std::mt19937 rng(seed++);
    // First every weight moves away from its start (the Z weights start at 0).
    for (int i = 0; i < 4; ++i) {
      plugin.setParameter(i, 0.4f);
      model.set(i, 0.4f);
    }
    compareBlock(plugin, model, Step{4096, false, Layout::kSeparate}, 2, rng, pelrinState);
    for (int i = 0; i < 4; ++i) {
      plugin.setParameter(i, c.parameter[i]);
      model.set(i, c.parameter[i]);
    }
    for (int done = 0; done < 760000; done += 4096)
      compareBlock(plugin, model, Step{4096, false, Layout::kSeparate}, 2, rng, pelrinState);
    ASSERT_FALSE(::testing::Test::HasFailure());
    const double resting = model.old[c.subnormalWeight];
    ASSERT_NE(resting, 0.0);
    ASSERT_LT(std::fabs(resting), std::numeric_limits<double>::min());
    Schedule schedule{seed};
    for (int block = 0; block < 300; ++block) {
      const Step s = schedule.nextBlock();
      compareBlock(plugin, model, s, 2, rng, pelrinState, block % 3 == 0);
      ASSERT_FALSE(::testing::Test::HasFailure()) << "case " << seed << " block " << block;
    }
  }
}

}  // namespace
