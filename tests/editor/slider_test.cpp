// The sliders: where the handle is drawn for a value (inside its travel for
// any host value), free and grabbing clicks, Shift's fine drag anchored where
// Shift went down, the default click, wheel and arrow keys, and a slider
// without travel that must not divide by zero.
#include <gtest/gtest.h>

#include <cmath>

#include "CBitmap.h"
#include "CSlider.h"
#include "control_rig.h"

namespace editortest {
namespace {

using oxel::platform::kModShift;

// A slider at (10, 10, 110, 30) whose handle (20 wide) travels from x 10 to
// x 90; value 0 at the left.
CHorizontalSlider* testSlider(ControlRig& rig, CControlListener* listener, float value) {
  CBitmap* handle = new CBitmap(*rig.editor->frame, 20, 20);
  auto* slider = rig.add(new CHorizontalSlider(CRect(10, 10, 110, 30), listener, 1, 10, 90, handle, nullptr));
  handle->forget();
  slider->setValue(value);
  slider->setDirty(false);
  return slider;
}

TEST(Slider, HandleIsDrawnInsideItsTravelForAnyValue) {
  ControlRig rig;
  auto* slider = testSlider(rig, nullptr, 0.0f);
  struct Case {
    float value;
    int32_t left, right;
  };
  const Case cases[] = {{0.0f, 10, 30},  {0.5f, 50, 70},  {1.0f, 90, 110},  {0.25f, 30, 50},
                        {1.5f, 90, 110}, {-0.5f, 10, 30}, {1e9f, 90, 110}, {-1e9f, 10, 30}};
  for (const Case& c : cases) {
    slider->setValue(c.value);
    const CRect r = slider->handleRect();
    EXPECT_EQ(r, CRect(c.left, 10, c.right, 30)) << c.value;
    slider->draw(rig.context);  // no blit outside the travel
  }
  // The microphone editor's numbers (body 160 wide, handle 12, travel 36 to
  // 177): the far end stops 4 pixels short, as the layout has it; a host
  // value of 1.5 stays at that end with the handle's full width.
  CBitmap* handle = new CBitmap(*rig.editor->frame, 12, 16);
  auto* fader = rig.add(new CHorizontalSlider(CRect(32, 192, 192, 208), nullptr, 3, 36, 177, handle, nullptr));
  handle->forget();
  for (auto [value, left] : {std::pair{0.0f, 36}, std::pair{0.5f, 102}, std::pair{1.0f, 173}, std::pair{1.5f, 177}}) {
    fader->setValue(value);
    EXPECT_EQ(fader->handleRect(), CRect(left, 192, left + 12, 208)) << value;
  }
}

TEST(Slider, FreeClickCentresTheHandleOnThePointer) {
  ControlRig rig;
  ValueLog log;
  auto* slider = testSlider(rig, &log, 0.0f);
  // A quick click: released before the loop looks.
  rig.press(*slider, 60, 20, kLeftButton, {ControlRig::released(60, 20)});
  ASSERT_FALSE(log.values.empty());
  EXPECT_FLOAT_EQ(log.values.front(), (60.0f - 19.0f) / 80.0f);  // 0.5125
  EXPECT_EQ(ControlRig::brackets(), std::make_pair(1, 1));
  // A drag to the right end and beyond: clamped at 1.
  rig.press(*slider, 60, 20, kLeftButton, {ControlRig::held(80, 20), ControlRig::held(400, 20), ControlRig::released(400, 20)});
  EXPECT_EQ(slider->getValue(), 1.0f);
}

TEST(Slider, WithoutFreeClickOnlyTheHandleIsGrabbed) {
  ControlRig rig;
  ValueLog log;
  auto* slider = testSlider(rig, &log, 0.5f);  // handle at x 50..69
  slider->setFreeClick(false);
  rig.press(*slider, 20, 20, kLeftButton, {ControlRig::held(40, 20), ControlRig::released(40, 20)});
  EXPECT_EQ(slider->getValue(), 0.5f);
  EXPECT_TRUE(log.values.empty());
  EXPECT_EQ(ControlRig::brackets(), std::make_pair(0, 0));
  rig.press(*slider, 55, 20, kLeftButton, {ControlRig::held(63, 20), ControlRig::released(63, 20)});
  EXPECT_NEAR(slider->getValue(), 0.6f, 1e-6f);  // 8 pixels of 80
}

TEST(Slider, ShiftSlowsTheDragFromWhereItWentDown) {
  ControlRig rig;
  ValueLog log;
  auto* slider = testSlider(rig, &log, 0.0f);
  // Press at value 0.5 (x 59), 20 pixels plain (+0.25), then Shift and 8
  // more pixels: +0.01, not +0.1.
  rig.press(*slider, 59, 20, kLeftButton,
            {ControlRig::held(79, 20), ControlRig::held(79, 20, kModShift), ControlRig::held(87, 20, kModShift),
             ControlRig::released(87, 20)});
  EXPECT_NEAR(slider->getValue(), 0.75f + 0.01f, 1e-5f);
  // A Shift press from the start anchors at the value before the click.
  slider->setValue(0.2f);
  rig.press(*slider, 59, 20, kLeftButton | kShiftFlag,
            {ControlRig::held(59, 20, kModShift), ControlRig::released(59, 20)});
  EXPECT_NEAR(slider->getValue(), 0.2f + (0.5f - 0.2f) / 10.0f, 1e-5f);
}

TEST(Slider, DefaultClickWheelAndKeys) {
  ControlRig rig;
  ValueLog log;
  auto* slider = testSlider(rig, &log, 0.9f);
  slider->setDefaultValue(0.5f);
  rig.press(*slider, 20, 20, kLeftButton | kCommandFlag, {ControlRig::held(100, 20)});
  EXPECT_EQ(slider->getValue(), 0.5f);  // no drag followed
  EXPECT_EQ(ControlRig::brackets(), std::make_pair(1, 1));

  slider->setValue(0.95f);
  const CPoint where(50, 20);
  for (float expect : {1.0f, 1.0f}) {
    rig.input.setSteps({{0, 0, 50, 20}});
    EXPECT_TRUE(slider->onWheel(rig.context, where, 1.0f));
    EXPECT_NEAR(slider->getValue(), expect, 1e-6f);
    slider->setDirty(false);
  }
  rig.input.setSteps({{0, kModShift, 50, 20}});
  slider->onWheel(rig.context, where, -1.0f);
  EXPECT_NEAR(slider->getValue(), 0.99f, 1e-6f);
  const std::tuple<unsigned char, unsigned char, int32_t, float> keys[] = {
      {12, 0, 1, 0.1f}, {13, 0, 1, 0.1f}, {11, 0, 1, -0.1f}, {14, 1, 1, -0.01f}, {'a', 0, -1, 0.0f}};
  for (const auto& [virt, modifier, answer, change] : keys) {
    slider->setValue(0.5f);
    VstKeyCode code{};
    code.virt = virt;
    code.modifier = modifier;
    EXPECT_EQ(slider->onKeyDown(code), answer) << int{virt};
    EXPECT_NEAR(slider->getValue(), 0.5f + change, 1e-6f) << int{virt};
  }
}

TEST(Slider, WithoutTravelAClickChangesNothing) {
  ControlRig rig;
  ValueLog log;
  for (auto [minPos, maxPos] : {std::pair{40, 40}, std::pair{60, 40}}) {
    auto* slider = rig.add(new CHorizontalSlider(CRect(10, 10, 110, 30), &log, 1, minPos, maxPos, nullptr, nullptr));
    slider->setValue(0.3f);
    rig.press(*slider, 50, 20, kLeftButton, {ControlRig::held(70, 20), ControlRig::released(70, 20)});
    EXPECT_EQ(slider->getValue(), 0.3f);
    slider->draw(rig.context);
  }
  EXPECT_TRUE(log.values.empty());
  EXPECT_EQ(ControlRig::brackets(), std::make_pair(0, 0));
  auto* slider = testSlider(rig, nullptr, 0.0f);
  slider->setZoomFactor(0.0f);
  slider->setZoomFactor(-1.0f);
  EXPECT_EQ(slider->getZoomFactor(), 10.0f);
  EXPECT_TRUE(slider->isTypeOf("CSlider") && slider->isTypeOf("CControl"));
}

TEST(Slider, VerticalSliderWithValueZeroAtTheBottom) {
  ControlRig rig;
  CBitmap* handle = new CBitmap(*rig.editor->frame, 20, 10);
  auto* slider =
      rig.add(new CVerticalSlider(CRect(10, 10, 30, 110), nullptr, 1, 10, 100, handle, nullptr, CPoint(0, 0),
                                  kStyleBottom));
  handle->forget();
  slider->setValue(0.0f);
  EXPECT_EQ(slider->handleRect(), CRect(10, 100, 30, 110));
  slider->setValue(1.0f);
  EXPECT_EQ(slider->handleRect(), CRect(10, 10, 30, 20));
  rig.press(*slider, 20, 14, kLeftButton, {ControlRig::released(20, 14)});
  EXPECT_NEAR(slider->getValue(), 1.0f, 1e-6f);  // (14 - (10 + 4)) / 90 from the bottom
}

}  // namespace
}  // namespace editortest
