#include "parameter_value.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "text_parse.h"

namespace oxel {

namespace {

std::string formatNumber(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.10g", value);
  return text;
}

// "deg" and "°" are accepted for a parameter labelled "degrees".
bool unitFits(const std::string& typed, const std::string& label) {
  const std::string unit = lowercase(std::string{trim(typed)});
  const std::string wanted = lowercase(std::string{trim(label)});
  if (unit == wanted) return true;
  return wanted == "degrees" && (unit == "deg" || unit == "degree" || unit == "\xC2\xB0");
}

struct DisplayProbe {
  PluginInstance& plugin;
  VstInt32 index;
  bool failed = false;
  std::string lastText;
  int decimals = 0;

  double at(float v) {
    plugin.setParameter(index, v);
    lastText = plugin.parameterDisplay(index);
    double number = 0.0;
    int places = 0;
    if (!displayedNumber(lastText, number, places)) {
      failed = true;
      return 0.0;
    }
    decimals = places;
    return number;
  }
};

// A plain number is a normalised value, from 0 to 1.
bool takeNormalised(PluginInstance& probe, VstInt32 index, const std::string& name,
                    const TypedValue& value, float& normalised, std::string& error) {
  if (value.number < 0.0 || value.number > 1.0) {
    const std::string label{trim(probe.parameterLabel(index))};
    error = "value " + value.text + " for " + name + " is outside the normalised range 0 to 1" +
            (label.empty() ? "" : " (a value in " + label + " needs the unit after it)");
    return false;
  }
  normalised = static_cast<float>(value.number);
  return true;
}

// The typed unit must be the parameter's own.
bool unitAccepted(const std::string& name, const std::string& label, const TypedValue& value,
                  std::string& error) {
  if (trim(label).empty()) {
    error = name + " has no unit: give '" + value.text + "' as a normalised value from 0 to 1";
    return false;
  }
  if (!unitFits(value.unit, label)) {
    error = "unit '" + value.unit + "' does not fit " + name + " (its unit is '" + label + "')";
    return false;
  }
  return true;
}

// Bisection on the display, assumed monotonic: `below` is the largest value
// found whose display is short of the target, `above` the smallest beyond it.
// A display with steps (whole numbers) leaves the whole step between them.
struct Bracket {
  double below = 0.0, above = 1.0;
};

Bracket bracketTarget(DisplayProbe& display, double target, bool rising) {
  auto before = [&](double shown) { return rising ? shown < target : shown > target; };
  auto beyond = [&](double shown) { return rising ? shown > target : shown < target; };
  Bracket bracket;
  double lo = 0.0, hi = 1.0;
  for (int i = 0; i < 60; ++i) {
    const double mid = 0.5 * (lo + hi);
    if (before(display.at(static_cast<float>(mid))))
      lo = bracket.below = mid;
    else
      hi = mid;
  }
  lo = bracket.below;
  hi = 1.0;
  for (int i = 0; i < 60; ++i) {
    const double mid = 0.5 * (lo + hi);
    if (beyond(display.at(static_cast<float>(mid))))
      hi = bracket.above = mid;
    else
      lo = mid;
  }
  return bracket;
}

// The candidates: the middle of the range that shows the target (or its
// edge), with its neighbouring floats, and the ends. Returns the one whose
// display is nearest the target, and that distance in `bestError`.
float nearestCandidate(DisplayProbe& display, double target, const Bracket& bracket, bool smooth,
                       double low, double high, double& bestError) {
  float best = static_cast<float>(0.5 * (bracket.below + bracket.above));
  bestError = std::abs(display.at(best) - target);
  if (smooth) {
    // A smooth display is taken as linear first: a number it shows at an
    // exact value lands there (0 degrees on 0, not on a float beside it
    // that shows 0.00 as well).
    const float linear = static_cast<float>((target - low) / (high - low));
    if (linear >= 0.0f && linear <= 1.0f) {
      const double e = std::abs(display.at(linear) - target);
      if (e <= bestError) {
        best = linear;
        bestError = e;
      }
    }
  }
  for (float candidate :
       {std::nextafter(best, 0.0f), std::nextafter(best, 2.0f), static_cast<float>(bracket.below),
        static_cast<float>(bracket.above), 0.0f, 1.0f}) {
    if (candidate < 0.0f || candidate > 1.0f) continue;
    const double e = std::abs(display.at(candidate) - target);
    if (e < bestError) {
      best = candidate;
      bestError = e;
    }
  }
  return best;
}

}  // namespace

bool displayedNumber(const std::string& display, double& number, int& decimals) {
  const std::string_view text = trim(display);
  if (!parseDouble(text, number)) return false;
  const size_t dot = text.find('.');
  decimals = dot == std::string_view::npos ? 0 : static_cast<int>(text.size() - dot - 1);
  return true;
}

bool parseTypedValue(const std::string& text, TypedValue& out) {
  const std::string_view body = trim(text);
  // The longest leading part that is a number.
  size_t end = 0;
  const std::string copy{body};
  char* stop = nullptr;
  const double number = std::strtod(copy.c_str(), &stop);
  end = static_cast<size_t>(stop - copy.c_str());
  if (end == 0 || !std::isfinite(number)) return false;
  // strtod also reads "inf", "nan" and hexadecimal: only plain decimals are values here.
  for (size_t i = 0; i < end; ++i) {
    const char c = copy[i];
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '+' ||
          c == 'e' || c == 'E'))
      return false;
  }
  out.number = number;
  out.unit = std::string{trim(body.substr(end))};
  out.text = std::string{body};
  return true;
}

bool resolveParameterValue(PluginInstance& probe, VstInt32 index, const TypedValue& value,
                           float& normalised, std::string& error) {
  const std::string name = probe.parameterName(index);
  if (value.unit.empty()) return takeNormalised(probe, index, name, value, normalised, error);
  const std::string label = probe.parameterLabel(index);
  if (!unitAccepted(name, label, value, error)) return false;

  DisplayProbe display{probe, index, false, {}, 0};
  const double low = display.at(0.0f), high = display.at(1.0f);
  if (display.failed) {
    error = name + " shows '" + display.lastText +
            "', not a number: give a normalised value from 0 to 1";
    return false;
  }
  const double target = value.number;
  const double lowest = std::min(low, high), highest = std::max(low, high);
  const double resolution = 0.5 * std::pow(10.0, -display.decimals);
  // Whole-number displays are taken as steps, the others as smooth.
  const bool smooth = display.decimals > 0 && high != low;
  if (target < lowest - resolution || target > highest + resolution) {
    error = "value " + value.text + " for " + name + " is out of range (" + name + " shows " +
            formatNumber(low) + " to " + formatNumber(high) + " " + label + ")";
    return false;
  }
  const Bracket bracket = bracketTarget(display, target, high >= low);
  double bestError = 0.0;
  const float best = nearestCandidate(display, target, bracket, smooth, low, high, bestError);
  // Close enough: within the display's last digit, or within what one step
  // of a float moves a smooth display.
  const double floatStep = 1.5 * std::abs(high - low) * (std::nextafter(best, 2.0f) - best);
  display.at(best);  // leaves its text for the message
  if (!(bestError < resolution || bestError <= floatStep)) {
    error = "no value of " + name + " shows " + value.text + " (nearest: " +
            std::string{trim(display.lastText)} + " " + label + ")";
    return false;
  }
  normalised = best;
  return true;
}

}  // namespace oxel
