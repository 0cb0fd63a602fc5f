#include "tracker_messages.h"

#include <lo/lo_lowlevel.h>

#include <cmath>
#include <cstring>
#include <numbers>

namespace oxel::headtrack {

namespace {

template <typename T>
T argumentAs(const lo_arg* argument) {
  T value;
  std::memcpy(&value, argument, sizeof value);
  return value;
}

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

// Argument positions of yaw, pitch and roll (-1: not sent) per angle dialect.
struct AngleSlots {
  int yaw, pitch, roll;
};

const DialectInfo kDialects[] = {
    {Dialect::ListenerYawPitchRoll, "/adm/lis/ypr", "yaw pitch roll", 3},
    {Dialect::YawPitchRoll, "ypr", "yaw pitch roll", 3},
    {Dialect::Quaternion, "quaternion", "w x y z", 4},
    {Dialect::Quaternion, "quaternions", "w x y z", 4},
    {Dialect::Yaw, "yaw", "yaw", 1},
    {Dialect::Pitch, "pitch", "pitch", 1},
    {Dialect::Roll, "roll", "roll", 1},
    {Dialect::Rotation, "rotation", "pitch yaw roll", 3},
    {Dialect::HeadPose, "head_pose", "id x y z pitch yaw roll", 7},
};

AngleSlots slotsOf(Dialect dialect) {
  switch (dialect) {
    case Dialect::YawPitchRoll:
    case Dialect::ListenerYawPitchRoll: return {0, 1, 2};
    case Dialect::Yaw: return {0, -1, -1};
    case Dialect::Pitch: return {-1, 0, -1};
    case Dialect::Roll: return {-1, -1, 0};
    case Dialect::Rotation: return {1, 0, 2};
    case Dialect::HeadPose: return {5, 4, 6};
    default: return {-1, -1, -1};
  }
}

const TrackerPreset kPresets[] = {
    {"standard", "degrees; yaw + left, pitch + up, roll + left side up; quaternion w,x,y,z", {}},
    {"compass",
     "like standard, but yaw + turns right (a compass heading)",
     {false, {true, false, false}, {0, 1, 2, 3}, {1, 1, 1, 1}}},
    {"radians", "like standard, angles in radians", {true, {}, {0, 1, 2, 3}, {1, 1, 1, 1}}},
    {"xyzw", "like standard, quaternion sent x,y,z,w", {false, {}, {1, 2, 3, 0}, {1, 1, 1, 1}}},
    {"compass-radians",
     "yaw + turns right, angles in radians",
     {true, {true, false, false}, {0, 1, 2, 3}, {1, 1, 1, 1}}},
};

uint32_t bigEndian32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

}  // namespace

const DialectInfo* dialectTable(size_t& rows) {
  rows = std::size(kDialects);
  return kDialects;
}

const char* dialectName(Dialect dialect) {
  switch (dialect) {
    case Dialect::None: return "none";
    case Dialect::YawPitchRoll: return "ypr";
    case Dialect::Quaternion: return "quaternion";
    case Dialect::Yaw: return "yaw";
    case Dialect::Pitch: return "pitch";
    case Dialect::Roll: return "roll";
    case Dialect::Rotation: return "rotation";
    case Dialect::HeadPose: return "head_pose";
    case Dialect::ListenerYawPitchRoll: return "adm ypr";
  }
  return "none";
}

const DialectInfo* dialectFor(std::string_view address) {
  const size_t slash = address.rfind('/');
  const std::string_view last =
      slash == std::string_view::npos ? address : address.substr(slash + 1);
  for (const DialectInfo& row : kDialects) {
    if (row.address[0] == '/' ? address == row.address : last == row.address) return &row;
  }
  return nullptr;
}

const char* dropReason(Drop drop) {
  switch (drop) {
    case Drop::None: return "none";
    case Drop::UnknownAddress: return "unknown address";
    case Drop::WrongCount: return "wrong number of arguments";
    case Drop::WrongType: return "argument not a number";
    case Drop::NotFinite: return "NaN or infinite value";
    case Drop::ZeroQuaternion: return "zero quaternion";
    case Drop::Malformed: return "not an OSC message";
    case Drop::Oversized: return "packet too large";
    case Drop::TooDeep: return "bundles nested too deep";
  }
  return "none";
}

bool parseQuaternionOrder(std::string_view text, TrackerOptions& options, std::string& error) {
  TrackerOptions parsed = options;
  bool seen[4] = {};
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = text.find(',', start);
    if ((i < 3) != (comma != std::string_view::npos)) break;
    std::string_view item =
        text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
    start = comma + 1;
    int8_t sign = 1;
    if (!item.empty() && (item[0] == '-' || item[0] == '+')) {
      sign = item[0] == '-' ? -1 : 1;
      item.remove_prefix(1);
    }
    const size_t component = item.size() == 1 ? std::string_view{"wxyz"}.find(item[0]) : text.npos;
    if (component == text.npos || seen[component]) break;
    seen[component] = true;
    parsed.quaternionOrder[i] = static_cast<uint8_t>(component);
    parsed.quaternionSign[i] = sign;
    if (i == 3) {
      options = parsed;
      return true;
    }
  }
  error = "quaternion order '" + std::string{text} +
          "': expected w, x, y and z once each, comma-separated, each optionally signed "
          "(e.g. x,y,z,w or w,-x,-y,z)";
  return false;
}

