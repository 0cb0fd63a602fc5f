// What both plug-in classes do alike, decided here once: the vendor they
// name, the four B-format pins, parameter names and labels read from a table,
// program names ("Init" is shown with the program's number), and where a host
// value is stored. The dispatcher has already refused null text and pin
// pointers, so nothing here checks for them.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "AudioEffect.h"
#include "PluginDescription.h"
#include "Relaxed.h"

namespace plugin_common {

inline constexpr const char* kVendor = "Oxel Music Dept.";
inline constexpr VstInt32 kVendorVersion = 1024;
// Characters a parameter or program text holds, without its terminator.
inline constexpr size_t kShortText = 23;
// Characters a vendor string or pin label holds, without its terminator.
inline constexpr size_t kLongText = 63;

inline bool vendorString(char* text) {
  vsttext::copy(text, kVendor, kLongText);
  return true;
}

// A text of row `index` of a plug-in's description (its name or its
// label); nothing for other indexes.
template <size_t n>
void describedText(const plugin_description::Parameter (&table)[n],
                   const char* plugin_description::Parameter::*field, VstInt32 index, char* text) {
  if (index >= 0 && static_cast<size_t>(index) < n)
    vsttext::copy(text, table[index].*field, kShortText);
}

// An active pin named `label`.
inline bool pin(const char* label, VstPinProperties* properties) {
  vsttext::copy(properties->label, label, kLongText);
  properties->flags = kVstPinIsActive;
  return true;
}

// The B-format pins W, X, Y, Z; false for other indexes.
inline bool bformatPin(VstInt32 index, VstPinProperties* properties) {
  static const char* const kLabels[] = {"W", "X", "Y", "Z"};
  if (index < 0 || index >= 4) return false;
  return pin(kLabels[index], properties);
}

// A program's name as hosts see it: a program named "Init" shows its number
// (the sixth program reads "Init 6").
inline void programName(const char* stored, VstInt32 program, char* name) {
  if (std::strcmp(stored, "Init") == 0)
    std::snprintf(name, kShortText + 1, "Init %d", program + 1);
  else
    vsttext::copy(name, stored, kShortText);
}

// Where one parameter's value lives: in the plug-in and in each program.
template <class Plugin, class Program>
struct ParameterField {
  Relaxed<float> Plugin::*current;
  Relaxed<float> Program::*stored;
};

// A host value for parameter `index`: kept as the current value and in the
// current program (when there is one). A non-finite value would poison the
// glide state for good, so it is refused, as is an index outside the table;
// false then, and nothing changed.
template <class Plugin, class Program, size_t n>
bool storeParameter(Plugin& plugin, Program* program,
                    const ParameterField<Plugin, Program> (&fields)[n], VstInt32 index, float value) {
  if (!std::isfinite(value) || index < 0 || static_cast<size_t>(index) >= n) return false;
  if (program) program->*fields[index].stored = value;
  plugin.*fields[index].current = value;
  return true;
}

// The current value of parameter `index`; 0 for other indexes.
template <class Plugin, class Program, size_t n>
float parameterValue(const Plugin& plugin, const ParameterField<Plugin, Program> (&fields)[n],
                     VstInt32 index) {
  if (index < 0 || static_cast<size_t>(index) >= n) return 0.0f;
  return plugin.*fields[index].current;
}

}  // namespace plugin_common
