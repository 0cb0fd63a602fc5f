// The LV2 bundles sound exactly like the LXVST builds: the same input, the
// same settings and the same per-block automation through Pelrin.lv2 (loaded
// by lilv) and through Pelrin.so (through its effect record) give the same
// bits, for Tavrel too, with in-place buffers and with bad port values; the
// shipped presets carry the recipes they are named after.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "PairRecipes.h"
#include "lilv_host.h"

namespace {

using lv2_test::LilvHost;
using oxel_test::Audio;

struct Automation {
  const char* symbol;  // LV2 port
  VstInt32 parameter;  // LXVST parameter
  double portStep;     // port units per step, exactly 1/16 of the range
  double portOffset;
};

struct RenderCase {
  const char* name;
  const char* uri;
  const std::string* so;
  size_t block;
  std::vector<Automation> automation;
  bool inPlace;
};

// Block k sets step (k * (k + 3)) % 17 of each automated parameter: jumps
// up and down across the range, in values both formats represent exactly.
int stepOf(size_t start, size_t block, size_t lane) {
  const size_t k = start / block + lane * 5;
  return static_cast<int>((k * (k + 3)) % 17);
}

TEST(Lv2Render, BitIdenticalToTheLxvstBuildWithAutomation) {
  const std::vector<RenderCase> cases = {
      {"Pelrin, 512-frame blocks",
       lv2_test::kPelrinUri,
       &oxel_test::kPelrin,
       512,
       {{"azimuth", 0, 22.5, 0.0}, {"mic_pattern", 3, 0.0625, 0.0}},
       false},
      {"Pelrin, odd blocks, elevation and angle",
       lv2_test::kPelrinUri,
       &oxel_test::kPelrin,
       97,
       {{"elevation", 1, 22.5, -90.0}, {"mic_angle", 2, 22.5, 0.0}},
       false},
      {"Tavrel, angles and orders",
       lv2_test::kTavrelUri,
       &oxel_test::kTavrel,
       256,
       {{"angle1", 0, 22.5, 0.0}, {"angle3", 2, 22.5, 0.0}},
       false},
      {"Tavrel, in place",
       lv2_test::kTavrelUri,
       &oxel_test::kTavrel,
       300,
       {{"angle2", 1, 22.5, 0.0}},
       true},
  };
  const Audio in = oxel_test::noise(4, 6000);
  for (const RenderCase& c : cases) {
    SCOPED_TRACE(c.name);
    LilvHost host;
    std::vector<uint32_t> portIndex;
    for (const Automation& a : c.automation)
      portIndex.push_back(host.controlIndex(host.plugin(c.uri), a.symbol));
    const bool tavrel = c.uri == lv2_test::kTavrelUri;
    const uint32_t orderPort =
        tavrel ? host.controlIndex(host.plugin(c.uri), "order_of_processing") : 0;

    const Audio lv2 = host.render(
        c.uri, in, c.block,
        [&](std::vector<float>& ports, size_t start) {
          for (size_t lane = 0; lane < c.automation.size(); ++lane) {
            const int step = std::min(stepOf(start, c.block, lane), 16);
            ports[portIndex[lane]] = static_cast<float>(c.automation[lane].portOffset +
                                                        step * c.automation[lane].portStep);
          }
          if (tavrel) ports[orderPort] = static_cast<float>((start / c.block) % 6);
        },
        c.inPlace);
    const Audio vst = oxel_test::renderDirect(
        *c.so, in, static_cast<int>(c.block), [&](oxel::PluginInstance& plugin, size_t start) {
          for (size_t lane = 0; lane < c.automation.size(); ++lane) {
            const int step = std::min(stepOf(start, c.block, lane), 16);
            plugin.setParameter(c.automation[lane].parameter, static_cast<float>(step / 16.0));
          }
          if (tavrel) plugin.setParameter(3, static_cast<float>((start / c.block) % 6) / 5.0f);
        });
    ASSERT_EQ(lv2.channels, vst.channels);
    EXPECT_EQ(oxel_test::firstMismatch(lv2.samples, vst.samples), -1);
  }
}

TEST(Lv2Render, NonFinitePortValuesAreIgnoredLikeTheLxvstBuildDoes) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const Audio in = oxel_test::noise(4, 2048);
  LilvHost host;
  const uint32_t azimuth = host.controlIndex(host.plugin(lv2_test::kPelrinUri), "azimuth");
  const uint32_t pattern = host.controlIndex(host.plugin(lv2_test::kPelrinUri), "mic_pattern");
  // Blocks: 90 degrees, then NaN, +inf, -inf; the pattern goes bad too.
  const float azimuthByBlock[] = {90.0f, nan, inf, -inf};
  const float patternByBlock[] = {0.75f, inf, nan, 0.75f};
  const Audio lv2 =
      host.render(lv2_test::kPelrinUri, in, 512, [&](std::vector<float>& ports, size_t start) {
        ports[azimuth] = azimuthByBlock[start / 512];
        ports[pattern] = patternByBlock[start / 512];
      });
  const Audio vst = oxel_test::renderDirect(
      oxel_test::kPelrin, in, 512, [&](oxel::PluginInstance& plugin, size_t start) {
        plugin.setParameter(0, start == 0 ? 0.25f : azimuthByBlock[start / 512]);
        plugin.setParameter(3, start == 0 ? 0.75f : patternByBlock[start / 512]);
      });
  EXPECT_EQ(oxel_test::firstMismatch(lv2.samples, vst.samples), -1);
  for (const float s : lv2.samples) ASSERT_TRUE(std::isfinite(s));
}

