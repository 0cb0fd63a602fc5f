// oxel demo: synthesises a short B-format scene, writes it in both B-format
// conventions with a head-tracking path, renders it through both plug-ins
// with 'oxel render' itself (presets, automation, AmbiX, a trajectory), and
// writes the WAVs and a summary with each file's command line and levels;
// then draws each plug-in's editor at a few settings with 'oxel shot'.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "argument_reader.h"
#include "audio_file.h"
#include "bformat.h"
#include "commands.h"
#include "level_text.h"
#include "plugin_path.h"

namespace fs = std::filesystem;

namespace oxel {

namespace {

const char* const kDemoHelp =
    "usage: oxel demo [--out DIR] [--pelrin PLUGIN] [--tavrel PLUGIN]\n"
    "\n"
    "Needs no input files. Synthesises an 8-second first-order scene at 48 kHz (a\n"
    "voice-like tone circling the listener once counter-clockwise from the front,\n"
    "a click track straight ahead, soft noise from above) and writes it as\n"
    "scene.wav (FuMa: W, X, Y, Z) and scene-ambix.wav (AmbiX: W, Y, Z, X, SN3D),\n"
    "with head-turn.csv, a head-tracking path. It then renders the scene with\n"
    "'oxel render': Pelrin with several coincident-pair presets, with its azimuth\n"
    "automated to follow the voice, and from the AmbiX file; Tavrel with a full\n"
    "rotation sweep and with the head-tracking path, AmbiX in and out. Last, it\n"
    "draws each plug-in's editor at a few settings with 'oxel shot' (PNG).\n"
    "Everything goes into DIR (default demo-output), with summary.txt listing\n"
    "each file, the command that reproduces it, and its peak and RMS levels.\n"
    "A plug-in that cannot be found is skipped with a note.\n"
    "\n"
    "  --out DIR         output folder (created if needed)\n"
    "  --pelrin PLUGIN   the microphone plug-in to use (default: Pelrin)\n"
    "  --tavrel PLUGIN   the rotator plug-in to use (default: Tavrel)\n";

constexpr int kSampleRate = 48000;
constexpr double kSeconds = 8.0;

// Interleaved W, X, Y, Z (FuMa: W at -3 dB).
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
    phase += 2.0 * std::numbers::pi * (180.0 + 6.0 * std::sin(2.0 * std::numbers::pi * 5.5 * t)) /
             kSampleRate;
    double voice = 0.0;
    for (int h = 1; h <= 6; ++h) voice += std::sin(h * phase) / (h * h);
    voice *= 0.25 * (0.6 + 0.4 * std::sin(2.0 * std::numbers::pi * 3.0 * t));
    // One full circle, counter-clockwise.
    encode(f, voice, 2.0 * std::numbers::pi * t / kSeconds, 0.0);
    // Clicks from the front, twice a second.
    const double sinceClick = std::fmod(t, 0.5);
    encode(f,
           0.5 * std::exp(-sinceClick * 400.0) *
               std::sin(2.0 * std::numbers::pi * 2000.0 * sinceClick),
           0.0, 0.0);
    // Soft noise from straight above.
    encode(f, 0.03 * noise(random), 0.0, std::numbers::pi / 2.0);
  }
  return scene;
}

// The listener looks left, nods, looks right with a slight roll, and back.
const char* const kHeadTurn =
    "# head-tracking path for oxel render --trajectory (degrees; yaw + is to the left)\n"
    "t,yaw,pitch,roll\n"
    "0,0,0,0\n"
    "2,90,0,0\n"
    "3,90,20,0\n"
    "4,0,0,0\n"
    "6,-90,0,10\n"
    "8,0,0,0\n";

bool writeFile(const fs::path& path, const std::vector<float>& samples, int channels,
               std::string& error) {
  AudioWriter writer;
  return writer.open(path.string(), channels, kSampleRate, "", error) &&
         writer.write(samples.data(), static_cast<sf_count_t>(samples.size() / channels), error) &&
         writer.commit(error);
}

