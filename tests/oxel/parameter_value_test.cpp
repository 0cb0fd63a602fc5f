// Values typed in a parameter's unit land on a normalised value whose display
// shows that number, for smooth displays and for stepped ones; numbers no
// value shows, and units that do not fit, are refused.
#include <gtest/gtest.h>

#include "automation.h"
#include "oxel_test_support.h"
#include "parameter_value.h"

namespace oxel_test {
namespace {

std::unique_ptr<oxel::PluginInstance> instance(const std::string& path) {
  std::string error;
  auto library = oxel::PluginLibrary::load(path, error);
  if (!library) return nullptr;
  return oxel::PluginInstance::create(library, error);
}

TEST(ParameterValue, LandsOnAValueThatShowsTheNumber) {
  auto pelrin = instance(kPelrin);
  ASSERT_TRUE(pelrin);
  const struct {
    int index;
    const char* typed;
    double shown;
  } cases[] = {
      {0, "90degrees", 90.0},   {0, "359.9 deg", 359.9},   {1, "0degrees", 0.0},
      {1, "-90degrees", -90.0}, {1, "0.001degrees", 0.001}, {1, "45.5°", 45.5},
      {2, "120 degrees", 120.0}, {2, "0degrees", 0.0},     {3, "0.634pattern", 0.634},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    oxel::TypedValue typed;
    ASSERT_TRUE(oxel::parseTypedValue(c.typed, typed));
    float value = -1.0f;
    std::string error;
    ASSERT_TRUE(oxel::resolveParameterValue(*pelrin, c.index, typed, value, error)) << error;
    pelrin->setParameter(c.index, value);
    double shown = 0.0;
    int decimals = 0;
    ASSERT_TRUE(oxel::displayedNumber(pelrin->parameterDisplay(c.index), shown, decimals));
    EXPECT_NEAR(shown, c.shown, 2e-5) << pelrin->parameterDisplay(c.index);
  }
}

TEST(ParameterValue, SteppedDisplaysGetTheMiddleOfTheStep) {
  auto tavrel = instance(kTavrel);
  ASSERT_TRUE(tavrel);
  for (int order = 0; order <= 5; ++order) {
    oxel::TypedValue typed;
    ASSERT_TRUE(oxel::parseTypedValue(std::to_string(order) + "process", typed));
    float value = -1.0f;
    std::string error;
    ASSERT_TRUE(oxel::resolveParameterValue(*tavrel, 3, typed, value, error)) << error;
    // Order k shows from (k - 0.51) / 5 to (k + 0.49) / 5 (within 0 to 1):
    // the value sits well inside its step, not on an edge.
    const float low = std::max(0.0f, (order - 0.51f) / 5), high = std::min(1.0f, (order + 0.49f) / 5);
    EXPECT_GT(value, low + 0.03f) << order;
    EXPECT_LT(value, high - 0.03f) << order;
  }
  oxel::TypedValue half;
  ASSERT_TRUE(oxel::parseTypedValue("2.5process", half));
  float value = 0.0f;
  std::string error;
  EXPECT_FALSE(oxel::resolveParameterValue(*tavrel, 3, half, value, error));
  EXPECT_EQ(error, "no value of Order of Processing shows 2.5process (nearest: 2 process)");
}

TEST(Automation, StraightLinesStepsAndHolds) {
  oxel::AutomationLane lane;
  std::string error;
  ASSERT_TRUE(oxel::parseAutomation("Mic Pattern=1:0.2, 3:0.6,3:1", lane, error)) << error;
  EXPECT_EQ(lane.name, "Mic Pattern");
  for (oxel::Breakpoint& p : lane.points) p.value = static_cast<float>(p.typed.number);
  EXPECT_FLOAT_EQ(lane.valueAt(0.0), 0.2f);
  EXPECT_FLOAT_EQ(lane.valueAt(2.0), 0.4f);
  EXPECT_FLOAT_EQ(lane.valueAt(2.999), 0.5998f);
  EXPECT_FLOAT_EQ(lane.valueAt(3.0), 1.0f);
  EXPECT_FLOAT_EQ(lane.valueAt(100.0), 1.0f);
}

}  // namespace
}  // namespace oxel_test
