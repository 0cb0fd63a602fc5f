// oxel with LV2 plug-ins, named by URI or by bundle folder: info shows the
// ports as parameters and the presets as programs; render gives the same
// samples as with the .so for 0..1 settings, recipes and AmbiX files, and
// for automation and values in units to within the port's float resolution
// (a port in degrees cannot hold every 0..1 float, and units are resolved on
// each format's own display); shot draws the same picture and logs the same
// gesture through the LV2 UI as through the .so's editor; bad names fail
// cleanly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "lilv_host.h"

namespace {

using oxel_test::Audio;
using oxel_test::runOxel;

class Lv2Oxel : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("LV2_PATH", lv2_test::kLv2Dir.c_str(), 1); }
  void TearDown() override { ::unsetenv("LV2_PATH"); }
};

TEST_F(Lv2Oxel, InfoShowsParametersUnitsAndPresets) {
  const struct {
    std::string plugin;
    std::vector<std::string> shows;
  } cases[] = {
      {"urn:oxel:pelrin",
       {"Pelrin", "Azimuth", "degrees", "-90 to 270 degrees", "Mic Pattern", "programs (6",
        "Blumlein pair", "Mic 1 (left)"}},
      {lv2_test::kLv2Dir + "/Tavrel.lv2",
       {"Tavrel", "Order of Processing", "0 to 5", "programs (5", "Upside down", "Z out"}},
  };
  for (const auto& c : cases) {
    const auto result = runOxel({"info", c.plugin});
    ASSERT_EQ(result.status, 0) << result.err;
    for (const std::string& text : c.shows)
      EXPECT_NE(result.out.find(text), std::string::npos) << text;
  }
}

TEST_F(Lv2Oxel, RendersTheSameSamplesAsTheSo) {
  oxel_test::ScratchDir dir;
  oxel_test::writeAudio(dir / "in.wav", oxel_test::noise(4, 20000, 48000, 3));
  const struct {
    const char* so;
    std::string lv2;
    std::vector<std::string> options;
  } cases[] = {
      {"Pelrin", "urn:oxel:pelrin", {"--preset", "xy-cardioid", "--set", "Azimuth=0.125"}},
      {"Pelrin", lv2_test::kLv2Dir + "/Pelrin.lv2", {"--preset", "blumlein", "--block", "100"}},
      {"Tavrel",
       "urn:oxel:tavrel",
       {"--in-format", "ambix", "--out-format", "ambix", "--set", "Angle1=0.25", "--set",
        "Order of Processing=0.6"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lv2);
    std::vector<std::string> so{"render", std::string{OXEL_PLUGIN_DIR} + "/" + c.so, dir / "in.wav",
                                dir / "so.wav"};
    std::vector<std::string> lv2{"render", c.lv2, dir / "in.wav", dir / "lv2.wav"};
    so.insert(so.end(), c.options.begin(), c.options.end());
    lv2.insert(lv2.end(), c.options.begin(), c.options.end());
    const auto a = runOxel(so), b = runOxel(lv2);
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(oxel_test::firstMismatch(oxel_test::readAudio(dir / "lv2.wav").samples,
                                       oxel_test::readAudio(dir / "so.wav").samples),
              -1);
  }
}

// Automation is sent as 0..1 values; a port in degrees cannot hold every one
// of them exactly, so the LV2 render may differ in the last bits.
TEST_F(Lv2Oxel, AutomationAndUnitsFollowTheSoToThePortsResolution) {
  oxel_test::ScratchDir dir;
  oxel_test::writeAudio(dir / "in.wav", oxel_test::noise(4, 24000, 48000, 5));
  const struct {
    const char* plugin;
    const char* uri;
    std::vector<std::string> options;
  } cases[] = {
      {"Pelrin", "urn:oxel:pelrin", {"--automate", "Azimuth=0:0,0.5:0.9"}},
      {"Pelrin", "urn:oxel:pelrin", {"--set", "Azimuth=30degrees", "--set", "Mic Angle=120 deg"}},
      {"Tavrel",
       "urn:oxel:tavrel",
       {"--automate", "Angle2=0:0.1,0.5:0.8", "--set", "Angle1=90degrees"}},
  };
  for (const auto& c : cases) {
    const char* plugin = c.plugin;
    std::vector<std::string> so{"render", std::string{OXEL_PLUGIN_DIR} + "/" + plugin,
                                dir / "in.wav", dir / "so.wav"};
    std::vector<std::string> lv2{"render", c.uri, dir / "in.wav", dir / "lv2.wav"};
    so.insert(so.end(), c.options.begin(), c.options.end());
    lv2.insert(lv2.end(), c.options.begin(), c.options.end());
    const auto a = runOxel(so), b = runOxel(lv2);
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    const Audio soAudio = oxel_test::readAudio(dir / "so.wav");
    const Audio lv2Audio = oxel_test::readAudio(dir / "lv2.wav");
    EXPECT_EQ(oxel_test::firstMismatch(lv2Audio.samples, soAudio.samples, 1e-6f), -1) << plugin;
  }
}

TEST_F(Lv2Oxel, ShotDrawsAndDragsTheSameEditorAsTheSo) {
  oxel_test::ScratchDir dir;
  std::ofstream{dir / "drag.txt"}
      << "press 72 60\nwait 30\nmove 84 62\nwait 30\nmove 96 74\nwait 30\nrelease 96 74\n";
  const struct {
    const char* so;
    const char* uri;
    std::vector<std::string> options;
  } cases[] = {
      {"Pelrin", "urn:oxel:pelrin", {"--script", dir / "drag.txt", "--log"}},
      {"Tavrel", "urn:oxel:tavrel", {"--set", "Angle1=0.25", "--set", "Order of Processing=0.8"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.uri);
    std::vector<std::string> so{"shot", std::string{OXEL_PLUGIN_DIR} + "/" + c.so, dir / "so.png"};
    std::vector<std::string> lv2{"shot", c.uri, dir / "lv2.png"};
    so.insert(so.end(), c.options.begin(), c.options.end());
    lv2.insert(lv2.end(), c.options.begin(), c.options.end());
    const auto a = runOxel(so), b = runOxel(lv2);
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(b.out, a.out);  // the logged gesture, if any
    EXPECT_EQ(oxel_test::slurp(dir / "lv2.png"), oxel_test::slurp(dir / "so.png"));
  }
}

TEST_F(Lv2Oxel, UnknownPluginsAndEmptyBundlesFailCleanly) {
  oxel_test::ScratchDir dir;
  std::filesystem::create_directory(dir / "Empty.lv2");
  const struct {
    std::string plugin;
    const char* says;
  } cases[] = {{"urn:oxel:nothing", "no LV2 plug-in urn:oxel:nothing"},
               {dir / "Empty.lv2", "holds no plug-in"}};
  for (const auto& c : cases) {
    const auto result = runOxel({"info", c.plugin});
    EXPECT_EQ(result.status, 4) << c.plugin;
    EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
  }
}

}  // namespace
