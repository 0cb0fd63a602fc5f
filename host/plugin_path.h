// Finds a plug-in's .so from what a user types: a path to the .so, a plug-in
// folder (Name/Name.so), or a bare name looked up in $VST_PATH (colon-separated),
// ~/.vst, /usr/local/lib/vst, /usr/lib/vst and the vst/ or lib/vst/ folder
// beside the running program's bin/, in that order.
#pragma once

#include <string>
#include <vector>

namespace oxel {

std::vector<std::string> pluginSearchDirectories();

// The resolved path, or an empty string with a one-line reason in error.
std::string resolvePluginPath(const std::string& pluginArg, std::string& error);

}  // namespace oxel
