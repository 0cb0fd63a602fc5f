// The audio path never allocates, frees or locks: malloc, free and the mutex
// calls are interposed for this test and counted while the audio thread is
// inside process or processReplacing.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include "plugin_host.h"
#include "built_plugins.h"

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

}  // namespace
