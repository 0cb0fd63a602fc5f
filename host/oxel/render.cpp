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

#include "argument_reader.h"
#include "audio_file.h"
#include "automation.h"
#include "bformat.h"
#include "commands.h"
#include "frame_source.h"
#include "interleaved_processor.h"
#include "parameter_resolver.h"
#include "plugin_open.h"
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

struct RenderOptions {
  std::string plugin, input, output, subtype, preset, trajectory;
  int program = -1;
  int blockSize = 512;
  int sampleRate = 0;  // 0: the input's rate
  bool quiet = false, stats = false;
  bool inFormatGiven = false;
  BFormat inFormat = BFormat::FuMa, outFormat = BFormat::FuMa;
  TrajectoryMode trajectoryMode = TrajectoryMode::Scene;
  InvertAxes invert;
  std::vector<ParameterSetting> settings;
  std::vector<AutomationLane> lanes;
};

// Returns kExitOk, or an exit status after printing the problem.
int readRenderOptions(const Args& args, RenderOptions& options, bool& helpShown) {
  std::vector<std::string> positional;
  std::string inFormat = "fuma", outFormat = "fuma", trajectoryMode = "scene";
  ArgumentReader reader{"render", kRenderHelp};
  reader.flag("--quiet|-q", options.quiet)
      .flag("--stats", options.stats)
      .custom("--program", "a program number from 0",
              [&options](const std::string& v, std::string&, int&) {
                return parseInt(v, options.program) && options.program >= 0;
              })
      .integer("--block", 1, 65536, "frames", options.blockSize)
      .integer("--sr", 1000, 768000, "Hz", options.sampleRate)
      .text("--subtype", "a sample format (" + supportedSubtypes() + ")", options.subtype)
      .choice("--in-format", {"fuma", "ambix"}, inFormat)
      .choice("--out-format", {"fuma", "ambix"}, outFormat)
      .text("--preset", "a name (see 'oxel presets')", options.preset)
      .text("--trajectory", "a CSV file", options.trajectory)
      .choice("--trajectory-mode", {"scene", "head"}, trajectoryMode)
      .custom("--invert", "yaw, pitch and/or roll, e.g. yaw,roll",
              [&options](const std::string& v, std::string&, int&) {
                for (const std::string& axis : split(v, ',')) {
                  const std::string name = lowercase(std::string{trim(axis)});
                  if (name == "yaw") options.invert.yaw = true;
                  else if (name == "pitch") options.invert.pitch = true;
                  else if (name == "roll") options.invert.roll = true;
                  else return false;
                }
                return true;
              })
      .custom("--set", "NAME=VALUE",
              [&options](const std::string& v, std::string& problem, int& status) {
                ParameterSetting setting;
                if (!parseParameterSetting(v, setting, problem, status)) return false;
                options.settings.push_back(setting);
                return true;
              })
      .custom("--automate", "NAME=T:V,T:V,...",
              [&options](const std::string& v, std::string& problem, int&) {
                AutomationLane lane;
                if (!parseAutomation(v, lane, problem)) return false;
                options.lanes.push_back(lane);
                return true;
              })
      .positionals("PLUGIN IN OUT", 3, 3, positional);
  const int status = reader.read(args);
  helpShown = reader.helpShown();
  if (status != kExitOk || helpShown) return status;
  if ((reader.given("--trajectory-mode") || reader.given("--invert")) && options.trajectory.empty())
    return reader.usageError("--trajectory-mode and --invert go with --trajectory");
  parseBFormat(inFormat, options.inFormat);
  parseBFormat(outFormat, options.outFormat);
  options.inFormatGiven = reader.given("--in-format");
  options.trajectoryMode = trajectoryMode == "head" ? TrajectoryMode::Head : TrajectoryMode::Scene;
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

std::string channelWord(int count) {
  return std::to_string(count) + (count == 1 ? " channel" : " channels");
}

// The plug-in that renders, a second instance that answers questions about
// values (so the first only gets the values finally sent), and what is sent
// to it: values before the first block and values per block.
struct RenderPlugin {
  std::shared_ptr<PluginLibrary> library;
  std::unique_ptr<PluginInstance> instance, probe;
  std::vector<ParameterValue> initial;
  std::vector<ParameterTrack> tracks;
};

// The input file and what the plug-in reads from it (resampled or not).
struct RenderInput {
  AudioReader reader;
  std::unique_ptr<FileSource> file;
  std::unique_ptr<ResamplingSource> resampler;
  FrameSource* source = nullptr;
};

int openInput(const RenderOptions& options, RenderInput& input) {
  std::error_code ec;
  if (fs::exists(options.output, ec) && fs::equivalent(options.input, options.output, ec))
    return fail(kExitUsage, "render: OUT is the same file as IN; choose another name");
  std::string error;
  if (!input.reader.open(options.input, error)) return fail(kExitBadInput, error);
  input.file = std::make_unique<FileSource>(input.reader);
  input.source = input.file.get();
  if (options.sampleRate != 0 && options.sampleRate != input.reader.sampleRate()) {
    input.resampler = std::make_unique<ResamplingSource>(*input.file, options.sampleRate);
    if (!input.resampler->start(error)) return fail(kExitFailure, "render: " + error);
    input.source = input.resampler.get();
  }
  return kExitOk;
}

int openRenderPlugin(const RenderOptions& options, int rate, RenderPlugin& plugin) {
  std::string error;
  plugin.library = openPluginLibrary(options.plugin, error);
  if (!plugin.library) return fail(kExitNoPlugin, error);
  plugin.instance =
      PluginInstance::create(plugin.library, error, static_cast<float>(rate), options.blockSize);
  if (plugin.instance)
    plugin.probe =
        PluginInstance::create(plugin.library, error, static_cast<float>(rate), options.blockSize);
  if (!plugin.instance || !plugin.probe) return fail(kExitNoPlugin, error);
  return kExitOk;
}

// The file's channels against the plug-in's pins and the format options.
int checkChannels(const RenderOptions& options, const AudioReader& reader, PluginInstance& plugin) {
  const int numInputs = plugin.numInputs();
  const int numOutputs = plugin.numOutputs();
  if (options.inFormatGiven && numInputs != 4)
    return fail(kExitBadInput, "render: --in-format applies to B-format input; " +
                                   options.plugin + " takes " + channelWord(numInputs));
  if (options.outFormat == BFormat::AmbiX && numOutputs != 4)
    return fail(kExitBadInput, "render: --out-format ambix applies to B-format output; " +
                                   options.plugin + " gives " + channelWord(numOutputs));
  if (reader.channels() != numInputs) {
    std::string hint;
    if (numInputs == 4)
      hint = options.inFormat == BFormat::AmbiX ? " (first-order AmbiX: W, Y, Z, X)"
                                                : " (B-format W, X, Y, Z)";
    if (numInputs == 4 && (reader.channels() == 9 || reader.channels() == 16))
      hint += "; a higher-order file holds " + channelWord(reader.channels()) +
              ", and only first order is taken";
    return fail(kExitBadInput, options.input + " has " + channelWord(reader.channels()) + "; " +
                                   options.plugin + " needs " + channelWord(numInputs) + hint);
  }
  return kExitOk;
}

// Program, preset and --set values before the first block.
int resolveInitialValues(const RenderOptions& options, RenderPlugin& plugin) {
  PluginInstance& instance = *plugin.instance;
  if (options.program >= instance.numPrograms())
    return fail(kExitUsage, "render: --program " + std::to_string(options.program) +
                                " is out of range (the plug-in has " +
                                std::to_string(instance.numPrograms()) + " programs, 0 to " +
                                std::to_string(instance.numPrograms() - 1) + ")");
  if (options.program >= 0) {
    instance.setProgram(options.program);
    plugin.probe->setProgram(options.program);
  }
  ParameterResolver resolver{*plugin.probe};
  std::string error;
  if (!resolver.settings(options.preset, options.settings, plugin.initial, error))
    return fail(kExitBadInput, "render: " + error);
  return kExitOk;
}

// Automation lanes and the trajectory become per-block tracks; a parameter
// is driven by one of --set, --automate and --trajectory at most.
int resolveTracks(const RenderOptions& options, RenderPlugin& plugin) {
  PluginInstance& instance = *plugin.instance;
  ParameterResolver resolver{*plugin.probe};
  std::string error;
  std::vector<bool> driven(static_cast<size_t>(instance.numParams()), false);
  std::vector<bool> fixed(static_cast<size_t>(instance.numParams()), false);
  for (const ParameterSetting& setting : options.settings)
    fixed[static_cast<size_t>(instance.findParameter(setting.name))] = true;

  for (AutomationLane lane : options.lanes) {
    lane.index = resolver.index(lane.name, error);
    if (lane.index < 0) return fail(kExitBadInput, "render: " + error);
    const std::string name = instance.parameterName(lane.index);
    if (driven[static_cast<size_t>(lane.index)])
      return fail(kExitUsage, "render: " + name + " is automated twice");
    if (fixed[static_cast<size_t>(lane.index)])
      return fail(kExitUsage, "render: " + name + " is both set (--set) and automated");
    driven[static_cast<size_t>(lane.index)] = true;
    for (Breakpoint& point : lane.points) {
      if (!resolver.value(lane.index, point.typed, point.value, error))
        return fail(kExitBadInput, "render: " + error + " (in --automate " + lane.name + ")");
    }
    plugin.tracks.push_back(
        {lane.index, [lane](double seconds) { return lane.valueAt(seconds); }, {}});
  }

  if (options.trajectory.empty()) return kExitOk;
  const std::vector<std::string> names = {"Angle1", "Angle2", "Angle3", "Order of Processing"};
  if (!resolver.hasParameters(names))
    return fail(kExitBadInput, "render: --trajectory is for Tavrel (Angle1-3, Order of "
                               "Processing); " + options.plugin + " has " +
                                   resolver.parameterNames());
  auto path = std::make_shared<Trajectory>();
  if (!path->load(options.trajectory, options.invert, error))
    return fail(kExitBadInput, "render: " + error);
  for (int k = 0; k < 4; ++k) {
    const VstInt32 index = instance.findParameter(names[static_cast<size_t>(k)]);
    if (driven[static_cast<size_t>(index)] || fixed[static_cast<size_t>(index)])
      return fail(kExitUsage, "render: " + names[static_cast<size_t>(k)] +
                                  " is driven by --trajectory; do not also set or automate it");
    const TrajectoryMode mode = options.trajectoryMode;
    plugin.tracks.push_back({index,
                             [path, mode, k](double seconds) {
                               const FieldRotationSettings s =
                                   fieldRotationFor(path->anglesAt(seconds), mode);
                               const float values[] = {s.angle1, s.angle2, s.angle3, s.order};
                               return values[k];
                             },
                             {}});
  }
  return kExitOk;
}

struct RenderResult {
  sf_count_t frames = 0;
  double wallSeconds = 0.0, pluginSeconds = 0.0;
};

// The blocks: tracks sent at each block's start, the plug-in run, the
// B-format conversions on the way in and out, the file written.
int renderBlocks(const RenderOptions& options, RenderInput& input, RenderPlugin& plugin,
                 AudioWriter& writer, RenderResult& result) {
  PluginInstance& instance = *plugin.instance;
  FrameSource& source = *input.source;
  const int rate = source.sampleRate();
  const int numInputs = instance.numInputs(), numOutputs = instance.numOutputs();
  // Files are read and written in chunks of whole blocks (at least 8192
  // frames: fewer library calls); the plug-in still gets one block at a time.
  const int block = options.blockSize;
  const int chunk = std::max(block, (8192 + block - 1) / block * block);
  std::vector<float> interleavedIn(static_cast<size_t>(chunk) * numInputs);
  std::vector<float> interleavedOut(static_cast<size_t>(chunk) * numOutputs);
  InterleavedProcessor processor{instance, block};

  using Clock = std::chrono::steady_clock;
  const auto started = Clock::now();
  Clock::duration inPlugin{};
  ProgressBar progress{!options.quiet && isatty(STDERR_FILENO) != 0, source.expectedFrames()};
  std::string error;
  instance.resume();
  sf_count_t done = 0;
  for (;;) {
    const sf_count_t got = source.read(interleavedIn.data(), chunk, error);
    if (got < 0) return fail(kExitBadInput, "cannot read " + options.input + ": " + error);
    if (got == 0) break;
    if (options.inFormat == BFormat::AmbiX)
      ambixToFuma(interleavedIn.data(), static_cast<size_t>(got));
    for (sf_count_t start = 0; start < got; start += block) {
      const int frames = static_cast<int>(std::min<sf_count_t>(block, got - start));
      const double seconds = static_cast<double>(done + start) / rate;
      for (ParameterTrack& track : plugin.tracks) {
        const float value = track.value(seconds);
        if (!track.last || *track.last != value) {
          instance.setParameter(track.index, value);
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
  instance.suspend();
  progress.finish();
  result.frames = done;
  result.wallSeconds = std::chrono::duration<double>(Clock::now() - started).count();
  result.pluginSeconds = std::chrono::duration<double>(inPlugin).count();
  return kExitOk;
}

void printStats(const RenderResult& result, int rate) {
  const double wall = result.wallSeconds, plug = result.pluginSeconds;
  std::fprintf(stderr,
               "render: %lld frames (%.2f s of audio at %d Hz) in %.3f s; plug-in %.3f s "
               "(%.1f %%), reading, converting and writing %.3f s\n",
               static_cast<long long>(result.frames), static_cast<double>(result.frames) / rate,
               rate, wall, plug, wall > 0 ? 100.0 * plug / wall : 0.0, wall - plug);
}

}  // namespace

int runRender(const Args& args) {
  RenderOptions options;
  bool helpShown = false;
  if (const int status = readRenderOptions(args, options, helpShown);
      status != kExitOk || helpShown)
    return status;
  RenderInput input;
  if (const int status = openInput(options, input); status != kExitOk) return status;
  const int rate = input.source->sampleRate();
  RenderPlugin plugin;
  if (const int status = openRenderPlugin(options, rate, plugin); status != kExitOk) return status;
  if (const int status = checkChannels(options, input.reader, *plugin.instance); status != kExitOk)
    return status;
  if (const int status = resolveInitialValues(options, plugin); status != kExitOk) return status;
  if (const int status = resolveTracks(options, plugin); status != kExitOk) return status;
  for (const ParameterValue& v : plugin.initial) plugin.instance->setParameter(v.index, v.value);

  AudioWriter writer;
  std::string error;
  if (!writer.open(options.output, plugin.instance->numOutputs(), rate, options.subtype, error))
    return fail(kExitBadInput, error);
  RenderResult result;
  if (const int status = renderBlocks(options, input, plugin, writer, result); status != kExitOk)
    return status;
  if (!writer.commit(error)) return fail(kExitFailure, error);
  if (options.stats) printStats(result, rate);
  return kExitOk;
}

}  // namespace oxel
