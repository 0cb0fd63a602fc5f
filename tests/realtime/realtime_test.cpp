// The audio path never allocates, frees or locks: malloc, free and the mutex
// calls are interposed for this test and counted while the audio thread is
// inside process or processReplacing, or inside an LV2 bundle's run method
// (which also turns changed port values into the processor's values, and in
// Tavrel's case follows a head tracker fed over loopback), or
// inside oxel live's chain while a head tracker feeds it over loopback.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/core/lv2.h>
#include <pthread.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "built_plugins.h"
#include "head_tracker.h"
#include "live_chain.h"
#include "osc_bytes.h"
#include "plugin_host.h"

namespace {
thread_local bool auditing = false;
std::atomic<int> forbiddenCalls{0};
inline void noteCall() {
  if (auditing) forbiddenCalls.fetch_add(1, std::memory_order_relaxed);
}

template <class Fn>
Fn next(const char* name) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}
}  // namespace

// Interposed C library entry points: count, then forward to the real ones.
extern "C" {
extern void* __libc_malloc(size_t);
extern void __libc_free(void*);
extern void* __libc_calloc(size_t, size_t);
extern void* __libc_realloc(void*, size_t);

void* malloc(size_t size) {
  noteCall();
  return __libc_malloc(size);
}
void free(void* p) {
  noteCall();
  __libc_free(p);
}
void* calloc(size_t n, size_t size) {
  noteCall();
  return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size) {
  noteCall();
  return __libc_realloc(p, size);
}
int pthread_mutex_lock(pthread_mutex_t* mutex) {
  noteCall();
  static auto real = next<int (*)(pthread_mutex_t*)>("pthread_mutex_lock");
  return real(mutex);
}
int pthread_mutex_trylock(pthread_mutex_t* mutex) {
  noteCall();
  static auto real = next<int (*)(pthread_mutex_t*)>("pthread_mutex_trylock");
  return real(mutex);
}
}