// "peak -3.1 dBFS, RMS -18.2 dBFS" per channel, read back from the file.
std::string levels(const fs::path& path) {
  AudioReader reader;
  std::string error;
  if (!reader.open(path.string(), error)) return "(unreadable: " + error + ")";
  const int channels = reader.channels();
  std::vector<double> peak(channels, 0.0), energy(channels, 0.0);
  std::vector<float> block(4096 * static_cast<size_t>(channels));
  sf_count_t total = 0, got;
  while ((got = reader.read(block.data(), 4096)) > 0) {
    for (sf_count_t f = 0; f < got; ++f)
      for (int c = 0; c < channels; ++c) {
        const double v = block[static_cast<size_t>(f * channels + c)];
        peak[c] = std::max(peak[c], std::abs(v));
        energy[c] += v * v;
      }
    total += got;
  }
  std::string text;
  char item[96];
  for (int c = 0; c < channels; ++c) {
    std::snprintf(
        item, sizeof item, "%sch%d peak %s / RMS %s dBFS", c ? "; " : "", c + 1,
        levelText(peak[c]).c_str(),
        levelText(total ? std::sqrt(energy[c] / static_cast<double>(total)) : 0.0).c_str());
    text += item;
  }
  return text;
}

// Largest sample difference between two files of the same shape, or -1.
double largestDifference(const fs::path& a, const fs::path& b) {
  AudioReader ra, rb;
  std::string error;
  if (!ra.open(a.string(), error) || !rb.open(b.string(), error) ||
      ra.channels() != rb.channels() || ra.frames() != rb.frames())
    return -1.0;
  std::vector<float> ba(4096 * static_cast<size_t>(ra.channels())), bb(ba.size());
  double largest = 0.0;
  sf_count_t got;
  while ((got = ra.read(ba.data(), 4096)) > 0) {
    if (rb.read(bb.data(), got) != got) return -1.0;
    for (size_t i = 0; i < static_cast<size_t>(got * ra.channels()); ++i)
      largest = std::max(largest, static_cast<double>(std::abs(ba[i] - bb[i])));
  }
  return largest;
}

std::string quoted(const std::string& arg) {
  return arg.find_first_of(" ,") == std::string::npos ? arg : "'" + arg + "'";
}

// Writes the scene in both conventions and the head-tracking path, and adds
// them to the summary.
int writeScene(const fs::path& dir, std::string& summary) {
  std::string error;
  std::vector<float> scene = synthesiseScene();
  if (!writeFile(dir / "scene.wav", scene, 4, error)) return fail(kExitFailure, "demo: " + error);
  fumaToAmbix(scene.data(), scene.size() / 4);
  if (!writeFile(dir / "scene-ambix.wav", scene, 4, error))
    return fail(kExitFailure, "demo: " + error);
  std::ofstream{dir / "head-turn.csv"} << kHeadTurn;
  summary += "scene.wav        the scene, FuMa (W, X, Y, Z; W at -3 dB)\n"
             "                 " + levels(dir / "scene.wav") + "\n"
             "scene-ambix.wav  the same scene, AmbiX (W, Y, Z, X; SN3D)\n"
             "head-turn.csv    a head-tracking path: look left, nod, look right, back\n\n";
  std::printf("demo: wrote %s, %s and %s\n", (dir / "scene.wav").c_str(),
              (dir / "scene-ambix.wav").c_str(), (dir / "head-turn.csv").c_str());
  return kExitOk;
}

// A rendering of the scene: the output file, what it shows, the plug-in, the
// input file and the options given to 'oxel render'.
struct Job {
  std::string file, description, plugin, input;
  Args options;
};

