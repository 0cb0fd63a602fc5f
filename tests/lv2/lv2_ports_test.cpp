// The control ports as read from the descriptions: names, symbols, ranges,
// defaults and units match what the plug-ins show their users; the port
// mapping agrees with the processors' own displays over the whole range;
// every shipped preset lands on exactly the 0..1 values it was made from.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "lv2_plugin_info.h"
#include "lv2_presets.h"
#include "lv2_turtle.h"

namespace {

using lv2port::ControlPort;

struct Expected {
  const char* symbol;
  const char* name;
  double minimum, maximum, defaultValue;
  bool degrees, integer;
  size_t scalePoints;
};

void expectPorts(const lv2port::PluginInfo& plugin, const std::vector<Expected>& expected) {
  const std::vector<ControlPort> ports = plugin.controls();
  ASSERT_EQ(ports.size(), expected.size());
  for (size_t i = 0; i < ports.size(); ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(ports[i].parameter, static_cast<VstInt32>(i));
    EXPECT_EQ(ports[i].symbol, expected[i].symbol);
    EXPECT_EQ(ports[i].name, expected[i].name);
    EXPECT_NEAR(ports[i].minimum, expected[i].minimum, 1e-3);
    EXPECT_NEAR(ports[i].maximum, expected[i].maximum, 1e-3);
    EXPECT_NEAR(ports[i].defaultValue, expected[i].defaultValue, 1e-3);
    EXPECT_EQ(ports[i].degrees, expected[i].degrees);
    EXPECT_EQ(ports[i].integer, expected[i].integer);
    EXPECT_EQ(ports[i].scalePoints.size(), expected[i].scalePoints);
  }
}

TEST(Lv2Ports, PelrinShowsDegreesAndThePatternWithItsScalePoints) {
  expectPorts(lv2port::pelrinInfo(), {
                                         {"azimuth", "Azimuth", 0, 360, 0, true, false, 0},
                                         {"elevation", "Elevation", -90, 270, 0, true, false, 0},
                                         {"mic_angle", "Mic Angle", 0, 360, 60, true, false, 0},
                                         {"mic_pattern", "Mic Pattern", 0, 1, 0.5, false, false, 3},
                                     });
}

TEST(Lv2Ports, TavrelShowsDegreesAndTheOrderAsSixNamedIntegers) {
  expectPorts(lv2port::tavrelInfo(),
              {
                  {"angle1", "Angle1", 0, 360, 0, true, false, 0},
                  {"angle2", "Angle2", 0, 360, 0, true, false, 0},
                  {"angle3", "Angle3", 0, 360, 0, true, false, 0},
                  {"order_of_processing", "Order of Processing", 0, 5, 0, false, true, 6},
              });
  const std::vector<ControlPort> ports = lv2port::tavrelInfo().controls();
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(ports[3].scalePoints[i].value, static_cast<double>(i));
}

// A port value must mean what the processor displays for the 0..1 value it
// becomes, everywhere in the range, not just at the ends.
TEST(Lv2Ports, PortValuesAgreeWithTheProcessorsDisplays) {
  for (const lv2port::PluginInfo* plugin : {&lv2port::pelrinInfo(), &lv2port::tavrelInfo()}) {
    std::unique_ptr<AudioEffect> processor = plugin->createProcessor();
    for (const ControlPort& port : plugin->controls()) {
      for (const float v : {0.0f, 0.099f, 0.1f, 0.25f, 0.3f, 0.4f, 0.5f, 0.6f, 0.8f, 0.9f, 1.0f}) {
        processor->setParameter(port.parameter, v);
        char text[64] = {};
        processor->getParameterDisplay(port.parameter, text);
        SCOPED_TRACE(port.name + " at " + std::to_string(v) + " shows " + text);
        const float shown = lv2port::portValue(port, v);
        EXPECT_NEAR(shown, std::strtod(text, nullptr), 1e-3);
        // And back: the display's value leads to the same processor state.
        processor->setParameter(port.parameter, lv2port::normalisedValue(port, shown));
        char again[64] = {};
        processor->getParameterDisplay(port.parameter, again);
        EXPECT_STREQ(again, text);
      }
    }
  }
}

TEST(Lv2Ports, PresetsRoundTripToTheirExactValues) {
  const struct {
    const lv2port::PluginInfo* plugin;
    std::vector<lv2port::Preset> presets;
    size_t atLeast;
  } bundles[] = {{&lv2port::pelrinInfo(), lv2port::pelrinPresets(), 6},
                 {&lv2port::tavrelInfo(), lv2port::tavrelPresets(), 4}};
  for (const auto& bundle : bundles) {
    const std::vector<ControlPort> ports = bundle.plugin->controls();
    EXPECT_GE(bundle.presets.size(), bundle.atLeast);
    for (const lv2port::Preset& preset : bundle.presets) {
      ASSERT_EQ(preset.values.size(), ports.size()) << preset.symbol;
      for (size_t i = 0; i < ports.size(); ++i) {
        const float written = std::strtof(
            lv2port::turtleNumber(lv2port::portValue(ports[i], preset.values[i])).c_str(), nullptr);
        EXPECT_EQ(lv2port::normalisedValue(ports[i], written), preset.values[i])
            << preset.symbol << " " << ports[i].symbol;
      }
    }
  }
}

// The descriptions spell each port's symbol out: it must be one LV2 takes
// (letters, digits and underscores, not starting with a digit) and name one
// port only.
TEST(Lv2Ports, DescribedSymbolsAreValidAndUnique) {
  for (const lv2port::PluginInfo* plugin : {&lv2port::pelrinInfo(), &lv2port::tavrelInfo()}) {
    std::vector<std::string> seen;
    for (const plugin_description::Parameter& parameter : plugin->parameters) {
      EXPECT_EQ(lv2port::symbolOf(parameter.symbol), parameter.symbol) << parameter.name;
      EXPECT_EQ(std::count(seen.begin(), seen.end(), parameter.symbol), 0) << parameter.symbol;
      seen.emplace_back(parameter.symbol);
    }
  }
}

TEST(Lv2Ports, SymbolsAndNumbersAreValidTurtle) {
  const std::pair<const char*, const char*> symbols[] = {
      {"Mic Angle", "mic_angle"},
      {"Order of Processing", "order_of_processing"},
      {"Angle1", "angle1"},
      {" -Gain (dB)- ", "gain_db"},
      {"3D", "p3d"},
      {"", "p"}};
  for (const auto& [name, symbol] : symbols) EXPECT_EQ(lv2port::symbolOf(name), symbol) << name;
  const std::pair<double, const char*> numbers[] = {
      {0.0, "0.0"},   {-0.0, "0.0"}, {-90.0, "-90.0"}, {0.5, "0.5"}, {126.8699f, "126.869904"},
      {1e-9, "1e-09"}};
  for (const auto& [value, text] : numbers) EXPECT_EQ(lv2port::turtleNumber(value), text);
}

}  // namespace
