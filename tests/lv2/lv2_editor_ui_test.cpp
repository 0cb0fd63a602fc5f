// An editor as an LV2 UI, through the UI descriptor as a host calls it, with
// a small stand-in plug-in (one 0..360 degree control) drawn headless: a
// scripted drag reaches the host as touch on, port writes in degrees, touch
// off, in that order; a host port value moves the control at the next idle
// and never comes back as a write; the UI sizes itself through ui:resize; the
// host's ui:scaleFactor option opens it at the rounded scale, where a drag at
// device positions writes the values of the same drag at 1x; a host without a
// parent window gets no UI and no crash.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include "AudioEffectX.h"
#include "CControl.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "guieditor.h"
#include "headless_editor.h"
#include "lv2ui_entry.h"
#include "ui_host.h"

namespace {

constexpr int32_t kWidth = 200, kHeight = 60;
constexpr uint32_t kControlPort = 2;  // after one audio input and one output

// A bar across the editor: the value is the pointer's position across it.
class Bar : public CControl {
 public:
  Bar(const CRect& size, CControlListener* listener) : CControl(size, listener, 0) {}
  void draw(CDrawContext*) override { setDirty(false); }
  void mouse(CDrawContext* context, CPoint& where, int32_t buttons) override {
    if (!(buttons & kLeftButton)) return;
    beginEdit();
    follow(context, where);
    while (context->getMouseButtons() & kLeftButton) {
      CPoint now;
      getMouseLocation(context, now);
      follow(context, now);
      doIdleStuff();
    }
    endEdit();
  }

 private:
  void follow(CDrawContext* context, const CPoint& where) {
    setValue(static_cast<float>(where.h - size.left) / static_cast<float>(size.width()));
    bounceValue();
    if (isDirty() && listener) listener->valueChanged(context, this);
  }
};

Bar* gBar = nullptr;  // the open editor's bar, for the checks

class StandInEditor : public AEffGUIEditor, public CControlListener {
 public:
  explicit StandInEditor(AudioEffect* effect) : AEffGUIEditor(effect) {
    rect.right = kWidth;
    rect.bottom = kHeight;
  }
  VstInt32 open(void* ptr) override {
    AEffGUIEditor::open(ptr);
    frame = new CFrame(CRect(0, 0, kWidth, kHeight), ptr, this);
    gBar = new Bar(CRect(0, 20, 200, 40), this);
    gBar->setValue(effect->getParameter(0));
    frame->addView(gBar);
    return 1;
  }
  void close() override {
    gBar = nullptr;
    AEffGUIEditor::close();
  }
  void valueChanged(CDrawContext*, CControl* control) override {
    effect->setParameterAutomated(0, control->getValue());
  }

 protected:
  void applyParameter(VstInt32 index, float value) override {
    if (index == 0 && gBar) gBar->setValue(value);
  }
};

// One parameter shown in degrees, as the real plug-ins show their angles.
class StandInEffect : public AudioEffectX {
 public:
  explicit StandInEffect(audioMasterCallback master) : StandInEffect(master, true) {}
  StandInEffect(audioMasterCallback master, bool withEditor) : AudioEffectX(master, 1, 1) {
    setNumInputs(1);
    setNumOutputs(1);
    if (withEditor) new StandInEditor(this);
  }
  void setParameter(VstInt32 index, float v) override {
    if (index != 0 || !std::isfinite(v)) return;
    value = v;
    if (editor) static_cast<AEffGUIEditor*>(editor)->setParameter(index, v);
  }
  float getParameter(VstInt32 index) override { return index == 0 ? value : 0.0f; }
  void getParameterName(VstInt32, char* text) override { vsttext::copy(text, "Turn", 23); }
  void getParameterLabel(VstInt32, char* text) override { vsttext::copy(text, "degrees", 23); }
  void getParameterDisplay(VstInt32, char* text) override { float2string(value * 360.0f, text); }
  void process(float**, float**, VstInt32) override {}

