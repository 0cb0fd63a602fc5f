// Shared by the oxel suite: running the oxel binary as a child process (exit
// status, stdout, stderr, peak memory), scratch folders, audio files written
// and read with libsndfile, and a plug-in driven directly through the host
// library as the reference for what oxel renders.
#pragma once

#include <sndfile.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "built_plugins.h"
#include "plugin_host.h"

namespace oxel_test {

namespace fs = std::filesystem;

inline const std::string kOxel = std::string{OXEL_BINARY_DIR} + "/bin/oxel";
inline const std::string kPelrin = builtPluginPath("Pelrin");
inline const std::string kTavrel = builtPluginPath("Tavrel");

struct RunResult {
  int status = -1;  // exit status, or 128 + signal
  std::string out, err;
  long maxRssKilobytes = 0;  // the child's peak resident memory
};

inline std::string slurp(const fs::path& path) {
  std::ifstream file{path};
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

// A folder under the system temp folder, removed with everything in it.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "oxel-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path_)) names.push_back(e.path().filename().string());
    return names;
  }

 private:
  fs::path path_;
};

// Runs oxel with the arguments (no shell); stdout and stderr go through
// files, standard input comes from `input`.
inline RunResult runOxel(const std::vector<std::string>& args,
                         const std::string& input = "/dev/null") {
  ScratchDir capture;
  const std::string outPath = capture / "stdout", errPath = capture / "stderr";
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(kOxel.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int in = open(input.c_str(), O_RDONLY);
    dup2(out, 1);
    dup2(err, 2);
    dup2(in, 0);
    execv(kOxel.c_str(), argv.data());
    _exit(127);
  }
  RunResult result;
  int status = 0;
  struct rusage usage {};
  if (pid > 0 && wait4(pid, &status, 0, &usage) == pid) {
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.maxRssKilobytes = usage.ru_maxrss;
  }
  result.out = slurp(outPath);
  result.err = slurp(errPath);
  return result;
}

struct Audio {
  int channels = 0;
  int sampleRate = 0;
  int format = 0;
  std::vector<float> samples;  // interleaved
  size_t frames() const { return channels ? samples.size() / channels : 0; }
  float at(size_t frame, int channel) const { return samples[frame * channels + channel]; }
};

inline void writeAudio(const std::string& path, const Audio& audio,
                       int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT) {
  SF_INFO info{};
  info.channels = audio.channels;
  info.samplerate = audio.sampleRate;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
  sf_writef_float(file, audio.samples.data(), static_cast<sf_count_t>(audio.frames()));
  sf_close(file);
}

inline Audio readAudio(const std::string& path) {
  SF_INFO info{};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (file == nullptr) throw std::runtime_error("cannot read " + path);
  Audio audio{info.channels, info.samplerate, info.format, {}};
  audio.samples.resize(static_cast<size_t>(info.frames) * info.channels);
  sf_readf_float(file, audio.samples.data(), info.frames);
  sf_close(file);
  return audio;
}

// Deterministic noise in [-0.5, 0.5) on every channel.
inline Audio noise(int channels, size_t frames, int sampleRate = 48000, uint32_t seed = 1) {
  Audio audio{channels, sampleRate, 0, std::vector<float>(frames * channels)};
  uint32_t state = seed;
  for (float& s : audio.samples) {
    state = state * 1664525u + 1013904223u;
    s = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
  }
  return audio;
}

// The same frame on every sample.
inline Audio constant(std::vector<float> frame, size_t frames, int sampleRate = 48000) {
  Audio audio{static_cast<int>(frame.size()), sampleRate, 0, {}};
  for (size_t f = 0; f < frames; ++f) audio.samples.insert(audio.samples.end(), frame.begin(), frame.end());
  return audio;
}

// oxel render's default pre-roll: frames of silence run and dropped first.
inline constexpr int kDefaultPreroll = 16384;

// Drives a plug-in directly through its effect record, block by block with
// processReplacing, as oxel render does: `beforeBlock(plugin, firstFrame)`
// may set parameters; the values for frame 0 are set before the pre-roll.
inline Audio renderDirect(const std::string& soPath, const Audio& in, int block,
                          const std::function<void(oxel::PluginInstance&, size_t)>& beforeBlock,
                          int preroll = kDefaultPreroll) {
  std::string error;
  auto library = oxel::PluginLibrary::load(soPath, error);
  if (!library) throw std::runtime_error(error);
  auto plugin = oxel::PluginInstance::create(library, error, static_cast<float>(in.sampleRate), block);
  if (!plugin) throw std::runtime_error(error);
  const int numIn = plugin->numInputs(), numOut = plugin->numOutputs();
  std::vector<std::vector<float>> inputs(numIn, std::vector<float>(block)),
      outputs(numOut, std::vector<float>(block));
  std::vector<float*> inPtr, outPtr;
  for (auto& c : inputs) inPtr.push_back(c.data());
  for (auto& c : outputs) outPtr.push_back(c.data());
  Audio out{numOut, in.sampleRate, 0, std::vector<float>(in.frames() * numOut)};
  beforeBlock(*plugin, 0);
  plugin->resume();
  for (int done = 0; done < preroll; done += block)
    plugin->processReplacing(inPtr.data(), outPtr.data(), std::min(block, preroll - done));
  for (size_t start = 0; start < in.frames(); start += block) {
    const int n = static_cast<int>(std::min<size_t>(block, in.frames() - start));
    beforeBlock(*plugin, start);
    for (int f = 0; f < n; ++f)
      for (int c = 0; c < numIn; ++c) inputs[c][f] = in.at(start + f, c);
    plugin->processReplacing(inPtr.data(), outPtr.data(), n);
    for (int f = 0; f < n; ++f)
      for (int c = 0; c < numOut; ++c) out.samples[(start + f) * numOut + c] = outputs[c][f];
  }
  return out;
}

// Index of the first sample where two buffers differ by more than tolerance, or -1.
inline long firstMismatch(const std::vector<float>& a, const std::vector<float>& b,
                          float tolerance = 0.0f) {
  if (a.size() != b.size()) return 0;
  for (size_t i = 0; i < a.size(); ++i)
    if (!(std::abs(a[i] - b[i]) <= tolerance)) return static_cast<long>(i);
  return -1;
}

}  // namespace oxel_test
