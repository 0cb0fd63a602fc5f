// The plug-ins' own editors as their LV2 UIs, in-process and headless, where
// their pictures cannot be found (this test program carries none): each UI
// still opens at its layout's size, a scripted knob drag is one touch
// gesture of port writes in degrees matching the knob, and host port values
// move the knobs, Pelrin's pattern slider and Tavrel's order switch at the
// next idle.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "CAnimRotary.h"
#include "CSlider.h"
#include "CVerticalSwitch.h"
#include "RazOruRerora.h"
#include "VuvIzedAzur.h"
#include "ZazOzoRivo.h"
#include "ZidIdirAruriz.h"
#include "headless_editor.h"
#include "lv2ui_entry.h"
#include "ui_host.h"

namespace {

using Descriptor =
    lv2entry::UiDescriptor<lv2port::pelrinInfo, Lv2EditorUi::makeStandIn<ZazOzoRivo>>;
constexpr uint32_t kAzimuthPort = 6, kPatternPort = 9;

class PelrinUi : public ::testing::Test {
 protected:
  void TearDown() override {
    if (handle) Descriptor::cleanup(handle);
  }
  Lv2EditorUi* open(const char* script) {
    parent = oxel::headlessRecord(script, 20);
    const LV2UI_Descriptor* d = Descriptor::get();
    LV2UI_Widget widget = nullptr;
    handle = d->instantiate(d, "urn:oxel:pelrin", "/nowhere", lv2_test::UiHostFeatures::write,
                            host.controller(), &widget, host.features());
    return static_cast<Lv2EditorUi*>(handle);
  }
  void idle(int times) {
    for (int i = 0; i < times; ++i) Descriptor::idle(handle);
  }
  RazOruRerora* editor(Lv2EditorUi* ui) { return dynamic_cast<RazOruRerora*>(ui->editor()); }

  OxelHeadlessParent parent{};
  lv2_test::UiHostFeatures host{&parent};
  LV2UI_Handle handle = nullptr;
};

TEST_F(PelrinUi, OpensWithoutPicturesAtTheLayoutSize) {
  Lv2EditorUi* ui = open(nullptr);
  ASSERT_NE(ui, nullptr);
  idle(2);
  EXPECT_EQ(host.log.width, RazOruRerora::kFallbackWidth);
  EXPECT_EQ(host.log.height, RazOruRerora::kFallbackHeight);
  ASSERT_NE(editor(ui), nullptr);
  EXPECT_NE(editor(ui)->getKnob(0), nullptr);
}

TEST_F(PelrinUi, KnobDragIsOneGestureOfWritesInDegrees) {
  // The azimuth knob's centre is at (72, 72); the pointer goes round to its right.
  Lv2EditorUi* ui =
      open("press 72 60\nwait 30\nmove 84 62\nwait 30\nmove 96 74\nwait 30\nrelease 96 74\n");
  ASSERT_NE(ui, nullptr);
  for (int i = 0; i < oxel::kHeadlessMaxIdles && !parent.scriptDone; ++i) idle(1);
  idle(2);
  ASSERT_TRUE(parent.scriptDone);
  EXPECT_TRUE(lv2_test::isOneGesture(host.log, kAzimuthPort))
      << ::testing::PrintToString(host.log.events);
  ASSERT_FALSE(host.log.written.empty());
  const float knob = editor(ui)->getKnob(0)->getValue();
  EXPECT_NE(knob, 0.0f);
  EXPECT_FLOAT_EQ(host.log.written.back(), knob * 360.0f);
  for (const float degrees : host.log.written) {
    EXPECT_GE(degrees, 0.0f);
    EXPECT_LE(degrees, 360.0f);
  }
}

TEST_F(PelrinUi, HostPortValuesMoveTheControlsAtIdle) {
  Lv2EditorUi* ui = open(nullptr);
  ASSERT_NE(ui, nullptr);
  idle(1);
  const struct {
    uint32_t port;
    float value;
    float expected;  // the control's 0..1 value
  } cases[] = {{kAzimuthPort, 90.0f, 0.25f},
               {7, 0.0f, 0.25f},
               {7, 180.0f, 0.75f},
               {8, 131.0f, 131.0f / 360.0f},
               {kPatternPort, 0.75f, 0.75f}};
  for (const auto& c : cases) {
    Descriptor::portEvent(handle, c.port, sizeof c.value, 0, &c.value);
    idle(1);
    RazOruRerora* e = editor(ui);
    const float shown = c.port == kPatternPort
                            ? e->getPatternFader()->getValue()
                            : e->getKnob(static_cast<VstInt32>(c.port - 6))->getValue();
    EXPECT_FLOAT_EQ(shown, c.expected) << c.port << " " << c.value;
  }
  EXPECT_TRUE(host.log.events.empty()) << ::testing::PrintToString(host.log.events);
}

using TavrelDescriptor =
    lv2entry::UiDescriptor<lv2port::tavrelInfo, Lv2EditorUi::makeStandIn<VuvIzedAzur>>;

TEST(TavrelUi, OpensWithoutPicturesAndHostPortValuesMoveTheControls) {
  OxelHeadlessParent parent = oxel::headlessRecord(nullptr, 20);
  lv2_test::UiHostFeatures host{&parent};
  const LV2UI_Descriptor* d = TavrelDescriptor::get();
  LV2UI_Widget widget = nullptr;
  LV2UI_Handle handle =
      d->instantiate(d, "urn:oxel:tavrel", "/nowhere", lv2_test::UiHostFeatures::write,
                     host.controller(), &widget, host.features());
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(host.log.width, ZidIdirAruriz::kFallbackWidth);
  EXPECT_EQ(host.log.height, ZidIdirAruriz::kFallbackHeight);
  auto* editor = dynamic_cast<ZidIdirAruriz*>(static_cast<Lv2EditorUi*>(handle)->editor());
  ASSERT_NE(editor, nullptr);
  const struct {
    uint32_t port;
    float value;
    float expected;  // the control's 0..1 value
  } cases[] = {{8, 90.0f, 0.25f},
               {9, 180.0f, 0.5f},
               {10, 270.0f, 0.75f},
               {11, 3.0f, 0.6f},
               {11, 5.0f, 1.0f}};
  for (const auto& c : cases) {
    d->port_event(handle, c.port, sizeof c.value, 0, &c.value);
    TavrelDescriptor::idle(handle);
    const float shown = c.port == 11
                            ? editor->getOrderSwitch()->getValue()
                            : editor->getAngleKnob(static_cast<int>(c.port - 8))->getValue();
    EXPECT_FLOAT_EQ(shown, c.expected) << c.port << " " << c.value;
  }
  EXPECT_TRUE(host.log.events.empty());
  d->cleanup(handle);
}

}  // namespace