std::string quaternionOrderText(const TrackerOptions& options) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    if (i) text += ',';
    if (options.quaternionSign[i] < 0) text += '-';
    text += "wxyz"[options.quaternionOrder[i]];
  }
  return text;
}

const TrackerPreset* trackerPresets(size_t& count) {
  count = std::size(kPresets);
  return kPresets;
}

const TrackerPreset* findTrackerPreset(std::string_view name) {
  for (const TrackerPreset& preset : kPresets)
    if (name == preset.name) return &preset;
  return nullptr;
}

std::string trackerPresetNames() {
  std::string names;
  for (const TrackerPreset& preset : kPresets)
    names += (names.empty() ? "" : ", ") + std::string{preset.name};
  return names;
}

TrackerDecoder::PacketResult TrackerDecoder::packet(const void* data, size_t size) {
  PacketResult result;
  const auto* bytes = static_cast<const unsigned char*>(data);
  if (size > kMaxPacketBytes) {
    result.dropped = 1;
    result.lastDrop = Drop::Oversized;
  } else if (size >= 8 && std::memcmp(bytes, "#bundle", 8) == 0) {
    bundle(bytes, size, 1, result);
  } else {
    message(bytes, size, result);
  }
  return result;
}

void TrackerDecoder::bundle(const unsigned char* data, size_t size, int depth,
                            PacketResult& result) {
  auto drop = [&result](Drop why) {
    ++result.dropped;
    result.lastDrop = why;
  };
  if (depth > kMaxBundleDepth) return drop(Drop::TooDeep);
  if (size < 16) return drop(Drop::Malformed);  // "#bundle\0" and the time tag
  size_t at = 16;
  while (at < size) {
    if (size - at < 4) return drop(Drop::Malformed);
    const uint32_t length = bigEndian32(data + at);
    at += 4;
    if (length == 0 || length % 4 != 0 || length > size - at) return drop(Drop::Malformed);
    const unsigned char* element = data + at;
    if (length >= 8 && std::memcmp(element, "#bundle", 8) == 0)
      bundle(element, length, depth + 1, result);
    else
      message(element, length, result);
    at += length;
  }
}

