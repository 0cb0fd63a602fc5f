// Both editors in both formats (the LXVST build through the host library, the
// LV2 build through its UI binary) in a real X server, with the host resizing
// the editor's window itself, as an embedding host that stretches its child
// does: larger, smaller, wider only, larger again. After each resize no pixel
// of the window keeps the parent's colour, the editor stays drawn at the top
// left, and everything outside it is one colour, the panel's bottom-right
// edge pixel. Skipped without a display unless OXEL_REQUIRE_X11 is set.
// gtest first: Xlib defines macros (None, Bool) that clash with it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "built_plugins.h"
#include "plugin_host.h"
#include "ui_host.h"
#include "x11_host_test.h"

namespace {

constexpr int kHostWidth = 400;
constexpr int kHostHeight = 320;
// A colour neither editor paints anywhere.
constexpr uint32_t kParentColour = 0xFF00FF;

struct Size {
  int width, height;
};

class StretchedEditorWindow : public X11HostTest {
 protected:
  StretchedEditorWindow() : X11HostTest{kHostWidth, kHostHeight} {}
  void SetUp() override {
    X11HostTest::SetUp();
    if (!display) return;
    XSetWindowBackground(display, parent, kParentColour);
    XClearWindow(display, parent);
    XSync(display, False);
  }

  // Idles the editor (every 10 ms) for about ms milliseconds.
  static void idleFor(const std::function<void()>& idle, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (int i = 0; i < 5 || std::chrono::steady_clock::now() < end; ++i) {
      idle();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  // The editor's window shows its picture of editor's size; then the host
  // resizes it through the sizes below and looks at every pixel each time.
  void checkEveryResize(Window window, Size editor, const std::function<void()>& idle) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!viewable(window) && std::chrono::steady_clock::now() < end) idle();
    ASSERT_TRUE(viewable(window)) << "not mapped within 10 s";
    idleFor(idle, 200);
    const auto picture = screenshot(window, editor.width, editor.height);
    ASSERT_EQ(picture.size(), static_cast<size_t>(editor.width * editor.height));
    const uint32_t edge = picture.back();

    const Size sizes[] = {{kHostWidth, kHostHeight},
                          {editor.width / 2, editor.height / 3},
                          {kHostWidth, editor.height},
                          {editor.width, kHostHeight},
                          {kHostWidth, kHostHeight}};
    for (const Size& size : sizes) {
      SCOPED_TRACE(std::to_string(size.width) + "x" + std::to_string(size.height));
      XResizeWindow(display, window, static_cast<unsigned>(size.width),
                    static_cast<unsigned>(size.height));
      XSync(display, False);
      idleFor(idle, 150);
      const auto shown = screenshot(window, size.width, size.height);
      ASSERT_EQ(shown.size(), static_cast<size_t>(size.width * size.height));
      int stale = 0, wrongInside = 0, wrongOutside = 0;
      for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x) {
          const uint32_t p = shown[static_cast<size_t>(y * size.width + x)];
          stale += p == kParentColour;
          if (x < editor.width && y < editor.height)
            wrongInside += p != picture[static_cast<size_t>(y * editor.width + x)];
          else
            wrongOutside += p != edge;
        }
      EXPECT_EQ(stale, 0) << "pixels that show the parent";
      EXPECT_EQ(wrongInside, 0) << "pixels of the editor that moved or went";
      EXPECT_EQ(wrongOutside, 0) << "pixels outside the editor not in its edge colour";
    }
  }
};

struct Plugin {
  const char* name;
  const char* uri;
};
constexpr Plugin kPlugins[] = {{"Pelrin", "urn:oxel:pelrin"}, {"Tavrel", "urn:oxel:tavrel"}};

TEST_F(StretchedEditorWindow, LxvstEditorsPaintEveryPixelTheHostGivesThem) {
  for (const Plugin& p : kPlugins) {
    SCOPED_TRACE(p.name);
    std::string error;
    auto library = oxel::PluginLibrary::load(builtPluginPath(p.name), error);
    ASSERT_TRUE(library) << error;
    auto plugin = oxel::PluginInstance::create(library, error);
    ASSERT_TRUE(plugin) << error;
    ERect* rect = nullptr;
    plugin->dispatch(effEditGetRect, 0, 0, &rect);
    ASSERT_NE(rect, nullptr);
    const Size editor{rect->right - rect->left, rect->bottom - rect->top};
    plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent));
    Window root = 0, up = 0, *children = nullptr;
    unsigned int n = 0;
    XQueryTree(display, parent, &root, &up, &children, &n);
    const Window window = n == 1 ? children[0] : 0;
    if (children) XFree(children);
    ASSERT_NE(window, 0u) << "no editor window in the parent";
    checkEveryResize(window, editor, [&] { plugin->dispatch(effEditIdle); });
    plugin->dispatch(effEditClose);
  }
}

TEST_F(StretchedEditorWindow, Lv2EditorsPaintEveryPixelTheHostGivesThem) {
  for (const Plugin& p : kPlugins) {
    SCOPED_TRACE(p.name);
    const std::string bundle = std::string{OXEL_BINARY_DIR} + "/lv2/" + p.name + ".lv2/";
    // Kept mapped after dlclose, as hosts do.
    void* library =
        dlopen((bundle + p.name + "_lv2ui.so").c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(library, nullptr) << dlerror();
    auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    const LV2UI_Descriptor* descriptor = entry(0);
    auto* idle =
        static_cast<const LV2UI_Idle_Interface*>(descriptor->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);
    lv2_test::UiHostFeatures host{reinterpret_cast<void*>(parent)};
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle handle =
        descriptor->instantiate(descriptor, p.uri, bundle.c_str(), lv2_test::UiHostFeatures::write,
                                host.controller(), &widget, host.features());
    ASSERT_NE(handle, nullptr);
    const auto window = static_cast<Window>(reinterpret_cast<uintptr_t>(widget));
    checkEveryResize(window, {host.log.width, host.log.height}, [&] { idle->idle(handle); });
    descriptor->cleanup(handle);
    dlclose(library);
  }
}

}  // namespace
