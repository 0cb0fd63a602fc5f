// The LV2 Tavrel following a head tracker, loaded by lilv, with OSC packets
// sent to it over loopback: the output ports report what was sent after the
// preset and invert ports; a front source lands where the counter-rotation
// puts it; recentre makes the current heading straight ahead; a port in use
// shows on the status port (and is taken once it is free); instances on
// different ports are independent; tracking off hands the field back to the
// angle ports.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <map>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "lilv_host.h"
#include "osc_bytes.h"

namespace {

using lv2_test::LilvHost;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kBlock = 256;
constexpr float kOff = 0, kListening = 1, kPortInUse = 2, kReceiving = 3;  // the status port

// A UDP socket bound on 127.0.0.1; port 0 takes any free one.
struct LoopbackSocket {
  explicit LoopbackSocket(int port = 0) : fd{::socket(AF_INET, SOCK_DGRAM, 0)} {
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<uint16_t>(port));
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
    socklen_t length = sizeof where;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&where), &length);
    this->port = ntohs(where.sin_port);
  }
  ~LoopbackSocket() { close(); }
  void close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  void send(int toPort, const osc_bytes::Bytes& packet) const {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(toPort));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::sendto(fd, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
  }
  int fd;
  int port = 0;
};

int freePort() { return LoopbackSocket{}.port; }

// One Tavrel instance fed a front source (FuMa W at -3 dB, X = 1).
class TrackedTavrel {
 public:
  TrackedTavrel(LilvHost& host, int oscPort, float preset = 0.0f)
      : host_{host}, plugin_{host.plugin(lv2_test::kTavrelUri)} {
    const uint32_t numPorts = lilv_plugin_get_num_ports(plugin_);
    ports_.resize(numPorts);
    lilv_plugin_get_port_ranges_float(plugin_, nullptr, nullptr, ports_.data());
    for (float& v : ports_)
      if (std::isnan(v)) v = 0.0f;
    instance_ = lilv_plugin_instantiate(plugin_, 48000.0, nullptr);
    for (uint32_t i = 0; i < numPorts; ++i)
      lilv_instance_connect_port(instance_, i, i < 8 ? audio_[i].data() : &ports_[i]);
    for (int c = 0; c < 4; ++c) audio_[c].assign(kBlock, c == 0 ? 0.7071f : c == 1 ? 1.0f : 0.0f);
    port("head_tracking") = 1.0f;
    port("osc_port") = static_cast<float>(oscPort);
    port("tracker_preset") = preset;
    lilv_instance_activate(instance_);
  }
  ~TrackedTavrel() {
    lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
  }
  float& port(const char* symbol) { return ports_[host_.controlIndex(plugin_, symbol)]; }
  void run(size_t blocks = 1) {
    for (size_t b = 0; b < blocks; ++b) {
      for (int c = 4; c < 8; ++c) audio_[c].assign(kBlock, 0.0f);
      lilv_instance_run(instance_, kBlock);
    }
  }
  // The settled output of the front source: X, Y, Z.
  std::vector<float> front() const {
    return {audio_[5].back(), audio_[6].back(), audio_[7].back()};
  }

 private:
  LilvHost& host_;
  const LilvPlugin* plugin_;
  LilvInstance* instance_ = nullptr;
  std::vector<float> ports_;
  std::vector<std::vector<float>> audio_ =
      std::vector<std::vector<float>>(8, std::vector<float>(kBlock));
};

// Runs blocks (and calls `between`, e.g. to send a packet) until `done`, at most 5 s.
bool runUntil(
    TrackedTavrel& tavrel, const std::function<bool()>& done,
    const std::function<void()>& between = [] {}) {
  const Clock::time_point end = Clock::now() + std::chrono::seconds(5);
  while (Clock::now() < end) {
    between();
    tavrel.run();
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

bool headReads(TrackedTavrel& t, double yaw, double pitch, double roll) {
  return std::abs(t.port("head_yaw") - yaw) < 1e-3 &&
         std::abs(t.port("head_pitch") - pitch) < 1e-3 &&
         std::abs(t.port("head_roll") - roll) < 1e-3;
}

// Where a front source appears to a head turned by yaw, pitch, roll (degrees;
// yaw + left, pitch + up, roll + left side up, applied roll, pitch, yaw):
// the field turned back by the head's rotation.
std::vector<double> frontSeenBy(double yaw, double pitch, double roll) {
  const double y = yaw * std::numbers::pi / 180, p = pitch * std::numbers::pi / 180,
               r = roll * std::numbers::pi / 180;
  return {std::cos(y) * std::cos(p),
          -std::sin(y) * std::cos(r) - std::cos(y) * std::sin(p) * std::sin(r),
          std::sin(y) * std::sin(r) - std::cos(y) * std::sin(p) * std::cos(r)};
}

void expectFront(const std::vector<float>& out, const std::vector<double>& expected) {
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], expected[i], 2e-3) << "axis " << i;
}

