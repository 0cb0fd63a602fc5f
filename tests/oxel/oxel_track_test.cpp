// oxel track: a tracker's packets on loopback, seen by monitor and kept by
// record; the recording plays back through render as the head moved.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>

#include "oxel_background.h"

namespace oxel_test {
namespace {

using namespace osc_bytes;

void pause(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

std::vector<std::array<double, 4>> csvRows(const std::string& text) {
  std::vector<std::array<double, 4>> rows;
  std::istringstream lines{text};
  std::string line;
  std::getline(lines, line);
  EXPECT_EQ(line, "t,yaw,pitch,roll");
  while (std::getline(lines, line)) {
    std::array<double, 4> row{};
    EXPECT_EQ(std::sscanf(line.c_str(), "%lf,%lf,%lf,%lf", &row[0], &row[1], &row[2], &row[3]), 4)
        << line;
    rows.push_back(row);
  }
  return rows;
}

TEST(OxelTrack, RecordKeepsEveryMessageAndRenderPlaysItBack) {
  ScratchDir dir;
  BackgroundOxel track{{"track", "record", dir / "head.csv", "--osc", "0", "--seconds", "1.5"}};
  const int port = track.listeningPort();
  ASSERT_GT(port, 0) << track.err();
  sendToLoopback(port, message("/ypr", {f(10), f(0), f(0)}));
  pause(30);
  sendToLoopback(port, message("/ypr", {f(1)}));  // dropped
  sendToLoopback(
      port, message("/tracker/quaternion", {f(std::sqrt(0.5)), f(0), f(0), f(std::sqrt(0.5))}));
  pause(30);
  sendToLoopback(port, message("/ypr", {f(90), f(0), f(0)}));
  ASSERT_EQ(track.wait(), 0) << track.err();
  EXPECT_NE(track.err().find("3 rows"), std::string::npos) << track.err();
  EXPECT_NE(track.err().find("1 packets dropped"), std::string::npos) << track.err();

  const auto rows = csvRows(slurp(dir / "head.csv"));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][0], 0.0);
  EXPECT_GT(rows[1][0], rows[0][0]);
  EXPECT_GE(rows[2][0], rows[1][0]);
  const double yaws[] = {10, 90, 90};
  for (size_t r = 0; r < 3; ++r) {
    EXPECT_NEAR(rows[r][1], yaws[r], 1e-5);
    EXPECT_NEAR(rows[r][2], 0, 1e-5);
    EXPECT_NEAR(rows[r][3], 0, 1e-5);
  }

  // Played back: the head ends turned 90 degrees left, so a source in front is
  // heard on the right.
  writeAudio(dir / "in.wav", constant({0.25f, 1.0f, 0.0f, 0.0f}, 24000));
  const RunResult render = runOxel({"render", kTavrel, dir / "in.wav", dir / "out.wav",
                                    "--trajectory", dir / "head.csv", "--trajectory-mode", "head"});
  ASSERT_EQ(render.status, 0) << render.err;
  const Audio out = readAudio(dir / "out.wav");
  const size_t last = out.frames() - 1;
  EXPECT_NEAR(out.at(last, 1), 0.0f, 1e-5f);
  EXPECT_NEAR(out.at(last, 2), -1.0f, 1e-5f);
}

TEST(OxelTrack, MonitorShowsDialectAnglesAndDrops) {
  BackgroundOxel track{
      {"track", "monitor", "--osc", "0", "--seconds", "1.2", "--tracker", "compass"}};
  const int port = track.listeningPort();
  ASSERT_GT(port, 0) << track.err();
  sendToLoopback(port, message("/head/rotation", {f(20), f(30), f(-5)}));
  sendToLoopback(port, message("/rotation", {f(1), s("x"), f(3)}));
  ASSERT_EQ(track.wait(), 0) << track.err();
  const std::string out = track.out();
  // compass: yaw + to the right, so 30 arrives as -30.
  EXPECT_NE(out.find("rotation"), std::string::npos) << out;
  EXPECT_NE(out.find("yaw  -30.00  pitch   20.00  roll   -5.00"), std::string::npos) << out;
  EXPECT_NE(out.find("dropped 1, last: argument not a number"), std::string::npos) << out;
}

TEST(OxelTrack, StopsCleanlyOnSigtermKeepingTheRows) {
  ScratchDir dir;
  BackgroundOxel track{{"track", "record", dir / "head.csv", "--osc", "0"}};
  const int port = track.listeningPort();
  ASSERT_GT(port, 0) << track.err();
  sendToLoopback(port, message("/yaw", {f(45)}));
  for (int i = 0; i < 200 && csvRows(slurp(dir / "head.csv")).empty(); ++i) pause(10);
  track.signal(SIGTERM);
  EXPECT_EQ(track.wait(), 143);
  const auto rows = csvRows(slurp(dir / "head.csv"));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_NEAR(rows[0][1], 45, 1e-5);
}

TEST(OxelTrack, RefusesBadCommandLinesAndBusyPorts) {
  BackgroundOxel holder{{"track", "monitor", "--osc", "0", "--seconds", "5"}};
  const int busy = holder.listeningPort();
  ASSERT_GT(busy, 0);
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{"track", "monitor"}, 2, "needs --osc PORT"},
      {{"track", "listen", "--osc", "9000"}, 2, "'listen' is not monitor or record"},
      {{"track", "record", "--osc", "9000"}, 2, "record needs OUT.csv"},
      {{"track", "monitor", "--osc", "9000", "--tracker", "sideways"},
       2,
       "unknown tracker preset 'sideways'"},
      {{"track", "monitor", "--osc", "9000", "--quaternion-order", "w,x,y"},
       2,
       "w, x, y and z once each"},
      {{"track", "monitor", "--osc", "9000", "--invert", "up"},
       2,
       "--invert needs yaw, pitch and/or roll"},
      {{"track", "monitor", "--osc", "9000", "--bind", "localhost"}, 2, "not an IPv4 address"},
      {{"track", "monitor", "--osc", std::to_string(busy)}, 1, "the port is in use"},
      {{"track", "record", "/nonexistent-dir/x.csv", "--osc", "0"}, 3, "cannot write"},
  };
  for (const auto& c : cases) {
    const RunResult run = runOxel(c.args);
    EXPECT_EQ(run.status, c.status) << c.args[1] << ": " << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  holder.signal(SIGINT);
  EXPECT_EQ(holder.wait(), 130);
}

}  // namespace
}  // namespace oxel_test
