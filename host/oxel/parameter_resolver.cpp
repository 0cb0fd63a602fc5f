#include "parameter_resolver.h"

#include "PairRecipes.h"
#include "commands.h"
#include "text_parse.h"

namespace oxel {

bool parseParameterSetting(const std::string& text, ParameterSetting& setting, std::string& problem,
                           int& status) {
  const size_t equals = text.find('=');
  if (equals == std::string::npos || trim(text.substr(0, equals)).empty()) {
    status = kExitUsage;
    return false;
  }
  setting.name = std::string{trim(text.substr(0, equals))};
  setting.text = text;
  if (!parseTypedValue(text.substr(equals + 1), setting.value)) {
    problem = "'" + text.substr(equals + 1) + "' is not a number (in --set " + text + ")";
    status = kExitBadInput;
    return false;
  }
  return true;
}

ArgumentReader::Take collectParameterSetting(std::vector<ParameterSetting>& settings) {
  return [&settings](const std::string& v, std::string& problem, int& status) {
    ParameterSetting setting;
    if (!parseParameterSetting(v, setting, problem, status)) return false;
    settings.push_back(setting);
    return true;
  };
}

ArgumentReader::Take takeProgramNumber(int& program) {
  return [&program](const std::string& v, std::string&, int&) {
    return parseInt(v, program) && program >= 0;
  };
}

std::string ParameterResolver::parameterNames() {
  std::string names;
  for (VstInt32 i = 0; i < probe_.numParams(); ++i)
    names += (i ? ", " : "") + probe_.parameterName(i);
  return names;
}

bool ParameterResolver::hasParameters(const std::vector<std::string>& names) {
  for (const std::string& name : names)
    if (probe_.findParameter(name) < 0) return false;
  return true;
}

VstInt32 ParameterResolver::index(const std::string& name, std::string& error) {
  const VstInt32 found = probe_.findParameter(name);
  if (found < 0) error = "unknown parameter '" + name + "' (parameters: " + parameterNames() + ")";
  return found;
}

bool ParameterResolver::value(VstInt32 index, const TypedValue& typed, float& normalised,
                              std::string& error) {
  return resolveParameterValue(probe_, index, typed, normalised, error);
}

bool ParameterResolver::preset(const std::string& name, std::vector<ParameterValue>& values,
                               std::string& error) {
  const MicrophonePreset* preset = findMicrophonePreset(name);
  if (preset == nullptr) {
    std::string names;
    for (const MicrophonePreset& p : microphonePresets())
      names += (names.empty() ? "" : ", ") + std::string{p.name};
    error = "unknown preset '" + name + "' (presets: " + names + ")";
    return false;
  }
  const std::vector<std::string> pelrin = {"Azimuth", "Elevation", "Mic Angle", "Mic Pattern"};
  if (!hasParameters(pelrin)) {
    error =
        "--preset is for Pelrin (Azimuth, Elevation, Mic Angle, Mic Pattern); this plug-in "
        "has " +
        parameterNames();
    return false;
  }
  const PelrinSettings s = pelrinSettings(*preset);
  const float settings[] = {s.azimuth, s.elevation, s.angle, s.pattern};
  for (size_t k = 0; k < pelrin.size(); ++k)
    values.push_back({probe_.findParameter(pelrin[k]), settings[k]});
  return true;
}

bool ParameterResolver::settings(const std::string& presetName,
                                 const std::vector<ParameterSetting>& settings,
                                 std::vector<ParameterValue>& values, std::string& error) {
  if (!presetName.empty() && !preset(presetName, values, error)) return false;
  for (const ParameterSetting& setting : settings) {
    const VstInt32 found = index(setting.name, error);
    if (found < 0) return false;
    float normalised = 0.0f;
    if (!value(found, setting.value, normalised, error)) {
      error += " (in --set " + setting.text + ")";
      return false;
    }
    values.push_back({found, normalised});
  }
  return true;
}

}  // namespace oxel
