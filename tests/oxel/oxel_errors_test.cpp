// Every bad input to oxel ends with one line "oxel: COMMAND: ..." on stderr
// (whichever layer found the fault), the exit
// status for its kind, and no output file (nor a leftover temporary file);
// an interrupted render leaves no file either.
#include <gtest/gtest.h>

#include <pty.h>

#include <csignal>

#include "oxel_test_support.h"

namespace oxel_test {
namespace {

struct BadInput {
  const char* what;
  std::vector<std::string> args;  // IN, OUT, DIR are replaced by paths in the scratch folder
  int status;
  std::string message;  // a part of the one line
};

class OxelBadInput : public ::testing::Test {
 protected:
  void SetUp() override {
    writeAudio(dir / "in.wav", noise(4, 2000));
    writeAudio(dir / "stereo.wav", noise(2, 2000));
    writeAudio(dir / "second-order.wav", noise(9, 2000));
    std::ofstream{dir / "text.wav"} << "this is not audio\n";
    std::ofstream{dir / "bad.csv"} << "t,yaw,pitch,roll\n0,0,0,0\n1,90,zero,0\n";
    std::ofstream{dir / "backwards.csv"} << "0,0,0,0\n2,10,0,0\n1,20,0,0\n";
    std::ofstream{dir / "good.csv"} << "0,0,0,0\n1,90,0,0\n";
  }
  std::vector<std::string> expand(const std::vector<std::string>& args) {
    std::vector<std::string> out;
    for (std::string a : args) {
      for (const char* name : {"IN", "OUT", "DIR"}) {
        const size_t at = a.find(name);
        if (at != std::string::npos)
          a.replace(at, std::string{name}.size(),
                    std::string{name} == "IN"    ? dir / "in.wav"
                    : std::string{name} == "OUT" ? dir / "out.wav"
                                                 : dir.path().string());
      }
      out.push_back(a);
    }
    return out;
  }
  ScratchDir dir;
};

TEST_F(OxelBadInput, OneLineMessageExitStatusAndNoOutput) {
  const std::string P = kPelrin, T = kTavrel;
  const std::vector<BadInput> cases = {
      // command line: 2
      {"no arguments", {"render"}, 2, "needs PLUGIN IN OUT"},
      {"unknown option", {"render", P, "IN", "OUT", "--loud"}, 2, "unknown option --loud"},
      {"block out of range", {"render", P, "IN", "OUT", "--block", "0"}, 2, "--block"},
      {"program out of range", {"render", P, "IN", "OUT", "--program", "32"}, 2, "out of range"},
      {"bad sample rate", {"render", P, "IN", "OUT", "--sr", "fast"}, 2, "--sr"},
      {"bad format name", {"render", P, "IN", "OUT", "--in-format", "bfmt"}, 2, "fuma or ambix"},
      {"automation without colon",
       {"render", P, "IN", "OUT", "--automate", "Azimuth=0.5"},
       2,
       "has no ':'"},
      {"automation without name",
       {"render", P, "IN", "OUT", "--automate", "=0:0.5"},
       2,
       "missing parameter name"},
      {"automation bad time",
       {"render", P, "IN", "OUT", "--automate", "Azimuth=x:0.5"},
       2,
       "not a time"},
      {"automation going back",
       {"render", P, "IN", "OUT", "--automate", "Azimuth=1:0,0.5:1"},
       2,
       "backwards"},
      {"automation bad value",
       {"render", P, "IN", "OUT", "--automate", "Azimuth=0:high"},
       2,
       "not a value"},
      {"set and automated",
       {"render", P, "IN", "OUT", "--set", "Azimuth=0.1", "--automate", "Azimuth=0:0"},
       2,
       "both set"},
      {"output is the input", {"render", P, "IN", "IN"}, 2, "same file"},
      {"invert without trajectory",
       {"render", P, "IN", "OUT", "--invert", "yaw"},
       2,
       "go with --trajectory"},
      {"unknown command", {"mix"}, 2, "unknown command"},
      // unusable input: 3
      {"missing input", {"render", P, "DIR/none.wav", "OUT"}, 3, "input file not found"},
      {"input is a folder", {"render", P, "DIR", "OUT"}, 3, "is a folder"},
      {"not audio", {"render", P, "DIR/text.wav", "OUT"}, 3, "cannot read"},
      {"wrong channel count", {"render", P, "DIR/stereo.wav", "OUT"}, 3, "has 2 channels; "},
      {"higher-order AmbiX",
       {"render", P, "DIR/second-order.wav", "OUT", "--in-format", "ambix"},
       3,
       "add --first-order to render its first-order part"},
      {"stereo file", {"render", P, "DIR/stereo.wav", "OUT"}, 3, "B-format needs four channels"},
      {"output is a folder", {"render", P, "IN", "DIR"}, 1, "OUT is a folder"},
      {"output folder is a file",
       {"render", P, "IN", "--out-dir", "DIR/text.wav"},
       1,
       "--out-dir " + dir / "text.wav" + " is a file, not a folder"},
      {"unknown parameter",
       {"render", P, "IN", "OUT", "--set", "Azimut=0.5"},
       3,
       "unknown parameter 'Azimut'"},
      {"unknown parameter in shot",
       {"shot", P, "DIR/shot.png", "--set=Azimut=0.5"},
       3,
       "shot: unknown parameter 'Azimut' (parameters: Azimuth, Elevation"},
      {"set without a value",
       {"render", P, "IN", "OUT", "--set", "Azimuth"},
       2,
       "--set needs NAME=VALUE, got 'Azimuth'"},
      {"normalised value above 1",
       {"render", P, "IN", "OUT", "--set", "Azimuth=1.5"},
       3,
       "normalised range"},
      {"not a number", {"render", P, "IN", "OUT", "--set", "Azimuth=left"}, 3, "not a number"},
      {"value beyond the display",
       {"render", P, "IN", "OUT", "--set", "Azimuth=400degrees"},
       3,
       "out of range (Azimuth shows 0 to 360 degrees)"},
      {"automated value beyond the display",
       {"render", P, "IN", "OUT", "--automate", "Elevation=0:0degrees,1:300degrees"},
       3,
       "out of range"},
      {"unit that does not fit",
       {"render", P, "IN", "OUT", "--set", "Azimuth=3dB"},
       3,
       "unit 'dB' does not fit Azimuth"},
      {"unknown preset",
       {"render", P, "IN", "OUT", "--preset", "ortf"},
       3,
       "unknown preset 'ortf'"},
      {"unknown output container", {"render", P, "IN", "DIR/out.mp9"}, 3, "unknown output format"},
      {"unknown subtype",
       {"render", P, "IN", "OUT", "--subtype", "pcm12"},
       3,
       "unknown sample format"},
      {"subtype the container cannot hold",
       {"render", P, "IN", "DIR/out.flac", "--subtype", "float"},
       3,
       "cannot hold"},
      {"missing output folder",
       {"render", P, "IN", "DIR/nowhere/out.wav"},
       1,
       "output folder does not exist"},
      {"AmbiX output from a stereo plug-in",
       {"render", P, "IN", "OUT", "--out-format", "ambix"},
       3,
       "gives 2 channels"},
      {"trajectory on Pelrin",
       {"render", P, "IN", "OUT", "--trajectory", "DIR/bad.csv"},
       3,
       "--trajectory is for Tavrel"},
      // plug-in: 4
      {"plug-in not found",
       {"render", "NoSuchPlugin", "IN", "OUT"},
       4,
       "plug-in 'NoSuchPlugin' not found"},
      {"not a plug-in", {"render", "DIR/text.wav", "IN", "OUT"}, 4, "cannot load"},
      {"info on a missing plug-in", {"info", "DIR/none.so"}, 4, "no such plug-in file"},
      // Tavrel
      {"preset on Tavrel",
       {"render", T, "IN", "OUT", "--preset", "blumlein"},
       3,
       "--preset is for Pelrin"},
      {"trajectory row not a number",
       {"render", T, "IN", "OUT", "--trajectory", "DIR/bad.csv"},
       3,
       "bad.csv:3: 'zero' is not a number"},
      {"trajectory time going back",
       {"render", T, "IN", "OUT", "--trajectory", "DIR/backwards.csv"},
       3,
       "backwards.csv:3: times"},
      {"missing trajectory",
       {"render", T, "IN", "OUT", "--trajectory", "DIR/none.csv"},
       3,
       "trajectory file not found"},
      {"trajectory and automation",
       {"render", T, "IN", "OUT", "--trajectory", "DIR/good.csv", "--set", "Angle1=0"},
       2,
       "Angle1 is driven by --trajectory"},
  };
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.what);
    const RunResult run = runOxel(expand(c.args));
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("oxel: " + c.args[0] + ": ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find(": " + c.args[0] + ": ", 5), std::string::npos)
        << "the command twice: " << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "not one line: " << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    for (const std::string& name : dir.entries())
      EXPECT_TRUE(name.find("out") == std::string::npos) << "left behind: " << name;
  }
}

}  // namespace
}  // namespace oxel_test