std::vector<Job> renderJobs(const fs::path& dir, const std::string& pelrin,
                            const std::string& tavrel) {
  const std::vector<Job> jobs = {
      {"pelrin-xy-cardioid.wav", "cardioid XY pair, 131 degrees apart", pelrin,
       "scene.wav", {"--preset", "xy-cardioid"}},
      {"pelrin-blumlein.wav", "Blumlein pair of figure-of-eights", pelrin,
       "scene.wav", {"--preset", "blumlein"}},
      {"pelrin-mid-side.wav", "mid-side (cardioid mid, figure-of-eight side) as L/R", pelrin,
       "scene.wav", {"--preset", "mid-side"}},
      {"pelrin-omni.wav", "omni pair: both outputs carry W", pelrin, "scene.wav",
       {"--preset", "omni"}},
      {"pelrin-follow-voice.wav",
       "hyper-cardioid pair whose azimuth follows the circling voice (automation)", pelrin,
       "scene.wav", {"--preset", "xy-hypercardioid", "--automate", "Azimuth=0:0degrees,8:360degrees"}},
      {"pelrin-from-ambix.wav", "cardioid XY pair rendered from the AmbiX file", pelrin,
       "scene-ambix.wav", {"--preset", "xy-cardioid", "--in-format", "ambix"}},
      {"tavrel-rotation-sweep.wav", "the field turned once round (Angle1 0 to 1 in 8 s)", tavrel,
       "scene.wav", {"--automate", "Angle1=0:0,8:1"}},
      {"tavrel-head-tracking-ambix.wav",
       "head tracking: the field counter-turned along head-turn.csv, AmbiX in and out", tavrel,
       "scene-ambix.wav", {"--in-format", "ambix", "--out-format", "ambix", "--trajectory",
        (dir / "head-turn.csv").string(), "--trajectory-mode", "head"}},
  };
  return jobs;
}

// Renders one job with 'oxel render' and adds it to the summary; false when
// the rendering failed (a missing plug-in is skipped with a note).
bool renderJob(const Job& job, const fs::path& dir, std::string& summary) {
  const fs::path out = dir / job.file;
  const fs::path in = dir / job.input;
  std::string pluginError;
  if (resolvePluginPath(job.plugin, pluginError).empty()) {
    std::fprintf(stderr, "demo: skipped %s: %s\n", job.file.c_str(), pluginError.c_str());
    summary += job.file + "\n  skipped: " + pluginError + "\n\n";
    return true;
  }
  Args renderArgs{job.plugin, in.string(), out.string(), "--quiet"};
  renderArgs.insert(renderArgs.end(), job.options.begin(), job.options.end());
  std::string command = "oxel render " + job.plugin + " " + in.filename().string() + " " + job.file;
  for (const std::string& option : job.options)
    command += " " + quoted(option == (dir / "head-turn.csv").string() ? "head-turn.csv" : option);
  if (runRender(renderArgs) != kExitOk) {
    summary += job.file + "\n  failed: " + command + "\n\n";
    return false;
  }
  std::printf("demo: wrote %s\n", out.c_str());
  summary += job.file + "  " + job.description + "\n  " + command + "\n  " + levels(out) + "\n";
  if (job.file == "pelrin-from-ambix.wav") {
    char note[160];
    std::snprintf(note, sizeof note,
                  "  largest difference from pelrin-xy-cardioid.wav: %.2g (rounding of the "
                  "AmbiX W gain)\n",
                  largestDifference(out, dir / "pelrin-xy-cardioid.wav"));
    summary += note;
  }
  summary += "\n";
  return true;
}

// A picture of an editor: the output file, what it shows, the plug-in, and
// NAME=VALUE settings, each given to --set.
struct Shot {
  std::string file, description, plugin;
  Args settings;
};

