#include "lv2_ports.h"

#include <cctype>
#include <cmath>
#include <cstring>

namespace lv2port {

namespace {

// An integer port's number made whole as the processor makes its host value
// whole (the order of processing moves to the next number 0.49 of a step
// above the previous one, not half-way), so that a port and the processor
// agree everywhere.
double wholeNumberOf(double value, double minimum, double carry) {
  return std::floor(value - minimum + carry) + minimum;
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

ControlPort describeControl(const plugin_description::Parameter& parameter) {
  ControlPort port;
  port.parameter = parameter.index;
  port.name = parameter.name;
  port.symbol = parameter.symbol;
  port.degrees = std::strcmp(parameter.label, "degrees") == 0;
  port.minimum = parameter.shownAt0;
  port.maximum = parameter.shownAt1;
  port.defaultValue =
      static_cast<float>(plugin_description::shownNumber(parameter, parameter.defaultValue));
  port.integer = plugin_description::stepped(parameter);
  port.carry = parameter.steps.carry;
  for (const plugin_description::ScalePoint& point : parameter.scalePoints)
    port.scalePoints.push_back({point.label, point.shown});
  return port;
}

std::vector<ControlPort> describeControls(
    std::span<const plugin_description::Parameter> parameters) {
  std::vector<ControlPort> ports;
  for (const plugin_description::Parameter& parameter : parameters)
    ports.push_back(describeControl(parameter));
  return ports;
}

PortRange::PortRange(const ControlPort& port)
    : parameter{port.parameter},
      minimum{port.minimum},
      maximum{port.maximum},
      integer{port.integer},
      carry{port.carry} {}

float normalisedValue(const ControlPort& port, float portValue) {
  return PortRange{port}.normalised(portValue);
}

float PortRange::normalised(float portValue) const {
  double value = portValue;
  const double low = std::fmin(minimum, maximum);
  const double high = std::fmax(minimum, maximum);
  if (value < low) value = low;
  if (value > high) value = high;
  if (integer) value = wholeNumberOf(value, minimum, carry);
  const double span = maximum - minimum;
  if (span == 0.0) return 0.0f;
  return static_cast<float>((value - minimum) / span);
}

float portValue(const ControlPort& port, float normalised) {
  const double value =
      port.minimum + static_cast<double>(normalised) * (port.maximum - port.minimum);
  return static_cast<float>(port.integer ? wholeNumberOf(value, port.minimum, port.carry) : value);
}

}  // namespace lv2port
