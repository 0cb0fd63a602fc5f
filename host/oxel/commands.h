// The oxel subcommands. Each takes its arguments (without the command name),
// prints its own errors as one line on stderr and returns the exit status.
#pragma once

#include <string>
#include <vector>

namespace oxel {

using Args = std::vector<std::string>;

// Exit statuses shared by all commands.
enum ExitStatus : int {
  kExitOk = 0,
  kExitFailure = 1,     // the work itself failed (I/O, plug-in refused)
  kExitUsage = 2,       // bad command line
  kExitBadInput = 3,    // an input file or value that cannot be used
  kExitNoPlugin = 4,    // the plug-in cannot be found or loaded
};

int runInfo(const Args& args);
int runRender(const Args& args);
int runPresets(const Args& args);
int runDemo(const Args& args);
int runBench(const Args& args);
int runShot(const Args& args);
int runEdit(const Args& args);
int runGallery(const Args& args);
int runStress(const Args& args);
int runTrack(const Args& args);
int runLive(const Args& args);
int runPlot(const Args& args);

// The command being run (the first argument), named by every error line.
void setCurrentCommand(const std::string& command);
// Prints "oxel: COMMAND: message" on stderr (the command once, also when the
// message already starts with it) and returns status.
int fail(int status, const std::string& message);

}  // namespace oxel
