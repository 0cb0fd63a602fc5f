// The editor binding: the idle throttle of doIdleStuff on the editors' clock
// (including the 32-bit wrap), the forwarders without a frame, edit gestures
// only for real parameters, parameter values crossing threads, and closing
// or destroying the editor in the middle of a drag.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <thread>

#include "CBitmap.h"
#include "editor_fixture.h"
#include "platform.h"

namespace editortest {
namespace {

namespace platform = oxel::platform;

// The editor reads the rig's clock, which starts at `start`.
struct Rig {
  explicit Rig(uint32_t start = 0) : clock{start} {
    host().taken();
    host().onRequest = nullptr;
    effect = new StubEffect;
    editor = new ProbeEditor(effect, CRect(0, 0, 60, 40), &clock);
  }
  ~Rig() {
    host().onRequest = nullptr;
    delete effect;  // deletes the editor too
  }
  platform::VirtualEditorClock clock;
  StubEffect* effect;
  ProbeEditor* editor;
};

TEST(GuiEditor, RectIsAnsweredBeforeOpenAndNullIsRefused) {
  Rig rig;
  ERect* r = nullptr;
  EXPECT_EQ(rig.editor->getRect(&r), 1);
  ASSERT_EQ(r, &rig.editor->rect);
  EXPECT_EQ(r->right, 60);
  EXPECT_EQ(r->bottom, 40);
  EXPECT_EQ(rig.editor->getRect(nullptr), 0);
  EXPECT_EQ(rig.effect->dispatcher(effEditGetRect, 0, 0, nullptr, 0.0f), 0);
}

TEST(GuiEditor, IdlePassesComeAtLeast46MillisecondsApart) {
  // Without a frame the 4 ms event wait is a wait on the editor's clock.
  Rig rig{0};
  ASSERT_EQ(rig.editor->lLastTicks, 0u);
  struct Call {
    uint32_t at;
    bool passes;
    uint32_t lastTicksAfter;
  };
  const Call calls[] = {{0, true, 100}, {10, false, 100}, {45, false, 100}, {46, true, 150}, {100, true, 204}};
  for (const Call& c : calls) {
    rig.clock.set(c.at);
    const int idlesBefore = rig.editor->idleCalls;
    rig.editor->doIdleStuff();
    const auto requests = host().taken();
    int masterIdles = 0;
    for (const Request& r : requests) masterIdles += r.opcode == audioMasterIdle;
    EXPECT_EQ(rig.editor->idleCalls - idlesBefore, c.passes ? 1 : 0) << "at " << c.at;
    EXPECT_EQ(masterIdles, c.passes ? 1 : 0) << "at " << c.at;
    EXPECT_EQ(rig.editor->lLastTicks, c.lastTicksAfter) << "at " << c.at;
  }
}

TEST(GuiEditor, ThrottleHoldsAcrossTheClockWrap) {
  Rig rig;
  struct Case {
    uint32_t lastTicks;
    uint32_t now;
    bool passes;
  };
  const Case cases[] = {
      {0xFFFFFFF0u, 0x10u, true},   // due 32 ms ago, across the wrap
      {0x00000050u, 0xFFFFFFF0u, false},  // due in 96 ms, across the wrap
      {0x00000010u, 0xFFFFFFF0u, true},   // due in 32 ms: within the 50 ms slack
      {30u, 0u, true},             // just after load: within 50 ms of due
      {0x80000000u, 0x7FFFFF00u, false},
  };
  for (const Case& c : cases) {
    rig.editor->lLastTicks = c.lastTicks;
    rig.clock.set(c.now);
    host().taken();
    rig.editor->doIdleStuff();
    EXPECT_EQ(host().count(audioMasterIdle), c.passes ? 1 : 0) << std::hex << c.lastTicks << " " << c.now;
  }
}

TEST(GuiEditor, ForwardersWithoutAFrameDoNothing) {
  Rig rig;
  VstKeyCode key{};
  EXPECT_EQ(rig.editor->mouse(3, 4), 1);
  EXPECT_EQ(rig.editor->onKeyDown(key), -1);
  EXPECT_EQ(rig.editor->onKeyUp(key), -1);
  EXPECT_FALSE(rig.editor->onWheel(1.0f));
  rig.editor->draw(nullptr);
  rig.editor->close();
  EXPECT_TRUE(host().edits().empty());
}

TEST(GuiEditor, KnobModeIsSharedAndWaitRoundsToTicks) {
  Rig a;
  Rig b;
  EXPECT_EQ(a.editor->setKnobMode(2), 1);
  EXPECT_EQ(AEffGUIEditor::getKnobMode(), 2);
  EXPECT_EQ(b.editor->getKnobMode(), 2);
  b.editor->setKnobMode(0);

  struct Case {
    uint32_t ms;
    uint32_t slept;
  };
  for (const Case c : {Case{16, 0}, Case{17, 16}, Case{100, 100}}) {
    a.clock.set(1000);
    a.editor->wait(c.ms);
    EXPECT_EQ(a.editor->getTicks() - 1000, c.slept) << c.ms;
  }
}

TEST(GuiEditor, EditGesturesReachTheHostOnlyForRealParameters) {
  Rig rig;
  for (VstInt32 index : {-1, 0, 1, 2, 7}) {
    rig.editor->beginEdit(index);
    rig.editor->endEdit(index);
  }
  const std::vector<Request> expected = {
      {audioMasterBeginEdit, 0, 0, 0.0f}, {audioMasterEndEdit, 0, 0, 0.0f},
      {audioMasterBeginEdit, 1, 0, 0.0f}, {audioMasterEndEdit, 1, 0, 0.0f}};
  EXPECT_EQ(host().edits(), expected);
}

TEST(GuiEditor, ParameterValuesFromAnotherThreadAreAppliedAtIdle) {
  Rig rig;
  Parent parent;
  std::map<VstInt32, float> lastApplied;
  const auto uiThread = std::this_thread::get_id();
  bool offThread = false;
  rig.editor->onApply = [&](VstInt32 index, float value) {
    offThread |= std::this_thread::get_id() != uiThread;
    lastApplied[index] = value;
  };
  rig.editor->open(&parent.record);
  std::atomic<bool> stop{false};
  std::thread parameterThread([&] {
    for (int i = 0; i <= 2000; ++i) rig.effect->setParameter(i % 2, static_cast<float>(i) / 2000.0f);
    rig.effect->setParameter(5, 1.0f);  // no such parameter: ignored
    stop = true;
  });
  while (!stop) rig.editor->idle();
  parameterThread.join();
  rig.editor->idle();
  // Only the user-interface thread applies values, and the last value of
  // each parameter is the one that stays.
  EXPECT_FALSE(offThread);
  EXPECT_EQ(lastApplied.size(), 2u);
  EXPECT_FLOAT_EQ(lastApplied[0], 1.0f);
  EXPECT_FLOAT_EQ(lastApplied[1], 0.9995f);
  rig.editor->close();
}

TEST(GuiEditor, HostClosingFromItsIdleDuringADragWaitsForTheDragToEnd) {
  // The host answers the editor's idle request by closing the editor, and
  // (second case) by opening it again at once, while a control is dragging.
  for (bool reopen : {false, true}) {
    Rig rig;
    Parent parent("press 10 10\nwait 200\nmove 30 10\nwait 200\nrelease 30 10\n");
    Parent again;
    rig.editor->populate = [&](CFrame& frame) {
      frame.addView(new DragControl(CRect(0, 0, 60, 20), rig.editor, 0));
    };
    rig.editor->open(&parent.record);
    int masterIdles = 0;
    host().onRequest = [&](VstInt32 opcode) {
      if (opcode != audioMasterIdle || masterIdles++ != 0) return;
      rig.editor->close();
      EXPECT_EQ(rig.editor->frame, nullptr);
      if (reopen) rig.editor->open(&again.record);
    };
    idleThroughScript(*rig.editor, parent);
    host().onRequest = nullptr;
    // The dragging frame is gone once its loop returned; no more idle
    // requests came from the unwinding loop.
    EXPECT_EQ(parent.record.openWindows, 0u) << reopen;
    EXPECT_EQ(masterIdles, 1) << reopen;
    const auto edits = host().edits();
    ASSERT_GE(edits.size(), 2u);
    EXPECT_EQ(edits.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(edits.back().opcode, audioMasterEndEdit);
    EXPECT_EQ(again.record.openWindows, reopen ? 1u : 0u);
    // The editor works on as before.
    Parent third;
    rig.editor->open(&third.record);
    rig.editor->idle();
    EXPECT_EQ(third.record.openWindows, 1u);
    EXPECT_EQ(again.record.openWindows, 0u);
    rig.editor->close();
    EXPECT_EQ(third.record.openWindows, 0u);
  }
}

TEST(GuiEditor, DestroyingTheEditorWithoutCloseRemovesFrameAndWindow) {
  Parent parent;
  {
    Rig rig;
    rig.editor->populate = [&](CFrame& frame) { frame.addView(new DragControl(CRect(0, 0, 10, 10), nullptr, 0)); };
    rig.editor->open(&parent.record);
    rig.editor->idle();
    ASSERT_EQ(parent.record.openWindows, 1u);
  }
  EXPECT_EQ(parent.record.openWindows, 0u);
  EXPECT_EQ(parent.record.pixels, nullptr);
}

TEST(GuiEditor, BundleIsTheModuleFolderAcrossReopening) {
  Rig rig;
  for (int i = 0; i < 3; ++i) {
    Parent parent;
    rig.editor->open(&parent.record);
    EXPECT_EQ(getBundlePath(), platform::moduleDirectory());
    rig.editor->close();
  }
  EXPECT_FALSE(getBundlePath().empty());
}

}  // namespace
}  // namespace editortest