// Stored sessions address ports by index and symbol: the four angle and
// order ports keep theirs, the tracking ports follow; Pelrin has none.
TEST(Lv2HeadTracking, TrackingPortsFollowTheControlsWithTheirKinds) {
  const struct {
    uint32_t index;
    const char* symbol;
    bool output;
    const char* property;  // a port property it must have, or null
    float minimum, maximum, defaultValue;
  } ports[] = {
      {8, "angle1", false, nullptr, 0, 360, 0},
      {11, "order_of_processing", false, LV2_CORE__enumeration, 0, 5, 0},
      {12, "head_tracking", false, LV2_CORE__toggled, 0, 1, 0},
      {13, "osc_port", false, LV2_CORE__integer, 1024, 65535, 9000},
      {14, "tracker_preset", false, LV2_CORE__enumeration, 0, 4, 0},
      {15, "invert_yaw", false, LV2_CORE__toggled, 0, 1, 0},
      {16, "invert_pitch", false, LV2_CORE__toggled, 0, 1, 0},
      {17, "invert_roll", false, LV2_CORE__toggled, 0, 1, 0},
      {18, "recentre", false, "http://lv2plug.in/ns/ext/port-props#trigger", 0, 1, 0},
      {19, "head_yaw", true, nullptr, -180, 180, NAN},
      {20, "head_pitch", true, nullptr, -90, 90, NAN},
      {21, "head_roll", true, nullptr, -180, 180, NAN},
      {22, "message_rate", true, nullptr, 0, 1000, NAN},
      {23, "tracker_status", true, LV2_CORE__enumeration, 0, 4, NAN},
  };
  LilvHost host;
  const LilvPlugin* tavrel = host.plugin(lv2_test::kTavrelUri);
  ASSERT_EQ(lilv_plugin_get_num_ports(tavrel), 24u);
  EXPECT_EQ(lilv_plugin_get_num_ports(host.plugin(lv2_test::kPelrinUri)), 10u);
  std::vector<float> minimum(24), maximum(24), defaults(24);
  lilv_plugin_get_port_ranges_float(tavrel, minimum.data(), maximum.data(), defaults.data());
  for (const auto& p : ports) {
    SCOPED_TRACE(p.symbol);
    ASSERT_EQ(host.controlIndex(tavrel, p.symbol), p.index);
    const LilvPort* port = lilv_plugin_get_port_by_index(tavrel, p.index);
    EXPECT_TRUE(lilv_port_is_a(tavrel, port, host.uri(LV2_CORE__ControlPort)));
    EXPECT_TRUE(lilv_port_is_a(tavrel, port,
                               host.uri(p.output ? LV2_CORE__OutputPort : LV2_CORE__InputPort)));
    if (p.property) {
      EXPECT_TRUE(lilv_port_has_property(tavrel, port, host.uri(p.property)));
    }
    EXPECT_EQ(minimum[p.index], p.minimum);
    EXPECT_EQ(maximum[p.index], p.maximum);
    if (!p.output) {
      EXPECT_EQ(defaults[p.index], p.defaultValue);
    }
  }
  // The status and preset ports name their values, for any host's generic UI.
  LilvScalePoints* points =
      lilv_port_get_scale_points(tavrel, lilv_plugin_get_port_by_index(tavrel, 23));
  std::map<float, std::string> labels;
  LILV_FOREACH(scale_points, i, points) {
    const LilvScalePoint* point = lilv_scale_points_get(points, i);
    labels[lilv_node_as_float(lilv_scale_point_get_value(point))] =
        lilv_node_as_string(lilv_scale_point_get_label(point));
  }
  lilv_scale_points_free(points);
  EXPECT_EQ(labels, (std::map<float, std::string>{{0, "off"},
                                                  {1, "listening"},
                                                  {2, "port in use"},
                                                  {3, "receiving"},
                                                  {4, "cannot listen"}}));
}

