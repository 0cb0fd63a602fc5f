// Mutated tracker packets through the receiver's decoding path: nothing
// crashes, every packet is either taken or counted as dropped, and the
// orientation handed on stays a finite rotation.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "../headtrack/osc_bytes.h"
#include "fuzz_support.h"
#include "head_tracker.h"

namespace {

using namespace osc_bytes;

TEST(TrackerPacketFuzz, MutatedPacketsAreTakenOrCounted) {
  const Bytes seeds[] = {
      message("/ypr", {f(10), f(20), f(30)}),
      message("/a/quaternion", {d(0.5), d(0.5), d(0.5), d(0.5)}),
      message("/head_pose", {i(1), f(0), f(0), f(0), f(5), f(6), f(7)}),
      message("/rotation", {h(10), i(20), f(30)}),
      bundle({message("/yaw", {f(1)}), bundle({message("/roll", {f(2)})})}),
  };
  std::mt19937_64 random{20261210};
  oxel::headtrack::HeadTracker tracker;
  oxel::headtrack::HeadOrientation latest;
  for (int round = 0; round < 100000; ++round) {
    const Bytes packet = fuzz::mutate(seeds[random() % std::size(seeds)], random);
    const uint64_t before = tracker.accepted() + tracker.dropped();
    tracker.receive(packet.data(), packet.size());
    const bool counted = tracker.accepted() + tracker.dropped() > before;
    const bool emptyBundle = packet.size() == 16;
    ASSERT_TRUE(counted || emptyBundle) << "round " << round;
    if (tracker.latest(latest)) {
      const auto& q = latest.rotation;
      const double norm = q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z;
      ASSERT_NEAR(norm, 1.0, 1e-9) << "round " << round;
      ASSERT_TRUE(std::isfinite(latest.angles.yaw + latest.angles.pitch + latest.angles.roll));
    }
  }
  EXPECT_GT(tracker.accepted(), 0u);
  EXPECT_GT(tracker.dropped(), 0u);
}

}  // namespace
