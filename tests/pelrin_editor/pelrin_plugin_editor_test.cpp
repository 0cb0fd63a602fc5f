// Pelrin's editor through the plug-in's entry point, headless, as a host
// drives it: a drag on each knob in each knob mode and on the slider is one
// gesture on the host with automation only when the value changes, and so is
// a Ctrl+click that restores a knob's default; a host
// value is drawn at the next idle and never before; a lone .so (no picture
// files beside it) draws the same editor; and the whole editor
// matches its reviewed pictures (fresh, host values outside 0..1, about
// picture open). Regenerate the pictures on purpose only, on the reference
// Debian 12 machine:
//   OXEL_UPDATE_GOLDENS=1 pelrin_plugin_editor_tests --gtest_filter='*Golden*'
// On a mismatch the actual picture is written next to the test program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform.h"
#include "plugin_editor_session.h"

namespace {

using oxel::HostRequest;
using oxel::PluginInstance;

std::unique_ptr<PluginInstance> newPelrin() { return newBuiltPlugin("Pelrin"); }

// Opens, plays the script, returns what the window showed, closes (the
// window is drawn by its first expose: no draw request).
std::vector<uint32_t> shot(PluginInstance& plugin, const std::string& script) {
  oxel::HeadlessOptions options;
  options.drawAfterOpen = false;
  return headlessPixels(plugin, script, options);
}

std::vector<HostRequest> edits(const PluginInstance& plugin) {
  std::vector<HostRequest> out;
  for (const auto& r : plugin.requests())
    if (r.opcode != audioMasterIdle) out.push_back(r);
  return out;
}

// Exactly one gesture on `index`: begin, automates that each change the
// value (the first equal to `first` when given), end.
void expectOneGesture(const std::vector<HostRequest>& log, VstInt32 index, float last, float first = NAN) {
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(log.front().index, index);
  EXPECT_EQ(log.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(log.back().index, index);
  for (size_t i = 1; i + 1 < log.size(); ++i) {
    EXPECT_EQ(log[i].opcode, audioMasterAutomate) << i;
    EXPECT_EQ(log[i].index, index) << i;
    if (i > 1) {
      EXPECT_NE(log[i].opt, log[i - 1].opt) << "automation without a change at " << i;
    }
  }
  if (!std::isnan(first)) {
    EXPECT_NEAR(log[1].opt, first, 1e-4f);
  }
  EXPECT_NEAR(log[log.size() - 2].opt, last, 1e-4f);
}

TEST(PelrinPluginEditor, EveryKnobInEveryKnobModeIsOneGesture) {
  struct Knob {
    int32_t cx, cy;
    float start;
  };
  const Knob knobs[] = {{72, 72, 0.0f}, {72, 136, 0.25f}, {152, 72, 1.0f / 6.0f}};
  for (VstInt32 mode = 0; mode < 3; ++mode) {
    for (VstInt32 index = 0; index < 3; ++index) {
      SCOPED_TRACE("knob mode " + std::to_string(mode) + ", parameter " + std::to_string(index));
      const Knob& k = knobs[index];
      auto plugin = newPelrin();
      plugin->dispatch(effSetEditKnobMode, 0, mode);
      plugin->clearRequests();
      std::string script;
      float last = 0.0f;
      float first = NAN;
      if (mode == 2) {
        // Linear: 20 pixels right add 20 / 200.
        script = "drag " + std::to_string(k.cx) + " " + std::to_string(k.cy) + " " + std::to_string(k.cx + 20) + " " +
                 std::to_string(k.cy) + "\n";
        last = k.start + 0.1f;
      } else {
        // A quarter turn from 3 o'clock to 6 o'clock: circular jumps to 0.25
        // and ends at 0.5; relative keeps the value and adds a quarter.
        script = "drag " + std::to_string(k.cx + 20) + " " + std::to_string(k.cy) + " " + std::to_string(k.cx) + " " +
                 std::to_string(k.cy + 20) + "\n";
        if (mode == 0) {
          if (k.start != 0.25f) first = 0.25f;  // the click itself is a change
          last = 0.5f;
        } else {
          last = k.start + 0.25f;
        }
      }
      shot(*plugin, script);
      expectOneGesture(edits(*plugin), index, last, first);
      EXPECT_NEAR(plugin->parameter(index), last, 1e-4f);
    }
  }
  newPelrin()->dispatch(effSetEditKnobMode, 0, 0);
}

TEST(PelrinPluginEditor, CtrlClickOnEachKnobRestoresItsDefaultInOneGesture) {
  struct Case {
    const char* script;
    VstInt32 index;
    float fallback;
  };
  const Case cases[] = {{"click 72 60 ctrl\n", 0, 0.0f},
                        {"click 72 130 ctrl\n", 1, 0.25f},
                        {"click 150 60 ctrl\n", 2, 1.0f / 6.0f}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    auto plugin = newPelrin();
    plugin->setParameter(c.index, 0.7f);
    plugin->clearRequests();
    shot(*plugin, c.script);
    const auto log = edits(*plugin);
    ASSERT_EQ(log.size(), 3u);
    expectOneGesture(log, c.index, c.fallback);
    EXPECT_NEAR(plugin->parameter(c.index), c.fallback, 1e-6f);
  }
}

TEST(PelrinPluginEditor, SliderDragAndDefaultClick) {
  auto plugin = newPelrin();
  plugin->clearRequests();
  shot(*plugin, "drag 37 200 178 200\n");
  expectOneGesture(edits(*plugin), 3, 1.0f, 0.0f);
  EXPECT_EQ(plugin->parameter(3), 1.0f);
  plugin->clearRequests();
  shot(*plugin, "click 150 200 ctrl\n");
  expectOneGesture(edits(*plugin), 3, 0.5f, 0.5f);
}

TEST(PelrinPluginEditor, HostValuesAreDrawnAtTheNextIdleNeverBefore) {
  auto plugin = newPelrin();
  oxel::HeadlessOptions options;
  options.drawAfterOpen = false;
  oxel::HeadlessEditor window{oxel::editorCallsOf(plugin->effect()), options};
  window.open();
  window.idle();
  const auto before = window.picture();
  const uint32_t flushes = window.record().flushCount;
  plugin->setParameter(0, 0.5f);
  plugin->setProgram(2);  // the program's values: the first program's
  plugin->setParameter(3, 0.9f);
  EXPECT_EQ(window.picture(), before);
  EXPECT_EQ(window.record().flushCount, flushes);
  window.idle();
  EXPECT_NE(window.picture(), before);
  window.close();
  // The same values set before opening give the same picture.
  auto other = newPelrin();
  other->setProgram(2);
  other->setParameter(3, 0.9f);
  plugin->setParameter(0, 0.5f);
  plugin->setParameter(0, 0.0f);
  EXPECT_EQ(shot(*other, ""), shot(*plugin, ""));
}

TEST(PelrinPluginEditor, ALoneSoDrawsWithThePicturesBuiltIntoIt) {
  namespace fs = std::filesystem;
  const fs::path lone = fs::path{::testing::TempDir()} / "pelrin-lone";
  fs::remove_all(lone);
  fs::create_directories(lone);
  fs::copy_file(builtPluginPath("Pelrin"), lone / "Pelrin.so");
  std::string error;
  auto library = oxel::PluginLibrary::load((lone / "Pelrin.so").string(), error);
  ASSERT_TRUE(library) << error;
  auto alone = PluginInstance::create(library, error);
  ASSERT_TRUE(alone) << error;
  auto beside = newPelrin();
  EXPECT_EQ(shot(*alone, ""), shot(*beside, ""));
  alone.reset();
  fs::remove_all(lone);
}

void expectGolden(const std::vector<uint32_t>& pixels, const std::string& name) {
  const std::string path = std::string{OXEL_SOURCE_DIR} + "/tests/pelrin_editor/data/" + name + ".png";
  oxel::platform::PixelPort actual{224, 240};
  ASSERT_EQ(pixels.size(), 224u * 240u) << name;
  for (int32_t y = 0; y < 240; ++y)
    for (int32_t x = 0; x < 224; ++x) actual.set(x, y, pixels[static_cast<size_t>(y) * 224 + static_cast<size_t>(x)]);
  if (std::getenv("OXEL_UPDATE_GOLDENS")) {
    ASSERT_TRUE(oxel::platform::writePng(actual, path)) << path;
    return;
  }
  auto golden = oxel::platform::decodeImageFile(path);
  ASSERT_TRUE(golden) << "missing " << path << " (OXEL_UPDATE_GOLDENS=1 writes it)";
  ASSERT_EQ(golden->width(), 224);
  ASSERT_EQ(golden->height(), 240);
  int32_t differing = 0;
  for (int32_t y = 0; y < 240; ++y)
    for (int32_t x = 0; x < 224; ++x) differing += (golden->get(x, y) & 0xFFFFFF) != (actual.get(x, y) & 0xFFFFFF);
  if (differing != 0) oxel::platform::writePng(actual, std::string{OXEL_BINARY_DIR} + "/" + name + "-actual.png");
  EXPECT_EQ(differing, 0) << name << ": the actual picture is in the build folder";
}

TEST(PelrinPluginEditorGolden, Fresh) {
  auto plugin = newPelrin();
  expectGolden(shot(*plugin, ""), "pelrin_fresh");
}

TEST(PelrinPluginEditorGolden, HostValuesOutsideTheRange) {
  auto plugin = newPelrin();
  plugin->setParameter(0, 1.5f);
  plugin->setParameter(1, -0.5f);
  plugin->setParameter(2, 1e6f);
  plugin->setParameter(3, 1.5f);
  expectGolden(shot(*plugin, ""), "pelrin_outside_range");
}

TEST(PelrinPluginEditorGolden, AboutPictureOpen) {
  auto plugin = newPelrin();
  plugin->clearRequests();
  expectGolden(shot(*plugin, "click 93 7\n"), "pelrin_about");
  EXPECT_TRUE(edits(*plugin).empty());
}

}  // namespace
