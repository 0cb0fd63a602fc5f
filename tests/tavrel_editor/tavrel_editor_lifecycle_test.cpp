// Tavrel's editor object in-process, where its state can be inspected: this
// program embeds no pictures and its folder has no resources/, so the editor
// meets missing pictures and must stay usable (a window that holds every
// control, an about area that never opens an invisible view, working controls). Also:
// close forgets every control, reopening shows the current values, a second
// open replaces the first window, and host parameter changes from another
// thread while the window opens, draws and closes (run under ThreadSanitizer).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>

#include "CAnimRotary.h"
#include "CFrame.h"
#include "CParamDisplay.h"
#include "CSplashScreen.h"
#include "CVerticalSwitch.h"
#include "VuvIzedAzur.h"
#include "ZidIdirAruriz.h"
#include "headless_editor.h"

namespace {

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

struct Parent {
  explicit Parent(const char* script = "") : record{oxel::headlessRecord(script)} {}
  OxelHeadlessParent record;
};

struct Rig {
  Rig()
      : plugin{std::make_unique<VuvIzedAzur>(quietHost)},
        editor{static_cast<ZidIdirAruriz*>(plugin->getEditor())} {}
  std::unique_ptr<VuvIzedAzur> plugin;
  ZidIdirAruriz* editor;
};

TEST(TavrelEditorLifecycle, MissingPicturesLeaveAUsableEditor) {
  Rig rig;
  ASSERT_NE(rig.editor, nullptr);
  ERect* rect = nullptr;
  ASSERT_EQ(rig.editor->getRect(&rect), 1);
  EXPECT_EQ(rect->right - rect->left, ZidIdirAruriz::kFallbackWidth);
  EXPECT_EQ(rect->bottom - rect->top, ZidIdirAruriz::kFallbackHeight);

  // A click on the about area, then one on the switch's third row.
  Parent parent{"click 93 7\nwait 100\nclick 94 123\nwait 100\n"};
  ASSERT_EQ(rig.editor->open(&parent.record), 1);
  EXPECT_EQ(parent.record.openWindows, 1u);
  for (int i = 0; i < oxel::kHeadlessMaxIdles && !parent.record.scriptDone; ++i) rig.editor->idle();
  rig.editor->idle();
  // The about area stayed closed: no view took every click, and the
  // switch, though it has no picture, took its click.
  EXPECT_FALSE(rig.editor->getAboutScreen()->isOpen());
  EXPECT_EQ(rig.editor->getFrame()->getModalView(), nullptr);
  EXPECT_FLOAT_EQ(rig.plugin->getParameter(3), 0.4f);
  EXPECT_FLOAT_EQ(rig.editor->getOrderSwitch()->getValue(), 0.4f);
  rig.editor->close();
  EXPECT_EQ(parent.record.openWindows, 0u);
}

TEST(TavrelEditorLifecycle, CloseForgetsTheControlsAndReopeningShowsCurrentValues) {
  Rig rig;
  Parent first, second;
  rig.editor->open(&first.record);
  ASSERT_NE(rig.editor->getOrderSwitch(), nullptr);
  rig.editor->close();
  EXPECT_EQ(rig.editor->getAboutScreen(), nullptr);
  EXPECT_EQ(rig.editor->getOrderSwitch(), nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.editor->getAngleKnob(i), nullptr);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.editor->getAngleReadout(i), nullptr);

  // Changes while closed reach no control; the next open starts from them.
  const float values[] = {0.25f, 0.5f, 0.75f, 0.6f};
  for (VstInt32 i = 0; i < 4; ++i) rig.plugin->setParameter(i, values[i]);
  rig.editor->idle();
  rig.editor->open(&first.record);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.editor->getAngleKnob(i)->getValue(), values[i]);
  EXPECT_EQ(rig.editor->getOrderSwitch()->getValue(), values[3]);
  EXPECT_EQ(rig.editor->getAngleKnob(1)->getDefaultValue(), 1.0f);
  EXPECT_EQ(rig.editor->getOrderSwitch()->getDefaultValue(), 0.0f);

  // A second open without a close: the first window goes, no second one.
  rig.editor->open(&second.record);
  EXPECT_EQ(first.record.openWindows, 0u);
  EXPECT_EQ(second.record.openWindows, 1u);
  EXPECT_EQ(rig.editor->getFrame()->getNbViews(), 8);  // about, 3 knobs, switch, 3 readouts
  // Destroyed while open: the window goes with it.
  rig.plugin.reset();
  EXPECT_EQ(second.record.openWindows, 0u);
}

