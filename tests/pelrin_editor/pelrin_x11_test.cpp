// Pelrin's editor in a real X server (Xvfb in the test command), loaded
// through its entry point: a drag made with xdotool on the Azimuth knob
// reaches the host as exactly one gesture with automation on parameter 0,
// the window shows the headless picture, and a click on the title opens the
// about picture, which the next click closes without touching a parameter.
// Skipped without a display unless OXEL_REQUIRE_X11 is set.
// gtest first: Xlib defines macros (None, Bool) that clash with it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "plugin_editor_session.h"
#include "x11_host_test.h"

namespace {

constexpr int kWidth = 224;
constexpr int kHeight = 240;

std::unique_ptr<oxel::PluginInstance> newPelrin() { return newBuiltPlugin("Pelrin"); }

// The picture the headless back end shows after `script` (no draw request:
// the first expose draws, as in the X window).
std::vector<uint32_t> headlessPicture(const std::string& script) {
  auto plugin = newPelrin();
  oxel::HeadlessOptions options;
  options.drawAfterOpen = false;
  return headlessPixels(*plugin, script, options);
}

std::vector<oxel::HostRequest> edits(const oxel::PluginInstance& plugin) {
  std::vector<oxel::HostRequest> out;
  for (const auto& r : plugin.requests())
    if (r.opcode != audioMasterIdle) out.push_back(r);
  return out;
}

class PelrinX11 : public X11HostTest {
 protected:
  PelrinX11() : X11HostTest{kWidth, kHeight} {}
};

TEST_F(PelrinX11, XdotoolDragOnAzimuthIsOneGestureAndTheTitleOpensTheAboutPicture) {
  const auto fresh = headlessPicture("");
  const auto about = headlessPicture("click 93 7\n");
  auto plugin = newPelrin();
  ASSERT_TRUE(plugin);
  plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
  ASSERT_TRUE(idleUntil(*plugin, 10000, [&] { return screenshot() == fresh; }))
      << "the editor window was not mapped and drawn as headless within 10 s";
  idleFor(*plugin, 30);

  // Azimuth: press at 3 o'clock, turn to 6 o'clock.
  plugin->clearRequests();
  xdotool("mousemove --sync 92 72 mousedown 1 mousemove --sync 86 86 mousemove --sync 72 92 mouseup 1");
  idleUntil(*plugin, 5000, [&] {
    const auto log = edits(*plugin);
    return !log.empty() && log.back().opcode == audioMasterEndEdit;
  });
  idleFor(*plugin, 50);
  const auto log = edits(*plugin);
  ASSERT_GE(log.size(), 3u);
  EXPECT_EQ(log.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(log.front().index, 0);
  EXPECT_EQ(log.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(log.back().index, 0);
  for (size_t i = 1; i + 1 < log.size(); ++i) {
    EXPECT_EQ(log[i].opcode, audioMasterAutomate) << i;
    EXPECT_EQ(log[i].index, 0) << i;
  }
  EXPECT_NEAR(plugin->parameter(0), 0.5f, 1e-4f);

  // The title: the about picture covers the window; any click closes it.
  plugin->clearRequests();
  xdotool("mousemove --sync 93 7 click 1");
  EXPECT_TRUE(idleUntil(*plugin, 5000, [&] { return screenshot() == about; })) << "no about picture";
  xdotool("mousemove --sync 100 150 click 1");
  EXPECT_TRUE(idleUntil(*plugin, 5000, [&] { return screenshot() != about; })) << "the about picture stayed";
  idleFor(*plugin, 50);
  EXPECT_TRUE(edits(*plugin).empty());
  EXPECT_NEAR(plugin->parameter(0), 0.5f, 1e-4f);
  plugin->dispatch(effEditClose);
}

}  // namespace
