// oxel render: streams an audio file through a plug-in in blocks, as a host's
// audio thread would, and writes the result. Memory use does not grow with
// the length of the file.
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "audio_file.h"
#include "commands.h"
#include "interleaved_processor.h"
#include "plugin_open.h"

namespace oxel {

namespace {

const char* const kRenderHelp =
    "usage: oxel render PLUGIN IN OUT [options]\n"
    "\n"
    "Processes the audio file IN through PLUGIN and writes OUT. IN must have as\n"
    "many channels as the plug-in has inputs (B-format W, X, Y, Z for Pelrin and\n"
    "Tavrel); OUT gets one channel per plug-in output. Any format libsndfile reads\n"
    "is accepted; OUT's format follows its extension (.wav, .flac, .aiff, .caf,\n"
    ".w64, .rf64, .ogg), with 32-bit float samples where the format allows.\n"
    "OUT is written to a temporary file and appears only when rendering succeeded.\n"
    "\n"
    "options:\n"
    "  --program N          start from program N (0-based)\n"
    "  --set NAME=VALUE     set a parameter (name as 'oxel info' shows it, case\n"
    "                       ignored) to a normalised value from 0 to 1; repeatable\n"
    "  --block N            frames per processing block (default 512)\n"
    "  --subtype TYPE       output sample format: float, double, pcm16, pcm24, pcm32\n"
    "  --quiet              no progress bar\n"
    "\n"
    "exit status: 0 done, 2 bad command line, 3 unusable input file or value,\n"
    "4 plug-in not found or not loadable, 1 other failure.\n";

struct ParameterSetting {
  std::string name;
  float value;
};

struct RenderOptions {
  std::string plugin, input, output, subtype;
  int program = -1;
  int blockSize = 512;
  bool quiet = false;
  std::vector<ParameterSetting> settings;
};

bool parseInt(const std::string& text, int& out) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc{} && ptr == end;
}

bool parseFloat(const std::string& text, float& out) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc{} && ptr == end && std::isfinite(out);
}

// Returns kExitOk, or an exit status after printing the problem.
int parseOptions(const Args& args, RenderOptions& options, bool& helpShown) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (arg == "--help" || arg == "-h") {
      std::fputs(kRenderHelp, stdout);
      helpShown = true;
      return kExitOk;
    } else if (arg == "--quiet" || arg == "-q") {
      options.quiet = true;
    } else if (arg == "--program") {
      if (!value(v) || !parseInt(v, options.program) || options.program < 0)
        return fail(kExitUsage, "render: --program needs a program number from 0");
    } else if (arg == "--block") {
      if (!value(v) || !parseInt(v, options.blockSize) || options.blockSize < 1 ||
          options.blockSize > 65536)
        return fail(kExitUsage, "render: --block needs a frame count from 1 to 65536");
    } else if (arg == "--subtype") {
      if (!value(options.subtype)) return fail(kExitUsage, "render: --subtype needs a type");
    } else if (arg == "--set") {
      if (!value(v)) return fail(kExitUsage, "render: --set needs NAME=VALUE");
      const size_t eq = v.find('=');
      if (eq == std::string::npos || eq == 0)
        return fail(kExitUsage, "render: --set needs NAME=VALUE, got '" + v + "'");
      ParameterSetting setting{v.substr(0, eq), 0.0f};
      if (!parseFloat(v.substr(eq + 1), setting.value))
        return fail(kExitBadInput, "render: '" + v.substr(eq + 1) + "' is not a number (in --set " + v + ")");
      if (setting.value < 0.0f || setting.value > 1.0f)
        return fail(kExitBadInput, "render: value " + v.substr(eq + 1) + " for " + setting.name +
                                       " is outside the normalised range 0 to 1");
      options.settings.push_back(setting);
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return fail(kExitUsage, "render: unknown option " + arg + " (try 'oxel render --help')");
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 3)
    return fail(kExitUsage, "render: needs PLUGIN IN OUT (try 'oxel render --help')");
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
    const int percent = static_cast<int>(done * 100 / total_);
    if (percent == last_) return;
    last_ = percent;
    const int filled = percent * 40 / 100;
    std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
                 40 - filled, "", percent);
    std::fflush(stderr);
  }
  void finish() {
    if (enabled_) std::fputs("\n", stderr);
  }

 private:
  bool enabled_;
  sf_count_t total_;
  int last_ = -1;
};

}  // namespace

int runRender(const Args& args) {
  RenderOptions options;
  bool helpShown = false;
  if (const int status = parseOptions(args, options, helpShown); status != kExitOk || helpShown)
    return status;

  AudioReader reader;
  std::string error;
  if (!reader.open(options.input, error)) return fail(kExitBadInput, error);

  auto plugin = openPlugin(options.plugin, error, static_cast<float>(reader.sampleRate()),
                           options.blockSize);
  if (!plugin) return fail(kExitNoPlugin, error);
  const int numInputs = plugin->numInputs();
  const int numOutputs = plugin->numOutputs();
  if (reader.channels() != numInputs)
    return fail(kExitBadInput, options.input + " has " + std::to_string(reader.channels()) +
                                   " channel(s); the plug-in needs " +
                                   std::to_string(numInputs));
  if (options.program >= plugin->numPrograms())
    return fail(kExitUsage, "render: --program " + std::to_string(options.program) +
                                " is out of range (the plug-in has " +
                                std::to_string(plugin->numPrograms()) + " programs, 0 to " +
                                std::to_string(plugin->numPrograms() - 1) + ")");

  if (options.program >= 0) plugin->setProgram(options.program);
  for (const ParameterSetting& setting : options.settings) {
    const VstInt32 index = plugin->findParameter(setting.name);
    if (index < 0) {
      std::string names;
      for (VstInt32 i = 0; i < plugin->numParams(); ++i)
        names += (i ? ", " : "") + plugin->parameterName(i);
      return fail(kExitBadInput,
                  "render: unknown parameter '" + setting.name + "' (parameters: " + names + ")");
    }
    plugin->setParameter(index, setting.value);
  }

  AudioWriter writer;
  if (!writer.open(options.output, numOutputs, reader.sampleRate(), options.subtype, error))
    return fail(kExitBadInput, error);

  const int block = options.blockSize;
  std::vector<float> interleavedIn(static_cast<size_t>(block) * numInputs);
  std::vector<float> interleavedOut(static_cast<size_t>(block) * numOutputs);
  InterleavedProcessor processor{*plugin, block};

  ProgressBar progress{!options.quiet && isatty(STDERR_FILENO), reader.frames()};
  plugin->resume();
  sf_count_t done = 0;
  for (;;) {
    const sf_count_t got = reader.read(interleavedIn.data(), block);
    if (got < 0) return fail(kExitBadInput, "cannot read " + options.input + ": read error");
    if (got == 0) break;
    processor.process(interleavedIn.data(), interleavedOut.data(), static_cast<int>(got));
    if (!writer.write(interleavedOut.data(), got, error)) return fail(kExitFailure, error);
    done += got;
    progress.update(done);
  }
  plugin->suspend();
  progress.finish();
  if (!writer.commit(error)) return fail(kExitFailure, error);
  return kExitOk;
}

}  // namespace oxel
