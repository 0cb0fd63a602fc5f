// oxel plot: runs probe plane waves through a plug-in and draws what came
// out: Pelrin-like pairs (4 inputs, 2 outputs) as polar patterns, field
// rotators (4 in, 4 out) as where the six principal directions land. PNG
// through the platform's antialiased canvas, SVG written as text.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "PairRecipes.h"
#include "argument_reader.h"
#include "commands.h"
#include "parameter_resolver.h"
#include "platform.h"
#include "plot.h"
#include "plugin_open.h"
#include "text_parse.h"

namespace oxel {

namespace {

constexpr const char* kPlotHelp =
    "usage: oxel plot PLUGIN OUT.png|OUT.svg [--program N] [--preset NAME]\n"
    "                 [--set NAME=VALUE ...] [--csv OUT.csv]\n"
    "\n"
    "Measures the plug-in with probe plane waves and draws what it does. A\n"
    "microphone pair (4 inputs, 2 outputs, such as Pelrin): both outputs' polar\n"
    "patterns in the horizontal plane, a probe from every degree, in dB, with the\n"
    "included angle and the front acceptance angle. A field rotator (4 inputs and\n"
    "outputs, such as Tavrel): where front, back, left, right, up and down land,\n"
    "seen from above and from the front.\n"
    "  --program N       start from program N (0-based)\n"
    "  --preset NAME     a Pelrin recipe (see 'oxel presets'), named in the title\n"
    "  --set NAME=VALUE  set a parameter (0..1, or a number with the parameter's\n"
    "                    unit, as in 'oxel render'), after --program and --preset\n"
    "  --csv OUT.csv     also write the numbers the picture is drawn from: for a\n"
    "                    pair azimuth_deg,mic1,mic2 (signed gain of a unit plane\n"
    "                    wave from that azimuth, counter-clockwise from the front,\n"
    "                    elevation 0); for a rotator each direction's input and\n"
    "                    output unit vectors (X front, Y left, Z up)\n";

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string lowered(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool writeText(const std::string& path, const std::string& text) {
  std::ofstream out{path, std::ios::binary};
  out << text;
  out.close();
  return static_cast<bool>(out);
}

// "Pelrin · preset blumlein", and the recipe's description or the values.
// A display text as a short number: "131.0000" -> "131", "0.500000" -> "0.5".
std::string shortNumber(const std::string& shown) {
  char* end = nullptr;
  const double v = std::strtod(shown.c_str(), &end);
  if (end == shown.c_str()) return shown;
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", v);
  std::string s{text};
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s == "-0" ? "0" : s;
}

PlotTitle titleFor(PluginInstance& plugin, const std::string& path, int program, const std::string& preset,
                   const std::vector<ParameterSetting>& settings) {
  PlotTitle t;
  t.title = plugin.effectName();
  if (t.title.empty()) t.title = plugin.productString();
  if (t.title.empty()) t.title = std::filesystem::path{path}.stem().string();
  std::string recipe;
  if (program >= 0)
    recipe = "program " + std::to_string(program) + " \"" + plugin.programName() + "\"";
  if (!preset.empty()) recipe += std::string{recipe.empty() ? "" : ", "} + "preset " + preset;
  for (const ParameterSetting& s : settings)
    recipe += std::string{recipe.empty() ? "" : ", "} + s.text;
  if (!recipe.empty()) t.title += " \u00b7 " + recipe;
  if (const MicrophonePreset* p = preset.empty() ? nullptr : findMicrophonePreset(preset)) {
    t.subtitle = p->description;
  }
  std::string& values = t.values;
  for (VstInt32 i = 0; i < plugin.numParams(); ++i) {
    std::string shown = plugin.parameterDisplay(i);
    shown.erase(0, shown.find_first_not_of(' '));
    shown.erase(shown.find_last_not_of(' ') + 1);
    std::string label = plugin.parameterLabel(i);
    values += std::string{values.empty() ? "" : "  \u00b7  "} + plugin.parameterName(i) + " " +
              shortNumber(shown) + (label == "degrees" ? "\u00b0" : "");
  }
  return t;
}

// Plot draws B-format plug-ins with 4 inputs and 2 or 4 outputs, on one of their programs;
// kExitOk or the status after printing why this one cannot be drawn.
int checkPlottable(PluginInstance& plugin, const std::string& name, int program) {
  const bool pair = plugin.numInputs() == 4 && plugin.numOutputs() == 2;
  const bool field = plugin.numInputs() == 4 && plugin.numOutputs() == 4;
  if (!pair && !field)
    return fail(kExitBadInput,
                "plot: " + name + " has " + std::to_string(plugin.numInputs()) + " inputs and " +
                    std::to_string(plugin.numOutputs()) +
                    " outputs; plot draws B-format plug-ins with 4 inputs and 2 or 4 outputs");
  if (program >= plugin.numPrograms())
    return fail(kExitUsage, "plot: --program " + std::to_string(program) +
                                " is out of range (the plug-in has " +
                                std::to_string(plugin.numPrograms()) + " programs, 0 to " +
                                std::to_string(plugin.numPrograms() - 1) + ")");
  return kExitOk;
}

// The program, the preset and the --set values, into the plug-in (the probe
// works out the values); kExitOk or the status.
int applyRecipe(PluginInstance& plugin, PluginInstance& probe, int program,
                const std::string& preset, const std::vector<ParameterSetting>& settings) {
  if (program >= 0) {
    plugin.setProgram(program);
    probe.setProgram(program);
  }
  ParameterResolver resolver{probe};
  std::vector<ParameterValue> values;
  std::string error;
  if (!resolver.settings(preset, settings, values, error))
    return fail(kExitBadInput, "plot: " + error);
  for (const ParameterValue& v : values) plugin.setParameter(v.index, v.value);
  return kExitOk;
}

// Draws the plot into an SVG document or a PNG picture, by OUT's ending.
int writePicture(const std::string& out, bool svg,
                 const std::function<void(oxel::platform::Canvas&)>& draw) {
  if (svg) {
    oxel::platform::SvgCanvas canvas{kPlotWidth, kPlotHeight};
    draw(canvas);
    if (!writeText(out, canvas.document())) return fail(kExitFailure, "plot: cannot write " + out);
    return kExitOk;
  }
  oxel::platform::PixelPort picture{kPlotWidth, kPlotHeight};
  if (auto canvas = oxel::platform::portCanvas(picture, 1)) draw(*canvas);
  if (!oxel::platform::writePng(picture, out))
    return fail(kExitFailure, "plot: cannot write " + out);
  return kExitOk;
}

}  // namespace

int runPlot(const Args& args) {
  std::vector<std::string> positional;
  std::vector<ParameterSetting> settings;
  std::string preset, csvPath;
  int program = -1;
  ArgumentReader reader{"plot", kPlotHelp};
  reader.custom("--set", "NAME=VALUE", collectParameterSetting(settings))
      .custom("--program", "a program number from 0", takeProgramNumber(program))
      .text("--preset", "a name (see 'oxel presets')", preset)
      .text("--csv", "a CSV file", csvPath)
      .positionals("PLUGIN OUT.png|OUT.svg", 2, 2, positional);
  if (const int status = reader.read(args); status != kExitOk || reader.helpShown()) return status;
  const std::string& out = positional[1];
  const bool svg = endsWith(lowered(out), ".svg");
  if (!svg && !endsWith(lowered(out), ".png"))
    return fail(kExitUsage, "plot: " + out + " must end in .png or .svg");

  std::string error;
  auto library = openPluginLibrary(positional[0], error);
  auto plugin = library ? PluginInstance::create(library, error) : nullptr;
  auto probe = library ? PluginInstance::create(library, error) : nullptr;
  if (!plugin || !probe) return fail(kExitNoPlugin, error);
  if (const int status = checkPlottable(*plugin, positional[0], program); status != kExitOk)
    return status;
  const bool pair = plugin->numOutputs() == 2;
  if (const int status = applyRecipe(*plugin, *probe, program, preset, settings); status != kExitOk)
    return status;
  const PlotTitle title = titleFor(*plugin, library->path(), program, preset, settings);

  PairResponse pairResponse;
  FieldResponse fieldResponse;
  if (pair)
    measurePair(*plugin, pairResponse);
  else
    measureField(*plugin, fieldResponse);

  if (!csvPath.empty() &&
      !writeText(csvPath, pair ? pairCsv(pairResponse) : fieldCsv(fieldResponse)))
    return fail(kExitFailure, "plot: cannot write " + csvPath);

  return writePicture(out, svg, [&](oxel::platform::Canvas& canvas) {
    if (pair)
      drawPairPlot(canvas, pairResponse, title);
    else
      drawFieldPlot(canvas, fieldResponse, title);
  });
}

}  // namespace oxel
