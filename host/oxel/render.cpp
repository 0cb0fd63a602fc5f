// oxel render: streams an audio file through a plug-in in blocks, as a host's
// audio thread would, and writes the result. Parameter changes (automation,
// trajectories) reach the plug-in between blocks. Memory use does not grow
// with the length of the file. Every failure is one line on stderr, and OUT
// exists only when rendering finished.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio_file.h"
#include "automation.h"
#include "bformat.h"
#include "commands.h"
#include "frame_source.h"
#include "interleaved_processor.h"
#include "parameter_value.h"
#include "plugin_open.h"
#include "presets.h"
#include "text_parse.h"
#include "trajectory.h"

namespace fs = std::filesystem;

namespace oxel {

namespace {

const char* const kRenderHelp =
    "usage: oxel render PLUGIN IN OUT [options]\n"
    "\n"
    "Processes the audio file IN through PLUGIN and writes OUT, block by block,\n"
    "as a host does; any length of file is rendered in constant memory. IN is\n"
    "any file libsndfile reads (WAV, FLAC, AIFF, CAF, W64, RF64, Ogg ...) and must\n"
    "have as many channels as the plug-in has inputs (4 for the B-format\n"
    "plug-ins). OUT gets one channel per plug-in output; its container follows\n"
    "its extension (.wav .flac .aiff .aif .caf .w64 .rf64 .ogg), with 32-bit float\n"
    "samples unless --subtype says otherwise (FLAC: 24-bit). OUT is written to a\n"
    "temporary file beside it and appears only when rendering succeeded.\n"
    "\n"
    "parameters\n"
    "  --program N        start from program N (0-based)\n"
    "  --preset NAME      Pelrin only: a coincident-pair recipe (see 'oxel presets')\n"
    "  --set NAME=VALUE   set a parameter before the first block; repeatable.\n"
    "                     NAME as 'oxel info' shows it (case ignored). VALUE is\n"
    "                     normalised (0 to 1), or a number followed by the\n"
    "                     parameter's unit, e.g. Azimuth=90degrees, 'Mic Angle=120 deg':\n"
    "                     oxel finds the value whose display shows that number.\n"
    "  --automate NAME=T:V,T:V,...\n"
    "                     automate a parameter: breakpoints at T seconds with\n"
    "                     values V (normalised or with the unit), joined by straight\n"
    "                     lines, held before the first and after the last; two\n"
    "                     points at one time make a step. The value is sent at the\n"
    "                     start of every block, as a host does; the plug-in glides\n"
    "                     from there sample by sample. Repeatable.\n"
    "  --trajectory FILE.csv\n"
    "                     Tavrel only: turn the field along a path, rows\n"
    "                     't,yaw,pitch,roll' (degrees) or 't,qw,qx,qy,qz', t in\n"
    "                     seconds; drives all four Tavrel parameters, block by block.\n"
    "                     Axes X front, Y left, Z up; yaw + turns a front source\n"
    "                     to the left, pitch + turns it up, roll + lifts the left\n"
    "                     side; applied roll, then pitch, then yaw.\n"
    "  --trajectory-mode scene|head\n"
    "                     scene (default): the field turns as the path says.\n"
    "                     head: the path is the listener's head; the field turns\n"
    "                     the opposite way so that sources stay where they are.\n"
    "  --invert AXES      negate trajectory axes, a comma list of yaw, pitch, roll\n"
    "                     (for trackers with other sign conventions)\n"
    "\n"
    "formats\n"
    "  --in-format fuma|ambix\n"
    "  --out-format fuma|ambix\n"
    "                     B-format convention of IN / OUT (default fuma). The\n"
    "                     plug-ins work on FuMa: channels W, X, Y, Z with W at -3 dB.\n"
    "                     AmbiX is ACN order W, Y, Z, X with SN3D weighting, i.e.\n"
    "                     W is sqrt(2) times FuMa's W and X, Y, Z are equal (first\n"
    "                     order only: the file must have 4 channels). --out-format\n"
    "                     applies to plug-ins with 4 outputs (Tavrel).\n"
    "  --sr RATE          render at RATE Hz: IN is resampled (libsamplerate, best\n"
    "                     sinc) before the plug-in, and OUT is written at RATE\n"
    "  --subtype TYPE     OUT's sample format: float, double, pcm16, pcm24, pcm32,\n"
    "                     vorbis (Ogg)\n"
    "  --block N          frames per processing block (default 512, 1 to 65536)\n"
    "\n"
    "output\n"
    "  --quiet            no progress bar (there is none when stderr is not a terminal)\n"
    "  --stats            print frames, wall time and the time spent in the plug-in\n"
    "\n"
    "exit status: 0 done; 1 the work failed (writing, resampling); 2 bad command\n"
    "line (unknown option, bad automation or trajectory option syntax); 3 unusable\n"
    "input (missing or unreadable file, wrong channel count, unknown parameter or\n"
    "preset, value out of range, bad trajectory file, unknown output format);\n"
    "4 plug-in not found or not loadable.\n"
    "\n"
    "examples\n"
    "  oxel render Pelrin scene.wav pair.wav --preset xy-cardioid\n"
    "  oxel render Pelrin scene.wav pan.wav --set Elevation=0degrees \\\n"
    "      --automate Azimuth=0:0degrees,8:360degrees\n"
    "  oxel render Tavrel in-ambix.flac out.flac --in-format ambix --out-format ambix \\\n"
    "      --trajectory head.csv --trajectory-mode head\n";

struct ParameterSetting {
  std::string name;
  TypedValue value;
  std::string text;  // as typed after --set
};

struct RenderOptions {
  std::string plugin, input, output, subtype, preset, trajectory;
  int program = -1;
  int blockSize = 512;
  int sampleRate = 0;  // 0: the input's rate
  bool quiet = false, stats = false;
  bool inFormatGiven = false, outFormatGiven = false;
  BFormat inFormat = BFormat::FuMa, outFormat = BFormat::FuMa;
  TrajectoryMode trajectoryMode = TrajectoryMode::Scene;
  bool trajectoryModeGiven = false, invertGiven = false;
  InvertAxes invert;
  std::vector<ParameterSetting> settings;
  std::vector<AutomationLane> lanes;
};

// Returns kExitOk, or an exit status after printing the problem.
int parseOptions(const Args& args, RenderOptions& options, bool& helpShown) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    std::string v;
    auto value = [&]() {
      if (i + 1 >= args.size()) return false;
      v = args[++i];
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kRenderHelp, stdout);
      helpShown = true;
      return kExitOk;
    } else if (arg == "--quiet" || arg == "-q") {
      options.quiet = true;
    } else if (arg == "--stats") {
      options.stats = true;
    } else if (arg == "--program") {
      if (!value() || !parseInt(v, options.program) || options.program < 0)
        return fail(kExitUsage, "render: --program needs a program number from 0");
    } else if (arg == "--block") {
      if (!value() || !parseInt(v, options.blockSize) || options.blockSize < 1 ||
          options.blockSize > 65536)
        return fail(kExitUsage, "render: --block needs a frame count from 1 to 65536");
    } else if (arg == "--sr") {
      if (!value() || !parseInt(v, options.sampleRate) || options.sampleRate < 1000 ||
          options.sampleRate > 768000)
        return fail(kExitUsage, "render: --sr needs a sample rate from 1000 to 768000 Hz");
    } else if (arg == "--subtype") {
      if (!value()) return fail(kExitUsage, "render: --subtype needs a type");
      options.subtype = v;
    } else if (arg == "--in-format" || arg == "--out-format") {
      const bool in = arg == "--in-format";
      if (!value() || !parseBFormat(v, in ? options.inFormat : options.outFormat))
        return fail(kExitUsage, "render: " + arg + " needs fuma or ambix");
      (in ? options.inFormatGiven : options.outFormatGiven) = true;
    } else if (arg == "--preset") {
      if (!value()) return fail(kExitUsage, "render: --preset needs a name (see 'oxel presets')");
      options.preset = v;
    } else if (arg == "--trajectory") {
      if (!value()) return fail(kExitUsage, "render: --trajectory needs a CSV file");
      options.trajectory = v;
    } else if (arg == "--trajectory-mode") {
      if (!value() || (v != "scene" && v != "head"))
        return fail(kExitUsage, "render: --trajectory-mode needs scene or head");
      options.trajectoryMode = v == "head" ? TrajectoryMode::Head : TrajectoryMode::Scene;
      options.trajectoryModeGiven = true;
    } else if (arg == "--invert") {
      if (!value()) return fail(kExitUsage, "render: --invert needs axes, e.g. yaw,roll");
      for (const std::string& axis : split(v, ',')) {
        const std::string name = lowercase(std::string{trim(axis)});
        if (name == "yaw") options.invert.yaw = true;
        else if (name == "pitch") options.invert.pitch = true;
        else if (name == "roll") options.invert.roll = true;
        else
          return fail(kExitUsage, "render: --invert takes yaw, pitch and roll, not '" + axis + "'");
      }
      options.invertGiven = true;
    } else if (arg == "--set") {
      if (!value()) return fail(kExitUsage, "render: --set needs NAME=VALUE");
      const size_t eq = v.find('=');
      if (eq == std::string::npos || trim(v.substr(0, eq)).empty())
        return fail(kExitUsage, "render: --set needs NAME=VALUE, got '" + v + "'");
      ParameterSetting setting{std::string{trim(v.substr(0, eq))}, {}, v};
      if (!parseTypedValue(v.substr(eq + 1), setting.value))
        return fail(kExitBadInput,
                    "render: '" + v.substr(eq + 1) + "' is not a number (in --set " + v + ")");
      options.settings.push_back(setting);
    } else if (arg == "--automate") {
      if (!value()) return fail(kExitUsage, "render: --automate needs NAME=T:V,T:V,...");
      AutomationLane lane;
      std::string error;
      if (!parseAutomation(v, lane, error)) return fail(kExitUsage, "render: " + error);
      options.lanes.push_back(lane);
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return fail(kExitUsage, "render: unknown option " + arg + " (try 'oxel render --help')");
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 3)
    return fail(kExitUsage, "render: needs PLUGIN IN OUT (try 'oxel render --help')");
  if ((options.trajectoryModeGiven || options.invertGiven) && options.trajectory.empty())
    return fail(kExitUsage, "render: --trajectory-mode and --invert go with --trajectory");
  options.plugin = positional[0];
  options.input = positional[1];
  options.output = positional[2];
  return kExitOk;
}