TEST(Lv2Presets, PelrinShipsEveryPairRecipeOfOxel) {
  LilvHost host;
  const auto presets = host.presets(lv2_test::kPelrinUri);
  ASSERT_EQ(presets.size(), oxel::microphonePresets().size());
  for (const oxel::MicrophonePreset& recipe : oxel::microphonePresets()) {
    SCOPED_TRACE(recipe.name);
    const auto found = presets.find(std::string{lv2_test::kPelrinUri} + ":preset:" + recipe.name);
    ASSERT_NE(found, presets.end());
    const auto& values = found->second;
    const oxel::PelrinSettings expected = oxel::pelrinSettings(recipe);
    // Port units: degrees, level elevation, the pattern as it is.
    EXPECT_EQ(values.at("azimuth"), 0.0f);
    EXPECT_EQ(values.at("elevation"), 0.0f);
    EXPECT_EQ(static_cast<float>(values.at("mic_angle") / 360.0), expected.angle);
    EXPECT_EQ(values.at("mic_pattern"), expected.pattern);
  }
}

// A front source (X = 1, at FuMa's W level) through each Tavrel preset, settled:
// where it ends up says whether the preset does what its name says.
TEST(Lv2Presets, TavrelPresetsTurnTheFieldAsNamed) {
  const struct {
    const char* preset;
    float input[4];     // W, X, Y, Z
    float expected[4];  // settled output
  } cases[] = {
      {"straight", {0.7f, 1, 0, 0}, {0.7f, 1, 0, 0}},
      {"quarter-turn-left", {0.7f, 1, 0, 0}, {0.7f, 0, 1, 0}},
      {"quarter-turn-right", {0.7f, 1, 0, 0}, {0.7f, 0, -1, 0}},
      {"half-turn", {0.7f, 1, 0.5f, 0}, {0.7f, -1, -0.5f, 0}},
      {"upside-down", {0.7f, 1, 0.5f, 0.25f}, {0.7f, 1, -0.5f, -0.25f}},
  };
  LilvHost host;
  const auto presets = host.presets(lv2_test::kTavrelUri);
  EXPECT_EQ(presets.size(), std::size(cases));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.preset);
    const auto found = presets.find(std::string{lv2_test::kTavrelUri} + ":preset:" + c.preset);
    ASSERT_NE(found, presets.end());
    const Audio in = oxel_test::constant({c.input[0], c.input[1], c.input[2], c.input[3]}, 20000);
    const Audio out =
        host.render(lv2_test::kTavrelUri, in, 1000, [&](std::vector<float>& ports, size_t) {
          for (const auto& [symbol, value] : found->second)
            ports[host.controlIndex(host.plugin(lv2_test::kTavrelUri), symbol.c_str())] = value;
        });
    for (int ch = 0; ch < 4; ++ch)
      EXPECT_NEAR(out.at(out.frames() - 1, ch), c.expected[ch], 1e-4) << ch;
  }
}

}  // namespace