 private:
  float value = 0.25f;
};

// Its one parameter as a description row: a turn shown in degrees.
constexpr plugin_description::Parameter kStandInParameters[] = {
    {0, "Turn", "degrees", 0.25f, 0.0, 360.0, {}, "turn", {}}};

const lv2port::PluginInfo& standInInfo() {
  static const lv2port::PluginInfo info{"urn:oxel:test:stand-in",
                                        "StandIn",
                                        "StandIn.lv2",
                                        "StandIn.so",
                                        "SpatialPlugin",
                                        {{"in", "In", nullptr}},
                                        {{"out", "Out", nullptr}},
                                        nullptr,
                                        kStandInParameters,
                                        []() -> std::unique_ptr<AudioEffect> {
                                          return std::make_unique<StandInEffect>(nullptr, false);
                                        },
                                        false};
  return info;
}

using Descriptor = lv2entry::UiDescriptor<standInInfo, Lv2EditorUi::makeStandIn<StandInEffect>>;

class Lv2EditorUiTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (handle) Descriptor::cleanup(handle);
  }

  LV2UI_Handle instantiate(bool withParent, const char* script = nullptr,
                           const LV2_Feature* const* features = nullptr) {
    parent = oxel::headlessRecord(script, 20);
    const LV2UI_Descriptor* d = Descriptor::get();
    handle =
        d->instantiate(d, standInInfo().uri, "/nowhere", lv2_test::UiHostFeatures::write,
                       host.controller(), &widget, features ? features : host.features(withParent));
    return handle;
  }
  void idle(int times) {
    const auto* idleInterface = static_cast<const LV2UI_Idle_Interface*>(
        Descriptor::get()->extension_data(LV2_UI__idleInterface));
    for (int i = 0; i < times; ++i) EXPECT_EQ(idleInterface->idle(handle), 0);
  }
  void portEvent(float value) {
    Descriptor::portEvent(handle, kControlPort, sizeof value, 0, &value);
  }

  OxelHeadlessParent parent{};
  lv2_test::UiHostFeatures host{&parent};
  lv2_test::UiHostLog& log = host.log;
  LV2UI_Widget widget = nullptr;
  LV2UI_Handle handle = nullptr;
};

TEST_F(Lv2EditorUiTest, ScriptedDragIsTouchThenWritesInDegreesThenRelease) {
  ASSERT_NE(instantiate(true,
                        "press 50 30\nwait 40\nmove 100 30\nwait 40\nmove 150 30\nwait 40\n"
                        "release 150 30\n"),
            nullptr);
  EXPECT_EQ(log.width, kWidth);
  EXPECT_EQ(log.height, kHeight);
  EXPECT_NE(widget, nullptr);
  for (int i = 0; i < oxel::kHeadlessMaxIdles && !parent.scriptDone; ++i) idle(1);
  idle(2);
  ASSERT_TRUE(parent.scriptDone);
  EXPECT_TRUE(lv2_test::isOneGesture(log, kControlPort)) << ::testing::PrintToString(log.events);
  ASSERT_FALSE(log.written.empty());
  EXPECT_FLOAT_EQ(log.written.front(), 90.0f);  // x 50 of 200: a quarter turn
  EXPECT_FLOAT_EQ(log.written.back(), 270.0f);
}

TEST_F(Lv2EditorUiTest, HostPortValuesMoveTheControlAtIdleAndAreNotEchoed) {
  ASSERT_NE(instantiate(true), nullptr);
  idle(2);
  ASSERT_NE(gBar, nullptr);
  EXPECT_FLOAT_EQ(gBar->getValue(), 0.25f);
  portEvent(180.0f);
  EXPECT_FLOAT_EQ(gBar->getValue(), 0.25f);  // not before the idle
  idle(1);
  EXPECT_FLOAT_EQ(gBar->getValue(), 0.5f);
  // Bad values from the host leave the control where it is.
  for (const float bad :
       {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity()}) {
    portEvent(bad);
    idle(1);
    EXPECT_FLOAT_EQ(gBar->getValue(), 0.5f);
  }
  const float value = 45.0f;
  Descriptor::portEvent(handle, 0, sizeof value, 0, &value);  // an audio port: ignored
  Descriptor::portEvent(handle, kControlPort, 2, 0, &value);  // a short buffer: ignored
  idle(1);
  EXPECT_FLOAT_EQ(gBar->getValue(), 0.5f);
  EXPECT_TRUE(log.events.empty());
}

