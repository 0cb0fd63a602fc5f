// The virtual stereo microphone pair: four parameters, 32 programs, B-format
// W, X, Y, Z in, two microphones out. A complete plug-in without an editor.
#pragma once

#include "BFormatEffect.h"
#include "PelrinDescription.h"
#include "Relaxed.h"

struct PelrinProgram {
  PelrinProgram();
  Relaxed<float> fAzimuth;
  Relaxed<float> fElevation;
  Relaxed<float> fAngle;
  Relaxed<float> fPattern;
  char name[24];
};

class Pelrin : public BFormatEffect<Pelrin, PelrinProgram> {
 public:
  // The parameter numbers, and each one's facts, from Pelrin's description.
  using Parameter = pelrin_description::Parameter;
  using enum pelrin_description::Parameter;
  static constexpr const auto& kParameters = pelrin_description::kParameters;
  static constexpr VstInt32 kNumPrograms = 32;
  static constexpr double kRtoD = 57.29577951308232;

  explicit Pelrin(audioMasterCallback audioMaster);

  // The values the pair is computed from: the pair's direction and elevation
  // and half the angle between the microphones in radians, and the pattern
  // (0 omni, 0.5 cardioid, 1 figure-of-eight).
  struct Derived {
    double azimuth, elevation, halfAngle, pattern;
  };
  static Derived derive(float azimuth, float elevation, float angle, float pattern);

  // What each microphone takes of W and of X, Y, Z for derived values: the
  // pattern formula the audio path glides to, and the editor's polar view
  // and tests read. Mic 1 (left) faces azimuth + halfAngle, Mic 2 (right)
  // azimuth - halfAngle, counter-clockwise from the front.
  struct PairWeights {
    double zeroth, first;
    double cosAzLeft, sinAzLeft, cosAzRight, sinAzRight, cosEl, sinEl;
    double xLeft, yLeft, zLeft, xRight, yRight, zRight;
  };
  static PairWeights pairWeights(const Derived& derived);
  // Mic 1's (mic 0) or Mic 2's (mic 1) output for a unit plane wave from
  // azimuth (counter-clockwise from the front) and elevation in radians, as
  // B-format carries it (W = 1/sqrt 2, X, Y, Z the direction's cosines).
  static double planeWaveGain(const PairWeights& weights, int mic, double azimuth,
                              double elevation);

  void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
  void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
  void getParameterDisplay(VstInt32 index, char* text) override;
  bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;
  virtual void init();

 protected:
  // The derived (radian and pattern) values from the current parameter values.
  void deriveValues();
  // Per-block step: directions and target weights from the derived values.
  void computeTargets();
  template <bool accumulate>
  void renderBlock(float** inputs, float** outputs, VstInt32 sampleFrames);

  // Derived values, written by the parameter path and read once per block by the audio path.
  Relaxed<double> dAzimuth{0.0};
  Relaxed<double> dElevation{0.25};
  Relaxed<double> dPattern{0.0};
  Relaxed<double> dAngle{0.1666666667};

  // Audio-thread state.
  double dCosAzLeft = 1.0, dCosElLeft = 1.0, dSinAzLeft = 0.0, dSinElLeft = 0.0;
  double dCosAzRight = 1.0, dCosElRight = 1.0, dSinAzRight = 0.0, dSinElRight = 0.0;
  double dZerothLevel = 1.0, dFirstLevel = 1.0;
  double dXCoeffLeft = 1.0, dYCoeffLeft = 1.0, dZCoeffLeft = 0.0;
  double dXCoeffRight = 1.0, dYCoeffRight = 1.0, dZCoeffRight = 0.0;
  double dZerothLevelOld = 1.0;
  double dXCoeffLeftOld = 1.0, dYCoeffLeftOld = 1.0, dZCoeffLeftOld = 0.0;
  double dXCoeffRightOld = 1.0, dYCoeffRightOld = 1.0, dZCoeffRightOld = 0.0;
  double newW = 0.0, newX = 0.0, newY = 0.0, newZ = 0.0;
  // Set until the first block with frames: that block's weights start at their targets.
  bool bStartSettled = true;

  // Current parameter values, as the host reads them back.
  Relaxed<float> fAzimuth{pelrin_description::defaultOf(kAzimuth)};
  Relaxed<float> fElevation{pelrin_description::defaultOf(kElevation)};
  Relaxed<float> fAngle{pelrin_description::defaultOf(kAngle)};
  Relaxed<float> fPattern{pelrin_description::defaultOf(kPattern)};

 private:
  friend class BFormatEffect<Pelrin, PelrinProgram>;
  // Where each parameter's value lives, by index.
  static const plugin_common::ParameterField<Pelrin, PelrinProgram> kFields[kNumParams];

  // The per-block step's last inputs and results: a block whose derived values
  // have the same bits as the last one's takes the results without the sines
  // and cosines. Touched by the audio thread only.
  struct TargetMemo {
    bool valid = false;
    double derived[4] = {};
    double results[16] = {};
  } targetMemo;
};