TEST(TavrelEditorLifecycle, ReadoutTextsForAngleValues) {
  // "\xA1" is the degree sign in the editor's text encoding.
  const struct {
    float value;
    const char* text;
  } cases[] = {
      {0.0f, "0.0\xA1"},
      {0.25f, "90.0\xA1"},
      {359.9f / 360.0f, "359.9\xA1"},
      {1.0f, "360.0\xA1"},
      {0.5f / 360.0f, "0.5\xA1"},
      // Host values outside 0..1 turn the field by their part of a turn.
      {1.25f, "90.0\xA1"},
      {-0.25f, "270.0\xA1"},
      {-1.0f, "0.0\xA1"},
      {1e9f, "0.0\xA1"},
      {std::nanf(""), "--"},
      {INFINITY, "--"},
  };
  for (const auto& c : cases) {
    char text[256];
    ZidIdirAruriz::angleText(c.value, text);
    EXPECT_STREQ(text, c.text) << c.value;
  }
}

TEST(TavrelEditorLifecycle, ReadoutsFollowAutomationAndProgramsAtTheNextIdle) {
  Rig rig;
  Parent parent;
  rig.editor->open(&parent.record);
  auto shown = [&](int i) {
    char text[CParamDisplay::kTextSize];
    rig.editor->getAngleReadout(i)->getText(text);
    return std::string{text};
  };
  // Under each knob's column, in the window the background makes taller.
  for (int i = 0; i < 3; ++i) {
    const CRect r = rig.editor->getAngleReadout(i)->getViewSize();
    EXPECT_EQ(r, CRect(24 + 48 * i, 194, 68 + 48 * i, 208)) << i;
    EXPECT_FALSE(r.rectOverlap(rig.editor->getAngleKnob(i)->getViewSize())) << i;
    EXPECT_FALSE(r.rectOverlap(rig.editor->getOrderSwitch()->getViewSize())) << i;
    EXPECT_EQ(shown(i), "0.0\xA1") << i;
  }
  rig.plugin->setParameter(1, 0.25f);
  EXPECT_EQ(shown(1), "0.0\xA1");  // not before the idle
  rig.editor->idle();
  EXPECT_EQ(shown(1), "90.0\xA1");
  rig.plugin->setProgram(2);
  const float values[] = {0.5f, 0.75f, 1.5f};
  for (VstInt32 i = 0; i < 3; ++i) rig.plugin->setParameter(i, values[i]);
  rig.plugin->setProgram(0);
  rig.editor->idle();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(shown(i), i == 1 ? "90.0\xA1" : "0.0\xA1") << i;
  rig.plugin->setProgram(2);
  rig.editor->idle();
  EXPECT_EQ(shown(0), "180.0\xA1");
  EXPECT_EQ(shown(1), "270.0\xA1");
  EXPECT_EQ(shown(2), "180.0\xA1");
}

TEST(TavrelEditorLifecycle, HostParametersFromAnotherThreadWhileTheWindowCycles) {
  Rig rig;
  std::atomic<bool> stop{false};
  std::thread automation([&] {
    for (int n = 0; !stop.load(std::memory_order_relaxed); ++n)
      rig.plugin->setParameter(n % 4, static_cast<float>(n % 13) / 10.0f);  // 1.1 and 1.2 too
  });
  for (int cycle = 0; cycle < 40; ++cycle) {
    Parent parent;
    rig.editor->open(&parent.record);
    rig.editor->draw(nullptr);
    for (int i = 0; i < 3; ++i) rig.editor->idle();
    rig.editor->close();
  }
  stop = true;
  automation.join();
  // The last values arrive at the next open.
  Parent parent;
  rig.editor->open(&parent.record);
  EXPECT_EQ(rig.editor->getOrderSwitch()->getValue(), rig.plugin->getParameter(3));
  rig.editor->close();
}

}  // namespace
