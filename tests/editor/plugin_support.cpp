#include "plugin_support.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "headless_editor.h"

namespace editortest {

std::shared_ptr<oxel::PluginLibrary> testPlugin() {
  static std::shared_ptr<oxel::PluginLibrary> library = [] {
    std::string error;
    auto l = oxel::PluginLibrary::load(EDITOR_TEST_PLUGIN, error);
    EXPECT_TRUE(l) << error;
    return l;
  }();
  return library;
}

std::unique_ptr<oxel::PluginInstance> newInstance() {
  std::string error;
  auto instance = oxel::PluginInstance::create(testPlugin(), error);
  EXPECT_TRUE(instance) << error;
  return instance;
}

std::vector<oxel::HostRequest> editRequests(const oxel::PluginInstance& instance) {
  std::vector<oxel::HostRequest> out;
  for (const auto& r : instance.requests())
    if (r.opcode != audioMasterIdle) out.push_back(r);
  return out;
}

void expectOneGesture(const std::vector<oxel::HostRequest>& log, VstInt32 index, float first, float last) {
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(log.front().index, index);
  EXPECT_EQ(log.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(log.back().index, index);
  float previous = -1.0f;
  for (size_t i = 1; i + 1 < log.size(); ++i) {
    EXPECT_EQ(log[i].opcode, audioMasterAutomate) << i;
    EXPECT_EQ(log[i].index, index) << i;
    EXPECT_GE(log[i].opt, previous) << i;
    previous = log[i].opt;
  }
  EXPECT_FLOAT_EQ(log[1].opt, first);
  EXPECT_FLOAT_EQ(log[log.size() - 2].opt, last);
}

HeadlessParent::HeadlessParent(std::string script, uint32_t idleStepMs)
    : text{std::move(script)}, record{oxel::headlessRecord(text.c_str(), idleStepMs)} {}

std::vector<uint32_t> HeadlessParent::pixels() const {
  if (!record.pixels) return {};
  return {record.pixels, record.pixels + static_cast<size_t>(record.width) * static_cast<size_t>(record.height)};
}

std::vector<uint32_t> headlessShot(oxel::PluginInstance& instance, const std::string& script) {
  oxel::HeadlessOptions options;
  options.script = script;
  oxel::HeadlessEditor editor{oxel::editorCallsOf(instance.effect()), options};
  editor.open();
  EXPECT_EQ(editor.record().openWindows, 1u);
  editor.runScript();
  auto pixels = editor.picture().pixels;
  editor.close();
  EXPECT_EQ(editor.record().openWindows, 0u);
  return pixels;
}

int runCommand(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return -1;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace editortest
