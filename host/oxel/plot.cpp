#include "plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace oxel {

namespace platform = oxel::platform;

namespace {

constexpr double kPlaneWaveW = 0.70710678118654752440;  // W of a unit plane wave (FuMa)
constexpr int kSettleFrames = 48000;

// The editors' palette.
const platform::CanvasColour kPanel = platform::colourOf(0x23272E);
const platform::CanvasColour kDisc = platform::colourOf(0x1A1D22);
const platform::CanvasColour kGrid = platform::colourOf(0x7E858F, 0.35);
const platform::CanvasColour kGridText = platform::colourOf(0x8C939D);
const platform::CanvasColour kText = platform::colourOf(0xF2F4F7);
const platform::CanvasColour kLabel = platform::colourOf(0xC8CCD2);
const platform::CanvasColour kMic[2] = {platform::colourOf(0xF2A33A), platform::colourOf(0xF6DDB0)};
const platform::CanvasColour kMicRear[2] = {platform::colourOf(0xB8772A),
                                            platform::colourOf(0xB8A27E)};
const platform::CanvasColour kTeal = platform::colourOf(0x3CC8C0);

// Runs the plug-in over `frames` frames of `in` (4 channels) into `out`.
void run(PluginInstance& plugin, std::vector<std::vector<float>>& in,
         std::vector<std::vector<float>>& out, int frames) {
  const int outputs = plugin.numOutputs();
  out.assign(static_cast<size_t>(outputs),
             std::vector<float>(static_cast<size_t>(std::max(frames, 1))));
  std::vector<float*> ins, outs;
  for (auto& c : in) ins.push_back(c.data());
  for (auto& c : out) outs.push_back(c.data());
  plugin.processReplacing(ins.data(), outs.data(), frames);
}

void settle(PluginInstance& plugin) {
  const int block = std::max(1, static_cast<int>(plugin.blockSize()));
  std::vector<std::vector<float>> silence(4, std::vector<float>(static_cast<size_t>(block), 0.0f)),
      out;
  for (int done = 0; done < kSettleFrames; done += block) run(plugin, silence, out, block);
}

// Probes in blocks no longer than the plug-in was told to expect.
void probe(PluginInstance& plugin, const std::vector<std::array<float, 4>>& frames,
           std::vector<std::vector<float>>& result) {
  const int block = std::max(1, static_cast<int>(plugin.blockSize()));
  result.assign(static_cast<size_t>(plugin.numOutputs()), {});
  for (size_t start = 0; start < frames.size(); start += static_cast<size_t>(block)) {
    const size_t n = std::min(frames.size() - start, static_cast<size_t>(block));
    std::vector<std::vector<float>> in(4, std::vector<float>(n)), out;
    for (size_t i = 0; i < n; ++i)
      for (size_t c = 0; c < 4; ++c) in[c][i] = frames[start + i][c];
    run(plugin, in, out, static_cast<int>(n));
    for (size_t c = 0; c < result.size(); ++c)
      result[c].insert(result[c].end(), out[c].begin(), out[c].begin() + static_cast<long>(n));
  }
}

double toRadians(double degrees) { return degrees * std::numbers::pi / 180.0; }

// A direction (counter-clockwise from the front) seen from above, front up.
void above(double cx, double cy, double azimuth, double distance, double& x, double& y) {
  x = cx - distance * std::sin(azimuth);
  y = cy - distance * std::cos(azimuth);
}

std::string degreesText(double degrees) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f\u00b0", degrees);
  return text;
}

// Where a curve peaks, refined between whole degrees by a parabola.
double peakDegrees(const std::array<double, 360>& gain) {
  int best = 0;
  for (int i = 1; i < 360; ++i)
    if (gain[static_cast<size_t>(i)] > gain[static_cast<size_t>(best)]) best = i;
  const double a = gain[static_cast<size_t>((best + 359) % 360)],
               b = gain[static_cast<size_t>(best)], c = gain[static_cast<size_t>((best + 1) % 360)];
  const double curvature = a - 2.0 * b + c;
  const double shift = curvature < 0.0 ? 0.5 * (a - c) / curvature : 0.0;
  return std::remainder(best + shift, 360.0);
}

double gainAt(const std::array<double, 360>& gain, double degrees) {
  const double d = degrees - 360.0 * std::floor(degrees / 360.0);
  const int i = static_cast<int>(d) % 360;
  const double t = d - std::floor(d);
  return gain[static_cast<size_t>(i)] * (1.0 - t) + gain[static_cast<size_t>((i + 1) % 360)] * t;
}

}  // namespace

