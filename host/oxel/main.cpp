// oxel: a command-line host for B-format plug-ins.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

#include "commands.h"

namespace {

const char* const kUsage =
    "usage: oxel COMMAND [ARGS]\n"
    "\n"
    "A command-line host for the Pelrin and Tavrel B-format plug-ins (and any\n"
    "LXVST plug-in with the same binary interface).\n"
    "\n"
    "commands:\n"
    "  info PLUGIN            identity, pins, parameters and programs of a plug-in\n"
    "  render PLUGIN IN OUT   process an audio file through a plug-in\n"
    "  demo [--out DIR]       synthesise a B-format scene and render it through both plug-ins\n"
    "\n"
    "PLUGIN is a path to a .so, a plug-in folder, or a name looked up in $VST_PATH,\n"
    "~/.vst, /usr/local/lib/vst and /usr/lib/vst.\n"
    "Run 'oxel COMMAND --help' for a command's options.\n";

}  // namespace

namespace oxel {
int fail(int status, const std::string& message) {
  std::fprintf(stderr, "oxel: %s\n", message.c_str());
  return status;
}
}  // namespace oxel

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    std::fputs(kUsage, argc < 2 ? stderr : stdout);
    return argc < 2 ? oxel::kExitUsage : oxel::kExitOk;
  }
  const std::string command = argv[1];
  const oxel::Args args(argv + 2, argv + argc);
  try {
    if (command == "info") return oxel::runInfo(args);
    if (command == "render") return oxel::runRender(args);
    if (command == "demo") return oxel::runDemo(args);
  } catch (const std::exception& e) {
    return oxel::fail(oxel::kExitFailure, e.what());
  }
  return oxel::fail(oxel::kExitUsage, "unknown command '" + command + "' (try 'oxel --help')");
}
