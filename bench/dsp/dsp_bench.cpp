// Times both plug-ins' processReplacing through the effect record of the
// shipped .so, beside the plain per-sample recurrence (the reference models
// the tests check the plug-ins against, reference/*_model.h), a
// copy loop moving the same bytes (the memory floor) and the glide chains
// alone (the latency bound of a gliding block), at blocks of 1, 3, 64, 512 and
// 735 frames (the benchmark's argument) in three states: gliding, settled, and
// a parameter change every block (plus, for Pelrin, settled with weights
// resting as subnormal numbers). Items per second count frames. Ratios are
// oxel bench's to compute: each family beside Reference_plain with the same
// plug-in, state and block.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "glide_bound.h"
#include "pelrin_model.h"
#include "plugin_host.h"
#include "tavrel_model.h"

namespace {

enum class Kind { kPelrin, kTavrel };
enum class State { kGliding, kSettled, kSettledSubnormal, kChangeEveryBlock };
enum class Subject { kPlugin, kPlain, kCopy, kLatency };

const char* kindName(Kind k) { return k == Kind::kPelrin ? "Pelrin" : "Tavrel"; }
const char* stateName(State s) {
  switch (s) {
    case State::kGliding: return "gliding";
    case State::kSettled: return "settled";
    case State::kSettledSubnormal: return "settled_subnormal";
    default: return "change_every_block";
  }
}
// Benchmark families; oxel bench takes the one named Reference as the yardstick.
const char* subjectName(Subject s) {
  return s == Subject::kPlugin  ? "Plugin"
         : s == Subject::kPlain ? "Reference_plain"
         : s == Subject::kCopy  ? "Copy_floor"
                                : "Glide_latency_bound";
}

// Two parameter sets per plug-in; gliding states move between them.
const float kPelrinSets[2][4] = {{0.13f, 0.3f, 0.2f, 0.6f}, {0.35f, 0.2f, 0.25f, 0.9f}};
// A level elevation: Pelrin's Z weights glide towards exactly 0 and come to
// rest as subnormal numbers after some 760000 frames.
const float kPelrinLevel[4] = {0.13f, 0.25f, 0.2f, 0.6f};
constexpr int kSubnormalSettleFrames = 800000;
const float kTavrelSets[2][4] = {{0.1f, 0.2f, 0.3f, 0.5f}, {0.35f, 0.05f, 0.15f, 0.5f}};
// A glide settles after some 40000 frames; switching every 8192 keeps it moving.
constexpr int kGlideSwitchFrames = 8192;
constexpr int kSettleFrames = 200000;

// Four input and four output channels of noise.
struct Channels {
  explicit Channels(int frames) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    for (auto& c : in) {
      c.resize(static_cast<size_t>(frames));
      for (float& s : c) s = value(rng);
    }
    for (auto& c : out) c.assign(static_cast<size_t>(frames), 0.0f);
    for (int c = 0; c < 4; ++c) {
      inPointers[c] = in[c].data();
      outPointers[c] = out[c].data();
    }
  }
  std::vector<float> in[4], out[4];
  float* inPointers[4];
  float* outPointers[4];
};

std::shared_ptr<oxel::PluginLibrary> library(Kind kind) {
  static std::shared_ptr<oxel::PluginLibrary> loaded[2];
  auto& slot = loaded[kind == Kind::kPelrin ? 0 : 1];
  if (!slot) {
    std::string error;
    const std::string path = std::string(OXEL_PLUGIN_DIR) + "/" + kindName(kind) + "/" +
                             kindName(kind) + ".so";
    slot = oxel::PluginLibrary::load(path, error);
    if (!slot) std::fprintf(stderr, "%s\n", error.c_str());
  }
  return slot;
}

// One subject processing blocks under one state's parameter schedule.
class Runner {
 public:
  Runner(Kind kind, Subject subject, int block) : kind_{kind}, subject_{subject}, block_{block} {
    if (subject == Subject::kPlugin) {
      std::string error;
      auto lib = library(kind);
      if (lib) instance_ = oxel::PluginInstance::create(lib, error);
    }
  }
  bool ready() const { return subject_ != Subject::kPlugin || instance_ != nullptr; }

  void setParameters(const float* values) {
    if (subject_ == Subject::kPlugin) {
      AEffect* e = instance_->effect();
      for (int i = 0; i < 4; ++i) e->setParameter(e, i, values[i]);
    } else {
      for (int i = 0; i < 4; ++i) {
        if (kind_ == Kind::kPelrin)
          pelrin_.set(i, values[i]);
        else
          tavrel_.set(i, values[i]);
      }
    }
  }