namespace {

class RealtimeAudio : public ::testing::TestWithParam<const char*> {};

TEST_P(RealtimeAudio, ProcessNeitherAllocatesNorLocks) {
  const std::string path = builtPluginPath(GetParam());
  std::string error;
  auto library = oxel::PluginLibrary::load(path, error);
  ASSERT_TRUE(library) << error;
  auto plugin = oxel::PluginInstance::create(library, error);
  ASSERT_TRUE(plugin) << error;
  plugin->resume();

  // The probe itself: one allocation seen while auditing must be counted.
  auditing = true;
  void* probe = std::malloc(16);
  auditing = false;
  std::free(probe);
  ASSERT_EQ(forbiddenCalls.exchange(0), 1) << "the interposition is not active";

  const int numIn = plugin->numInputs(), numOut = plugin->numOutputs();
  std::vector<std::vector<float>> in(numIn, std::vector<float>(8192, 0.25f));
  std::vector<std::vector<float>> out(numOut, std::vector<float>(8192));
  std::vector<float*> inPtr, outPtr;
  for (auto& c : in) inPtr.push_back(c.data());
  for (auto& c : out) outPtr.push_back(c.data());

  std::thread audio([&] {
    const int blocks[] = {0, 1, 3, 64, 512, 8192, 7, 4096};
    for (int round = 0; round < 200; ++round) {
      // Parameter changes between blocks, as a host's other thread would make them.
      plugin->setParameter(round % plugin->numParams(), static_cast<float>(round % 10) / 10.0f);
      const int n = blocks[round % 8];
      auditing = true;
      if (round % 2)
        plugin->processReplacing(inPtr.data(), outPtr.data(), n);
      else
        plugin->process(inPtr.data(), outPtr.data(), n);
      auditing = false;
    }
  });
  audio.join();
  EXPECT_EQ(forbiddenCalls.load(), 0) << "allocations, frees or locks on the audio path";
}

INSTANTIATE_TEST_SUITE_P(Plugins, RealtimeAudio, ::testing::Values("Pelrin", "Tavrel"));

class RealtimeLv2 : public ::testing::TestWithParam<const char*> {};

TEST_P(RealtimeLv2, RunNeitherAllocatesNorLocks) {
  const std::string name = GetParam();
  const std::string path =
      std::string{OXEL_BINARY_DIR} + "/lv2/" + name + ".lv2/" + name + "_lv2.so";
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto entry = reinterpret_cast<LV2_Descriptor_Function>(dlsym(library, "lv2_descriptor"));
  ASSERT_NE(entry, nullptr);
  const LV2_Descriptor* descriptor = entry(0);
  ASSERT_NE(descriptor, nullptr);
  LV2_Handle handle = descriptor->instantiate(descriptor, 48000.0, "", nullptr);
  ASSERT_NE(handle, nullptr);

  const uint32_t numOut = name == "Pelrin" ? 2 : 4;
  std::vector<std::vector<float>> in(4, std::vector<float>(8192, 0.25f));
  std::vector<std::vector<float>> out(numOut, std::vector<float>(8192));
  float controls[4] = {0.0f, 0.0f, 60.0f, 0.5f};
  for (uint32_t i = 0; i < 4; ++i) descriptor->connect_port(handle, i, in[i].data());
  for (uint32_t i = 0; i < numOut; ++i) descriptor->connect_port(handle, 4 + i, out[i].data());
  for (uint32_t i = 0; i < 4; ++i) descriptor->connect_port(handle, 4 + numOut + i, &controls[i]);
  // Tavrel follows a head tracker on a free loopback port: tracking on, the
  // standard preset, no inversion, recentre at rest, then five outputs (head
  // yaw, pitch, roll, message rate, status).
  const bool tracked = name == "Tavrel";
  float tracking[12] = {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  if (tracked) {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
    socklen_t length = sizeof where;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&where), &length);
    ::close(s);
    tracking[1] = static_cast<float>(ntohs(where.sin_port));
    for (uint32_t i = 0; i < 12; ++i) descriptor->connect_port(handle, 12 + i, &tracking[i]);
  }
  descriptor->activate(handle);
  if (tracked) {  // until the receiver listens
    for (int wait = 0; wait < 500 && tracking[11] != 1.0f; ++wait) {
      descriptor->run(handle, 64);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(tracking[11], 1.0f) << "the receiver never listened";
  }
  std::atomic<bool> done{false};
  std::thread sender{[&] {
    if (!tracked) return;
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(tracking[1]));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int k = 1; !done.load(); ++k) {
      const osc_bytes::Bytes p =
          osc_bytes::message("/ypr", {osc_bytes::f(k % 90 + 1), osc_bytes::f(5), osc_bytes::f(0)});
      ::sendto(s, p.data(), p.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::close(s);
  }};

  auditing = true;
  void* probe = std::malloc(16);
  auditing = false;
  std::free(probe);
  ASSERT_EQ(forbiddenCalls.exchange(0), 1) << "the interposition is not active";

  float largestYaw = 0.0f;
  std::thread audio([&] {
    const uint32_t blocks[] = {0, 1, 3, 64, 512, 8192, 7, 4096};
    const float values[] = {0.0f, 45.0f, 359.0f, std::nanf(""), 2.0f, -1e30f, 90.0f};
    for (int round = 0; round < 400; ++round) {
      // Port values change between runs, some of them out of range or not numbers.
      controls[round % 4] = values[round % 7];
      // Tracking goes off and on again, the receiver changes, recentre is pressed.
      tracking[0] = round >= 150 && round < 160 ? 0.0f : 1.0f;
      tracking[3] = round >= 250 ? 1.0f : 0.0f;
      tracking[6] = round % 50 == 0 ? 1.0f : 0.0f;
      auditing = true;
      descriptor->run(handle, blocks[round % 8]);
      auditing = false;
      largestYaw = std::max(largestYaw, std::abs(tracking[7]));
      if (tracked) std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
  });
  audio.join();
  done.store(true);
  sender.join();
  EXPECT_EQ(forbiddenCalls.load(), 0) << "allocations, frees or locks in the run method";
  if (tracked) {
    EXPECT_GT(largestYaw, 0.0f) << "the tracker never reached the run method";
  }
  descriptor->deactivate(handle);
  descriptor->cleanup(handle);
  dlclose(library);
}

INSTANTIATE_TEST_SUITE_P(Plugins, RealtimeLv2, ::testing::Values("Pelrin", "Tavrel"));

}  // namespace

namespace {

// oxel live's process path: the chain reads the tracker's slot once per block
// and sends Tavrel its angles, while the receiver thread takes packets from
// loopback and a block-size change comes from another thread.
TEST(RealtimeLive, ChainWithATrackerNeitherAllocatesNorLocks) {
  std::string error;
  std::vector<std::unique_ptr<oxel::PluginInstance>> plugins;
  for (const char* name : {"Tavrel", "Pelrin"}) {
    auto library = oxel::PluginLibrary::load(builtPluginPath(name), error);
    ASSERT_TRUE(library) << error;
    plugins.push_back(oxel::PluginInstance::create(library, error, 48000.0f, 1024));
    ASSERT_TRUE(plugins.back()) << error;
    plugins.back()->resume();
  }
  oxel::headtrack::HeadTracker tracker;
  ASSERT_TRUE(tracker.start("127.0.0.1", 0, error)) << error;
  oxel::LiveChain chain{std::move(plugins), &tracker, 0};

  std::atomic<bool> done{false};
  std::thread sender{[&] {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(tracker.port()));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (int k = 0; k < 5000 && !done.load(); ++k) {
      const osc_bytes::Bytes p =
          k % 2 ? osc_bytes::message("/ypr",
                                     {osc_bytes::f(k % 360), osc_bytes::f(5), osc_bytes::f(0)})
                : osc_bytes::message("/q/quaternion", {osc_bytes::f(1), osc_bytes::f(0),
                                                       osc_bytes::f(0.1), osc_bytes::f(0)});
      ::sendto(s, p.data(), p.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    ::close(s);
  }};
  std::vector<std::vector<float>> in(4, std::vector<float>(8192, 0.25f)),
      out(2, std::vector<float>(8192));
  const float* inPtr[4] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
  float* outPtr[2] = {out[0].data(), out[1].data()};
  std::thread audio([&] {
    const int blocks[] = {256, 1, 64, 512, 8192, 7, 4096, 1024};
    for (int round = 0; round < 400; ++round) {
      auditing = true;
      chain.process(inPtr, outPtr, blocks[round % 8]);
      auditing = false;
      std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
  });
  chain.reconfigure(44100.0f, 512);
  audio.join();
  done.store(true);
  sender.join();
  EXPECT_EQ(forbiddenCalls.load(), 0) << "allocations, frees or locks on the live audio path";
  EXPECT_GT(chain.trackerUpdates(), 0u) << "the tracker never reached the chain";
}

}  // namespace
