// Random sequences of dispatcher, parameter and process calls on fresh
// instances: whatever the host sends within the interface's contract (valid or
// null pointers, any index, value and opt), nothing crashes and processing
// afterwards still yields finite output once parameters are sane.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "plugin_host.h"
#include "built_plugins.h"

namespace {

class DispatcherFuzz : public ::testing::TestWithParam<const char*> {};

TEST_P(DispatcherFuzz, RandomCallSequences) {
  const std::string path = builtPluginPath(GetParam());
  std::string error;
  auto library = oxel::PluginLibrary::load(path, error);
  ASSERT_TRUE(library) << error;

  const VstIntPtr values[] = {0, 1, -1, 2, 31, 32, 33, (VstIntPtr{1} << 32), INTPTR_MAX, INTPTR_MIN};
  const float opts[] = {0.0f, 0.5f, 1.0f, -1.0f, 1e30f, -1e30f,
                        std::numeric_limits<float>::quiet_NaN(),
                        std::numeric_limits<float>::infinity(), 48000.0f};
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    std::mt19937_64 random{seed};
    auto plugin = oxel::PluginInstance::create(library, error);
    ASSERT_TRUE(plugin) << error;
    AEffect* e = plugin->effect();
    const bool hasEditor = (e->flags & effFlagsHasEditor) != 0;
    std::vector<std::vector<float>> in(e->numInputs, std::vector<float>(512, 0.1f));
    std::vector<std::vector<float>> out(e->numOutputs, std::vector<float>(512));
    std::vector<float*> inPtr, outPtr;
    for (auto& c : in) inPtr.push_back(c.data());
    for (auto& c : out) outPtr.push_back(c.data());
    unsigned char buffer[1024];
    void* slot = nullptr;
    for (int step = 0; step < 3000; ++step) {
      const int kind = static_cast<int>(random() % 10);
      if (kind == 0) {
        e->setParameter(e, static_cast<VstInt32>(random() % 8) - 2, opts[random() % std::size(opts)]);
      } else if (kind == 1) {
        e->processReplacing(e, inPtr.data(), outPtr.data(), static_cast<VstInt32>(random() % 513));
      } else {
        VstInt32 opcode = static_cast<VstInt32>(random() % 80) - 1;
        if (opcode == effClose) continue;
        if (hasEditor && ((opcode >= effEditGetRect && opcode <= effEditSleep) ||
                          opcode == effEditKeyDown || opcode == effEditKeyUp))
          continue;  // editor windows are exercised by their own tests
        VstIntPtr value = values[random() % std::size(values)];
        if (opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement)
          value = (random() % 2) ? reinterpret_cast<VstIntPtr>(&slot) : 0;
        std::memset(buffer, static_cast<int>(random() % 256), sizeof buffer);
        buffer[sizeof buffer - 1] = 0;  // texts handed to the plug-in end somewhere
        const VstInt32 index = static_cast<VstInt32>(random() % 40) - 4;
        plugin->dispatch(opcode, index, value, (random() % 4) ? buffer : nullptr,
                         opts[random() % std::size(opts)]);
      }
    }
    for (VstInt32 p = 0; p < e->numPrograms; ++p) {
      plugin->setProgram(p);
      for (VstInt32 i = 0; i < e->numParams; ++i) e->setParameter(e, i, 0.5f);
    }
    for (int b = 0; b < 200; ++b) e->processReplacing(e, inPtr.data(), outPtr.data(), 512);
    for (auto& channel : out)
      for (float v : channel) ASSERT_TRUE(std::isfinite(v)) << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(Plugins, DispatcherFuzz, ::testing::Values("Pelrin", "Tavrel"));

}  // namespace
