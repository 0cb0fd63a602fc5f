// The option menu's pop-up in a real X server (Xvfb in the test command),
// driven by xdotool: a click opens it, the arrow keys and Return pick an
// entry and the listener hears it once; a click outside closes it with
// nothing chosen; a keyboard another client holds closes it at once. Each
// way no pop-up window and no grab is left behind.
// Skipped without a display unless OXEL_REQUIRE_X11 is set.
// gtest first: Xlib defines macros (None, Bool) that clash with it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "COptionMenu.h"
#include "editor_fixture.h"
#include "x11_host_test.h"

namespace editortest {
namespace {

struct Heard : CControlListener {
  void valueChanged(CDrawContext*, CControl* control) override { values.push_back(control->getValue()); }
  std::vector<float> values;
};

class X11OptionMenu : public X11HostTest {
 protected:
  X11OptionMenu() : X11HostTest{100, 60} {}
  void SetUp() override {
    X11HostTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    rootWindowsBefore = rootChildren();
    editor = new ProbeEditor(&effect, CRect(0, 0, 100, 60));
    editor->populate = [this](CFrame& frame) {
      menu = new COptionMenu(CRect(10, 10, 70, 26), &heard, 1);
      for (const char* text : {"alpha", "beta", "-", "gamma"}) menu->addEntry(text);
      frame.addView(menu);
    };
    editor->open(reinterpret_cast<void*>(parent));
    ASSERT_NE(editor->frame->getPlatformWindow(), nullptr);
    // Idle until the server shows the editor's window.
    idleUntil(5000, [&] { return editor->frame->getPlatformWindow()->viewable(); });
    idleFor(100);
  }
  void TearDown() override {
    if (display && editor) editor->close();
    X11HostTest::TearDown();
  }
  template <typename Done>
  bool idleUntil(int ms, Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      editor->idle();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }
  void idleFor(int ms) {
    idleUntil(ms, [] { return false; });
  }
  // Runs xdotool while the editor idles (the pop-up's loop runs inside an
  // idle), until it has finished.
  void xdotoolWhileIdling(const std::string& args) {
    int status = -1;
    std::atomic<bool> done{false};
    std::thread tool([&] {
      status = std::system(("xdotool " + args + " >/dev/null 2>&1").c_str());
      done = true;
    });
    idleUntil(15000, [&] { return done.load(); });
    tool.join();
    ASSERT_EQ(status, 0) << "xdotool " << args;
    idleFor(100);
  }
  int rootChildren() {
    Window root = 0, up = 0, *list = nullptr;
    unsigned int n = 0;
    XQueryTree(display, DefaultRootWindow(display), &root, &up, &list, &n);
    if (list) XFree(list);
    return static_cast<int>(n);
  }
  // The pointer and keyboard are free again: another client can grab them.
  void expectNoGrabLeft() {
    EXPECT_EQ(XGrabPointer(display, parent, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, 0, 0, CurrentTime),
              GrabSuccess);
    EXPECT_EQ(XGrabKeyboard(display, parent, False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
    XUngrabPointer(display, CurrentTime);
    XUngrabKeyboard(display, CurrentTime);
    XSync(display, False);
    EXPECT_EQ(rootChildren(), rootWindowsBefore);
  }

  int rootWindowsBefore{0};
  StubEffect effect;
  ProbeEditor* editor{nullptr};
  COptionMenu* menu{nullptr};
  Heard heard;
};

TEST_F(X11OptionMenu, KeysPickAnEntryAndTheListenerHearsItOnce) {
  xdotoolWhileIdling("mousemove --sync 20 15 click 1 sleep 0.6 key Down sleep 0.1 key Down sleep 0.1 key Return");
  EXPECT_EQ(heard.values, std::vector<float>{1.0f});
  EXPECT_EQ(menu->getCurrent(), 1);
  EXPECT_EQ(menu->getLastResult(), 1);
  // The menu opened below the control, at its left edge.
  EXPECT_EQ(editor->frame->getPlatformWindow()->lastPopup().x, 10);
  EXPECT_EQ(editor->frame->getPlatformWindow()->lastPopup().y, 26);
  expectNoGrabLeft();
}

TEST_F(X11OptionMenu, AClickOutsideClosesItWithNothingChosen) {
  menu->setCurrent(3);
  xdotoolWhileIdling("mousemove --sync 20 15 click 1 sleep 0.6 mousemove --sync 600 500 click 1");
  EXPECT_EQ(editor->frame->getPlatformWindow()->lastPopup().count, 1);
  EXPECT_TRUE(heard.values.empty());
  EXPECT_EQ(menu->getCurrent(), 3);
  EXPECT_EQ(menu->getLastResult(), -1);
  expectNoGrabLeft();
}

TEST_F(X11OptionMenu, AKeyboardHeldByAnotherClientClosesItAtOnce) {
  ASSERT_EQ(XGrabKeyboard(display, parent, False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
  XSync(display, False);
  xdotoolWhileIdling("mousemove --sync 20 15 click 1 sleep 0.6 key Down key Return");
  XUngrabKeyboard(display, CurrentTime);
  XSync(display, False);
  EXPECT_EQ(editor->frame->getPlatformWindow()->lastPopup().count, 1);
  EXPECT_TRUE(heard.values.empty());
  EXPECT_EQ(menu->getLastResult(), -1);
  expectNoGrabLeft();  // the pointer grab the menu did get was given back
}

}  // namespace
}  // namespace editortest
