// Tracker packets, byte for byte, through the decoder and then through Tavrel:
// each dialect and option lands a front, a left and an up source where the
// head's counter-rotation puts them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <numbers>

#include "Tavrel.h"
#include "osc_bytes.h"
#include "tracker_messages.h"

namespace {

using namespace osc_bytes;
using oxel::YawPitchRoll;
using oxel::headtrack::Dialect;
using oxel::headtrack::Drop;
using oxel::headtrack::TrackerDecoder;
using oxel::headtrack::TrackerOptions;
using Vec = std::array<double, 3>;

// The turns as the conventions describe them (degrees).
Vec yawTurn(const Vec& v, double a) {  // front (X) towards left (Y)
  const double c = std::cos(a * std::numbers::pi / 180), s = std::sin(a * std::numbers::pi / 180);
  return {c * v[0] - s * v[1], s * v[0] + c * v[1], v[2]};
}
Vec pitchTurn(const Vec& v, double a) {  // front (X) towards up (Z)
  const double c = std::cos(a * std::numbers::pi / 180), s = std::sin(a * std::numbers::pi / 180);
  return {c * v[0] - s * v[2], v[1], s * v[0] + c * v[2]};
}
Vec rollTurn(const Vec& v, double a) {  // left (Y) towards up (Z)
  const double c = std::cos(a * std::numbers::pi / 180), s = std::sin(a * std::numbers::pi / 180);
  return {v[0], c * v[1] - s * v[2], s * v[1] + c * v[2]};
}
// Where a source ends up when the head turned by yaw, pitch, roll: R^-1 v.
Vec counterTurn(const Vec& v, const YawPitchRoll& a) {
  return rollTurn(pitchTurn(yawTurn(v, -a.yaw), -a.pitch), -a.roll);
}

// A plane wave from `from` through a fresh Tavrel set for the head orientation.
Vec throughTavrel(const YawPitchRoll& head, const Vec& from) {
  Tavrel tavrel{nullptr};
  const oxel::FieldRotationSettings s = oxel::fieldRotationFor(head, oxel::TrajectoryMode::Head);
  const float values[4] = {s.angle1, s.angle2, s.angle3, s.order};
  for (int p = 0; p < 4; ++p) tavrel.setParameter(p, values[p]);
  constexpr int kFrames = 32;
  float in[4][kFrames], out[4][kFrames];
  const float channel[4] = {0.5f, static_cast<float>(from[0]), static_cast<float>(from[1]),
                            static_cast<float>(from[2])};
  for (int c = 0; c < 4; ++c)
    for (int i = 0; i < kFrames; ++i) in[c][i] = channel[c];
  float* inputs[4] = {in[0], in[1], in[2], in[3]};
  float* outputs[4] = {out[0], out[1], out[2], out[3]};
  tavrel.processReplacing(inputs, outputs, kFrames);
  return {out[1][kFrames - 1], out[2][kFrames - 1], out[3][kFrames - 1]};
}

TrackerOptions withOrder(const char* order) {
  TrackerOptions options;
  std::string error;
  EXPECT_TRUE(oxel::headtrack::parseQuaternionOrder(order, options, error)) << error;
  return options;
}

TEST(TrackerDialects, EachPacketTurnsTheFieldAsTheHeadDid) {
  const double half = std::sqrt(0.5);
  TrackerOptions radians;
  radians.radians = true;
  TrackerOptions invertYaw;
  invertYaw.invert.yaw = true;
  TrackerOptions invertPitchRoll;
  invertPitchRoll.invert.pitch = invertPitchRoll.invert.roll = true;
  const struct {
    const char* what;
    Bytes packet;
    TrackerOptions options;
    Dialect dialect;
    YawPitchRoll head;
  } cases[] = {
      {"ypr", message("/ypr", {f(30), f(-20), f(10)}), {}, Dialect::YawPitchRoll, {30, -20, 10}},
      {"ypr under a prefix, doubles",
       message("/SceneRotator/ypr", {d(-120), d(45), d(0)}),
       {},
       Dialect::YawPitchRoll,
       {-120, 45, 0}},
      {"ypr as integers",
       message("/foo/ypr", {i(90), h(0), i(-30)}),
       {},
       Dialect::YawPitchRoll,
       {90, 0, -30}},
      {"adm listener",
       message("/adm/lis/ypr", {f(15), f(25), f(35)}),
       {},
       Dialect::ListenerYawPitchRoll,
       {15, 25, 35}},
      {"quaternion: quarter turn left",
       message("/head/quaternion", {f(half), f(0), f(0), f(half)}),
       {},
       Dialect::Quaternion,
       {90, 0, 0}},
      {"quaternions: pitch up 90",
       message("/quaternions", {d(half), d(0), d(-half), d(0)}),
       {},
       Dialect::Quaternion,
       {0, 90, 0}},
      {"quaternion unnormalised",
       message("/quaternion", {f(2), f(2), f(0), f(0)}),
       {},
       Dialect::Quaternion,
       {0, 0, 90}},
      {"quaternion x,y,z,w",
       message("/quaternion", {f(0), f(0), f(half), f(half)}),
       withOrder("x,y,z,w"),
       Dialect::Quaternion,
       {90, 0, 0}},
      {"quaternion with y and z negated",
       message("/quaternion", {f(half), f(0), f(0), f(half)}),
       withOrder("w,x,-y,-z"),
       Dialect::Quaternion,
       {-90, 0, 0}},
      {"yaw alone", message("/yaw", {f(-45)}), {}, Dialect::Yaw, {-45, 0, 0}},
      {"pitch alone", message("/t/pitch", {f(30)}), {}, Dialect::Pitch, {0, 30, 0}},
      {"roll alone", message("/roll", {i(60)}), {}, Dialect::Roll, {0, 0, 60}},
      {"rotation takes pitch first",
       message("/rotation", {f(10), f(40), f(-20)}),
       {},
       Dialect::Rotation,
       {40, 10, -20}},
      {"head pose, position ignored",
       message("/head_pose", {i(1), f(5), f(-3), f(2), f(-15), f(70), f(5)}),
       {},
       Dialect::HeadPose,
       {70, -15, 5}},
      {"radians",
       message("/ypr", {f(std::numbers::pi / 2), f(0), f(-std::numbers::pi / 6)}),
       radians,
       Dialect::YawPitchRoll,
       {90, 0, -30}},
      {"yaw inverted",
       message("/ypr", {f(30), f(20), f(10)}),
       invertYaw,
       Dialect::YawPitchRoll,
       {-30, 20, 10}},
      {"pitch and roll inverted",
       message("/ypr", {f(30), f(20), f(10)}),
       invertPitchRoll,
       Dialect::YawPitchRoll,
       {30, -20, -10}},
      {"inverted yaw on a quaternion",
       message("/quaternion", {f(half), f(0), f(0), f(half)}),
       invertYaw,
       Dialect::Quaternion,
       {-90, 0, 0}},
      {"compass preset",
       message("/ypr", {f(90), f(0), f(0)}),
       oxel::headtrack::findTrackerPreset("compass")->options,
       Dialect::YawPitchRoll,
       {-90, 0, 0}},
  };
  const Vec sources[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TrackerDecoder decoder{c.options};
    const TrackerDecoder::PacketResult result = decoder.packet(c.packet.data(), c.packet.size());
    ASSERT_EQ(result.accepted, 1) << oxel::headtrack::dropReason(result.lastDrop);
    EXPECT_EQ(decoder.current().dialect, c.dialect);
    const YawPitchRoll got = decoder.current().angles;
    EXPECT_NEAR(got.yaw, c.head.yaw, 1e-4);
    EXPECT_NEAR(got.pitch, c.head.pitch, 1e-4);
    EXPECT_NEAR(got.roll, c.head.roll, 1e-4);
    for (const Vec& source : sources) {
      const Vec expected = counterTurn(source, c.head);
      const Vec heard = throughTavrel(got, source);
      for (int axis = 0; axis < 3; ++axis)
        EXPECT_NEAR(heard[axis], expected[axis], 1e-5)
            << "source " << source[0] << source[1] << source[2] << " axis " << axis;
    }
  }
}

TEST(TrackerDialects, SingleAxesAccumulateAndRecentreMakesStraightAhead) {
  TrackerDecoder decoder;
  const Bytes packets[] = {message("/yaw", {f(30)}), message("/pitch", {f(10)}),
                           message("/roll", {f(-5)})};
  for (const Bytes& p : packets) decoder.packet(p.data(), p.size());
  EXPECT_NEAR(decoder.current().angles.yaw, 30, 1e-9);
  EXPECT_NEAR(decoder.current().angles.pitch, 10, 1e-9);
  EXPECT_NEAR(decoder.current().angles.roll, -5, 1e-9);
  EXPECT_EQ(decoder.current().messages, 3u);

  const Bytes turned = message("/ypr", {f(30), f(0), f(0)});
  decoder.packet(turned.data(), turned.size());
  decoder.recentre();
  decoder.packet(turned.data(), turned.size());
  EXPECT_NEAR(decoder.current().angles.yaw, 0, 1e-9);
  // A further turn counts from the new straight ahead.
  const Bytes further = message("/ypr", {f(75), f(0), f(0)});
  decoder.packet(further.data(), further.size());
  EXPECT_NEAR(decoder.current().angles.yaw, 45, 1e-5);
  EXPECT_NEAR(decoder.current().angles.pitch, 0, 1e-9);
}

TEST(TrackerDialects, BundlesCarrySeveralMessages) {
  TrackerDecoder decoder;
  const Bytes packet = bundle({message("/yaw", {f(20)}), bundle({message("/pitch", {f(-10)})}),
                               message("/battery", {f(0.5)})});
  const TrackerDecoder::PacketResult result = decoder.packet(packet.data(), packet.size());
  EXPECT_EQ(result.accepted, 2);
  EXPECT_EQ(result.dropped, 1);
  EXPECT_EQ(result.lastDrop, Drop::UnknownAddress);
  EXPECT_NEAR(decoder.current().angles.yaw, 20, 1e-9);
  EXPECT_NEAR(decoder.current().angles.pitch, -10, 1e-9);
}

Bytes nested(int depth) {
  Bytes packet = message("/yaw", {f(10)});
  for (int i = 0; i < depth; ++i) packet = bundle({packet});
  return packet;
}

TEST(TrackerJunk, EveryMalformedPacketIsDroppedWithItsReason) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  Bytes badPadding = message("/ypr", {f(1), f(2), f(3)});
  badPadding[5] = 'x';  // the address's padding is not zeros
  Bytes badBundleLength = bundle({message("/yaw", {f(1)})});
  badBundleLength[19] = 200;
  Bytes noTypeTags;
  padded(noTypeTags, "/yaw");
  be32(noTypeTags, 0x41200000u);
  const struct {
    const char* what;
    Bytes packet;
    Drop why;
  } cases[] = {
      {"unknown address", message("/battery", {f(1)}), Drop::UnknownAddress},
      {"address that only starts like a dialect", message("/yprx", {f(1), f(2), f(3)}),
       Drop::UnknownAddress},
      {"too few", message("/ypr", {f(1), f(2)}), Drop::WrongCount},
      {"too many", message("/yaw", {f(1), f(2)}), Drop::WrongCount},
      {"no arguments", message("/quaternion", {}), Drop::WrongCount},
      {"a string", message("/ypr", {f(1), s("up"), f(3)}), Drop::WrongType},
      {"NaN", message("/ypr", {f(1), f(nan), f(3)}), Drop::NotFinite},
      {"infinite double", message("/roll", {d(-inf)}), Drop::NotFinite},
      {"zero quaternion", message("/quaternion", {f(0), f(0), f(0), f(0)}), Drop::ZeroQuaternion},
      {"empty", {}, Drop::Malformed},
      {"not OSC", {'h', 'e', 'l', 'l', 'o', 0, 0, 0}, Drop::Malformed},
      {"bad padding", badPadding, Drop::Malformed},
      {"no type tags", noTypeTags, Drop::Malformed},
      {"bundle element longer than the bundle", badBundleLength, Drop::Malformed},
      {"bundle without time tag", {'#', 'b', 'u', 'n', 'd', 'l', 'e', 0}, Drop::Malformed},
      {"oversized", Bytes(oxel::headtrack::kMaxPacketBytes + 4, 0), Drop::Oversized},
      {"bundles nested too deep", nested(oxel::headtrack::kMaxBundleDepth + 1), Drop::TooDeep},
      {"bundles nested a thousand deep", nested(1000), Drop::Oversized},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TrackerDecoder decoder;
    const TrackerDecoder::PacketResult result = decoder.packet(c.packet.data(), c.packet.size());
    EXPECT_EQ(result.accepted, 0);
    EXPECT_EQ(result.dropped, 1);
    EXPECT_EQ(result.lastDrop, c.why) << oxel::headtrack::dropReason(result.lastDrop);
    EXPECT_EQ(decoder.current().messages, 0u);
  }
  // Still accepted at the deepest nesting allowed.
  TrackerDecoder decoder;
  const Bytes deepest = nested(oxel::headtrack::kMaxBundleDepth - 1);
  EXPECT_EQ(decoder.packet(deepest.data(), deepest.size()).accepted, 1);
}

