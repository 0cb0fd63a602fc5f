// oxel track: what a head tracker sends, shown live (monitor) or kept as a
// trajectory file for 'oxel render --trajectory' (record).
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "argument_reader.h"
#include "commands.h"
#include "head_tracker.h"
#include "stop_signals.h"
#include "tracker_options.h"

namespace oxel {

namespace {

const std::string kTrackHelp =
    std::string{
        "usage: oxel track monitor --osc PORT [OPTIONS]\n"
        "       oxel track record OUT.csv --osc PORT [--seconds N] [OPTIONS]\n"
        "\n"
        "Listens for a head tracker's OSC messages, as 'oxel live --osc' and the LV2\n"
        "Tavrel do, and shows what arrives: the first thing to run when a tracker seems\n"
        "to do nothing.\n"
        "\n"
        "  monitor   prints the dialect recognised, the message rate, yaw, pitch and\n"
        "            roll after the options (degrees: yaw + left, pitch + up, roll +\n"
        "            left side up), and dropped packets with the last reason; one line\n"
        "            rewritten in place on a terminal, a line per second otherwise\n"
        "  record    writes every accepted message as a row t,yaw,pitch,roll (t in\n"
        "            seconds from the first message), the trajectory file that\n"
        "            'oxel render --trajectory FILE --trajectory-mode head' plays back\n"
        "\n"
        "options:\n"
        "  --seconds N        stop after N seconds (otherwise Ctrl+C)\n"
        "  --recentre-after N take the orientation N seconds in as straight ahead\n"} +
    kTrackerOptionsHelp +
    "\n"
    "Dialects (any address prefix): .../ypr Y P R, .../quaternion or\n"
    ".../quaternions W X Y Z, .../yaw, .../pitch, .../roll (one each),\n"
    ".../rotation P Y R, .../head_pose ID X Y Z P Y R, /adm/lis/ypr Y P R;\n"
    "float, double or integer arguments.\n"
    "\n"
    "exit status: 0 done, 1 cannot listen (port in use), 2 bad command\n"
    "line, 3 cannot write OUT.csv; 128 + the signal that stopped it.\n"
    "\n"
    "examples:\n"
    "  oxel track monitor --osc 9000\n"
    "  oxel track monitor --osc 9000 --bind 0.0.0.0 --tracker compass\n"
    "  oxel track record walk.csv --osc 9000 --seconds 60\n";

// Prints rate, angles and drops; a line per call.
class MonitorLine {
 public:
  explicit MonitorLine(headtrack::HeadTracker& tracker) : tracker_{tracker} {}

  void print(double elapsed, bool inPlace) {
    headtrack::HeadOrientation latest;
    if (tracker_.latest(latest)) latest_ = latest;
    const uint64_t accepted = tracker_.accepted(), dropped = tracker_.dropped();
    const double span = elapsed - lastTime_;
    const double rate = span > 0 ? static_cast<double>(accepted - lastAccepted_) / span : 0.0;
    lastTime_ = elapsed;
    lastAccepted_ = accepted;
    char drops[96] = "";
    if (dropped > 0)
      std::snprintf(drops, sizeof drops, ", last: %s", headtrack::dropReason(tracker_.lastDrop()));
    std::printf(
        "%s%7.1f s  %-10s %6.1f msg/s  yaw %7.2f  pitch %7.2f  roll %7.2f  "
        "dropped %" PRIu64 "%s%s",
        inPlace ? "\r" : "", elapsed, headtrack::dialectName(latest_.dialect), rate,
        latest_.angles.yaw, latest_.angles.pitch, latest_.angles.roll, dropped, drops,
        inPlace ? "\033[K" : "\n");
    std::fflush(stdout);
  }

 private:
  headtrack::HeadTracker& tracker_;
  headtrack::HeadOrientation latest_;
  double lastTime_ = 0.0;
  uint64_t lastAccepted_ = 0;
};

// Rows written on the receiver's thread as messages arrive; flushed each time,
// so a run that is stopped keeps everything received.
class CsvRecorder {
 public:
  bool open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "w");
    if (file_ == nullptr) return false;
    std::fputs("t,yaw,pitch,roll\n", file_);
    return std::fflush(file_) == 0;
  }
  ~CsvRecorder() { close(); }
  bool close() {
    if (file_ == nullptr) return true;
    std::lock_guard<std::mutex> lock{mutex_};
    const bool ok = !failed_ && std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
  }
  void add(const headtrack::HeadOrientation& o, double seconds) {
    std::lock_guard<std::mutex> lock{mutex_};
    if (file_ == nullptr) return;
    if (rows_ == 0) first_ = seconds;
    ++rows_;
    // Seventeen digits: the angles read back as the very same doubles.
    if (std::fprintf(file_, "%.6f,%.17g,%.17g,%.17g\n", seconds - first_, o.angles.yaw,
                     o.angles.pitch, o.angles.roll) < 0 ||
        std::fflush(file_) != 0)
      failed_ = true;
  }
  uint64_t rows() {
    std::lock_guard<std::mutex> lock{mutex_};
    return rows_;
  }

