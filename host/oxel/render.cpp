// oxel render: streams an audio file through a plug-in in blocks, as a host's
// audio thread would, and writes the result. Parameter changes (automation,
// trajectories) reach the plug-in between blocks. Memory use does not grow
// with the length of the file. Every failure is one line on stderr, and OUT
// exists only when rendering finished. Many files render in child processes,
// one file each.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "argument_reader.h"
#include "audio_file.h"
#include "automation.h"
#include "bformat.h"
#include "commands.h"
#include "frame_source.h"
#include "interleaved_processor.h"
#include "level_text.h"
#include "parameter_resolver.h"
#include "plugin_open.h"
#include "process_pool.h"
#include "text_parse.h"
#include "trajectory.h"

namespace fs = std::filesystem;

namespace oxel {

namespace {

const char* const kRenderHelp =
    "usage: oxel render PLUGIN IN OUT [options]\n"
    "       oxel render PLUGIN IN... --out-dir DIR [-j N] [options]\n"
    "\n"
    "Processes the audio file IN through PLUGIN and writes OUT, block by block,\n"
    "as a host does; any length of file is rendered in constant memory. IN is\n"
    "any file libsndfile reads (WAV, FLAC, AIFF, CAF, W64, RF64, Ogg ...) and must\n"
    "have as many channels as the plug-in has inputs (4 for the B-format\n"
    "plug-ins: a first-order recording, not a mono or stereo file). OUT gets one\n"
    "channel per plug-in output; its container follows its extension (.wav .flac\n"
    ".aiff .aif .caf .w64 .rf64 .ogg), with 32-bit float samples unless --subtype\n"
    "says otherwise (FLAC: 24-bit). OUT is written to a temporary file beside it\n"
    "and appears only when rendering succeeded; temporary files that killed\n"
    "renders left in that folder are removed. OUT's folder is checked before any\n"
    "work is done.\n"
    "\n"
    "IN '-' reads standard input (WAV and other formats libsndfile reads from a\n"
    "pipe); OUT '-' writes standard output: WAV with 32-bit float samples (RF64\n"
    "beyond 4 GiB), or raw interleaved 32-bit float with --out-format raw.\n"
    "\n"
    "Before the first block the plug-in gets its settings (program, preset,\n"
    "--set, and the automation's and trajectory's values at time 0) and then runs\n"
    "on silence for the pre-roll, whose output is dropped: a plug-in that glides\n"
    "from its own start state has settled, and the first sample of OUT is the\n"
    "settled result.\n"
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
    "                     side; applied roll, then pitch, then yaw. Between rows\n"
    "                     the path takes the shorter way round: rows more than 180\n"
    "                     degrees apart are warned about.\n"
    "  --trajectory-mode scene|head\n"
    "                     scene (default): the field turns as the path says.\n"
    "                     head: the path is the listener's head; the field turns\n"
    "                     the opposite way so that sources stay where they are.\n"
    "  --invert AXES      negate trajectory axes, a comma list of yaw, pitch, roll\n"
    "                     (for trackers with other sign conventions)\n"
    "  --dry-run          print the normalised values that --program, --preset,\n"
    "                     --set, --automate and --trajectory resolve to, and exit\n"
    "\n"
    "formats\n"
    "  --in-format fuma|ambix\n"
    "  --out-format fuma|ambix|raw\n"
    "                     B-format convention of IN / OUT (default fuma). The\n"
    "                     plug-ins work on FuMa: channels W, X, Y, Z with W at -3 dB.\n"
    "                     AmbiX is ACN order W, Y, Z, X with SN3D weighting, i.e.\n"
    "                     W is sqrt(2) times FuMa's W and X, Y, Z are equal.\n"
    "                     --out-format ambix applies to plug-ins with 4 outputs\n"
    "                     (Tavrel); raw writes headerless interleaved 32-bit float\n"
    "                     (the plug-in's own channels) for OUT '-'.\n"
    "  --first-order      take the first four channels of a higher-order file (9,\n"
    "                     16, 25 ... channels): its first-order part\n"
    "  --sr RATE          render at RATE Hz: IN is resampled (libsamplerate, best\n"
    "                     sinc) before the plug-in, and OUT is written at RATE with\n"
    "                     exactly round(IN's frames x RATE / IN's rate) frames\n"
    "  --subtype TYPE     OUT's sample format: float, double, pcm16, pcm24, pcm32,\n"
    "                     vorbis (Ogg)\n"
    "  --block N          frames per processing block (default 512, 1 to 65536)\n"
    "  --preroll N        frames of silence run through the plug-in first (default\n"
    "                     16384: a 0.999-per-sample glide is within 1e-7 of its\n"
    "                     target by then)\n"
    "  --no-preroll       start at once, as a host that plays at once does\n"
    "\n"
    "level\n"
    "  --gain DB          scale OUT by DB decibels\n"
    "  --normalize [DBFS] scale OUT so that its highest peak is at DBFS (default -1).\n"
    "                     Two passes: the first renders only to measure; from\n"
    "                     standard input the input is kept in a temporary file for\n"
    "                     the second.\n"
    "                     Integer and Ogg formats cut samples beyond full scale:\n"
    "                     oxel counts them and warns with the peak level.\n"
    "\n"
    "many files\n"
    "  --out-dir DIR      render every IN into DIR under its own file name (DIR is\n"
    "                     created), each file written as OUT is; a file that fails\n"
    "                     is reported and the others go on\n"
    "  -j N, --jobs N     files rendered at once (default: the number of cores)\n"
    "\n"
    "output\n"
    "  --quiet            no progress bar and no summary line\n"
    "  --stats            print frames, wall time and the time spent in the plug-in\n"
    "                     On a terminal the progress bar shows the file, the time\n"
    "                     spent and the time left; at the end a summary line gives\n"
    "                     frames, duration, peak per channel and samples clipped.\n"
    "\n"
    "exit status: 0 done; 1 the work failed (writing, resampling, OUT's folder\n"
    "missing or not writable, OUT a folder); 2 bad command line (unknown option,\n"
    "bad automation or trajectory option syntax); 3 unusable input (missing or\n"
    "unreadable file, wrong channel count, unknown parameter or preset, value out\n"
    "of range, bad trajectory file, unknown output format); 4 plug-in not found\n"
    "or not loadable. With --out-dir: the status the failed files share, 1 when\n"
    "they differ.\n"
    "\n"
    "examples\n"
    "  oxel render Pelrin scene.wav pair.wav --preset xy-cardioid\n"
    "  oxel render Pelrin scene.wav pan.wav --set Elevation=0degrees \\\n"
    "      --automate Azimuth=0:0degrees,8:360degrees\n"
    "  oxel render Tavrel in-ambix.flac out.flac --in-format ambix --out-format ambix \\\n"
    "      --trajectory head.csv --trajectory-mode head\n"
    "  oxel render Pelrin archive/*.wav --out-dir pairs --preset blumlein -j 4\n"
    "  sox in.flac -t wav - | oxel render Tavrel - - --set Angle1=90degrees | play -\n";

// Frames of silence run before the first block by default: a glide keeping
// 0.999 of its distance per sample is within 1e-7 of a full step after
// 16 100 samples.
constexpr int kDefaultPreroll = 16384;

struct RenderOptions {
  std::string plugin, subtype, preset, trajectory, outDir;
  std::vector<std::string> inputs;
  std::string output;
  int program = -1;
  int blockSize = 512;
  int sampleRate = 0;  // 0: the input's rate
  int preroll = kDefaultPreroll;
  int jobs = 0;        // 0: one per core
  bool quiet = false, stats = false, dryRun = false, firstOrder = false;
  bool inFormatGiven = false, rawOutput = false;
  double gainDb = 0.0;
  std::optional<double> normalizeTo;  // dBFS
  BFormat inFormat = BFormat::FuMa, outFormat = BFormat::FuMa;
  TrajectoryMode trajectoryMode = TrajectoryMode::Scene;
  InvertAxes invert;
  std::vector<ParameterSetting> settings;
  std::vector<AutomationLane> lanes;
};

// Reads --invert's list of axes into `invert`.
ArgumentReader::Take takeInvertedAxes(InvertAxes& invert) {
  return [&invert](const std::string& v, std::string&, int&) {
    for (const std::string& axis : split(v, ',')) {
      const std::string name = lowercase(std::string{trim(axis)});
      if (name == "yaw")
        invert.yaw = true;
      else if (name == "pitch")
        invert.pitch = true;
      else if (name == "roll")
        invert.roll = true;
      else
        return false;
    }
    return true;
  };
}

// The command line's words as read, before they are checked and turned into options.
struct RenderWords {
  std::vector<std::string> positional;
  std::string inFormat = "fuma", outFormat = "fuma", trajectoryMode = "scene";
  bool noPreroll = false;
};

// Checks the options that go together and fills in the ones the words give;
// kExitOk, or an exit status after printing the problem.
int finishRenderOptions(const ArgumentReader& reader, const RenderWords& words,
                        RenderOptions& options) {
  const std::vector<std::string>& positional = words.positional;
  const bool noPreroll = words.noPreroll;
  const bool batch = reader.given("--out-dir");
  if (!batch && positional.size() != 3)
    return reader.usageError(
        positional.size() < 3
            ? "needs PLUGIN IN OUT, or PLUGIN IN... --out-dir DIR (try 'oxel render --help')"
            : "takes PLUGIN IN OUT; '" + positional[3] +
                  "' is one too many (for many files: PLUGIN IN... --out-dir DIR)");
  if (reader.given("--jobs") && !batch) return reader.usageError("--jobs goes with --out-dir");
  if ((reader.given("--trajectory-mode") || reader.given("--invert")) && options.trajectory.empty())
    return reader.usageError("--trajectory-mode and --invert go with --trajectory");
  if (reader.given("--gain") && reader.given("--normalize"))
    return reader.usageError("--gain and --normalize both set the level; choose one");
  if (noPreroll && reader.given("--preroll"))
    return reader.usageError("--preroll and --no-preroll contradict each other");
  if (noPreroll) options.preroll = 0;
  parseBFormat(words.inFormat, options.inFormat);
  options.rawOutput = words.outFormat == "raw";
  if (!options.rawOutput) parseBFormat(words.outFormat, options.outFormat);
  options.inFormatGiven = reader.given("--in-format");
  options.trajectoryMode =
      words.trajectoryMode == "head" ? TrajectoryMode::Head : TrajectoryMode::Scene;
  options.plugin = positional[0];
  options.inputs.assign(positional.begin() + 1, positional.end() - (batch ? 0 : 1));
  if (!batch) options.output = positional.back();
  if (options.output == "-" && !options.dryRun && isatty(STDOUT_FILENO) != 0)
    return reader.usageError("OUT '-' is a terminal; send it to a file or a pipe");
  if (options.rawOutput && (batch || options.output != "-"))
    return reader.usageError("--out-format raw is for OUT '-' (standard output)");
  if (batch)
    for (const std::string& in : options.inputs)
      if (in == "-") return reader.usageError("IN '-' (standard input) takes one file, not --out-dir");
  return kExitOk;
}

// Returns kExitOk, or an exit status after printing the problem.
int readRenderOptions(const Args& args, RenderOptions& options, bool& helpShown) {
  RenderWords words;
  ArgumentReader reader{"render", kRenderHelp};
  reader.flag("--quiet|-q", options.quiet)
      .flag("--stats", options.stats)
      .flag("--dry-run", options.dryRun)
      .flag("--first-order", options.firstOrder)
      .custom("--program", "a program number from 0", takeProgramNumber(options.program))
      .integer("--block", 1, 65536, "frames", options.blockSize)
      .integer("--sr", 1000, 768000, "Hz", options.sampleRate)
      .integer("--preroll", 0, 100000000, "frames", options.preroll)
      .flag("--no-preroll", words.noPreroll)
      .number("--gain", -200.0, 200.0, "dB", options.gainDb)
      .optionalNumber("--normalize", -200.0, 0.0, "dBFS", -1.0, options.normalizeTo)
      .text("--out-dir", "a folder", options.outDir)
      .integer("--jobs|-j", 1, 1024, "files at once", options.jobs)
      .text("--subtype", "a sample format (" + supportedSubtypes() + ")", options.subtype)
      .choice("--in-format", {"fuma", "ambix"}, words.inFormat)
      .choice("--out-format", {"fuma", "ambix", "raw"}, words.outFormat)
      .text("--preset", "a name (see 'oxel presets')", options.preset)
      .text("--trajectory", "a CSV file", options.trajectory)
      .choice("--trajectory-mode", {"scene", "head"}, words.trajectoryMode)
      .custom("--invert", "yaw, pitch and/or roll, e.g. yaw,roll", takeInvertedAxes(options.invert))
      .custom("--set", "NAME=VALUE", collectParameterSetting(options.settings))
      .custom("--automate", "NAME=T:V,T:V,...",
              [&options](const std::string& v, std::string& problem, int&) {
                AutomationLane lane;
                if (!parseAutomation(v, lane, problem)) return false;
                options.lanes.push_back(lane);
                return true;
              })
      .positionals("PLUGIN IN OUT", 2, static_cast<size_t>(-1), words.positional);
  const int status = reader.read(args);
  helpShown = reader.helpShown();
  if (status != kExitOk || helpShown) return status;
  return finishRenderOptions(reader, words, options);
}

std::string minutesAndSeconds(double seconds) {
  const long whole = static_cast<long>(seconds + 0.5);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
  return text;
}

// The progress line on a terminal: file name, bar, percentage, time spent and
// time left; redrawn when the percentage or the second changes.
class ProgressBar {
 public:
  ProgressBar(bool enabled, sf_count_t total, std::string label)
      : enabled_{enabled}, total_{total}, label_{std::move(label)},
        started_{std::chrono::steady_clock::now()} {}
  ~ProgressBar() { finish(); }
  void update(sf_count_t done) {
    if (!enabled_) return;
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    const int percent = total_ > 0 ? static_cast<int>(std::min(done, total_) * 100 / total_) : -1;
    const long second = static_cast<long>(elapsed);
    if (percent == lastPercent_ && second == lastSecond_) return;
    lastPercent_ = percent;
    lastSecond_ = second;
    if (!open_) setProgressLineOpen(true);
    open_ = true;
    if (percent < 0) {
      std::fprintf(stderr, "\r%s  %lld frames  %s", label_.c_str(), static_cast<long long>(done),
                   minutesAndSeconds(elapsed).c_str());
    } else {
      const int filled = percent * 30 / 100;
      const double left = done > 0 ? elapsed * static_cast<double>(total_ - done) / done : 0.0;
      std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%  %s, %s left ", label_.c_str(), filled,
                   "##############################", 30 - filled, "", percent,
                   minutesAndSeconds(elapsed).c_str(),
                   done > 0 ? minutesAndSeconds(left).c_str() : "-:--");
    }
    std::fflush(stderr);
  }
  void finish() {
    if (!open_) return;
    std::fputs("\n", stderr);
    setProgressLineOpen(false);
    open_ = false;
  }

