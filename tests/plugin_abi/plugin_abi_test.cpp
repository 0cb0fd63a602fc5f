// Each built plug-in driven only through its entry point and effect record, as
// a host drives it: identity, texts written into sentinel-filled buffers,
// programs, pins, bad requests, exports, and processing that matches the
// separately written model bit for bit, also while another thread changes
// parameters. What differs between the plug-ins is one row of kPlugins.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "built_plugins.h"
#include "pelrin_model.h"
#include "plugin_host.h"
#include "sentinel_text.h"
#include "tavrel_model.h"

namespace {

// The audio model of a plug-in, whichever it is.
class AudioModel {
 public:
  virtual ~AudioModel() = default;
  virtual void set(int index, float value) = 0;
  virtual void run(float* const* in, float* const* out, int frames, bool accumulate) = 0;
};

template <class Model>
class ModelOf final : public AudioModel {
 public:
  void set(int index, float value) override { model.set(index, value); }
  void run(float* const* in, float* const* out, int frames, bool accumulate) override {
    model.run(in, out, frames, accumulate);
  }

 private:
  Model model;
};

struct Display {
  VstInt32 index;
  float value;
  const char* shown;
};

// What one plug-in reports; every other fact is the same for both.
struct PluginFacts {
  const char* name;
  const char* uniqueId;
  std::vector<std::string> outputPins;
  std::vector<std::string> parameterNames, parameterLabels;
  std::vector<Display> displays;  // set in this order on a fresh instance
  const char* firstProgramName;
  std::unique_ptr<AudioModel> (*model)();
};

const PluginFacts kPlugins[] = {
    {"Pelrin",
     "QRMA",
     {"Mic 1", "Mic 2"},
     {"Azimuth", "Elevation", "Mic Angle", "Mic Pattern"},
     {"degrees", "degrees", "degrees", "pattern"},
     {{0, 0.5f, "180.0000"},
      {1, 0.0f, "-90.0000"},
      {2, 0.16666667f, "60.00000"},
      {3, 0.7f, "0.699999"},
      {1, 0.25f, "0.000000"},  // level
      {1, 1.0f, "270.0000"},
      {0, 1.0f, "360.0000"},
      {0, 0.0f, "0.000000"},
      {2, 0.25f, "90.00000"},
      {3, 1.0f, "1.000000"},
      {0, -0.25f, "-90.0000"}},  // values outside 0..1 are kept and shown as they map
     "Mic pattern control",
     [] { return std::unique_ptr<AudioModel>{new ModelOf<reference::PelrinModel>}; }},
    {"Tavrel",
     "QRpa",
     {"W", "X", "Y", "Z"},
     {"Angle1", "Angle2", "Angle3", "Order of Processing"},
     {"degrees", "degrees", "degrees", "process"},
     {{0, 0.25f, "90.00000"},
      {1, 0.0f, "0.000000"},
      {2, 0.5f, "180.0000"},
      {3, 1.3f, "      7"},  // shown as computed, processed as order 0
      {3, 0.898f, "      5"},
      {3, std::nextafter(0.898f, 0.0f), "      4"}},
     "Ambisonic field control",
     [] { return std::unique_ptr<AudioModel>{new ModelOf<reference::TavrelModel>}; }},
};

class PluginAbi : public ::testing::TestWithParam<const PluginFacts*> {
 protected:
  void SetUp() override {
    std::string error;
    library = oxel::PluginLibrary::load(builtPluginPath(facts().name), error);
    ASSERT_TRUE(library) << error;
    plugin = oxel::PluginInstance::create(library, error);
    ASSERT_TRUE(plugin) << error;
    e = plugin->effect();
  }
  const PluginFacts& facts() const { return *GetParam(); }
  VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr) {
    return plugin->dispatch(opcode, index, value, ptr);
  }
  std::string text(VstInt32 opcode, VstInt32 index = 0, size_t limit = 64) {
    return sentinelText([&](char* buffer) { dispatch(opcode, index, 0, buffer); }, limit);
  }

