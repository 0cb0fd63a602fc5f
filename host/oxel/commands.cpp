#include "commands.h"

#include <cstdio>

namespace oxel {

namespace {
std::string& currentCommand() {
  static std::string command;
  return command;
}
}  // namespace

void setCurrentCommand(const std::string& command) { currentCommand() = command; }

int fail(int status, const std::string& message) {
  // Every error line names the command once, whichever layer wrote the message.
  const std::string& command = currentCommand();
  const std::string prefix = command.empty() ? std::string{} : command + ": ";
  const bool named = message.compare(0, prefix.size(), prefix) == 0;
  std::fprintf(stderr, "oxel: %s%s\n", named ? "" : prefix.c_str(), message.c_str());
  return status;
}

}  // namespace oxel
