// oxel info: what a plug-in tells its host about itself, as text or JSON.
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "plugin_open.h"
#include "plugin_path.h"

namespace oxel {

namespace {

const char* const kInfoHelp =
    "usage: oxel info PLUGIN [--json]\n"
    "\n"
    "Loads PLUGIN through its entry point, as a host does, and prints its identity\n"
    "(unique ID, vendor, version, category, flags), its input and output pins with\n"
    "their labels, its parameters (index, name, unit, current normalised value and\n"
    "display text) and its programs with their names.\n"
    "\n"
    "  --json   the same as one JSON object, for scripts: keys path, name, uniqueId,\n"
    "           uniqueIdCode, vendor, vendorVersion, interfaceVersion, category,\n"
    "           flags, flagNames, inputs, outputs, parameters (index, name, label,\n"
    "           value, display), currentProgram, programs (index, name)\n"
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

void printText(PluginInstance& plugin, const std::string& pluginArg) {
  AEffect* e = plugin.effect();
  std::printf("plug-in      %s\n", plugin.effectName().empty() ? pluginArg.c_str()
                                                                : plugin.effectName().c_str());
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
  std::printf("  %-3s %-22s %-10s %-12s %s\n", "#", "name", "unit", "value", "display");
  for (VstInt32 i = 0; i < plugin.numParams(); ++i) {
    std::printf("  %-3d %-22s %-10s %-12.8g %s\n", i, plugin.parameterName(i).c_str(),
                plugin.parameterLabel(i).c_str(), static_cast<double>(plugin.parameter(i)),
                plugin.parameterDisplay(i).c_str());
  }

  std::printf("\nprograms (%d, current %d):\n", plugin.numPrograms(), plugin.program());
  for (VstInt32 p = 0; p < plugin.numPrograms(); ++p)
    std::printf("  %-3d %s\n", p, plugin.programNameIndexed(p).c_str());
}

// Plug-in texts are meant to be UTF-8 here; anything else is replaced rather than refused.
std::string dumpJson(const nlohmann::json& document) {
  return document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace);
}

void printJson(PluginInstance& plugin, const std::string& path) {
  AEffect* e = plugin.effect();
  nlohmann::json doc;
  doc["path"] = path;
  doc["name"] = plugin.effectName();
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
  for (VstInt32 i = 0; i < plugin.numParams(); ++i) {
    doc["parameters"].push_back({{"index", i},
                                 {"name", plugin.parameterName(i)},
                                 {"label", plugin.parameterLabel(i)},
                                 {"value", plugin.parameter(i)},
                                 {"display", plugin.parameterDisplay(i)}});
  }
  doc["currentProgram"] = plugin.program();
  doc["programs"] = nlohmann::json::array();
  for (VstInt32 p = 0; p < plugin.numPrograms(); ++p)
    doc["programs"].push_back({{"index", p}, {"name", plugin.programNameIndexed(p)}});
  std::printf("%s\n", dumpJson(doc).c_str());
}

}  // namespace

int runInfo(const Args& args) {
  std::string pluginArg;
  bool json = false;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(kInfoHelp, stdout);
      return kExitOk;
    }
    if (arg == "--json") {
      json = true;
      continue;
    }
    if (!arg.empty() && arg[0] == '-') return fail(kExitUsage, "info: unknown option " + arg);
    if (!pluginArg.empty()) return fail(kExitUsage, "info: takes one PLUGIN");
    pluginArg = arg;
  }
  if (pluginArg.empty()) return fail(kExitUsage, "info: missing PLUGIN (try 'oxel info --help')");

  std::string error;
  const std::string path = resolvePluginPath(pluginArg, error);
  if (path.empty()) return fail(kExitNoPlugin, error);
  auto plugin = openPlugin(path, error);
  if (!plugin) return fail(kExitNoPlugin, error);
  if (json) printJson(*plugin, path);
  else printText(*plugin, pluginArg);
  return kExitOk;
}

}  // namespace oxel
