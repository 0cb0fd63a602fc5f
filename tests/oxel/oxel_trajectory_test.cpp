// Trajectories: the yaw/pitch/roll conventions, checked first against a
// rotation model written here from the conventions (where each turn sends the
// unit vectors), then by rendering unit vectors through Tavrel.so itself.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

#include "oxel_test_support.h"
#include "trajectory.h"

namespace oxel_test {
namespace {

using Vec = std::array<double, 3>;

// The turns as the conventions describe them, angle in degrees.
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
Vec sceneTurn(const Vec& v, const oxel::YawPitchRoll& a) {
  return yawTurn(pitchTurn(rollTurn(v, a.roll), a.pitch), a.yaw);
}
Vec headCounterTurn(const Vec& v, const oxel::YawPitchRoll& a) {  // the inverse
  return rollTurn(pitchTurn(yawTurn(v, -a.yaw), -a.pitch), -a.roll);
}

// Tavrel as its parameters describe it: each plane turned by -360 v degrees,
// the planes in the order the order number names. Rotate is the X-Y plane,
// tilt Y-Z, tumble X-Z, each in the sense of its first axis towards its second.
Vec tavrelTurn(const Vec& v, const oxel::FieldRotationSettings& s) {
  static const int kOrders[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  const int order = static_cast<int>(s.order * 5.0f + 0.51f);
  const float values[3] = {s.angle1, s.angle2, s.angle3};
  Vec out = v;
  for (int k = 0; k < 3; ++k) {
    const double degrees = -360.0 * values[k];
    switch (kOrders[order][k]) {
      case 0: out = yawTurn(out, degrees); break;    // rotate
      case 1: out = rollTurn(out, degrees); break;   // tilt
      case 2: out = pitchTurn(out, degrees); break;  // tumble
    }
  }
  return out;
}

const oxel::YawPitchRoll kOrientations[] = {
    {90, 0, 0},  {0, 90, 0},   {0, 0, 90},    {-30, 20, 10}, {135, -45, 60},
    {10, 80, -170}, {-179, 5, 5}, {45, 45, 45}, {0, 0, 0},
};
const Vec kAxes[] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};

TEST(TrajectoryConversion, TavrelSettingsReproduceTheTurnInBothModes) {
  for (const auto& a : kOrientations) {
    for (const Vec& v : kAxes) {
      SCOPED_TRACE(::testing::Message() << "yaw " << a.yaw << " pitch " << a.pitch << " roll "
                                        << a.roll << " vector " << v[0] << v[1] << v[2]);
      const Vec scene = tavrelTurn(v, oxel::fieldRotationFor(a, oxel::TrajectoryMode::Scene));
      const Vec head = tavrelTurn(v, oxel::fieldRotationFor(a, oxel::TrajectoryMode::Head));
      const Vec wantScene = sceneTurn(v, a), wantHead = headCounterTurn(v, a);
      for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(scene[i], wantScene[i], 1e-6);
        EXPECT_NEAR(head[i], wantHead[i], 1e-6);
      }
    }
  }
}

TEST(TrajectoryConversion, QuaternionsAndAnglesAgree) {
  for (const auto& a : kOrientations) {
    const oxel::Matrix3 m = oxel::rotationMatrix(oxel::quaternionFrom(a));
    for (const Vec& v : kAxes) {
      const Vec want = sceneTurn(v, a);
      for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(m[i][0] * v[0] + m[i][1] * v[1] + m[i][2] * v[2], want[i], 1e-12);
    }
    // Back to angles: the same turn (angles may differ only where pitch is +-90).
    const oxel::YawPitchRoll back = oxel::yawPitchRollFrom(oxel::quaternionFrom(a));
    for (const Vec& v : kAxes) {
      const Vec got = sceneTurn(v, back), want = sceneTurn(v, a);
      for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-9);
    }
  }
  // A quarter turn about +Z is a yaw of 90 degrees.
  const double h = std::sqrt(0.5);
  EXPECT_NEAR(oxel::yawPitchRollFrom({h, 0, 0, h}).yaw, 90.0, 1e-9);
}

TEST(TrajectoryFile, InterpolatesHoldsAndInverts) {
  oxel::Trajectory path;
  std::string error;
  ASSERT_TRUE(path.parse("# a comment\nt,yaw,pitch,roll\n\n1,0,0,0\n3,90,0,0\n3,90,30,0\n", "p",
                         {}, error))
      << error;
  EXPECT_NEAR(path.anglesAt(0.0).yaw, 0.0, 1e-9);   // held before the first row
  EXPECT_NEAR(path.anglesAt(2.0).yaw, 45.0, 1e-9);  // halfway along the shortest arc
  EXPECT_NEAR(path.anglesAt(3.0).pitch, 30.0, 1e-9);  // a step at 3 s: the later row
  EXPECT_NEAR(path.anglesAt(9.0).pitch, 30.0, 1e-9);  // held after the last
  oxel::Trajectory inverted;
  ASSERT_TRUE(inverted.parse("t,qw,qx,qy,qz\n0,0.9238795,0,0,0.3826834\n", "q",
                             {true, false, false}, error))
      << error;
  EXPECT_NEAR(inverted.anglesAt(0.0).yaw, -45.0, 1e-5);
}