void TrackerDecoder::message(const unsigned char* data, size_t size, PacketResult& result) {
  auto drop = [&result](Drop why) {
    ++result.dropped;
    result.lastDrop = why;
  };
  if (size == 0 || data[0] != '/') return drop(Drop::Malformed);
  int status = 0;
  lo_message parsed = lo_message_deserialise(const_cast<unsigned char*>(data), size, &status);
  if (parsed == nullptr) return drop(Drop::Malformed);
  // The address is the first string; deserialising checked that it ends inside the data.
  const std::string_view address{reinterpret_cast<const char*>(data),
                                 strnlen(reinterpret_cast<const char*>(data), size)};
  Drop why = Drop::None;
  const DialectInfo* row = dialectFor(address);
  const int count = lo_message_get_argc(parsed);
  if (row == nullptr) {
    why = Drop::UnknownAddress;
  } else if (count != row->count) {
    why = Drop::WrongCount;
  } else {
    const char* types = lo_message_get_types(parsed);
    lo_arg** argv = lo_message_get_argv(parsed);
    double values[8] = {};
    for (int i = 0; i < count && why == Drop::None; ++i) {
      // liblo's argument pointers are only 4-byte aligned inside the packet:
      // each value is copied out rather than read through the lo_arg union.
      switch (types[i]) {
        case LO_FLOAT: values[i] = argumentAs<float>(argv[i]); break;
        case LO_DOUBLE: values[i] = argumentAs<double>(argv[i]); break;
        case LO_INT32: values[i] = argumentAs<int32_t>(argv[i]); break;
        case LO_INT64: values[i] = static_cast<double>(argumentAs<int64_t>(argv[i])); break;
        default: why = Drop::WrongType; break;
      }
      if (why == Drop::None && !std::isfinite(values[i])) why = Drop::NotFinite;
    }
    if (why == Drop::None) why = apply(*row, values);
  }
  lo_message_free(parsed);
  if (why != Drop::None) return drop(why);
  ++result.accepted;
}

Drop TrackerDecoder::apply(const DialectInfo& row, const double* values) {
  if (row.dialect == Dialect::Quaternion) {
    double q[4] = {};
    for (int i = 0; i < 4; ++i)
      q[options_.quaternionOrder[i]] = options_.quaternionSign[i] * values[i];
    const double norm = q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3];
    if (!(norm > 1e-12) || !std::isfinite(norm)) return Drop::ZeroQuaternion;
    const Quaternion sent = normalised({q[0], q[1], q[2], q[3]});
    const InvertAxes& invert = options_.invert;
    if (invert.yaw || invert.pitch || invert.roll) {
      YawPitchRoll a = yawPitchRollFrom(sent);
      if (invert.yaw) a.yaw = -a.yaw;
      if (invert.pitch) a.pitch = -a.pitch;
      if (invert.roll) a.roll = -a.roll;
      held_ = a;
      raw_ = quaternionFrom(a);
    } else {
      held_ = yawPitchRollFrom(sent);
      raw_ = sent;
    }
  } else {
    const AngleSlots slots = slotsOf(row.dialect);
    auto angle = [&](int slot, bool invert, double& target) {
      if (slot < 0) return;
      double v = options_.radians ? values[slot] * kDegreesPerRadian : values[slot];
      target = invert ? -v : v;
    };
    angle(slots.yaw, options_.invert.yaw, held_.yaw);
    angle(slots.pitch, options_.invert.pitch, held_.pitch);
    angle(slots.roll, options_.invert.roll, held_.roll);
    raw_ = quaternionFrom(held_);
  }
  publish(row.dialect);
  return Drop::None;
}

void TrackerDecoder::publish(Dialect dialect) {
  current_.rotation = normalised(multiply(conjugate(reference_), raw_));
  current_.angles = yawPitchRollFrom(current_.rotation);
  current_.dialect = dialect;
  ++current_.messages;
}

void TrackerDecoder::recentre() {
  reference_ = raw_;
  current_.rotation = Quaternion{};
  current_.angles = YawPitchRoll{};
}

}  // namespace oxel::headtrack
