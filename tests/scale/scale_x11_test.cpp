// The desktop's density in a real X server (Xvfb in the test command): the
// Xft.dpi resource set with xrdb chooses the scale (192 -> 2, 240 -> 3),
// GDK_SCALE counts when the server has none, nothing gives 1 and
// OXEL_UI_SCALE beats them all; and under Xft.dpi 192 both editors open at
// twice their size, where a real xdotool drag on a knob is one gesture with
// the values of the same drag at 1x. The server's resources are put back as
// they were after each test, so other X tests see no change.
// Skipped without a display unless OXEL_REQUIRE_X11 is set.
// gtest first: Xlib defines macros (None, Bool) that clash with it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "built_plugins.h"
#include "headless_editor.h"
#include "platform.h"
#include "plugin_host.h"
#include "x11_host_test.h"

namespace {

// Runs a shell command, returning its standard output; a failure fails the test.
std::string run(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return {};
  }
  std::string out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  const int status = ::pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << "\n" << out;
  return out;
}

// The server's resource database, replaced for a test and restored after.
class DesktopResources : public X11HostTest {
 protected:
  DesktopResources() : X11HostTest{448, 480} {}
  void SetUp() override {
    X11HostTest::SetUp();
    if (!display) return;
    saved = tempDir() + "/saved-resources";
    run("xrdb -query > '" + saved + "'");
    ::unsetenv("OXEL_UI_SCALE");
    ::unsetenv("GDK_SCALE");
  }
  void TearDown() override {
    if (display) {
      run("xrdb -nocpp -load '" + saved + "'");
      std::remove(saved.c_str());
    }
    ::unsetenv("OXEL_UI_SCALE");
    ::unsetenv("GDK_SCALE");
    X11HostTest::TearDown();
  }
  static std::string tempDir() { return ::testing::TempDir(); }
  // Replaces the whole database with `text` (empty: no resources at all).
  static void load(const std::string& text) {
    const std::string path = tempDir() + "/test-resources";
    FILE* f = std::fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs(text.c_str(), f);
    std::fclose(f);
    run("xrdb -nocpp -load '" + path + "'");
    std::remove(path.c_str());
  }
  std::string saved;
};

TEST_F(DesktopResources, XftDpiGdkScaleAndTheOverrideChooseTheScale) {
  struct Row {
    const char* resources;
    const char* gdkScale;  // null: unset
    const char* override;  // null: unset
    double host;
    int32_t scale;
  };
  const Row rows[] = {
      {"Xft.dpi: 192\n", nullptr, nullptr, 0, 2},
      {"Xft.dpi: 240\nXft.hinting: 1\n", nullptr, nullptr, 0, 3},
      {"Xft.dpi: 96\n", "2", nullptr, 0, 1},  // the server's answer comes first
      {"", "2", nullptr, 0, 2},
      {"", nullptr, nullptr, 0, 1},
      {"Xft.dpi: 192\n", nullptr, nullptr, 1.0, 1},  // the host's factor beats the desktop
      {"Xft.dpi: 192\n", nullptr, "3", 1.0, 3},      // the override beats everything
      {"Xft.dpi: 240\n", nullptr, "1", 0, 1},
  };
  for (const Row& r : rows) {
    load(r.resources);
    if (r.gdkScale)
      ::setenv("GDK_SCALE", r.gdkScale, 1);
    else
      ::unsetenv("GDK_SCALE");
    if (r.override)
      ::setenv("OXEL_UI_SCALE", r.override, 1);
    else
      ::unsetenv("OXEL_UI_SCALE");
    EXPECT_EQ(oxel::platform::chooseEditorScale(r.host), r.scale)
        << "resources '" << r.resources << "', GDK_SCALE " << (r.gdkScale ? r.gdkScale : "unset")
        << ", override " << (r.override ? r.override : "unset") << ", host " << r.host;
  }
}

