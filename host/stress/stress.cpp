#include "stress.h"

#include <X11/Xlib.h>
#include <malloc.h>

#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "headless_editor.h"
#include "plugin_host.h"
#include "plugin_path.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define OXEL_SANITIZED_BUILD 1
#else
#define OXEL_SANITIZED_BUILD 0
#endif

namespace oxel {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxBlock = 65536;
constexpr int kBlockSizes[] = {0, 1, 2, 3, 5, 7, 11, 13, 31, 64, 127, 257, 511, 1021, 4096, 65536};
constexpr float kSampleRates[] = {8000.0f, 11025.0f, 22050.0f, 44100.0f, 48000.0f,
                                  88200.0f, 96000.0f, 176400.0f, 192000.0f, 384000.0f};
constexpr unsigned char kSentinel = 0x7E;
constexpr size_t kTextBuffer = 512;

// Opcodes whose ptr is a text the plug-in writes, with the most bytes (terminator
// included) the plug-in may use.
struct TextOpcode {
  VstInt32 opcode;
  size_t limit;
};
constexpr TextOpcode kTextOpcodes[] = {
    {effGetProgramName, 24}, {effGetParamLabel, 64},    {effGetParamDisplay, 64},
    {effGetParamName, 64},   {effGetProgramNameIndexed, 64}, {effGetEffectName, 64},
    {effGetErrorText, 256},  {effGetVendorString, 64},  {effGetProductString, 64},
    {effShellGetNextPlugin, 64}};

class Failures {
 public:
  explicit Failures(StressReport& report) : report_{report} {}
  void add(const std::string& what) {
    std::lock_guard lock{mutex_};
    if (report_.failures++ == 0) report_.firstFailure = what;
  }
  bool any() {
    std::lock_guard lock{mutex_};
    return report_.failures > 0;
  }

