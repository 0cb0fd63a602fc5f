// Times one block through the shipped LV2 binary's run method (ports read,
// changed ones converted, then the processor) against the same block through
// the shipped LXVST binary's processReplacing, for both plug-ins, at blocks
// of 64, 512 and 735 frames, with the settings held and with one setting
// changed before every block (the LXVST side gets the same change through its
// setParameter). oxel bench prints Lv2_run's ratio to Reference_lxvst.
//
// Tavrel following a head tracker: Lv2_tracking runs blocks with tracking on
// while 1000 messages a second arrive over loopback; its reference,
// Lv2_tracking_Reference, the same with tracking off.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <lv2/core/lv2.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "plugin_host.h"

namespace {

struct Plugin {
  const char* name;
  uint32_t numOutputs;
  uint32_t changedPort;  // LV2 index of the control changed every block
  float portValues[2];   // what that port alternates between, in port units
  VstInt32 parameter;    // the same control on the LXVST side
  float normalised[2];
};

const Plugin kPlugins[] = {
    {"Pelrin", 2, 6, {45.0f, 90.0f}, 0, {0.125f, 0.25f}},
    {"Tavrel", 4, 8, {45.0f, 90.0f}, 0, {0.125f, 0.25f}},
};

struct Buffers {
  explicit Buffers(int frames) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    for (int c = 0; c < 4; ++c) {
      in[c].resize(frames);
      out[c].resize(frames);
      for (float& s : in[c]) s = value(rng);
      inPtr[c] = in[c].data();
      outPtr[c] = out[c].data();
    }
  }
  std::vector<float> in[4], out[4];
  float* inPtr[4];
  float* outPtr[4];
};

int freeLoopbackPort() {
  const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in where{};
  where.sin_family = AF_INET;
  where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(s, reinterpret_cast<sockaddr*>(&where), sizeof where);
  socklen_t length = sizeof where;
  ::getsockname(s, reinterpret_cast<sockaddr*>(&where), &length);
  ::close(s);
  return ntohs(where.sin_port);
}

// One OSC message "/ypr f f f" (yaw, 5, 0) as a tracker sends it.
std::vector<unsigned char> yprPacket(float yaw) {
  std::vector<unsigned char> p(4 + 8 + 12, 0);
  std::memcpy(p.data(), "/ypr", 4);
  std::memcpy(p.data() + 4, ",fff", 4);
  const float values[3] = {yaw, 5.0f, 0.0f};
  for (int i = 0; i < 3; ++i) {
    uint32_t bits;
    std::memcpy(&bits, &values[i], 4);
    bits = htonl(bits);
    std::memcpy(p.data() + 12 + 4 * i, &bits, 4);
  }
  return p;
}

enum class Tracking { Unconnected, Off, On };

// A plug-in's LV2 library opened and one instance made at 48 kHz; `handle`
// is null when any step failed.
struct Lv2Instance {
  void* library = nullptr;
  const LV2_Descriptor* descriptor = nullptr;
  LV2_Handle handle = nullptr;
};

Lv2Instance instantiateLv2(const std::string& path) {
  Lv2Instance made;
  made.library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  auto entry =
      made.library
          ? reinterpret_cast<LV2_Descriptor_Function>(dlsym(made.library, "lv2_descriptor"))
          : nullptr;
  made.descriptor = entry ? entry(0) : nullptr;
  made.handle = made.descriptor
                    ? made.descriptor->instantiate(made.descriptor, 48000.0, "", nullptr)
                    : nullptr;
  return made;
}

// Audio in and out, the four controls, and (unless left unconnected) the
// head-tracking ports: on/off, port, preset, inversions, recentre, then five
// outputs; the last is the status (1 listening).
void connectLv2Ports(const Lv2Instance& lv2, const Plugin& plugin, Buffers& buffers,
                     float (&controls)[4], float (&trackingPorts)[12], Tracking tracking) {
  const LV2_Descriptor* descriptor = lv2.descriptor;
  for (uint32_t i = 0; i < 4; ++i) descriptor->connect_port(lv2.handle, i, buffers.inPtr[i]);
  for (uint32_t i = 0; i < plugin.numOutputs; ++i)
    descriptor->connect_port(lv2.handle, 4 + i, buffers.outPtr[i]);
  for (uint32_t i = 0; i < 4; ++i)
    descriptor->connect_port(lv2.handle, 4 + plugin.numOutputs + i, &controls[i]);
  if (tracking != Tracking::Unconnected)
    for (uint32_t i = 0; i < 12; ++i)
      descriptor->connect_port(lv2.handle, 12 + i, &trackingPorts[i]);
}

