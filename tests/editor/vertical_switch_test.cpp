// The vertical switch: which value a press or a drag picks over the six
// bands, that the drag lasts exactly while the click's flags are held and
// forms one edit gesture, the default-value click, which film-strip frame a
// value shows (host values outside 0..1 included), and that degenerate
// construction arguments give position 0 rather than a crash or a NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "CBitmap.h"
#include "CVerticalSwitch.h"
#include "ScriptedInput.h"
#include "editor_fixture.h"
#include "platform.h"

namespace editortest {
namespace {

namespace platform = oxel::platform;
using platform::InputState;
using platform::kModShift;
using platform::kPrimaryButton;

constexpr int32_t kTop = 10;
constexpr int32_t kLeft = 4;
constexpr int32_t kTag = 1;

// Frame k of the strip is one flat grey, distinct per frame.
constexpr platform::Pixel frameColour(int32_t k) {
  const auto g = static_cast<platform::Pixel>(40 * (k + 1));
  return (g << 16) | (g << 8) | g;
}

// A switch of 6 frames of 80 rows in a window, its strip, and a scripted
// pointer for its drag loop.
struct SwitchRig {
  explicit SwitchRig(int32_t frames = 6, int32_t positions = 6) {
    host().taken();
    effect = new StubEffect;
    editor = new ProbeEditor(effect, CRect(0, 0, 32, 100));
    editor->open(&parent.record);
    frame = editor->frame;
    frame->setInputSource(&input);
    strip = new CBitmap(*frame, 16, 80 * frames);
    for (int32_t k = 0; k < frames; ++k)
      for (int32_t y = 0; y < 80; ++y)
        for (int32_t x = 0; x < 16; ++x) strip->getHandle()->set(x, 80 * k + y, frameColour(k));
    CPoint offset;
    control = new CVerticalSwitch(CRect(kLeft, kTop, kLeft + 16, kTop + 80), editor, kTag, frames, 80, positions,
                                  strip, offset);
    frame->addView(control);
    context = frame->createDrawContext();
  }
  ~SwitchRig() {
    context->forget();
    strip->forget();
    delete effect;
  }

  // Presses at row dy below the switch's top with `flags`; the pointer then
  // goes through `steps` (window coordinates) before the loop reads its end.
  void press(int32_t dy, int32_t flags, std::vector<InputState> steps = {}) {
    if (steps.empty()) steps.push_back({0, 0, kLeft + 2, kTop + dy});
    input.setSteps(std::move(steps));
    host().taken();
    CPoint where(kLeft + 2, kTop + dy);
    control->mouse(context, where, flags);
  }
  // The values sent to the host, in order.
  std::vector<float> automated() {
    std::vector<float> out;
    for (const Request& r : requests)
      if (r.opcode == audioMasterAutomate) out.push_back(r.opt);
    return out;
  }
  int count(VstInt32 opcode) const {
    int n = 0;
    for (const Request& r : requests) n += r.opcode == opcode;
    return n;
  }
  void takeRequests() { requests = host().edits(); }
  // The pixel the switch's top-left shows after drawing `value` on a port
  // painted with a sentinel colour.
  platform::Pixel drawnAt(float value) {
    frame->getWindowPort()->fillAll(0x123456);
    control->setValue(value);
    control->draw(context);
    return frame->getWindowPort()->get(kLeft + 1, kTop + 1);
  }