class ProgressBar {
 public:
  ProgressBar(bool enabled, sf_count_t total) : enabled_{enabled && total > 0}, total_{total} {}
  void update(sf_count_t done) {
    if (!enabled_) return;
    const int percent = static_cast<int>(std::min<sf_count_t>(done, total_) * 100 / total_);
    if (percent == last_) return;
    last_ = percent;
    const int filled = percent * 40 / 100;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
                 40 - filled, "", percent);
    std::fflush(stderr);
  }
  void finish() {
    if (enabled_ && last_ >= 0) std::fputs("\n", stderr);
  }

 private:
  bool enabled_;
  sf_count_t total_;
  int last_ = -1;
};

// One parameter driven per block; sent only when its value changes.
struct ParameterTrack {
  VstInt32 index;
  std::function<float(double seconds)> value;
  std::optional<float> last;
};

std::string parameterNames(PluginInstance& plugin) {
  std::string names;
  for (VstInt32 i = 0; i < plugin.numParams(); ++i)
    names += (i ? ", " : "") + plugin.parameterName(i);
  return names;
}

// Index of a named parameter, or -1 after printing the problem.
VstInt32 parameterIndex(PluginInstance& plugin, const std::string& name) {
  const VstInt32 index = plugin.findParameter(name);
  if (index < 0)
    fail(kExitBadInput, "render: unknown parameter '" + name + "' (parameters: " +
                            parameterNames(plugin) + ")");
  return index;
}

