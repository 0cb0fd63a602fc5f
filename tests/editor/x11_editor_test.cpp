// The test plug-in's editor in a real X server (Xvfb in the test command):
// a drag made with xdotool reaches the host as one gesture, the window shows
// exactly the headless picture, a quick click counts, a parent the host
// destroyed before closing does no harm, an X server that goes away does not
// end the host, 100 open/close cycles leave no X window or connection
// behind, oxel edit titles its window with the plug-in's name, prints the
// gesture and ends when its window goes away,
// and a 16-bit screen gets converted pixels. Skipped when no display can be
// opened (the tests with a private server only need Xvfb), unless
// OXEL_REQUIRE_X11 is set, as the test command does: then that is a failure.
// gtest first: Xlib defines macros (None, Bool) that clash with it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "AudioEffectX.h"
#include "CFrame.h"
#include "guieditor.h"
#include "headless_editor.h"
#include "platform.h"
#include "plugin_support.h"
#include "window.h"
#include "x11_host_test.h"

namespace editortest {
namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 80;

#define SKIP_OR_FAIL_WITHOUT_X(why)           \
  do {                                        \
    if (std::getenv("OXEL_REQUIRE_X11"))      \
      FAIL() << why;                          \
    else                                      \
      GTEST_SKIP() << why;                    \
  } while (0)

std::string readFile(const std::string& path) {
  std::ifstream file{path};
  return {std::istreambuf_iterator<char>{file}, std::istreambuf_iterator<char>{}};
}

int openDescriptors() {
  int n = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d)) ++n;
    ::closedir(d);
  }
  return n;
}

class X11Editor : public X11HostTest {
 protected:
  X11Editor() : X11HostTest{kWidth, kHeight} {}
  // The editor's window in `parent`, or 0 when there is not exactly one.
  Window editorWindow() {
    Window root = 0, up = 0, *list = nullptr;
    unsigned int n = 0;
    XQueryTree(display, parent, &root, &up, &list, &n);
    const Window child = n == 1 ? list[0] : 0;
    if (list) XFree(list);
    return child;
  }
  int children() {
    Window root = 0, up = 0, *list = nullptr;
    unsigned int n = 0;
    XQueryTree(display, parent, &root, &up, &list, &n);
    if (list) XFree(list);
    return static_cast<int>(n);
  }
  // True when `window` is mapped and shows `expected` in its top-left corner.
  bool shows(Window window, const std::vector<uint32_t>& expected) {
    return viewable(window) && screenshot(window, kWidth, kHeight) == expected;
  }
  // Opens the editor in `parent` and idles until the server shows its window
  // mapped and drawn as the headless picture of parameter 0 at `value`, so
  // that input sent next lands on a window that is really there.
  void openAndWaitUntilShown(oxel::PluginInstance& instance, float value) {
    auto reference = newInstance();
    reference->setParameter(0, value);
    const auto expected = headlessShot(*reference, "");
    instance.setParameter(0, value);
    instance.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
    const bool shown = idleUntil(instance, 10000, [&] { return shows(editorWindow(), expected); });
    ASSERT_TRUE(shown) << "the editor window was not mapped and drawn within 10 s";
    idleFor(instance, 30);  // and whatever else the server sent with the first picture
  }
};

TEST_F(X11Editor, XdotoolDragIsOneGestureAndTheWindowShowsTheHeadlessPicture) {
  auto instance = newInstance();
  ASSERT_NO_FATAL_FAILURE(openAndWaitUntilShown(*instance, 0.25f));
  EXPECT_EQ(children(), 1);
  instance->clearRequests();
  xdotool("mousemove --sync 40 40 mousedown 1 mousemove --sync 80 40 mousemove --sync 140 40 mouseup 1");
  idleUntilGestureEnds(*instance);
  expectOneGesture(editRequests(*instance), 0, 0.125f, 0.75f);
  const auto shown = screenshot();

  auto reference = newInstance();
  reference->setParameter(0, 0.75f);
  const auto expected = headlessShot(*reference, "");
  ASSERT_EQ(shown.size(), expected.size());
  size_t differing = 0;
  for (size_t i = 0; i < shown.size(); ++i) differing += shown[i] != expected[i];
  EXPECT_EQ(differing, 0u);
  if (differing != 0) {
    // Both pictures, for a look.
    oxel::platform::PixelPort window{kWidth, kHeight}, headless{kWidth, kHeight};
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        window.set(x, y, shown[static_cast<size_t>(y * kWidth + x)]);
        headless.set(x, y, expected[static_cast<size_t>(y * kWidth + x)]);
      }
    oxel::platform::writePng(window, ::testing::TempDir() + "/editor_x11_window.png");
    oxel::platform::writePng(headless, ::testing::TempDir() + "/editor_x11_headless.png");
  }

  // A click so quick that it is over before the editor looks still counts.
  instance->clearRequests();
  xdotool("mousemove --sync 100 40 click 1");
  idleUntilGestureEnds(*instance);
  expectOneGesture(editRequests(*instance), 0, 0.5f, 0.5f);
  instance->dispatch(effEditClose);
  EXPECT_EQ(children(), 0);
}

