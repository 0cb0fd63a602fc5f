// The frame on a headless window: nothing is painted before the first draw,
// idle repaints exactly the dirty views and shows only their area, clicks,
// wheel turns and keys go to the modal view, the focus view or the children
// in the right order, sizing reaches our window and port, and a quick click
// (press and release already queued) still counts.
#include <gtest/gtest.h>

#include <memory>

#include "editor_fixture.h"
#include "platform.h"

namespace editortest {
namespace {

namespace platform = oxel::platform;
constexpr platform::Pixel kRed = 0xFF0000;
constexpr platform::Pixel kGreen = 0x00FF00;

struct FrameRig {
  explicit FrameRig(const char* script = nullptr) : parent{script} {
    host().taken();
    effect = new StubEffect;
    editor = new ProbeEditor(effect, CRect(0, 0, 60, 40));
    editor->populate = [this](CFrame& frame) {
      frame.setBackgroundColor(kBlackCColor);
      a = new LoggingView(CRect(0, 0, 30, 20), "A", log, kRedCColor);
      b = new LoggingView(CRect(30, 0, 60, 20), "B", log, kGreenCColor);
      frame.addView(a);
      frame.addView(b);
    };
    editor->open(&parent.record);
    frame = editor->frame;
  }
  ~FrameRig() { delete effect; }
  Parent parent;
  StubEffect* effect;
  ProbeEditor* editor;
  CFrame* frame;
  std::vector<std::string> log;
  LoggingView* a{nullptr};
  LoggingView* b{nullptr};
};

TEST(Frame, NothingIsPaintedBeforeTheFirstDrawThenOnlyDirtyViewsAndTheirArea) {
  FrameRig rig;
  rig.frame->idle();  // views are dirty, yet no draw has come
  EXPECT_EQ(rig.parent.pixel(5, 5), 0u);
  EXPECT_EQ(rig.parent.record.flushCount, 0u);

  rig.editor->idle();  // the window's first expose is the first draw
  EXPECT_EQ(rig.parent.pixel(5, 5), kRed);
  EXPECT_EQ(rig.parent.pixel(40, 5), kGreen);
  EXPECT_FALSE(rig.frame->isSomethingDirty());

  // Paint the port behind the frame's back, then dirty only B: idle
  // repaints B and shows B's rectangle, nothing else.
  rig.frame->getWindowPort()->fillAll(0x123456);
  rig.frame->getWindowPort()->takeDirty();
  rig.b->colour = kBlueCColor;
  rig.b->setDirty(true);
  const uint32_t flushes = rig.parent.record.flushCount;
  rig.editor->idle();
  EXPECT_EQ(rig.parent.record.flushCount, flushes + 1);
  EXPECT_EQ(rig.parent.pixel(40, 5), 0x0000FFu);
  EXPECT_EQ(rig.parent.pixel(59, 19), 0x0000FFu);
  EXPECT_EQ(rig.parent.pixel(5, 5), kRed);        // A: old screen contents
  EXPECT_EQ(rig.parent.pixel(40, 30), 0u);        // below B: untouched
  EXPECT_EQ(rig.frame->getWindowPort()->get(5, 5), 0x123456u);  // A was not redrawn
}

TEST(Frame, AClickTakesTheFocusAwayBeforeTheChildGetsIt) {
  FrameRig rig("click 40 5\n");
  rig.frame->setFocusView(rig.a);
  idleThroughScript(*rig.editor, rig.parent);
  const std::vector<std::string> expected = {"A looseFocus", "B mouse 40,5 1"};
  EXPECT_EQ(rig.log, expected);
  EXPECT_EQ(rig.frame->getFocusView(), nullptr);
}

TEST(Frame, ModalViewTakesTheWheelEverywhereAndOnlyClicksInsideIt) {
  FrameRig rig("click 5 5\nwheel up 45 5\nclick 45 30 shift\nwheel down 5 30\n");
  std::vector<std::string>& log = rig.log;
  auto* modal = new LoggingView(CRect(40, 25, 60, 40), "M", log);
  EXPECT_TRUE(rig.frame->setModalView(modal));
  idleThroughScript(*rig.editor, rig.parent);
  const std::vector<std::string> expected = {"M wheel 45,5 1", "M mouse 45,30 9", "M wheel 5,30 -1"};
  EXPECT_EQ(log, expected);
  rig.frame->setModalView(nullptr);
  modal->forget();
}

TEST(Frame, ASecondModalViewIsRefusedAndRemovingOneKeepsItAlive) {
  FrameRig rig;
  std::vector<std::string> log;
  auto* first = new LoggingView(CRect(0, 0, 5, 5), "1", log);
  auto* second = new LoggingView(CRect(0, 0, 5, 5), "2", log);
  EXPECT_TRUE(rig.frame->setModalView(first));
  EXPECT_FALSE(rig.frame->setModalView(second));
  EXPECT_EQ(rig.frame->getModalView(), first);
  EXPECT_TRUE(rig.frame->isChild(first));
  EXPECT_TRUE(rig.frame->setModalView(nullptr));
  EXPECT_FALSE(rig.frame->isChild(first));
  EXPECT_EQ(first->getNbReference(), 1);
  EXPECT_TRUE(rig.frame->setModalView(nullptr));  // none set: fine, nothing changes
  first->forget();
  second->forget();
}

TEST(Frame, KeysGoToFocusThenModalThenChildrenLastFirst) {
  struct Case {
    int32_t focusAnswer;
    int32_t modalAnswer;
    std::vector<std::string> asked;
    int32_t result;
  };
  const Case cases[] = {
      {1, 1, {"F key 11"}, 1},
      {-1, 1, {"F key 11", "M key 11"}, 1},
      {-1, -1, {"F key 11", "M key 11", "M key 11", "B key 11", "A key 11"}, -1},
  };
  for (const Case& c : cases) {
    FrameRig rig;
    auto* focus = new LoggingView(CRect(0, 0, 1, 1), "F", rig.log);
    auto* modal = new LoggingView(CRect(0, 0, 1, 1), "M", rig.log);
    focus->keyAnswer = c.focusAnswer;
    modal->keyAnswer = c.modalAnswer;
    rig.frame->setFocusView(focus);
    rig.frame->setModalView(modal);
    VstKeyCode key{0, 11, 0};
    EXPECT_EQ(rig.editor->onKeyDown(key), c.result);
    EXPECT_EQ(rig.log, c.asked);
    rig.frame->setFocusView(nullptr);
    rig.frame->setModalView(nullptr);
    focus->forget();
    modal->forget();
  }
}

TEST(Frame, InvalidateMarksChildrenItTouches) {
  FrameRig rig;
  rig.editor->idle();
  rig.frame->invalidate(CRect(0, 20, 29, 40));  // touches A's bottom edge only
  EXPECT_TRUE(rig.a->isDirty());
  EXPECT_FALSE(rig.b->isDirty());
}

TEST(Frame, SetSizeResizesOurWindowWhetherOrNotTheHostDoes) {
  struct Case {
    bool hostSizes;
    int32_t width, height;
    bool result;
  };
  const Case cases[] = {{false, 60, 40, false}, {false, 0, 40, false}, {false, 70, 50, true}, {true, 80, 30, true}};
  for (const Case& c : cases) {
    FrameRig rig;
    rig.editor->idle();
    host().canSizeWindow = host().acceptSizeWindow = c.hostSizes;
    host().taken();
    EXPECT_EQ(rig.frame->setSize(c.width, c.height), c.result);
    host().canSizeWindow = host().acceptSizeWindow = false;
    const int32_t w = c.result ? c.width : 60;
    const int32_t h = c.result ? c.height : 40;
    EXPECT_EQ(rig.frame->getViewSize(), CRect(0, 0, w, h));
    EXPECT_EQ(rig.frame->getWindowPort()->width(), w);
    EXPECT_EQ(rig.frame->getWindowPort()->height(), h);
    EXPECT_EQ(rig.parent.record.width, w);
    ERect* r = nullptr;
    rig.editor->getRect(&r);
    EXPECT_EQ(r->right, w);
    EXPECT_EQ(r->bottom, h);
    EXPECT_EQ(host().count(audioMasterSizeWindow), c.hostSizes ? 1 : 0);
    if (c.result) {
      // The whole new window is drawn at the next idle.
      rig.editor->idle();
      EXPECT_EQ(rig.parent.pixel(w - 1, h - 1), 0u);
      EXPECT_EQ(rig.parent.pixel(5, 5), kRed);
    }
  }
}

TEST(Frame, QuickAndModifiedClicksCountAsOneGesture) {
  struct Case {
    const char* script;
    float value;
    int automates;
  };
  const Case cases[] = {
      {"click 30 5\n", 0.5f, 1},         // press and release arrive together
      {"click 45 5 ctrl\n", 0.25f, 1},   // Ctrl+click: the default value
      {"press 6 5\nwait 60\nmove 30 5\nwait 60\nmove 54 5\nwait 60\nrelease 54 5\n", 0.9f, -1},
      {"drag 6 5 54 5\n", 0.9f, -1},  // press, moves 20 ms apart, release
      {"drag 6 5 54 5 shift steps 2\n", 0.9f, -1},
      {"press 6 5\nwait 60\nmove 30 5 shift alt\nwait 60\nrelease 30 5\n", 0.5f, -1},
  };
  for (const Case& c : cases) {
    Parent parent{c.script};
    host().taken();
    auto* effect = new StubEffect;
    auto* editor = new ProbeEditor(effect);
    DragControl* control = nullptr;
    editor->populate = [&](CFrame& frame) {
      control = new DragControl(CRect(0, 0, 60, 10), editor, 1);
      control->setDefaultValue(0.25f);
      control->setValue(0.75f);
      frame.addView(control);
    };
    editor->open(&parent.record);
    idleThroughScript(*editor, parent);
    EXPECT_FLOAT_EQ(control->getValue(), c.value) << c.script;
    const auto edits = host().edits();
    ASSERT_GE(edits.size(), 2u) << c.script;
    EXPECT_EQ(edits.front(), (Request{audioMasterBeginEdit, 1, 0, 0.0f})) << c.script;
    EXPECT_EQ(edits.back(), (Request{audioMasterEndEdit, 1, 0, 0.0f})) << c.script;
    int automates = 0;
    for (size_t i = 1; i + 1 < edits.size(); ++i) {
      EXPECT_EQ(edits[i].opcode, audioMasterAutomate);
      EXPECT_EQ(edits[i].index, 1);
      ++automates;
    }
    if (c.automates >= 0) {
      EXPECT_EQ(automates, c.automates) << c.script;
    }
    EXPECT_FLOAT_EQ(edits[edits.size() - 2].opt, c.value) << c.script;
    delete effect;
  }
}

TEST(Frame, ScriptedKeysArriveAsKeyCodes) {
  struct KeyLogger : CView {
    explicit KeyLogger(std::vector<std::string>& log) : CView(CRect(0, 0, 1, 1)), log{log} {}
    int32_t onKeyDown(VstKeyCode& k) override {
      log.push_back("down " + std::to_string(k.character) + " " + std::to_string(k.virt) + " " +
                    std::to_string(k.modifier));
      return 1;
    }
    int32_t onKeyUp(VstKeyCode& k) override {
      log.push_back("up " + std::to_string(k.virt));
      return 1;
    }
    std::vector<std::string>& log;
  };
  FrameRig rig("key left shift\nkey f3\nkey a ctrl alt\nkey return super\n");
  std::vector<std::string> keys;
  auto* logger = new KeyLogger(keys);
  rig.frame->setFocusView(logger);
  idleThroughScript(*rig.editor, rig.parent);
  const std::vector<std::string> expected = {"down 0 11 1", "up 11", "down 0 42 0", "up 42",
                                             "down 97 0 6", "up 0",  "down 13 4 8", "up 4"};
  EXPECT_EQ(keys, expected);
  rig.frame->setFocusView(nullptr);
  logger->forget();
}

TEST(Frame, AScriptWithAnUnreadableLineReportsItAndPlaysNothing) {
  struct Case {
    const char* script;
    uint32_t badLine;  // 0: the whole script is read
  };
  const Case cases[] = {
      {"# comment\n\nclick 10 10 shift button 3  # trailing\nwheel up 40 5 alt\nwait 0\nkey a\n", 0},
      {"move 10 10 shift alt\nclick 10 10\n", 0},
      {"click 10 10\nclack 10 10\n", 2},  // unknown verb; the click before is not played either
      {"press 10\n", 1},
      {"press 10 10 button 4\n", 1},
      {"release 10 10 button\n", 1},
      {"move 10 10 button 3\n", 1},  // a move carries modifiers, no button
      {"drag 10 10 20\n", 1},
      {"drag 10 10 20 20 steps 0\n", 1},
      {"drag 10 10 20 20 button 3\n", 1},
      {"click 10 40000\n", 1},
      {"wheel sideways 10 10\n", 1},
      {"key\n", 1},
      {"key f13\n", 1},
      {"key ab\n", 1},
      {"key a hyper\n", 1},
      {"wait -1\n", 1},
      {"wait 5 6\n", 1},
  };
  for (const Case& c : cases) {
    FrameRig rig(c.script);
    idleThroughScript(*rig.editor, rig.parent);
    EXPECT_EQ(rig.parent.record.scriptError, c.badLine) << c.script;
    EXPECT_EQ(rig.parent.record.scriptDone, 1u) << c.script;
    const bool played = !rig.log.empty();
    EXPECT_EQ(played, c.badLine == 0) << c.script;
  }
}

TEST(Frame, CursorsMapToThemeNumbers) {
  FrameRig rig;
  const std::pair<CCursorType, int32_t> table[] = {
      {kCursorDefault, 0}, {kCursorWait, 7},    {kCursorHSize, 17}, {kCursorVSize, 21},
      {kCursorSizeAll, 5}, {kCursorNESWSize, 5}, {kCursorNWSESize, 5}, {kCursorCopy, 1},
      {kCursorNotAllowed, 18}, {kCursorHand, 9}, {static_cast<CCursorType>(12), 0}};
  for (const auto& [type, theme] : table) {
    rig.frame->setCursor(type);
    EXPECT_EQ(rig.frame->getThemeCursor(), theme) << type;
  }
}

}  // namespace
}  // namespace editortest