 private:
  std::mutex mutex_;
  StressReport& report_;
};

bool isTextOpcode(VstInt32 opcode, size_t& limit) {
  for (const auto& t : kTextOpcodes)
    if (t.opcode == opcode) {
      limit = t.limit;
      return true;
    }
  return false;
}

// Checks a sentinel-filled buffer after a call: if anything was written, it must
// be a text terminated within limit bytes, with nothing written after it.
bool textIsSound(const unsigned char* buffer, size_t limit, std::string& why) {
  size_t firstChanged = kTextBuffer;
  for (size_t i = 0; i < kTextBuffer; ++i)
    if (buffer[i] != kSentinel) {
      firstChanged = i;
      break;
    }
  if (firstChanged == kTextBuffer) return true;  // nothing written
  const void* nul = std::memchr(buffer, 0, kTextBuffer);
  if (nul == nullptr) {
    why = "text not terminated inside a 512-byte buffer";
    return false;
  }
  const size_t length = static_cast<const unsigned char*>(nul) - buffer;
  if (length + 1 > limit) {
    why = "text of " + std::to_string(length) + " bytes exceeds its " + std::to_string(limit) +
          "-byte limit";
    return false;
  }
  for (size_t i = length + 1; i < kTextBuffer; ++i)
    if (buffer[i] != kSentinel) {
      why = "bytes written after the terminator (at " + std::to_string(i) + ")";
      return false;
    }
  return true;
}

// Every opcode with edge arguments, on one instance (user-interface thread work).
void sweepOpcodes(PluginInstance& plugin, std::mt19937_64& random, bool exhaustive,
                  StressReport& report, Failures& failures) {
  const VstInt32 indexes[] = {-1, 0, 1, 3, 4, 31, 32, 1000, std::numeric_limits<VstInt32>::max(),
                              std::numeric_limits<VstInt32>::min()};
  const VstIntPtr values[] = {0, 1, -1, 3, 31, 32, (VstIntPtr{1} << 32) + 3,
                              std::numeric_limits<VstIntPtr>::max(),
                              std::numeric_limits<VstIntPtr>::min()};
  const float opts[] = {0.0f, 1.0f, -1.0f, 44100.0f, 1e30f,
                        std::numeric_limits<float>::quiet_NaN(),
                        std::numeric_limits<float>::infinity()};
  const bool hasEditor = (plugin.effect()->flags & effFlagsHasEditor) != 0;
  alignas(16) unsigned char buffer[kTextBuffer];
  void* pointerSlot = nullptr;

  auto call = [&](VstInt32 opcode, VstInt32 index, VstIntPtr value, bool withPointer, float opt) {
    // Opcodes that are not safe to call at random on a live instance.
    if (opcode == effClose) return;
    if (hasEditor && opcode >= effEditGetRect && opcode <= effEditSleep) return;
    if (hasEditor && (opcode == effEditKeyDown || opcode == effEditKeyUp)) return;
    // The value of these two is itself a pointer: only null or a valid slot.
    if (opcode == effSetSpeakerArrangement || opcode == effGetSpeakerArrangement)
      value = (value & 1) ? reinterpret_cast<VstIntPtr>(&pointerSlot) : 0;
    std::memset(buffer, kSentinel, sizeof buffer);
    pointerSlot = nullptr;
    if (opcode == effSetProgramName || opcode == effString2Parameter) {
      // A text longer than any limit, or an empty one.
      std::memset(buffer, 'n', 300);
      buffer[(value & 1) ? 300 : 0] = 0;
    }
    plugin.dispatch(opcode, index, value, withPointer ? buffer : nullptr, opt);
    ++report.dispatcherCalls;
    size_t limit = 0;
    if (withPointer && isTextOpcode(opcode, limit)) {
      ++report.textChecks;
      std::string why;
      if (!textIsSound(buffer, limit, why))
        failures.add("opcode " + std::to_string(opcode) + " index " + std::to_string(index) +
                     ": " + why);
    }
  };

  if (exhaustive) {
    for (VstInt32 opcode = 0; opcode < kNumDispatcherOpcodes; ++opcode)
      for (VstInt32 index : indexes)
        for (VstIntPtr value : values)
          for (bool withPointer : {false, true}) call(opcode, index, value, withPointer, opts[0]);
    for (VstInt32 opcode = 0; opcode < kNumDispatcherOpcodes; ++opcode)
      for (float opt : opts) call(opcode, 0, 0, true, opt);
  }
  std::uniform_int_distribution<int> pick(0, 1 << 20);
  for (int i = 0; i < 2000; ++i) {
    const VstInt32 opcode = pick(random) % (kNumDispatcherOpcodes + 3) - 1;  // -1 .. 78
    call(opcode, indexes[pick(random) % std::size(indexes)], values[pick(random) % std::size(values)],
         pick(random) % 4 != 0, opts[pick(random) % std::size(opts)]);
  }
  // Leave the instance in a sane state for processing.
  plugin.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
  plugin.dispatch(effSetBlockSize, 0, kMaxBlock);
}

// A top-level X11 window to host editors in, when a display is available.
class HostWindow {
 public:
  HostWindow() {
    if (std::getenv("DISPLAY") == nullptr) return;
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) return;
    window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 640, 480, 0, 0, 0);
    XMapWindow(display_, window_);
    XSync(display_, False);
  }
  ~HostWindow() {
    if (display_ == nullptr) return;
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  bool available() const { return display_ != nullptr; }
  Window id() const { return window_; }
  // Lets the server see the editor's requests, as a host's event loop would.
  void sync() {
    if (display_) XSync(display_, False);
  }

 private:
  Display* display_ = nullptr;
  Window window_ = 0;
};

