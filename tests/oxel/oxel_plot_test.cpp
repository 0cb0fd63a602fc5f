// oxel plot: the numbers it draws are what the plug-in does (Pelrin's
// response at every degree equals the processor's pattern formula, Tavrel's
// six directions the closed-form rotation for each order), the pictures are
// written in both formats with the recipe in the title, and mistakes get one
// line each.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

#include "PairRecipes.h"
#include "Pelrin.h"
#include "oxel_test_support.h"
#include "platform.h"
#include "plot.h"
#include "tavrel_model.h"

namespace oxel_test {
namespace {

// The CSV's rows as numbers (the first column of Tavrel's rows is a name, read as 0).
std::vector<std::vector<double>> csvRows(const std::string& text, std::string& header) {
  std::istringstream in{text};
  std::getline(in, header);
  std::vector<std::vector<double>> rows;
  for (std::string line; std::getline(in, line);) {
    std::vector<double> row;
    std::istringstream cells{line};
    for (std::string cell; std::getline(cells, cell, ',');) row.push_back(std::atof(cell.c_str()));
    rows.push_back(row);
  }
  return rows;
}

TEST(OxelPlot, PelrinsResponseAtEveryDegreeIsThePatternFormula) {
  struct Case {
    std::vector<std::string> options;
    float values[4];  // Azimuth, Elevation, Mic Angle, Mic Pattern as the plug-in gets them
  };
  std::vector<Case> cases = {
      {{}, {0.0f, 0.25f, 0.16666667f, 0.5f}},  // a fresh instance: program 0
      {{"--set", "Azimuth=0.1", "--set", "Elevation=0.3", "--set", "Mic Angle=0.7", "--set",
        "Mic Pattern=0.9"},
       {0.1f, 0.3f, 0.7f, 0.9f}},
      // A pair tipped over the top, and one facing back, a full circle apart.
      {{"--set", "Elevation=0.6", "--set", "Mic Pattern=0.3"}, {0.0f, 0.6f, 0.16666667f, 0.3f}},
      {{"--set", "Azimuth=0.55", "--set", "Mic Angle=1", "--set", "Mic Pattern=1"}, {0.55f, 0.25f, 1.0f, 1.0f}},
  };
  for (const oxel::MicrophonePreset& preset : oxel::microphonePresets()) {
    const oxel::PelrinSettings s = oxel::pelrinSettings(preset);
    cases.push_back({{"--preset", preset.name}, {s.azimuth, s.elevation, s.angle, s.pattern}});
  }
  ScratchDir dir;
  for (const Case& c : cases) {
    std::vector<std::string> args = {"plot", kPelrin, dir / "pair.png", "--csv", dir / "pair.csv"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const RunResult run = runOxel(args);
    const std::string label = ::testing::PrintToString(c.options);
    ASSERT_EQ(run.status, 0) << label << run.err;
    std::string header;
    const auto rows = csvRows(slurp(dir / "pair.csv"), header);
    EXPECT_EQ(header, "azimuth_deg,mic1,mic2");
    ASSERT_EQ(rows.size(), 360u) << label;
    const auto weights =
        Pelrin::pairWeights(Pelrin::derive(c.values[0], c.values[1], c.values[2], c.values[3]));
    double worst = 0.0;
    for (size_t i = 0; i < rows.size(); ++i) {
      ASSERT_EQ(rows[i].size(), 3u);
      EXPECT_EQ(rows[i][0], static_cast<double>(i));
      const double azimuth = static_cast<double>(i) * std::numbers::pi / 180.0;
      for (int mic = 0; mic < 2; ++mic)
        worst = std::max(worst, std::fabs(rows[i][1 + static_cast<size_t>(mic)] -
                                          Pelrin::planeWaveGain(weights, mic, azimuth, 0.0)));
    }
    EXPECT_LT(worst, 1e-6) << label;
  }
}

TEST(OxelPlot, TavrelsSixDirectionsAreTheClosedFormRotationForEachOrder) {
  const float angles[3] = {0.125f, 0.3f, 0.55f};
  ScratchDir dir;
  for (int order = 0; order < 6; ++order) {
    const RunResult run = runOxel({"plot", kTavrel, dir / "field.svg", "--csv", dir / "field.csv",
                                   "--set", "Angle1=" + std::to_string(angles[0]), "--set",
                                   "Angle2=" + std::to_string(angles[1]), "--set",
                                   "Angle3=" + std::to_string(angles[2]), "--set",
                                   "Order of Processing=" + std::to_string(order / 5.0)});
    ASSERT_EQ(run.status, 0) << run.err;
    std::string header;
    const auto rows = csvRows(slurp(dir / "field.csv"), header);
    EXPECT_EQ(header, "direction,in_x,in_y,in_z,out_x,out_y,out_z");
    ASSERT_EQ(rows.size(), 6u);
    const std::string names[6] = {"front", "back", "left", "right", "up", "down"};
    std::istringstream lines{slurp(dir / "field.csv")};
    std::string line;
    std::getline(lines, line);
    for (size_t d = 0; d < 6; ++d) {
      std::getline(lines, line);
      EXPECT_EQ(line.substr(0, line.find(',')), names[d]);
      double x = rows[d][1], y = rows[d][2], z = rows[d][3];
      EXPECT_EQ(std::fabs(x) + std::fabs(y) + std::fabs(z), 1.0) << names[d];
      for (int step = 0; step < 3; ++step) {
        const double a = -static_cast<double>(angles[step]) * (2.0 * std::numbers::pi);
        reference::TavrelModel::turn(reference::kTavrelSequence[order][step], std::sin(a),
                                     std::cos(a), x, y, z);
      }
      EXPECT_NEAR(rows[d][4], x, 1e-6) << "order " << order << " " << names[d];
      EXPECT_NEAR(rows[d][5], y, 1e-6) << "order " << order << " " << names[d];
      EXPECT_NEAR(rows[d][6], z, 1e-6) << "order " << order << " " << names[d];
    }
  }
}

TEST(OxelPlot, PicturesInBothFormatsNameTheRecipe) {
  ScratchDir dir;
  ASSERT_EQ(runOxel({"plot", kPelrin, dir / "b.png", "--preset", "blumlein"}).status, 0);
  auto png = oxel::platform::decodeImageFile(dir / "b.png");
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width(), oxel::kPlotWidth);
  EXPECT_EQ(png->height(), oxel::kPlotHeight);
  // Mic 1's amber is on the picture, left of the centre (a Blumlein pair's left lobe).
  int amberLeft = 0;
  for (int32_t y = 0; y < png->height(); ++y)
    for (int32_t x = 0; x < 250; ++x) amberLeft += (png->get(x, y) & 0xFFFFFF) == 0xF2A33A;
  EXPECT_GT(amberLeft, 50);

  ASSERT_EQ(runOxel({"plot", kPelrin, dir / "b.svg", "--preset", "blumlein"}).status, 0);
  const std::string svg = slurp(dir / "b.svg");
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  EXPECT_NE(svg.find("preset blumlein"), std::string::npos);
  EXPECT_NE(svg.find("Blumlein pair: figure-of-eights at 90 degrees"), std::string::npos);
  EXPECT_NE(svg.find("included angle 90\u00b0"), std::string::npos);
  EXPECT_NE(svg.find("stroke-dasharray"), std::string::npos);  // the rear lobes

  ASSERT_EQ(runOxel({"plot", kTavrel, dir / "t.svg", "--program", "1"}).status, 0);
  EXPECT_NE(slurp(dir / "t.svg").find("From the front"), std::string::npos);
}

TEST(OxelPlot, FiguresOfIdealPairs) {
  // Pelrin's pattern: A + B cos(theta) per microphone.
  auto pair = [](double included, double pattern) {
    oxel::PairResponse r;
    for (size_t i = 0; i < 360; ++i)
      for (int mic = 0; mic < 2; ++mic) {
        const double axis = (mic == 0 ? 1 : -1) * included / 2.0;
        r.mic[mic][i] = (1.0 - pattern) + pattern * std::cos((static_cast<double>(i) - axis) *
                                                             std::numbers::pi / 180.0);
      }
    return r;
  };
  const struct {
    double included, pattern;
    bool directional, acceptanceKnown;
    double acceptance;
  } cases[] = {
      {90.0, 1.0, true, true, 76.3},    // Blumlein: 18 dB apart about 38 degrees off the axis
      {131.0, 0.5, true, true, 146.7},  // XY cardioids
      {0.0, 0.5, true, false, 0.0},     // coincident on one axis: no stereo base
      {90.0, 0.0, false, false, 0.0},   // omni
  };
  for (const auto& c : cases) {
    const oxel::PairFigures f = oxel::pairFigures(pair(c.included, c.pattern));
    EXPECT_EQ(f.directional, c.directional) << c.included << " " << c.pattern;
    EXPECT_EQ(f.acceptanceKnown, c.acceptanceKnown) << c.included << " " << c.pattern;
    if (c.directional) {
      EXPECT_NEAR(f.includedDegrees, c.included, 0.2);
    }
    if (c.acceptanceKnown) {
      EXPECT_NEAR(f.acceptanceDegrees, c.acceptance, 1.0) << c.included;
    }
  }
}

TEST(OxelPlot, MistakesGetOneLine) {
  ScratchDir dir;
  const struct {
    std::vector<std::string> args;
    int status;
    const char* words;
  } cases[] = {
      {{"plot", kPelrin, dir / "x.jpg"}, 2, "must end in .png or .svg"},
      {{"plot", kPelrin, dir / "x.png", "--program", "99"}, 2, "out of range"},
      {{"plot", kPelrin, dir / "x.png", "--preset", "nope"}, 3, "nope"},
      {{"plot", kTavrel, dir / "x.png", "--preset", "blumlein"}, 3, "for Pelrin"},
      {{"plot", kPelrin, dir / "x.png", "--set", "Colour=1"}, 3, "Colour"},
      {{"plot", dir / "missing.so", dir / "x.png"}, 4, "missing.so"},
      {{"plot", kPelrin, "/proc/x.png"}, 1, "cannot write"},
  };
  for (const auto& c : cases) {
    const RunResult run = runOxel(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.words), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  }
  EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
}  // namespace oxel_test