 private:
  bool enabled_;
  sf_count_t total_;
  std::string label_;
  std::chrono::steady_clock::time_point started_;
  int lastPercent_ = -2;
  long lastSecond_ = -1;
  bool open_ = false;
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

double decibels(double level) { return level > 0.0 ? 20.0 * std::log10(level) : -HUGE_VAL; }

std::string dbText(double level) { return levelText(level, true); }

// Peak per channel and the samples beyond full scale, after the gain.
struct Levels {
  std::vector<double> peak;
  long long beyondFullScale = 0;
  double highest() const {
    double h = 0.0;
    for (double p : peak) h = std::max(h, p);
    return h;
  }
};

// The plug-in that renders, a second instance that answers questions about
// values (so the first only gets the values finally sent), and what is sent
// to it: values before the first block and values per block.
struct RenderPlugin {
  std::shared_ptr<PluginLibrary> library;
  std::unique_ptr<PluginInstance> instance, probe;
  std::vector<ParameterValue> initial;
  std::vector<ParameterTrack> tracks;
};

// The input file and what the plug-in reads from it (its first-order part,
// resampled or not).
struct RenderInput {
  std::string name;  // for messages
  AudioReader reader;
  std::unique_ptr<FileSource> file;
  std::unique_ptr<FirstChannelsSource> firstOrder;
  std::unique_ptr<ResamplingSource> resampler;
  FrameSource* source = nullptr;
};

bool isHigherOrder(int channels) {
  for (int order = 2; order <= 7; ++order)
    if (channels == (order + 1) * (order + 1)) return true;
  return false;
}

int openInput(const RenderOptions& options, const std::string& path, const std::string& output,
              RenderInput& input) {
  std::error_code ec;
  if (path != "-" && output != "-" && fs::exists(output, ec) && fs::equivalent(path, output, ec))
    return fail(kExitUsage, "render: OUT is the same file as IN; choose another name");
  input.name = path == "-" ? "standard input" : path;
  std::string error;
  if (!input.reader.open(path, error)) return fail(kExitBadInput, error);
  input.file = std::make_unique<FileSource>(input.reader);
  input.source = input.file.get();
  if (options.firstOrder && input.reader.channels() > 4) {
    input.firstOrder = std::make_unique<FirstChannelsSource>(*input.source, 4);
    input.source = input.firstOrder.get();
  }
  if (options.sampleRate != 0 && options.sampleRate != input.reader.sampleRate()) {
    input.resampler = std::make_unique<ResamplingSource>(*input.source, options.sampleRate);
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
int checkChannels(const RenderOptions& options, const RenderInput& input, PluginInstance& plugin) {
  const int numInputs = plugin.numInputs();
  const int numOutputs = plugin.numOutputs();
  const int channels = input.reader.channels();
  if (options.inFormatGiven && numInputs != 4)
    return fail(kExitBadInput, "render: --in-format applies to B-format input; " +
                                   options.plugin + " takes " + channelWord(numInputs));
  if (options.outFormat == BFormat::AmbiX && numOutputs != 4)
    return fail(kExitBadInput, "render: --out-format ambix applies to B-format output; " +
                                   options.plugin + " gives " + channelWord(numOutputs));
  if (input.source->channels() == numInputs) return kExitOk;
  std::string message = input.name + " has " + channelWord(channels) + "; " + options.plugin +
                        " needs " + channelWord(numInputs);
  if (numInputs == 4) {
    message += options.inFormat == BFormat::AmbiX ? " (first-order AmbiX: W, Y, Z, X)"
                                                  : " (B-format W, X, Y, Z)";
    if (channels <= 2)
      message += ": B-format needs four channels, a first-order Ambisonic recording; a " +
                 std::string{channels == 1 ? "mono" : "stereo"} + " file cannot be turned into one";
    else if (isHigherOrder(channels))
      message += "; this looks like a higher-order file: add --first-order to render its "
                 "first-order part (its first four channels)";
  }
  return fail(kExitBadInput, message);
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
int resolveTracks(const RenderOptions& options, RenderPlugin& plugin, bool quiet) {
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
  if (!quiet)
    for (const std::string& warning : path->warnings())
      std::fprintf(stderr, "oxel: render: warning: %s\n", warning.c_str());
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

// An input opened and a plug-in ready for its first block.
struct RenderSession {
  RenderInput input;
  RenderPlugin plugin;
};

int openSession(const RenderOptions& options, const std::string& inputPath,
                const std::string& output, bool quiet, RenderSession& session) {
  if (const int status = openInput(options, inputPath, output, session.input); status != kExitOk)
    return status;
  const int rate = session.input.source->sampleRate();
  if (const int status = openRenderPlugin(options, rate, session.plugin); status != kExitOk)
    return status;
  if (const int status = checkChannels(options, session.input, *session.plugin.instance);
      status != kExitOk)
    return status;
  if (const int status = resolveInitialValues(options, session.plugin); status != kExitOk)
    return status;
  return resolveTracks(options, session.plugin, quiet);
}

// The values each parameter gets: before the first block, and per lane.
void printDryRun(const RenderOptions& options, RenderPlugin& plugin) {
  PluginInstance& probe = *plugin.probe;
  auto shown = [&probe](VstInt32 index, float value) {
    probe.setParameter(index, value);
    return std::string{trim(probe.parameterDisplay(index))} + " " + probe.parameterLabel(index);
  };
  if (options.program >= 0) std::printf("program %d\n", options.program);
  for (const ParameterValue& v : plugin.initial)
    std::printf("set %s = %.9g (%s)\n", probe.parameterName(v.index).c_str(),
                static_cast<double>(v.value), shown(v.index, v.value).c_str());
  for (const AutomationLane& lane : options.lanes) {
    const VstInt32 index = probe.findParameter(lane.name);
    std::printf("automate %s:", probe.parameterName(index).c_str());
    for (const Breakpoint& point : lane.points) {
      float value = 0.0f;
      std::string error;
      resolveParameterValue(probe, index, point.typed, value, error);
      std::printf(" %gs=%.9g (%s)", point.seconds, static_cast<double>(value),
                  shown(index, value).c_str());
    }
    std::printf("\n");
  }
  if (!options.trajectory.empty()) {
    // The trajectory's tracks are the last four; their values at time 0.
    const size_t first = plugin.tracks.size() - 4;
    std::printf("trajectory %s at 0 s:", options.trajectory.c_str());
    for (size_t k = first; k < plugin.tracks.size(); ++k) {
      const float value = plugin.tracks[k].value(0.0);
      std::printf(" %s=%.9g (%s)", probe.parameterName(plugin.tracks[k].index).c_str(),
                  static_cast<double>(value), shown(plugin.tracks[k].index, value).c_str());
    }
    std::printf("\n");
  }
}

// Sends each track's value for a block starting at `seconds`, when it changed.
void sendTracks(RenderPlugin& plugin, double seconds) {
  for (ParameterTrack& track : plugin.tracks) {
    const float value = track.value(seconds);
    if (!track.last || *track.last != value) {
      plugin.instance->setParameter(track.index, value);
      track.last = value;
    }
  }
}

// The settings, then the pre-roll: silence whose output is dropped.
void startPlugin(const RenderOptions& options, RenderPlugin& plugin) {
  PluginInstance& instance = *plugin.instance;
  for (const ParameterValue& v : plugin.initial) instance.setParameter(v.index, v.value);
  sendTracks(plugin, 0.0);
  instance.resume();
  if (options.preroll <= 0) return;
  const int block = options.blockSize;
  std::vector<float> silence(static_cast<size_t>(block) * instance.numInputs(), 0.0f);
  std::vector<float> dropped(static_cast<size_t>(block) * instance.numOutputs());
  InterleavedProcessor processor{instance, block};
  for (int done = 0; done < options.preroll; done += block)
    processor.process(silence.data(), dropped.data(), std::min(block, options.preroll - done));
}

struct RenderResult {
  sf_count_t frames = 0;
  int rate = 0, channels = 0;
  double wallSeconds = 0.0, pluginSeconds = 0.0;
  Levels levels;
  std::string lengthProblem;
};

// One chunk's blocks through the plug-in, each after its tracks' values;
// adds the time spent in the plug-in to `inPlugin`.
void processChunk(RenderPlugin& plugin, InterleavedProcessor& processor, const float* in,
                  float* out, sf_count_t got, sf_count_t done, int rate, int block,
                  std::chrono::steady_clock::duration& inPlugin) {
  using Clock = std::chrono::steady_clock;
  const int numInputs = plugin.instance->numInputs(), numOutputs = plugin.instance->numOutputs();
  for (sf_count_t start = 0; start < got; start += block) {
    const int frames = static_cast<int>(std::min<sf_count_t>(block, got - start));
    sendTracks(plugin, static_cast<double>(done + start) / rate);
    const auto before = Clock::now();
    processor.process(&in[static_cast<size_t>(start) * numInputs],
                      &out[static_cast<size_t>(start) * numOutputs], frames);
    inPlugin += Clock::now() - before;
  }
}

// The gain applied to `samples` interleaved samples, each channel's peak
// kept, and the samples beyond full scale counted when the sink clips them.
void applyGainAndMeasure(float* interleaved, size_t samples, int numOutputs, double gain,
                         bool clips, Levels& levels) {
  for (size_t i = 0; i < samples; ++i) {
    float& sample = interleaved[i];
    if (gain != 1.0) sample = static_cast<float>(sample * gain);
    const double level = std::fabs(static_cast<double>(sample));
    double& peak = levels.peak[i % static_cast<size_t>(numOutputs)];
    peak = std::max(peak, level);
    if (clips && level > 1.0) ++levels.beyondFullScale;
  }
}

// The blocks: tracks sent at each block's start, the plug-in run, the
// B-format conversions on the way in and out, the gain, the levels measured
// and the frames written (to `sink`, when there is one).
int renderBlocks(const RenderOptions& options, RenderSession& session, AudioSink* sink,
                 double gain, const std::string& label, RenderResult& result) {
  RenderPlugin& plugin = session.plugin;
  PluginInstance& instance = *plugin.instance;
  FrameSource& source = *session.input.source;
  const int rate = source.sampleRate();
  const int numInputs = instance.numInputs(), numOutputs = instance.numOutputs();
  // Files are read and written in chunks of whole blocks (at least 8192
  // frames: fewer library calls); the plug-in still gets one block at a time.
  const int block = options.blockSize;
  const int chunk = std::max(block, (8192 + block - 1) / block * block);
  std::vector<float> interleavedIn(static_cast<size_t>(chunk) * numInputs);
  std::vector<float> interleavedOut(static_cast<size_t>(chunk) * numOutputs);
  InterleavedProcessor processor{instance, block};
  const bool clips = sink && sink->clipsAtFullScale();
  result.levels.peak.assign(static_cast<size_t>(numOutputs), 0.0);
  result.rate = rate;
  result.channels = numOutputs;

  using Clock = std::chrono::steady_clock;
  const auto started = Clock::now();
  Clock::duration inPlugin{};
  ProgressBar progress{!options.quiet && isatty(STDERR_FILENO) != 0, source.expectedFrames(),
                       label};
  startPlugin(options, plugin);
  std::string error;
  sf_count_t done = 0;
  for (;;) {
    const sf_count_t got = source.read(interleavedIn.data(), chunk, error);
    if (got < 0) return fail(kExitBadInput, "cannot read " + session.input.name + ": " + error);
    if (got == 0) break;
    if (options.inFormat == BFormat::AmbiX)
      ambixToFuma(interleavedIn.data(), static_cast<size_t>(got));
    processChunk(plugin, processor, interleavedIn.data(), interleavedOut.data(), got, done, rate,
                 block, inPlugin);
    if (options.outFormat == BFormat::AmbiX)
      fumaToAmbix(interleavedOut.data(), static_cast<size_t>(got));
    applyGainAndMeasure(interleavedOut.data(), static_cast<size_t>(got) * numOutputs, numOutputs,
                        gain, clips, result.levels);
    if (sink && !sink->write(interleavedOut.data(), got, error)) return fail(kExitFailure, error);
    done += got;
    progress.update(done);
  }
  instance.suspend();
  progress.finish();
  result.frames = done;
  result.lengthProblem = session.input.reader.lengthProblem(session.input.file->framesRead());
  result.wallSeconds = std::chrono::duration<double>(Clock::now() - started).count();
  result.pluginSeconds = std::chrono::duration<double>(inPlugin).count();
  return kExitOk;
}

void printStats(const RenderResult& result) {
  const double wall = result.wallSeconds, plug = result.pluginSeconds;
  std::fprintf(stderr,
               "render: %lld frames (%.2f s of audio at %d Hz) in %.3f s; plug-in %.3f s "
               "(%.1f %%), reading, converting and writing %.3f s\n",
               static_cast<long long>(result.frames),
               static_cast<double>(result.frames) / result.rate, result.rate, wall, plug,
               wall > 0 ? 100.0 * plug / wall : 0.0, wall - plug);
}

// "render: out.wav: 384000 frames, 8.000 s at 48000 Hz; peak -3.1, -2.9 dBFS; 0 clipped"
void printSummary(const std::string& name, const RenderResult& result, double gainDb) {
  std::string peaks;
  for (double peak : result.levels.peak) peaks += (peaks.empty() ? "" : ", ") + dbText(peak);
  char gainText[48] = "";
  if (gainDb != 0.0) std::snprintf(gainText, sizeof gainText, "; gain %+.2f dB", gainDb);
  std::fprintf(stderr, "render: %s: %lld frames, %.3f s at %d Hz; peak %s dBFS%s; %lld clipped\n",
               name.c_str(), static_cast<long long>(result.frames),
               static_cast<double>(result.frames) / result.rate, result.rate, peaks.c_str(),
               gainText, result.levels.beyondFullScale);
}

// Standard input kept in an unnamed temporary file, for a second reading.
class SpooledInput {
 public:
  ~SpooledInput() {
    if (fd_ >= 0) close(fd_);
  }
  // The path that reads the copy, or empty with the message in error.
  std::string copyStandardInput(std::string& error) {
    const char* folder = std::getenv("TMPDIR");
    fd_ = open(folder && *folder ? folder : "/tmp", O_TMPFILE | O_RDWR, 0600);
    if (fd_ < 0) {
      error = std::string{"cannot keep standard input for a second pass: "} + std::strerror(errno);
      return {};
    }
    std::vector<char> buffer(1 << 16);
    for (;;) {
      const ssize_t got = ::read(STDIN_FILENO, buffer.data(), buffer.size());
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        error = std::string{"cannot read standard input: "} + std::strerror(errno);
        return {};
      }
      if (got == 0) break;
      for (ssize_t at = 0; at < got;) {
        const ssize_t put = ::write(fd_, buffer.data() + at, static_cast<size_t>(got - at));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
          error = std::string{"cannot keep standard input for a second pass: "} +
                  std::strerror(errno);
          return {};
        }
        at += put;
      }
    }
    return "/proc/self/fd/" + std::to_string(fd_);
  }

 private:
  int fd_ = -1;
};

std::unique_ptr<AudioSink> openOutput(const RenderOptions& options, const std::string& path,
                                      int channels, int rate, sf_count_t frames, int& status) {
  std::string error;
  if (path == "-") {
    auto writer = std::make_unique<StreamWriter>();
    if (!options.subtype.empty() && lowercase(options.subtype) != "float") {
      status = fail(kExitBadInput, "render: OUT '-' is written as 32-bit float; leave out --subtype");
      return nullptr;
    }
    if (!writer->open(STDOUT_FILENO,
                      options.rawOutput ? StreamWriter::Format::Raw : StreamWriter::Format::Wav,
                      channels, rate, frames > 0 ? frames : -1, error)) {
      status = fail(kExitFailure, "render: " + error);
      return nullptr;
    }
    return writer;
  }
  auto writer = std::make_unique<AudioWriter>();
  if (!writer->open(path, channels, rate, options.subtype, error)) {
    status = fail(kExitBadInput, error);
    return nullptr;
  }
  return writer;
}

// Checks that OUT can be written and clears what an interrupted render left
// beside it; kExitOk or the status.
int prepareOutputFolder(const std::string& output) {
  if (output == "-") return kExitOk;
  if (const std::string problem = outputPathProblem(output); !problem.empty())
    return fail(kExitFailure, "render: " + problem);
  const fs::path folder =
      fs::path{output}.has_parent_path() ? fs::path{output}.parent_path() : fs::path{"."};
  removeStaleTemporaryFiles(folder.string());
  return kExitOk;
}

// --normalize's measuring pass: the gain that brings the peak to the level
// asked for, into `gainDb` (left as it is for silence). Standard input is
// kept in `spool` for the second pass, and `readPath` names the copy.
int measureGain(const RenderOptions& options, const std::string& output, const std::string& outName,
                const std::string& label, SpooledInput& spool, std::string& readPath,
                double& gainDb) {
  std::string error;
  if (readPath == "-") {
    readPath = spool.copyStandardInput(error);
    if (readPath.empty()) return fail(kExitFailure, "render: " + error);
  }
  RenderSession measuring;
  if (const int status = openSession(options, readPath, output, options.quiet, measuring);
      status != kExitOk)
    return status;
  RenderResult measured;
  if (const int status =
          renderBlocks(options, measuring, nullptr, 1.0, label + " (measuring)", measured);
      status != kExitOk)
    return status;
  const double peak = measured.levels.highest();
  if (peak > 0.0)
    gainDb = *options.normalizeTo - decibels(peak);
  else if (!options.quiet)
    std::fprintf(stderr, "oxel: render: warning: %s is silent; --normalize leaves its level\n",
                 outName.c_str());
  return kExitOk;
}

// The warnings after a render: a length that did not match, samples clipped.
void warnAfterRender(const RenderResult& result, const std::string& outName, double gainDb) {
  if (!result.lengthProblem.empty())
    std::fprintf(stderr, "oxel: render: warning: %s\n", result.lengthProblem.c_str());
  if (result.levels.beyondFullScale > 0) {
    const double over = decibels(result.levels.highest());
    std::fprintf(stderr,
                 "oxel: render: warning: %lld samples of %s were beyond full scale and are "
                 "clipped (peak %+.1f dBFS); --gain %.1f or --normalize keeps them whole\n",
                 result.levels.beyondFullScale, outName.c_str(), over,
                 gainDb - std::ceil(over * 10.0) / 10.0);
  }
}

// One IN to one OUT, as every render does: checks, (a measuring pass for
// --normalize), the pass that writes, the warnings and the summary.
int renderFile(const RenderOptions& options, const std::string& inputPath,
               const std::string& output) {
  const std::string outName = output == "-" ? "standard output" : output;
  if (const int status = prepareOutputFolder(output); status != kExitOk) return status;
  const std::string label = fs::path{inputPath == "-" ? "stdin" : inputPath}.filename().string();
  std::string readPath = inputPath;
  SpooledInput spool;
  std::string error;
  double gainDb = options.gainDb;
  if (options.normalizeTo && !options.dryRun) {
    if (const int status = measureGain(options, output, outName, label, spool, readPath, gainDb);
        status != kExitOk)
      return status;
  }
  RenderSession session;
  if (const int status =
          openSession(options, readPath, output, options.quiet || options.normalizeTo.has_value(),
                      session);
      status != kExitOk)
    return status;
  if (options.dryRun) {
    printDryRun(options, session.plugin);
    return kExitOk;
  }
  int status = kExitOk;
  auto sink = openOutput(options, output, session.plugin.instance->numOutputs(),
                         session.input.source->sampleRate(),
                         session.input.source->expectedFrames(), status);
  if (!sink) return status;
  RenderResult result;
  const double gain = gainDb == 0.0 ? 1.0 : std::pow(10.0, gainDb / 20.0);
  if (const int s = renderBlocks(options, session, sink.get(), gain, label, result); s != kExitOk)
    return s;
  if (!sink->commit(error)) return fail(kExitFailure, error);
  warnAfterRender(result, outName, gainDb);
  if (options.stats) printStats(result);
  if (!options.quiet) printSummary(outName, result, gainDb);
  return kExitOk;
}

// Every IN into DIR under its own name, -j at a time, each in its own
// process; failures are reported and the rest go on.
int renderMany(const RenderOptions& options) {
  std::error_code ec;
  if (fs::exists(options.outDir, ec) && !fs::is_directory(options.outDir, ec))
    return fail(kExitFailure, "render: --out-dir " + options.outDir + " is a file, not a folder");
  fs::create_directories(options.outDir, ec);
  if (!fs::is_directory(options.outDir, ec))
    return fail(kExitFailure, "render: cannot create the folder " + options.outDir +
                                  (ec ? ": " + ec.message() : std::string{}));
  std::vector<std::string> outputs;
  for (const std::string& in : options.inputs) {
    const std::string out = (fs::path{options.outDir} / fs::path{in}.filename()).string();
    if (std::find(outputs.begin(), outputs.end(), out) != outputs.end())
      return fail(kExitUsage, "render: two inputs would both be written to " + out +
                                  "; give them different names");
    outputs.push_back(out);
  }
  int jobs = options.jobs;
  if (jobs <= 0) jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  std::vector<std::pair<std::string, int>> failed;
  size_t finished = 0;
  runInChildProcesses(
      options.inputs.size(), jobs,
      [&](size_t i) {
        // Children share the terminal: no progress bars or summaries of their
        // own; the parent reports each file as it ends.
        RenderOptions one = options;
        one.quiet = true;
        return renderFile(one, options.inputs[i], outputs[i]);
      },
      [&](size_t i, int status) {
        ++finished;
        if (status != kExitOk) {
          failed.emplace_back(options.inputs[i], status);
          std::fprintf(stderr, "oxel: render: %s failed (exit status %d)\n",
                       options.inputs[i].c_str(), status);
        } else if (!options.quiet) {
          std::fprintf(stderr, "render: [%zu/%zu] %s\n", finished, options.inputs.size(),
                       outputs[i].c_str());
        }
      });
  if (failed.empty()) {
    if (!options.quiet)
      std::fprintf(stderr, "render: %zu files written to %s\n", options.inputs.size(),
                   options.outDir.c_str());
    return kExitOk;
  }
  std::string names;
  bool sameStatus = true;
  for (const auto& [name, status] : failed) {
    names += (names.empty() ? "" : ", ") + name;
    sameStatus = sameStatus && status == failed.front().second;
  }
  fail(failed.front().second, "render: " + std::to_string(failed.size()) + " of " +
                                  std::to_string(options.inputs.size()) +
                                  " files failed: " + names);
  return sameStatus ? failed.front().second : kExitFailure;
}

}  // namespace

int runRender(const Args& args) {
  RenderOptions options;
  bool helpShown = false;
  if (const int status = readRenderOptions(args, options, helpShown);
      status != kExitOk || helpShown)
    return status;
  if (!options.outDir.empty() || options.inputs.size() != 1) return renderMany(options);
  return renderFile(options, options.inputs.front(), options.output);
}

}  // namespace oxel
