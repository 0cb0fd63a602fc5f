// Turns what users type about parameters into the plug-in's normalised
// values, with one wording per mistake for every command: a parameter name
// ("unknown parameter 'X' (parameters: ...)"), a --set NAME=VALUE, a value
// with or without the parameter's unit, and a Pelrin --preset name. Values
// with a unit are searched on a second instance (the probe), so the one that
// plays is only touched by the values finally sent to it.
#pragma once

#include <string>
#include <vector>

#include "argument_reader.h"
#include "parameter_value.h"
#include "plugin_host.h"

namespace oxel {

// One --set as typed.
struct ParameterSetting {
  std::string name;
  TypedValue value;
  std::string text;  // the whole NAME=VALUE
};

// Splits NAME=VALUE. False when the shape is wrong (`problem` left empty,
// `status` kExitUsage) or VALUE is not a number (the message, kExitBadInput).
bool parseParameterSetting(const std::string& text, ParameterSetting& setting, std::string& problem,
                           int& status);

// What every command that plays a plug-in takes for "--set NAME=VALUE"
// (each one kept, in order) and "--program N" (a number from 0).
ArgumentReader::Take collectParameterSetting(std::vector<ParameterSetting>& settings);
ArgumentReader::Take takeProgramNumber(int& program);

// A parameter index with the value to send it.
struct ParameterValue {
  VstInt32 index;
  float value;
};

class ParameterResolver {
 public:
  explicit ParameterResolver(PluginInstance& probe) : probe_{probe} {}

  // The index of a parameter named as 'oxel info' shows it (case ignored),
  // or -1 with the message in error.
  VstInt32 index(const std::string& name, std::string& error);
  // The normalised value of a typed value on a parameter; false with the message.
  bool value(VstInt32 index, const TypedValue& typed, float& normalised, std::string& error);
  // The four values of a named Pelrin preset; false with the message (an
  // unknown name lists the presets; a plug-in without Pelrin's parameters is refused).
  bool preset(const std::string& name, std::vector<ParameterValue>& values, std::string& error);
  // A --preset (when not empty) followed by the --set values in order, as
  // they are sent before the first block.
  bool settings(const std::string& presetName, const std::vector<ParameterSetting>& settings,
                std::vector<ParameterValue>& values, std::string& error);
  // "A, B, C": the parameter names, for messages.
  std::string parameterNames();
  // Whether the plug-in has all of these parameters.
  bool hasParameters(const std::vector<std::string>& names);

 private:
  PluginInstance& probe_;
};

}  // namespace oxel