namespace oxel_test {
namespace {

// A folder OUT cannot be written into is refused before any work, as a
// missing one is (the table above). Permission bits do not bind root, so as
// root the folder is one the kernel refuses files in (/sys).
TEST(OxelBadOutput, UnwritableFolderIsRefusedFirst) {
  ScratchDir dir;
  writeAudio(dir / "in.wav", noise(4, 100));
  fs::create_directory(dir / "locked");
  fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  const fs::path folder = geteuid() == 0 ? fs::path{"/sys"} : fs::path{dir / "locked"};
  const RunResult run = runOxel({"render", kPelrin, dir / "in.wav", folder / "out.wav"});
  fs::permissions(dir / "locked", fs::perms::owner_all);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("cannot write into the output folder"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::is_empty(dir / "locked"));
  EXPECT_FALSE(fs::exists(folder / "out.wav"));
}

// A minute of 16-bit B-format: seconds of work at one frame per block, resampled.
void writeLongInput(const std::string& path) {
  SF_INFO info{};
  info.channels = 4;
  info.samplerate = 48000;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(file, nullptr);
  const Audio second = noise(4, 48000);
  for (int s = 0; s < 60; ++s) sf_writef_float(file, second.samples.data(), 48000);
  sf_close(file);
}

bool anyTemporaryFile(const ScratchDir& dir, const std::string& sub = "") {
  std::error_code ec;
  for (const auto& e : fs::recursive_directory_iterator(dir.path(), ec))
    if (e.path().filename().string().find(".part-") != std::string::npos &&
        e.path().string().find(sub) != std::string::npos)
      return true;
  return false;
}

// Ctrl-C in the middle of a long render: the process stops as interrupted and
// neither OUT nor its temporary file remains.
TEST(OxelInterrupted, LeavesNoFileBehind) {
  ScratchDir dir;
  writeLongInput(dir / "in.wav");
  const std::string in = dir / "in.wav", out = dir / "out.wav";
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    // Resampled, one frame per block: seconds of work, caught in the middle.
    execl(kOxel.c_str(), kOxel.c_str(), "render", kPelrin.c_str(), in.c_str(), out.c_str(),
          "--block", "1", "--sr", "44100", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  // Wait until the temporary output exists, then interrupt.
  bool started = false;
  for (int i = 0; i < 500 && !started; ++i) {
    usleep(10000);
    for (const std::string& name : dir.entries()) started |= name.find(".part-") != std::string::npos;
  }
  EXPECT_TRUE(started);
  kill(pid, SIGINT);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
  EXPECT_EQ(dir.entries(), std::vector<std::string>{"in.wav"});
}

// Many files: a SIGTERM to oxel alone reaches every file's process; all
// stop, no file or temporary remains, and oxel ends by the same signal.
TEST(OxelInterrupted, ManyFilesStopTogether) {
  ScratchDir dir;
  writeLongInput(dir / "a.wav");
  fs::copy_file(dir / "a.wav", dir / "b.wav");
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);  // its own group: the signal below goes to oxel only
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execl(kOxel.c_str(), kOxel.c_str(), "render", kPelrin.c_str(), (dir / "a.wav").c_str(),
          (dir / "b.wav").c_str(), "--out-dir", (dir / "out").c_str(), "-j", "2", "--block", "1",
          "--sr", "44100", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  for (int i = 0; i < 500 && !(anyTemporaryFile(dir, "/.a.wav") && anyTemporaryFile(dir, "/.b.wav")); ++i)
    usleep(10000);
  EXPECT_TRUE(anyTemporaryFile(dir));
  kill(pid, SIGTERM);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "status " << status;
  usleep(100000);
  EXPECT_FALSE(anyTemporaryFile(dir));
  EXPECT_TRUE(fs::is_empty(dir / "out"));
}

// On a terminal the progress line names the file and shows the time spent
// and left; Ctrl-C ends that line before the process stops.
TEST(OxelInterrupted, ProgressLineEndsWithANewline) {
  ScratchDir dir;
  writeLongInput(dir / "long.wav");
  int terminal = -1;
  const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
  if (pid == 0) {
    execl(kOxel.c_str(), kOxel.c_str(), "render", kPelrin.c_str(), (dir / "long.wav").c_str(),
          (dir / "out.wav").c_str(), "--block", "1", "--sr", "44100", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  std::string shown;
  char buffer[4096];
  bool interrupted = false;
  for (;;) {
    const ssize_t got = read(terminal, buffer, sizeof buffer);
    if (got <= 0) break;  // EIO once the process has gone
    shown.append(buffer, static_cast<size_t>(got));
    if (!interrupted && shown.find(" left") != std::string::npos && shown.find("%") != std::string::npos) {
      kill(pid, SIGINT);
      interrupted = true;
    }
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  close(terminal);
  EXPECT_TRUE(interrupted) << shown;
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "status " << status;
  EXPECT_NE(shown.find("\rlong.wav ["), std::string::npos) << shown;
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back(), '\n') << shown.substr(shown.size() > 80 ? shown.size() - 80 : 0);
}

}  // namespace
}  // namespace oxel_test
