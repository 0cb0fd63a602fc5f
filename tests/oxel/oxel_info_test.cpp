// oxel info reports what the plug-in itself answers through its effect
// record; --json carries the same facts for scripts, and names are found on
// the plug-in search path.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>

#include "oxel_test_support.h"

namespace oxel_test {
namespace {

void expectJsonMatchesPlugin(const std::string& soPath) {
  SCOPED_TRACE(soPath);
  const RunResult run = runOxel({"info", soPath, "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  const auto doc = nlohmann::json::parse(run.out);
  std::string error;
  auto library = oxel::PluginLibrary::load(soPath, error);
  ASSERT_TRUE(library) << error;
  auto plugin = oxel::PluginInstance::create(library, error);
  ASSERT_TRUE(plugin) << error;
  EXPECT_EQ(doc["uniqueIdCode"].get<uint32_t>(), static_cast<uint32_t>(plugin->effect()->uniqueID));
  EXPECT_EQ(doc["uniqueId"], oxel::fourCharString(plugin->effect()->uniqueID));
  EXPECT_EQ(doc["vendor"], plugin->vendorString());
  EXPECT_EQ(doc["vendorVersion"], plugin->vendorVersion());
  EXPECT_EQ(doc["category"], plugin->category());
  EXPECT_EQ(doc["flags"], plugin->effect()->flags);
  ASSERT_EQ(doc["inputs"].size(), static_cast<size_t>(plugin->numInputs()));
  for (int i = 0; i < plugin->numInputs(); ++i) EXPECT_EQ(doc["inputs"][i], plugin->inputLabel(i));
  ASSERT_EQ(doc["outputs"].size(), static_cast<size_t>(plugin->numOutputs()));
  for (int i = 0; i < plugin->numOutputs(); ++i)
    EXPECT_EQ(doc["outputs"][i], plugin->outputLabel(i));
  ASSERT_EQ(doc["parameters"].size(), static_cast<size_t>(plugin->numParams()));
  for (int i = 0; i < plugin->numParams(); ++i) {
    const auto& p = doc["parameters"][i];
    EXPECT_EQ(p["index"], i);
    EXPECT_EQ(p["name"], plugin->parameterName(i));
    EXPECT_EQ(p["label"], plugin->parameterLabel(i));
    EXPECT_EQ(p["value"].get<float>(), plugin->parameter(i));
    EXPECT_EQ(p["display"], plugin->parameterDisplay(i));
  }
  ASSERT_EQ(doc["programs"].size(), 32u);
  EXPECT_EQ(doc["programs"][31]["name"], plugin->programNameIndexed(31));
  EXPECT_EQ(doc["currentProgram"], 0);
  EXPECT_EQ(doc["name"], fs::path{soPath}.stem().string());  // neither answers a name itself
}

TEST(OxelInfo, JsonCarriesWhatThePluginAnswers) {
  expectJsonMatchesPlugin(kPelrin);
  expectJsonMatchesPlugin(kTavrel);
}

TEST(OxelInfo, TextShowsPinsParametersAndPrograms) {
  const RunResult run = runOxel({"info", kPelrin});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string file = "file         " + kPelrin + "\n";
  for (const std::string& part : {file, std::string{"inputs (4):  W, X, Y, Z"},
                                 std::string{"outputs (2): Mic 1, Mic 2"},
                                 std::string{"programs (32, current 0)"},
                                 std::string{"31  Mic pattern control"}})
    EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;
}

// Each parameter's row: its current value and display, and what the display
// shows at 0 and 1, read without moving the reported values.
TEST(OxelInfo, RowsShowTheRangeInTheParametersUnits) {
  const struct {
    const std::string& plugin;
    const char* row;
  } cases[] = {
      {kPelrin, "Azimuth                degrees    0            0.000000     0 to 360 degrees"},
      {kPelrin, "Elevation              degrees    0.25         0.000000     -90 to 270 degrees"},
      {kPelrin, "Mic Pattern            pattern    0.5          0.500000     0 to 1 pattern"},
      {kTavrel, "Order of Processing    process    0            0            0 to 5 process"},
  };
  for (const auto& c : cases) {
    const RunResult run = runOxel({"info", c.plugin});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(c.row), std::string::npos) << c.row << "\n" << run.out;
  }
  const auto doc = nlohmann::json::parse(runOxel({"info", kPelrin, "--json"}).out);
  EXPECT_EQ(doc["parameters"][1]["displayAt0"], "-90");
  EXPECT_EQ(doc["parameters"][1]["displayAt1"], "270");
}

TEST(OxelInfo, FindsPluginsByNameOnTheSearchPath) {
  setenv("VST_PATH", builtPluginsFolder().c_str(), 1);
  const RunResult byName = runOxel({"info", "Pelrin", "--json"});
  const RunResult byFolder = runOxel({"info", builtPluginsFolder() + "/Pelrin", "--json"});
  unsetenv("VST_PATH");
  ASSERT_EQ(byName.status, 0) << byName.err;
  ASSERT_EQ(byFolder.status, 0) << byFolder.err;
  EXPECT_EQ(fs::canonical(nlohmann::json::parse(byName.out)["path"].get<std::string>()),
            fs::canonical(kPelrin));
  EXPECT_EQ(fs::canonical(nlohmann::json::parse(byFolder.out)["path"].get<std::string>()),
            fs::canonical(kPelrin));
}

TEST(OxelInfo, EveryCommandHasHelp) {
  for (const char* command : {"info", "render", "presets", "demo", "bench"}) {
    const RunResult run = runOxel({command, "--help"});
    EXPECT_EQ(run.status, 0) << command;
    EXPECT_EQ(run.out.rfind(std::string{"usage: oxel "} + command, 0), 0u) << run.out;
  }
  const RunResult top = runOxel({"--help"});
  EXPECT_EQ(top.status, 0);
  for (const char* command : {"info", "render", "presets", "demo", "bench"})
    EXPECT_NE(top.out.find(std::string{"  "} + command + " "), std::string::npos) << command;
  const RunResult version = runOxel({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("oxel 1.", 0), 0u) << version.out;
}

}  // namespace
}  // namespace oxel_test
