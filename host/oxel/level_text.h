// Levels as oxel's summaries print them: dBFS with one decimal, or "-inf" for
// silence. Below -200 dBFS counts as silence: such a level is numerical
// residue (a signal times the cosine of 90 degrees), far under anything an
// output format can hold or a listener can hear.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

namespace oxel {

constexpr double kSilenceBelow = 1e-10;  // -200 dBFS

// `sign`: "+" puts a plus sign before positive levels.
inline std::string levelText(double level, bool sign = false) {
  if (!(level >= kSilenceBelow)) return "-inf";
  char text[32];
  std::snprintf(text, sizeof text, sign ? "%+.1f" : "%.1f", 20.0 * std::log10(level));
  return text;
}

}  // namespace oxel
