// Where the build puts each plug-in: <build>/vst/Name/Name.so, in the folder
// that holds every plug-in folder.
#pragma once

#include <string>

inline std::string builtPluginsFolder() { return OXEL_PLUGIN_DIR; }

inline std::string builtPluginPath(const std::string& name) {
  return builtPluginsFolder() + "/" + name + "/" + name + ".so";
}
