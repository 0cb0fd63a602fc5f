#include "process_pool.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <map>

namespace oxel {

namespace {

constexpr int kMaxChildren = 1024;
volatile pid_t gChildren[kMaxChildren] = {};
volatile std::sig_atomic_t gStopSignal = 0;

void passOn(int signal) {
  gStopSignal = signal;
  for (int i = 0; i < kMaxChildren; ++i)
    if (gChildren[i] > 0) kill(gChildren[i], signal);
}

void remember(pid_t pid) {
  for (int i = 0; i < kMaxChildren; ++i)
    if (gChildren[i] == 0) {
      gChildren[i] = pid;
      return;
    }
}

void forget(pid_t pid) {
  for (int i = 0; i < kMaxChildren; ++i)
    if (gChildren[i] == pid) gChildren[i] = 0;
}

}  // namespace

void runInChildProcesses(size_t count, int parallel, const std::function<int(size_t)>& job,
                         const std::function<void(size_t, int)>& done) {
  if (parallel < 1) parallel = 1;
  if (parallel > kMaxChildren) parallel = kMaxChildren;
  struct sigaction action {
  }, previous[3];
  action.sa_handler = passOn;
  sigemptyset(&action.sa_mask);
  const int signals[3] = {SIGINT, SIGTERM, SIGHUP};
  for (int k = 0; k < 3; ++k) sigaction(signals[k], &action, &previous[k]);

  std::map<pid_t, size_t> running;
  size_t next = 0;
  while ((next < count && gStopSignal == 0) || !running.empty()) {
    while (next < count && gStopSignal == 0 && static_cast<int>(running.size()) < parallel) {
      std::fflush(nullptr);
      const pid_t pid = fork();
      if (pid == 0) {
        for (int k = 0; k < 3; ++k) sigaction(signals[k], &previous[k], nullptr);
        const int status = job(next);
        std::fflush(nullptr);
        _exit(status);
      }
      if (pid < 0) {
        done(next++, 1);
        continue;
      }
      remember(pid);
      running[pid] = next++;
    }
    int status = 0;
    const pid_t ended = waitpid(-1, &status, 0);
    if (ended < 0) {
      if (errno == EINTR) continue;                             // a signal came: look again
      for (const auto& [pid, index] : running) done(index, 1);  // no children left to wait for
      running.clear();
      continue;
    }
    forget(ended);
    const auto it = running.find(ended);
    if (it == running.end()) continue;
    const size_t index = it->second;
    running.erase(it);
    done(index, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
  }
  for (int k = 0; k < 3; ++k) sigaction(signals[k], &previous[k], nullptr);
  if (gStopSignal != 0) {
    const int signal = gStopSignal;
    gStopSignal = 0;
    std::signal(signal, SIG_DFL);
    std::raise(signal);
  }
}

}  // namespace oxel
