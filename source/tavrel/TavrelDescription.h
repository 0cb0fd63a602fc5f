// Tavrel's parameters, once: number, name, unit, default, what the display
// shows over the host range (the order as one of six whole numbers, rounded
// as the processor rounds it), and the LV2 symbol and named values. The
// processor, its editor, the LV2 ports and Turtle files read this table;
// change a range or a default here and they all follow.
#pragma once

#include "PluginDescription.h"

namespace tavrel_description {

enum Parameter : VstInt32 { kAngle1 = 0, kAngle2, kAngle3, kOrder, kNumParams };

// Angle 1 always drives the first rotation applied, angle 2 the second,
// angle 3 the third; the order says which plane each one turns.
inline constexpr plugin_description::ScalePoint kOrderNames[] = {
    {"rotate, tilt, tumble", 0.0}, {"rotate, tumble, tilt", 1.0}, {"tilt, rotate, tumble", 2.0},
    {"tilt, tumble, rotate", 3.0}, {"tumble, rotate, tilt", 4.0}, {"tumble, tilt, rotate", 5.0}};

// An angle v turns the field by -360 v degrees and shows 360 v. The order
// moves to the next number 0.49 of a step above the previous one, not
// half-way.
inline constexpr plugin_description::Parameter kParameters[kNumParams] = {
    {kAngle1, "Angle1", "degrees", 0.0f, 0.0, 360.0, {}, "angle1", {}},
    {kAngle2, "Angle2", "degrees", 0.0f, 0.0, 360.0, {}, "angle2", {}},
    {kAngle3, "Angle3", "degrees", 0.0f, 0.0, 360.0, {}, "angle3", {}},
    {kOrder,
     "Order of Processing",
     "process",
     0.0f,
     0.0,
     5.0,
     {6, 0.51},
     "order_of_processing",
     kOrderNames},
};

constexpr float defaultOf(Parameter index) {
  return plugin_description::defaultOf(kParameters, index);
}

static_assert(
    [] {
      for (VstInt32 i = 0; i < kNumParams; ++i)
        if (kParameters[i].index != i) return false;
      return kParameters[kOrder].shownAt1 - kParameters[kOrder].shownAt0 ==
             kParameters[kOrder].steps.count - 1;
    }(),
    "each row sits at its parameter's number; the order shows one number a step");

}  // namespace tavrel_description
