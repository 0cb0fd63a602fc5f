// oxel stress: the host-torture run from the command line.
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "argument_reader.h"
#include "commands.h"
#include "stress.h"

namespace oxel {

namespace {

const char* const kStressHelp =
    "usage: oxel stress PLUGIN [--seconds N] [--seed S] [--verbose]\n"
    "\n"
    "Tortures PLUGIN the way demanding hosts do and reports what breaks: instances\n"
    "created and destroyed in bulk; every dispatcher opcode with edge arguments\n"
    "(index -1 and huge, null and real pointers, over-long texts); parameter storms\n"
    "(NaN, infinities, +-1e30) from a second thread while the audio thread\n"
    "processes blocks of 0, 1, 2, 3, odd primes, 4096 and 65536 frames, replacing\n"
    "and accumulating, in place and not; sample-rate changes from 8 to 384 kHz;\n"
    "suspend/resume, program switching and renaming while audio runs; a plug-in\n"
    "with an editor also has it opened, idled, drawn and closed over and over (in\n"
    "memory, and in an X11 window when DISPLAY is set) while audio runs and\n"
    "parameters change.\n"
    "\n"
    "Checks: no crash, finite output for finite input while parameters are within\n"
    "0..1 (and again once they return there after a storm), every text terminated\n"
    "inside its buffer and within its size, no heap growth across instance churn.\n"
    "\n"
    "  --seconds N   running time (default 10)\n"
    "  --seed S      seed of the random choices (default 1); a failure prints it\n"
    "  --verbose     report each phase\n"
    "\n"
    "exit status: 0 no failure, 1 failures found, 2 bad command line, 4 plug-in\n"
    "not found or not loadable.\n";

}  // namespace

int runStress(const Args& args) {
  StressOptions options;
  std::vector<std::string> positional;
  ArgumentReader reader{"stress", kStressHelp};
  reader.flag("--verbose", options.verbose)
      .number("--seconds", 0.001, 86400.0, "seconds", options.seconds)
      .custom("--seed", "a whole number",
              [&options](const std::string& v, std::string&, int&) {
                const char* end = v.data() + v.size();
                auto [ptr, ec] = std::from_chars(v.data(), end, options.seed);
                return ec == std::errc{} && ptr == end && !v.empty();
              })
      .positionals("PLUGIN", 1, 1, positional);
  if (const int status = reader.read(args); status != kExitOk || reader.helpShown()) return status;
  options.plugin = positional[0];

  StressReport report;
  std::string error;
  const bool passed = runStressTest(options, report, error);
  if (!error.empty()) return fail(kExitNoPlugin, error);
  std::printf(
      "stress: %s: %llu instances, %llu dispatcher calls (%llu texts checked), %llu blocks "
      "(%llu frames), %llu parameter changes, %llu program switches, %llu editor cycles (%llu on X11)\n",
      options.plugin.c_str(), static_cast<unsigned long long>(report.instances),
      static_cast<unsigned long long>(report.dispatcherCalls),
      static_cast<unsigned long long>(report.textChecks),
      static_cast<unsigned long long>(report.blocks),
      static_cast<unsigned long long>(report.frames),
      static_cast<unsigned long long>(report.parameterSets),
      static_cast<unsigned long long>(report.programSwitches),
      static_cast<unsigned long long>(report.editorCycles),
      static_cast<unsigned long long>(report.x11EditorCycles));
  if (passed) {
    std::printf("stress: no failures\n");
    return kExitOk;
  }
  std::printf("stress: %d failure(s); first: %s\nstress: reproduce with --seed %llu\n",
              report.failures, report.firstFailure.c_str(),
              static_cast<unsigned long long>(options.seed));
  return kExitFailure;
}

}  // namespace oxel