// Opens the editor in an X11 window (when there is a display) or in memory
// (the headless window back end), gives it host idles, a draw request and a
// few keys, and closes it again.
void editorCycle(PluginInstance& plugin, std::mt19937_64& random, HostWindow& hostWindow,
                 StressReport& report, Failures& failures) {
  if (hostWindow.available() && random() % 2 == 0) {
    plugin.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(hostWindow.id())));
    plugin.dispatch(effEditDraw, 0, 0, nullptr);
    const int idles = 1 + static_cast<int>(random() % 6);
    for (int i = 0; i < idles; ++i) {
      plugin.dispatch(effEditIdle);
      hostWindow.sync();
    }
    plugin.dispatch(effEditClose);
    hostWindow.sync();
    ++report.editorCycles;
    ++report.x11EditorCycles;
    return;
  }
  HeadlessOptions options;
  if (random() % 2) options.script = "press 10 10\nwait 40\nmove 30 5\nwait 40\nrelease 30 5\n";
  ERect* rect = nullptr;
  plugin.dispatch(effEditGetRect, 0, 0, &rect);
  HeadlessEditor editor{editorCallsOf(plugin.effect()), options};
  editor.open();
  editor.idle(1 + static_cast<int>(random() % 8));
  plugin.dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f);
  plugin.dispatch(effEditKeyUp, 'a', 0, nullptr, 0.0f);
  plugin.dispatch(effSetEditKnobMode, 0, static_cast<VstIntPtr>(random() % 3));
  editor.close();
  ++report.editorCycles;
  if (editor.record().openWindows != 0) failures.add("the editor's window stayed open after close");
}

// What the threads of one hammer share: the flag that keeps them going and
// their counts.
struct HammerShared {
  std::atomic<bool> running{true};
  std::atomic<uint64_t> blocks{0}, frames{0}, sets{0}, switches{0};
};

// The audio thread: blocks of random sizes, in place or not, replacing or
// accumulating, until told to stop. With sane parameter values every output
// sample must be finite.
void processBlocks(PluginInstance& plugin, bool saneValues, uint64_t seed, HammerShared& shared,
                   Failures& failures) {
  const int numIn = plugin.numInputs(), numOut = plugin.numOutputs();
  std::mt19937_64 random{seed};
  std::uniform_real_distribution<float> sample{-1.0f, 1.0f};
  std::vector<std::vector<float>> in(numIn, std::vector<float>(kMaxBlock));
  std::vector<std::vector<float>> out(numOut, std::vector<float>(kMaxBlock));
  for (auto& channel : in)
    for (float& s : channel) s = sample(random);
  std::vector<float*> inPtr, outPtr, inPlacePtr;
  for (auto& c : in) inPtr.push_back(c.data());
  for (auto& c : out) outPtr.push_back(c.data());
  for (int c = 0; c < numOut; ++c) inPlacePtr.push_back(in[c % numIn].data());
  while (shared.running.load(std::memory_order_relaxed)) {
    const int n = kBlockSizes[random() % std::size(kBlockSizes)];
    const bool inPlace = random() % 4 == 0;
    const bool replacing = random() % 3 != 0;
    float** outputs = inPlace ? inPlacePtr.data() : outPtr.data();
    if (replacing) {
      plugin.processReplacing(inPtr.data(), outputs, n);
    } else {
      for (int c = 0; c < numOut; ++c) std::fill_n(outputs[c], n, 0.0f);
      plugin.process(inPtr.data(), outputs, n);
    }
    if (saneValues) {
      for (int c = 0; c < numOut; ++c)
        for (int i = 0; i < n; ++i)
          if (!std::isfinite(outputs[c][i])) {
            failures.add("non-finite output " + std::to_string(outputs[c][i]) + " on channel " +
                         std::to_string(c) + " with parameters inside 0..1");
            shared.running = false;
            break;
          }
    }
    if (inPlace)  // refresh inputs overwritten in place
      for (int c = 0; c < std::min(numIn, numOut); ++c)
        for (int i = 0; i < n; ++i) in[c][i] = sample(random);
    shared.blocks.fetch_add(1, std::memory_order_relaxed);
    shared.frames.fetch_add(static_cast<uint64_t>(n), std::memory_order_relaxed);
  }
}

