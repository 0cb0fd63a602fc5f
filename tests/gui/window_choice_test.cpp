// The window back end is chosen by the parent an open request hands over:
// only a readable, aligned record of this version opens a headless window,
// and nothing else is ever read as memory (an X window id may be any
// number). Each headless window keeps its own clock.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "headless_parent.h"
#include "window.h"

namespace {

namespace platform = oxel::platform;

OxelHeadlessParent validRecord() {
  OxelHeadlessParent r{};
  r.magic = OXEL_HEADLESS_PARENT_MAGIC;
  r.version = OXEL_HEADLESS_PARENT_VERSION;
  return r;
}

// Two pages: the first readable, the second as `second` leaves it.
class TwoPages {
 public:
  explicit TwoPages(int second) : size_{static_cast<size_t>(::sysconf(_SC_PAGESIZE))} {
    base_ = static_cast<char*>(
        ::mmap(nullptr, 2 * size_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    EXPECT_NE(base_, MAP_FAILED);
    second_ = second;
  }
  ~TwoPages() { ::munmap(base_, 2 * size_); }
  TwoPages(const TwoPages&) = delete;
  TwoPages& operator=(const TwoPages&) = delete;
  // A valid record `offset` bytes from the start (negative: from the end of
  // the first page), then the second page's protection applied.
  void* place(ptrdiff_t offset) {
    char* at = offset >= 0 ? base_ + offset : base_ + size_ + offset;
    const OxelHeadlessParent r = validRecord();
    std::memcpy(at, &r, sizeof r);
    if (second_ == -1)
      ::munmap(base_ + size_, size_);
    else
      ::mprotect(base_ + size_, size_, second_);
    return at;
  }
  void protectFirst(int protection) { ::mprotect(base_, size_, protection); }

 private:
  size_t size_;
  char* base_;
  int second_;
};

TEST(WindowChoice, OnlyAReadableAlignedRecordOfThisVersionIsHeadless) {
  OxelHeadlessParent good = validRecord();
  OxelHeadlessParent otherMagic = validRecord();
  otherMagic.magic ^= 1;
  OxelHeadlessParent otherVersion = validRecord();
  otherVersion.version += 1;
  alignas(16) unsigned char bytes[sizeof(OxelHeadlessParent) + 16];
  const OxelHeadlessParent copy = validRecord();
  std::memcpy(bytes + 4, &copy, sizeof copy);  // holds a record, misaligned

  TwoPages noneAfter{PROT_NONE};
  TwoPages unmappedAfter{-1};
  TwoPages readableAfter{PROT_READ};
  TwoPages allNone{PROT_NONE};
  void* insideNone = allNone.place(0);
  allNone.protectFirst(PROT_NONE);

  struct Row {
    const char* what;
    const void* parent;
    bool headless;
  };
  const Row rows[] = {
      {"a record", &good, true},
      {"another magic", &otherMagic, false},
      {"another version", &otherVersion, false},
      {"misaligned", bytes + 4, false},
      {"null", nullptr, false},
      {"X window ids", reinterpret_cast<void*>(uintptr_t{0x3a00007}), false},
      {"", reinterpret_cast<void*>(uintptr_t{0x3a00000}), false},
      {"a record on a PROT_NONE page", insideNone, false},
      // The magic and version are readable, the rest of the record is not.
      {"running into a PROT_NONE page", noneAfter.place(-16), false},
      {"running into an unmapped page", unmappedAfter.place(-16), false},
      {"across two readable pages", readableAfter.place(-16), true},
  };
  for (const Row& r : rows) EXPECT_EQ(platform::isHeadlessParent(r.parent), r.headless) << r.what;
}

TEST(WindowChoice, EachHeadlessWindowHasItsOwnClock) {
  OxelHeadlessParent a = validRecord();
  OxelHeadlessParent b = validRecord();
  a.idleStepMs = 33;
  b.idleStepMs = 5;
  a.script = "wait 100\nclick 1 1\n";
  const uint32_t before = platform::milliseconds();
  auto first = platform::openEditorWindow(&a, 10, 10);
  auto second = platform::openEditorWindow(&b, 10, 10);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_STREQ(first->backendName(), "headless");
  platform::EditorClock& ca = first->clock();
  platform::EditorClock& cb = second->clock();
  ASSERT_NE(&ca, &cb);
  // Each starts where the steady clock was at its open.
  const uint32_t startA = ca.now(), startB = cb.now();
  EXPECT_LE(startA - before, platform::milliseconds() - before);
  EXPECT_LE(startB - before, platform::milliseconds() - before);

  struct NoSink : platform::WindowEventSink {
    void windowExposed(const platform::PortRect&) override {}
    void windowMouseDown(int32_t, int32_t) override { ++downs; }
    void windowWheel(int32_t, int32_t, float) override {}
    void windowKey(const platform::KeyStroke&, bool) override {}
    int downs = 0;
  } sink;
  // The first expose; the script's wait begins.
  first->dispatchEvents(sink, 0, false);
  EXPECT_EQ(ca.now(), startA);
  // Host idles move each window's clock by its own step; the script's wait
  // passes on its window's clock only, and a wait for events ends with it.
  first->hostIdlePassed();
  second->hostIdlePassed();
  second->hostIdlePassed();
  EXPECT_EQ(ca.now() - startA, 33u);
  EXPECT_EQ(cb.now() - startB, 10u);
  first->dispatchEvents(sink, 1000, false);
  EXPECT_EQ(sink.downs, 1);
  EXPECT_EQ(ca.now() - startA, 100u);
  EXPECT_EQ(cb.now() - startB, 10u);
  // The editor's own waits move only its window's clock.
  cb.sleep(7);
  EXPECT_EQ(cb.now() - startB, 17u);
  EXPECT_EQ(ca.now() - startA, 100u);
}

TEST(WindowChoice, TheSteadyClockIsTheLibrarysMillisecondClock) {
  platform::EditorClock& clock = platform::systemEditorClock();
  const uint32_t before = platform::milliseconds();
  clock.sleep(20);
  const uint32_t after = clock.now();
  EXPECT_GE(after - before, 20u);
  EXPECT_LE(after - before, platform::milliseconds() - before);
}

}  // namespace