TEST_F(X11Editor, AnXWindowAndAHeadlessRecordOpenSideBySideInOneProcess) {
  // Each open request takes its back end from its parent: one instance in
  // the X window, another on a record, both open at once; the record makes
  // no X window and its script's wait passes on its own clock, not the
  // steady one the X window's editor reads.
  auto onScreen = newInstance();
  ASSERT_NO_FATAL_FAILURE(openAndWaitUntilShown(*onScreen, 0.25f));
  auto inMemory = newInstance();
  inMemory->setParameter(0, 0.75f);
  oxel::HeadlessOptions options;
  options.script = "wait 60000\n";
  oxel::HeadlessEditor headless{oxel::editorCallsOf(inMemory->effect()), options};
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(headless.open());
  EXPECT_EQ(children(), 1);
  EXPECT_TRUE(headless.runScript());
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  const auto inMemoryPicture = headless.picture().pixels;
  headless.close();
  idleFor(*onScreen, 30);

  auto reference = newInstance();
  reference->setParameter(0, 0.75f);
  EXPECT_EQ(inMemoryPicture, headlessShot(*reference, ""));
  reference->setParameter(0, 0.25f);
  EXPECT_TRUE(shows(editorWindow(), headlessShot(*reference, "")));
  onScreen->dispatch(effEditClose);
}

TEST_F(X11Editor, ModifiersAndKeysFromTheServer) {
  // Caps Lock stays on throughout: lock bits must not change what a
  // modifier click means. Ctrl is the command key (default value); Super is
  // the control key, which turns a left click into a right click (ignored
  // by the bar); arrows step the value. Keys go to the focused window: the
  // host gives our window the focus, as a host forwarding no keys would.
  struct Case {
    const char* input;
    std::vector<float> automates;  // empty: no gesture at all
  };
  const Case cases[] = {
      {"mousemove --sync 40 40 keydown ctrl click 1 keyup ctrl", {0.5f}},
      {"mousemove 41 40 sleep 0.05 keydown super click 1 keyup super", {}},
      {"key Right", {0.35f}},
      {"key shift+Left", {0.24f}},
  };
  xdotool("key Caps_Lock");
  for (const Case& c : cases) {
    auto instance = newInstance();
    ASSERT_NO_FATAL_FAILURE(openAndWaitUntilShown(*instance, 0.25f));
    XSetInputFocus(display, editorWindow(), RevertToParent, CurrentTime);
    XSync(display, False);
    instance->clearRequests();
    xdotool(c.input);
    if (c.automates.empty())
      idleFor(*instance, 150);
    else
      idleUntilGestureEnds(*instance);
    const auto log = editRequests(*instance);
    if (c.automates.empty()) {
      EXPECT_TRUE(log.empty()) << c.input;
    } else {
      ASSERT_EQ(log.size(), c.automates.size() + 2) << c.input;
      expectOneGesture(log, 0, c.automates.front(), c.automates.back());
    }
    instance->dispatch(effEditClose);
  }
  xdotool("key Caps_Lock");
}

TEST_F(X11Editor, ParentDestroyedBeforeCloseDoesNoHarm) {
  auto instance = newInstance();
  instance->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
  idleFor(*instance, 100);
  XDestroyWindow(display, parent);
  XSync(display, False);
  parent = 0;
  ::testing::internal::CaptureStderr();
  instance->dispatch(effEditIdle);
  instance->dispatch(effEditClose);
  // Our window died with the host's: no request was sent for it after that.
  EXPECT_EQ(::testing::internal::GetCapturedStderr().find("X error"), std::string::npos);
  // Opening on a window that no longer exists gives an editor without a window.
  instance->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x3fffff0));
  instance->dispatch(effEditIdle);
  instance->dispatch(effEditClose);
  SUCCEED();
}

