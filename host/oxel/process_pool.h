// Runs independent jobs in child processes, a few at a time: each job is a
// function returning an exit status, run in a fork of this process, so a job
// that crashes or is killed fails alone and the others go on. Interrupting
// the parent (SIGINT, SIGTERM, SIGHUP) passes the signal on to the running
// children, waits for them, and then stops the parent with it.
#pragma once

#include <cstddef>
#include <functional>

namespace oxel {

// Calls job(i) for i in 0..count-1, at most `parallel` at once, each in its
// own process; done(i, status) is called in the parent as each one ends
// (status: the job's exit status, or 128 + the signal that ended it).
void runInChildProcesses(size_t count, int parallel, const std::function<int(size_t)>& job,
                         const std::function<void(size_t, int)>& done);

}  // namespace oxel
