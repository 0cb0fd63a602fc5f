// The rotary knobs: the knob modes (circular, relative, linear, with Alt),
// Shift in a linear drag, the default click as one gesture, end stops
// across 12 o'clock, one gesture per drag and no notification while the
// pointer rests, quick clicks, wheel and arrow keys, the film strip's frame
// for every value (clamped into the strip), and the degenerate geometry that
// must be refused instead of computed.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "CAnimRotary.h"
#include "CBitmap.h"
#include "control_rig.h"

namespace editortest {
namespace {

using oxel::platform::kModOption;
using oxel::platform::kModShift;

// A knob as the editors set it up: 48 x 48 at (48, 48), a full clockwise
// turn from 12 o'clock. Centre (72, 72); value 0.25 at 3 o'clock (92, 72),
// 0.5 at 6 o'clock (72, 92).
CAnimRotary* editorKnob(ControlRig& rig, CControlListener* listener, float value) {
  auto* knob = rig.add(new CAnimRotary(CRect(48, 48, 96, 96), listener, 0, 45, 48, nullptr));
  knob->setRangeAngle(-(2.0f * std::numbers::pi_v<float>));
  knob->setStartAngle(1.5707964f);
  knob->setValue(value);
  knob->setDirty(false);
  return knob;
}

TEST(Rotary, KnobModesDragAsTheHostAsks) {
  struct Case {
    const char* what;
    VstInt32 knobMode;
    bool alt;
    float start;
    int32_t pressX, pressY;
    int32_t toX, toY;
    float afterPress;
    float afterDrag;
  };
  const Case cases[] = {
      // The click itself jumps to the angle pointed at.
      {"circular", 0, false, 0.6f, 92, 72, 72, 92, 0.25f, 0.5f},
      // The click keeps the value; the drag adds the angle swept.
      {"relative", 1, false, 0.2f, 92, 72, 72, 92, 0.2f, 0.45f},
      {"circular + Alt is relative", 0, true, 0.2f, 92, 72, 72, 92, 0.2f, 0.45f},
      {"relative + Alt is circular", 1, true, 0.6f, 92, 72, 72, 92, 0.25f, 0.5f},
      {"linear + Alt is circular", 2, true, 0.6f, 92, 72, 72, 92, 0.25f, 0.5f},
      // 10 right and 10 up: 20 pixels of 1/200.
      {"linear", 2, false, 0.5f, 72, 72, 82, 62, 0.5f, 0.6f},
      // A mode the knob does not know leaves the value alone.
      {"unknown mode", 7, false, 0.3f, 92, 72, 72, 92, 0.3f, 0.3f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ControlRig rig;
    rig.setKnobMode(c.knobMode);
    ValueLog log;
    auto* knob = editorKnob(rig, &log, c.start);
    const uint32_t mods = c.alt ? uint32_t{kModOption} : 0u;
    rig.input.setSteps({});
    bool checkedPress = false;
    // The first loop pass is the press itself: look at the value when the
    // loop asks for the buttons the first time.
    struct Peek : oxel::platform::InputSource {
      explicit Peek(CAnimRotary& k, bool& checked, float expect, std::vector<oxel::platform::InputState> s)
          : knob{k}, checked{checked}, expect{expect}, script{std::move(s)} {}
      oxel::platform::InputState poll() override {
        if (!checked) {
          EXPECT_NEAR(knob.getValue(), expect, 1e-5f);
          checked = true;
        }
        return script.poll();
      }
      oxel::platform::InputState current() const override { return script.current(); }
      bool waitMouseDown(uint32_t) override { return false; }
      CAnimRotary& knob;
      bool& checked;
      float expect;
      oxel::platform::ScriptedInput script;
    } peek{*knob, checkedPress, c.afterPress,
           {ControlRig::held(c.toX, c.toY, mods), ControlRig::released(c.toX, c.toY)}};
    rig.context->setInputSource(&peek);
    CPoint where(c.pressX, c.pressY);
    knob->mouse(rig.context, where, kLeftButton | (c.alt ? kAltFlag : 0));
    EXPECT_TRUE(checkedPress);
    EXPECT_NEAR(knob->getValue(), c.afterDrag, 1e-5f);
    EXPECT_EQ(ControlRig::brackets(), std::make_pair(1, 1));
  }
  ControlRig rig;
  rig.setKnobMode(0);
}

TEST(Rotary, ShiftInALinearDragChangesTheRateWithoutAJump) {
  ControlRig rig;
  rig.setKnobMode(2);
  ValueLog log;
  auto* knob = editorKnob(rig, &log, 0.5f);
  rig.press(*knob, 72, 72, kLeftButton,
            {ControlRig::held(92, 72), ControlRig::held(92, 72, kModShift), ControlRig::held(122, 72, kModShift),
             ControlRig::released(122, 72)});
  ASSERT_EQ(log.values.size(), 2u);
  EXPECT_NEAR(log.values[0], 0.6f, 1e-6f);
  EXPECT_NEAR(log.values[1], 0.7f, 1e-6f);  // 30 pixels of 1/300
  // Far beyond the range: clamped.
  rig.press(*knob, 72, 72, kLeftButton, {ControlRig::held(300, 0), ControlRig::released(300, 0)});
  EXPECT_EQ(knob->getValue(), 1.0f);
  rig.setKnobMode(0);
}

TEST(Rotary, CommandClickRestoresTheDefaultInOneGesture) {
  ControlRig rig;
  ValueLog log;
  auto* knob = editorKnob(rig, &log, 0.7f);
  knob->setDefaultValue(0.2f);
  rig.press(*knob, 92, 72, kLeftButton | kCommandFlag, {ControlRig::released(92, 72)});
  EXPECT_EQ(knob->getValue(), 0.2f);
  EXPECT_EQ(log.values, std::vector<float>{0.2f});
  EXPECT_EQ(ControlRig::brackets(), std::make_pair(1, 1));
  // Command with Shift is an ordinary (circular) drag.
  rig.press(*knob, 92, 72, kLeftButton | kCommandFlag | kShiftFlag, {ControlRig::released(92, 72)});
  EXPECT_NEAR(knob->getValue(), 0.25f, 1e-5f);
  EXPECT_EQ(ControlRig::brackets(), std::make_pair(1, 1));
}

TEST(Rotary, EndStopsDecideWhatCrossingTwelveOClockDoes) {
  for (bool endStops : {false, true}) {
    SCOPED_TRACE(endStops ? "end stops on" : "end stops off");
    ControlRig rig;
    ValueLog log;
    auto* knob = editorKnob(rig, &log, 0.99f);
    if (endStops) knob->setEndStopMode();
    EXPECT_EQ(knob->getEndStopMode(), !endStops);
    // Just left of 12 o'clock reads 0.992, just right of it 0.008.
    rig.press(*knob, 71, 52, kLeftButton, {ControlRig::held(73, 52), ControlRig::released(73, 52)});
    ASSERT_EQ(log.values.size(), 2u);
    EXPECT_NEAR(log.values[0], 0.992f, 1e-3f);
    EXPECT_NEAR(knob->getValue(), endStops ? 1.0f : 0.008f, 1e-3f);
  }
}

TEST(Rotary, OneGesturePerDragAndNoNotificationWhileThePointerRests) {
  ControlRig rig;
  ValueLog log;
  auto* knob = editorKnob(rig, &log, 0.0f);
  rig.press(*knob, 92, 72, kLeftButton,
            {ControlRig::held(92, 72), ControlRig::held(92, 72), ControlRig::held(92, 72), ControlRig::held(72, 92),
             ControlRig::held(72, 92), ControlRig::released(72, 92)});
  ASSERT_EQ(log.values.size(), 2u);
  EXPECT_NEAR(log.values[0], 0.25f, 1e-5f);
  EXPECT_NEAR(log.values[1], 0.5f, 1e-5f);
  EXPECT_EQ(ControlRig::brackets(), std::make_pair(1, 1));

  // A quick click, already released when the loop first looks, still sets
  // the value it points at.
  log.values.clear();
  rig.press(*knob, 52, 72, kLeftButton, {ControlRig::released(52, 72)});
  ASSERT_EQ(log.values.size(), 1u);
  EXPECT_NEAR(knob->getValue(), 0.75f, 1e-5f);
  EXPECT_EQ(ControlRig::brackets(), std::make_pair(1, 1));

  // A click without the left button, or with the mouse disabled, does nothing.
  log.values.clear();
  rig.press(*knob, 92, 72, kRightButton, {ControlRig::released(92, 72)});
  knob->setMouseEnabled(false);
  rig.press(*knob, 92, 72, kLeftButton, {ControlRig::released(92, 72)});
  EXPECT_TRUE(log.values.empty());
  EXPECT_EQ(ControlRig::brackets(), std::make_pair(0, 0));
}

TEST(Rotary, WheelAndArrowKeysStepAndClamp) {
  ControlRig rig;
  ValueLog log;
  auto* knob = editorKnob(rig, &log, 0.85f);
  const CPoint where(72, 72);
  for (float expect : {0.95f, 1.0f, 1.0f}) {
    rig.input.setSteps({{0, 0, 72, 72}});
    EXPECT_TRUE(knob->onWheel(rig.context, where, 1.0f));
    EXPECT_NEAR(knob->getValue(), expect, 1e-6f);
    knob->setDirty(false);  // drawn between the steps
  }
  EXPECT_EQ(log.values.size(), 2u);  // the third step changed nothing
  EXPECT_EQ(ControlRig::brackets(), std::make_pair(2, 2));
  rig.input.setSteps({{0, kModShift, 72, 72}});
  knob->onWheel(rig.context, where, -1.0f);
  EXPECT_NEAR(knob->getValue(), 0.99f, 1e-6f);

  struct Key {
    unsigned char virt;
    unsigned char modifier;
    int32_t answer;
    float change;
  };
  const Key keys[] = {{12, 0, 1, 0.1f},  {13, 0, 1, 0.1f},   {11, 0, 1, -0.1f}, {14, 0, 1, -0.1f},
                      {12, 1, 1, 0.01f}, {14, 1, 1, -0.01f}, {65, 0, -1, 0.0f}, {0, 0, -1, 0.0f}};
  for (const Key& k : keys) {
    knob->setValue(0.5f);
    VstKeyCode code{};
    code.virt = k.virt;
    code.modifier = k.modifier;
    EXPECT_EQ(knob->onKeyDown(code), k.answer) << int{k.virt};
    EXPECT_NEAR(knob->getValue(), 0.5f + k.change, 1e-6f) << int{k.virt};
  }
}

TEST(AnimRotary, TheFrameShownFollowsTheValueAndStaysInTheStrip) {
  ControlRig rig;
  CBitmap* strip = stripBitmap(*rig.editor->frame, 48, 48, 45);
  auto* knob = rig.add(new CAnimRotary(CRect(48, 48, 96, 96), nullptr, 0, 45, 48, strip));
  strip->forget();
  const std::pair<float, int32_t> table[] = {
      {0.0f, 0},        {1.0f / 44.0f, 1}, {1.0f / 6.0f, 7}, {0.25f, 11}, {0.5f, 22}, {0.75f, 33},
      {0.999f, 43},     {1.0f, 44},        {-0.3f, 0},      {1.5f, 44},  {2.0f, 44}, {1e9f, 44},
      {-1e9f, 0},       {1e-9f, 0}};
  auto* port = rig.editor->frame->getWindowPort();
  for (const auto& [value, frame] : table) {
    knob->setValue(value);
    EXPECT_EQ(knob->frameIndex(), frame) << value;
    knob->draw(rig.context);
    // Every pixel of the square shows that frame of the strip.
    for (int32_t y : {48, 70, 95})
      EXPECT_EQ(port->get(60, y), oxel::platform::makePixel(static_cast<uint8_t>(10 + frame), 0, 0)) << value;
  }
}

TEST(AnimRotary, DegenerateStripsAndGeometryAreRefused) {
  ControlRig rig;
  CBitmap* strip = stripBitmap(*rig.editor->frame, 48, 48, 2);
  // No frame height, no frames, one frame: always the first rows (and no hang).
  for (auto [frames, height] : {std::pair{45, 0}, std::pair{0, 48}, std::pair{1, 48}, std::pair{-3, -48}}) {
    auto* knob = rig.add(new CAnimRotary(CRect(0, 0, 48, 48), nullptr, 0, frames, height, strip));
    knob->setValue(0.7f);
    EXPECT_EQ(knob->frameIndex(), 0);
    knob->draw(rig.context);
  }
  strip->forget();

  auto* knob = rig.add(new CAnimRotary(CRect(48, 48, 96, 96), nullptr, 0, 45, 48, nullptr));
  const float range = knob->getRangeAngle();
  knob->setRangeAngle(0.0f);
  knob->setRangeAngle(NAN);
  EXPECT_EQ(knob->getRangeAngle(), range);
  knob->setZoomFactor(0.0f);
  knob->setZoomFactor(-2.0f);
  EXPECT_EQ(knob->getZoomFactor(), 1.5f);
  CPoint p(60, 10);
  EXPECT_TRUE(std::isfinite(knob->valueFromPoint(p)));
  // A range with no width: no angle for any value, the handle point is the
  // centre and drawing a handle is skipped.
  CRotary line(CRect(0, 0, 20, 20), nullptr, 0, nullptr);
  line.setMax(0.0f);
  line.setStartAngle(1.0f);
  CPoint centre;
  line.valueToPoint(centre);
  EXPECT_EQ(centre, CPoint(10, 10));
  line.draw(rig.context);
}

TEST(Rotary, HandleBitmapSetsTheInsetAndNullKeepsIt) {
  ControlRig rig;
  auto* handle = new CBitmap(*rig.editor->frame, 7, 7);
  CRotary knob(CRect(0, 0, 40, 40), nullptr, 0, nullptr, handle);
  EXPECT_EQ(knob.getInsetValue(), 6);  // trunc(7 / 2 + 2.5)
  EXPECT_EQ(handle->getNbReference(), 2);
  knob.setHandleBitmap(nullptr);
  EXPECT_EQ(knob.getInsetValue(), 6);
  EXPECT_EQ(handle->getNbReference(), 1);
  handle->forget();

  // Without a bitmap the handle is a white line with a grey shadow one pixel
  // left of and below it. Value 0.5 of the default sweep points straight up.
  CRotary line(CRect(100, 100, 140, 140), nullptr, 0, nullptr);
  line.setValue(0.5f);
  line.draw(rig.context);
  auto* port = rig.editor->frame->getWindowPort();
  const auto white = oxel::platform::makePixel(255, 255, 255);
  const auto grey = oxel::platform::makePixel(127, 127, 127);
  EXPECT_EQ(port->get(120, 110), white);
  EXPECT_EQ(port->get(119, 111), grey);
  EXPECT_TRUE(line.isTypeOf("CRotary") && line.isTypeOf("CControl") && !line.isTypeOf("CAnimRotary"));
  CAnimRotary anim(CRect(0, 0, 48, 48), nullptr, 0, 45, 48, nullptr);
  EXPECT_TRUE(anim.isTypeOf("CAnimRotary") && anim.isTypeOf("CRotary") && anim.isTypeOf("CControl"));
}

}  // namespace
}  // namespace editortest
