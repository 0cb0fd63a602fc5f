// Pelrin presets give the polar patterns their names promise: driven directly
// with a preset's values, Pelrin.so's first microphone is null where the
// pattern has its null and at full level on its axis; mid-side decodes to
// M + S. Through oxel, --preset applies the recipe and --set adjusts it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <numbers>

#include "PairRecipes.h"
#include "oxel_test_support.h"

namespace oxel_test {
namespace {

// Mic 1's settled output for a unit plane wave from `azimuthDegrees` (level),
// encoded as FuMa (W at -3 dB).
double micResponse(const oxel::MicrophonePreset& preset, double azimuthDegrees, int mic = 0) {
  const double a = azimuthDegrees * std::numbers::pi / 180;
  const Audio in = constant({static_cast<float>(std::sqrt(0.5)), static_cast<float>(std::cos(a)),
                             static_cast<float>(std::sin(a)), 0.0f},
                            20000);
  const oxel::PelrinSettings s = oxel::pelrinSettings(preset);
  const Audio out = renderDirect(kPelrin, in, 512, [&](oxel::PluginInstance& p, size_t f) {
    if (f) return;
    p.setParameter(0, s.azimuth);
    p.setParameter(1, s.elevation);
    p.setParameter(2, s.angle);
    p.setParameter(3, s.pattern);
  });
  return out.at(out.frames() - 1, mic);
}

TEST(PelrinPresets, PatternsHaveTheirNullsAndFullLevelOnAxis) {
  const struct {
    const char* name;
    double nullOffAxis;  // degrees from the microphone's axis
  } cases[] = {
      {"xy-cardioid", 180.0},
      {"xy-supercardioid", 125.26438968275465},  // acos(-1 / sqrt 3)
      {"xy-hypercardioid", 109.47122063449069},  // acos(-1 / 3)
      {"blumlein", 90.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const oxel::MicrophonePreset* preset = oxel::findMicrophonePreset(c.name);
    ASSERT_NE(preset, nullptr);
    const double axis = preset->angleDegrees / 2;  // mic 1 looks left of the front
    EXPECT_NEAR(micResponse(*preset, axis), std::sqrt(0.5), 2e-4);
    EXPECT_NEAR(micResponse(*preset, axis + c.nullOffAxis), 0.0, 2e-4);
    EXPECT_NEAR(micResponse(*preset, axis - c.nullOffAxis), 0.0, 2e-4);
  }
  const oxel::MicrophonePreset* omni = oxel::findMicrophonePreset("omni");
  ASSERT_NE(omni, nullptr);
  for (double a : {0.0, 90.0, 180.0}) EXPECT_NEAR(micResponse(*omni, a), std::sqrt(0.5), 1e-6);
}

TEST(PelrinPresets, MidSideIsCardioidMidPlusFigureOfEightSide) {
  const oxel::MicrophonePreset* preset = oxel::findMicrophonePreset("mid-side");
  ASSERT_NE(preset, nullptr);
  const double gain = (1 + std::sqrt(5.0)) / 2;  // M + S peaks at 1.618
  for (double a : {0.0, 30.0, 90.0, 150.0, 200.0, 290.0}) {
    const double t = a * std::numbers::pi / 180;
    const double mid = 0.5 + 0.5 * std::cos(t), side = std::sin(t);
    EXPECT_NEAR(micResponse(*preset, a, 0), std::sqrt(0.5) * (mid + side) / gain, 2e-4) << a;
    EXPECT_NEAR(micResponse(*preset, a, 1), std::sqrt(0.5) * (mid - side) / gain, 2e-4) << a;
  }
}

TEST(PelrinPresets, RenderAppliesThePresetAndSetAdjustsIt) {
  ScratchDir dir;
  const Audio in = noise(4, 5000);
  writeAudio(dir / "in.wav", in);
  const RunResult run = runOxel({"render", kPelrin, dir / "in.wav", dir / "out.wav", "--preset",
                                 "XY-Hypercardioid", "--set", "Azimuth=0.125"});
  ASSERT_EQ(run.status, 0) << run.err;
  const Audio expected = renderDirect(kPelrin, in, 512, [](oxel::PluginInstance& p, size_t f) {
    if (f) return;
    p.setParameter(0, 0.125f);
    p.setParameter(1, 0.25f);
    p.setParameter(2, static_cast<float>(105.0 / 360.0));
    p.setParameter(3, 0.75f);
  });
  EXPECT_EQ(firstMismatch(readAudio(dir / "out.wav").samples, expected.samples), -1);
}

TEST(PelrinPresets, PresetsCommandListsEveryRecipe) {
  const RunResult text = runOxel({"presets"});
  ASSERT_EQ(text.status, 0) << text.err;
  const RunResult json = runOxel({"presets", "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  const auto list = nlohmann::json::parse(json.out);
  ASSERT_EQ(list.size(), oxel::microphonePresets().size());
  for (const auto& preset : list) {
    EXPECT_NE(text.out.find(preset["name"].get<std::string>()), std::string::npos);
    EXPECT_DOUBLE_EQ(preset["parameters"]["Elevation"].get<double>(), 0.25);
    EXPECT_NEAR(preset["parameters"]["Mic Angle"].get<double>(),
                preset["angleDegrees"].get<double>() / 360, 1e-7);
  }
}

}  // namespace
}  // namespace oxel_test
