// oxel: a command-line host for B-format plug-ins. Each subcommand is one row
// of kCommands; adding a command is adding a row (and its run function).
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "commands.h"

namespace {

struct Command {
  const char* name;
  const char* usage;    // shown in 'oxel --help'
  const char* summary;  // likewise
  int (*run)(const oxel::Args& args);
};

constexpr Command kCommands[] = {
    {"info", "info PLUGIN [--json]", "identity, pins, parameters and programs of a plug-in",
     oxel::runInfo},
    {"render", "render PLUGIN IN OUT", "process an audio file through a plug-in", oxel::runRender},
    {"presets", "presets [--json]", "Pelrin's coincident-pair recipes (render --preset)",
     oxel::runPresets},
    {"demo", "demo [--out DIR]", "synthesise a B-format scene and render it through both",
     oxel::runDemo},
    {"shot", "shot PLUGIN OUT.png", "draw the plug-in's editor without a display, to PNG",
     oxel::runShot},
    {"edit", "edit PLUGIN", "open the plug-in's editor in an X11 window, print its edits",
     oxel::runEdit},
    {"plot", "plot PLUGIN OUT.png", "measure a plug-in with plane waves and draw its patterns",
     oxel::runPlot},
    {"gallery", "gallery OUT.png", "draw the toolkit's control gallery without a display, to PNG",
     oxel::runGallery},
    {"bench", "bench [--dir DIR]", "run the benchmark programs and print their ratios",
     oxel::runBench},
    {"stress", "stress PLUGIN", "torture a plug-in as demanding hosts do; report failures",
     oxel::runStress},
    {"live", "live PLUGIN...", "run a chain of plug-ins on JACK, turned by a head tracker",
     oxel::runLive},
    {"track", "track monitor|record", "show or record what a head tracker sends over OSC",
     oxel::runTrack},
};

void printUsage(std::FILE* out) {
  std::fputs(
      "usage: oxel COMMAND [ARGS]\n"
      "       oxel --version\n"
      "\n"
      "A command-line host for the Pelrin and Tavrel B-format plug-ins (and any\n"
      "LXVST plug-in with the same binary interface): it loads a plug-in's .so\n"
      "through its entry point, as a host does.\n"
      "\n"
      "commands:\n",
      out);
  for (const Command& command : kCommands)
    std::fprintf(out, "  %-22s %s\n", command.usage, command.summary);
  std::fputs(
      "\n"
      "PLUGIN is a path to a .so, a plug-in folder (Name/Name.so), or a name looked\n"
      "up in $VST_PATH (colon-separated), ~/.vst, /usr/local/lib/vst, /usr/lib/vst\n"
      "and the vst/ folder beside oxel's bin/; or an LV2 plug-in: its URI (found in\n"
      "$LV2_PATH, ~/.lv2, /usr/local/lib/lv2, /usr/lib/lv2) or its bundle folder\n"
      "(Name.lv2/).\n"
      "Run 'oxel COMMAND --help' for a command's options. Options take their value\n"
      "as '--name VALUE' or '--name=VALUE'; '--' ends the options.\n"
      "\n"
      "exit status: 0 done, 1 the work failed, 2 bad command line, 3 unusable input\n"
      "file or value, 4 plug-in not found or not loadable; stopped by a signal:\n"
      "128 + its number (129 hang-up, 130 Ctrl+C, 143 kill's default SIGTERM).\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    printUsage(stderr);
    return oxel::kExitUsage;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    printUsage(stdout);
    return oxel::kExitOk;
  }
  if (std::strcmp(argv[1], "--version") == 0 || std::strcmp(argv[1], "-V") == 0) {
    std::printf("oxel %s\n", OXEL_VERSION);
    return oxel::kExitOk;
  }
  const std::string name = argv[1];
  const oxel::Args args(argv + 2, argv + argc);
  oxel::setCurrentCommand(name);
  for (const Command& command : kCommands) {
    if (name != command.name) continue;
    try {
      return command.run(args);
    } catch (const std::exception& e) {
      return oxel::fail(oxel::kExitFailure, name + ": " + e.what());
    } catch (...) {
      return oxel::fail(oxel::kExitFailure, name + ": unexpected failure");
    }
  }
  return oxel::fail(oxel::kExitUsage, "unknown command (try 'oxel --help')");
}
