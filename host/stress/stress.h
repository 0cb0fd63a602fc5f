// A host-torture run for a plug-in: instance churn, every dispatcher opcode
// with edge arguments, parameter storms from a second thread while the audio
// thread processes odd block sizes, suspend/resume, program switching and
// renaming, sample-rate changes. Checks that nothing crashes, that outputs stay
// finite for finite inputs and sane parameters, that every text is terminated
// inside its buffer, and that memory does not grow with instance churn.
#pragma once

#include <cstdint>
#include <string>

namespace oxel {

struct StressOptions {
  std::string plugin;      // path, folder or name of the plug-in
  double seconds = 10.0;   // total running time, split between the phases
  uint64_t seed = 1;
  bool verbose = false;
};

struct StressReport {
  uint64_t instances = 0, dispatcherCalls = 0, blocks = 0, frames = 0, parameterSets = 0;
  uint64_t programSwitches = 0, textChecks = 0, editorCycles = 0, x11EditorCycles = 0;
  int failures = 0;
  std::string firstFailure;
};

// Runs the torture; fills report. Returns false (with report.firstFailure) on any failure.
bool runStressTest(const StressOptions& options, StressReport& report, std::string& error);

}  // namespace oxel