  // One processReplacing block of a fixed signal: every output sample has
  // the model's bits, and is finite.
  void expectBlockMatchesModel(AudioModel& model, int frames) {
    std::array<std::vector<float>, 4> in, out, expected;
    for (int c = 0; c < 4; ++c) {
      in[c].resize(static_cast<size_t>(frames));
      for (int i = 0; i < frames; ++i) in[c][i] = std::sin(0.01f * static_cast<float>(i * (c + 1)));
      out[c].assign(static_cast<size_t>(frames), 0.0f);
      expected[c] = out[c];
    }
    float* inPointers[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
    float* outPointers[4] = {out[0].data(), out[1].data(), out[2].data(), out[3].data()};
    float* expectedPointers[4] = {expected[0].data(), expected[1].data(), expected[2].data(),
                                  expected[3].data()};
    model.run(inPointers, expectedPointers, frames, false);
    e->processReplacing(e, inPointers, outPointers, frames);
    for (int c = 0; c < plugin->numOutputs(); ++c) {
      EXPECT_EQ(0, std::memcmp(out[c].data(), expected[c].data(), sizeof(float) * frames)) << c;
      for (float sample : out[c]) ASSERT_TRUE(std::isfinite(sample)) << c;
    }
  }

  std::shared_ptr<oxel::PluginLibrary> library;
  std::unique_ptr<oxel::PluginInstance> plugin;
  AEffect* e = nullptr;
};

TEST_P(PluginAbi, IdentityAndCounts) {
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_EQ(oxel::fourCharString(e->uniqueID), facts().uniqueId);
  EXPECT_EQ(e->numPrograms, 32);
  EXPECT_EQ(e->numParams, 4);
  EXPECT_EQ(e->numInputs, 4);
  EXPECT_EQ(e->numOutputs, static_cast<VstInt32>(facts().outputPins.size()));
  EXPECT_EQ(e->flags & effFlagsCanReplacing, effFlagsCanReplacing);
  EXPECT_EQ(e->flags & effFlagsHasEditor, effFlagsHasEditor);
  EXPECT_NE(e->processReplacing, nullptr);
  EXPECT_EQ(e->version, 1);
  EXPECT_EQ(plugin->category(), 7);
  EXPECT_EQ(plugin->vendorVersion(), 1024);
  EXPECT_EQ(dispatch(effGetVstVersion), 2300);
  EXPECT_EQ(text(effGetVendorString), "Oxel Music Dept.");
  EXPECT_EQ(dispatch(effIdentify), 0x4E764566);
}

TEST_P(PluginAbi, OnlyTheEntryPointsAreExported) {
  for (const char* name : {"VSTPluginMain", "main_macho", "main"})
    EXPECT_NE(library->symbol(name), nullptr) << name;
  const std::string name = facts().name;
  const std::string setParameter = "_ZN" + std::to_string(name.size()) + name + "12setParameterEif";
  for (const std::string& hidden : {std::string{"oome"}, setParameter, std::string{"dispatchEffectClass"}})
    EXPECT_EQ(library->symbol(hidden.c_str()), nullptr) << hidden;
}

TEST_P(PluginAbi, EntryPointRefusesWithoutAHost) {
  auto entry = library->entryPoint();
  EXPECT_EQ(entry(nullptr), nullptr);
  auto tooOld = [](AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) -> VstIntPtr { return 0; };
  EXPECT_EQ(entry(tooOld), nullptr);
}

TEST_P(PluginAbi, ParameterTextsAndRoundTrips) {
  for (VstInt32 i = 0; i < 4; ++i) {
    EXPECT_EQ(text(effGetParamName, i), facts().parameterNames[i]);
    EXPECT_EQ(text(effGetParamLabel, i), facts().parameterLabels[i]);
  }
  for (const Display& d : facts().displays) {
    e->setParameter(e, d.index, d.value);
    EXPECT_EQ(e->getParameter(e, d.index), d.value) << d.index;
    EXPECT_EQ(text(effGetParamDisplay, d.index, 9), d.shown) << d.index << " = " << d.value;
  }
}

TEST_P(PluginAbi, ProgramsKeepTheirValuesAndNames) {
  EXPECT_EQ(text(effGetProgramName, 0, 24), facts().firstProgramName);
  const float first = e->getParameter(e, 1);
  plugin->setProgram(5);
  EXPECT_EQ(plugin->program(), 5);
  e->setParameter(e, 1, 0.375f);
  // Out-of-range numbers, including one that is 3 in its low 32 bits, change nothing.
  for (VstIntPtr bad : {VstIntPtr{-1}, VstIntPtr{32}, (VstIntPtr{1} << 32) + 3}) {
    dispatch(effSetProgram, 0, bad);
    EXPECT_EQ(plugin->program(), 5) << bad;
  }
  plugin->setProgram(0);
  EXPECT_EQ(e->getParameter(e, 1), first);
  plugin->setProgram(5);
  EXPECT_EQ(e->getParameter(e, 1), 0.375f);
}

// A program named exactly "Init" is reported with its number (counted from
// 1); any other name as given, cut to 23 characters. The name stays with its
// program.
TEST_P(PluginAbi, ProgramNamesWithTheInitRuleAndTruncation) {
  const struct {
    VstIntPtr program;
    const char* set;
    const char* shown;
  } cases[] = {
      {0, "Init", "Init 1"},
      {4, "Init", "Init 5"},
      {5, "Init", "Init 6"},
      {31, "Init", "Init 32"},
      {0, "Init2", "Init2"},
      {4, "Init ", "Init "},
      {4, "Initial", "Initial"},
      {0, "init", "init"},
      {2, "", ""},
      {1, "A name that is far longer than twenty-three", "A name that is far long"},
      {5, "abcdefghijklmnopqrstuvwxyz0123456789", "abcdefghijklmnopqrstuvw"},
  };
  for (const auto& c : cases) {
    dispatch(effSetProgram, 0, c.program);
    std::string name = c.set;
    dispatch(effSetProgramName, 0, 0, name.data());
    EXPECT_EQ(text(effGetProgramName, 0, 24), c.shown) << c.program << " " << c.set;
  }
  // Each program keeps the last name it was given.
  dispatch(effSetProgram, 0, 1);
  EXPECT_EQ(text(effGetProgramName, 0, 24), "A name that is far long");
  dispatch(effSetProgram, 0, 4);
  EXPECT_EQ(text(effGetProgramName, 0, 24), "Initial");
}

// Every pin is active and labelled; the fields a plug-in does not set stay
// as the host left them; indexes past the pins write nothing.
TEST_P(PluginAbi, Pins) {
  const std::vector<std::string> inputs{"W", "X", "Y", "Z"};
  const std::vector<std::string>& outputs = facts().outputPins;
  for (VstInt32 opcode : {effGetInputProperties, effGetOutputProperties}) {
    const auto& labels = opcode == effGetInputProperties ? inputs : outputs;
    for (size_t i = 0; i < labels.size(); ++i) {
      VstPinProperties pin;
      std::memset(&pin, 0x55, sizeof pin);
      ASSERT_EQ(dispatch(opcode, static_cast<VstInt32>(i), 0, &pin), 1) << opcode << " " << i;
      EXPECT_EQ(std::string{pin.label}, labels[i]);
      EXPECT_EQ(pin.flags, kVstPinIsActive);
      EXPECT_EQ(pin.arrangementType, 0x55555555);
    }
    for (VstInt32 bad : {static_cast<VstInt32>(labels.size()), -1, 1000}) {
      VstPinProperties pin{};
      EXPECT_EQ(dispatch(opcode, bad, 0, &pin), 0) << opcode << " " << bad;
      EXPECT_EQ(pin.label[0], 0) << opcode << " " << bad;
    }
  }
}

// NaN and the infinities on any parameter, and any index outside the four,
// change nothing: not the values read back, not the displays, not the
// program's stored values, not the audio (a block matches the model that
// only saw the good values). Finite values outside 0..1, however large, are
// kept and played.
TEST_P(PluginAbi, BadRequestsChangeNothing) {
  for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay, effGetProgramName,
                          effSetProgramName, effGetVendorString, effGetInputProperties,
                          effGetOutputProperties, effGetProductString, effGetEffectName})
    EXPECT_EQ(dispatch(opcode, 0, 0, nullptr), 0) << opcode;
  std::unique_ptr<AudioModel> model = facts().model();
  const float good[4] = {0.125f, 0.375f, 0.3f, 0.5f};
  std::string shown[4];
  for (VstInt32 i = 0; i < 4; ++i) {
    e->setParameter(e, i, good[i]);
    model->set(i, good[i]);
    shown[i] = text(effGetParamDisplay, i);
  }
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()})
    for (VstInt32 i = 0; i < 4; ++i) e->setParameter(e, i, bad);
  for (VstInt32 bad : {-1, 4, 7, 1000, 0x7FFFFFFF}) {
    e->setParameter(e, bad, 0.9f);
    EXPECT_EQ(e->getParameter(e, bad), 0.0f) << bad;
    // Nothing is written, not even a terminator.
    for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
      EXPECT_EQ(text(opcode, bad), "<unterminated>") << opcode << " " << bad;
  }
  plugin->setProgram(1);
  plugin->setProgram(0);
  for (VstInt32 i = 0; i < 4; ++i) {
    EXPECT_EQ(e->getParameter(e, i), good[i]) << i;
    EXPECT_EQ(text(effGetParamDisplay, i), shown[i]) << i;
  }
  expectBlockMatchesModel(*model, 64);

  const struct {
    VstInt32 index;
    float value;
  } kept[] = {{3, 1.5f}, {1, 3e38f}, {0, -3e38f}};
  for (const auto& k : kept) {
    e->setParameter(e, k.index, k.value);
    model->set(k.index, k.value);
    EXPECT_EQ(e->getParameter(e, k.index), k.value) << k.index;
    expectBlockMatchesModel(*model, 64);
  }
}

