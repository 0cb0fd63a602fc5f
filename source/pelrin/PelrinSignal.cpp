// The audio path: direction and pattern become target weights once per block;
// per sample the weights in use glide a thousandth of the way to their targets.
#include <cmath>

#include "Pelrin.h"
#include "smoothing.h"

void Pelrin::computeTargets() {
  const double azimuth = dAzimuth, elevation = dElevation, angle = dAngle, pattern = dPattern;
  dZerothLevel = 1.0 - pattern;
  dFirstLevel = pattern * 0.707;
  dCosAzLeft = std::cos(azimuth + angle);
  dSinAzLeft = std::sin(azimuth + angle);
  dCosElLeft = std::cos(elevation);
  dSinElLeft = std::sin(elevation);
  dCosAzRight = std::cos(azimuth - angle);
  dSinAzRight = std::sin(azimuth - angle);
  dCosElRight = std::cos(elevation);
  dSinElRight = std::sin(elevation);
  dXCoeffLeft = dCosAzLeft * dCosElLeft * dFirstLevel;
  dYCoeffLeft = dSinAzLeft * dCosElLeft * dFirstLevel;
  dZCoeffLeft = dSinElLeft * dFirstLevel;
  dXCoeffRight = dCosAzRight * dCosElRight * dFirstLevel;
  dYCoeffRight = dSinAzRight * dCosElRight * dFirstLevel;
  dZCoeffRight = dSinElRight * dFirstLevel;
}

template <bool accumulate>
void Pelrin::renderBlock(float** inputs, float** outputs, VstInt32 sampleFrames) {
  computeTargets();
  const float* inW = inputs[0];
  const float* inX = inputs[1];
  const float* inY = inputs[2];
  const float* inZ = inputs[3];
  float* out1 = outputs[0];
  float* out2 = outputs[1];
  for (VstInt32 i = 0; i < sampleFrames; ++i) {
    newW = dZerothLevelOld * static_cast<double>(inW[i]) + kAntiDenorm;
    newX = static_cast<double>(inX[i]) + kAntiDenorm;
    newY = static_cast<double>(inY[i]) + kAntiDenorm;
    newZ = static_cast<double>(inZ[i]) + kAntiDenorm;
    const float m1 = static_cast<float>(newW + dXCoeffLeftOld * newX + dYCoeffLeftOld * newY +
                                        dZCoeffLeftOld * newZ);
    const float m2 = static_cast<float>(newW + dXCoeffRightOld * newX + dYCoeffRightOld * newY +
                                        dZCoeffRightOld * newZ);
    if constexpr (accumulate) {
      out1[i] = static_cast<float>(static_cast<double>(out1[i]) + (m1 + kAntiDenorm));
      out2[i] = static_cast<float>(static_cast<double>(out2[i]) + (m2 + kAntiDenorm));
    } else {
      out1[i] = static_cast<float>(m1 + kAntiDenorm);
      out2[i] = static_cast<float>(m2 + kAntiDenorm);
    }
    dZerothLevelOld = glide(dZerothLevelOld, dZerothLevel);
    dXCoeffLeftOld = glide(dXCoeffLeftOld, dXCoeffLeft);
    dYCoeffLeftOld = glide(dYCoeffLeftOld, dYCoeffLeft);
    dZCoeffLeftOld = glide(dZCoeffLeftOld, dZCoeffLeft);
    dXCoeffRightOld = glide(dXCoeffRightOld, dXCoeffRight);
    dYCoeffRightOld = glide(dYCoeffRightOld, dYCoeffRight);
    dZCoeffRightOld = glide(dZCoeffRightOld, dZCoeffRight);
  }
}

void Pelrin::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
  renderBlock<true>(inputs, outputs, sampleFrames);
}

void Pelrin::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
  renderBlock<false>(inputs, outputs, sampleFrames);
}
