#include "glide_bound.h"

namespace {
constexpr double kKeep = 0.999;
const double kTake = 1.0 - kKeep;

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