const char* const FieldResponse::kNames[kDirections] = {"front", "back", "left",
                                                        "right", "up",   "down"};
const double FieldResponse::kInput[kDirections][3] = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                                      {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};

void measurePair(PluginInstance& plugin, PairResponse& response) {
  plugin.resume();
  settle(plugin);
  std::vector<std::array<float, 4>> frames;
  for (int degree = 0; degree < 360; ++degree) {
    const double a = toRadians(degree);
    frames.push_back({static_cast<float>(kPlaneWaveW), static_cast<float>(std::cos(a)),
                      static_cast<float>(std::sin(a)), 0.0f});
  }
  std::vector<std::vector<float>> out;
  probe(plugin, frames, out);
  for (size_t m = 0; m < 2; ++m)
    for (size_t i = 0; i < 360; ++i) response.mic[m][i] = m < out.size() ? out[m][i] : 0.0;
  plugin.suspend();
}

void measureField(PluginInstance& plugin, FieldResponse& response) {
  plugin.resume();
  settle(plugin);
  std::vector<std::array<float, 4>> frames;
  for (const auto& d : FieldResponse::kInput)
    frames.push_back({static_cast<float>(kPlaneWaveW), static_cast<float>(d[0]),
                      static_cast<float>(d[1]), static_cast<float>(d[2])});
  std::vector<std::vector<float>> out;
  probe(plugin, frames, out);
  for (size_t i = 0; i < FieldResponse::kDirections; ++i)
    for (size_t c = 0; c < 3; ++c) response.output[i][c] = c + 1 < out.size() ? out[c + 1][i] : 0.0;
  plugin.suspend();
}

PairFigures pairFigures(const PairResponse& r) {
  PairFigures f;
  for (const auto& mic : r.mic)
    for (double g : mic) f.peakGain = std::max(f.peakGain, std::fabs(g));
  double spread = 0.0;
  for (const auto& mic : r.mic) {
    const auto [low, high] = std::minmax_element(mic.begin(), mic.end());
    spread = std::max(spread, *high - *low);
  }
  f.directional = f.peakGain > 0.0 && spread > 1e-4 * f.peakGain;
  if (!f.directional) return f;
  f.mic1Degrees = peakDegrees(r.mic[0]);
  f.mic2Degrees = peakDegrees(r.mic[1]);
  f.includedDegrees = std::fabs(std::remainder(f.mic1Degrees - f.mic2Degrees, 360.0));
  if (f.includedDegrees < 0.5) return f;
  // From the pair's axis outwards on each side, while the level difference
  // stays within the limit and neither microphone turns the phase.
  const double axis = f.mic2Degrees + std::remainder(f.mic1Degrees - f.mic2Degrees, 360.0) / 2.0;
  double reach[2] = {0.0, 0.0};
  for (int side = 0; side < 2; ++side) {
    const double direction = side == 0 ? 1.0 : -1.0;
    bool closed = false;
    for (double step = 0.0; step <= 180.0; step += 0.05) {
      const double g1 = gainAt(r.mic[0], axis + direction * step),
                   g2 = gainAt(r.mic[1], axis + direction * step);
      if (g1 <= 0.0 || g2 <= 0.0 || std::fabs(20.0 * std::log10(g1 / g2)) >= kAcceptanceDb) {
        reach[side] = step;
        closed = true;
        break;
      }
    }
    if (!closed) return f;
  }
  f.acceptanceKnown = true;
  f.acceptanceDegrees = reach[0] + reach[1];
  return f;
}

