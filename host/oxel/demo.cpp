// oxel demo: synthesises a short B-format scene, renders it through both
// plug-ins with a few settings, and writes the WAVs and a summary.
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "audio_file.h"
#include "commands.h"
#include "interleaved_processor.h"
#include "plugin_open.h"

namespace fs = std::filesystem;

namespace oxel {

namespace {

const char* const kDemoHelp =
    "usage: oxel demo [--out DIR] [--pelrin PLUGIN] [--tavrel PLUGIN]\n"
    "\n"
    "Synthesises an 8-second B-format scene (a voice-like tone circling the\n"
    "listener, a click track straight ahead, soft noise from above), writes it as\n"
    "scene.wav (W, X, Y, Z) and renders it through Pelrin with several microphone\n"
    "settings and through Tavrel with a rotation sweep. Writes the WAVs and\n"
    "summary.txt into DIR (default: demo-output).\n";

constexpr int kSampleRate = 48000;
constexpr double kSeconds = 8.0;
constexpr double kPi = 3.141592653589793;
constexpr int kBlock = 512;

// Interleaved W, X, Y, Z; sources encoded with W at -3 dB.
std::vector<float> synthesiseScene() {
  const int frames = static_cast<int>(kSampleRate * kSeconds);
  std::vector<float> scene(static_cast<size_t>(frames) * 4);
  std::mt19937 random{20261209};
  std::uniform_real_distribution<float> noise{-1.0f, 1.0f};
  double phase = 0.0;
  auto encode = [&](int f, double s, double azimuth, double elevation) {
    float* frame = &scene[static_cast<size_t>(f) * 4];
    frame[0] += static_cast<float>(s * 0.7071067811865476);
    frame[1] += static_cast<float>(s * std::cos(azimuth) * std::cos(elevation));
    frame[2] += static_cast<float>(s * std::sin(azimuth) * std::cos(elevation));
    frame[3] += static_cast<float>(s * std::sin(elevation));
  };
  for (int f = 0; f < frames; ++f) {
    const double t = static_cast<double>(f) / kSampleRate;
    // Voice-like: a vibrato fundamental with a few decaying harmonics, syllable envelope.
    phase += 2.0 * kPi * (180.0 + 6.0 * std::sin(2.0 * kPi * 5.5 * t)) / kSampleRate;
    double voice = 0.0;
    for (int h = 1; h <= 6; ++h) voice += std::sin(h * phase) / (h * h);
    voice *= 0.25 * (0.6 + 0.4 * std::sin(2.0 * kPi * 3.0 * t));
    encode(f, voice, 2.0 * kPi * t / kSeconds, 0.0);  // one full circle, counter-clockwise
    // Clicks from the front, twice a second.
    const double sinceClick = std::fmod(t, 0.5);
    encode(f, 0.5 * std::exp(-sinceClick * 400.0) * std::sin(2.0 * kPi * 2000.0 * sinceClick),
           0.0, 0.0);
    // Soft noise from straight above.
    encode(f, 0.03 * noise(random), 0.0, kPi / 2.0);
  }
  return scene;
}

struct Setting {
  const char* name;
  const char* description;
  int parameter;
  float value;
};

bool writeFile(const fs::path& path, const std::vector<float>& samples, int channels,
               std::string& error) {
  AudioWriter writer;
  return writer.open(path.string(), channels, kSampleRate, "", error) &&
         writer.write(samples.data(), static_cast<sf_count_t>(samples.size() / channels), error) &&
         writer.commit(error);
}

// Renders the scene through a fresh instance with the given settings applied
// before the first block; `automate` may change parameters per block.
template <class Automation>
bool renderScene(const std::string& spec, const std::vector<float>& scene,
                 const std::vector<Setting>& settings, Automation automate,
                 std::vector<float>& out, int& outputs, std::string& error) {
  auto plugin = openPlugin(spec, error, static_cast<float>(kSampleRate), kBlock);
  if (!plugin) return false;
  for (const Setting& s : settings) plugin->setParameter(s.parameter, s.value);
  outputs = plugin->numOutputs();
  const int inputs = plugin->numInputs();
  const size_t frames = scene.size() / 4;
  if (inputs != 4) {
    error = spec + " does not take B-format (4 inputs)";
    return false;
  }
  out.assign(frames * outputs, 0.0f);
  InterleavedProcessor processor{*plugin, kBlock};
  plugin->resume();
  for (size_t start = 0; start < frames; start += kBlock) {
    const int n = static_cast<int>(std::min<size_t>(kBlock, frames - start));
    automate(*plugin, static_cast<double>(start) / kSampleRate);
    processor.process(&scene[start * 4], &out[start * outputs], n);
  }
  plugin->suspend();
  return true;
}

}  // namespace

int runDemo(const Args& args) {
  std::string outDir = "demo-output", pelrin = "Pelrin", tavrel = "Tavrel";
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kDemoHelp, stdout);
      return kExitOk;
    }
    std::string* target = arg == "--out" ? &outDir : arg == "--pelrin" ? &pelrin
                          : arg == "--tavrel" ? &tavrel : nullptr;
    if (target == nullptr) return fail(kExitUsage, "demo: unknown option " + arg);
    if (i + 1 >= args.size()) return fail(kExitUsage, "demo: " + arg + " needs a value");
    *target = args[++i];
  }
  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (ec) return fail(kExitFailure, "demo: cannot create " + outDir + ": " + ec.message());

  std::string error;
  std::string summary = "oxel demo: an 8-second B-format scene at 48 kHz\n"
                        "  voice-like tone circling once counter-clockwise from the front,\n"
                        "  clicks from the front twice a second, soft noise from above.\n\n";
  const std::vector<float> scene = synthesiseScene();
  if (!writeFile(fs::path{outDir} / "scene.wav", scene, 4, error)) return fail(kExitFailure, error);
  summary += "scene.wav               B-format input (W, X, Y, Z; W at -3 dB)\n";
  std::printf("demo: wrote %s\n", (fs::path{outDir} / "scene.wav").c_str());

  struct Job {
    std::string file, plugin, description;
    std::vector<Setting> settings;
    bool sweep;
  };
  // Pelrin: 0 Azimuth, 1 Elevation (0.25 = level), 2 Mic Angle (full angle / 360), 3 Mic Pattern.
  // Tavrel: 0-2 Angle1-3 (turn = -360 x value degrees), 3 Order of Processing.
  const std::vector<Job> jobs = {
      {"pelrin-cardioid-xy.wav", pelrin, "Pelrin: cardioid pair, 90 degrees apart, level, facing front",
       {{"", "", 0, 0.0f}, {"", "", 1, 0.25f}, {"", "", 2, 0.25f}, {"", "", 3, 0.5f}}, false},
      {"pelrin-figure8-blumlein.wav", pelrin, "Pelrin: figure-of-eight pair, 90 degrees apart",
       {{"", "", 0, 0.0f}, {"", "", 1, 0.25f}, {"", "", 2, 0.25f}, {"", "", 3, 1.0f}}, false},
      {"pelrin-omni.wav", pelrin, "Pelrin: omni pair (W only)",
       {{"", "", 0, 0.0f}, {"", "", 1, 0.25f}, {"", "", 2, 0.25f}, {"", "", 3, 0.0f}}, false},
      {"pelrin-azimuth-sweep.wav", pelrin,
       "Pelrin: cardioid pair whose azimuth follows the circling voice (automated per block)",
       {{"", "", 1, 0.25f}, {"", "", 2, 0.25f}, {"", "", 3, 0.5f}}, true},
      {"tavrel-rotation-sweep.wav", tavrel,
       "Tavrel: the whole field rotated by one full turn over the scene (automated per block)",
       {}, true},
  };
  for (const Job& job : jobs) {
    std::vector<float> out;
    int outputs = 0;
    auto automate = [&job](PluginInstance& plugin, double seconds) {
      if (job.sweep) plugin.setParameter(0, static_cast<float>(seconds / kSeconds));
    };
    if (!renderScene(job.plugin, scene, job.settings, automate, out, outputs, error)) {
      std::fprintf(stderr, "demo: skipped %s: %s\n", job.file.c_str(), error.c_str());
      summary += job.file + "  skipped: " + error + "\n";
      continue;
    }
    const fs::path path = fs::path{outDir} / job.file;
    if (!writeFile(path, out, outputs, error)) return fail(kExitFailure, error);
    std::printf("demo: wrote %s\n", path.c_str());
    summary += job.file + "  " + job.description + "\n";
  }
  std::ofstream{fs::path{outDir} / "summary.txt"} << summary;
  std::printf("demo: summary in %s\n", (fs::path{outDir} / "summary.txt").c_str());
  return kExitOk;
}

}  // namespace oxel
