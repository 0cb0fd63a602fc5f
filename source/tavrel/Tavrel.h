// The sound-field rotator: four parameters (three plane angles and the order
// of the rotations), 32 programs, B-format W, X, Y, Z in and out. A complete
// plug-in without an editor.
#pragma once

#include "BFormatEffect.h"
#include "Relaxed.h"
#include "TavrelDescription.h"

struct TavrelProgram {
  TavrelProgram();
  Relaxed<float> fAngle1;
  Relaxed<float> fAngle2;
  Relaxed<float> fAngle3;
  Relaxed<float> fOrder;
  char name[24];
};

class Tavrel : public BFormatEffect<Tavrel, TavrelProgram> {
 public:
  // The parameter numbers, and each one's facts, from Tavrel's description.
  using Parameter = tavrel_description::Parameter;
  using enum tavrel_description::Parameter;
  static constexpr const auto& kParameters = tavrel_description::kParameters;
  static constexpr VstInt32 kNumPrograms = 32;
  static constexpr VstInt32 kNumOrders = kParameters[kOrder].steps.count;

  explicit Tavrel(audioMasterCallback audioMaster);

  void process(float** inputs, float** outputs, VstInt32 sampleFrames) override;
  void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
  void getParameterDisplay(VstInt32 index, char* text) override;
  bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;

  // Turn the working vector (newX, newY, newZ) in one plane by angle radians.
  virtual void rotateField(double angle);
  virtual void tiltField(double angle);
  virtual void tumbleField(double angle);
  virtual void init();

  // The order number of a parameter value, stepped as the order's row in
  // TavrelDescription.h says (plugin_description::stepOf). May lie outside
  // 0..5; results beyond the 32-bit range saturate instead of overflowing.
  static VstInt32 orderOf(float value);
  // The order the signal path applies: orderOf, with anything outside 0..5 as 0.
  static VstInt32 processedOrderOf(float value);

 protected:
  // The derived radians and order from the current parameter values.
  void deriveValues();
  // Per-block step: the order and the six target sines and cosines.
  VstInt32 computeTargets();
  template <bool accumulate>
  void renderBlock(float** inputs, float** outputs, VstInt32 sampleFrames);

  // Derived values, written by the parameter path and read once per block by the audio path.
  Relaxed<double> dAngle1{0.0};
  Relaxed<double> dAngle2{0.0};
  Relaxed<double> dAngle3{0.0};
  Relaxed<VstInt32> iOrder{0};

  // Audio-thread state: the smoothed sines and cosines in use and their targets.
  double dSinRotateOld = 0.0, dSinTiltOld = 0.0, dSinTumbleOld = 0.0;
  double dCosRotateOld = 1.0, dCosTiltOld = 1.0, dCosTumbleOld = 1.0;
  double dSinRotate = 0.0, dSinTilt = 0.0, dSinTumble = 0.0;
  double dCosRotate = 1.0, dCosTilt = 1.0, dCosTumble = 1.0;
  // Set until the first block with frames: that block's glide starts at its targets.
  bool bStartSettled = true;

  // Working vector of rotateField, tiltField and tumbleField.
  double newW = 0.0, newX = 0.0, newY = 0.0, newZ = 0.0;

  // Current parameter values, as the host reads them back.
  Relaxed<float> fAngle1{tavrel_description::defaultOf(kAngle1)};
  Relaxed<float> fAngle2{tavrel_description::defaultOf(kAngle2)};
  Relaxed<float> fAngle3{tavrel_description::defaultOf(kAngle3)};
  Relaxed<float> fOrder{tavrel_description::defaultOf(kOrder)};

 private:
  friend class BFormatEffect<Tavrel, TavrelProgram>;
  // Where each parameter's value lives, by index.
  static const plugin_common::ParameterField<Tavrel, TavrelProgram> kFields[kNumParams];

  // The per-block step's last angles and their offset sines and cosines: a
  // block whose angles have the same bits as the last one's skips the six
  // evaluations. Touched by the audio thread only.
  struct TargetMemo {
    bool valid = false;
    double angles[3] = {};
    double sine[3] = {};
    double cosine[3] = {};
  } targetMemo;
};
