// oxel plot's measurements and pictures, apart from the command line: probe
// plane waves run through a plug-in, and the two kinds of picture drawn from
// what came out.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "canvas.h"
#include "plugin_host.h"

namespace oxel {

// A microphone pair's horizontal-plane response: the signed gain of each
// output for a unit plane wave from every whole degree (counter-clockwise
// from the front), elevation 0.
struct PairResponse {
  std::array<double, 360> mic[2]{};
};

// Where the six principal directions land: unit vectors (X front, Y left, Z up).
struct FieldResponse {
  static constexpr int kDirections = 6;
  static const char* const kNames[kDirections];  // front, back, left, right, up, down
  static const double kInput[kDirections][3];
  double output[kDirections][3]{};
};

// Both run the plug-in (4 inputs; 2 or 4 outputs) from its current values:
// a second of silence so that any glide settles, then one probe a frame.
void measurePair(PluginInstance& plugin, PairResponse& response);
void measureField(PluginInstance& plugin, FieldResponse& response);

// Readings from a pair's response, for the plot's notes.
struct PairFigures {
  bool directional{false};  // the microphones' patterns have a peak
  double mic1Degrees{0.0};  // where each peaks
  double mic2Degrees{0.0};
  double includedDegrees{0.0};
  bool acceptanceKnown{false};
  double acceptanceDegrees{0.0};  // the front sector within kAcceptanceDb, both in phase
  double peakGain{0.0};           // the largest |gain|, the plot's 0 dB
};
constexpr double kAcceptanceDb = 18.0;
PairFigures pairFigures(const PairResponse& response);

struct PlotTitle {
  std::string title;     // plug-in and recipe
  std::string subtitle;  // the recipe's description, if it has one
  std::string values;    // the values the plug-in shows
};

// The pictures, in units of pixels at 1x.
constexpr int kPlotWidth = 640;
constexpr int kPlotHeight = 480;
void drawPairPlot(oxel::platform::Canvas& canvas, const PairResponse& response,
                  const PlotTitle& title);
void drawFieldPlot(oxel::platform::Canvas& canvas, const FieldResponse& response,
                   const PlotTitle& title);

// The --csv texts.
std::string pairCsv(const PairResponse& response);
std::string fieldCsv(const FieldResponse& response);

}  // namespace oxel