// The parameter thread: random parameters set and read back, until told to
// stop. Outside sane phases a third of the values are extreme and the index
// may be one outside the parameters at either end.
void setParameters(PluginInstance& plugin, bool saneValues, uint64_t seed, HammerShared& shared) {
  const VstInt32 numParams = plugin.numParams();
  std::mt19937_64 random{seed ^ 0x9E3779B97F4A7C15ull};
  std::uniform_real_distribution<float> normalised{0.0f, 1.0f};
  using Limits = std::numeric_limits<float>;
  const float extremes[] = {
      Limits::quiet_NaN(), Limits::infinity(),  -Limits::infinity(), -1e30f, 1e30f, -1.0f, 2.0f,
      Limits::max(),       Limits::denorm_min()};
  while (shared.running.load(std::memory_order_relaxed)) {
    const VstInt32 index = static_cast<VstInt32>(random() % (numParams + 2)) - 1;
    const float value = (saneValues || random() % 3 != 0)
                            ? normalised(random)
                            : extremes[random() % std::size(extremes)];
    if (saneValues && (index < 0 || index >= numParams)) continue;
    plugin.setParameter(index, value);
    plugin.parameter(index);
    shared.sets.fetch_add(1, std::memory_order_relaxed);
  }
}

// One random call of the user-interface thread: a program switch, a program
// name, the parameter displays, a rate change, suspend or resume, an idle,
// or (with an editor) an editor open/idle/close cycle.
void userInterfaceCall(PluginInstance& plugin, std::mt19937_64& random, HostWindow& hostWindow,
                       HammerShared& shared, StressReport& report, Failures& failures) {
  const bool hasEditor = (plugin.effect()->flags & effFlagsHasEditor) != 0;
  switch (random() % (hasEditor ? 7 : 6)) {
    case 6: editorCycle(plugin, random, hostWindow, report, failures); break;
    case 0:
      plugin.setProgram(static_cast<VstInt32>(random() % plugin.numPrograms()));
      shared.switches.fetch_add(1, std::memory_order_relaxed);
      break;
    case 1: {
      char text[kTextBuffer];
      std::snprintf(text, sizeof text, "Stress %llu",
                    static_cast<unsigned long long>(random() % 1000));
      plugin.dispatch(effSetProgramName, 0, 0, text);
      plugin.programName();
      break;
    }
    case 2:
      for (VstInt32 i = 0; i < plugin.numParams(); ++i) plugin.parameterDisplay(i);
      break;
    case 3:
      plugin.dispatch(effSetSampleRate, 0, 0, nullptr,
                      kSampleRates[random() % std::size(kSampleRates)]);
      break;
    case 4: plugin.dispatch(effMainsChanged, 0, static_cast<VstIntPtr>(random() % 2)); break;
    default: plugin.dispatch(effEditIdle); break;
  }
}

// One audio thread, one parameter thread, and this (user-interface) thread, all
// on one instance for `duration`.
void hammer(PluginInstance& plugin, Clock::duration duration, bool saneValues, uint64_t seed,
            StressReport& report, Failures& failures) {
  HammerShared shared;
  std::thread audio([&] { processBlocks(plugin, saneValues, seed, shared, failures); });
  std::thread parameters([&] { setParameters(plugin, saneValues, seed, shared); });

  std::mt19937_64 random{seed + 7};
  const auto end = Clock::now() + duration;
  HostWindow hostWindow;
  while (Clock::now() < end && !failures.any()) {
    userInterfaceCall(plugin, random, hostWindow, shared, report, failures);
    std::this_thread::yield();
  }
  shared.running = false;
  audio.join();
  parameters.join();
  report.blocks += shared.blocks;
  report.frames += shared.frames;
  report.parameterSets += shared.sets;
  report.programSwitches += shared.switches;
}

