// The bundles with the standard command-line LV2 tools, as users meet them:
// lv2ls lists both plug-ins, lv2info shows their ports, scale points,
// presets and X11 UIs, the Turtle validates against the installed LV2 schemas, and
// lv2apply renders a file to the same samples as `oxel render` with the
// LXVST build.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "lilv_host.h"

namespace {

struct Output {
  int status = -1;
  std::string text;
};

// Runs a shell command with LV2_PATH set to this build's bundles only.
Output run(const std::string& command) {
  Output out;
  FILE* pipe = popen(("LV2_PATH='" + lv2_test::kLv2Dir + "' " + command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.text.append(buffer, n);
  const int status = pclose(pipe);
  out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

bool haveTool(const char* name) { return run(std::string{"command -v "} + name).status == 0; }

TEST(Lv2Tools, Lv2lsListsBothPlugins) {
  ASSERT_TRUE(haveTool("lv2ls")) << "lv2ls is not installed (Debian lilv-utils)";
  const Output out = run("lv2ls");
  ASSERT_EQ(out.status, 0) << out.text;
  EXPECT_NE(out.text.find("urn:oxel:pelrin\n"), std::string::npos) << out.text;
  EXPECT_NE(out.text.find("urn:oxel:tavrel\n"), std::string::npos) << out.text;
}

TEST(Lv2Tools, Lv2infoShowsPortsScalePointsAndPresets) {
  ASSERT_TRUE(haveTool("lv2info")) << "lv2info is not installed (Debian lilv-utils)";
  const struct {
    const char* uri;
    std::vector<const char*> shows;
  } cases[] = {
      {lv2_test::kPelrinUri,
       {"Name:              Pelrin", "Symbol:      mic_pattern", "Maximum:     360.000000",
        "Minimum:     -90.000000", "= \"figure-of-eight\"", "Blumlein pair",
        "XY pair of cardioids, 131 degrees apart", "Name:        W (B-format, FuMa)",
        "Name:        Mic 1 (left)", "urn:oxel:pelrin#ui", "ui#X11UI", "Pelrin_lv2ui.so"}},
      {lv2_test::kTavrelUri,
       {"Name:              Tavrel", "Symbol:      order_of_processing", "lv2core#enumeration",
        "5.0 = \"tumble, tilt, rotate\"", "Quarter turn left", "Upside down",
        "Name:        Z out (B-format, FuMa)", "urn:oxel:tavrel#ui", "Tavrel_lv2ui.so"}},
  };
  for (const auto& c : cases) {
    const Output out = run(std::string{"lv2info "} + c.uri);
    ASSERT_EQ(out.status, 0) << out.text;
    for (const char* text : c.shows) EXPECT_NE(out.text.find(text), std::string::npos) << text;
  }
}

TEST(Lv2Tools, TurtleValidatesAgainstTheInstalledSchemas) {
  ASSERT_TRUE(haveTool("lv2_validate")) << "lv2_validate is not installed (Debian lv2-dev)";
  ASSERT_TRUE(haveTool("sord_validate")) << "sord_validate is not installed (Debian sordi)";
  const std::string d = lv2_test::kLv2Dir;
  const Output out = run("lv2_validate " + d + "/Pelrin.lv2/*.ttl " + d + "/Tavrel.lv2/*.ttl");
  EXPECT_EQ(out.status, 0) << out.text;
  EXPECT_NE(out.text.find("Found 0 errors"), std::string::npos) << out.text;
}

TEST(Lv2Tools, Lv2applyRendersWhatOxelRendersWithTheLxvstBuild) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "lv2apply cannot load a sanitizer build's plug-in";
#endif
  ASSERT_TRUE(haveTool("lv2apply")) << "lv2apply is not installed (Debian lilv-utils)";
  oxel_test::ScratchDir dir;
  oxel_test::writeAudio(dir / "in.wav", oxel_test::noise(4, 5000, 48000, 7));
  const struct {
    const char* plugin;
    const char* uri;
    std::vector<std::string> oxelSettings, lv2Settings;
  } cases[] = {
      {"Pelrin",
       lv2_test::kPelrinUri,
       {"--set", "Azimuth=0.125", "--set", "Mic Angle=0.375", "--set", "Mic Pattern=0.75", "--set",
        "Elevation=0.3125"},
       {"-c azimuth 45", "-c mic_angle 135", "-c mic_pattern 0.75", "-c elevation 22.5"}},
      {"Tavrel",
       lv2_test::kTavrelUri,
       {"--set", "Angle1=0.25", "--set", "Angle2=0.125", "--set", "Order of Processing=0.4"},
       {"-c angle1 90", "-c angle2 45", "-c order_of_processing 2"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plugin);
    std::vector<std::string> args{"render", builtPluginPath(c.plugin), dir / "in.wav",
                                  dir / "vst.wav"};
    args.insert(args.end(), c.oxelSettings.begin(), c.oxelSettings.end());
    const oxel_test::RunResult rendered = oxel_test::runOxel(args);
    ASSERT_EQ(rendered.status, 0) << rendered.err;
    std::string command = "lv2apply -i " + (dir / "in.wav") + " -o " + (dir / "lv2.wav");
    for (const std::string& setting : c.lv2Settings) command += " " + setting;
    const Output applied = run(command + " " + c.uri);
    ASSERT_EQ(applied.status, 0) << applied.text;
    const oxel_test::Audio vst = oxel_test::readAudio(dir / "vst.wav");
    const oxel_test::Audio lv2 = oxel_test::readAudio(dir / "lv2.wav");
    ASSERT_EQ(lv2.channels, vst.channels);
    ASSERT_EQ(lv2.frames(), 5000u);
    EXPECT_EQ(oxel_test::firstMismatch(lv2.samples, vst.samples), -1);
  }
}

}  // namespace
