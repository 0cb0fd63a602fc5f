// The audio side of head tracking: one block through oxel live's chain (the
// shipped Tavrel.so) with the tracker feeding it, against the same chain with
// tracking off. Tracking_every_block hands a new orientation to every block
// (a tracker faster than the block rate, as 1000 messages a second are at any
// usual block size); its reference sends the very same angles as host
// automation through setParameter before each block, so the ratio is the
// tracker's own cost (the slot read and the conversion), not Tavrel's glide.
// Tracking_socket_1000 has a real receiver thread on 127.0.0.1 taking 1000
// messages a second from a sender thread, against the chain with no tracker.
// Only the chain's process call is timed.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "head_tracker.h"
#include "live_chain.h"
#include "osc_bytes.h"
#include "plugin_host.h"

namespace {

std::unique_ptr<oxel::PluginInstance> tavrel(int frames) {
  std::string error;
  auto library =
      oxel::PluginLibrary::load(std::string{OXEL_PLUGIN_DIR} + "/Tavrel/Tavrel.so", error);
  auto instance =
      library ? oxel::PluginInstance::create(library, error, 48000.0f, frames) : nullptr;
  if (instance) instance->resume();
  return instance;
}

struct Block {
  explicit Block(int frames) {
    for (int c = 0; c < 4; ++c) {
      in[c].assign(static_cast<size_t>(frames), 0.25f * static_cast<float>(c + 1));
      out[c].assign(static_cast<size_t>(frames), 0.0f);
      inPtr[c] = in[c].data();
      outPtr[c] = out[c].data();
    }
  }
  std::vector<float> in[4], out[4];
  const float* inPtr[4];
  float* outPtr[4];
};

template <typename Before>
void timeBlocks(benchmark::State& state, oxel::LiveChain& chain, Before before) {
  const int frames = static_cast<int>(state.range(0));
  Block block{frames};
  uint64_t n = 0;
  for (auto _ : state) {
    before(n++);
    const auto start = std::chrono::steady_clock::now();
    chain.process(block.inPtr, block.outPtr, frames);
    const auto stop = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(block.out[1][0]);
    state.SetIterationTime(std::chrono::duration<double>(stop - start).count());
  }
}

std::vector<osc_bytes::Bytes> yawSweep() {
  std::vector<osc_bytes::Bytes> packets;
  for (int k = 0; k < 360; ++k)
    packets.push_back(
        osc_bytes::message("/ypr", {osc_bytes::f(k - 180), osc_bytes::f(10), osc_bytes::f(-5)}));
  return packets;
}

void Tracking_socket_reference(benchmark::State& state) {
  std::vector<std::unique_ptr<oxel::PluginInstance>> plugins;
  plugins.push_back(tavrel(static_cast<int>(state.range(0))));
  oxel::LiveChain chain{std::move(plugins), nullptr, -1};
  timeBlocks(state, chain, [](uint64_t) {});
}

void Tracking_every_block_reference(benchmark::State& state) {
  std::vector<std::unique_ptr<oxel::PluginInstance>> plugins;
  plugins.push_back(tavrel(static_cast<int>(state.range(0))));
  oxel::PluginInstance* plugin = plugins.back().get();
  oxel::LiveChain chain{std::move(plugins), nullptr, -1};
  // The values the tracker would send, worked out beforehand.
  std::vector<oxel::FieldRotationSettings> settings;
  oxel::headtrack::TrackerDecoder decoder;
  for (const osc_bytes::Bytes& p : yawSweep()) {
    decoder.packet(p.data(), p.size());
    settings.push_back(
        oxel::fieldRotationFor(decoder.current().angles, oxel::TrajectoryMode::Head));
  }
  timeBlocks(state, chain, [&](uint64_t n) {
    const oxel::FieldRotationSettings& s = settings[n % settings.size()];
    const float values[4] = {s.angle1, s.angle2, s.angle3, s.order};
    for (int k = 0; k < 4; ++k) plugin->setParameter(k, values[k]);
  });
}

void Tracking_every_block(benchmark::State& state) {
  std::vector<std::unique_ptr<oxel::PluginInstance>> plugins;
  plugins.push_back(tavrel(static_cast<int>(state.range(0))));
  oxel::headtrack::HeadTracker tracker;
  oxel::LiveChain chain{std::move(plugins), &tracker, 0};
  const std::vector<osc_bytes::Bytes> packets = yawSweep();
  timeBlocks(state, chain, [&](uint64_t n) {
    const osc_bytes::Bytes& p = packets[n % packets.size()];
    tracker.receive(p.data(), p.size());  // the receiver's side, untimed
  });
}

void Tracking_socket_1000(benchmark::State& state) {
  std::vector<std::unique_ptr<oxel::PluginInstance>> plugins;
  plugins.push_back(tavrel(static_cast<int>(state.range(0))));
  oxel::headtrack::HeadTracker tracker;
  std::string error;
  if (!tracker.start("127.0.0.1", 0, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  oxel::LiveChain chain{std::move(plugins), &tracker, 0};
  std::atomic<bool> stop{false};
  std::thread sender{[&] {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(tracker.port()));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    auto next = std::chrono::steady_clock::now();
    for (int k = 0; !stop.load(); ++k) {
      const osc_bytes::Bytes p = osc_bytes::message(
          "/ypr", {osc_bytes::f(k % 360 - 180), osc_bytes::f(10), osc_bytes::f(0)});
      ::sendto(s, p.data(), p.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      next += std::chrono::milliseconds(1);
      std::this_thread::sleep_until(next);
    }
    ::close(s);
  }};
  timeBlocks(state, chain, [](uint64_t) {});
  stop.store(true);
  sender.join();
  state.counters["messages"] = static_cast<double>(tracker.accepted());
}

}  // namespace

BENCHMARK(Tracking_socket_reference)->Arg(256)->Arg(512)->UseManualTime();
BENCHMARK(Tracking_every_block_reference)->Arg(256)->Arg(512)->UseManualTime();
BENCHMARK(Tracking_every_block)->Arg(256)->Arg(512)->UseManualTime();
BENCHMARK(Tracking_socket_1000)->Arg(256)->Arg(512)->UseManualTime();
BENCHMARK_MAIN();
