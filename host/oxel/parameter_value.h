// Parameter values as users type them: a normalised number from 0 to 1
// ("0.25"), or a number followed by the parameter's own unit ("90degrees",
// "-45 deg"), which is turned into the normalised value whose display text
// shows that number. The search asks the plug-in itself, so it holds for any
// plug-in whose display is a monotonic number; it fails with a one-line
// message when the unit does not fit or no value shows the number.
#pragma once

#include <string>

#include "plugin_host.h"

namespace oxel {

struct TypedValue {
  double number = 0.0;
  std::string unit;  // empty: the number is normalised
  std::string text;  // as typed, for messages
};

// False when the text does not start with a number.
bool parseTypedValue(const std::string& text, TypedValue& out);

// The normalised value for `value` on parameter `index`. `probe` is an instance
// kept for such questions: its parameter is moved during the search.
bool resolveParameterValue(PluginInstance& probe, VstInt32 index, const TypedValue& value,
                           float& normalised, std::string& error);

// The number a display text shows, when it is one.
bool displayedNumber(const std::string& display, double& number, int& decimals);

}  // namespace oxel
