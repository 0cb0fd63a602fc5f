// oxel info: what a plug-in tells its host about itself.
#include <cstdio>
#include <string>

#include "commands.h"
#include "plugin_open.h"

namespace oxel {

namespace {

const char* const kInfoHelp =
    "usage: oxel info PLUGIN\n"
    "\n"
    "Loads PLUGIN through its entry point, as a host does, and prints its identity\n"
    "(unique ID, vendor, version, category, flags), its input and output pins,\n"
    "its parameters (name, unit, current value and display text) and its programs.\n";

std::string flagNames(VstInt32 flags) {
  static const struct {
    VstInt32 bit;
    const char* name;
  } kFlags[] = {{effFlagsHasEditor, "editor"},         {effFlagsHasClip, "clip"},
                {effFlagsHasVu, "vu"},                 {effFlagsCanMono, "mono"},
                {effFlagsCanReplacing, "replacing"},   {effFlagsProgramChunks, "chunks"},
                {effFlagsIsSynth, "synth"},            {effFlagsNoSoundInStop, "no-tail"}};
  std::string names;
  for (const auto& f : kFlags)
    if (flags & f.bit) names += (names.empty() ? "" : ", ") + std::string{f.name};
  return names.empty() ? "none" : names;
}

}  // namespace

int runInfo(const Args& args) {
  std::string spec;
  for (const std::string& arg : args) {
    if (arg == "--help" || arg == "-h") {
      std::fputs(kInfoHelp, stdout);
      return kExitOk;
    }
    if (!arg.empty() && arg[0] == '-') return fail(kExitUsage, "info: unknown option " + arg);
    if (!spec.empty()) return fail(kExitUsage, "info: takes one PLUGIN");
    spec = arg;
  }
  if (spec.empty()) return fail(kExitUsage, "info: missing PLUGIN (try 'oxel info --help')");

  std::string error;
  auto plugin = openPlugin(spec, error);
  if (!plugin) return fail(kExitNoPlugin, error);
  AEffect* e = plugin->effect();

  std::printf("plug-in      %s\n", plugin->effectName().empty() ? spec.c_str()
                                                                 : plugin->effectName().c_str());
  std::printf("unique ID    %s (0x%08X)\n", fourCharString(e->uniqueID).c_str(),
              static_cast<unsigned>(e->uniqueID));
  std::printf("vendor       %s, version %d\n", plugin->vendorString().c_str(),
              plugin->vendorVersion());
  std::printf("interface    %d, category %d\n", plugin->vstVersion(), plugin->category());
  std::printf("flags        %s\n", flagNames(e->flags).c_str());

  std::printf("\ninputs (%d):  ", plugin->numInputs());
  for (VstInt32 i = 0; i < plugin->numInputs(); ++i)
    std::printf("%s%s", i ? ", " : "", plugin->inputLabel(i).c_str());
  std::printf("\noutputs (%d): ", plugin->numOutputs());
  for (VstInt32 i = 0; i < plugin->numOutputs(); ++i)
    std::printf("%s%s", i ? ", " : "", plugin->outputLabel(i).c_str());

  std::printf("\n\nparameters (%d):\n", plugin->numParams());
  std::printf("  %-3s %-22s %-10s %-12s %s\n", "#", "name", "unit", "value", "display");
  for (VstInt32 i = 0; i < plugin->numParams(); ++i) {
    std::printf("  %-3d %-22s %-10s %-12.8g %s\n", i, plugin->parameterName(i).c_str(),
                plugin->parameterLabel(i).c_str(), static_cast<double>(plugin->parameter(i)),
                plugin->parameterDisplay(i).c_str());
  }

  std::printf("\nprograms (%d, current %d):\n", plugin->numPrograms(), plugin->program());
  for (VstInt32 p = 0; p < plugin->numPrograms(); ++p)
    std::printf("  %-3d %s\n", p, plugin->programNameIndexed(p).c_str());
  return kExitOk;
}

}  // namespace oxel
