// The movie buttons: which frame a value and the override flag show, that a
// click toggles between 0 and 1 inside one gesture, that dragging out and
// back restores and flips the value with the listener told of each change
// once, that a second button ends the drag, that a listener may take a
// modifier click, that a tag which is no parameter never reaches the host,
// and which class names each button answers for.
#include <gtest/gtest.h>

#include <vector>

#include "CMovieButton.h"
#include "CZrMovieButton.h"
#include "control_rig.h"

namespace editortest {
namespace {

using oxel::platform::InputState;
using oxel::platform::kModShift;
using oxel::platform::kPrimaryButton;
using oxel::platform::kSecondaryButton;

constexpr int32_t kSize = 8;
const CRect kButton(10, 10, 10 + kSize, 10 + kSize);

struct TakingListener : ValueLog {
  int32_t controlModifierClicked(CDrawContext*, CControl*, int32_t) override { return 1; }
};

TEST(MovieButton, ValueAndOverrideChooseTheFrame) {
  struct Case {
    float value;
    bool override;
    int32_t frame;
  };
  const Case cases[] = {{0.0f, false, 0}, {0.0f, true, 1}, {0.5f, false, 1}, {1.0f, false, 1},
                        {1.0f, true, 1},  {-3.0f, false, 0}, {7.0f, false, 1}};
  ControlRig rig;
  CBitmap* strip = stripBitmap(*rig.editor->frame, kSize, kSize, 2);
  CPoint offset;
  auto* zr = rig.add(new CZrMovieButton(kButton, nullptr, 5, strip, offset));
  auto* base = rig.add(new CMovieButton(CRect(30, 10, 30 + kSize, 10 + kSize), nullptr, 5, strip, offset));
  auto* port = rig.editor->frame->getWindowPort();
  for (const Case& c : cases) {
    zr->setValue(c.value);
    zr->setOverRide(c.override);
    zr->draw(rig.context);
    EXPECT_EQ(port->get(12, 12), oxel::platform::makePixel(static_cast<uint8_t>(10 + c.frame), 0, 0))
        << c.value << " " << c.override;
    EXPECT_FALSE(zr->isDirty());
    // The base button has no override: the value alone decides.
    base->setValue(c.value);
    base->draw(rig.context);
    EXPECT_EQ(port->get(32, 12), oxel::platform::makePixel(static_cast<uint8_t>(c.value > 0.0f ? 11 : 10), 0, 0))
        << c.value;
  }
  // The flag does not ask for a repaint; the value is left as it was.
  zr->setValue(0.0f);
  zr->draw(rig.context);
  zr->setOverRide(true);
  EXPECT_FALSE(zr->isDirty());
  EXPECT_FLOAT_EQ(zr->getValue(), 0.0f);
  // A second form with its own image height: frame 1 starts there.
  auto* tall = rig.add(new CZrMovieButton(CRect(50, 10, 50 + kSize, 10 + 4), nullptr, 5, kSize, strip, offset));
  tall->setValue(1.0f);
  tall->draw(rig.context);
  EXPECT_EQ(port->get(52, 12), oxel::platform::makePixel(11, 0, 0));
  strip->forget();
}

TEST(MovieButton, ClicksToggleInsideOneGesture) {
  ControlRig rig;
  ValueLog log;
  CPoint offset;
  auto* button = rig.add(new CZrMovieButton(kButton, &log, 1, nullptr, offset));
  // A quick click, already released when the button looks: one toggle.
  rig.press(*button, 12, 12, kLeftButton, {ControlRig::released(12, 12)});
  EXPECT_FLOAT_EQ(button->getValue(), 1.0f);
  EXPECT_EQ(ControlRig::brackets(), (std::pair{1, 1}));
  // Held, then released inside: one toggle, told once however long it is held.
  rig.press(*button, 12, 12, kLeftButton,
            {ControlRig::held(12, 12), ControlRig::held(13, 12), ControlRig::held(13, 13), ControlRig::released(13, 13)});
  EXPECT_FLOAT_EQ(button->getValue(), 0.0f);
  EXPECT_EQ(log.values, (std::vector<float>{1.0f, 0.0f}));
  EXPECT_EQ(ControlRig::brackets(), (std::pair{1, 1}));
}

TEST(MovieButton, DraggingOutRestoresAndBackInFlipsAgain) {
  ControlRig rig;
  ValueLog log;
  CPoint offset;
  auto* button = rig.add(new CZrMovieButton(kButton, &log, 1, nullptr, offset));
  // The edges count as inside (18 is the right edge).
  rig.press(*button, 12, 12, kLeftButton,
            {ControlRig::held(18, 12), ControlRig::held(40, 12), ControlRig::held(41, 12), ControlRig::held(12, 18),
             ControlRig::held(40, 40), ControlRig::held(40, 40), ControlRig::released(40, 40)});
  EXPECT_FLOAT_EQ(button->getValue(), 0.0f);
  EXPECT_EQ(log.values, (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
  EXPECT_EQ(ControlRig::brackets(), (std::pair{1, 1}));
}

TEST(MovieButton, ASecondButtonEndsTheDrag) {
  ControlRig rig;
  ValueLog log;
  CPoint offset;
  auto* button = rig.add(new CZrMovieButton(kButton, &log, 1, nullptr, offset));
  const InputState both{kPrimaryButton | kSecondaryButton, 0, 12, 12};
  const InputState shifted{kPrimaryButton, kModShift, 12, 12};
  for (const InputState& change : {both, shifted}) {
    rig.input.setSteps({ControlRig::held(12, 12), ControlRig::held(12, 12), change, ControlRig::held(40, 40)});
    const size_t before = rig.input.polls();
    CPoint where(12, 12);
    button->mouse(rig.context, where, kLeftButton);
    // The loop stopped at the change: the move outside was never seen.
    EXPECT_FLOAT_EQ(button->getValue(), 1.0f);
    EXPECT_EQ(rig.input.polls() - before, 3u);
    EXPECT_EQ(ControlRig::brackets(), (std::pair{1, 1}));
    button->setValue(0.0f);
  }
}

TEST(MovieButton, ModifierClicksButtonsAndTags) {
  ControlRig rig;
  TakingListener taker;
  ValueLog log;
  CPoint offset;
  auto* taken = rig.add(new CZrMovieButton(kButton, &taker, 1, nullptr, offset));
  rig.press(*taken, 12, 12, kLeftButton | kShiftFlag, {ControlRig::released(12, 12)});
  EXPECT_FLOAT_EQ(taken->getValue(), 0.0f);
  EXPECT_EQ(ControlRig::brackets(), (std::pair{0, 0}));
  // Without a listener a Shift-click toggles; a right click does nothing.
  auto* plain = rig.add(new CZrMovieButton(CRect(30, 10, 38, 18), nullptr, 1, nullptr, offset));
  rig.press(*plain, 32, 12, kLeftButton | kShiftFlag, {ControlRig::released(32, 12)});
  EXPECT_FLOAT_EQ(plain->getValue(), 1.0f);
  rig.press(*plain, 32, 12, kRightButton, {ControlRig::released(32, 12)});
  EXPECT_FLOAT_EQ(plain->getValue(), 1.0f);
  ControlRig::brackets();
  // A tag that is no parameter: the listener hears it, the host does not.
  auto* unbound = rig.add(new CZrMovieButton(CRect(50, 10, 58, 18), &log, 77, nullptr, offset));
  rig.press(*unbound, 52, 12, kLeftButton, {ControlRig::released(52, 12)});
  EXPECT_EQ(log.values, std::vector<float>{1.0f});
  EXPECT_EQ(ControlRig::brackets(), (std::pair{0, 0}));
  // With the mouse disabled nothing happens.
  unbound->setMouseEnabled(false);
  rig.press(*unbound, 52, 12, kLeftButton, {ControlRig::released(52, 12)});
  EXPECT_FLOAT_EQ(unbound->getValue(), 1.0f);
}

TEST(MovieButton, ClassNames) {
  CPoint offset;
  CZrMovieButton zr(kButton, nullptr, 0, nullptr, offset);
  CMovieButton base(kButton, nullptr, 0, nullptr, offset);
  EXPECT_TRUE(zr.isTypeOf("CZrMovieButton"));
  EXPECT_FALSE(zr.isTypeOf("CMovieButton"));
  EXPECT_TRUE(zr.isTypeOf("CControl"));
  EXPECT_TRUE(base.isTypeOf("CMovieButton"));
  EXPECT_FALSE(base.isTypeOf("CZrMovieButton"));
}

}  // namespace
}  // namespace editortest
