#include "orientation.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace oxel {

namespace {

constexpr double kRadians = std::numbers::pi / 180.0;

}  // namespace

Quaternion multiply(const Quaternion& a, const Quaternion& b) {
  return {
      a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z, a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
      a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x, a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quaternion normalised(Quaternion q) {
  const double n = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  return {q.w / n, q.x / n, q.y / n, q.z / n};
}

Quaternion quaternionFrom(const YawPitchRoll& a) {
  const double y = a.yaw * kRadians / 2, p = a.pitch * kRadians / 2, r = a.roll * kRadians / 2;
  const Quaternion yaw{std::cos(y), 0.0, 0.0, std::sin(y)};
  const Quaternion pitch{std::cos(p), 0.0, -std::sin(p),
                         0.0};  // front up: a negative turn about +Y
  const Quaternion roll{std::cos(r), std::sin(r), 0.0, 0.0};
  return multiply(multiply(yaw, pitch), roll);
}

Matrix3 rotationMatrix(const Quaternion& in) {
  const Quaternion q = normalised(in);
  const double w = q.w, x = q.x, y = q.y, z = q.z;
  return {{{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
           {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
           {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}}};
}

YawPitchRoll yawPitchRollFrom(const Quaternion& q) {
  // R = Yaw * Pitch * Roll has R[2][0] = sin pitch, R[2][1] = cos pitch sin roll,
  // R[2][2] = cos pitch cos roll, R[1][0] / R[0][0] = tan yaw.
  const Matrix3 m = rotationMatrix(q);
  YawPitchRoll a;
  const double sinPitch = std::clamp(m[2][0], -1.0, 1.0);
  a.pitch = std::asin(sinPitch) / kRadians;
  if (std::abs(sinPitch) < 0.9999999) {
    a.roll = std::atan2(m[2][1], m[2][2]) / kRadians;
    a.yaw = std::atan2(m[1][0], m[0][0]) / kRadians;
  } else {
    // Straight up or down: yaw and roll turn about the same axis; put it all in yaw.
    a.roll = 0.0;
    a.yaw = std::atan2(-m[0][1], m[1][1]) / kRadians;
  }
  return a;
}

Quaternion slerp(const Quaternion& a, Quaternion b, double t) {
  double dot = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
  if (dot < 0.0) {  // the shorter way round
    b = {-b.w, -b.x, -b.y, -b.z};
    dot = -dot;
  }
  if (dot > 0.9995) {
    return normalised({a.w + t * (b.w - a.w), a.x + t * (b.x - a.x), a.y + t * (b.y - a.y),
                       a.z + t * (b.z - a.z)});
  }
  const double theta = std::acos(dot);
  const double sa = std::sin((1 - t) * theta) / std::sin(theta);
  const double sb = std::sin(t * theta) / std::sin(theta);
  return {sa * a.w + sb * b.w, sa * a.x + sb * b.x, sa * a.y + sb * b.y, sa * a.z + sb * b.z};
}

float tavrelAngleValue(double degrees) {
  // Tavrel turns by -360 v degrees: v = -degrees / 360, wrapped into [0, 1).
  double v = -degrees / 360.0;
  v -= std::floor(v);
  const float value = static_cast<float>(v);
  return value >= 1.0f ? 0.0f : value;
}

FieldRotationSettings fieldRotationFor(const YawPitchRoll& a, TrajectoryMode mode) {
  // Order k is shown for values from (k - 0.51) / 5 on: k / 5 sits inside its step.
  if (mode == TrajectoryMode::Scene)
    return {tavrelAngleValue(a.roll), tavrelAngleValue(a.pitch), tavrelAngleValue(a.yaw), 0.6f};
  return {tavrelAngleValue(-a.yaw), tavrelAngleValue(-a.pitch), tavrelAngleValue(-a.roll), 0.2f};
}

}  // namespace oxel