// Runs blocks until the tracker reports it listens (two seconds at most).
bool waitUntilListening(const Lv2Instance& lv2, int frames, const float (&trackingPorts)[12]) {
  for (int wait = 0; wait < 400 && trackingPorts[11] != 1.0f; ++wait) {
    lv2.descriptor->run(lv2.handle, static_cast<uint32_t>(frames));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return trackingPorts[11] == 1.0f;
}

// A tracker on loopback: 1000 messages a second to `port` until `done`.
std::thread startSender(std::atomic<bool>& done, int port) {
  return std::thread{[&done, port] {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    auto next = std::chrono::steady_clock::now();
    for (int k = 0; !done.load(); ++k) {
      const std::vector<unsigned char> p = yprPacket(static_cast<float>(k % 90));
      ::sendto(s, p.data(), p.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      next += std::chrono::milliseconds(1);  // 1000 messages a second
      std::this_thread::sleep_until(next);
    }
    ::close(s);
  }};
}

void lv2Run(benchmark::State& state, const Plugin& plugin, bool change,
            Tracking tracking = Tracking::Unconnected) {
  const int frames = static_cast<int>(state.range(0));
  const std::string path =
      std::string{OXEL_LV2_DIR} + "/" + plugin.name + ".lv2/" + plugin.name + "_lv2.so";
  const Lv2Instance lv2 = instantiateLv2(path);
  if (lv2.handle == nullptr) {
    state.SkipWithError(("cannot load " + path).c_str());
    return;
  }
  const LV2_Descriptor* descriptor = lv2.descriptor;
  LV2_Handle handle = lv2.handle;
  Buffers buffers{frames};
  float controls[4] = {plugin.portValues[0], 0.0f, 60.0f, 0.5f};
  float trackingPorts[12] = {tracking == Tracking::On ? 1.0f : 0.0f,
                             static_cast<float>(freeLoopbackPort())};
  connectLv2Ports(lv2, plugin, buffers, controls, trackingPorts, tracking);
  descriptor->activate(handle);
  std::atomic<bool> done{false};
  std::thread sender;
  if (tracking == Tracking::On) {
    if (!waitUntilListening(lv2, frames, trackingPorts))
      state.SkipWithError("the tracker never listened");
    sender = startSender(done, static_cast<int>(trackingPorts[1]));
  }
  size_t block = 0;
  for (auto _ : state) {
    if (change)
      controls[plugin.changedPort - 4 - plugin.numOutputs] = plugin.portValues[++block & 1];
    descriptor->run(handle, static_cast<uint32_t>(frames));
    benchmark::DoNotOptimize(buffers.out[0].data());
  }
  state.SetItemsProcessed(state.iterations() * frames);
  done.store(true);
  if (sender.joinable()) sender.join();
  descriptor->deactivate(handle);
  descriptor->cleanup(handle);
  dlclose(lv2.library);
}

void lxvstProcess(benchmark::State& state, const Plugin& plugin, bool change) {
  const int frames = static_cast<int>(state.range(0));
  const std::string path =
      std::string{OXEL_PLUGIN_DIR} + "/" + plugin.name + "/" + plugin.name + ".so";
  std::string error;
  auto library = oxel::PluginLibrary::load(path, error);
  auto instance =
      library ? oxel::PluginInstance::create(library, error, 48000.0f, frames) : nullptr;
  if (!instance) {
    state.SkipWithError(error.c_str());
    return;
  }
  Buffers buffers{frames};
  instance->setParameter(plugin.parameter, plugin.normalised[0]);
  instance->resume();
  size_t block = 0;
  for (auto _ : state) {
    if (change) instance->setParameter(plugin.parameter, plugin.normalised[++block & 1]);
    instance->processReplacing(buffers.inPtr, buffers.outPtr, frames);
    benchmark::DoNotOptimize(buffers.out[0].data());
  }
  state.SetItemsProcessed(state.iterations() * frames);
}

void registerAll() {
  const Plugin& tavrel = kPlugins[1];
  benchmark::RegisterBenchmark(
      "Lv2_tracking/Tavrel",
      [&tavrel](benchmark::State& s) { lv2Run(s, tavrel, false, Tracking::On); })
      ->Arg(64)
      ->Arg(512);
  benchmark::RegisterBenchmark(
      "Lv2_tracking_Reference/Tavrel",
      [&tavrel](benchmark::State& s) { lv2Run(s, tavrel, false, Tracking::Off); })
      ->Arg(64)
      ->Arg(512);
  for (const Plugin& plugin : kPlugins) {
    for (const bool change : {false, true}) {
      const std::string args =
          std::string{plugin.name} + (change ? "/change_every_block" : "/held");
      benchmark::RegisterBenchmark(
          ("Lv2_run/" + args).c_str(),
          [&plugin, change](benchmark::State& s) { lv2Run(s, plugin, change); })
          ->Arg(64)
          ->Arg(512)
          ->Arg(735);
      benchmark::RegisterBenchmark(
          ("Reference_lxvst/" + args).c_str(),
          [&plugin, change](benchmark::State& s) { lxvstProcess(s, plugin, change); })
          ->Arg(64)
          ->Arg(512)
          ->Arg(735);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