bool hasParameters(PluginInstance& plugin, std::initializer_list<const char*> names) {
  for (const char* name : names)
    if (plugin.findParameter(name) < 0) return false;
  return true;
}

std::string channelWord(int count) {
  return std::to_string(count) + (count == 1 ? " channel" : " channels");
}

}  // namespace

int runRender(const Args& args) {
  RenderOptions options;
  bool helpShown = false;
  if (const int status = parseOptions(args, options, helpShown); status != kExitOk || helpShown)
    return status;

  std::error_code ec;
  if (fs::exists(options.output, ec) && fs::equivalent(options.input, options.output, ec))
    return fail(kExitUsage, "render: OUT is the same file as IN; choose another name");

  AudioReader reader;
  std::string error;
  if (!reader.open(options.input, error)) return fail(kExitBadInput, error);
  FileSource fileSource{reader};
  FrameSource* source = &fileSource;
  std::unique_ptr<ResamplingSource> resampler;
  if (options.sampleRate != 0 && options.sampleRate != reader.sampleRate()) {
    resampler = std::make_unique<ResamplingSource>(fileSource, options.sampleRate);
    if (!resampler->start(error)) return fail(kExitFailure, "render: " + error);
    source = resampler.get();
  }
  const int rate = source->sampleRate();

  auto library = openPluginLibrary(options.plugin, error);
  if (!library) return fail(kExitNoPlugin, error);
  auto plugin = PluginInstance::create(library, error, static_cast<float>(rate), options.blockSize);
  // A second instance answers display questions without touching the one that renders.
  auto probe = plugin ? PluginInstance::create(library, error, static_cast<float>(rate),
                                               options.blockSize)
                      : nullptr;
  if (!plugin || !probe) return fail(kExitNoPlugin, error);
  const int numInputs = plugin->numInputs();
  const int numOutputs = plugin->numOutputs();

  if (options.inFormatGiven && numInputs != 4)
    return fail(kExitBadInput, "render: --in-format applies to B-format input; " +
                                   options.plugin + " takes " + channelWord(numInputs));
  if (options.outFormat == BFormat::AmbiX && numOutputs != 4)
    return fail(kExitBadInput, "render: --out-format ambix applies to B-format output; " +
                                   options.plugin + " gives " + channelWord(numOutputs));
  if (reader.channels() != numInputs) {
    std::string hint;
    if (numInputs == 4)
      hint = options.inFormat == BFormat::AmbiX
                 ? " (first-order AmbiX: W, Y, Z, X)"
                 : " (B-format W, X, Y, Z)";
    if (numInputs == 4 && (reader.channels() == 9 || reader.channels() == 16))
      hint += "; a higher-order file holds " + channelWord(reader.channels()) +
              ", and only first order is taken";
    return fail(kExitBadInput, options.input + " has " + channelWord(reader.channels()) +
                                   "; " + options.plugin + " needs " + channelWord(numInputs) +
                                   hint);
  }
  if (options.program >= plugin->numPrograms())
    return fail(kExitUsage, "render: --program " + std::to_string(options.program) +
                                " is out of range (the plug-in has " +
                                std::to_string(plugin->numPrograms()) + " programs, 0 to " +
                                std::to_string(plugin->numPrograms() - 1) + ")");
  if (options.program >= 0) plugin->setProgram(options.program);

  // Settings before the first block: preset, then --set (which may adjust it).
  std::vector<std::pair<VstInt32, float>> initial;
  if (!options.preset.empty()) {
    const MicrophonePreset* preset = findMicrophonePreset(options.preset);
    if (preset == nullptr) {
      std::string names;
      for (const MicrophonePreset& p : microphonePresets())
        names += (names.empty() ? "" : ", ") + std::string{p.name};
      return fail(kExitBadInput,
                  "render: unknown preset '" + options.preset + "' (presets: " + names + ")");
    }
    if (!hasParameters(*plugin, {"Azimuth", "Elevation", "Mic Angle", "Mic Pattern"}))
      return fail(kExitBadInput, "render: --preset is for Pelrin (Azimuth, Elevation, Mic "
                                 "Angle, Mic Pattern); " +
                                     options.plugin + " has " + parameterNames(*plugin));
    const PelrinSettings s = pelrinSettings(*preset);
    initial.emplace_back(plugin->findParameter("Azimuth"), s.azimuth);
    initial.emplace_back(plugin->findParameter("Elevation"), s.elevation);
    initial.emplace_back(plugin->findParameter("Mic Angle"), s.angle);
    initial.emplace_back(plugin->findParameter("Mic Pattern"), s.pattern);
  }
  std::vector<bool> driven(static_cast<size_t>(plugin->numParams()), false);
  std::vector<bool> fixed(static_cast<size_t>(plugin->numParams()), false);
  for (const ParameterSetting& setting : options.settings) {
    const VstInt32 index = parameterIndex(*plugin, setting.name);
    if (index < 0) return kExitBadInput;
    float value = 0.0f;
    if (!resolveParameterValue(*probe, index, setting.value, value, error))
      return fail(kExitBadInput, "render: " + error + " (in --set " + setting.text + ")");
    initial.emplace_back(index, value);
    fixed[static_cast<size_t>(index)] = true;
  }

  std::vector<ParameterTrack> tracks;
  for (AutomationLane& lane : options.lanes) {
    lane.index = parameterIndex(*plugin, lane.name);
    if (lane.index < 0) return kExitBadInput;
    const std::string name = plugin->parameterName(lane.index);
    if (driven[static_cast<size_t>(lane.index)])
      return fail(kExitUsage, "render: " + name + " is automated twice");
    if (fixed[static_cast<size_t>(lane.index)])
      return fail(kExitUsage, "render: " + name + " is both set (--set) and automated");
    driven[static_cast<size_t>(lane.index)] = true;
    for (Breakpoint& point : lane.points) {
      if (!resolveParameterValue(*probe, lane.index, point.typed, point.value, error))
        return fail(kExitBadInput, "render: " + error + " (in --automate " + lane.name + ")");
    }
    tracks.push_back({lane.index, [lane](double seconds) { return lane.valueAt(seconds); }, {}});
  }

  if (!options.trajectory.empty()) {
    const char* names[] = {"Angle1", "Angle2", "Angle3", "Order of Processing"};
    if (!hasParameters(*plugin, {names[0], names[1], names[2], names[3]}))
      return fail(kExitBadInput, "render: --trajectory is for Tavrel (Angle1-3, Order of "
                                 "Processing); " +
                                     options.plugin + " has " + parameterNames(*plugin));
    auto path = std::make_shared<Trajectory>();
    if (!path->load(options.trajectory, options.invert, error))
      return fail(kExitBadInput, "render: " + error);
    for (int k = 0; k < 4; ++k) {
      const VstInt32 index = plugin->findParameter(names[k]);
      if (driven[static_cast<size_t>(index)] || fixed[static_cast<size_t>(index)])
        return fail(kExitUsage, std::string{"render: "} + names[k] +
                                    " is driven by --trajectory; do not also set or automate it");
      const TrajectoryMode mode = options.trajectoryMode;
      tracks.push_back({index,
                        [path, mode, k](double seconds) {
                          const FieldRotationSettings s =
                              fieldRotationFor(path->anglesAt(seconds), mode);
                          const float values[] = {s.angle1, s.angle2, s.angle3, s.order};
                          return values[k];
                        },
                        {}});
    }
  }

  for (const auto& [index, value] : initial) plugin->setParameter(index, value);

  AudioWriter writer;
  if (!writer.open(options.output, numOutputs, rate, options.subtype, error))
    return fail(kExitBadInput, error);

  // Files are read and written in chunks of whole blocks (at least 8192
  // frames: fewer library calls); the plug-in still gets one block at a time.
  const int block = options.blockSize;
  const int chunk = std::max(block, (8192 + block - 1) / block * block);
  std::vector<float> interleavedIn(static_cast<size_t>(chunk) * numInputs);
  std::vector<float> interleavedOut(static_cast<size_t>(chunk) * numOutputs);
  InterleavedProcessor processor{*plugin, block};

  using Clock = std::chrono::steady_clock;
  const auto started = Clock::now();
  Clock::duration inPlugin{};
  ProgressBar progress{!options.quiet && isatty(STDERR_FILENO) != 0, source->expectedFrames()};
  plugin->resume();
  sf_count_t done = 0;
  for (;;) {
    const sf_count_t got = source->read(interleavedIn.data(), chunk, error);
    if (got < 0) return fail(kExitBadInput, "cannot read " + options.input + ": " + error);
    if (got == 0) break;
    if (options.inFormat == BFormat::AmbiX) ambixToFuma(interleavedIn.data(), static_cast<size_t>(got));
    for (sf_count_t start = 0; start < got; start += block) {
      const int frames = static_cast<int>(std::min<sf_count_t>(block, got - start));
      const double seconds = static_cast<double>(done + start) / rate;
      for (ParameterTrack& track : tracks) {
        const float value = track.value(seconds);
        if (!track.last || *track.last != value) {
          plugin->setParameter(track.index, value);
          track.last = value;
        }
      }
      const auto before = Clock::now();
      processor.process(&interleavedIn[static_cast<size_t>(start) * numInputs],
                        &interleavedOut[static_cast<size_t>(start) * numOutputs], frames);
      inPlugin += Clock::now() - before;
    }
    if (options.outFormat == BFormat::AmbiX)
      fumaToAmbix(interleavedOut.data(), static_cast<size_t>(got));
    if (!writer.write(interleavedOut.data(), got, error)) return fail(kExitFailure, error);
    done += got;
    progress.update(done);
  }
  plugin->suspend();
  progress.finish();
  if (!writer.commit(error)) return fail(kExitFailure, error);
  if (options.stats) {
    const double wall = std::chrono::duration<double>(Clock::now() - started).count();
    const double plug = std::chrono::duration<double>(inPlugin).count();
    std::fprintf(stderr,
                 "render: %lld frames (%.2f s of audio at %d Hz) in %.3f s; plug-in %.3f s "
                 "(%.1f %%), reading, converting and writing %.3f s\n",
                 static_cast<long long>(done), static_cast<double>(done) / rate, rate, wall, plug,
                 wall > 0 ? 100.0 * plug / wall : 0.0, wall - plug);
  }
  return kExitOk;
}

}  // namespace oxel
