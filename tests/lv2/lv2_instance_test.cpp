// The LV2 run method: a control port reaches the processor once, when its
// value changed, converted to 0..1 in the port's range; NaN and infinite
// values never reach it; audio goes through processReplacing on the
// connected buffers.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "Lv2Instance.h"
#include "TavrelDescription.h"
#include "lv2_ports.h"

namespace {

// Records every parameter change; output 0 gets input 0 times parameter 0.
class SpyProcessor : public AudioEffect {
 public:
  SpyProcessor() : AudioEffect{nullptr, 1, 2} {}
  void setParameter(VstInt32 index, float value) override {
    changes.emplace_back(index, value);
    if (index == 0) gain = value;
  }
  void process(float**, float**, VstInt32) override {}
  void processReplacing(float** inputs, float** outputs, VstInt32 frames) override {
    ++blocks;
    for (VstInt32 i = 0; i < frames; ++i) outputs[0][i] = inputs[0][i] * gain;
  }
  std::vector<std::pair<VstInt32, float>> changes;
  int blocks = 0;
  float gain = 0.0f;
};

struct Fixture {
  Fixture() {
    lv2port::ControlPort degrees;  // parameter 0: 0..360 degrees
    degrees.parameter = 0;
    degrees.maximum = 360.0;
    // parameter 1: Tavrel's order port, 0..5 in whole numbers, rounded as the processor rounds
    lv2port::ControlPort order =
        lv2port::describeControl(tavrel_description::kParameters[tavrel_description::kOrder]);
    order.parameter = 1;
    auto owned = std::make_unique<SpyProcessor>();
    spy = owned.get();
    instance = Lv2Instance::create(std::move(owned), 1, 1, {degrees, order}, 48000.0);
    instance->connect(0, in.data());
    instance->connect(1, out.data());
    instance->connect(2, &ports[0]);
    instance->connect(3, &ports[1]);
  }
  std::vector<std::pair<VstInt32, float>> runAndTakeChanges() {
    spy->changes.clear();
    instance->run(static_cast<uint32_t>(in.size()));
    return spy->changes;
  }
  std::vector<float> in = std::vector<float>(8, 1.0f), out = std::vector<float>(8, -1.0f);
  float ports[2] = {90.0f, 2.0f};
  SpyProcessor* spy = nullptr;
  std::unique_ptr<Lv2Instance> instance;
};

using Changes = std::vector<std::pair<VstInt32, float>>;

TEST(Lv2Instance, SendsEachControlOnceAndOnlyWhenItChanges) {
  Fixture f;
  EXPECT_EQ(f.runAndTakeChanges(), (Changes{{0, 0.25f}, {1, 0.4f}}));
  EXPECT_EQ(f.runAndTakeChanges(), Changes{});
  f.ports[1] = 5.0f;
  EXPECT_EQ(f.runAndTakeChanges(), (Changes{{1, 1.0f}}));
  EXPECT_EQ(f.spy->blocks, 3);
}

TEST(Lv2Instance, NonFiniteValuesAreIgnoredAndTheNextGoodOneApplies) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (const float bad : {nan, inf, -inf}) {
    Fixture f;
    f.runAndTakeChanges();
    f.ports[0] = bad;
    EXPECT_EQ(f.runAndTakeChanges(), Changes{}) << bad;
    EXPECT_EQ(f.runAndTakeChanges(), Changes{}) << bad;
    // The processor kept its value: the output still follows 90 degrees.
    EXPECT_FLOAT_EQ(f.out[0], 0.25f);
    f.ports[0] = 180.0f;
    EXPECT_EQ(f.runAndTakeChanges(), (Changes{{0, 0.5f}})) << bad;
  }
}

TEST(Lv2Instance, OutOfRangeValuesAreClampedAndIntegerPortsRounded) {
  const struct {
    float angle, order;
    float expectedAngle, expectedOrder;
  } cases[] = {
      {-30.0f, -1.0f, 0.0f, 0.0f}, {400.0f, 9.0f, 1.0f, 1.0f},  {360.0f, 2.4f, 1.0f, 0.4f},
      {45.0f, 2.6f, 0.125f, 0.6f}, {90.0f, 2.49f, 0.25f, 0.6f},  // whole numbers switch 0.49 above
                                                                 // the last, as the processor does
  };
  for (const auto& c : cases) {
    Fixture f;
    f.ports[0] = c.angle;
    f.ports[1] = c.order;
    EXPECT_EQ(f.runAndTakeChanges(), (Changes{{0, c.expectedAngle}, {1, c.expectedOrder}}))
        << c.angle << " " << c.order;
  }
}

TEST(Lv2Instance, ProcessesTheConnectedBuffersInPlaceToo) {
  Fixture f;
  f.instance->run(8);
  for (float s : f.out) EXPECT_FLOAT_EQ(s, 0.25f);  // 90 degrees of 360
  // The host may hand the same buffer for input and output.
  std::vector<float> shared(5, 2.0f);
  f.instance->connect(0, shared.data());
  f.instance->connect(1, shared.data());
  f.instance->run(5);
  for (float s : shared) EXPECT_FLOAT_EQ(s, 0.5f);
}

TEST(Lv2Instance, DoesNothingWhileAnAudioPortIsUnconnected) {
  Fixture f;
  f.instance->connect(1, nullptr);
  f.instance->run(8);
  EXPECT_EQ(f.spy->blocks, 0);
  EXPECT_EQ(f.out[0], -1.0f);
}

TEST(Lv2Instance, RefusesMissingProcessorsAndTooManyPins) {
  EXPECT_EQ(Lv2Instance::create(nullptr, 4, 2, {}, 44100.0), nullptr);
  EXPECT_EQ(Lv2Instance::create(std::make_unique<SpyProcessor>(), 5, 2, {}, 44100.0), nullptr);
}

}  // namespace
