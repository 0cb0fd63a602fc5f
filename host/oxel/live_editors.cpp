#include "live_editors.h"

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace oxel {

namespace {

Display* asDisplay(void* display) { return static_cast<Display*>(display); }

}  // namespace

EditorWindows::~EditorWindows() {
  for (Editor& e : editors_) {
    e.plugin->dispatch(effEditClose);
    XDestroyWindow(asDisplay(display_), e.window);
  }
  if (display_ != nullptr) XCloseDisplay(asDisplay(display_));
}

bool EditorWindows::open(const std::vector<PluginInstance*>& plugins,
                         const std::vector<std::string>& names, std::string& error) {
  Display* display = XOpenDisplay(nullptr);
  display_ = display;
  if (display == nullptr) {
    error = "--edit needs an X display (is DISPLAY set?)";
    return false;
  }
  for (size_t k = 0; k < plugins.size(); ++k) {
    PluginInstance& plugin = *plugins[k];
    if ((plugin.effect()->flags & effFlagsHasEditor) == 0) continue;
    ERect* rect = nullptr;
    plugin.dispatch(effEditGetRect, 0, 0, &rect);
    const int width = rect ? std::max(rect->right - rect->left, 1) : 1;
    const int height = rect ? std::max(rect->bottom - rect->top, 1) : 1;
    const Window window =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), 0, 0, 0);
    const std::string title = "oxel live: " + names[k];
    XStoreName(display, window, title.c_str());
    XMapWindow(display, window);
    XSync(display, False);
    plugin.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(window));
    editors_.push_back({&plugin, window});
    std::printf("window 0x%lx %dx%d %s\n", window, width, height, names[k].c_str());
    std::fflush(stdout);
  }
  return true;
}

void EditorWindows::idle() {
  if (display_ == nullptr) return;
  while (XPending(asDisplay(display_)) > 0) {
    XEvent event;
    XNextEvent(asDisplay(display_), &event);
  }
  for (Editor& e : editors_) e.plugin->dispatch(effEditIdle);
}

}  // namespace oxel
