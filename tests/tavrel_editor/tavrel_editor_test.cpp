// Tavrel's editor through Tavrel.so's entry point, headless, as oxel shot
// drives it: each band of the order switch selects its order and the plug-in
// then turns a known vector in that order; the knobs drag, reset and take
// wheel and keys, and so does the switch; every gesture reaches the host once, with no automation
// while the button is held still; host values (outside 0..1 too), program
// changes and reopening move the controls at the next idle and draw frames
// from inside the strips; the editor at each order matches its reviewed
// picture.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>
#include <string>
#include <vector>

#include "platform.h"
#include "plugin_editor_session.h"
#include "tavrel_model.h"

namespace {

constexpr int32_t kWidth = 188;
constexpr int32_t kHeight = 216;
// The switch's six rows, one click height each, and a column inside it.
constexpr int32_t kBandY[6] = {96, 110, 123, 136, 150, 163};
constexpr int32_t kSwitchX = 94;

std::unique_ptr<oxel::PluginInstance> newTavrel() { return newBuiltPlugin("Tavrel"); }

// Opens, draws, plays the script through host idles, returns what the window
// showed, closes.
std::vector<uint32_t> shot(oxel::PluginInstance& instance, const std::string& script = {}) {
  return headlessPixels(instance, script);
}

// The picture of a fresh instance showing these four values.
std::vector<uint32_t> shotOf(float angle1, float angle2, float angle3, float order) {
  auto instance = newTavrel();
  const float values[] = {angle1, angle2, angle3, order};
  for (VstInt32 i = 0; i < 4; ++i) instance->setParameter(i, values[i]);
  return shot(*instance);
}

std::vector<oxel::HostRequest> edits(const oxel::PluginInstance& instance) {
  std::vector<oxel::HostRequest> out;
  for (const auto& r : instance.requests())
    if (r.opcode != audioMasterIdle) out.push_back(r);
  return out;
}

// The host log of one gesture on `index` whose automation sends `values`.
void expectGesture(const std::vector<oxel::HostRequest>& log, VstInt32 index,
                   const std::vector<float>& values) {
  ASSERT_EQ(log.size(), values.size() + 2);
  EXPECT_EQ(log.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(log.front().index, index);
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(log[i + 1].opcode, audioMasterAutomate) << i;
    EXPECT_EQ(log[i + 1].index, index) << i;
    EXPECT_FLOAT_EQ(log[i + 1].opt, values[i]) << i;
  }
  EXPECT_EQ(log.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(log.back().index, index);
}

struct Vector3 {
  double x, y, z;
};

// The field turned by the plug-in, settled: a constant front source (X = 1)
// processed long enough for the glide to end; the last frame's X, Y, Z.
Vector3 turnedFront(oxel::PluginInstance& instance) {
  instance.resume();
  constexpr int kBlock = 1024;
  std::vector<float> w(kBlock, 0.0f), x(kBlock, 1.0f), y(kBlock, 0.0f), z(kBlock, 0.0f);
  std::vector<std::vector<float>> out(4, std::vector<float>(kBlock));
  float* ins[] = {w.data(), x.data(), y.data(), z.data()};
  float* outs[] = {out[0].data(), out[1].data(), out[2].data(), out[3].data()};
  for (int block = 0; block < 24; ++block) instance.processReplacing(ins, outs, kBlock);
  return {out[1].back(), out[2].back(), out[3].back()};
}

// The same vector turned by the three angles in the planes of `order`.
Vector3 expectedFront(const float angles[3], int order) {
  double x = 1.0, y = 0.0, z = 0.0;
  for (int step = 0; step < 3; ++step) {
    const double a = -static_cast<double>(angles[step]) * (2.0 * std::numbers::pi);
    reference::TavrelModel::turn(reference::kTavrelSequence[order][step], std::sin(a), std::cos(a),
                                 x, y, z);
  }
  return {x, y, z};
}

// The host's text for the order, without its padding.
std::string orderShown(oxel::PluginInstance& instance) {
  std::string text = instance.parameterDisplay(3);
  text.erase(0, text.find_first_not_of(' '));
  return text;
}

double distance(const Vector3& a, const Vector3& b) {
  return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                   (a.z - b.z) * (a.z - b.z));
}

TEST(TavrelEditor, IdentityAndWindowSize) {
  auto instance = newTavrel();
  AEffect* e = instance->effect();
  EXPECT_EQ(e->uniqueID, static_cast<VstInt32>(fourCharCode('Q', 'R', 'p', 'a')));
  EXPECT_TRUE(e->flags & effFlagsHasEditor);
  ERect* rect = nullptr;
  ASSERT_EQ(instance->dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right - rect->left, kWidth);
  EXPECT_EQ(rect->bottom - rect->top, kHeight);
  EXPECT_EQ(shot(*instance).size(), static_cast<size_t>(kWidth * kHeight));
}

TEST(TavrelEditor, EachBandSelectsItsOrderAndThePluginTurnsTheFieldThatWay) {
  // Angles whose six orders turn the front source to six different places.
  const float angles[3] = {0.25f, 0.2f, 0.375f};
  for (int a = 0; a < 6; ++a)
    for (int b = a + 1; b < 6; ++b)
      ASSERT_GT(distance(expectedFront(angles, a), expectedFront(angles, b)), 0.1);

  for (int order = 0; order < 6; ++order) {
    SCOPED_TRACE("order " + std::to_string(order));
    auto instance = newTavrel();
    for (VstInt32 i = 0; i < 3; ++i) instance->setParameter(i, angles[i]);
    instance->setParameter(3, 0.1f);  // between two steps: every band changes it
    instance->clearRequests();
    const std::string click =
        "click " + std::to_string(kSwitchX) + " " + std::to_string(kBandY[order]) + "\n";
    const auto picture = shot(*instance, click);
    const float value = static_cast<float>(order) / 5.0f;
    expectGesture(edits(*instance), 3, {value});
    EXPECT_EQ(instance->parameter(3), value);
    EXPECT_EQ(orderShown(*instance), std::to_string(order));
    EXPECT_EQ(picture, shotOf(angles[0], angles[1], angles[2], value));
    const Vector3 turned = turnedFront(*instance);
    EXPECT_LT(distance(turned, expectedFront(angles, order)), 1e-4)
        << turned.x << " " << turned.y << " " << turned.z;
  }
}

TEST(TavrelEditor, SwitchDragIsOneGestureAndHoldingStillSendsNothing) {
  auto instance = newTavrel();
  instance->clearRequests();
  // Down on the second row, held still, dragged far above, then far below.
  shot(*instance,
       "press 94 110\nwait 300\nmove 94 20\nwait 50\nmove 94 260\nwait 300\nrelease 94 260\n");
  expectGesture(edits(*instance), 3, {0.2f, 0.0f, 1.0f});
  EXPECT_EQ(instance->parameter(3), 1.0f);

  // Shift going down mid-drag ends it where it is; later moves do nothing.
  instance->setParameter(3, 0.0f);
  instance->clearRequests();
  shot(*instance,
       "press 94 96\nwait 50\nmove 94 123 shift\nwait 50\nmove 94 163\nwait 50\nrelease 94 163\n");
  expectGesture(edits(*instance), 3, {0.4f});
  EXPECT_EQ(instance->parameter(3), 0.4f);

  // Ctrl+click (the default-value click): order 0, bracketed.
  instance->clearRequests();
  shot(*instance, "click 94 150 ctrl\n");
  expectGesture(edits(*instance), 3, {0.0f});
  EXPECT_EQ(instance->parameter(3), 0.0f);
}

TEST(TavrelEditor, KnobsAndSwitchTakeDragsResetsWheelAndKeys) {
  auto instance = newTavrel();
  instance->dispatch(effSetEditKnobMode, 0, 0);  // circular

  // Angle 1, centre (46, 60): press at 3 o'clock, drag to 6 o'clock.
  instance->clearRequests();
  shot(*instance, "press 66 60\nwait 50\nmove 46 80\nwait 50\nrelease 46 80\n");
  const auto drag = edits(*instance);
  ASSERT_GE(drag.size(), 3u);
  EXPECT_EQ(drag.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(drag.back().opcode, audioMasterEndEdit);
  for (const auto& r : drag) EXPECT_EQ(r.index, 0);
  EXPECT_NEAR(drag[1].opt, 0.25f, 1e-3);
  EXPECT_NEAR(instance->parameter(0), 0.5f, 1e-3);
  EXPECT_EQ(instance->parameter(1), 0.0f);

  struct Case {
    const char* script;
    VstInt32 index;
    float value;
    int automates;
  };
  const Case cases[] = {
      {"press 66 60\nwait 300\nrelease 66 60\n", 0, 0.25f, 1},  // held still: one value sent
      {"click 94 50 ctrl\n", 1, 1.0f, 1},  // Ctrl+click: the default, a full turn
      {"wheel up 142 60\n", 2, 0.1f, 1},
      {"key up\n", 2, 0.2f, 1},             // no focus: the last control that takes keys
      {"wheel down 94 100\n", 3, 0.2f, 1},  // the switch: the row below
      // Clicked: the switch takes the keys.
      {"click 94 136\nwait 50\nkey down\nwait 50\nkey down\n", 3, 1.0f, 3},
  };
  for (const Case& c : cases) {
    instance->clearRequests();
    shot(*instance, c.script);
    EXPECT_FLOAT_EQ(instance->parameter(c.index), c.value) << c.script;
    int automated = 0;
    for (const auto& r : edits(*instance)) {
      EXPECT_EQ(r.index, c.index) << c.script;
      automated += r.opcode == audioMasterAutomate;
    }
    EXPECT_EQ(automated, c.automates) << c.script;
  }
}

// The rows of a picture from `from` (inclusive) to `to` (exclusive).
std::vector<uint32_t> rows(const std::vector<uint32_t>& pixels, int32_t from, int32_t to) {
  return {pixels.begin() + from * kWidth, pixels.begin() + to * kWidth};
}

TEST(TavrelEditor, HostValuesOutsideTheRangeDrawFramesFromTheStrips) {
  // Clamped to the ends of the strips: the pictures of 1 and 0. The readouts
  // below (from row 190) show the angle the field turns by instead.
  constexpr int32_t kReadoutRow = 190;
  const auto top = shotOf(1.0f, 0.0f, 1.0f, 1.0f);
  const auto bottom = shotOf(0.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_NE(top, bottom);
  const auto high = shotOf(1.5f, -0.3f, 1e9f, 1.3f);
  const auto low = shotOf(-0.5f, 0.0f, -1e9f, -0.5f);
  EXPECT_EQ(rows(high, 0, kReadoutRow), rows(top, 0, kReadoutRow));
  EXPECT_EQ(rows(low, 0, kReadoutRow), rows(bottom, 0, kReadoutRow));
  EXPECT_EQ(rows(high, kReadoutRow, kHeight),
            rows(shotOf(0.5f, 0.7f, 0.0f, 1.0f), kReadoutRow, kHeight));
  EXPECT_EQ(rows(low, kReadoutRow, kHeight),
            rows(shotOf(0.5f, 0.0f, 0.0f, 0.0f), kReadoutRow, kHeight));
  // Just below a step the plug-in already uses the next order; the switch
  // shows the nearest row.
  auto instance = newTavrel();
  instance->setParameter(3, 0.499f);
  EXPECT_EQ(orderShown(*instance), "3");
  EXPECT_EQ(shot(*instance), shotOf(0.0f, 0.0f, 0.0f, 0.4f));
}

TEST(TavrelEditor, ProgramChangesAndAutomationMoveTheControlsAtIdleOnly) {
  auto instance = newTavrel();
  instance->setProgram(1);
  const float values[] = {0.3f, 0.6f, 0.9f, 0.8f};
  for (VstInt32 i = 0; i < 4; ++i) instance->setParameter(i, values[i]);
  instance->setProgram(0);
  const auto before = shotOf(0.0f, 0.0f, 0.0f, 0.0f);
  const auto after = shotOf(values[0], values[1], values[2], values[3]);

  oxel::HeadlessEditor window{oxel::editorCallsOf(instance->effect())};
  window.open();
  window.idle();
  EXPECT_EQ(window.picture().pixels, before);
  instance->setProgram(1);
  EXPECT_EQ(window.picture().pixels, before);  // nothing moves before the idle
  window.idle();
  EXPECT_EQ(window.picture().pixels, after);

  // Automation while open moves the control; while closed nothing is kept
  // but the plug-in's value, which the next open shows.
  instance->setParameter(3, 0.0f);
  window.idle();
  EXPECT_EQ(window.picture().pixels, shotOf(values[0], values[1], values[2], 0.0f));
  window.close();
  instance->setParameter(3, 0.8f);
  instance->dispatch(effEditIdle);
  EXPECT_EQ(shot(*instance), after);
}

TEST(TavrelEditor, TheAboutPictureOpensAndClosesWithoutTouchingParameters) {
  auto instance = newTavrel();
  instance->clearRequests();
  const auto open = shot(*instance, "click 93 7\nwait 100\n");
  EXPECT_NE(open, shotOf(0.0f, 0.0f, 0.0f, 0.0f));
  EXPECT_TRUE(edits(*instance).empty());
  // While it is open a click on the switch closes it and changes nothing.
  const auto closed = shot(*instance, "click 93 7\nwait 100\nclick 94 163\nwait 100\n");
  EXPECT_EQ(closed, shotOf(0.0f, 0.0f, 0.0f, 0.0f));
  EXPECT_TRUE(edits(*instance).empty());
  EXPECT_EQ(instance->parameter(3), 0.0f);
}

TEST(TavrelEditor, EditorAtEachOrderMatchesItsReviewedPicture) {
  for (int order = 0; order < 6; ++order) {
    const auto pixels = shotOf(0.0f, 0.25f, 0.625f, static_cast<float>(order) / 5.0f);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth * kHeight));
    oxel::platform::PixelPort actual{kWidth, kHeight};
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x)
        actual.set(x, y, pixels[static_cast<size_t>(y * kWidth + x)]);
    const std::string golden = std::string{OXEL_SOURCE_DIR} +
                               "/tests/tavrel_editor/golden/editor-order-" + std::to_string(order) +
                               ".png";
    if (std::getenv("OXEL_UPDATE_GOLDENS")) {
      ASSERT_TRUE(oxel::platform::writePng(actual, golden));
      continue;
    }
    auto expected = oxel::platform::decodeImageFile(golden);
    ASSERT_NE(expected, nullptr) << "missing " << golden << " (OXEL_UPDATE_GOLDENS=1 writes it)";
    ASSERT_EQ(expected->width(), kWidth);
    ASSERT_EQ(expected->height(), kHeight);
    int differing = 0;
    for (int32_t y = 0; y < kHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x)
        differing += (expected->get(x, y) & 0xFFFFFF) != (actual.get(x, y) & 0xFFFFFF);
    if (differing) {
      const std::string out = std::string{OXEL_BINARY_DIR} + "/tests/tavrel_editor/editor-order-" +
                              std::to_string(order) + ".actual.png";
      oxel::platform::writePng(actual, out);
      ADD_FAILURE()
          << differing << " pixels differ from " << golden << "; this run's picture: " << out
          << " (after a deliberate change of the pictures, OXEL_UPDATE_GOLDENS=1 rewrites it)";
    }
  }
}

}  // namespace
