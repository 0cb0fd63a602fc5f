// The LV2 view of a processor's parameters: one control port per parameter,
// with its name, symbol, range, default and named values read from the
// plug-in's description (PluginDescription.h), the table the processor reads
// too. Port values are in the units the displays show; the processor works
// on 0..1.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "AudioEffect.h"
#include "PluginDescription.h"

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
  // For integer ports: a number's share of a step above which it counts as
  // the next whole number (the processor's own rounding).
  double carry = 0.5;
  std::vector<ScalePoint> scalePoints;
  // Ports that are not the processor's parameters (head tracking) say more.
  bool output = false;   // written by the plug-in, for hosts to show
  bool toggled = false;  // off (0) or on (1)
  bool trigger = false;  // a press: the host sets it back to the default
};

// A described parameter's port: its name and symbol, degrees when its unit
// is, the displayed numbers at 0 and at 1 as its range, its default as the
// display shows it (in a port's single precision), whole-numbered when the
// parameter is stepped, and its named values.
ControlPort describeControl(const plugin_description::Parameter& parameter);
std::vector<ControlPort> describeControls(
    std::span<const plugin_description::Parameter> parameters);

// The part of a ControlPort that maps its values, for the audio thread.
struct PortRange {
  PortRange() = default;
  explicit PortRange(const ControlPort& port);
  float normalised(float portValue) const;  // as normalisedValue
  VstInt32 parameter = 0;
  double minimum = 0.0, maximum = 1.0;
  bool integer = false;
  double carry = 0.5;
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
