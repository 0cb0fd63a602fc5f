// Proves Tavrel.so as a host sees it: loaded with dlopen and driven only
// through its entry point and effect record. Identity, texts written into
// sentinel-filled buffers, programs, pins, bad requests, and processing that
// matches the separately written model bit for bit.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "plugin_host.h"
#include "tavrel_reference.h"

namespace {

const char* const kPluginPath = OXEL_PLUGIN_DIR "/Tavrel/Tavrel.so";

class TavrelLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    library = oxel::PluginLibrary::load(kPluginPath, error);
    ASSERT_TRUE(library) << error;
    plugin = oxel::PluginInstance::create(library, error);
    ASSERT_TRUE(plugin) << error;
  }

  // A text opcode answered into a buffer full of sentinels: the text, or a
  // marker when the plug-in overran it or left it unterminated.
  std::string text(VstInt32 opcode, VstInt32 index = 0, size_t limit = 64) {
    char buffer[256];
    std::memset(buffer, '#', sizeof buffer);
    plugin->dispatch(opcode, index, 0, buffer);
    const void* end = std::memchr(buffer, 0, sizeof buffer);
    if (end == nullptr) return "<unterminated>";
    const size_t length = static_cast<const char*>(end) - buffer;
    if (length >= limit) return "<too long>";
    for (size_t i = length + 1; i < sizeof buffer; ++i)
      if (buffer[i] != '#') return "<overrun>";
    return std::string(buffer, length);
  }

  std::shared_ptr<oxel::PluginLibrary> library;
  std::unique_ptr<oxel::PluginInstance> plugin;
};

TEST_F(TavrelLibrary, IdentityAndCounts) {
  AEffect* e = plugin->effect();
  EXPECT_EQ(e->magic, kEffectMagic);
  EXPECT_EQ(oxel::fourCharString(e->uniqueID), "QRpa");
  EXPECT_EQ(e->numParams, 4);
  EXPECT_EQ(e->numPrograms, 32);
  EXPECT_EQ(e->numInputs, 4);
  EXPECT_EQ(e->numOutputs, 4);
  EXPECT_TRUE(e->flags & effFlagsCanReplacing);
  EXPECT_TRUE(e->flags & effFlagsHasEditor);
  EXPECT_NE(e->processReplacing, nullptr);
  EXPECT_EQ(plugin->category(), 7);
  EXPECT_EQ(plugin->vendorVersion(), 1024);
  EXPECT_EQ(text(effGetVendorString), "Oxel Music Dept.");
  for (VstInt32 i = 0; i < 4; ++i) {
    const char* labels[] = {"W", "X", "Y", "Z"};
    EXPECT_EQ(plugin->inputLabel(i), labels[i]);
    EXPECT_EQ(plugin->outputLabel(i), labels[i]);
  }
  EXPECT_EQ(plugin->inputLabel(4), "");
  EXPECT_EQ(plugin->outputLabel(-1), "");
}

TEST_F(TavrelLibrary, ParameterTextsThroughTheDispatcher) {
  const char* names[] = {"Angle1", "Angle2", "Angle3", "Order of Processing"};
  const char* labels[] = {"degrees", "degrees", "degrees", "process"};
  for (VstInt32 i = 0; i < 4; ++i) {
    EXPECT_EQ(text(effGetParamName, i), names[i]);
    EXPECT_EQ(text(effGetParamLabel, i), labels[i]);
  }
  AEffect* e = plugin->effect();
  e->setParameter(e, 0, 0.25f);
  e->setParameter(e, 2, 0.5f);
  e->setParameter(e, 3, 1.3f);
  EXPECT_EQ(text(effGetParamDisplay, 0), "90.00000");
  EXPECT_EQ(text(effGetParamDisplay, 1), "0.000000");
  EXPECT_EQ(text(effGetParamDisplay, 2), "180.0000");
  EXPECT_EQ(text(effGetParamDisplay, 3), "      7");
  EXPECT_EQ(e->getParameter(e, 3), 1.3f);
  e->setParameter(e, 3, static_cast<float>(0.898));
  EXPECT_EQ(text(effGetParamDisplay, 3), "      5");
  e->setParameter(e, 3, std::nextafter(static_cast<float>(0.898), 0.0f));
  EXPECT_EQ(text(effGetParamDisplay, 3), "      4");
  // An index outside 0..3 leaves the buffer untouched, which reads as no terminator.
  EXPECT_EQ(text(effGetParamName, 4), "<unterminated>");
  EXPECT_EQ(text(effGetParamDisplay, -1), "<unterminated>");
}

