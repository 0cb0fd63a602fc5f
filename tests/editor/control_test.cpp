// The control base: the dirty rule (with the -1 special case and non-finite
// values), clamping, the default-value click and its exact modifier, double
// clicks on the editor's clock, the 4-byte attributes, and edit brackets
// that need a frame.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "editor_fixture.h"
#include "platform.h"

namespace editortest {
namespace {

class PlainControl : public CControl {
 public:
  using CControl::CControl;
  void draw(CDrawContext*) override { setDirty(false); }
};

struct CountingListener : CControlListener {
  void valueChanged(CDrawContext*, CControl* control) override {
    ++changes;
    lastValue = control->getValue();
  }
  int changes{0};
  float lastValue{-99.0f};
};

TEST(Control, DirtyRule) {
  PlainControl c(CRect(0, 0, 10, 10));
  EXPECT_TRUE(c.isDirty());  // oldValue 1, value 0: drawn at the first update
  c.setDirty(false);
  EXPECT_FALSE(c.isDirty());
  c.setValue(0.3f);
  EXPECT_TRUE(c.isDirty());

  c.setValue(-1.0f);
  c.setDirty(true);
  EXPECT_EQ(c.getOldValue(), 0.0f);
  EXPECT_TRUE(c.isDirty());

  // A value that is not a number is refused, so the control can go clean.
  c.setValue(0.4f);
  c.setDirty(false);
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    c.setValue(bad);
    EXPECT_EQ(c.getValue(), 0.4f);
    EXPECT_FALSE(c.isDirty());
  }
}

TEST(Control, BounceClampsIntoRange) {
  PlainControl c(CRect(0, 0, 10, 10));
  const std::pair<float, float> table[] = {{1.5f, 1.0f}, {-0.2f, 0.0f}, {0.3f, 0.3f}, {1.0f, 1.0f}};
  for (const auto& [in, out] : table) {
    c.setValue(in);
    c.bounceValue();
    EXPECT_EQ(c.getValue(), out) << in;
  }
}

TEST(Control, DefaultClickNeedsExactlyLeftAndCommand) {
  struct Case {
    int32_t buttons;
    float valueBefore;
    bool taken;
    int notifies;
    int brackets;  // begin/end pairs the host sees
  };
  const Case cases[] = {
      {kLeftButton | kCommandFlag, 0.8f, true, 1, 1},
      {kLeftButton | kCommandFlag, 0.5f, true, 0, 1},  // already the default: brackets, no change
      {kLeftButton, 0.8f, false, 0, 0},
      {kLeftButton | kCommandFlag | kShiftFlag, 0.8f, false, 0, 0},
      {kLeftButton | kCommandFlag | kCtrlFlag, 0.8f, false, 0, 0},
  };
  Parent parent;
  auto* effect = new StubEffect;
  auto* editor = new ProbeEditor(effect);
  editor->open(&parent.record);
  CountingListener listener;
  auto* control = new PlainControl(CRect(0, 0, 10, 10), &listener, 0);
  editor->frame->addView(control);
  for (const Case& c : cases) {
    listener.changes = 0;
    host().taken();
    control->setValue(c.valueBefore);
    control->setDirty(false);
    EXPECT_EQ(control->checkDefaultValue(nullptr, c.buttons), c.taken) << c.buttons;
    EXPECT_EQ(listener.changes, c.notifies) << c.buttons;
    EXPECT_EQ(control->getValue(), c.taken ? 0.5f : c.valueBefore) << c.buttons;
    EXPECT_EQ(host().count(audioMasterBeginEdit), c.brackets) << c.buttons;
    EXPECT_EQ(host().count(audioMasterEndEdit), c.brackets) << c.buttons;
  }
  delete effect;
}

TEST(Control, DoubleClicksOnTheEditorClock) {
  Parent parent;
  auto* effect = new StubEffect;
  oxel::platform::VirtualEditorClock clock;
  auto* editor = new ProbeEditor(effect, CRect(0, 0, 60, 40), &clock);
  editor->open(&parent.record);
  auto* control = new PlainControl(CRect(0, 0, 10, 10));
  editor->frame->addView(control);
  const std::pair<uint32_t, bool> clicks[] = {{1000, false}, {1200, true}, {1300, false}, {1549, true}, {2000, false}};
  for (const auto& [at, isDouble] : clicks) {
    clock.set(at);
    EXPECT_EQ(control->isDoubleClick(), isDouble) << at;
  }
  delete effect;
}

TEST(Control, AttributesAreFourBytes) {
  PlainControl c(CRect(0, 0, 10, 10), nullptr, 42);
  c.setValue(0.75f);
  int32_t size = 0;
  int32_t tag = 0;
  EXPECT_FALSE(c.getAttribute(kCControlAttributeTag, 3, &tag, size));
  EXPECT_TRUE(c.getAttribute(kCControlAttributeTag, 4, &tag, size));
  EXPECT_EQ(tag, 42);
  EXPECT_EQ(size, 4);
  float value = 0.0f;
  EXPECT_TRUE(c.getAttribute(kCControlAttributeValue, 8, &value, size));
  EXPECT_EQ(value, 0.75f);
  const float newValue = 0.25f;
  EXPECT_FALSE(c.setAttribute(kCControlAttributeValue, 8, &newValue));
  EXPECT_TRUE(c.setAttribute(kCControlAttributeValue, 4, &newValue));
  EXPECT_EQ(c.getValue(), 0.25f);
  EXPECT_TRUE(c.getAttributeSize(kCControlAttributeTag, size));
  EXPECT_EQ(size, 4);
}

TEST(Control, EditBracketsOutsideAFrameDoNothing) {
  host().taken();
  PlainControl orphan(CRect(0, 0, 10, 10), nullptr, 0);
  orphan.beginEdit();
  orphan.endEdit();
  orphan.doIdleStuff();
  EXPECT_FALSE(orphan.isDoubleClick());  // clock 0 without a frame
  EXPECT_TRUE(host().taken().empty());
}

}  // namespace
}  // namespace editortest
