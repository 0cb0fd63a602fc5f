// The receiver on a real loopback socket: packets sent to 127.0.0.1 reach the
// reader's slot, drops are counted by reason, a port in use is refused with a
// clear error, and the slot never hands a torn value across threads.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "head_tracker.h"
#include "osc_bytes.h"

namespace {

using namespace osc_bytes;
using oxel::headtrack::Drop;
using oxel::headtrack::HeadOrientation;
using oxel::headtrack::HeadTracker;

void sendToLoopback(int port, const Bytes& packet) {
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  ASSERT_GE(s, 0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::sendto(s, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  ::close(s);
}

// Waits (bounded) until the tracker has seen `messages` messages and drops in all.
bool waitForCounts(const HeadTracker& tracker, uint64_t messages) {
  for (int i = 0; i < 400; ++i) {
    if (tracker.accepted() + tracker.dropped() >= messages) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

TEST(HeadTracker, PacketsOnLoopbackReachTheReader) {
  HeadTracker tracker;
  std::string error;
  ASSERT_TRUE(tracker.start("127.0.0.1", 0, error)) << error;
  ASSERT_GT(tracker.port(), 0);
  HeadOrientation latest;
  EXPECT_FALSE(tracker.latest(latest));  // nothing sent yet

  sendToLoopback(tracker.port(), message("/ypr", {f(40), f(0), f(0)}));
  sendToLoopback(tracker.port(), message("/ypr", {f(1), f(2)}));
  sendToLoopback(tracker.port(), Bytes(oxel::headtrack::kMaxPacketBytes + 100, 0));
  sendToLoopback(tracker.port(), message("/ypr", {f(-60), f(10), f(0)}));
  ASSERT_TRUE(waitForCounts(tracker, 4));
  EXPECT_EQ(tracker.accepted(), 2u);
  EXPECT_EQ(tracker.dropped(), 2u);
  EXPECT_EQ(tracker.dropped(Drop::WrongCount), 1u);
  EXPECT_EQ(tracker.dropped(Drop::Oversized), 1u);
  ASSERT_TRUE(tracker.latest(latest));
  EXPECT_EQ(latest.messages, 2u);  // only the newest is handed over
  EXPECT_NEAR(latest.angles.yaw, -60, 1e-5);
  EXPECT_NEAR(latest.angles.pitch, 10, 1e-5);
  EXPECT_FALSE(tracker.latest(latest));

  // Recentre takes effect with the next message.
  tracker.recentre();
  sendToLoopback(tracker.port(), message("/ypr", {f(-60), f(10), f(0)}));
  ASSERT_TRUE(waitForCounts(tracker, 5));
  ASSERT_TRUE(tracker.latest(latest));
  EXPECT_NEAR(latest.angles.yaw, 0, 1e-5);
  EXPECT_NEAR(latest.angles.pitch, 0, 1e-5);
  tracker.stop();
  EXPECT_FALSE(tracker.running());
}

TEST(HeadTracker, RefusesAPortInUseAndBadAddresses) {
  HeadTracker first;
  std::string error;
  ASSERT_TRUE(first.start("127.0.0.1", 0, error)) << error;
  HeadTracker second;
  EXPECT_FALSE(second.start("127.0.0.1", first.port(), error));
  EXPECT_EQ(second.lastStartError(), HeadTracker::StartError::AddressInUse);
  EXPECT_NE(error.find("in use"), std::string::npos) << error;
  EXPECT_FALSE(second.running());
  for (const char* address : {"localhost:9000", "300.1.1.1", ""}) {
    EXPECT_FALSE(second.start(address, 9000, error)) << address;
    EXPECT_EQ(second.lastStartError(), HeadTracker::StartError::BadAddress);
  }
  EXPECT_FALSE(second.start("127.0.0.1", 70000, error));
  // Once the first lets go, the port is free again.
  const int port = first.port();
  first.stop();
  EXPECT_TRUE(second.start("127.0.0.1", port, error)) << error;
}

struct Stamp {
  uint64_t sequence;
  double copies[6];
};

TEST(LatestValue, TheReaderSeesWholeValuesInOrder) {
  oxel::headtrack::LatestValue<Stamp> slot;
  constexpr uint64_t kCount = 200000;
  std::thread writer{[&slot] {
    for (uint64_t n = 1; n <= kCount; ++n) {
      Stamp s{n, {}};
      for (double& c : s.copies) c = static_cast<double>(n);
      slot.publish(s);
    }
  }};
  uint64_t last = 0, reads = 0;
  Stamp s{};
  while (last < kCount) {
    if (!slot.read(s)) continue;
    ++reads;
    ASSERT_GT(s.sequence, last);
    for (double c : s.copies) ASSERT_EQ(c, static_cast<double>(s.sequence));
    last = s.sequence;
  }
  writer.join();
  EXPECT_GT(reads, 0u);
  EXPECT_FALSE(slot.read(s));
}

}  // namespace