TEST_F(DesktopResources, UnderXftDpi192AHeadlessOpenDrawsAtOneX) {
  // The size asked before the open is the desktop's (a window on it would
  // be 2x), but an open on a headless record has no desktop: it draws at 1x.
  load("Xft.dpi: 192\n");
  ::unsetenv("GDK_SCALE");
  ::unsetenv("OXEL_UI_SCALE");
  EXPECT_EQ(oxel::platform::chooseEditorScale(0, false), 1);
  struct Case {
    const char* plugin;
    int32_t width, height;
  };
  for (const Case& c : {Case{"Pelrin", 224, 240}, Case{"Tavrel", 188, 216}}) {
    SCOPED_TRACE(c.plugin);
    std::string error;
    auto library = oxel::PluginLibrary::load(builtPluginPath(c.plugin), error);
    ASSERT_TRUE(library) << error;
    auto plugin = oxel::PluginInstance::create(library, error);
    ASSERT_TRUE(plugin) << error;
    ERect* rect = nullptr;
    plugin->dispatch(effEditGetRect, 0, 0, &rect);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 2 * c.width);
    oxel::HeadlessEditor editor{oxel::editorCallsOf(plugin->effect())};
    ASSERT_TRUE(editor.open());
    EXPECT_EQ(editor.record().width, c.width);
    EXPECT_EQ(editor.record().height, c.height);
  }
}

std::vector<oxel::HostRequest> edits(const oxel::PluginInstance& plugin) {
  std::vector<oxel::HostRequest> out;
  for (const auto& r : plugin.requests())
    if (r.opcode != audioMasterIdle) out.push_back(r);
  return out;
}

TEST_F(DesktopResources, UnderXftDpi192AnXdotoolDragOnAKnobOfEachEditorIsOneGesture) {
  load("Xft.dpi: 192\n");
  struct Case {
    const char* plugin;
    int32_t width, height;
    int32_t x1, y1, x2, y2;  // 1x pixels: 3 o'clock to 6 o'clock on a knob
    VstInt32 index;
  };
  const Case cases[] = {{"Pelrin", 224, 240, 92, 72, 72, 92, 0},
                        {"Tavrel", 188, 216, 66, 60, 46, 80, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.plugin);
    std::string error;
    auto library = oxel::PluginLibrary::load(builtPluginPath(c.plugin), error);
    ASSERT_TRUE(library) << error;
    auto plugin = oxel::PluginInstance::create(library, error);
    ASSERT_TRUE(plugin) << error;
    ERect* r = nullptr;
    plugin->dispatch(effEditGetRect, 0, 0, &r);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->right - r->left, 2 * c.width);
    EXPECT_EQ(r->bottom - r->top, 2 * c.height);
    plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
    // Drawn: the knob's square is no longer the black of a new window.
    ASSERT_TRUE(idleUntil(*plugin, 10000, [&] {
      const auto shot = screenshot(parent, 2 * c.width, 2 * c.height);
      return shot.size() == static_cast<size_t>(4 * c.width * c.height) &&
             shot[static_cast<size_t>(2 * c.y1 * 2 * c.width + 2 * c.x2)] != 0;
    })) << "the editor was not drawn within 10 s";
    idleFor(*plugin, 30);
    plugin->clearRequests();
    const auto at = [](int32_t v) { return std::to_string(2 * v); };
    xdotool("mousemove --sync " + at(c.x1) + " " + at(c.y1) + " mousedown 1 mousemove --sync " +
            at((c.x1 + c.x2) / 2 + 2) + " " + at((c.y1 + c.y2) / 2 + 4) + " mousemove --sync " +
            at(c.x2) + " " + at(c.y2) + " mouseup 1");
    idleUntilGestureEnds(*plugin);
    const auto log = edits(*plugin);
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(log.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(log.front().index, c.index);
    EXPECT_EQ(log.back().opcode, audioMasterEndEdit);
    int begins = 0;
    for (const auto& e : log) {
      begins += e.opcode == audioMasterBeginEdit;
      EXPECT_EQ(e.index, c.index);
    }
    EXPECT_EQ(begins, 1);
    // Circular mode: the press at 3 o'clock is 0.25, 6 o'clock is 0.5.
    EXPECT_NEAR(log[1].opt, 0.25f, 1e-4f);
    EXPECT_NEAR(plugin->parameter(c.index), 0.5f, 1e-4f);
    plugin->dispatch(effEditClose);
  }
}

}  // namespace
