#include "lv2_ports.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace lv2port {

namespace {

// Whole-number parameters of these processors (the order of processing) move
// to the next number 0.49 of a step above the previous one, not half-way:
// ports round the same way so that a port and the processor agree everywhere.
double wholeNumberOf(double value) { return std::floor(value + 0.51); }

// The number a display text shows ("  270.00", "      5"); 0 when there is none.
double displayedNumber(AudioEffect& processor, VstInt32 parameter, float value, bool& whole) {
  processor.setParameter(parameter, value);
  char text[64] = {};
  processor.getParameterDisplay(parameter, text);
  whole = std::strpbrk(text, ".eE") == nullptr;
  return std::strtod(text, nullptr);
}

}  // namespace

std::string symbolOf(const std::string& name) {
  std::string symbol;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u))
      symbol += static_cast<char>(std::tolower(u));
    else if (!symbol.empty() && symbol.back() != '_')
      symbol += '_';
  }
  while (!symbol.empty() && symbol.back() == '_') symbol.pop_back();
  if (symbol.empty() || std::isdigit(static_cast<unsigned char>(symbol.front())))
    symbol.insert(0, "p");
  return symbol;
}

ControlPort describeControl(AudioEffect& processor, VstInt32 parameter) {
  ControlPort port;
  port.parameter = parameter;
  char text[64] = {};
  processor.getParameterName(parameter, text);
  port.name = text;
  port.symbol = symbolOf(port.name);
  char label[64] = {};
  processor.getParameterLabel(parameter, label);
  port.degrees = std::strcmp(label, "degrees") == 0;

  const float current = processor.getParameter(parameter);
  bool wholeAtMinimum = false, wholeAtMaximum = false, wholeAtDefault = false;
  port.minimum = displayedNumber(processor, parameter, 0.0f, wholeAtMinimum);
  port.maximum = displayedNumber(processor, parameter, 1.0f, wholeAtMaximum);
  port.defaultValue = displayedNumber(processor, parameter, current, wholeAtDefault);
  port.integer = wholeAtMinimum && wholeAtMaximum && wholeAtDefault;
  processor.setParameter(parameter, current);
  return port;
}

std::vector<ControlPort> describeControls(AudioEffect& processor) {
  std::vector<ControlPort> ports;
  const VstInt32 count = processor.getAeffect()->numParams;
  for (VstInt32 i = 0; i < count; ++i) ports.push_back(describeControl(processor, i));
  return ports;
}

PortRange::PortRange(const ControlPort& port)
    : parameter{port.parameter},
      minimum{port.minimum},
      maximum{port.maximum},
      integer{port.integer} {}

float normalisedValue(const ControlPort& port, float portValue) {
  return PortRange{port}.normalised(portValue);
}

float PortRange::normalised(float portValue) const {
  double value = portValue;
  const double low = std::fmin(minimum, maximum);
  const double high = std::fmax(minimum, maximum);
  if (value < low) value = low;
  if (value > high) value = high;
  if (integer) value = wholeNumberOf(value);
  const double span = maximum - minimum;
  if (span == 0.0) return 0.0f;
  return static_cast<float>((value - minimum) / span);
}

float portValue(const ControlPort& port, float normalised) {
  const double value =
      port.minimum + static_cast<double>(normalised) * (port.maximum - port.minimum);
  return static_cast<float>(port.integer ? wholeNumberOf(value) : value);
}

}  // namespace lv2port