TEST_F(X11Editor, HundredOpenCloseCyclesBesideAudioLeaveNothingBehind) {
  auto instance = newInstance();
  instance->resume();
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    std::vector<float> in(64, 0.5f), out(64);
    float* ins[] = {in.data()};
    float* outs[] = {out.data()};
    while (!stop.load(std::memory_order_relaxed)) instance->processReplacing(ins, outs, 64);
  });
  // One cycle first, so that lazily opened files (fonts, locale) are counted.
  instance->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
  instance->dispatch(effEditClose);
  const int descriptors = openDescriptors();
  for (int i = 0; i < 100; ++i) {
    instance->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
    instance->dispatch(effEditIdle);
    instance->dispatch(effEditIdle);
    instance->dispatch(effEditClose);
  }
  stop = true;
  audio.join();
  EXPECT_EQ(children(), 0);
  EXPECT_EQ(openDescriptors(), descriptors);
}

TEST_F(X11Editor, OxelEditPrintsTheGestureAndEndsWhenItsWindowIsClosed) {
  const std::string oxel = std::string{OXEL_BINARY_DIR} + "/bin/oxel";
  const std::string log = ::testing::TempDir() + "/oxel_edit.txt";
  std::remove(log.c_str());
  auto reference = newInstance();
  const auto expected = headlessShot(*reference, "");
  // oxel edit in the background; its exit status is appended to its output.
  std::string out;
  ASSERT_EQ(runCommand("(" + oxel + " edit " EDITOR_TEST_PLUGIN " --seconds 60 > " + log +
                           " 2>&1; echo \"exit $?\" >> " + log + ") > /dev/null 2>&1 &",
                       out),
            0)
      << out;
  const auto waitFor = [&](const char* text) {
    for (int i = 0; i < 1000; ++i) {
      if (readFile(log).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  };
  // The host window appears at (0, 0) on a server without a window manager;
  // the drag starts once it is mapped and the editor has drawn in it.
  ASSERT_TRUE(waitFor("window 0x")) << readFile(log);
  const Window window = std::stoul(readFile(log).substr(std::strlen("window ")), nullptr, 16);
  bool shown = false;
  for (int i = 0; i < 1000 && !(shown = shows(window, expected)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(shown) << "oxel edit's window was not mapped and drawn within 10 s";
  // Titled with the plug-in's name; this one gives none, so its file's name.
  char* title = nullptr;
  XFetchName(display, window, &title);
  EXPECT_EQ(std::string{title ? title : ""},
            "oxel edit: " + std::filesystem::path{EDITOR_TEST_PLUGIN}.stem().string());
  if (title) XFree(title);
  xdotool("mousemove --sync 40 40 mousedown 1 sleep 0.1 mousemove --sync 80 40 sleep 0.1 "
          "mousemove --sync 140 40 sleep 0.1 mouseup 1");
  EXPECT_TRUE(waitFor("endEdit")) << readFile(log);
  xdotool("windowclose " + std::to_string(window));
  ASSERT_TRUE(waitFor("\nexit ")) << readFile(log);
  out = readFile(log);
  EXPECT_EQ(out.rfind("window 0x", 0), 0u) << out;
  EXPECT_NE(out.find("\nbeginEdit index=0\nautomate index=0 value=0.125\n"), std::string::npos) << out;
  EXPECT_NE(out.find("automate index=0 value=0.75\nendEdit index=0\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\nexit 0\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("X error"), std::string::npos) << out;
}

TEST_F(X11Editor, AnEditorWithoutSizeStillGetsAWindowOfOnePixel) {
  // An editor whose background picture is missing reports 0 x 0; X refuses
  // such windows (and the default error handler would end the host).
  struct NoAudio : AudioEffectX {
    NoAudio() : AudioEffectX(nullptr, 1, 1) {}
    void process(float**, float**, VstInt32) override {}
  } effect;
  auto* editor = new AEffGUIEditor(&effect);  // the effect deletes it
  editor->open(reinterpret_cast<void*>(parent));
  auto* frame = new CFrame(CRect(0, 0, 0, 0), reinterpret_cast<void*>(parent), editor);
  ASSERT_NE(frame->getPlatformWindow(), nullptr);
  EXPECT_EQ(frame->getWindowPort()->width(), 1);
  EXPECT_EQ(frame->getWindowPort()->height(), 1);
  EXPECT_EQ(children(), 1);
  EXPECT_FALSE(frame->setSize(0, 10));
  frame->forget();
  EXPECT_EQ(children(), 0);
}

// A private X server that the test can kill.
class PrivateServer {
 public:
  explicit PrivateServer(const char* screen = "320x200x24") {
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid = ::fork();
    if (pid == 0) {
      ::close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp",
               static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::close(fds[1]);
    char number[16] = {};
    // The server writes its number when it is ready; the pipe stays open
    // while it runs (it writes the line in more than one piece).
    readEnd = fds[0];
    const ssize_t n = pid > 0 ? ::read(readEnd, number, sizeof number - 1) : 0;
    if (n > 0) name = ":" + std::to_string(std::atoi(number));
  }
  ~PrivateServer() {
    kill();
    if (readEnd >= 0) ::close(readEnd);
  }
  int readEnd{-1};
  void kill() {
    if (pid <= 0) return;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
  }
  pid_t pid{-1};
  std::string name;
};

TEST(X11ServerLoss, ServerGoingAwayDoesNotEndTheHost) {
#if defined(__SANITIZE_THREAD__)
  // When an I/O error handler returns, Xlib unlocks the dead connection's
  // lock once more on its way out; ThreadSanitizer stops on that. The path
  // is covered by the normal and address-sanitizer builds.
  GTEST_SKIP() << "Xlib's I/O error path under ThreadSanitizer";
#endif
  PrivateServer server;
  if (server.name.empty()) SKIP_OR_FAIL_WITHOUT_X("cannot start Xvfb");
  const char* previous = std::getenv("DISPLAY");
  const std::string saved = previous ? previous : "";
  ::setenv("DISPLAY", server.name.c_str(), 1);
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  // The host survives its own connection's loss the same way.
  XIOErrorHandler hostHandler = XSetIOErrorHandler([](Display*) { return 0; });
  XSetIOErrorExitHandler(display, [](Display*, void*) {}, nullptr);
  const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, 0, 0);
  XMapWindow(display, parent);
  XSync(display, False);
  {
    auto instance = newInstance();
    instance->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
    for (int i = 0; i < 5; ++i) instance->dispatch(effEditIdle);
    server.kill();
    for (int i = 0; i < 5; ++i) instance->dispatch(effEditIdle);
    instance->setParameter(0, 0.9f);
    instance->dispatch(effEditIdle);
    instance->dispatch(effEditClose);
    // Reopening on the dead server gives an editor without a window.
    instance->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
    instance->dispatch(effEditIdle);
    instance->dispatch(effEditClose);
  }
  XCloseDisplay(display);
  XSetIOErrorHandler(hostHandler);
  if (saved.empty())
    ::unsetenv("DISPLAY");
  else
    ::setenv("DISPLAY", saved.c_str(), 1);
  SUCCEED();  // still running
}

TEST(X11Depth16, PixelsAreConvertedForA16BitScreen) {
  PrivateServer server{"320x200x16"};
  if (server.name.empty()) SKIP_OR_FAIL_WITHOUT_X("cannot start Xvfb");
  auto reference = newInstance();
  reference->setParameter(0, 0.6f);
  const auto expected = headlessShot(*reference, "");

  const char* previous = std::getenv("DISPLAY");
  const std::string saved = previous ? previous : "";
  ::setenv("DISPLAY", server.name.c_str(), 1);
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  ASSERT_EQ(DefaultDepth(display, DefaultScreen(display)), 16);
  const Window parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, 0, 0);
  XMapWindow(display, parent);
  XSync(display, False);
  auto instance = newInstance();
  instance->setParameter(0, 0.6f);
  instance->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
  for (int i = 0; i < 20; ++i) {
    instance->dispatch(effEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  XSync(display, False);
  XImage* image = XGetImage(display, parent, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
  ASSERT_NE(image, nullptr);
  size_t differing = 0;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const uint32_t p = expected[static_cast<size_t>(y * kWidth + x)];
      const unsigned long want = ((p >> 19) & 0x1F) << 11 | ((p >> 10) & 0x3F) << 5 | ((p >> 3) & 0x1F);
      differing += XGetPixel(image, x, y) != want;
    }
  EXPECT_EQ(differing, 0u);
  XDestroyImage(image);
  instance->dispatch(effEditClose);
  XDestroyWindow(display, parent);
  XCloseDisplay(display);
  ::setenv("DISPLAY", saved.c_str(), 1);
  if (saved.empty()) ::unsetenv("DISPLAY");
}

}  // namespace
}  // namespace editortest
