// Tavrel's editor in a real X server (Xvfb in the test command), driven with
// xdotool as a user would: the window shows exactly the headless picture, a
// click on a row of the order switch and a drag of the Angle1 knob each
// reach the host as one gesture on the right parameter. Skipped when no
// display can be opened, unless OXEL_REQUIRE_X11 is set (then a failure).
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

constexpr int kWidth = 188;
constexpr int kHeight = 216;

std::unique_ptr<oxel::PluginInstance> newTavrel() { return newBuiltPlugin("Tavrel"); }

// The editor's picture drawn in memory for the instance's current values.
std::vector<uint32_t> headlessPicture(oxel::PluginInstance& instance) {
  return headlessPixels(instance, "");
}

std::vector<oxel::HostRequest> edits(const oxel::PluginInstance& instance) {
  std::vector<oxel::HostRequest> out;
  for (const auto& r : instance.requests())
    if (r.opcode != audioMasterIdle) out.push_back(r);
  return out;
}

// The log as text, one request a line, for failure messages.
std::string describe(const std::vector<oxel::HostRequest>& log) {
  std::string text;
  for (const auto& r : log)
    text += "opcode " + std::to_string(r.opcode) + " index " + std::to_string(r.index) + " value " +
            std::to_string(r.opt) + "\n";
  return text;
}

class TavrelX11 : public X11HostTest {
 protected:
  TavrelX11() : X11HostTest{kWidth, kHeight} {}
};

TEST_F(TavrelX11, ASwitchClickAndAKnobDragAreOneGestureEach) {
  auto instance = newTavrel();
  const auto fresh = headlessPicture(*instance);
  ASSERT_EQ(fresh.size(), static_cast<size_t>(kWidth * kHeight));
  instance->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
  ASSERT_TRUE(idleUntil(*instance, 10000, [&] { return screenshot() == fresh; }))
      << "the editor window was not mapped and drawn as the headless picture within 10 s";

  // The fourth row of the order switch.
  instance->clearRequests();
  xdotool("mousemove --sync 94 136 click 1");
  idleUntilGestureEnds(*instance);
  auto log = edits(*instance);
  ASSERT_EQ(log.size(), 3u) << describe(log);
  EXPECT_EQ(log[0].opcode, audioMasterBeginEdit);
  EXPECT_EQ(log[1].opcode, audioMasterAutomate);
  EXPECT_FLOAT_EQ(log[1].opt, 0.6f);
  EXPECT_EQ(log[2].opcode, audioMasterEndEdit);
  for (const auto& r : log) EXPECT_EQ(r.index, 3);
  EXPECT_FLOAT_EQ(instance->parameter(3), 0.6f);

  // Angle 1 (centre 46, 60), circular: from 3 o'clock to 6 o'clock.
  instance->dispatch(effSetEditKnobMode, 0, 0);
  instance->clearRequests();
  xdotool(
      "mousemove --sync 66 60 mousedown 1 mousemove --sync 56 77 mousemove --sync 46 80 mouseup 1");
  idleUntilGestureEnds(*instance);
  log = edits(*instance);
  ASSERT_GE(log.size(), 3u) << describe(log);
  EXPECT_EQ(log.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(log.back().opcode, audioMasterEndEdit);
  int begins = 0;
  for (const auto& r : log) {
    EXPECT_EQ(r.index, 0);
    begins += r.opcode == audioMasterBeginEdit;
  }
  EXPECT_EQ(begins, 1) << describe(log);
  EXPECT_NEAR(instance->parameter(0), 0.5f, 1e-3);

  // The window now shows what the headless editor shows for these values.
  auto reference = newTavrel();
  reference->setParameter(0, instance->parameter(0));
  reference->setParameter(3, 0.6f);
  const auto expected = headlessPicture(*reference);
  EXPECT_TRUE(idleUntil(*instance, 2000, [&] { return screenshot() == expected; }));
  instance->dispatch(effEditClose);
}

}  // namespace