namespace {

void title(platform::Canvas& canvas, const PlotTitle& t) {
  canvas.fillRect(0, 0, kPlotWidth, kPlotHeight, kPanel);
  canvas.text(20, 30, t.title, 16, true, kText, platform::TextAlign::left);
  canvas.text(20, 48, t.subtitle.empty() ? t.values : t.subtitle, 11, false, kLabel, platform::TextAlign::left);
  if (!t.subtitle.empty()) canvas.text(20, 64, t.values, 10, false, kGridText, platform::TextAlign::left);
}

// The radius of a level in dB: 0 dB at the rim, kFloorDb at the centre.
constexpr double kFloorDb = -30.0;
double radiusOf(double gain, double peak, double rim) {
  if (!(gain > 0.0) || !(peak > 0.0)) return 0.0;
  const double db = 20.0 * std::log10(gain / peak);
  return rim * std::clamp(1.0 - db / kFloorDb, 0.0, 1.0);
}

void pairCurve(platform::Canvas& canvas, double cx, double cy, double rim,
               const std::array<double, 360>& gain, double peak, int mic) {
  for (int sign = 1; sign >= -1; sign -= 2) {
    bool drawing = false;
    for (int i = 0; i <= 360; ++i) {
      const double g = gain[static_cast<size_t>(i % 360)] * sign;
      if (g > 0.0) {
        double x, y;
        above(cx, cy, toRadians(i), radiusOf(g, peak, rim), x, y);
        if (drawing) {
          canvas.lineTo(x, y);
        } else {
          canvas.moveTo(x, y);
          drawing = true;
        }
      } else if (drawing) {
        canvas.lineTo(cx, cy);
        drawing = false;
      }
    }
    if (sign > 0)
      canvas.stroke(kMic[mic], {2.0});
    else
      canvas.stroke(kMicRear[mic], {1.6, 4.0});
  }
}

// The disc with its rings every 6 dB, the spokes every 30 degrees, and their labels.
void polarGrid(platform::Canvas& canvas, double cx, double cy, double rim) {
  canvas.circle(cx, cy, rim + 6);
  canvas.fill(kDisc);
  for (int db = 0; db >= -24; db -= 6) canvas.circle(cx, cy, rim * (1.0 - db / kFloorDb));
  canvas.stroke(kGrid, {1.0});
  for (int degree = 0; degree < 360; degree += 30) {
    double x, y;
    above(cx, cy, toRadians(degree), rim, x, y);
    canvas.moveTo(cx, cy);
    canvas.lineTo(x, y);
    canvas.stroke(kGrid, {degree % 90 == 0 ? 1.0 : 0.6});
    above(cx, cy, toRadians(degree), rim + 16, x, y);
    std::string label = degree == 0     ? "front"
                        : degree == 180 ? "back"
                                        : degreesText(degree <= 180 ? degree : 360 - degree);
    if (degree != 0 && degree != 180) label += degree < 180 ? " L" : " R";
    canvas.text(x, y + 4, label, 10, false, kGridText, platform::TextAlign::centre);
  }
  for (int db = 0; db >= -24; db -= 6) {
    const double radius = rim * (1.0 - db / kFloorDb);
    canvas.text(cx + 3, cy - radius + 11, db == 0 ? "0 dB" : std::to_string(db), 9, false,
                kGridText, platform::TextAlign::left);
  }
}

// Lines of text one under the other, from (x, y).
class NoteColumn {
 public:
  NoteColumn(platform::Canvas& canvas, double x, double y) : canvas_{canvas}, x_{x}, y_{y} {}
  void note(const std::string& text, const platform::CanvasColour& colour, bool bold = false) {
    canvas_.text(x_, y_, text, 11, bold, colour, platform::TextAlign::left);
    y_ += 18;
  }
  void gap() { y_ += 10; }

 private:
  platform::Canvas& canvas_;
  double x_, y_;
};

// Where each microphone faces, the included angle and the front acceptance.
void directionNotes(NoteColumn& notes, const PairFigures& f) {
  auto side = [](double degrees) {
    if (std::fabs(degrees) < 0.5) return std::string{"front"};
    if (std::fabs(degrees) > 179.5) return std::string{"back"};
    return degreesText(std::fabs(degrees)) + (degrees > 0 ? " left" : " right");
  };
  notes.note("Mic 1 faces " + side(f.mic1Degrees), kLabel);
  notes.note("Mic 2 faces " + side(f.mic2Degrees), kLabel);
  notes.note("included angle " + degreesText(f.includedDegrees), kText, true);
  if (f.acceptanceKnown) {
    notes.note("front acceptance " + degreesText(f.acceptanceDegrees), kText, true);
    char text[64];
    std::snprintf(text, sizeof text, "(level difference < %.0f dB)", kAcceptanceDb);
    notes.note(text, kGridText);
  }
}

// The notes, right of the disc.
void pairNotes(platform::Canvas& canvas, const PairFigures& f) {
  NoteColumn notes{canvas, 470, 110};
  notes.note("Mic 1 (left)", kMic[0], true);
  notes.note("Mic 2 (right)", kMic[1], true);
  notes.note("dashed: inverted polarity", kLabel);
  notes.gap();
  if (f.directional)
    directionNotes(notes, f);
  else
    notes.note("no direction: both omni", kLabel);
  notes.gap();
  char text[64];
  std::snprintf(text, sizeof text, "0 dB = gain %.3f", f.peakGain);
  notes.note(text, kGridText);
  notes.note("plane waves at elevation 0", kGridText);
  notes.note("seen from above, front up", kGridText);
}

}  // namespace

