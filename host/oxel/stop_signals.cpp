#include "stop_signals.h"

namespace oxel {

namespace {

volatile std::sig_atomic_t gCaught = 0;
constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};

void remember(int signal) { gCaught = signal; }

}  // namespace

StopSignals::StopSignals() {
  gCaught = 0;
  struct sigaction action {};
  action.sa_handler = remember;
  sigemptyset(&action.sa_mask);
  for (int k = 0; k < 3; ++k) sigaction(kSignals[k], &action, &previous_[k]);
}

StopSignals::~StopSignals() {
  for (int k = 0; k < 3; ++k) sigaction(kSignals[k], &previous_[k], nullptr);
}

int StopSignals::caught() const { return gCaught; }

}  // namespace oxel
