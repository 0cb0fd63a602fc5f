// The LV2 view of a processor's parameters: one control port per parameter,
// with its name, range and default read from the processor itself (its
// names, and the values its displays show at 0, at 1 and at the default), so
// the port descriptions can never drift from the code. Port values are in the
// units the displays show; the processor works on 0..1.
#pragma once

#include <string>
#include <vector>

#include "AudioEffect.h"

namespace lv2port {

struct ScalePoint {
  std::string label;
  double value;  // in port units
};

struct ControlPort {
  VstInt32 parameter = 0;  // the processor's parameter index
  std::string symbol;      // lower case, digits and underscores, from the name
  std::string name;
  double minimum = 0.0, maximum = 1.0, defaultValue = 0.0;  // port units
  bool degrees = false;  // the processor labels the parameter in degrees
  bool integer = false;  // the display shows whole numbers only
  std::vector<ScalePoint> scalePoints;
  // Ports that are not the processor's parameters (head tracking) say more.
  bool output = false;   // written by the plug-in, for hosts to show
  bool toggled = false;  // off (0) or on (1)
  bool trigger = false;  // a press: the host sets it back to the default
};

// The parameter's port: name and symbol, and the displayed values at 0, 1
// and the processor's current value. Leaves the processor's values as they
// were. Scale points are left to the caller.
ControlPort describeControl(AudioEffect& processor, VstInt32 parameter);
std::vector<ControlPort> describeControls(AudioEffect& processor);

// The part of a ControlPort that maps its values, for the audio thread.
struct PortRange {
  PortRange() = default;
  explicit PortRange(const ControlPort& port);
  float normalised(float portValue) const;  // as normalisedValue
  VstInt32 parameter = 0;
  double minimum = 0.0, maximum = 1.0;
  bool integer = false;
};

// A port value as the processor's 0..1 value: clamped to the port's range,
// made whole for integer ports (as the processors do), then mapped linearly. Callers filter out
// non-finite values first.
float normalisedValue(const ControlPort& port, float portValue);
// The port value that shows a 0..1 value (the inverse of normalisedValue).
float portValue(const ControlPort& port, float normalised);

// "Mic Angle" -> "mic_angle": a valid LV2 symbol.
std::string symbolOf(const std::string& name);

}  // namespace lv2port
