// Both editors through their plug-ins' entry points, headless, at 2x and 3x:
// the size reported to the host is the device size; a click or drag at
// device position (N x, N y) makes the same gestures with the same values as
// (x, y) at 1x, for every knob mode, the slider, the order switch and the
// about picture; and the whole editor at 2x matches its reviewed pictures
// (fresh, host values outside 0..1, about picture open). Regenerate the
// pictures on purpose only, on the reference Debian 12 machine:
//   OXEL_UPDATE_GOLDENS=1 editor_scale_tests --gtest_filter='*Golden*'
// On a mismatch the actual picture is written next to the test program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "platform.h"
#include "plugin_editor_session.h"

namespace {

using oxel::HostRequest;
using oxel::PluginInstance;

struct Editor {
  const char* name;
  int32_t width, height;
};
constexpr Editor kPelrin{"Pelrin", 224, 240};
constexpr Editor kTavrel{"Tavrel", 188, 216};

std::unique_ptr<PluginInstance> newPlugin(const Editor& editor) {
  return newBuiltPlugin(editor.name);
}

// The editor's scale comes from OXEL_UI_SCALE while one of these lives.
class ScaleOverride {
 public:
  explicit ScaleOverride(int32_t scale) {
    ::setenv("OXEL_UI_SCALE", std::to_string(scale).c_str(), 1);
  }
  ~ScaleOverride() { ::unsetenv("OXEL_UI_SCALE"); }
  ScaleOverride(const ScaleOverride&) = delete;
  ScaleOverride& operator=(const ScaleOverride&) = delete;
};

// A script written in 1x pixels, with every pointer position multiplied by
// n (drag steps, waits, buttons and key names stay as they are).
std::string scaledScript(const std::string& script, int32_t n) {
  std::istringstream lines{script};
  std::string line, out;
  while (std::getline(lines, line)) {
    std::istringstream words{line};
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    size_t first = 1, count = 0;
    if (!w.empty() && (w[0] == "press" || w[0] == "release" || w[0] == "move" || w[0] == "click"))
      count = 2;
    if (!w.empty() && w[0] == "drag") count = 4;
    if (!w.empty() && w[0] == "wheel") first = 2, count = 2;
    for (size_t i = first; i < first + count && i < w.size(); ++i)
      w[i] = std::to_string(std::stoi(w[i]) * n);
    for (size_t i = 0; i < w.size(); ++i) out += (i ? " " : "") + w[i];
    out += "\n";
  }
  return out;
}

struct Shot {
  std::vector<uint32_t> pixels;
  int32_t width{0}, height{0};
};

// Opens at `scale`, plays the script (already in device pixels), returns what
// the window showed, closes.
Shot shot(PluginInstance& plugin, int32_t scale, const std::string& script) {
  ScaleOverride override{scale};
  oxel::HeadlessOptions options;
  options.script = script;
  options.drawAfterOpen = false;
  oxel::HeadlessEditor editor{oxel::editorCallsOf(plugin.effect()), options};
  editor.open();
  EXPECT_EQ(editor.record().scriptError, 0u);
  editor.runScript();
  const oxel::HeadlessPicture picture = editor.picture();
  return {picture.pixels, picture.width, picture.height};
}

std::vector<HostRequest> edits(const PluginInstance& plugin) {
  std::vector<HostRequest> out;
  for (const auto& r : plugin.requests())
    if (r.opcode != audioMasterIdle) out.push_back(r);
  return out;
}

TEST(EditorScale, TheHostIsToldTheDeviceSizeAndTheWindowHasIt) {
  for (const Editor& e : {kPelrin, kTavrel}) {
    for (int32_t n : {1, 2, 3}) {
      auto plugin = newPlugin(e);
      ScaleOverride override{n};
      ERect* r = nullptr;
      ASSERT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &r), 1);
      ASSERT_NE(r, nullptr);
      EXPECT_EQ(r->right - r->left, n * e.width) << e.name << " at " << n;
      EXPECT_EQ(r->bottom - r->top, n * e.height) << e.name << " at " << n;
      const Shot s = shot(*plugin, n, "");
      EXPECT_EQ(s.width, n * e.width) << e.name;
      EXPECT_EQ(s.height, n * e.height) << e.name;
    }
  }
}

TEST(EditorScale, AScaleChangeBetweenTwoOpensIsTakenAtTheNextOpen) {
  auto plugin = newPlugin(kTavrel);
  EXPECT_EQ(shot(*plugin, 2, "").width, 376);
  EXPECT_EQ(shot(*plugin, 3, "").width, 564);
  EXPECT_EQ(shot(*plugin, 1, "").width, 188);
}

struct Gesture {
  const char* what;
  const Editor* editor;
  int32_t knobMode;
  const char* script;  // 1x pixels
};