  void processBlock(Channels& c) {
    switch (subject_) {
      case Subject::kPlugin: {
        AEffect* e = instance_->effect();
        e->processReplacing(e, c.inPointers, c.outPointers, block_);
        break;
      }
      case Subject::kPlain:
        if (kind_ == Kind::kPelrin)
          pelrin_.run(c.inPointers, c.outPointers, block_, false);
        else
          tavrel_.run(c.inPointers, c.outPointers, block_, false);
        break;
      case Subject::kLatency: {
        // Chains far from their targets, reset now and then so they never settle.
        if (++latencyBlocks_ % 64 == 0)
          for (double& v : latencyValues_) v = 1.0;
        glideChainsOnly(latencyValues_, kLatencyTargets, kind_ == Kind::kPelrin ? 7 : 6, block_);
        break;
      }
      case Subject::kCopy: {
        const size_t bytes = sizeof(float) * static_cast<size_t>(block_);
        // Pelrin reads four channels and writes two: the floor copies all four
        // inputs into its two outputs; Tavrel copies four into four.
        const int outputs = kind_ == Kind::kPelrin ? 2 : 4;
        for (int ch = 0; ch < 4; ++ch) std::memcpy(c.outPointers[ch % outputs], c.inPointers[ch], bytes);
        break;
      }
    }
  }

 private:
  Kind kind_;
  Subject subject_;
  int block_;
  std::unique_ptr<oxel::PluginInstance> instance_;
  reference::PelrinModel pelrin_;
  reference::TavrelModel tavrel_;
  static constexpr double kLatencyTargets[7] = {-0.5, 0.25, 0.125, -0.75, 0.3, -0.2, 0.6};
  double latencyValues_[7] = {1, 1, 1, 1, 1, 1, 1};
  long latencyBlocks_ = 0;
};

void runBenchmark(benchmark::State& st, Kind kind, State state, Subject subject, int block) {
  Runner runner{kind, subject, block};
  if (!runner.ready()) {
    st.SkipWithError("plug-in not loadable");
    return;
  }
  Channels channels{block};
  const auto& sets = kind == Kind::kPelrin ? kPelrinSets : kTavrelSets;
  runner.setParameters(sets[0]);
  if (state == State::kSettled)
    for (int done = 0; done < kSettleFrames; done += block) runner.processBlock(channels);
  if (state == State::kSettledSubnormal) {
    for (int done = 0; done < 8192; done += block) runner.processBlock(channels);
    runner.setParameters(kPelrinLevel);
    for (int done = 0; done < kSubnormalSettleFrames; done += block) runner.processBlock(channels);
  }
  const int switchBlocks = kGlideSwitchFrames / block;
  long blockCount = 0;
  int current = 0;
  for (auto _ : st) {
    if (state == State::kChangeEveryBlock ||
        (state == State::kGliding && blockCount % switchBlocks == 0)) {
      current ^= 1;
      runner.setParameters(sets[current]);
    }
    runner.processBlock(channels);
    benchmark::DoNotOptimize(channels.out[1].data());
    benchmark::ClobberMemory();
    ++blockCount;
  }
  st.SetItemsProcessed(st.iterations() * block);
  st.counters["frames"] = block;
}

// Block sizes: the two common host sizes, single frames, a size that leaves
// every vector loop with a remainder, and an odd size as hosts at 44.1 kHz
// with 60 blocks a second use.
void blockSizes(benchmark::internal::Benchmark* b) {
  for (int frames : {1, 3, 64, 512, 735}) b->Arg(frames);
}

std::string familyName(Kind kind, State state, Subject subject) {
  return std::string(subjectName(subject)) + "/" + kindName(kind) + "/" + stateName(state);
}

}  // namespace

int main(int argc, char** argv) {
  const Subject subjects[] = {Subject::kPlugin, Subject::kPlain, Subject::kCopy, Subject::kLatency};
  for (Kind kind : {Kind::kPelrin, Kind::kTavrel})
    for (State state : {State::kGliding, State::kSettled, State::kSettledSubnormal,
                        State::kChangeEveryBlock})
      for (Subject subject : subjects) {
        if (subject == Subject::kLatency && state != State::kGliding) continue;
        if (state == State::kSettledSubnormal && kind != Kind::kPelrin) continue;
        const auto run = [=](benchmark::State& st) {
          runBenchmark(st, kind, state, subject, static_cast<int>(st.range(0)));
        };
        benchmark::RegisterBenchmark(familyName(kind, state, subject).c_str(), run)
            ->Apply(blockSizes);
      }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