  Parent parent;
  platform::ScriptedInput input;
  StubEffect* effect;
  ProbeEditor* editor;
  CFrame* frame;
  CBitmap* strip;
  CVerticalSwitch* control;
  CDrawContext* context;
  std::vector<Request> requests;
};

TEST(VerticalSwitch, APressPicksTheBandUnderThePointer) {
  struct Case {
    int32_t dy;
    float value;
  };
  // Bands of 80/6 rows: 0-13, 14-26, 27-39, 40-53, 54-66, 67-79.
  const Case cases[] = {{0, 0.0f},  {13, 0.0f}, {14, 0.2f}, {26, 0.2f}, {27, 0.4f}, {39, 0.4f},  {40, 0.6f},
                        {53, 0.6f}, {54, 0.8f}, {66, 0.8f}, {67, 1.0f}, {79, 1.0f}, {80, 1.0f},  {500, 1.0f},
                        {-1, 0.0f}, {-40, 0.0f}};
  SwitchRig rig;
  for (const Case& c : cases) {
    rig.control->setValue(0.5f);  // off every step, so each press sends its value
    rig.press(c.dy, kLeftButton);
    rig.takeRequests();
    EXPECT_EQ(rig.control->getValue(), c.value) << "dy " << c.dy;
    EXPECT_FALSE(std::signbit(rig.control->getValue())) << "dy " << c.dy;
    EXPECT_EQ(rig.automated(), std::vector<float>{c.value}) << "dy " << c.dy;
    EXPECT_EQ(rig.count(audioMasterBeginEdit), 1) << "dy " << c.dy;
    EXPECT_EQ(rig.count(audioMasterEndEdit), 1) << "dy " << c.dy;
  }
}

TEST(VerticalSwitch, ADragFollowsThePointerClampedAndHoldingStillSendsNothing) {
  SwitchRig rig;
  const int32_t x = kLeft + 2;
  const uint32_t l = kPrimaryButton;
  rig.press(30, kLeftButton,
            {{l, 0, x, kTop + 30}, {l, 0, x, kTop + 30}, {l, 0, x, kTop + 30}, {l, 0, x, kTop - 20},
             {l, 0, x, kTop - 20}, {l, 0, x, kTop + 300}, {l, 0, x, kTop + 300}, {l, 0, x, kTop + 60},
             {0, 0, x, kTop + 60}});
  rig.takeRequests();
  EXPECT_EQ(rig.automated(), (std::vector<float>{0.4f, 0.0f, 1.0f, 0.8f}));
  EXPECT_EQ(rig.count(audioMasterBeginEdit), 1);
  EXPECT_EQ(rig.count(audioMasterEndEdit), 1);
  EXPECT_EQ(rig.requests.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(rig.requests.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(rig.control->getValue(), 0.8f);
}

TEST(VerticalSwitch, TheDragEndsWhenTheFlagsChange) {
  SwitchRig rig;
  const int32_t x = kLeft + 2;
  const uint32_t l = kPrimaryButton;
  // Shift goes down over the fourth band: the drag ends there, and the
  // later pointer positions are not followed.
  rig.press(0, kLeftButton, {{l, 0, x, kTop + 20}, {l, kModShift, x, kTop + 45}, {l, 0, x, kTop + 79}});
  rig.takeRequests();
  EXPECT_EQ(rig.input.polls(), 2u);
  EXPECT_EQ(rig.control->getValue(), 0.6f);
  EXPECT_EQ(rig.count(audioMasterBeginEdit), 1);
  EXPECT_EQ(rig.count(audioMasterEndEdit), 1);

  // A press that already carried Shift drags while Shift stays held.
  const size_t pollsBefore = rig.input.polls();
  rig.press(0, kLeftButton | kShiftFlag,
            {{l, kModShift, x, kTop + 20}, {l, kModShift, x, kTop + 79}, {l, 0, x, kTop + 79}, {0, 0, x, kTop}});
  rig.takeRequests();
  EXPECT_EQ(rig.input.polls() - pollsBefore, 3u);
  EXPECT_EQ(rig.automated(), (std::vector<float>{0.0f, 0.2f, 1.0f}));
}

struct Refusing : CControlListener {
  void valueChanged(CDrawContext*, CControl*) override { ++changes; }
  int32_t controlModifierClicked(CDrawContext*, CControl*, int32_t) override { return 1; }
  int changes{0};
};

TEST(VerticalSwitch, ClicksThatStartNoDrag) {
  struct Case {
    const char* name;
    int32_t flags;
    bool refusingListener;
    bool mouseEnabled;
    float value;  // after the click, from 0.6
    int brackets;
  };
  const Case cases[] = {
      {"command-click: the default", kLeftButton | kCommandFlag, false, true, 0.0f, 1},
      {"right button", kRightButton, false, true, 0.6f, 0},
      {"listener takes the modifier click", kLeftButton | kAltFlag, true, true, 0.6f, 0},
      {"mouse disabled", kLeftButton, false, false, 0.6f, 0},
  };
  for (const Case& c : cases) {
    SwitchRig rig;
    Refusing refusing;
    if (c.refusingListener) rig.control->setListener(&refusing);
    rig.control->setMouseEnabled(c.mouseEnabled);
    rig.control->setValue(0.6f);
    rig.press(75, c.flags, {{kPrimaryButton, 0, kLeft + 2, kTop + 75}});
    rig.takeRequests();
    EXPECT_EQ(rig.control->getValue(), c.value) << c.name;
    EXPECT_EQ(rig.input.polls(), 0u) << c.name;
    EXPECT_EQ(rig.count(audioMasterBeginEdit), c.brackets) << c.name;
    EXPECT_EQ(rig.count(audioMasterEndEdit), c.brackets) << c.name;
    EXPECT_EQ(refusing.changes, 0) << c.name;
  }
}

TEST(VerticalSwitch, DrawsTheNearestFrameClampedToTheStrip) {
  struct Case {
    float value;
    int32_t frame;
  };
  const Case cases[] = {{0.0f, 0},  {0.09f, 0}, {0.1f, 1},  {0.2f, 1},  {0.4f, 2}, {0.45f, 2},
                        {0.5f, 3},  {0.8f, 4},  {1.0f, 5},  {1.3f, 5},  {1e30f, 5}, {-0.5f, 0},
                        {-1e30f, 0}};
  SwitchRig rig;
  for (const Case& c : cases) {
    EXPECT_EQ(rig.drawnAt(c.value), frameColour(c.frame)) << c.value;
    EXPECT_EQ(rig.control->getFrameIndex(), c.frame) << c.value;
    EXPECT_FALSE(rig.control->isDirty()) << c.value;
  }
  // More positions than frames: the upper positions show the last frame.
  SwitchRig more(6, 11);
  EXPECT_EQ(more.drawnAt(0.8f), frameColour(5));
  EXPECT_EQ(more.drawnAt(0.3f), frameColour(3));
}

TEST(VerticalSwitch, DegenerateArgumentsGivePositionZero) {
  // One position: a press anywhere is value 0, never 0/0.
  SwitchRig one(6, 1);
  one.control->setValue(0.5f);
  one.press(70, kLeftButton);
  EXPECT_EQ(one.control->getValue(), 0.0f);
  EXPECT_EQ(one.drawnAt(1.0f), frameColour(0));
  for (int32_t positions : {0, -3}) {
    SwitchRig none(6, positions);
    none.press(70, kLeftButton);
    EXPECT_EQ(none.control->getValue(), 0.0f) << positions;
    EXPECT_EQ(none.drawnAt(0.7f), frameColour(0)) << positions;
  }

  // The first constructor: frames as tall as the rectangle, as many
  // positions as the strip holds; a flat rectangle or no strip gives none.
  CPoint offset;
  auto* strip = new CBitmap(*one.frame, 16, 480);
  struct Case {
    CRect size;
    CBitmap* bitmap;
    int32_t frames;
  };
  const Case cases[] = {{CRect(0, 0, 16, 80), strip, 6},
                        {CRect(0, 0, 16, 100), strip, 4},
                        {CRect(0, 10, 16, 10), strip, 0},
                        {CRect(0, 20, 16, 10), strip, 0},
                        {CRect(0, 0, 16, 80), nullptr, 0}};
  for (const Case& c : cases) {
    auto* s = new CVerticalSwitch(c.size, nullptr, 0, c.bitmap, offset);
    EXPECT_EQ(s->getSubPixmaps(), c.frames);
    EXPECT_EQ(s->getMaxPositions(), c.frames);
    EXPECT_EQ(s->getDefaultValue(), 0.0f);
    s->setValue(0.7f);
    s->draw(one.context);
    EXPECT_FALSE(s->isDirty());
    CPoint where(2, 50);
    s->mouse(one.context, where, kLeftButton);
    EXPECT_TRUE(std::isfinite(s->getValue()));
    if (c.frames < 2) {
      EXPECT_EQ(s->getValue(), 0.0f);
    }
    s->forget();
  }
  strip->forget();
}

TEST(VerticalSwitch, WheelAndArrowKeysStepOneRow) {
  struct Case {
    const char* name;
    float before;
    float wheel;  // 0: a key instead
    unsigned char key;
    bool focused;
    float after;
    int32_t keyAnswer;
  };
  const Case cases[] = {
      {"wheel away: the row above", 0.4f, 1.0f, 0, false, 0.2f, 0},
      {"wheel towards: the row below", 0.4f, -1.0f, 0, false, 0.6f, 0},
      {"wheel away at the top row", 0.0f, 1.0f, 0, false, 0.0f, 0},
      {"wheel towards at the bottom row", 1.0f, -1.0f, 0, false, 1.0f, 0},
      {"from a host value between rows", 0.499f, -1.0f, 0, false, 0.6f, 0},
      {"from a host value past the end", 1.3f, 1.0f, 0, false, 0.8f, 0},
      {"down with the focus", 0.6f, 0.0f, 14, true, 0.8f, 1},
      {"up with the focus", 0.6f, 0.0f, 12, true, 0.4f, 1},
      {"down without the focus", 0.6f, 0.0f, 14, false, 0.6f, -1},
      {"left with the focus", 0.6f, 0.0f, 11, true, 0.6f, -1},
  };
  for (const Case& c : cases) {
    SwitchRig rig;
    rig.control->setValue(c.before);
    rig.frame->setFocusView(c.focused ? rig.control : nullptr);
    host().taken();
    if (c.wheel != 0.0f) {
      EXPECT_TRUE(rig.control->onWheel(rig.context, CPoint(kLeft + 2, kTop + 2), c.wheel)) << c.name;
    } else {
      VstKeyCode key{0, c.key, 0};
      EXPECT_EQ(rig.control->onKeyDown(key), c.keyAnswer) << c.name;
    }
    rig.takeRequests();
    EXPECT_EQ(rig.control->getValue(), c.after) << c.name;
    const bool moved = c.after != c.before;
    EXPECT_EQ(rig.automated(), moved ? std::vector<float>{c.after} : std::vector<float>{}) << c.name;
    EXPECT_EQ(rig.count(audioMasterBeginEdit), moved ? 1 : 0) << c.name;
    EXPECT_EQ(rig.count(audioMasterEndEdit), moved ? 1 : 0) << c.name;
  }
  // One position: nothing to step to.
  SwitchRig one(6, 1);
  EXPECT_TRUE(one.control->onWheel(one.context, CPoint(kLeft + 2, kTop + 2), -1.0f));
  EXPECT_EQ(one.control->getValue(), 0.0f);
}

TEST(VerticalSwitch, IsACVerticalSwitchAndAControl) {
  SwitchRig rig;
  EXPECT_TRUE(rig.control->isTypeOf("CVerticalSwitch"));
  EXPECT_TRUE(rig.control->isTypeOf("CControl"));
  EXPECT_FALSE(rig.control->isTypeOf("CHorizontalSwitch"));
  EXPECT_EQ(rig.control->getDefaultValue(), 0.0f);
}

}  // namespace
}  // namespace editortest