void drawPairPlot(platform::Canvas& canvas, const PairResponse& r, const PlotTitle& t) {
  title(canvas, t);
  const double cx = 250.5, cy = 280.5, rim = 172.0;
  polarGrid(canvas, cx, cy, rim);
  const PairFigures f = pairFigures(r);
  for (int mic = 1; mic >= 0; --mic) pairCurve(canvas, cx, cy, rim, r.mic[mic], f.peakGain, mic);
  pairNotes(canvas, f);
}

void drawFieldPlot(platform::Canvas& canvas, const FieldResponse& r, const PlotTitle& t) {
  title(canvas, t);
  static const char* const kLetters[FieldResponse::kDirections] = {"F", "B", "L", "R", "U", "D"};
  const double radius = 120.0, cy = 262.5;
  struct View {
    const char* name;
    const char* axes;
    double cx;
    int across, up, depth;  // the components drawn leftwards and upwards, and the near half's
  };
  // Both with the listener's left on the left: from above with the front up
  // (the upper half drawn filled), from the front with up at the top (the
  // front half filled).
  const View views[2] = {{"From above", "front up, left on the left", 165.5, 1, 0, 2},
                         {"From the front", "up at the top, left on the left", 475.5, 1, 2, 0}};
  for (const View& v : views) {
    canvas.text(v.cx, 96, v.name, 13, true, kText, platform::TextAlign::centre);
    canvas.text(v.cx, 112, v.axes, 10, false, kGridText, platform::TextAlign::centre);
    canvas.circle(v.cx, cy, radius + 8);
    canvas.fill(kDisc);
    canvas.circle(v.cx, cy, radius);
    canvas.stroke(kGrid, {1.0});
    canvas.moveTo(v.cx - radius, cy);
    canvas.lineTo(v.cx + radius, cy);
    canvas.moveTo(v.cx, cy - radius);
    canvas.lineTo(v.cx, cy + radius);
    canvas.stroke(kGrid, {0.6});
    auto place = [&](const double* d, double& x, double& y, double& depth) {
      x = v.cx - radius * d[v.across];
      y = cy - radius * d[v.up];
      depth = d[v.depth];
    };
    // Where each direction started: grey letters.
    for (int i = 0; i < FieldResponse::kDirections; ++i) {
      double x, y, depth;
      place(FieldResponse::kInput[i], x, y, depth);
      if (depth < -0.5) continue;  // behind the sphere: hidden by its opposite
      canvas.text(x + 9, y - 6, kLetters[i], 9, false, kGridText, platform::TextAlign::left);
    }
    // Where it landed: a dot, filled on the near side, hollow behind.
    for (int i = 0; i < FieldResponse::kDirections; ++i) {
      double x, y, depth;
      place(r.output[i], x, y, depth);
      canvas.circle(x, y, 5.0);
      if (depth >= -1e-6)
        canvas.fill(kTeal);
      else
        canvas.stroke(kTeal, {1.5});
      canvas.text(x + (depth >= -1e-6 ? -9 : 9), y + 4, kLetters[i], 11, true,
                  depth >= -1e-6 ? kText : kLabel,
                  depth >= -1e-6 ? platform::TextAlign::right : platform::TextAlign::left);
    }
  }
  canvas.text(20, kPlotHeight - 40,
              "teal: where each direction lands (filled: upper half from above, front half from "
              "the front); grey: where it was",
              10, false, kGridText, platform::TextAlign::left);
  canvas.text(20, kPlotHeight - 22, "F front, B back, L left, R right, U up, D down", 10, false,
              kGridText, platform::TextAlign::left);
}

std::string pairCsv(const PairResponse& r) {
  std::string text = "azimuth_deg,mic1,mic2\n";
  char line[96];
  for (size_t i = 0; i < 360; ++i) {
    std::snprintf(line, sizeof line, "%zu,%.9g,%.9g\n", i, r.mic[0][i], r.mic[1][i]);
    text += line;
  }
  return text;
}

std::string fieldCsv(const FieldResponse& r) {
  std::string text = "direction,in_x,in_y,in_z,out_x,out_y,out_z\n";
  char line[160];
  for (int i = 0; i < FieldResponse::kDirections; ++i) {
    const double* a = FieldResponse::kInput[i];
    const double* b = r.output[i];
    std::snprintf(line, sizeof line, "%s,%g,%g,%g,%.9g,%.9g,%.9g\n", FieldResponse::kNames[i], a[0],
                  a[1], a[2], b[0], b[1], b[2]);
    text += line;
  }
  return text;
}

}  // namespace oxel