// Every case makes at least one edit at 1x (checked), and exactly the same
// requests with the same values at 2x and 3x.
TEST(EditorScale, ClicksAndDragsGiveTheSameGesturesAtEveryScale) {
  const Gesture cases[] = {
      {"Pelrin azimuth, circular", &kPelrin, 0, "drag 92 72 72 92 steps 4\n"},
      {"Pelrin elevation, relative circular", &kPelrin, 1, "drag 92 136 72 156 steps 4\n"},
      {"Pelrin angle, linear", &kPelrin, 2, "drag 152 72 172 60 steps 4\n"},
      {"Pelrin angle, circular, counter-clockwise", &kPelrin, 0, "drag 152 52 132 72 steps 4\n"},
      {"Pelrin slider drag", &kPelrin, 0, "drag 40 200 176 200 steps 8\n"},
      {"Pelrin slider click", &kPelrin, 0, "click 108 200\n"},
      {"Pelrin slider default click", &kPelrin, 0, "click 150 200 ctrl\n"},
      {"Pelrin knob wheel", &kPelrin, 0, "wheel up 72 136\nwait 50\nwheel up 72 136\n"},
      {"Pelrin about, then a click closes it", &kPelrin, 0,
       "click 93 7\nwait 100\nclick 72 72\nwait 100\nclick 108 200\n"},
      {"Tavrel angle, circular", &kTavrel, 0, "drag 66 60 46 80 steps 4\n"},
      {"Tavrel angle 3, linear", &kTavrel, 2, "drag 142 60 162 40 steps 4\n"},
      {"Tavrel switch rows", &kTavrel, 0,
       "click 94 110\nwait 50\nclick 94 123\nwait 50\nclick 40 136\nwait 50\nclick 150 150\nwait "
       "50\nclick 94 163\n"},
      {"Tavrel switch drag across the rows", &kTavrel, 0, "drag 94 96 94 168 steps 8\n"},
      {"Tavrel switch, band edges", &kTavrel, 0,
       "click 23 90\nwait 50\nclick 165 103\nwait 50\nclick 94 104\n"},
  };
  for (const Gesture& g : cases) {
    std::vector<HostRequest> reference;
    for (int32_t n : {1, 2, 3}) {
      auto plugin = newPlugin(*g.editor);
      plugin->dispatch(effSetEditKnobMode, 0, g.knobMode);
      plugin->clearRequests();
      shot(*plugin, n, scaledScript(g.script, n));
      const auto log = edits(*plugin);
      if (n == 1) {
        reference = log;
        EXPECT_FALSE(reference.empty()) << g.what << ": nothing happened at 1x";
        continue;
      }
      ASSERT_EQ(log.size(), reference.size()) << g.what << " at " << n << "x";
      for (size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].opcode, reference[i].opcode)
            << g.what << " at " << n << "x, request " << i;
        EXPECT_EQ(log[i].index, reference[i].index) << g.what << " at " << n << "x, request " << i;
        EXPECT_EQ(log[i].opt, reference[i].opt) << g.what << " at " << n << "x, request " << i;
      }
    }
  }
  newPlugin(kPelrin)->dispatch(effSetEditKnobMode, 0, 0);
}

void expectGolden(const Shot& s, const Editor& e, const std::string& name) {
  const std::string path = std::string{OXEL_SOURCE_DIR} + "/tests/scale/data/" + name + ".png";
  ASSERT_EQ(s.width, 2 * e.width) << name;
  ASSERT_EQ(s.height, 2 * e.height) << name;
  oxel::platform::PixelPort actual{s.width, s.height};
  for (int32_t y = 0; y < s.height; ++y)
    for (int32_t x = 0; x < s.width; ++x)
      actual.set(x, y, s.pixels[static_cast<size_t>(y * s.width + x)]);
  if (std::getenv("OXEL_UPDATE_GOLDENS")) {
    ASSERT_TRUE(oxel::platform::writePng(actual, path)) << path;
    return;
  }
  auto golden = oxel::platform::decodeImageFile(path);
  ASSERT_TRUE(golden) << "missing " << path << " (OXEL_UPDATE_GOLDENS=1 writes it)";
  ASSERT_EQ(golden->width(), s.width);
  ASSERT_EQ(golden->height(), s.height);
  int32_t differing = 0;
  for (int32_t y = 0; y < s.height; ++y)
    for (int32_t x = 0; x < s.width; ++x)
      differing += (golden->get(x, y) & 0xFFFFFF) != (actual.get(x, y) & 0xFFFFFF);
  if (differing != 0)
    oxel::platform::writePng(actual, std::string{OXEL_BINARY_DIR} + "/" + name + "-actual.png");
  EXPECT_EQ(differing, 0) << name << ": the actual picture is in the build folder";
}

TEST(EditorScaleGolden, FreshAt2x) {
  for (const Editor* e : {&kPelrin, &kTavrel}) {
    auto plugin = newPlugin(*e);
    expectGolden(shot(*plugin, 2, ""), *e, std::string{e->name} + "_fresh@2x");
  }
}

TEST(EditorScaleGolden, HostValuesOutsideTheRangeAt2x) {
  for (const Editor* e : {&kPelrin, &kTavrel}) {
    auto plugin = newPlugin(*e);
    plugin->setParameter(0, 1.5f);
    plugin->setParameter(1, -0.5f);
    plugin->setParameter(2, 1e6f);
    plugin->setParameter(3, 1.5f);
    expectGolden(shot(*plugin, 2, ""), *e, std::string{e->name} + "_outside_range@2x");
  }
}

TEST(EditorScaleGolden, AboutPictureOpenAt2x) {
  for (const Editor* e : {&kPelrin, &kTavrel}) {
    auto plugin = newPlugin(*e);
    plugin->clearRequests();
    expectGolden(shot(*plugin, 2, "click 186 14\nwait 100\n"), *e,
                 std::string{e->name} + "_about@2x");
    EXPECT_TRUE(edits(*plugin).empty()) << e->name;
  }
}

}  // namespace