TEST(TrajectoryFile, RejectsMalformedRows) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"0,0,0\n", "p:1: expected t,yaw,pitch,roll (4 fields), got 3"},
      {"t,yaw,pitch\n", "p:1: unknown header"},
      {"0,1,0,0,0\n1,0,0,0\n", "p:2: expected t,qw,qx,qy,qz (5 fields), got 4"},
      {"0,0,0,0,0\n", "p:1: the quaternion is zero"},
      {"-1,0,0,0\n", "p:1: times must start at 0"},
      {"# nothing\n", "p: no trajectory rows"},
  };
  for (const auto& c : cases) {
    oxel::Trajectory path;
    std::string error;
    EXPECT_FALSE(path.parse(c.text, "p", {}, error)) << c.text;
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << error;
  }
}

// Through Tavrel.so: a constant unit vector, a fixed orientation, and the
// output once the plug-in's glide has settled (half a second: 0.999^24000).
TEST(TrajectoryRender, UnitVectorsTurnAsTheConventionsSay) {
  const double h = std::sqrt(0.5);
  const struct {
    const char* what;
    const char* csv;
    std::vector<std::string> options;
    Vec in, out;
  } cases[] = {
      {"yaw +90: front to left", "0,90,0,0\n", {}, {1, 0, 0}, {0, 1, 0}},
      {"yaw +90: left to back", "0,90,0,0\n", {}, {0, 1, 0}, {-1, 0, 0}},
      {"pitch +90: front to up", "0,0,90,0\n", {}, {1, 0, 0}, {0, 0, 1}},
      {"roll +90: left to up", "0,0,0,90\n", {}, {0, 1, 0}, {0, 0, 1}},
      {"yaw 90 after pitch 45", "0,90,45,0\n", {}, {1, 0, 0}, {0, h, h}},
      {"quaternion: quarter turn about up", "t,qw,qx,qy,qz\n0,0.70710678,0,0,0.70710678\n", {}, {1, 0, 0}, {0, 1, 0}},
      {"inverted yaw", "0,90,0,0\n", {"--invert", "yaw"}, {1, 0, 0}, {0, -1, 0}},
      {"head turned left: front source on the right", "0,90,0,0\n", {"--trajectory-mode", "head"}, {1, 0, 0}, {0, -1, 0}},
      {"head raised: front source below", "0,0,90,0\n", {"--trajectory-mode", "head"}, {1, 0, 0}, {0, 0, -1}},
      {"head yaw then pitch undone", "0,90,45,0\n", {"--trajectory-mode", "head"}, {0, h, h}, {1, 0, 0}},
  };
  ScratchDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::ofstream{dir / "path.csv"} << c.csv;
    writeAudio(dir / "in.wav", constant({0.25f, static_cast<float>(c.in[0]),
                                         static_cast<float>(c.in[1]), static_cast<float>(c.in[2])},
                                        24000));
    std::vector<std::string> args{"render", kTavrel, dir / "in.wav", dir / "out.wav",
                                  "--trajectory", dir / "path.csv"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const RunResult run = runOxel(args);
    ASSERT_EQ(run.status, 0) << run.err;
    const Audio out = readAudio(dir / "out.wav");
    const size_t last = out.frames() - 1;
    EXPECT_FLOAT_EQ(out.at(last, 0), 0.25f);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(out.at(last, i + 1), c.out[i], 1e-5) << "axis " << i;
  }
}

// A moving path: a yaw sweep of 90 degrees over 0.5 s, then held; the output
// follows through the plug-in and settles on the last orientation.
TEST(TrajectoryRender, MovingPathSettlesOnItsLastOrientation) {
  ScratchDir dir;
  std::ofstream{dir / "path.csv"} << "t,yaw,pitch,roll\n0,0,0,0\n0.5,90,0,0\n";
  writeAudio(dir / "in.wav", constant({0.0f, 1.0f, 0.0f, 0.0f}, 48000));
  const RunResult run = runOxel({"render", kTavrel, dir / "in.wav", dir / "out.wav",
                                 "--trajectory", dir / "path.csv", "--block", "64"});
  ASSERT_EQ(run.status, 0) << run.err;
  const Audio out = readAudio(dir / "out.wav");
  // Halfway through the sweep the source is on its way to the left, not there.
  EXPECT_GT(out.at(12000, 2), 0.2f);
  EXPECT_LT(out.at(12000, 2), 0.9f);
  EXPECT_NEAR(out.at(47999, 1), 0.0f, 1e-5f);
  EXPECT_NEAR(out.at(47999, 2), 1.0f, 1e-5f);
}

}  // namespace
}  // namespace oxel_test
