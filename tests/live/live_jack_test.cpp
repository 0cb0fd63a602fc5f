// oxel live as a JACK client: a feeder client of the test plays a plane wave
// into it, a capture client records what comes out, and OSC packets on
// loopback turn the field. Also: the packet-to-sound latency, a block-size
// change followed, an xrun-free run and the chains it refuses.
#include <gtest/gtest.h>
#include <jack/jack.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "oxel_background.h"

namespace oxel_test {
namespace {

using namespace osc_bytes;

void pause(int milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

jack_client_t* openClient(const char* name) {
  jack_status_t status{};
  return jack_client_open(name, JackNoStartServer, &status);
}

// A JACK server for the suite: the one JACK_DEFAULT_SERVER names if it runs,
// otherwise a dummy-driver server started here (and stopped at the end).
class JackServer : public ::testing::Environment {
 public:
  void SetUp() override {
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    if (jack_client_t* probe = openClient("oxel-probe")) {
      jack_client_close(probe);
      return;
    }
    const std::string name = "oxel-test-" + std::to_string(getpid());
    setenv("JACK_DEFAULT_SERVER", name.c_str(), 1);
    setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
    pid_ = fork();
    if (pid_ == 0) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execlp("jackd", "jackd", "--no-realtime", "-n", name.c_str(), "-d", "dummy", "-r", "48000",
             "-p", "256", static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 500; ++i) {
      if (jack_client_t* probe = openClient("oxel-probe")) {
        jack_client_close(probe);
        return;
      }
      pause(20);
    }
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};
const auto* const kServer = ::testing::AddGlobalTestEnvironment(new JackServer);

// Plays a constant frame on its outputs.
class Feeder {
 public:
  explicit Feeder(std::vector<float> frame) : frame_{std::move(frame)} {
    client_ = openClient("oxel-test-feed");
    if (client_ == nullptr) return;
    for (size_t c = 0; c < frame_.size(); ++c)
      ports_.push_back(jack_port_register(client_, ("out" + std::to_string(c)).c_str(),
                                          JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput, 0));
    jack_set_process_callback(client_, process, this);
    jack_activate(client_);
  }
  ~Feeder() {
    if (client_ != nullptr) jack_client_close(client_);
  }
  bool ok() const { return client_ != nullptr; }
  std::string port(size_t c) const { return jack_port_name(ports_[c]); }
  jack_client_t* client() const { return client_; }

 private:
  static int process(jack_nframes_t frames, void* arg) {
    auto& self = *static_cast<Feeder*>(arg);
    for (size_t c = 0; c < self.ports_.size(); ++c) {
      auto* out = static_cast<float*>(jack_port_get_buffer(self.ports_[c], frames));
      for (jack_nframes_t i = 0; i < frames; ++i) out[i] = self.frame_[c];
    }
    return 0;
  }
  jack_client_t* client_ = nullptr;
  std::vector<jack_port_t*> ports_;
  std::vector<float> frame_;
};

// Keeps the last frame of each input, and the first moment channel `watch`
// moved away from its value at arm().
class Capture {
 public:
  explicit Capture(int channels) : last_(static_cast<size_t>(channels)) {
    client_ = openClient("oxel-test-capture");
    if (client_ == nullptr) return;
    for (int c = 0; c < channels; ++c)
      ports_.push_back(jack_port_register(client_, ("in" + std::to_string(c)).c_str(),
                                          JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0));
    jack_set_process_callback(client_, process, this);
    jack_set_xrun_callback(
        client_,
        [](void* arg) {
          static_cast<Capture*>(arg)->xruns_.fetch_add(1);
          return 0;
        },
        this);
    jack_activate(client_);
  }
  uint64_t xruns() const { return xruns_.load(); }
  ~Capture() {
    if (client_ != nullptr) jack_client_close(client_);
  }
  bool ok() const { return client_ != nullptr; }
  std::string port(size_t c) const { return jack_port_name(ports_[c]); }
  float last(size_t c) const { return last_[c].load(); }
  uint64_t cycles() const { return cycles_.load(); }
  // From now on, note the first sample of `channel` that differs from `from` by more than 1e-4.
  void arm(int channel, float from) {
    movedAt_.store(0);
    from_.store(from);
    watch_.store(channel);
  }
  // When (JACK's clock, microseconds) the block holding the first moved sample
  // reached this client, and the sample's index in it; 0 while nothing moved.
  jack_time_t movedAt() const { return movedAt_.load(); }
  int movedIndex() const { return movedIndex_.load(); }
  jack_client_t* client() const { return client_; }

 private:
  static int process(jack_nframes_t frames, void* arg) {
    auto& self = *static_cast<Capture*>(arg);
    for (size_t c = 0; c < self.ports_.size(); ++c) {
      const auto* in = static_cast<const float*>(jack_port_get_buffer(self.ports_[c], frames));
      self.last_[c].store(in[frames - 1]);
      if (static_cast<int>(c) == self.watch_.load() && self.movedAt_.load() == 0) {
        for (jack_nframes_t i = 0; i < frames; ++i) {
          if (std::fabs(in[i] - self.from_.load()) > 1e-4f) {
            self.movedIndex_.store(static_cast<int>(i));
            self.movedAt_.store(jack_get_time());
            break;
          }
        }
      }
    }
    self.cycles_.fetch_add(1);
    return 0;
  }
  jack_client_t* client_ = nullptr;
  std::vector<jack_port_t*> ports_;
  std::vector<std::atomic<float>> last_;
  std::atomic<uint64_t> cycles_{0}, xruns_{0};
  std::atomic<int> watch_{-1}, movedIndex_{-1};
  std::atomic<float> from_{0.0f};
  std::atomic<jack_time_t> movedAt_{0};
};

// Waits (bounded) until `done` holds.
template <typename Done>
bool waitFor(Done done, int milliseconds = 3000) {
  for (int i = 0; i < milliseconds / 10; ++i) {
    if (done()) return true;
    pause(10);
  }
  return done();
}

// oxel live under a client name of its own, its ports wired to the test's.
struct LiveRun {
  LiveRun(const std::vector<std::string>& extra, const std::string& name, Feeder& feed,
          Capture& capture, const std::vector<std::string>& ins,
          const std::vector<std::string>& outs)
      : oxel{[&] {
          std::vector<std::string> args{"live"};
          args.insert(args.end(), extra.begin(), extra.end());
          args.insert(args.end(), {"--name", name, "--osc", "0", "-q"});
          return args;
        }()} {
    port = oxel.listeningPort();
    if (port == 0) return;
    connected = waitFor([&] { return oxel.err().find("JACK client") != std::string::npos; });
    for (size_t c = 0; c < ins.size() && connected; ++c)
      connected =
          jack_connect(feed.client(), feed.port(c).c_str(), (name + ":in " + ins[c]).c_str()) == 0;
    for (size_t c = 0; c < outs.size() && connected; ++c)
      connected = jack_connect(capture.client(), (name + ":out " + outs[c]).c_str(),
                               capture.port(c).c_str()) == 0;
  }
  BackgroundOxel oxel;
  int port = 0;
  bool connected = false;
};

const std::vector<std::string> kBFormat = {"W", "X", "Y", "Z"};

TEST(OxelLive, TrackerTurnsTheFieldWithinABlock) {
  Feeder feed{{0.5f, 1.0f, 0.0f, 0.0f}};  // a source in front
  Capture capture{4};
  ASSERT_TRUE(feed.ok() && capture.ok());
  LiveRun live{{kTavrel, "--seconds", "20"}, "oxel-live-turn", feed, capture, kBFormat, kBFormat};
  ASSERT_TRUE(live.port > 0 && live.connected) << live.oxel.err();
  // Straight through until the tracker says otherwise.
  ASSERT_TRUE(waitFor([&] { return std::fabs(capture.last(1) - 1.0f) < 1e-5f; }))
      << capture.last(1);
  EXPECT_NEAR(capture.last(0), 0.5f, 1e-6f);
  EXPECT_NEAR(capture.last(2), 0.0f, 1e-6f);

  // Each step moves the watched axis (1 X, 2 Y, 3 Z) of the source in front.
  const struct {
    Bytes packet;
    float x, y, z;
    int watch;
  } turns[] = {
      {message("/ypr", {f(90), f(0), f(0)}), 0.0f, -1.0f, 0.0f, 2},  // head left: source right
      {message("/head/yaw", {f(0)}), 1.0f, 0.0f, 0.0f, 1},           // back to the front
      {message("/head/pitch", {f(90)}), 0.0f, 0.0f, -1.0f, 3},       // head raised: source below
      {message("/quaternion", {f(1), f(0), f(0), f(0)}), 1.0f, 0.0f, 0.0f,
       1},                                                                // straight ahead again
      {message("/rotation", {f(0), f(-90), f(0)}), 0.0f, 1.0f, 0.0f, 2},  // head right: source left
  };
  jack_time_t worst = 0, total = 0;
  for (const auto& turn : turns) {
    capture.arm(turn.watch, capture.last(static_cast<size_t>(turn.watch)));
    const jack_time_t sent = jack_get_time();
    sendToLoopback(live.port, turn.packet);
    ASSERT_TRUE(waitFor([&] { return capture.movedAt() != 0; })) << "no move";
    // The glide takes its first step at the block's first or second sample.
    EXPECT_LE(capture.movedIndex(), 1);
    const jack_time_t latency = capture.movedAt() - sent;
    worst = std::max(worst, latency);
    total += latency;
    ASSERT_TRUE(waitFor([&] {
      return std::fabs(capture.last(1) - turn.x) < 1e-4f &&
             std::fabs(capture.last(2) - turn.y) < 1e-4f &&
             std::fabs(capture.last(3) - turn.z) < 1e-4f;
    })) << capture.last(1)
        << " " << capture.last(2) << " " << capture.last(3);
    EXPECT_NEAR(capture.last(0), 0.5f, 1e-6f);
  }
  const double periodMs =
      1000.0 * jack_get_buffer_size(capture.client()) / jack_get_sample_rate(capture.client());
  std::printf(
      "[ figure ] packet to first moved output sample: mean %.2f ms, worst %.2f ms (block %.2f "
      "ms)\n",
      static_cast<double>(total) / 1000.0 / std::size(turns), static_cast<double>(worst) / 1000.0,
      periodMs);
  // On a quiet machine this is under one block plus the glide's first step;
  // loaded (parallel builds, non-realtime JACK) threads wake late, so the
  // bound here only catches a tracker that stalls or waits for something.
  EXPECT_LE(static_cast<double>(worst) / 1000.0, 20 * periodMs + 100.0);
  live.oxel.signal(SIGINT);
  EXPECT_EQ(live.oxel.wait(), 130) << live.oxel.err();
}

TEST(OxelLive, HeadTrackedStereoThroughTavrelAndPelrin) {
  Feeder feed{{0.7071f, 1.0f, 0.0f, 0.0f}};
  Capture capture{2};
  ASSERT_TRUE(feed.ok() && capture.ok());
  LiveRun live{{kTavrel, kPelrin, "--preset", "xy-cardioid", "--seconds", "20"},
               "oxel-live-pair",
               feed,
               capture,
               kBFormat,
               {"Mic 1", "Mic 2"}};
  ASSERT_TRUE(live.port > 0 && live.connected) << live.oxel.err();
  ASSERT_TRUE(waitFor([&] { return capture.last(0) > 0.1f && capture.last(1) > 0.1f; }));
  EXPECT_NEAR(capture.last(0), capture.last(1), 1e-4f);  // in front: both mics alike
  sendToLoopback(live.port,
                 message("/ypr", {f(60), f(0), f(0)}));  // head left: source to the right
  ASSERT_TRUE(waitFor([&] { return capture.last(1) > capture.last(0) + 0.3f; }))
      << capture.last(0) << " " << capture.last(1);
  live.oxel.signal(SIGTERM);
  EXPECT_EQ(live.oxel.wait(), 143);
}

TEST(OxelLive, FollowsABlockSizeChangeWithoutXruns) {
  Feeder feed{{0.5f, 0.0f, 1.0f, 0.0f}};  // a source on the left
  Capture capture{4};
  ASSERT_TRUE(feed.ok() && capture.ok());
  const jack_nframes_t original = jack_get_buffer_size(capture.client());
  LiveRun live{{kTavrel, "--seconds", "4"}, "oxel-live-size", feed, capture, kBFormat, kBFormat};
  ASSERT_TRUE(live.port > 0 && live.connected) << live.oxel.err();
  sendToLoopback(live.port, message("/ypr", {f(90), f(0), f(0)}));  // left source now in front
  ASSERT_TRUE(waitFor([&] { return std::fabs(capture.last(1) - 1.0f) < 1e-4f; }));
  ASSERT_EQ(jack_set_buffer_size(capture.client(), original * 4), 0);
  ASSERT_TRUE(waitFor([&] { return jack_get_buffer_size(capture.client()) == original * 4; }));
  const uint64_t cycles = capture.cycles();
  ASSERT_TRUE(waitFor([&] { return capture.cycles() > cycles + 20; }));
  EXPECT_NEAR(capture.last(1), 1.0f, 1e-4f);  // still turned, still playing
  EXPECT_NEAR(capture.last(0), 0.5f, 1e-6f);
  jack_set_buffer_size(capture.client(), original);
  EXPECT_EQ(live.oxel.wait(), 0) << live.oxel.err();
  const std::string err = live.oxel.err();
  EXPECT_NE(err.find(", 1 tracker messages"), std::string::npos) << err;
  // xruns are the server's: on a loaded machine other programs cause them too,
  // so oxel's own share is its longest block, well inside a period.
  double longest = 1e9, period = 0;
  const size_t at = err.find("longest block ");
  ASSERT_NE(at, std::string::npos) << err;
  ASSERT_EQ(std::sscanf(err.c_str() + at, "longest block %lf ms of %lf ms", &longest, &period), 2)
      << err;
  // When the machine was quiet enough for the server to keep time, oxel kept
  // it too; when it was not, a thread preempted mid-block proves nothing.
  if (capture.xruns() == 0) {
    EXPECT_NE(err.find("stopped; 0 xruns"), std::string::npos) << err;
    EXPECT_LT(longest, period) << err;
  }
  std::printf(
      "[ figure ] longest block in oxel live: %.3f ms of a %.3f ms period, %llu xruns seen\n",
      longest, period, static_cast<unsigned long long>(capture.xruns()));
}

// xwd's picture of a window: the bytes are enough to tell whether it changed.
std::string windowPicture(const std::string& window) {
  ScratchDir dir;
  const std::string command = "xwd -silent -id " + window + " -out " + (dir / "w.xwd");
  if (std::system(command.c_str()) != 0) return {};
  return slurp(dir / "w.xwd");
}

TEST(OxelLive, TheTrackerMovesTheEditorsKnobs) {
  if (std::getenv("DISPLAY") == nullptr) {
    if (std::getenv("OXEL_REQUIRE_X11") != nullptr) FAIL() << "no X display";
    GTEST_SKIP() << "no X display";
  }
  BackgroundOxel live{{"live", kTavrel, "--edit", "--osc", "0", "--seconds", "20", "-q", "--name",
                       "oxel-live-edit"}};
  const int port = live.listeningPort();
  ASSERT_GT(port, 0) << live.err();
  std::string window;
  ASSERT_TRUE(waitFor([&] {
    const std::string out = live.out();
    const size_t at = out.find("window 0x");
    if (at == std::string::npos) return false;
    window = out.substr(at + 7, out.find(' ', at + 7) - at - 7);
    return true;
  })) << live.err();
  std::string before;
  pause(300);  // the first idle draws the knobs
  ASSERT_TRUE(waitFor([&] { return !(before = windowPicture(window)).empty(); })) << window;
  sendToLoopback(port, message("/ypr", {f(90), f(30), f(-20)}));
  EXPECT_TRUE(waitFor([&] { return windowPicture(window) != before; })) << "the knobs did not move";
  live.signal(SIGINT);
  EXPECT_EQ(live.wait(), 130) << live.err();
}

TEST(OxelLive, RefusesWhatCannotRun) {
  const struct {
    std::vector<std::string> args;
    int status;
    const char* message;
  } cases[] = {
      {{"live", kPelrin, kTavrel}, 3, "the chain does not fit: "},
      {{"live", kPelrin, "--osc", "0"}, 3, "--osc turns a Tavrel, and the chain has none"},
      {{"live", kTavrel, "--set", "Azimuth=10"},
       3,
       "no plug-in of the chain has a parameter 'Azimuth'"},
      {{"live", kTavrel, "--preset", "blumlein"}, 3, "--preset is for Pelrin"},
      {{"live", kTavrel, "--invert", "yaw"}, 2, "the tracker options go with --osc PORT"},
      {{"live", kTavrel, "--connect", "no-such-client"}, 1, "JACK has no such client"},
      {{"live", kTavrel, "--connect", "in Q=system:capture_1"}, 2, "no port named 'in Q'"},
      {{"live", "/no/such/plugin.so"}, 4, ""},
  };
  for (const auto& c : cases) {
    const RunResult run = runOxel(c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'),
              run.err.find("JACK client") == std::string::npos ? 1 : 2)
        << run.err;
  }
  // No server at all.
  const char* server = std::getenv("JACK_DEFAULT_SERVER");
  const std::string saved = server ? server : "";
  setenv("JACK_DEFAULT_SERVER", "oxel-no-such-server", 1);
  const RunResult run = runOxel({"live", kTavrel});
  if (saved.empty())
    unsetenv("JACK_DEFAULT_SERVER");
  else
    setenv("JACK_DEFAULT_SERVER", saved.c_str(), 1);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "oxel: live: cannot reach the JACK server (start jackd, or PipeWire's JACK)\n");
}

}  // namespace
}  // namespace oxel_test
