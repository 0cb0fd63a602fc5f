// Each plug-in's description against the processor it describes: over a
// sweep of host values, in range and out of it, the number the description
// says a parameter shows is the number the processor's own display shows,
// to the display's precision, and whole-numbered parameters show whole
// numbers only. The processors keep their own display arithmetic; this is
// what keeps the two from drifting apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "Pelrin.h"
#include "PluginDescription.h"
#include "Tavrel.h"

namespace {

using plugin_description::Parameter;

struct Described {
  const char* name;
  std::unique_ptr<AudioEffect> processor;
  std::span<const Parameter> parameters;
};

// float2string shows eight characters: three integer digits leave four
// decimals, truncated, and single precision adds its own error.
constexpr double kDisplayPrecision = 1.5e-4;

TEST(PluginDescription, ShownNumbersAgreeWithTheProcessorsDisplays) {
  Described plugins[] = {{"Pelrin", std::make_unique<Pelrin>(nullptr), Pelrin::kParameters},
                         {"Tavrel", std::make_unique<Tavrel>(nullptr), Tavrel::kParameters}};
  for (Described& plugin : plugins) {
    ASSERT_EQ(plugin.parameters.size(),
              static_cast<size_t>(plugin.processor->getAeffect()->numParams));
    for (const Parameter& parameter : plugin.parameters) {
      std::vector<float> values;
      for (int i = 0; i <= 1000; ++i) values.push_back(static_cast<float>(i) / 1000.0f);
      // Hosts may send values outside 0..1; the displays follow them linearly too.
      for (const float v : {-0.3f, -0.05f, 0.099f, 0.0999f, 0.4999f, 1.05f, 1.7f})
        values.push_back(v);
      for (const float v : values) {
        plugin.processor->setParameter(parameter.index, v);
        char text[64] = {};
        plugin.processor->getParameterDisplay(parameter.index, text);
        SCOPED_TRACE(std::string{plugin.name} + " " + parameter.name + " at " + std::to_string(v) +
                     " shows '" + text + "'");
        char* end = nullptr;
        const double shown = std::strtod(text, &end);
        ASSERT_NE(end, text);
        if (plugin_description::stepped(parameter)) {
          EXPECT_EQ(std::strpbrk(text, ".eE"), nullptr);
          EXPECT_EQ(shown, plugin_description::shownNumber(parameter, v));
        } else {
          EXPECT_NE(std::strchr(text, '.'), nullptr);
          EXPECT_NEAR(shown, plugin_description::shownNumber(parameter, v), kDisplayPrecision);
        }
      }
    }
  }
}

// A stepped parameter's scale points name each of its whole numbers, in order.
TEST(PluginDescription, ScalePointsSitOnShownNumbers) {
  for (const std::span<const Parameter> parameters :
       {std::span<const Parameter>{Pelrin::kParameters},
        std::span<const Parameter>{Tavrel::kParameters}}) {
    for (const Parameter& parameter : parameters) {
      SCOPED_TRACE(parameter.name);
      if (plugin_description::stepped(parameter)) {
        ASSERT_EQ(parameter.scalePoints.size(), static_cast<size_t>(parameter.steps.count));
        for (size_t i = 0; i < parameter.scalePoints.size(); ++i)
          EXPECT_EQ(parameter.scalePoints[i].shown, parameter.shownAt0 + static_cast<double>(i));
      }
      for (const plugin_description::ScalePoint& point : parameter.scalePoints) {
        EXPECT_GE(point.shown, std::min(parameter.shownAt0, parameter.shownAt1)) << point.label;
        EXPECT_LE(point.shown, std::max(parameter.shownAt0, parameter.shownAt1)) << point.label;
      }
    }
  }
}

}  // namespace
