// Pelrin's editor in-process: its size and layout, the displays' texts for
// every converter, host changes (parameters and programs) that reach the
// controls at the next idle and never before, mouse, wheel and key routing,
// the default click, the about picture, no automation while a drag rests,
// and open/close cycles that keep the pictures and leave no control behind.
#include <gtest/gtest.h>

#include "pelrin_rig.h"

namespace editortest {
namespace {

TEST(PelrinEditor, WindowIsTheBackgroundPictureAndAFreshEditorShowsTheFirstProgram) {
  PelrinRig rig;
  ERect* r = nullptr;
  ASSERT_EQ(rig.editor->getRect(&r), 1);
  EXPECT_EQ(r->right - r->left, 224);
  EXPECT_EQ(r->bottom - r->top, 240);
  EXPECT_EQ(rig.editor->getKnob(0), nullptr);  // no controls before open
  rig.open();
  EXPECT_EQ(rig.parent.record.width, 224);
  EXPECT_EQ(rig.parent.record.height, 240);
  const char* texts[] = {"360.00", "0.00", "60.00", "0.50"};
  const int32_t frames[] = {0, 11, 7};
  for (VstInt32 i = 0; i < 4; ++i) EXPECT_EQ(rig.text(i), texts[i]) << i;
  for (VstInt32 i = 0; i < 3; ++i) EXPECT_EQ(rig.editor->getKnob(i)->frameIndex(), frames[i]) << i;
  const CRect knobs[] = {{48, 48, 96, 96}, {48, 112, 96, 160}, {128, 48, 176, 96}};
  for (VstInt32 i = 0; i < 3; ++i) EXPECT_EQ(rig.editor->getKnob(i)->getViewSize(), knobs[i]) << i;
  const CRect displays[] = {{51, 96, 91, 110}, {51, 160, 91, 174}, {131, 96, 171, 110}, {91, 208, 131, 222}};
  for (VstInt32 i = 0; i < 4; ++i) EXPECT_EQ(rig.editor->getDisplay(i)->getViewSize(), displays[i]) << i;
  EXPECT_EQ(rig.editor->getPatternFader()->getViewSize(), CRect(32, 192, 192, 208));
  EXPECT_EQ(rig.editor->getPatternFader()->handleRect(), CRect(102, 192, 114, 208));
  EXPECT_EQ(rig.editor->getAboutScreen()->getViewSize(), CRect(50, 0, 136, 15));
}

TEST(PelrinEditor, DisplayTextsForEveryConverter) {
  struct Row {
    float value;
    const char* azimuth;
    const char* elevation;
    const char* angle;
    const char* pattern;
  };
  const Row rows[] = {
      {0.0f, "360.00", "90.00", "0.00", "0.00"},
      {0.125f, "315.00", "45.00", "45.00", "0.12"},  // "%.2f" rounds the tie to even
      {0.16666667f, "300.00", "30.00", "60.00", "0.17"},
      {0.25f, "270.00", "0.00", "90.00", "0.25"},
      {0.5f, "180.00", "-90.00", "180.00", "0.50"},
      {0.75f, "90.00", "-180.00", "270.00", "0.75"},
      {1.0f, "0.00", "-270.00", "360.00", "1.00"},
      {-0.001f, "360.36", "90.36", "-0.36", "-0.00"},  // host values outside 0..1
      {1.5f, "-180.00", "-450.00", "540.00", "1.50"},
  };
  char t[256];
  for (const Row& r : rows) {
    RazOruRerora::degreeStringConvertAzimuth(r.value, t);
    EXPECT_STREQ(t, r.azimuth) << r.value;
    RazOruRerora::degreeStringConvertElevation(r.value, t);
    EXPECT_STREQ(t, r.elevation) << r.value;
    RazOruRerora::degreeStringConvertAngle(r.value, t);
    EXPECT_STREQ(t, r.angle) << r.value;
    RazOruRerora::floatStringConvertPattern(r.value, t);
    EXPECT_STREQ(t, r.pattern) << r.value;
  }
}

TEST(PelrinEditor, HostChangesReachTheControlsAtTheNextIdleAndNeverBefore) {
  PelrinRig rig;
  rig.open();
  rig.plugin->setParameter(1, 0.5f);
  rig.plugin->setParameter(3, 1.5f);  // stored as it is
  rig.plugin->setParameter(4, 0.9f);  // no such parameter
  EXPECT_EQ(rig.editor->getKnob(1)->getValue(), 0.25f);
  EXPECT_EQ(rig.text(1), "0.00");
  rig.editor->idle();
  EXPECT_EQ(rig.editor->getKnob(1)->getValue(), 0.5f);
  EXPECT_EQ(rig.editor->getKnob(1)->frameIndex(), 22);
  EXPECT_EQ(rig.text(1), "-90.00");
  EXPECT_EQ(rig.text(3), "1.50");
  // The handle stays at the end of its travel with its full width.
  EXPECT_EQ(rig.editor->getPatternFader()->handleRect(), CRect(177, 192, 189, 208));
  EXPECT_EQ(rig.text(0), "360.00");
  EXPECT_TRUE(PelrinRig::automation().empty());  // the host is not told its own changes

  // Closed: nothing to move; reopened: the current values.
  rig.editor->close();
  EXPECT_EQ(rig.editor->getKnob(1), nullptr);
  rig.plugin->setParameter(0, 0.25f);
  rig.editor->idle();
  rig.open();
  EXPECT_EQ(rig.text(0), "270.00");
  EXPECT_EQ(rig.text(1), "-90.00");

  // A program change moves every control at the next idle.
  rig.plugin->setProgram(1);
  rig.editor->idle();
  const char* texts[] = {"360.00", "0.00", "60.00", "0.50"};
  for (VstInt32 i = 0; i < 4; ++i) EXPECT_EQ(rig.text(i), texts[i]) << i;
  rig.plugin->setParameter(2, 0.25f);
  rig.plugin->setProgram(0);
  rig.editor->idle();
  EXPECT_EQ(rig.text(0), "270.00");
  rig.plugin->setProgram(1);
  rig.editor->idle();
  EXPECT_EQ(rig.text(2), "90.00");
}

TEST(PelrinEditor, KnobClickAndDragAreOneGestureAndTheDisplayFollows) {
  // Circular mode: the click jumps to 3 o'clock (0.25); the drag goes on to
  // 6 o'clock (0.5).
  PelrinRig rig{"drag 92 72 72 92\n"};
  rig.open();
  rig.play();
  std::vector<Request> all;
  const auto automation = PelrinRig::automation(&all);
  ASSERT_GE(automation.size(), 2u);
  EXPECT_NEAR(automation.front().second, 0.25f, 1e-5f);
  EXPECT_NEAR(automation.back().second, 0.5f, 1e-5f);
  for (size_t i = 1; i < automation.size(); ++i) EXPECT_NE(automation[i].second, automation[i - 1].second);
  EXPECT_EQ(all.front(), (Request{audioMasterBeginEdit, 0, 0, 0.0f}));
  EXPECT_EQ(all.back(), (Request{audioMasterEndEdit, 0, 0, 0.0f}));
  EXPECT_NEAR(rig.plugin->getParameter(0), 0.5f, 1e-5f);
  EXPECT_EQ(rig.text(0), "180.00");
}

TEST(PelrinEditor, ARestingDragSendsNoAutomation) {
  // The slider asks its listener on every pass while it is held; only the
  // first (a change) reaches the host, however long the button stays down.
  PelrinRig rig{"press 108 200\nwait 400\nrelease 108 200\n"};
  rig.open();
  rig.play();
  std::vector<Request> all;
  EXPECT_EQ(PelrinRig::automation(&all).size(), 1u);
  EXPECT_EQ(all.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(all.back().opcode, audioMasterEndEdit);
  EXPECT_NEAR(rig.plugin->getParameter(3), 0.5035461f, 1e-6f);  // (108 - 37) / 141
}

TEST(PelrinEditor, ADragBackToTheStartingValueLeavesThePluginThere) {
  // 0.25 -> 0.5 -> 0.25 with no idle (no redraw) in between.
  PelrinRig rig{"press 92 72\nmove 72 92\nwait 1\nmove 92 72\nwait 1\nrelease 92 72\n"};
  rig.plugin->setParameter(0, 0.6f);
  rig.open();
  rig.play();
  EXPECT_NEAR(rig.plugin->getParameter(0), 0.25f, 1e-5f);
}

TEST(PelrinEditor, ControlClickRestoresDefaults) {
  struct Case {
    const char* script;
    VstInt32 index;
    float before;
    float after;
    int brackets;  // every reset is one edit gesture, knobs and slider alike
  };
  const Case cases[] = {
      {"click 72 60 ctrl\n", 0, 0.7f, 0.0f, 1},
      {"click 72 130 ctrl\n", 1, 0.7f, 0.25f, 1},
      {"click 150 60 ctrl\n", 2, 0.7f, 0.16666667f, 1},
      {"click 60 200 ctrl\n", 3, 0.9f, 0.5f, 1},
  };
  for (const Case& c : cases) {
    PelrinRig rig{c.script};
    rig.plugin->setParameter(c.index, c.before);
    rig.open();
    rig.play();
    std::vector<Request> all;
    EXPECT_EQ(PelrinRig::automation(&all), (std::vector<std::pair<VstInt32, float>>{{c.index, c.after}}))
        << c.script;
    int begins = 0;
    for (const Request& r : all) begins += r.opcode == audioMasterBeginEdit;
    EXPECT_EQ(begins, c.brackets) << c.script;
    EXPECT_EQ(rig.plugin->getParameter(c.index), c.after) << c.script;
  }
}

TEST(PelrinEditor, WheelGoesUnderThePointerAndKeysToTheFocusOrTheLastControlThatTakesThem) {
  // Without a focus the arrow moves the slider (the displays above it take
  // no keys); a knob that was dragged has the focus; the wheel turns what
  // is under the pointer, and a display there takes nothing.
  PelrinRig rig{"key right\nwait 50\nwheel up 72 136\nwait 50\nwheel up 71 103\nwait 50\n"
                "click 92 72\nwait 50\nkey up shift\nwait 50\n"};
  rig.open();
  rig.play();
  EXPECT_NEAR(rig.plugin->getParameter(3), 0.6f, 1e-6f);
  EXPECT_NEAR(rig.plugin->getParameter(1), 0.35f, 1e-6f);
  EXPECT_NEAR(rig.plugin->getParameter(0), 0.26f, 1e-5f);
  EXPECT_EQ(rig.text(3), "0.60");
  EXPECT_EQ(rig.text(0), "266.40");
}

TEST(PelrinEditor, AboutPictureOpensOnTheTitleAndClosesOnAnyClick) {
  PelrinRig rig{"click 93 7\nwait 50\n"};
  rig.open();
  rig.play();
  auto* about = rig.editor->getAboutScreen();
  EXPECT_TRUE(about->isOpen());
  EXPECT_EQ(rig.editor->getFrame()->getModalView(), about);
  // The picture shows over the whole window (a pixel of a knob square shows
  // the about picture, not the knob).
  const auto* aboutPicture = rig.editor->getBitmap(129)->getHandle();
  EXPECT_EQ(rig.parent.pixel(72, 60), aboutPicture->get(72, 60));
  EXPECT_TRUE(PelrinRig::automation().empty());
  // Automation while it is open moves the controls but leaves the picture
  // whole (the open picture is the frame's last view); an arrow key too.
  rig.plugin->setParameter(0, 0.5f);
  rig.plugin->setParameter(3, 0.9f);
  rig.editor->idle();
  VstKeyCode right{0, 13, 0};
  rig.editor->onKeyDown(right);
  rig.editor->idle();
  EXPECT_EQ(rig.editor->getKnob(0)->getValue(), 0.5f);
  // Every pixel of the moved knob, its readout and the slider's row.
  int differing = 0;
  for (const CRect& r : {CRect(48, 48, 96, 110), CRect(32, 192, 192, 222)})
    for (int32_t y = r.top; y < r.bottom; ++y)
      for (int32_t x = r.left; x < r.right; ++x) differing += rig.parent.pixel(x, y) != aboutPicture->get(x, y);
  EXPECT_EQ(differing, 0);
  rig.parent.text = "click 72 72\nwait 50\n";  // on the azimuth knob's place
  rig.editor->close();
  rig.parent.record.script = rig.parent.text.c_str();
  rig.open();
  rig.play();
  // A fresh window: the about picture is closed, and the click turned the knob.
  EXPECT_FALSE(rig.editor->getAboutScreen()->isOpen());

  PelrinRig twice{"click 93 7\nwait 50\nclick 72 72\nwait 50\n"};
  twice.open();
  twice.play();
  EXPECT_FALSE(twice.editor->getAboutScreen()->isOpen());
  EXPECT_EQ(twice.editor->getFrame()->getModalView(), nullptr);
  EXPECT_TRUE(PelrinRig::automation().empty());  // the closing click changed nothing
  EXPECT_EQ(twice.plugin->getParameter(0), 0.0f);
  // After closing, the editor is drawn again: the knob square shows the knob.
  EXPECT_NE(twice.parent.pixel(72, 60), twice.editor->getBitmap(129)->getHandle()->get(72, 60));
}

TEST(PelrinEditor, OpenCloseCyclesKeepThePicturesAndLeaveNoControls) {
  PelrinRig rig;
  CBitmap* pictures[5];
  for (int32_t i = 0; i < 5; ++i) {
    pictures[i] = rig.editor->getBitmap(128 + i);
    ASSERT_TRUE(pictures[i]->isLoaded()) << 128 + i;
    EXPECT_EQ(pictures[i]->getNbReference(), 1) << 128 + i;
  }
  for (int round = 0; round < 3; ++round) {
    rig.open();
    EXPECT_GT(pictures[2]->getNbReference(), 1);
    rig.open();  // a second open without close replaces the window
    EXPECT_EQ(rig.parent.record.openWindows, 1u);
    rig.editor->close();
    EXPECT_EQ(rig.parent.record.openWindows, 0u);
    EXPECT_EQ(rig.editor->getKnob(0), nullptr);
    EXPECT_EQ(rig.editor->getPatternFader(), nullptr);
    for (int32_t i = 0; i < 5; ++i) {
      EXPECT_EQ(rig.editor->getBitmap(128 + i), pictures[i]);
      EXPECT_EQ(pictures[i]->getNbReference(), 1) << 128 + i;
    }
  }
  // Parameter changes while closed are harmless; destroying the plug-in
  // with the window open removes the window (ASan checks the rest).
  rig.plugin->setParameter(0, 0.3f);
  rig.editor->idle();
  rig.open();
}

}  // namespace
}  // namespace editortest
