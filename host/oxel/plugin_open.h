// Resolves a plug-in name or path and builds instances of it, for the commands.
#pragma once

#include <memory>
#include <string>

#include "plugin_host.h"

namespace oxel {

// A .so (by path, folder or name) or an LV2 plug-in (by URI or bundle folder).
// Null with a message in error when the plug-in cannot be found or loaded.
std::shared_ptr<PluginLibrary> openPluginLibrary(const std::string& pluginArg, std::string& error);

// Null with a message in error when the plug-in cannot be found, loaded or started.
std::unique_ptr<PluginInstance> openPlugin(const std::string& pluginArg, std::string& error,
                                           float sampleRate = 44100.0f,
                                           VstInt32 blockSize = 1024);

// The name the plug-in gives itself, else its product name, else the stem of
// its file's name (path): what oxel shows the user as the plug-in's name.
std::string pluginName(PluginInstance& plugin, const std::string& path);

}  // namespace oxel