TEST(Lv2HeadTracking, PortsReportWhatWasSentAndTheFieldCounterTurns) {
  using osc_bytes::f;
  const double h = std::sqrt(0.5);
  const struct {
    const char* name;
    osc_bytes::Bytes packet;
    float preset;  // 0 standard, 1 compass
    bool invertYaw, invertPitch;
    double yaw, pitch, roll;  // what the ports report
  } cases[] = {
      {"ypr, yaw left", osc_bytes::message("/ypr", {f(90), f(0), f(0)}), 0, false, false, 90, 0, 0},
      {"ypr with a prefix, all three axes", osc_bytes::message("/head/ypr", {f(40), f(20), f(30)}),
       0, false, false, 40, 20, 30},
      {"quaternion, yaw left", osc_bytes::message("/quaternion", {f(h), f(0), f(0), f(h)}), 0,
       false, false, 90, 0, 0},
      {"rotation takes pitch first", osc_bytes::message("/rotation", {f(30), f(-50), f(0)}), 0,
       false, false, -50, 30, 0},
      {"invert yaw", osc_bytes::message("/ypr", {f(90), f(0), f(0)}), 0, true, false, -90, 0, 0},
      {"invert pitch", osc_bytes::message("/ypr", {f(0), f(25), f(0)}), 0, false, true, 0, -25, 0},
      {"compass preset", osc_bytes::message("/ypr", {f(60), f(0), f(0)}), 1, false, false, -60, 0,
       0},
      {"compass preset and invert yaw cancel", osc_bytes::message("/ypr", {f(60), f(0), f(0)}), 1,
       true, false, 60, 0, 0},
  };
  LoopbackSocket sender;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LilvHost host;
    const int oscPort = freePort();
    TrackedTavrel tavrel{host, oscPort, c.preset};
    tavrel.port("invert_yaw") = c.invertYaw ? 1.0f : 0.0f;
    tavrel.port("invert_pitch") = c.invertPitch ? 1.0f : 0.0f;
    ASSERT_TRUE(runUntil(tavrel, [&] { return tavrel.port("tracker_status") == kListening; }));
    ASSERT_TRUE(runUntil(
        tavrel,
        [&] {
          return headReads(tavrel, c.yaw, c.pitch, c.roll) &&
                 tavrel.port("tracker_status") == kReceiving;
        },
        [&] { sender.send(oscPort, c.packet); }));
    EXPECT_GT(tavrel.port("message_rate"), 1.0f);
    tavrel.run(200);  // past the glide
    expectFront(tavrel.front(), frontSeenBy(c.yaw, c.pitch, c.roll));
  }
}

TEST(Lv2HeadTracking, RecentreMakesTheCurrentHeadingStraightAhead) {
  LilvHost host;
  LoopbackSocket sender;
  const int oscPort = freePort();
  TrackedTavrel tavrel{host, oscPort};
  ASSERT_TRUE(runUntil(tavrel, [&] { return tavrel.port("tracker_status") == kListening; }));
  auto sendYaw = [&](float yaw) {
    return [&sender, oscPort, yaw] {
      sender.send(oscPort, osc_bytes::message(
                               "/ypr", {osc_bytes::f(yaw), osc_bytes::f(0), osc_bytes::f(0)}));
    };
  };
  ASSERT_TRUE(runUntil(
      tavrel, [&] { return headReads(tavrel, 30, 0, 0); }, sendYaw(30)));
  // A trigger: one block high, then back to rest.
  tavrel.port("recentre") = 1.0f;
  tavrel.run();
  tavrel.port("recentre") = 0.0f;
  ASSERT_TRUE(runUntil(
      tavrel, [&] { return headReads(tavrel, 0, 0, 0); }, sendYaw(30)));
  ASSERT_TRUE(runUntil(
      tavrel, [&] { return headReads(tavrel, 20, 0, 0); }, sendYaw(50)));
  tavrel.run(200);
  expectFront(tavrel.front(), frontSeenBy(20, 0, 0));
}

TEST(Lv2HeadTracking, PortInUseShowsAndInstancesOnOtherPortsCarryOn) {
  LilvHost host;
  LoopbackSocket sender;
  auto busy = std::make_unique<LoopbackSocket>();  // another program holds this port
  const int busyPort = busy->port, freeOne = freePort();
  TrackedTavrel blocked{host, busyPort}, working{host, freeOne};
  ASSERT_TRUE(runUntil(blocked, [&] { return blocked.port("tracker_status") == kPortInUse; }));
  const auto yawLeft =
      osc_bytes::message("/ypr", {osc_bytes::f(90), osc_bytes::f(0), osc_bytes::f(0)});
  ASSERT_TRUE(runUntil(
      working, [&] { return headReads(working, 90, 0, 0); },
      [&] { sender.send(freeOne, yawLeft); }));
  working.run(200);
  blocked.run(200);
  expectFront(working.front(), frontSeenBy(90, 0, 0));
  // The blocked one heard nothing: straight ahead, the source stays in front.
  EXPECT_EQ(blocked.port("tracker_status"), kPortInUse);
  EXPECT_TRUE(headReads(blocked, 0, 0, 0));
  expectFront(blocked.front(), {1, 0, 0});

  // Once the port is free, the blocked instance takes it.
  busy.reset();
  ASSERT_TRUE(runUntil(blocked, [&] { return blocked.port("tracker_status") == kListening; }));
  ASSERT_TRUE(runUntil(
      blocked, [&] { return headReads(blocked, 90, 0, 0); },
      [&] { sender.send(busyPort, yawLeft); }));

  // Tracking off: the angle ports rule again (all at 0 here), the outputs rest.
  working.port("head_tracking") = 0.0f;
  working.run(200);
  EXPECT_EQ(working.port("tracker_status"), kOff);
  EXPECT_TRUE(headReads(working, 0, 0, 0));
  EXPECT_EQ(working.port("message_rate"), 0.0f);
  expectFront(working.front(), {1, 0, 0});
}

}  // namespace