TEST(TrackerJunk, EveryTruncationOfAValidPacketIsDropped) {
  const Bytes valid[] = {message("/ypr", {f(1), d(2), i(3)}),
                         bundle({message("/quaternion", {f(1), f(0), f(0), f(0)})})};
  for (const Bytes& packet : valid) {
    for (size_t size = 0; size < packet.size(); ++size) {
      TrackerDecoder decoder;
      const TrackerDecoder::PacketResult result = decoder.packet(packet.data(), size);
      EXPECT_EQ(result.accepted, 0) << "cut at " << size;
      EXPECT_EQ(decoder.current().messages, 0u) << "cut at " << size;
    }
  }
}

TEST(TrackerOptionsText, QuaternionOrdersParseOrSayWhy) {
  const struct {
    const char* text;
    bool ok;
    const char* canonical;
  } cases[] = {
      {"w,x,y,z", true, "w,x,y,z"}, {"x,y,z,w", true, "x,y,z,w"}, {"w,-x,+y,-z", true, "w,-x,y,-z"},
      {"w,x,y", false, ""},         {"w,x,y,y", false, ""},       {"w,x,y,z,w", false, ""},
      {"wxyz", false, ""},          {"w,x,y,q", false, ""},       {"", false, ""},
  };
  for (const auto& c : cases) {
    TrackerOptions options;
    std::string error;
    EXPECT_EQ(oxel::headtrack::parseQuaternionOrder(c.text, options, error), c.ok) << c.text;
    if (c.ok)
      EXPECT_EQ(oxel::headtrack::quaternionOrderText(options), c.canonical);
    else
      EXPECT_NE(error.find("w, x, y and z once each"), std::string::npos) << error;
  }
}

}  // namespace
