// Each plug-in survives the host-torture run: threads, odd blocks, edge
// arguments to every opcode, extreme parameter values, instance churn.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "stress.h"

namespace {

class StressRun : public ::testing::TestWithParam<const char*> {};

TEST_P(StressRun, SurvivesWithoutFailures) {
  const std::string path =
      std::string{OXEL_PLUGIN_DIR} + "/" + GetParam() + "/" + GetParam() + ".so";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is not built";
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
}

INSTANTIATE_TEST_SUITE_P(Plugins, StressRun, ::testing::Values("Pelrin", "Tavrel"));

}  // namespace
