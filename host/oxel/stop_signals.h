// Ctrl+C, SIGTERM and SIGHUP as a request to stop, for the commands that run
// until told to (track, live): they finish cleanly and exit with 128 + the
// signal's number, as the other commands do when a signal ends them.
#pragma once

#include <csignal>

namespace oxel {

class StopSignals {
 public:
  StopSignals();   // installs the handlers
  ~StopSignals();  // restores the previous ones
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;
  // The signal that asked to stop, or 0.
  int caught() const;
  int exitStatus() const { return 128 + caught(); }

 private:
  struct sigaction previous_[3];
};

}  // namespace oxel
