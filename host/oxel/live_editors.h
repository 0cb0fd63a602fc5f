// The editors of oxel live's chain, each in a top-level X11 window of its
// own, idled from the main loop; closed (editor first, then window) at the end.
#pragma once

#include <string>
#include <vector>

#include "plugin_host.h"

namespace oxel {

class EditorWindows {
 public:
  EditorWindows() = default;
  ~EditorWindows();
  EditorWindows(const EditorWindows&) = delete;
  EditorWindows& operator=(const EditorWindows&) = delete;
  // Opens a window for each plug-in with an editor and prints
  // "window 0xID WIDTHxHEIGHT NAME"; false with a one-line error when there is no display.
  bool open(const std::vector<PluginInstance*>& plugins, const std::vector<std::string>& names,
            std::string& error);
  // Takes the pending X events and idles every editor.
  void idle();

 private:
  struct Editor {
    PluginInstance* plugin;
    unsigned long window;
  };
  void* display_ = nullptr;
  std::vector<Editor> editors_;
};

}  // namespace oxel