 private:
  std::mutex mutex_;
  std::FILE* file_ = nullptr;
  double first_ = 0.0;
  uint64_t rows_ = 0;
  bool failed_ = false;
};

// The mode and its file: monitor takes none, record one; and the port is needed.
int checkTrackWords(const ArgumentReader& reader, const std::vector<std::string>& positional,
                    const TrackerCommandLine& line) {
  const std::string& mode = positional[0];
  if (mode != "monitor" && mode != "record")
    return reader.usageError("'" + mode + "' is not monitor or record (try 'oxel track --help')");
  if (mode == "monitor" && positional.size() != 1)
    return reader.usageError("monitor takes no file; '" + positional[1] + "' is one too many");
  if (mode == "record" && positional.size() != 2) return reader.usageError("record needs OUT.csv");
  if (line.port < 0) return reader.usageError("needs --osc PORT, the port the tracker sends to");
  return kExitOk;
}

// How long to run and what to show meanwhile.
struct WatchPlan {
  double seconds = 0.0, recentreAfter = -1.0;
  bool monitor = false, inPlace = false;
};

// Waits for a signal or the end of --seconds, recentring the tracker when
// asked and printing the monitor's line (in place on a terminal, else once a
// second).
void watchUntilStopped(headtrack::HeadTracker& tracker, const StopSignals& signals,
                       const WatchPlan& plan) {
  MonitorLine monitor{tracker};
  const auto start = std::chrono::steady_clock::now();
  double nextLine = plan.inPlace ? 0.1 : 1.0;
  bool recentred = false;
  while (signals.caught() == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!recentred && plan.recentreAfter >= 0.0 && elapsed >= plan.recentreAfter) {
      tracker.recentre();
      recentred = true;
    }
    const bool done = plan.seconds > 0.0 && elapsed >= plan.seconds;
    if (plan.monitor && (elapsed >= nextLine || done)) {
      monitor.print(elapsed, plan.inPlace);
      nextLine += plan.inPlace ? 0.1 : 1.0;
    }
    if (done) break;
  }
}

int finishRecording(CsvRecorder& recorder, const std::string& path,
                    headtrack::HeadTracker& tracker) {
  const uint64_t rows = recorder.rows();
  if (!recorder.close()) return fail(kExitFailure, "track: writing " + path + " failed");
  std::fprintf(stderr, "track: %" PRIu64 " rows in %s, %" PRIu64 " packets dropped\n", rows,
               path.c_str(), tracker.dropped());
  return kExitOk;
}

}  // namespace

int runTrack(const Args& args) {
  TrackerCommandLine line;
  WatchPlan plan;
  std::vector<std::string> positional;
  ArgumentReader reader{"track", kTrackHelp.c_str()};
  addTrackerOptions(reader, line);
  reader.number("--seconds", 0.001, 1e9, "seconds", plan.seconds)
      .number("--recentre-after", 0.0, 1e9, "seconds", plan.recentreAfter)
      .positionals("monitor|record OUT.csv", 1, 2, positional);
  const int status = reader.read(args);
  if (status != kExitOk || reader.helpShown()) return status;
  if (const int s = checkTrackWords(reader, positional, line); s != kExitOk) return s;
  const std::string mode = positional[0];
  headtrack::TrackerOptions options;
  std::string error;
  if (!trackerOptionsFrom(line, options, error)) return reader.usageError(error);

  headtrack::HeadTracker tracker{options};
  CsvRecorder recorder;
  if (mode == "record") {
    if (!recorder.open(positional[1]))
      return fail(kExitBadInput, "track: cannot write " + positional[1]);
    tracker.setListener(
        [&recorder](const headtrack::HeadOrientation& o, double t) { recorder.add(o, t); });
  }
  if (!tracker.start(line.bind, line.port, error))
    return fail(tracker.lastStartError() == headtrack::HeadTracker::StartError::BadAddress
                    ? kExitUsage
                    : kExitFailure,
                "track: " + error);
  std::fprintf(stderr, "track: listening on %s:%d\n", line.bind.c_str(), tracker.port());

  StopSignals signals;
  plan.monitor = mode == "monitor";
  plan.inPlace = plan.monitor && isatty(STDOUT_FILENO) != 0;
  watchUntilStopped(tracker, signals, plan);
  tracker.stop();
  if (plan.inPlace) std::printf("\n");
  if (mode == "record")
    if (const int s = finishRecording(recorder, positional[1], tracker); s != kExitOk) return s;
  return signals.caught() != 0 ? signals.exitStatus() : kExitOk;
}

}  // namespace oxel
