// Orientations in the axes every path and tracker uses here, and their
// conversion to Tavrel's three angles and processing order.
//
// Axes: X front, Y left, Z up (right-handed). An orientation turns the sound
// field; its yaw, pitch and roll, in degrees, are:
//   yaw   + : counter-clockwise seen from above; a source in front moves left (+Y)
//   pitch + : a source in front moves up (+Z)
//   roll  + : a source on the left moves up (+Z); the right side goes down
// applied roll first, then pitch, then yaw: R = Yaw * Pitch * Roll. A quaternion
// (qw, qx, qy, qz) is the usual right-handed rotation in the same axes (so a
// positive pitch is a negative turn about +Y).
//
// Tavrel turns the field by -360 x value degrees in each plane, in the plane's
// own sense: rotate (X towards Y) is yaw, tumble (X towards Z) is pitch, tilt
// (Y towards Z) is roll. The field is turned by R with order 3 (tilt, tumble,
// rotate: roll, pitch, yaw); head tracking turns it by R's inverse (the
// listener's head turned by R, sources stay put) with order 1 (rotate, tumble,
// tilt: -yaw, -pitch, -roll).
#pragma once

#include <array>

namespace oxel {

struct Quaternion {
  double w = 1.0, x = 0.0, y = 0.0, z = 0.0;
};

struct YawPitchRoll {
  double yaw = 0.0, pitch = 0.0, roll = 0.0;  // degrees
};

using Matrix3 = std::array<std::array<double, 3>, 3>;

Quaternion quaternionFrom(const YawPitchRoll& angles);
YawPitchRoll yawPitchRollFrom(const Quaternion& q);
Matrix3 rotationMatrix(const Quaternion& q);
Quaternion slerp(const Quaternion& a, Quaternion b, double t);
Quaternion multiply(const Quaternion& a, const Quaternion& b);
Quaternion normalised(Quaternion q);
inline Quaternion conjugate(const Quaternion& q) { return {q.w, -q.x, -q.y, -q.z}; }

enum class TrajectoryMode { Scene, Head };

// Tavrel's four normalised parameter values: Angle1, Angle2, Angle3, Order of Processing.
struct FieldRotationSettings {
  float angle1, angle2, angle3, order;
};
FieldRotationSettings fieldRotationFor(const YawPitchRoll& angles, TrajectoryMode mode);
// The normalised value that makes Tavrel turn its plane by `degrees`.
float tavrelAngleValue(double degrees);

struct InvertAxes {
  bool yaw = false, pitch = false, roll = false;
};

}  // namespace oxel
