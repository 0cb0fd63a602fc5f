// The audio path never allocates, frees or locks: malloc, free and the mutex
// calls are interposed for this test and counted while the audio thread is
// inside process or processReplacing, or inside an LV2 bundle's run method
// (which also turns changed port values into the processor's values).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/core/lv2.h>
#include <pthread.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "built_plugins.h"
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
  descriptor->activate(handle);

  auditing = true;
  void* probe = std::malloc(16);
  auditing = false;
  std::free(probe);
  ASSERT_EQ(forbiddenCalls.exchange(0), 1) << "the interposition is not active";

  std::thread audio([&] {
    const uint32_t blocks[] = {0, 1, 3, 64, 512, 8192, 7, 4096};
    const float values[] = {0.0f, 45.0f, 359.0f, std::nanf(""), 2.0f, -1e30f, 90.0f};
    for (int round = 0; round < 200; ++round) {
      // Port values change between runs, some of them out of range or not numbers.
      controls[round % 4] = values[round % 7];
      auditing = true;
      descriptor->run(handle, blocks[round % 8]);
      auditing = false;
    }
  });
  audio.join();
  EXPECT_EQ(forbiddenCalls.load(), 0) << "allocations, frees or locks in the run method";
  descriptor->deactivate(handle);
  descriptor->cleanup(handle);
  dlclose(library);
}

INSTANTIATE_TEST_SUITE_P(Plugins, RealtimeLv2, ::testing::Values("Pelrin", "Tavrel"));

}  // namespace
