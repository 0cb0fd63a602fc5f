// A test fixture for editors in a real X server (Xvfb in the test command):
// the display, opened again for a moment when a busy server refuses, and a
// host window of the fixture's size at (0, 0), mapped above everything (no
// window manager moves it); and what such tests do with them: read a window's
// pixels, ask whether it is mapped, drive the pointer and keys with xdotool,
// and idle a plug-in until something is true. Without a display the test is
// skipped, or fails when OXEL_REQUIRE_X11 is set (the test command sets it).
// Include gtest before this: Xlib defines macros (None, Bool) that clash with it.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "EffectRecord.h"

class X11HostTest : public ::testing::Test {
 protected:
  X11HostTest(int width, int height) : hostWidth{width}, hostHeight{height} {}

  // Derived fixtures that do more call this first and return when it has
  // skipped or failed the test.
  void SetUp() override {
    for (int attempt = 0; attempt < 5 && !display; ++attempt) {
      if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      display = XOpenDisplay(nullptr);
    }
    if (!display) {
      if (std::getenv("OXEL_REQUIRE_X11")) FAIL() << "no X display";
      GTEST_SKIP() << "no X display";
    }
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    parent =
        XCreateWindow(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(hostWidth),
                      static_cast<unsigned>(hostHeight), 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect, &attributes);
    XMapRaised(display, parent);
    XSync(display, False);
  }
  void TearDown() override {
    if (!display) return;
    if (parent) XDestroyWindow(display, parent);
    XCloseDisplay(display);
    display = nullptr;
  }

  // The top-left width x height pixels of `window` (the host window at its
  // size when none is given) as 0xRRGGBB, after everything sent has arrived.
  std::vector<uint32_t> screenshot(Window window = 0, int width = 0, int height = 0) {
    if (!window) {
      window = parent;
      width = hostWidth;
      height = hostHeight;
    }
    XSync(display, False);
    std::vector<uint32_t> out;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return out;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        out.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
    XDestroyImage(image);
    return out;
  }
  bool viewable(Window window) {
    XWindowAttributes attributes{};
    return window && XGetWindowAttributes(display, window, &attributes) &&
           attributes.map_state == IsViewable;
  }
  // Runs xdotool with the arguments; a failure shows its output.
  static void xdotool(const std::string& args) {
    FILE* pipe = ::popen(("xdotool " + args + " 2>&1").c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    const int status = ::pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "xdotool " << args << "\n" << out;
  }

  // The host idles the plug-in (its editor-idle request every 10 ms) until
  // done() or for at most ms milliseconds; false on timeout.
  template <typename Plugin, typename Done>
  bool idleUntil(Plugin& plugin, int ms, Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      plugin.dispatch(effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }
  // The host idles the plug-in for about ms milliseconds, and at least five
  // times (a slow machine still gets the redraw after a gesture).
  template <typename Plugin>
  void idleFor(Plugin& plugin, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (int i = 0; i < 5 || std::chrono::steady_clock::now() < end; ++i) {
      plugin.dispatch(effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  // Idles until the last request in the host's log other than idle ends an
  // edit gesture (or for 5 s), then a little more.
  template <typename Plugin>
  void idleUntilGestureEnds(Plugin& plugin) {
    idleUntil(plugin, 5000, [&] {
      const auto log = plugin.requests();
      for (auto r = log.rbegin(); r != log.rend(); ++r)
        if (r->opcode != audioMasterIdle) return r->opcode == audioMasterEndEdit;
      return false;
    });
    idleFor(plugin, 50);
  }

  const int hostWidth, hostHeight;
  Display* display{nullptr};
  Window parent{0};
};
