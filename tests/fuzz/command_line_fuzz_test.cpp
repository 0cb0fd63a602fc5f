// oxel given mutated command lines and corrupted audio files: it must end with
// an exit status (never a crash signal or a hang) and, when it fails, leave no
// output file and no temporary file behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "fuzz_support.h"
#include "built_plugins.h"

namespace fs = std::filesystem;

namespace {

struct Outcome {
  bool exited = false;
  int status = -1;
  int signal = 0;
  bool timedOut = false;
};

Outcome runOxel(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  const std::string oxel = std::string{OXEL_BINARY_DIR} + "/bin/oxel";
  argv.push_back(const_cast<char*>(oxel.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(devnull, 1);
    dup2(devnull, 2);
    execv(oxel.c_str(), argv.data());
    _exit(127);
  }
  Outcome outcome;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      outcome.timedOut = true;
      return outcome;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  outcome.exited = WIFEXITED(status);
  outcome.status = outcome.exited ? WEXITSTATUS(status) : -1;
  outcome.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return outcome;
}

std::vector<std::string> lines(const std::string& path) {
  std::ifstream file{path};
  std::vector<std::string> result;
  for (std::string line; std::getline(file, line);)
    if (!line.empty()) result.push_back(line);
  return result;
}

void writeWav(const fs::path& path, int channels, int frames) {
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = 48000;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  std::vector<float> samples(static_cast<size_t>(frames) * channels);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<float>((i * 37 % 200) / 200.0 - 0.5);
  sf_writef_float(file, samples.data(), frames);
  sf_close(file);
}

class CommandLineFuzz : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin = builtPluginPath("Pelrin");
    dir = fs::temp_directory_path() / ("oxel-fuzz-" + std::to_string(getpid()));
    fs::create_directories(dir);
    writeWav(dir / "in.wav", 4, 2400);
    writeWav(dir / "in2.wav", 2, 2400);
  }
  void TearDown() override { fs::remove_all(dir); }

  // Runs one command line and checks the outcome's invariants.
  void check(const std::vector<std::string>& args, const std::string& description) {
    const fs::path out = dir / "out.wav";
    fs::remove(out);
    const Outcome outcome = runOxel(args);
    ASSERT_FALSE(outcome.timedOut) << "hang: " << description;
    ASSERT_TRUE(outcome.exited) << "killed by signal " << outcome.signal << ": " << description;
    if (outcome.status != 0) {
      EXPECT_FALSE(fs::exists(out)) << "failed run left an output: " << description;
    }
    for (const auto& entry : fs::directory_iterator(dir)) {
      EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos)
          << "temporary file left: " << entry.path() << " after " << description;
    }
  }

  std::vector<std::string> expand(const std::string& line) {
    std::vector<std::string> tokens;
    std::istringstream stream{line};
    for (std::string token; stream >> token;) {
      if (token == "{PLUGIN}") token = plugin;
      else if (token == "{IN}") token = (dir / "in.wav").string();
      else if (token == "{IN2}") token = (dir / "in2.wav").string();
      else if (token == "{OUT}") token = (dir / "out.wav").string();
      tokens.push_back(token);
    }
    return tokens;
  }

  std::string plugin;
  fs::path dir;
};

TEST_F(CommandLineFuzz, MutatedArgumentsNeverCrash) {
  const auto seeds = lines(std::string{OXEL_FUZZ_CORPUS} + "/command_lines.txt");
  const auto odd = lines(std::string{OXEL_FUZZ_CORPUS} + "/odd_tokens.txt");
  ASSERT_FALSE(seeds.empty());
  std::mt19937_64 random{7};
  for (const auto& seed : seeds) check(expand(seed), seed);
  for (int run = 0; run < 400; ++run) {
    auto tokens = expand(seeds[random() % seeds.size()]);
    const int edits = 1 + static_cast<int>(random() % 3);
    for (int e = 0; e < edits; ++e) {
      const size_t at = 1 + random() % tokens.size();
      switch (random() % 4) {
        case 0: tokens.insert(tokens.begin() + static_cast<long>(std::min(at, tokens.size())), odd[random() % odd.size()]); break;
        case 1: if (tokens.size() > 1) tokens.erase(tokens.begin() + static_cast<long>(at % tokens.size())); break;
        case 2: tokens[at % tokens.size()] = odd[random() % odd.size()]; break;
        default: {
          std::string& t = tokens[at % tokens.size()];
          const auto bytes = fuzz::mutate(fuzz::Bytes(t.begin(), t.end()), random);
          t.assign(bytes.begin(), bytes.end());
          t.erase(std::remove(t.begin(), t.end(), '\0'), t.end());
        }
      }
    }
    std::string description;
    for (const auto& t : tokens) description += "[" + t + "] ";
    check(tokens, "run " + std::to_string(run) + ": " + description);
  }
}

TEST_F(CommandLineFuzz, CorruptAudioFilesNeverCrash) {
  std::ifstream file{dir / "in.wav", std::ios::binary};
  const fuzz::Bytes wav{std::istreambuf_iterator<char>(file), {}};
  std::mt19937_64 random{11};
  for (int run = 0; run < 150; ++run) {
    const auto bytes = fuzz::mutate(wav, random);
    const fs::path corrupt = dir / "corrupt.wav";
    std::ofstream{corrupt, std::ios::binary}.write(reinterpret_cast<const char*>(bytes.data()),
                                                   static_cast<std::streamsize>(bytes.size()));
    check({"render", plugin, corrupt.string(), (dir / "out.wav").string(), "--quiet"},
          "corrupt file run " + std::to_string(run));
  }
}

}  // namespace
