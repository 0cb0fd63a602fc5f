// Where the build puts each plug-in: <build>/vst/Name/Name.so.
#pragma once

#include <string>

inline std::string builtPluginPath(const std::string& name) {
  return std::string{OXEL_PLUGIN_DIR} + "/" + name + "/" + name + ".so";
}
