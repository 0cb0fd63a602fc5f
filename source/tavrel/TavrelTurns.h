// Named turns of the whole field, as Tavrel's four normalised parameters.
//
// In the default order (rotate, tilt, tumble) Angle 1 rotates the X-Y plane and
// Angle 2 tilts the Y-Z plane; a value v turns the field by -360 v degrees, so
// 0.25 takes a front source to the right and 0.75 to the left. Order of
// Processing n is n / 5.
#pragma once

#include <span>

namespace oxel {

struct TavrelTurn {
  const char* name;
  const char* description;
  float angle1, angle2, angle3, order;
};

inline std::span<const TavrelTurn> tavrelTurns() {
  static constexpr TavrelTurn kTurns[] = {
      {"straight", "Straight through", 0.0f, 0.0f, 0.0f, 0.0f},
      {"quarter-turn-left", "Quarter turn left (front to the left)", 0.75f, 0.0f, 0.0f, 0.0f},
      {"quarter-turn-right", "Quarter turn right (front to the right)", 0.25f, 0.0f, 0.0f, 0.0f},
      {"half-turn", "Half turn (front to the back)", 0.5f, 0.0f, 0.0f, 0.0f},
      {"upside-down", "Upside down (up and down swapped, left and right too)", 0.0f, 0.5f, 0.0f,
       0.0f},
  };
  return kTurns;
}

}  // namespace oxel