TEST_F(TavrelLibrary, ProgramsThroughTheDispatcher) {
  EXPECT_EQ(text(effGetProgramName, 0, 24), "Ambisonic field control");
  AEffect* e = plugin->effect();
  e->setParameter(e, 1, 0.5f);
  plugin->setProgram(7);
  EXPECT_EQ(plugin->program(), 7);
  EXPECT_EQ(e->getParameter(e, 1), 0.0f);
  char init[] = "Init";
  plugin->dispatch(effSetProgramName, 0, 0, init);
  EXPECT_EQ(text(effGetProgramName, 0, 24), "Init 8");
  char tooLong[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  plugin->dispatch(effSetProgramName, 0, 0, tooLong);
  EXPECT_EQ(text(effGetProgramName, 0, 24), "abcdefghijklmnopqrstuvw");
  plugin->setProgram(0);
  EXPECT_EQ(e->getParameter(e, 1), 0.5f);
  // Out-of-range numbers, including one that is 3 in its low 32 bits, change nothing.
  for (VstIntPtr bad : {VstIntPtr{-1}, VstIntPtr{32}, (VstIntPtr{1} << 32) + 3}) {
    plugin->dispatch(effSetProgram, 0, bad);
    EXPECT_EQ(plugin->program(), 0) << bad;
  }
}

TEST_F(TavrelLibrary, BadRequestsDoNothing) {
  for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay, effGetProgramName,
                          effSetProgramName, effGetVendorString, effGetInputProperties,
                          effGetOutputProperties, effGetProductString, effGetEffectName}) {
    EXPECT_EQ(plugin->dispatch(opcode, 0, 0, nullptr), 0) << opcode;
  }
  AEffect* e = plugin->effect();
  e->setParameter(e, 0, 0.125f);
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()})
    e->setParameter(e, 0, bad);
  EXPECT_EQ(e->getParameter(e, 0), 0.125f);
  e->setParameter(e, 9, 0.3f);
  EXPECT_EQ(e->getParameter(e, 9), 0.0f);
  EXPECT_EQ(library->entryPoint()(nullptr), nullptr);
}

// Two instances with different settings, each matching its own model: blocks
// of varied sizes, parameter changes between blocks, both process calls,
// separate and in-place buffers.
TEST_F(TavrelLibrary, ProcessingMatchesTheModel) {
  std::string error;
  auto second = oxel::PluginInstance::create(library, error);
  ASSERT_TRUE(second) << error;
  oxel::PluginInstance* instances[2] = {plugin.get(), second.get()};
  tavrel_reference::Model models[2];
  std::mt19937 rng(99);
  std::uniform_real_distribution<float> sample(-1.0f, 1.0f), value(-0.2f, 1.2f);
  const int sizes[] = {0, 1, 3, 64, 511, 512, 2048, 7, 4096, 100};
  for (int round = 0; round < 4; ++round) {
    for (int size : sizes) {
      for (int which = 0; which < 2; ++which) {
        AEffect* e = instances[which]->effect();
        if (rng() % 3 == 0) {
          const VstInt32 index = static_cast<VstInt32>(rng() % 4);
          const float v = value(rng);
          e->setParameter(e, index, v);
          models[which].set(index, v);
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
        models[which].run(inPointers, expectedPointers, size, accumulate);
        float** target = inPlace ? inPointers : outPointers;
        if (accumulate)
          e->process(e, inPointers, target, size);
        else
          e->processReplacing(e, inPointers, target, size);
        for (int c = 0; c < 4; ++c)
          ASSERT_EQ(0, std::memcmp(target[c], expected[c].data(), sizeof(float) * (size + 1)))
              << "round " << round << " size " << size << " instance " << which << " channel " << c;
      }
    }
  }
}

// The host's parameter thread changes values, switches programs and reads
// texts while its audio thread processes: no sample becomes NaN, and the
// sanitizer builds see no data race.
TEST_F(TavrelLibrary, ParametersChangeWhileAudioRuns) {
  AEffect* e = plugin->effect();
  std::atomic<bool> done{false};
  std::thread parameters([&] {
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> value(-0.5f, 1.5f);
    char text[256];
    for (int i = 0; !done.load() || i < 1000; ++i) {
      e->setParameter(e, static_cast<VstInt32>(i % 4), value(rng));
      if (i % 97 == 0) plugin->setProgram(static_cast<VstInt32>(i % 32));
      plugin->dispatch(effGetParamDisplay, i % 4, 0, text);
      plugin->dispatch(effGetProgramName, 0, 0, text);
      (void)e->getParameter(e, i % 4);
    }
  });
  std::array<std::vector<float>, 4> in, out;
  for (int c = 0; c < 4; ++c) {
    in[c].assign(512, 0.5f - 0.25f * static_cast<float>(c));
    out[c].assign(512, 0.0f);
  }
  float* inPointers[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
  float* outPointers[4] = {out[0].data(), out[1].data(), out[2].data(), out[3].data()};
  bool finite = true;
  for (int block = 0; block < 400; ++block) {
    if (block % 2)
      e->processReplacing(e, inPointers, outPointers, 1 + block % 512);
    else
      e->process(e, inPointers, outPointers, 1 + block % 512);
    for (const auto& channel : out)
      for (float sample : channel) finite = finite && !std::isnan(sample);
    for (auto& channel : out) std::fill(channel.begin(), channel.end(), 0.0f);
  }
  done = true;
  parameters.join();
  EXPECT_TRUE(finite);
}

}  // namespace
