// oxel info: what a plug-in tells its host about itself, as text or JSON.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "argument_reader.h"
#include "commands.h"
#include "plugin_open.h"
#include "parameter_value.h"
#include "plugin_path.h"
#include "text_parse.h"

namespace oxel {

namespace {

namespace fs = std::filesystem;

const char* const kInfoHelp =
    "usage: oxel info PLUGIN [--json]\n"
    "\n"
    "Loads PLUGIN through its entry point, as a host does, and prints its identity\n"
    "(name, the file loaded, unique ID, vendor, version, category, flags), its input\n"
    "and output pins with their labels, its parameters (index, name, unit, current\n"
    "normalised value, display text, and what the display shows at 0 and at 1) and\n"
    "its programs with their names.\n"
    "\n"
    "  --json   the same as one JSON object, for scripts: keys path, name, uniqueId,\n"
    "           uniqueIdCode, vendor, vendorVersion, interfaceVersion, category,\n"
    "           flags, flagNames, inputs, outputs, parameters (index, name, label,\n"
    "           value, display, displayAt0, displayAt1), currentProgram, programs\n"
    "           (index, name). name is the plug-in's own, else its product's, else\n"
    "           the file's.\n"
    "\n"
    "exit status: 0 done, 2 bad command line, 4 plug-in not found or not loadable.\n";

std::vector<std::string> flagNames(VstInt32 flags) {
  static const struct {
    VstInt32 bit;
    const char* name;
  } kFlags[] = {{effFlagsHasEditor, "editor"},         {effFlagsHasClip, "clip"},
                {effFlagsHasVu, "vu"},                 {effFlagsCanMono, "mono"},
                {effFlagsCanReplacing, "replacing"},   {effFlagsProgramChunks, "chunks"},
                {effFlagsIsSynth, "synth"},            {effFlagsNoSoundInStop, "no-tail"}};
  std::vector<std::string> names;
  for (const auto& f : kFlags)
    if (flags & f.bit) names.emplace_back(f.name);
  return names;
}

// What a parameter's display shows at 0 and at 1, numbers without padding.
struct DisplayRange {
  std::string from, to;
};

std::string shownAt(PluginInstance& probe, VstInt32 index, float value) {
  probe.setParameter(index, value);
  const std::string display = probe.parameterDisplay(index);
  double number = 0.0;
  int decimals = 0;
  if (!displayedNumber(display, number, decimals)) return std::string{trim(display)};
  char text[32];
  std::snprintf(text, sizeof text, "%g", number);
  return text;
}

// Ranges are read on a second instance, so the one reported keeps its values.
std::vector<DisplayRange> displayRanges(PluginInstance& plugin, PluginInstance* probe) {
  std::vector<DisplayRange> ranges;
  for (VstInt32 i = 0; i < plugin.numParams(); ++i)
    ranges.push_back(probe ? DisplayRange{shownAt(*probe, i, 0.0f), shownAt(*probe, i, 1.0f)}
                           : DisplayRange{});
  return ranges;
}

void printText(PluginInstance& plugin, PluginInstance* probe, const std::string& path) {
  AEffect* e = plugin.effect();
  std::printf("plug-in      %s\n", pluginName(plugin, path).c_str());
  std::printf("file         %s\n", path.c_str());
  std::printf("unique ID    %s (0x%08X)\n", fourCharString(e->uniqueID).c_str(),
              static_cast<unsigned>(e->uniqueID));
  std::printf("vendor       %s, version %d\n", plugin.vendorString().c_str(),
              plugin.vendorVersion());
  std::printf("interface    %d, category %d\n", plugin.vstVersion(), plugin.category());
  std::string flags;
  for (const std::string& name : flagNames(e->flags)) flags += (flags.empty() ? "" : ", ") + name;
  std::printf("flags        %s\n", flags.empty() ? "none" : flags.c_str());

  std::printf("\ninputs (%d):  ", plugin.numInputs());
  for (VstInt32 i = 0; i < plugin.numInputs(); ++i)
    std::printf("%s%s", i ? ", " : "", plugin.inputLabel(i).c_str());
  std::printf("\noutputs (%d): ", plugin.numOutputs());
  for (VstInt32 i = 0; i < plugin.numOutputs(); ++i)
    std::printf("%s%s", i ? ", " : "", plugin.outputLabel(i).c_str());

  std::printf("\n\nparameters (%d):\n", plugin.numParams());
  std::printf("  %-3s %-22s %-10s %-12s %-12s %s\n", "#", "name", "unit", "value", "display",
              "range (value 0 to 1)");
  const std::vector<DisplayRange> ranges = displayRanges(plugin, probe);
  for (VstInt32 i = 0; i < plugin.numParams(); ++i) {
    const DisplayRange& range = ranges[static_cast<size_t>(i)];
    const std::string rangeText =
        range.from.empty() && range.to.empty()
            ? ""
            : range.from + " to " + range.to + " " + plugin.parameterLabel(i);
    std::printf("  %-3d %-22s %-10s %-12.8g %-12s %s\n", i, plugin.parameterName(i).c_str(),
                plugin.parameterLabel(i).c_str(), static_cast<double>(plugin.parameter(i)),
                std::string{trim(plugin.parameterDisplay(i))}.c_str(), rangeText.c_str());
  }

  std::printf("\nprograms (%d, current %d):\n", plugin.numPrograms(), plugin.program());
  for (VstInt32 p = 0; p < plugin.numPrograms(); ++p)
    std::printf("  %-3d %s\n", p, plugin.programNameIndexed(p).c_str());
}

// Plug-in texts are meant to be UTF-8 here; anything else is replaced rather than refused.
std::string dumpJson(const nlohmann::json& document) {
  return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

void printJson(PluginInstance& plugin, PluginInstance* probe, const std::string& path) {
  AEffect* e = plugin.effect();
  nlohmann::json doc;
  doc["path"] = path;
  doc["name"] = pluginName(plugin, path);
  doc["uniqueId"] = fourCharString(e->uniqueID);
  doc["uniqueIdCode"] = static_cast<uint32_t>(e->uniqueID);
  doc["vendor"] = plugin.vendorString();
  doc["vendorVersion"] = plugin.vendorVersion();
  doc["interfaceVersion"] = plugin.vstVersion();
  doc["category"] = plugin.category();
  doc["flags"] = e->flags;
  doc["flagNames"] = flagNames(e->flags);
  doc["inputs"] = nlohmann::json::array();
  for (VstInt32 i = 0; i < plugin.numInputs(); ++i) doc["inputs"].push_back(plugin.inputLabel(i));
  doc["outputs"] = nlohmann::json::array();
  for (VstInt32 i = 0; i < plugin.numOutputs(); ++i)
    doc["outputs"].push_back(plugin.outputLabel(i));
  doc["parameters"] = nlohmann::json::array();
  const std::vector<DisplayRange> ranges = displayRanges(plugin, probe);
  for (VstInt32 i = 0; i < plugin.numParams(); ++i) {
    doc["parameters"].push_back({{"index", i},
                                 {"name", plugin.parameterName(i)},
                                 {"label", plugin.parameterLabel(i)},
                                 {"value", plugin.parameter(i)},
                                 {"display", plugin.parameterDisplay(i)},
                                 {"displayAt0", ranges[static_cast<size_t>(i)].from},
                                 {"displayAt1", ranges[static_cast<size_t>(i)].to}});
  }
  doc["currentProgram"] = plugin.program();
  doc["programs"] = nlohmann::json::array();
  for (VstInt32 p = 0; p < plugin.numPrograms(); ++p)
    doc["programs"].push_back({{"index", p}, {"name", plugin.programNameIndexed(p)}});
  std::printf("%s\n", dumpJson(doc).c_str());
}

}  // namespace

int runInfo(const Args& args) {
  bool json = false;
  std::vector<std::string> positional;
  ArgumentReader reader{"info", kInfoHelp};
  reader.flag("--json", json).positionals("PLUGIN", 1, 1, positional);
  if (const int status = reader.read(args); status != kExitOk || reader.helpShown()) return status;
  const std::string& pluginArg = positional[0];

  std::string error;
  auto library = openPluginLibrary(pluginArg, error);
  auto plugin = library ? PluginInstance::create(library, error) : nullptr;
  if (!plugin) return fail(kExitNoPlugin, error);
  std::string probeError;
  auto probe = PluginInstance::create(library, probeError);
  if (json)
    printJson(*plugin, probe.get(), library->path());
  else
    printText(*plugin, probe.get(), library->path());
  return kExitOk;
}

}  // namespace oxel