// The editors as a user meets them, drawn without a display.
std::vector<Shot> editorShots(const std::string& pelrin, const std::string& tavrel) {
  const std::vector<Shot> shots = {
      {"pelrin-editor.png", "Pelrin's editor, fresh: pair aimed ahead, 60 degrees apart, cardioids", pelrin, {}},
      {"pelrin-editor-xy.png", "Pelrin's editor: XY cardioid pair, 90 degrees apart", pelrin,
       {"Mic Angle=90degrees", "Mic Pattern=0.5"}},
      {"pelrin-editor-blumlein-aimed.png",
       "Pelrin's editor: Blumlein pair (figure-of-eight, 90 degrees apart) turned 30 degrees left and "
       "raised 15 degrees",
       pelrin, {"Mic Angle=90degrees", "Mic Pattern=1", "Azimuth=30degrees", "Elevation=15degrees"}},
      {"tavrel-editor.png", "Tavrel's editor, fresh: no turn, order rotate-tilt-tumble", tavrel, {}},
      {"tavrel-editor-turned.png",
       "Tavrel's editor: angles 90, 45 and 300 degrees, order 3 (tilt, tumble, rotate)", tavrel,
       {"Angle1=90degrees", "Angle2=45degrees", "Angle3=300degrees", "Order of Processing=0.6"}},
  };
  return shots;
}

// Draws one editor picture with 'oxel shot' and adds it to the summary; false
// when drawing failed (a missing plug-in is skipped with a note).
bool drawShot(const Shot& shot, const fs::path& dir, std::string& summary) {
  std::string pluginError;
  if (resolvePluginPath(shot.plugin, pluginError).empty()) {
    summary += shot.file + "\n  skipped: " + pluginError + "\n\n";
    return true;
  }
  const fs::path out = dir / shot.file;
  Args shotArgs{shot.plugin, out.string()};
  std::string command = "oxel shot " + shot.plugin + " " + shot.file;
  for (const std::string& setting : shot.settings) {
    shotArgs.insert(shotArgs.end(), {"--set", setting});
    command += " --set " + (setting.find(' ') == std::string::npos ? setting : "'" + setting + "'");
  }
  if (runShot(shotArgs) != kExitOk) {
    summary += shot.file + "\n  failed: " + command + "\n\n";
    return false;
  }
  std::printf("demo: wrote %s\n", out.c_str());
  summary += shot.file + "  " + shot.description + "\n  " + command + "\n\n";
  return true;
}

}  // namespace

int runDemo(const Args& args) {
  std::string outDir = "demo-output", pelrin = "Pelrin", tavrel = "Tavrel";
  ArgumentReader reader{"demo", kDemoHelp};
  reader.text("--out", "a folder", outDir)
      .text("--pelrin", "a plug-in", pelrin)
      .text("--tavrel", "a plug-in", tavrel);
  if (const int status = reader.read(args); status != kExitOk || reader.helpShown()) return status;
  std::error_code ec;
  fs::create_directories(outDir, ec);
  if (ec) return fail(kExitFailure, "demo: cannot create " + outDir + ": " + ec.message());
  const fs::path dir{outDir};

  std::string summary =
      "oxel demo: an 8-second first-order B-format scene at 48 kHz\n"
      "  a voice-like tone circling once counter-clockwise from the front (left at 2 s,\n"
      "  behind at 4 s, right at 6 s), clicks from the front twice a second, soft noise\n"
      "  from above.\n\n";
  if (const int status = writeScene(dir, summary); status != kExitOk) return status;

  int status = kExitOk;
  for (const Job& job : renderJobs(dir, pelrin, tavrel))
    if (!renderJob(job, dir, summary)) status = kExitFailure;
  summary += "Editor pictures (oxel shot):\n";
  for (const Shot& shot : editorShots(pelrin, tavrel))
    if (!drawShot(shot, dir, summary)) status = kExitFailure;

  summary += "Listen on headphones or speakers: Pelrin's outputs are stereo pairs (Mic 1 left,\n"
             "Mic 2 right); Tavrel's are B-format again, for a decoder.\n";
  std::ofstream{dir / "summary.txt"} << summary;
  std::fputs(("\n" + summary).c_str(), stdout);
  std::printf("demo: summary in %s\n", (dir / "summary.txt").c_str());
  return status;
}

}  // namespace oxel