// A URID map of its own and an options array holding one option.
struct ScaleOptions {
  static LV2_URID map(LV2_URID_Map_Handle, const char* uri) {
    static std::vector<std::string> uris;
    for (size_t i = 0; i < uris.size(); ++i)
      if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
  }
  ScaleOptions(const lv2_test::UiHostFeatures& host, const char* key, const char* type,
               double value, bool withMap) {
    floatValue = static_cast<float>(value);
    doubleValue = value;
    const bool isDouble = std::string{type} == LV2_ATOM__Double;
    options[0] = {LV2_OPTIONS_INSTANCE,
                  0,
                  map(nullptr, key),
                  isDouble ? static_cast<uint32_t>(sizeof doubleValue)
                           : static_cast<uint32_t>(sizeof floatValue),
                  map(nullptr, type),
                  isDouble ? static_cast<const void*>(&doubleValue) : &floatValue};
    options[1] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
    for (const LV2_Feature* const* f = host.features(true); *f; ++f) features.push_back(*f);
    if (withMap) features.push_back(&mapFeature);
    features.push_back(&optionsFeature);
    features.push_back(nullptr);
  }
  float floatValue;
  double doubleValue;
  LV2_URID_Map urids{nullptr, map};
  LV2_Feature mapFeature{LV2_URID__map, &urids};
  LV2_Options_Option options[2]{};
  LV2_Feature optionsFeature{LV2_OPTIONS__options, options};
  std::vector<const LV2_Feature*> features;
};

TEST_F(Lv2EditorUiTest, TheHostsScaleFactorSizesTheUiAndDragsKeepTheir1xValues) {
  struct Row {
    const char* key;
    const char* type;
    double value;
    bool withMap;
    int32_t scale;
  };
  const Row rows[] = {
      {LV2_UI__scaleFactor, LV2_ATOM__Float, 1.5, true, 2},
      {LV2_UI__scaleFactor, LV2_ATOM__Float, 2.0, true, 2},
      {LV2_UI__scaleFactor, LV2_ATOM__Double, 3.0, true, 3},
      {LV2_UI__scaleFactor, LV2_ATOM__Float, 1.0, true, 1},
      {LV2_UI__scaleFactor, LV2_ATOM__Float, 1.25, true, 1},
      {LV2_UI__scaleFactor, LV2_ATOM__Int, 2.0, true, 1},
      {LV2_UI__scaleFactor, LV2_ATOM__Float, 2.0, false, 1},
      {LV2_UI__updateRate, LV2_ATOM__Float, 2.0, true, 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string{r.key} + " " + r.type + " " + std::to_string(r.value));
    ScaleOptions options{host, r.key, r.type, r.value, r.withMap};
    // The 1x drag from x 50 to x 150 of 200, at the UI's own scale.
    const int32_t n = r.scale;
    const std::string script =
        "press " + std::to_string(50 * n) + " " + std::to_string(30 * n) + "\nwait 40\nmove " +
        std::to_string(100 * n) + " " + std::to_string(30 * n) + "\nwait 40\nmove " +
        std::to_string(150 * n) + " " + std::to_string(30 * n) + "\nwait 40\nrelease " +
        std::to_string(150 * n) + " " + std::to_string(30 * n) + "\n";
    log = {};
    ASSERT_NE(instantiate(true, script.c_str(), options.features.data()), nullptr);
    EXPECT_EQ(log.width, n * kWidth);
    EXPECT_EQ(log.height, n * kHeight);
    EXPECT_EQ(parent.width, n * kWidth);
    for (int i = 0; i < oxel::kHeadlessMaxIdles && !parent.scriptDone; ++i) idle(1);
    idle(2);
    EXPECT_TRUE(lv2_test::isOneGesture(log, kControlPort)) << ::testing::PrintToString(log.events);
    ASSERT_FALSE(log.written.empty());
    EXPECT_FLOAT_EQ(log.written.front(), 90.0f);
    EXPECT_FLOAT_EQ(log.written.back(), 270.0f);
    Descriptor::cleanup(handle);
    handle = nullptr;
  }
}

TEST_F(Lv2EditorUiTest, NoParentWindowMeansNoUi) {
  EXPECT_EQ(instantiate(false), nullptr);
  const LV2UI_Descriptor* d = Descriptor::get();
  const LV2_Feature* none[] = {nullptr};
  const auto write = lv2_test::UiHostFeatures::write;
  EXPECT_EQ(d->instantiate(d, standInInfo().uri, "/", write, host.controller(), &widget, none),
            nullptr);
  EXPECT_EQ(d->instantiate(d, standInInfo().uri, "/", write, host.controller(), &widget, nullptr),
            nullptr);
  // A UI for another plug-in's URI is refused too, parent or not.
  EXPECT_EQ(
      d->instantiate(d, "urn:oxel:other", "/", write, host.controller(), &widget, host.features()),
      nullptr);
  EXPECT_TRUE(log.events.empty());
}

}  // namespace
