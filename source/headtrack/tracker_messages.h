// What head trackers send over OSC, decoded into one orientation.
//
// A dialect is recognised by the last segment of the address, so any prefix
// works ("/ypr", "/scene/ypr" and "/a/b/ypr" are the same dialect). Each
// accepted message updates the held orientation; anything else is dropped
// with a reason and counted.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "orientation.h"

namespace oxel::headtrack {

enum class Dialect : uint8_t {
  None,
  YawPitchRoll,
  Quaternion,
  Yaw,
  Pitch,
  Roll,
  Rotation,
  HeadPose,
  ListenerYawPitchRoll,
};
constexpr int kDialectCount = 9;

struct DialectInfo {
  Dialect dialect;
  const char* address;    // the last segment, or a whole address when it starts with '/'
  const char* arguments;  // as the tracker sends them, for help texts
  int count;              // how many numbers
};
// One row per dialect; "quaternion" and "quaternions" are one dialect.
const DialectInfo* dialectTable(size_t& rows);
const char* dialectName(Dialect dialect);
// The row a message address belongs to, or nullptr.
const DialectInfo* dialectFor(std::string_view address);

enum class Drop : uint8_t {
  None,
  UnknownAddress,  // no dialect has that address
  WrongCount,      // the dialect's number of arguments differs
  WrongType,       // an argument is not a float, double or integer
  NotFinite,       // NaN or infinite
  ZeroQuaternion,  // all four components (near) zero
  Malformed,       // not an OSC message or bundle (truncated, bad padding, bad type tags)
  Oversized,       // larger than any tracker sends
  TooDeep,         // bundles nested deeper than kMaxBundleDepth
};
constexpr int kDropCount = 9;
const char* dropReason(Drop drop);
constexpr int kMaxBundleDepth = 4;
constexpr size_t kMaxPacketBytes = 8192;

// How the tracker's numbers map onto this system's convention (orientation.h).
struct TrackerOptions {
  bool radians = false;  // angles arrive in radians
  InvertAxes invert;     // negate yaw, pitch or roll (after reading, before use)
  // Argument i of a quaternion message is component order[i] (0 w, 1 x, 2 y,
  // 3 z), multiplied by sign[i].
  std::array<uint8_t, 4> quaternionOrder{0, 1, 2, 3};
  std::array<int8_t, 4> quaternionSign{1, 1, 1, 1};
};

// "w,x,y,z", "x,y,z,w", "w,-x,-y,z", ...: each of w, x, y, z once.
bool parseQuaternionOrder(std::string_view text, TrackerOptions& options, std::string& error);
std::string quaternionOrderText(const TrackerOptions& options);

struct TrackerPreset {
  const char* name;
  const char* description;
  TrackerOptions options;
};
const TrackerPreset* trackerPresets(size_t& count);
const TrackerPreset* findTrackerPreset(std::string_view name);
// "standard, compass, ..." for error messages and help.
std::string trackerPresetNames();

// The orientation a tracker has sent so far, after the options and recentring.
struct HeadOrientation {
  Quaternion rotation;              // of the head, in this system's axes
  YawPitchRoll angles;              // the same in degrees
  uint64_t messages = 0;            // accepted messages so far, 1 for the first
  Dialect dialect = Dialect::None;  // of the last accepted message
};

// The decoder of one receiver: not thread-safe, one thread feeds it.
class TrackerDecoder {
 public:
  explicit TrackerDecoder(const TrackerOptions& options = {}) : options_{options} {}

  struct PacketResult {
    int accepted = 0, dropped = 0;
    Drop lastDrop = Drop::None;
  };
  // One UDP payload: a message or a bundle of them.
  PacketResult packet(const void* data, size_t size);
  // The current orientation becomes straight ahead, from the next message on
  // (and for the held orientation at once).
  void recentre();

  const HeadOrientation& current() const { return current_; }
  const TrackerOptions& options() const { return options_; }

 private:
  void bundle(const unsigned char* data, size_t size, int depth, PacketResult& result);
  void message(const unsigned char* data, size_t size, PacketResult& result);
  Drop apply(const DialectInfo& row, const double* values);
  void publish(Dialect dialect);

  TrackerOptions options_;
  YawPitchRoll held_;       // the tracker's own angles, after units and inversion
  Quaternion raw_;          // the same as a rotation
  Quaternion reference_{};  // straight ahead (the inverse is applied)
  HeadOrientation current_;
};

}  // namespace oxel::headtrack
