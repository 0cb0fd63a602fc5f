// oxel live: a chain of plug-ins as a JACK client, optionally turned by a head
// tracker over OSC.
#include <jack/jack.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "argument_reader.h"
#include "commands.h"
#include "head_tracker.h"
#include "live_chain.h"
#include "live_editors.h"
#include "parameter_resolver.h"
#include "plugin_open.h"
#include "stop_signals.h"
#include "text_parse.h"
#include "tracker_options.h"

namespace oxel {

namespace {

const std::string kLiveHelp =
    std::string{
        "usage: oxel live PLUGIN [PLUGIN...] [OPTIONS]\n"
        "\n"
        "Runs a chain of plug-ins as a JACK client: the first plug-in's inputs and\n"
        "the last one's outputs become JACK ports named after the pins ('in W',\n"
        "'in X', ..., 'out Mic 1', 'out Mic 2'); each plug-in's outputs feed the\n"
        "next one's inputs, so the pin counts must fit. With --osc, a head tracker\n"
        "turns the chain's last Tavrel against the head's turns, as a host's\n"
        "automation would (its angles and order follow the tracker), so the scene\n"
        "stays put while the listener turns.\n"
        "\n"
        "options:\n"
        "  --connect TARGET   connect the ports: 'system' (the first capture ports\n"
        "                     to the inputs, the outputs to the first playback\n"
        "                     ports), a client name (its output ports to ours, ours\n"
        "                     to its input ports, in order), or PORT=OTHER for one\n"
        "                     port ('in W=mic:capture_1', 'out Mic 1=system:playback_1');\n"
        "                     repeatable\n"
        "  --name NAME        the JACK client name (default oxel)\n"
        "  --set NAME=VALUE   set a parameter, as in render (in every plug-in of the\n"
        "                     chain that has it); repeatable\n"
        "  --preset NAME      a Pelrin preset (see 'oxel presets'), for the chain's Pelrin\n"
        "  --program N        start every plug-in of the chain on program N\n"
        "  --edit             open each plug-in's editor in a window (needs an X\n"
        "                     display); the tracker's turns move Tavrel's knobs\n"
        "  --seconds N        stop after N seconds (otherwise Ctrl+C or SIGTERM)\n"
        "  --quiet|-q         no status line\n"} +
    kTrackerOptionsHelp +
    "  --recentre-after N take the orientation N seconds in as straight ahead\n"
    "\n"
    "On a terminal a status line shows JACK's rate and block size, the DSP load,\n"
    "xruns, tracker messages per second and the last yaw, pitch and roll. Rate\n"
    "and block-size changes from JACK are followed (the chain is suspended, set\n"
    "and resumed). The JACK server must be running (jackd, or PipeWire's JACK).\n"
    "\n"
    "exit status: 0 done, 1 JACK not running or a port cannot be connected or the\n"
    "OSC port is in use, 2 bad command line, 3 the chain does not fit or a value\n"
    "cannot be used, 4 plug-in not found; 128 + the signal that stopped it (130\n"
    "Ctrl+C, 143 SIGTERM).\n"
    "\n"
    "examples:\n"
    "  oxel live Tavrel Pelrin --osc 9000 --connect system\n"
    "  oxel live Tavrel --osc 9000 --bind 0.0.0.0 --tracker compass --connect system\n"
    "  oxel live Pelrin --preset xy-cardioid --connect system\n";

struct LiveOptions {
  std::vector<std::string> plugins, connect, sets;
  std::vector<ParameterSetting> settings;
  std::string name = "oxel", preset;
  int program = -1;
  double seconds = 0.0, recentreAfter = -1.0;
  bool quiet = false, edit = false;
  TrackerCommandLine tracker;
};

// What the JACK callbacks share with the main thread.
struct LiveClient {
  jack_client_t* client = nullptr;
  LiveChain* chain = nullptr;
  std::vector<jack_port_t*> in, out;
  const float* inBuffers[8] = {};
  float* outBuffers[8] = {};
  std::atomic<uint64_t> xruns{0};
  std::atomic<jack_time_t> longestBlock{0};  // microseconds in the process callback
  std::atomic<bool> shutDown{false};
};

int onProcess(jack_nframes_t frames, void* arg) {
  auto& live = *static_cast<LiveClient*>(arg);
  const jack_time_t start = jack_get_time();
  for (size_t c = 0; c < live.in.size(); ++c)
    live.inBuffers[c] = static_cast<const float*>(jack_port_get_buffer(live.in[c], frames));
  for (size_t c = 0; c < live.out.size(); ++c)
    live.outBuffers[c] = static_cast<float*>(jack_port_get_buffer(live.out[c], frames));
  live.chain->process(live.inBuffers, live.outBuffers, static_cast<int>(frames));
  const jack_time_t took = jack_get_time() - start;
  if (took > live.longestBlock.load(std::memory_order_relaxed))
    live.longestBlock.store(took, std::memory_order_relaxed);
  return 0;
}

int onBufferSize(jack_nframes_t frames, void* arg) {
  auto& live = *static_cast<LiveClient*>(arg);
  live.chain->reconfigure(static_cast<float>(jack_get_sample_rate(live.client)),
                          static_cast<int>(frames));
  return 0;
}

int onSampleRate(jack_nframes_t rate, void* arg) {
  auto& live = *static_cast<LiveClient*>(arg);
  live.chain->reconfigure(static_cast<float>(rate),
                          static_cast<int>(jack_get_buffer_size(live.client)));
  return 0;
}

int onXrun(void* arg) {
  static_cast<LiveClient*>(arg)->xruns.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

void onShutdown(void* arg) { static_cast<LiveClient*>(arg)->shutDown.store(true); }

int readLiveOptions(const Args& args, LiveOptions& options, bool& helpShown) {
  ArgumentReader reader{"live", kLiveHelp.c_str()};
  addTrackerOptions(reader, options.tracker);
  reader.texts("--connect", "system, a client name or PORT=OTHER", options.connect)
      .text("--name", "a JACK client name", options.name)
      .custom("--set", "NAME=VALUE", collectParameterSetting(options.settings))
      .text("--preset", "a name (see 'oxel presets')", options.preset)
      .custom("--program", "a program number from 0", takeProgramNumber(options.program))
      .number("--seconds", 0.001, 1e9, "seconds", options.seconds)
      .number("--recentre-after", 0.0, 1e9, "seconds", options.recentreAfter)
      .flag("--quiet|-q", options.quiet)
      .flag("--edit", options.edit)
      .positionals("PLUGIN [PLUGIN...]", 1, 16, options.plugins);
  const int status = reader.read(args);
  helpShown = reader.helpShown();
  if (status != kExitOk || helpShown) return status;
  const bool trackerOption = reader.given("--bind") || reader.given("--tracker") ||
                             reader.given("--radians") || reader.given("--invert") ||
                             reader.given("--quaternion-order") || reader.given("--recentre-after");
  if (trackerOption && options.tracker.port < 0)
    return reader.usageError("the tracker options go with --osc PORT");
  return kExitOk;
}

std::vector<PluginInstance*> chainPlugins(LiveChain& chain) {
  std::vector<PluginInstance*> plugins;
  for (size_t k = 0; k < chain.size(); ++k) plugins.push_back(&chain.plugin(k));
  return plugins;
}

bool isTavrel(PluginInstance& plugin) {
  for (const char* name : {"Angle1", "Angle2", "Angle3", "Order of Processing"})
    if (plugin.findParameter(name) < 0) return false;
  return true;
}

// Opens the chain's plug-ins and sets their starting values; kExitOk or the status.
int openChain(const LiveOptions& options, float rate, int block,
              std::vector<std::unique_ptr<PluginInstance>>& plugins) {
  std::vector<bool> settingUsed(options.settings.size(), false);
  bool presetUsed = options.preset.empty();
  for (const std::string& arg : options.plugins) {
    std::string error;
    auto library = openPluginLibrary(arg, error);
    if (!library) return fail(kExitNoPlugin, "live: " + error);
    auto instance = PluginInstance::create(library, error, rate, block);
    auto probe = instance ? PluginInstance::create(library, error, rate, block) : nullptr;
    if (!instance || !probe) return fail(kExitNoPlugin, "live: " + error);
    if (instance->numInputs() > 8 || instance->numOutputs() > 8 || instance->numOutputs() < 1)
      return fail(kExitBadInput, "live: " + arg + " has " + std::to_string(instance->numInputs()) +
                                     " inputs and " + std::to_string(instance->numOutputs()) +
                                     " outputs; live takes 1 to 8 of each");
    if (!plugins.empty() && plugins.back()->numOutputs() != instance->numInputs())
      return fail(kExitBadInput,
                  "live: the chain does not fit: " + options.plugins[plugins.size() - 1] +
                      " gives " + std::to_string(plugins.back()->numOutputs()) + " outputs, " +
                      arg + " takes " + std::to_string(instance->numInputs()) + " inputs");
    if (options.program >= 0) {
      if (options.program >= instance->numPrograms())
        return fail(kExitUsage, "live: --program " + std::to_string(options.program) +
                                    " is out of range (" + arg + " has " +
                                    std::to_string(instance->numPrograms()) + " programs)");
      instance->setProgram(options.program);
      probe->setProgram(options.program);
    }
    ParameterResolver resolver{*probe};
    std::vector<ParameterSetting> mine;
    for (size_t k = 0; k < options.settings.size(); ++k) {
      if (probe->findParameter(options.settings[k].name) < 0) continue;
      mine.push_back(options.settings[k]);
      settingUsed[k] = true;
    }
    std::string preset;
    if (!options.preset.empty() && !presetUsed &&
        resolver.hasParameters({"Azimuth", "Elevation", "Mic Angle", "Mic Pattern"})) {
      preset = options.preset;
      presetUsed = true;
    }
    std::vector<ParameterValue> values;
    if (!resolver.settings(preset, mine, values, error))
      return fail(kExitBadInput, "live: " + error);
    for (const ParameterValue& v : values) instance->setParameter(v.index, v.value);
    instance->resume();
    plugins.push_back(std::move(instance));
  }
  for (size_t k = 0; k < options.settings.size(); ++k)
    if (!settingUsed[k])
      return fail(kExitBadInput, "live: no plug-in of the chain has a parameter '" +
                                     options.settings[k].name + "' (--set " +
                                     options.settings[k].text + ")");
  if (!presetUsed)
    return fail(kExitBadInput, "live: --preset is for Pelrin, and the chain has none");
  return kExitOk;
}

// The ports of `client` that are of `flags` (JackPortIsOutput: ones we read from).
std::vector<std::string> portsOf(jack_client_t* client, const std::string& target,
                                 unsigned long flags) {
  std::vector<std::string> names;
  const bool system = target == "system";
  const std::string pattern = "^" + (system ? std::string{"system"} : target) + ":";
  const char** ports = jack_get_ports(client, pattern.c_str(), JACK_DEFAULT_AUDIO_TYPE,
                                      flags | (system ? JackPortIsPhysical : 0));
  if (ports != nullptr) {
    for (const char** p = ports; *p != nullptr; ++p) names.push_back(*p);
    jack_free(ports);
  }
  return names;
}

int connectPorts(LiveClient& live, const std::vector<std::string>& targets,
                 const std::vector<std::string>& inNames,
                 const std::vector<std::string>& outNames) {
  auto ours = [&live](jack_port_t* port) { return std::string{jack_port_name(port)}; };
  auto link = [&live](const std::string& from, const std::string& to) -> int {
    const int result = jack_connect(live.client, from.c_str(), to.c_str());
    if (result != 0 && result != EEXIST)
      return fail(kExitFailure, "live: cannot connect " + from + " to " + to);
    return kExitOk;
  };
  for (const std::string& target : targets) {
    const size_t equals = target.find('=');
    if (equals != std::string::npos) {
      const std::string mine = target.substr(0, equals), other = target.substr(equals + 1);
      bool found = false;
      for (size_t c = 0; c < inNames.size(); ++c)
        if (inNames[c] == mine) {
          found = true;
          if (int s = link(other, ours(live.in[c])); s != kExitOk) return s;
        }
      for (size_t c = 0; c < outNames.size(); ++c)
        if (outNames[c] == mine) {
          found = true;
          if (int s = link(ours(live.out[c]), other); s != kExitOk) return s;
        }
      if (!found)
        return fail(kExitUsage, "live: --connect " + target + ": no port named '" + mine + "'");
      continue;
    }
    const std::vector<std::string> sources = portsOf(live.client, target, JackPortIsOutput);
    const std::vector<std::string> sinks = portsOf(live.client, target, JackPortIsInput);
    if (sources.empty() && sinks.empty())
      return fail(kExitFailure,
                  "live: --connect " + target + ": JACK has no such client with audio ports");
    for (size_t c = 0; c < live.in.size() && c < sources.size(); ++c)
      if (int s = link(sources[c], ours(live.in[c])); s != kExitOk) return s;
    for (size_t c = 0; c < live.out.size() && c < sinks.size(); ++c)
      if (int s = link(ours(live.out[c]), sinks[c]); s != kExitOk) return s;
  }
  return kExitOk;
}

// Opens the JACK client, without starting a server; kExitOk or the status.
int openClient(const std::string& name, LiveClient& live) {
  // JACK's own messages are several lines each; live says what went wrong in one.
  jack_set_error_function([](const char*) {});
  jack_set_info_function([](const char*) {});
  jack_status_t jackStatus{};
  live.client = jack_client_open(name.c_str(), JackNoStartServer, &jackStatus);
  if (live.client == nullptr)
    return fail(kExitFailure,
                "live: cannot reach the JACK server (start jackd, or PipeWire's JACK)");
  return kExitOk;
}

// The index of the chain's last Tavrel, or -1 when it has none.
int lastTavrel(const std::vector<std::unique_ptr<PluginInstance>>& plugins) {
  int tracked = -1;
  for (size_t k = 0; k < plugins.size(); ++k)
    if (isTavrel(*plugins[k])) tracked = static_cast<int>(k);
  return tracked;
}

// Starts the head tracker when --osc asks for one; kExitOk or the status.
int startTracker(const LiveOptions& options, const headtrack::TrackerOptions& trackerOptions,
                 int tracked, std::unique_ptr<headtrack::HeadTracker>& tracker) {
  if (options.tracker.port < 0) return kExitOk;
  if (tracked < 0) return fail(kExitBadInput, "live: --osc turns a Tavrel, and the chain has none");
  std::string error;
  tracker = std::make_unique<headtrack::HeadTracker>(trackerOptions);
  if (!tracker->start(options.tracker.bind, options.tracker.port, error))
    return fail(tracker->lastStartError() == headtrack::HeadTracker::StartError::BadAddress
                    ? kExitUsage
                    : kExitFailure,
                "live: " + error);
  std::fprintf(stderr, "live: tracker listening on %s:%d\n", options.tracker.bind.c_str(),
               tracker->port());
  return kExitOk;
}

// The JACK port names: the first plug-in's input pins and the last one's output pins.
void portNames(LiveChain& chain, std::vector<std::string>& inNames,
               std::vector<std::string>& outNames) {
  for (int c = 0; c < chain.inputs(); ++c) {
    std::string label = chain.plugin(0).inputLabel(c);
    inNames.push_back("in " + (label.empty() ? std::to_string(c + 1) : label));
  }
  for (int c = 0; c < chain.outputs(); ++c) {
    std::string label = chain.plugin(chain.size() - 1).outputLabel(c);
    outNames.push_back("out " + (label.empty() ? std::to_string(c + 1) : label));
  }
}

int registerPorts(LiveClient& live, const std::vector<std::string>& inNames,
                  const std::vector<std::string>& outNames) {
  for (const std::string& n : inNames)
    live.in.push_back(
        jack_port_register(live.client, n.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
  for (const std::string& n : outNames)
    live.out.push_back(
        jack_port_register(live.client, n.c_str(), JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0));
  if (std::count(live.in.begin(), live.in.end(), nullptr) +
      std::count(live.out.begin(), live.out.end(), nullptr))
    return fail(kExitFailure, "live: JACK refused to make the ports");
  return kExitOk;
}

// Hands JACK the callbacks and starts the client; kExitOk or the status.
int activateClient(LiveClient& live) {
  jack_set_process_callback(live.client, onProcess, &live);
  jack_set_buffer_size_callback(live.client, onBufferSize, &live);
  jack_set_sample_rate_callback(live.client, onSampleRate, &live);
  jack_set_xrun_callback(live.client, onXrun, &live);
  jack_on_shutdown(live.client, onShutdown, &live);
  if (jack_activate(live.client) != 0)
    return fail(kExitFailure, "live: JACK would not start the client");
  return kExitOk;
}

// The status line's rate, block size, DSP load, xruns and tracker figures.
class StatusLine {
 public:
  StatusLine(LiveClient& live, LiveChain& chain, headtrack::HeadTracker* tracker)
      : live_{live}, chain_{chain}, tracker_{tracker} {}

  void maybePrint(double elapsed) {
    if (elapsed < nextLine_) return;
    const uint64_t messages = tracker_ ? tracker_->accepted() : 0;
    const double rateNow =
        elapsed > lastLine_ ? static_cast<double>(messages - lastMessages_) / (elapsed - lastLine_)
                            : 0.0;
    lastLine_ = elapsed;
    lastMessages_ = messages;
    nextLine_ = elapsed + 0.25;
    std::printf("\r%u Hz  %u frames  DSP %5.1f %%  xruns %" PRIu64,
                jack_get_sample_rate(live_.client), jack_get_buffer_size(live_.client),
                static_cast<double>(jack_cpu_load(live_.client)), live_.xruns.load());
    if (tracker_) {
      const YawPitchRoll a = chain_.lastAngles();
      std::printf("  tracker %5.1f msg/s  yaw %7.2f pitch %7.2f roll %7.2f", rateNow, a.yaw,
                  a.pitch, a.roll);
    }
    std::printf("\033[K");
    std::fflush(stdout);
  }

 private:
  LiveClient& live_;
  LiveChain& chain_;
  headtrack::HeadTracker* tracker_;
  double nextLine_ = 0.0, lastLine_ = 0.0;
  uint64_t lastMessages_ = 0;
};

// Runs until a signal, the server's going away or --seconds; idles the editors, recentres
// the tracker and keeps the status line up to date meanwhile.
void runUntilStopped(const LiveOptions& options, LiveClient& live, LiveChain& chain,
                     headtrack::HeadTracker* tracker, EditorWindows& editors,
                     const StopSignals& signals, bool statusLine) {
  StatusLine line{live, chain, tracker};
  const auto start = std::chrono::steady_clock::now();
  bool recentred = false;
  auto nextIdle = std::chrono::steady_clock::now();
  while (signals.caught() == 0 && !live.shutDown.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (options.edit && std::chrono::steady_clock::now() >= nextIdle) {
      editors.idle();  // about 30 times a second, as oxel edit does
      nextIdle += std::chrono::milliseconds(33);
    }
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (tracker && !recentred && options.recentreAfter >= 0.0 && elapsed >= options.recentreAfter) {
      tracker->recentre();
      recentred = true;
    }
    if (options.seconds > 0.0 && elapsed >= options.seconds) break;
    if (statusLine) line.maybePrint(elapsed);
  }
}

void reportStop(LiveClient& live, headtrack::HeadTracker* tracker) {
  std::fprintf(stderr,
               "live: stopped; %" PRIu64 " xruns, %" PRIu64
               " tracker messages, longest block %.3f ms of %.3f ms\n",
               live.xruns.load(), tracker ? tracker->accepted() : 0,
               static_cast<double>(live.longestBlock.load()) / 1000.0,
               1000.0 * jack_get_buffer_size(live.client) / jack_get_sample_rate(live.client));
}

}  // namespace

int runLive(const Args& args) {
  LiveOptions options;
  bool helpShown = false;
  if (const int status = readLiveOptions(args, options, helpShown); status != kExitOk || helpShown)
    return status;
  headtrack::TrackerOptions trackerOptions;
  std::string error;
  if (!trackerOptionsFrom(options.tracker, trackerOptions, error))
    return fail(kExitUsage, "live: " + error);

  LiveClient live;
  if (const int status = openClient(options.name, live); status != kExitOk) return status;
  struct CloseClient {
    jack_client_t* c;
    ~CloseClient() { jack_client_close(c); }
  } closeClient{live.client};
  const float rate = static_cast<float>(jack_get_sample_rate(live.client));
  const int block = static_cast<int>(jack_get_buffer_size(live.client));

  std::vector<std::unique_ptr<PluginInstance>> plugins;
  if (const int status = openChain(options, rate, std::min(block, LiveChain::kChunk), plugins);
      status != kExitOk)
    return status;
  const int tracked = lastTavrel(plugins);
  std::unique_ptr<headtrack::HeadTracker> tracker;
  if (const int status = startTracker(options, trackerOptions, tracked, tracker); status != kExitOk)
    return status;
  LiveChain chain{std::move(plugins), tracker.get(), tracker ? tracked : -1};
  live.chain = &chain;

  std::vector<std::string> inNames, outNames;
  portNames(chain, inNames, outNames);
  if (const int status = registerPorts(live, inNames, outNames); status != kExitOk) return status;
  if (const int status = activateClient(live); status != kExitOk) return status;
  struct Deactivate {
    jack_client_t* c;
    ~Deactivate() { jack_deactivate(c); }
  } deactivate{live.client};
  std::fprintf(stderr, "live: JACK client '%s' at %u Hz, %u frames\n",
               jack_get_client_name(live.client), jack_get_sample_rate(live.client),
               jack_get_buffer_size(live.client));
  if (const int status = connectPorts(live, options.connect, inNames, outNames); status != kExitOk)
    return status;

  EditorWindows editors;
  if (options.edit && !editors.open(chainPlugins(chain), options.plugins, error))
    return fail(kExitFailure, "live: " + error);

  StopSignals signals;
  const bool statusLine = !options.quiet && isatty(STDOUT_FILENO) != 0;
  runUntilStopped(options, live, chain, tracker.get(), editors, signals, statusLine);
  if (statusLine) std::printf("\n");
  if (live.shutDown.load()) return fail(kExitFailure, "live: the JACK server went away");
  reportStop(live, tracker.get());
  return signals.caught() != 0 ? signals.exitStatus() : kExitOk;
}

}  // namespace oxel
