// The straightforward per-sample recurrences of both plug-ins' signal paths,
// kept beside the benchmarks as the yardstick the plug-ins' loops are timed
// against: the smoothed coefficients live in the state and glide every sample.
#pragma once

struct PlainPelrin {
  double azimuth = 0.0, elevation = 0.0, angle = 0.0, pattern = 0.0;
  double old[7] = {1.0, 1.0, 1.0, 0.0, 1.0, 1.0, 0.0};
  double newW = 0.0, newX = 0.0, newY = 0.0, newZ = 0.0;
  void set(const float parameter[4]);
  void processReplacing(float** inputs, float** outputs, int frames);
};

struct PlainTavrel {
  double angle[3] = {0.0, 0.0, 0.0};
  float order = 0.0f;
  double sineOld[3] = {1.0, 1.0, 1.0};  // rotate, tilt, tumble
  double cosineOld[3] = {0.0, 0.0, 0.0};
  void set(const float parameter[4]);
  void processReplacing(float** inputs, float** outputs, int frames);
};

// The latency bound of a gliding block: only the per-sample glide chains
// (six for Tavrel, seven for Pelrin), kept in registers, with no audio at all.
void glideChainsOnly(double* values, const double* targets, int chains, int frames);
