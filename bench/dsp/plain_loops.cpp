#include "plain_loops.h"

#include <cmath>
#include <numbers>

namespace {
constexpr double kKeep = 0.999;
const double kTake = 1.0 - kKeep;
constexpr double kTiny = 1e-20;
}  // namespace

void PlainPelrin::set(const float parameter[4]) {
  azimuth = parameter[0] * (2.0 * std::numbers::pi);
  elevation = (parameter[1] - 0.25) * (2.0 * std::numbers::pi);
  angle = parameter[2] * std::numbers::pi;
  pattern = parameter[3];
}

void PlainPelrin::processReplacing(float** inputs, float** outputs, int frames) {
  const double zeroth = 1.0 - pattern, first = pattern * 0.707;
  const double target[7] = {zeroth,
                            std::cos(azimuth + angle) * std::cos(elevation) * first,
                            std::sin(azimuth + angle) * std::cos(elevation) * first,
                            std::sin(elevation) * first,
                            std::cos(azimuth - angle) * std::cos(elevation) * first,
                            std::sin(azimuth - angle) * std::cos(elevation) * first,
                            std::sin(elevation) * first};
  for (int i = 0; i < frames; ++i) {
    newW = old[0] * inputs[0][i] + kTiny;
    newX = inputs[1][i] + kTiny;
    newY = inputs[2][i] + kTiny;
    newZ = inputs[3][i] + kTiny;
    const float m1 = static_cast<float>(newW + old[1] * newX + old[2] * newY + old[3] * newZ);
    const float m2 = static_cast<float>(newW + old[4] * newX + old[5] * newY + old[6] * newZ);
    outputs[0][i] = static_cast<float>(m1 + kTiny);
    outputs[1][i] = static_cast<float>(m2 + kTiny);
#pragma GCC unroll 8
    for (int c = 0; c < 7; ++c) old[c] = old[c] * kKeep + target[c] * kTake;
  }
}

void PlainTavrel::set(const float parameter[4]) {
  for (int k = 0; k < 3; ++k) angle[k] = -static_cast<double>(parameter[k]) * (2.0 * std::numbers::pi);
  order = parameter[3];
}

namespace {
// Straight-line formulas per order, as the signal path describes them.
template <int p0, int p1, int p2>
void rotateBlock(double* sineOld, double* cosineOld, const double* sine, const double* cosine,
                 float** inputs, float** outputs, int frames) {
  auto turn = [&](int plane, double& x, double& y, double& z) {
    const double s = sineOld[plane], c = cosineOld[plane];
    double& p = plane == 1 ? y : x;
    double& q = plane == 0 ? y : z;
    const double oldP = p, oldQ = q;
    p = (c * oldP + kTiny) - s * oldQ;
    q = (s * oldP + kTiny) + c * oldQ;
  };
  for (int i = 0; i < frames; ++i) {
    const float w = inputs[0][i];
    double x = inputs[1][i], y = inputs[2][i], z = inputs[3][i];
    turn(p0, x, y, z);
    turn(p1, x, y, z);
    turn(p2, x, y, z);
    outputs[0][i] = w;
    outputs[1][i] = static_cast<float>(x);
    outputs[2][i] = static_cast<float>(y);
    outputs[3][i] = static_cast<float>(z);
#pragma GCC unroll 4
    for (int plane = 0; plane < 3; ++plane) {
      sineOld[plane] = sineOld[plane] * kKeep + sine[plane] * kTake;
      cosineOld[plane] = cosineOld[plane] * kKeep + cosine[plane] * kTake;
    }
  }
}
}  // namespace

void PlainTavrel::processReplacing(float** inputs, float** outputs, int frames) {
  const float scaled = std::fma(order, 5.0f, 0.51f);
  const int o = (scaled >= 0.0f && scaled < 6.0f) ? static_cast<int>(scaled) : 0;
  static const int planes[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  double sine[3], cosine[3];
  for (int k = 0; k < 3; ++k) {
    sine[planes[o][k]] = std::sin(angle[k]) + kTiny;
    cosine[planes[o][k]] = std::cos(angle[k]) + kTiny;
  }
  switch (o) {
    case 0: rotateBlock<0, 1, 2>(sineOld, cosineOld, sine, cosine, inputs, outputs, frames); break;
    case 1: rotateBlock<0, 2, 1>(sineOld, cosineOld, sine, cosine, inputs, outputs, frames); break;
    case 2: rotateBlock<1, 0, 2>(sineOld, cosineOld, sine, cosine, inputs, outputs, frames); break;
    case 3: rotateBlock<1, 2, 0>(sineOld, cosineOld, sine, cosine, inputs, outputs, frames); break;
    case 4: rotateBlock<2, 0, 1>(sineOld, cosineOld, sine, cosine, inputs, outputs, frames); break;
    default: rotateBlock<2, 1, 0>(sineOld, cosineOld, sine, cosine, inputs, outputs, frames); break;
  }
}

namespace {
template <int chains>
void glideChains(double* values, const double* targets, int frames) {
  double v[chains], term[chains];
  for (int c = 0; c < chains; ++c) {
    v[c] = values[c];
    term[c] = targets[c] * kTake;
  }
  for (int i = 0; i < frames; ++i) {
#pragma GCC unroll 8
    for (int c = 0; c < chains; ++c) v[c] = v[c] * kKeep + term[c];
  }
  for (int c = 0; c < chains; ++c) values[c] = v[c];
}
}  // namespace

void glideChainsOnly(double* values, const double* targets, int chains, int frames) {
  if (chains == 6)
    glideChains<6>(values, targets, frames);
  else
    glideChains<7>(values, targets, frames);
}
