// Each bundle's UI binary in a real X server (Xvfb in the test command),
// loaded as an LV2 host loads it and embedded in the host's parent window:
// its window is a child of that parent, sized from the background picture
// through ui:resize; an xdotool drag on a knob (and a click on Tavrel's order
// switch) reaches the host as one touch gesture of port writes; a host port
// value redraws the knob at the next idle, and the old value brings back the
// old picture. Skipped when no
// display can be opened, unless OXEL_REQUIRE_X11 is set (the test command).
// gtest first: Xlib defines macros (None, Bool) that clash with it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "ui_host.h"
#include "x11_host_test.h"

namespace {

const std::string kLv2Dir = std::string{OXEL_BINARY_DIR} + "/lv2/";

struct Gesture {
  const char* xdotool;
  uint32_t port;
  float minimum, maximum;  // range of the written values
  bool wholeNumbers;
};

struct BundleCase {
  const char* name;
  const char* uri;
  uint32_t knobPort;  // the first angle: redrawn by the host, then dragged
  uint32_t otherPort;
  float otherValue;
  std::vector<Gesture> gestures;
};

const BundleCase kBundles[] = {
    {"Pelrin",
     "urn:oxel:pelrin",
     6,
     9,
     0.5f,
     // The azimuth knob (centre 72, 72), round to its right.
     {{"mousemove --sync 72 60 mousedown 1 mousemove --sync 84 62 mousemove --sync 96 74 mouseup 1",
       6, 0.0f, 360.0f, false}}},
    {"Tavrel",
     "urn:oxel:tavrel",
     8,
     11,
     0.0f,
     // The Angle1 knob (centre 46, 60), then a click on the order switch.
     {{"mousemove --sync 66 60 mousedown 1 mousemove --sync 56 77 mousemove --sync 46 80 mouseup 1",
       8, 0.0f, 360.0f, false},
      {"mousemove --sync 94 136 click 1", 11, 0.0f, 5.0f, true}}},
};

// Width and height from a PNG file's header; 0 when it cannot be read.
std::pair<int, int> pngSize(const std::string& path) {
  std::ifstream file{path, std::ios::binary};
  unsigned char header[24] = {};
  if (!file.read(reinterpret_cast<char*>(header), sizeof header)) return {0, 0};
  auto be32 = [&](int at) {
    return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
  };
  return {be32(16), be32(20)};
}

class Lv2X11Ui : public X11HostTest {
 protected:
  Lv2X11Ui() : X11HostTest{400, 400} {}
  void load(const std::string& binary) {
    // Kept mapped after dlclose, as hosts do: the UI's X and font libraries keep
    // caches that its static state points at.
    library = dlopen(binary.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(library, nullptr) << dlerror();
    auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    descriptor = entry(0);
    ASSERT_NE(descriptor, nullptr);
    EXPECT_EQ(entry(1), nullptr);
    idleInterface =
        static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idleInterface, nullptr);
  }
  void unload() {
    if (handle) descriptor->cleanup(handle);
    handle = nullptr;
    if (library) dlclose(library);
    library = nullptr;
  }
  void TearDown() override {
    unload();
    X11HostTest::TearDown();
  }
  void idleFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (int i = 0; i < 5 || std::chrono::steady_clock::now() < end; ++i) {
      EXPECT_EQ(idleInterface->idle(handle), 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  template <typename Done>
  bool idleUntil(int ms, Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      idleInterface->idle(handle);
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }
  static int run(const std::string& command) {
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  void* library = nullptr;
  const LV2UI_Descriptor* descriptor = nullptr;
  const LV2UI_Idle_Interface* idleInterface = nullptr;
  LV2UI_Handle handle = nullptr;
};

TEST_F(Lv2X11Ui, EmbedsSizesDragsAndFollowsTheHost) {
  for (const BundleCase& c : kBundles) {
    SCOPED_TRACE(c.name);
    const std::string bundle = kLv2Dir + c.name + ".lv2";
    ASSERT_NO_FATAL_FAILURE(load(bundle + "/" + c.name + "_lv2ui.so"));
    lv2_test::UiHostFeatures host{reinterpret_cast<void*>(parent)};
    LV2UI_Widget widget = nullptr;
    handle = descriptor->instantiate(descriptor, c.uri, (bundle + "/").c_str(),
                                     lv2_test::UiHostFeatures::write, host.controller(), &widget,
                                     host.features());
    ASSERT_NE(handle, nullptr);

    // The size of the background picture, asked for through ui:resize.
    const auto [width, height] = pngSize(bundle + "/resources/bmp00128.png");
    ASSERT_GT(width, 0);
    EXPECT_EQ(host.log.width, width);
    EXPECT_EQ(host.log.height, height);

    // The widget is the editor's own window, a child of the parent.
    const auto window = static_cast<Window>(reinterpret_cast<uintptr_t>(widget));
    Window root = 0, up = 0, *list = nullptr;
    unsigned int n = 0;
    ASSERT_TRUE(XQueryTree(display, window, &root, &up, &list, &n));
    if (list) XFree(list);
    EXPECT_EQ(up, parent);

    // Shown and drawn; the host's values arrive, then the picture settles.
    const float zero = 0.0f;
    descriptor->port_event(handle, c.knobPort, sizeof zero, 0, &zero);
    descriptor->port_event(handle, c.otherPort, sizeof c.otherValue, 0, &c.otherValue);
    ASSERT_TRUE(idleUntil(10000, [&] { return viewable(window); })) << "not mapped within 10 s";
    idleFor(100);
    const auto atZero = screenshot(window, width, height);

    // A host value redraws the knob at idle; the old value, the old picture.
    const float quarter = 90.0f;
    descriptor->port_event(handle, c.knobPort, sizeof quarter, 0, &quarter);
    idleFor(50);
    EXPECT_NE(screenshot(window, width, height), atZero);
    descriptor->port_event(handle, c.knobPort, sizeof zero, 0, &zero);
    idleFor(50);
    EXPECT_EQ(screenshot(window, width, height), atZero);
    EXPECT_TRUE(host.log.events.empty()) << ::testing::PrintToString(host.log.events);

    for (const Gesture& g : c.gestures) {
      SCOPED_TRACE(g.xdotool);
      host.log = {};
      ASSERT_EQ(run(std::string{"xdotool "} + g.xdotool), 0);
      idleUntil(5000, [&] {
        return !host.log.events.empty() && host.log.events.back().find("off") != std::string::npos;
      });
      idleFor(50);
      EXPECT_TRUE(lv2_test::isOneGesture(host.log, g.port))
          << ::testing::PrintToString(host.log.events);
      ASSERT_FALSE(host.log.written.empty());
      for (const float v : host.log.written) {
        EXPECT_GE(v, g.minimum);
        EXPECT_LE(v, g.maximum);
        if (g.wholeNumbers) {
          EXPECT_EQ(v, std::round(v));
        }
      }
      EXPECT_NE(host.log.written.back(), g.minimum);
    }
    EXPECT_NE(screenshot(window, width, height), atZero);
    unload();
  }
}

}  // namespace

namespace {

std::string readFile(const std::string& path) {
  std::ifstream file{path};
  return {std::istreambuf_iterator<char>{file}, std::istreambuf_iterator<char>{}};
}

// oxel edit with an LV2 plug-in: its window has the UI's size (learnt before
// opening), and a click on Tavrel's order switch is printed as one gesture.
TEST_F(Lv2X11Ui, OxelEditShowsTheUiAndPrintsItsGestures) {
  const std::string oxel = std::string{OXEL_BINARY_DIR} + "/bin/oxel";
  const std::string log = ::testing::TempDir() + "/oxel_edit_lv2.txt";
  std::remove(log.c_str());
  // Nothing of this test's own above oxel's window at (0, 0).
  XDestroyWindow(display, parent);
  XSync(display, False);
  parent = 0;
  ASSERT_EQ(run("(LV2_PATH='" + kLv2Dir + "' " + oxel + " edit urn:oxel:tavrel --seconds 60 > " +
                log + " 2>&1; echo \"exit $?\" >> " + log + ") &"),
            0);
  const auto waitFor = [&](const char* text) {
    for (int i = 0; i < 1000; ++i) {
      if (readFile(log).find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  };
  ASSERT_TRUE(waitFor("window 0x")) << readFile(log);
  const Window window = std::stoul(readFile(log).substr(std::strlen("window ")), nullptr, 16);
  const auto [width, height] = pngSize(kLv2Dir + "Tavrel.lv2/resources/bmp00128.png");
  EXPECT_NE(readFile(log).find(" " + std::to_string(width) + "x" + std::to_string(height) + "\n"),
            std::string::npos)
      << readFile(log);
  bool shown = false;
  for (int i = 0; i < 1000 && !(shown = viewable(window)); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(shown) << "oxel edit's window was not mapped within 10 s";
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // its first picture
  EXPECT_EQ(run("xdotool mousemove --sync 94 136 click 1"), 0);
  EXPECT_TRUE(waitFor("endEdit")) << readFile(log);
  run("xdotool windowclose " + std::to_string(window));
  ASSERT_TRUE(waitFor("\nexit ")) << readFile(log);
  const std::string out = readFile(log);
  EXPECT_NE(out.find("\nbeginEdit index=3\nautomate index=3 value="), std::string::npos) << out;
  EXPECT_NE(out.find("\nendEdit index=3\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\nexit 0\n"), std::string::npos) << out;
}

}  // namespace
