// A fresh instance of each plug-in, loaded from its .so as a host loads it,
// reports and plays the same state: its texts and values are those that
// selecting program 0 gives, and its first block already sounds as the
// settled plug-in does, with or without values restored before it plays.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "built_plugins.h"
#include "pelrin_model.h"
#include "plugin_host.h"

namespace {

using Channels = std::vector<std::vector<float>>;

std::unique_ptr<oxel::PluginInstance> open(const std::string& name,
                                           std::shared_ptr<oxel::PluginLibrary>& library) {
  std::string error;
  library = oxel::PluginLibrary::load(builtPluginPath(name), error);
  EXPECT_TRUE(library) << error;
  if (!library) return nullptr;
  auto plugin = oxel::PluginInstance::create(library, error);
  EXPECT_TRUE(plugin) << error;
  return plugin;
}

// Everything a host reads back about the current state, as one text.
std::string reportedState(oxel::PluginInstance& plugin) {
  std::string state =
      "program " + std::to_string(plugin.program()) + " '" + plugin.programName() + "'";
  for (VstInt32 i = 0; i < plugin.numParams(); ++i)
    state += "\n" + plugin.parameterName(i) + " = " + std::to_string(plugin.parameter(i)) +
             " shown '" + plugin.parameterDisplay(i) + "' " + plugin.parameterLabel(i);
  return state;
}

// One block through processReplacing; returns the outputs.
Channels run(oxel::PluginInstance& plugin, const Channels& input) {
  Channels in = input;
  const int frames = static_cast<int>(in[0].size());
  Channels out(plugin.numOutputs(), std::vector<float>(frames, 0.0f));
  std::vector<float*> inPtr, outPtr;
  for (auto& c : in) inPtr.push_back(c.data());
  for (auto& c : out) outPtr.push_back(c.data());
  plugin.processReplacing(inPtr.data(), outPtr.data(), frames);
  return out;
}

class FreshInstance : public ::testing::TestWithParam<const char*> {};

TEST_P(FreshInstance, ReportsWhatSelectingProgramZeroReports) {
  std::shared_ptr<oxel::PluginLibrary> library;
  auto plugin = open(GetParam(), library);
  ASSERT_TRUE(plugin);
  const std::string fresh = reportedState(*plugin);
  plugin->setProgram(0);
  EXPECT_EQ(fresh, reportedState(*plugin));
}

// Restored values, as a host sets them before the first block: none (the
// first program as it is), and a set that moves every parameter.
TEST_P(FreshInstance, FirstBlockIsAlreadySettled) {
  const struct {
    const char* what;
    std::vector<float> values;
  } cases[] = {{"first program", {}}, {"restored values", {0.3f, 0.4f, 0.1f, 0.9f}}};
  const Channels signal = reference::bformatSignal(512, 5);
  const Channels silence(4, std::vector<float>(48000, 0.0f));
  for (const auto& c : cases) {
    std::shared_ptr<oxel::PluginLibrary> library;
    auto fresh = open(GetParam(), library);
    auto settled = open(GetParam(), library);
    ASSERT_TRUE(fresh && settled);
    for (size_t i = 0; i < c.values.size(); ++i) {
      fresh->setParameter(static_cast<VstInt32>(i), c.values[i]);
      settled->setParameter(static_cast<VstInt32>(i), c.values[i]);
    }
    for (auto* p : {fresh.get(), settled.get()}) p->resume();
    run(*settled, silence);  // a second of glide: far past any start-up state
    const Channels first = run(*fresh, signal);
    const Channels expected = run(*settled, signal);
    for (size_t ch = 0; ch < first.size(); ++ch)
      for (size_t i = 0; i < first[ch].size(); ++i)
        ASSERT_NEAR(first[ch][i], expected[ch][i], 1e-6)
            << c.what << ": channel " << ch << " frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Plugins, FreshInstance, ::testing::Values("Pelrin", "Tavrel"));

}  // namespace