// Two instances with different settings, each matching its own model: blocks
// of varied sizes, parameter changes between blocks, both process calls,
// separate and in-place buffers.
TEST_P(PluginAbi, ProcessingMatchesTheModel) {
  std::string error;
  auto second = oxel::PluginInstance::create(library, error);
  ASSERT_TRUE(second) << error;
  oxel::PluginInstance* instances[2] = {plugin.get(), second.get()};
  std::unique_ptr<AudioModel> models[2] = {facts().model(), facts().model()};
  const int numOutputs = plugin->numOutputs();
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> sample(-1.0f, 1.0f), value(-0.2f, 1.2f);
  const int sizes[] = {0, 1, 3, 64, 511, 512, 2048, 7, 4096, 100, 735};
  for (int round = 0; round < 4; ++round) {
    for (int size : sizes) {
      for (int which = 0; which < 2; ++which) {
        AEffect* effect = instances[which]->effect();
        if (rng() % 3 == 0) {
          const VstInt32 index = static_cast<VstInt32>(rng() % 4);
          const float v = value(rng);
          effect->setParameter(effect, index, v);
          models[which]->set(index, v);
        }
        const bool accumulate = rng() % 2 == 0;
        const bool inPlace = rng() % 2 == 0;
        std::array<std::vector<float>, 4> in, out, expected;
        for (int c = 0; c < 4; ++c) {
          in[c].resize(static_cast<size_t>(size) + 1);
          out[c].resize(static_cast<size_t>(size) + 1);
          for (float& s : in[c]) s = sample(rng);
          for (float& s : out[c]) s = sample(rng);
          expected[c] = inPlace ? in[c] : out[c];
        }
        float* inPointers[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
        float* outPointers[4] = {out[0].data(), out[1].data(), out[2].data(), out[3].data()};
        float* expectedPointers[4] = {expected[0].data(), expected[1].data(), expected[2].data(),
                                      expected[3].data()};
        models[which]->run(inPointers, expectedPointers, size, accumulate);
        float** target = inPlace ? inPointers : outPointers;
        (accumulate ? effect->process : effect->processReplacing)(effect, inPointers, target, size);
        for (int c = 0; c < numOutputs; ++c)
          ASSERT_EQ(0, std::memcmp(target[c], expected[c].data(), sizeof(float) * (size + 1)))
              << "round " << round << " size " << size << " instance " << which << " channel " << c;
      }
    }
  }
}

// The host's parameter thread changes values, switches programs and reads
// texts while its audio thread processes: no sample becomes NaN, and the
// sanitizer builds see no data race.
TEST_P(PluginAbi, ParametersChangeWhileAudioRuns) {
  std::atomic<bool> done{false};
  std::thread parameters([&] {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> value(-0.5f, 1.5f);
    char buffer[256];
    for (int i = 0; !done.load() || i < 1000; ++i) {
      e->setParameter(e, static_cast<VstInt32>(i % 4), value(rng));
      if (i % 97 == 0) plugin->setProgram(static_cast<VstInt32>(i % 32));
      dispatch(effGetParamDisplay, i % 4, 0, buffer);
      dispatch(effGetProgramName, 0, 0, buffer);
      (void)e->getParameter(e, i % 4);
    }
  });
  const int numOutputs = plugin->numOutputs();
  std::array<std::vector<float>, 4> in, out;
  for (int c = 0; c < 4; ++c) {
    in[c].assign(512, 0.5f - 0.25f * static_cast<float>(c));
    out[c].assign(512, 0.0f);
  }
  float* inPointers[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
  float* outPointers[4] = {out[0].data(), out[1].data(), out[2].data(), out[3].data()};
  bool finite = true;
  for (int block = 0; block < 400; ++block) {
    (block % 2 ? e->processReplacing : e->process)(e, inPointers, outPointers, 1 + block % 512);
    for (int c = 0; c < numOutputs; ++c)
      for (float s : out[c]) finite = finite && !std::isnan(s);
    for (auto& channel : out) std::fill(channel.begin(), channel.end(), 0.0f);
  }
  done = true;
  parameters.join();
  EXPECT_TRUE(finite);
}

INSTANTIATE_TEST_SUITE_P(Plugins, PluginAbi, ::testing::Values(&kPlugins[0], &kPlugins[1]),
                         [](const auto& info) { return std::string{info.param->name}; });

}  // namespace
