// Each plug-in survives the host-torture run: threads, odd blocks, edge
// arguments to every opcode, extreme parameter values, instance churn, and
// (for a plug-in with an editor) editor open/close cycles beside audio.
#include <gtest/gtest.h>

#include <string>

#include "stress.h"
#include "built_plugins.h"

namespace {

class StressRun : public ::testing::TestWithParam<const char*> {};

std::string pluginPath(const std::string& name) {
  if (name == "EditorTest") return OXEL_EDITOR_TEST_PLUGIN;
  return builtPluginPath(name);
}

TEST_P(StressRun, SurvivesWithoutFailures) {
  const std::string path = pluginPath(GetParam());
  oxel::StressOptions options;
  options.plugin = path;
  options.seconds = 3.0;
  options.seed = 20261209;
  oxel::StressReport report;
  std::string error;
  const bool passed = oxel::runStressTest(options, report, error);
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_TRUE(passed) << report.failures << " failure(s), first: " << report.firstFailure;
  EXPECT_GT(report.blocks, 100u);
  EXPECT_GT(report.dispatcherCalls, 10000u);
  EXPECT_GT(report.parameterSets, 1000u);
  EXPECT_GT(report.textChecks, 1000u);
  if (std::string{GetParam()} == "EditorTest") {
    EXPECT_GT(report.editorCycles, 10u);
  }
}

INSTANTIATE_TEST_SUITE_P(Plugins, StressRun, ::testing::Values("Pelrin", "Tavrel", "EditorTest"));

}  // namespace