// After a storm of extreme values: sane values must bring the output back to finite.
// Programs keep the extreme values the storm stored in them, so every program is reset.
void checkRecovery(PluginInstance& plugin, StressReport& report, Failures& failures) {
  for (VstInt32 program = plugin.numPrograms() - 1; program >= 0; --program) {
    plugin.setProgram(program);
    for (VstInt32 i = 0; i < plugin.numParams(); ++i) plugin.setParameter(i, 0.5f);
  }
  const int numIn = plugin.numInputs(), numOut = plugin.numOutputs();
  std::vector<std::vector<float>> in(numIn, std::vector<float>(4096, 0.5f));
  std::vector<std::vector<float>> out(numOut, std::vector<float>(4096));
  std::vector<float*> inPtr, outPtr;
  for (auto& c : in) inPtr.push_back(c.data());
  for (auto& c : out) outPtr.push_back(c.data());
  // Smoothed values decay by 0.999 per sample: 1e38 falls below 1 in about 88,000 samples.
  for (int b = 0; b < 40; ++b) plugin.processReplacing(inPtr.data(), outPtr.data(), 4096);
  report.blocks += 40;
  report.frames += 40 * 4096;
  for (int c = 0; c < numOut; ++c)
    for (float v : out[c])
      if (!std::isfinite(v)) {
        failures.add("output stays non-finite after parameters return to 0..1");
        return;
      }
}

size_t heapInUse() { return mallinfo2().uordblks; }

void churnInstances(const std::shared_ptr<PluginLibrary>& library, int count,
                    StressReport& report, Failures& failures) {
  for (int i = 0; i < count; ++i) {
    std::string error;
    auto instance = PluginInstance::create(library, error);
    if (!instance) {
      failures.add("instance " + std::to_string(report.instances) + " refused: " + error);
      return;
    }
    ++report.instances;
    instance->resume();
    float silence[64] = {};
    std::vector<float*> in(instance->numInputs(), silence);
    std::vector<std::vector<float>> out(instance->numOutputs(), std::vector<float>(64));
    std::vector<float*> outPtr;
    for (auto& c : out) outPtr.push_back(c.data());
    instance->processReplacing(in.data(), outPtr.data(), 64);
    instance->setProgram(i % instance->numPrograms());
  }
}

}  // namespace

bool runStressTest(const StressOptions& options, StressReport& report, std::string& error) {
  const std::string path = resolvePluginPath(options.plugin, error);
  if (path.empty()) return false;
  auto library = PluginLibrary::load(path, error);
  if (!library) return false;
  Failures failures{report};
  std::mt19937_64 random{options.seed};
  const auto total = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(std::max(options.seconds, 0.5)));

  // 1. Instance churn, with a heap check between rounds.
  churnInstances(library, 20, report, failures);
  const size_t heapBefore = heapInUse();
  for (int round = 0; round < 5 && !failures.any(); ++round)
    churnInstances(library, 20, report, failures);
  const size_t heapAfter = heapInUse();
  if (!OXEL_SANITIZED_BUILD && heapAfter > heapBefore + 256 * 1024)
    failures.add("heap grew by " + std::to_string((heapAfter - heapBefore) / 1024) +
                 " KiB over 100 instances");

  auto plugin = PluginInstance::create(library, error);
  if (!plugin) return false;
  ++report.instances;
  plugin->resume();

  // 2. Every opcode with edge arguments.
  sweepOpcodes(*plugin, random, true, report, failures);

  // 3. Alternate storms (extreme values) and sane phases until the time is up.
  const auto start = Clock::now();
  const auto slice = total / 6;
  for (int phase = 0; Clock::now() - start < total && !failures.any(); ++phase) {
    const bool sane = phase % 2 == 1;
    if (sane) checkRecovery(*plugin, report, failures);
    hammer(*plugin, slice, sane, options.seed + static_cast<uint64_t>(phase), report, failures);
    sweepOpcodes(*plugin, random, false, report, failures);
    if (options.verbose)
      std::fprintf(stderr, "stress: phase %d (%s) done, %llu blocks\n", phase,
                   sane ? "sane values" : "extreme values",
                   static_cast<unsigned long long>(report.blocks));
  }
  checkRecovery(*plugin, report, failures);
  plugin.reset();
  return report.failures == 0;
}

}  // namespace oxel
