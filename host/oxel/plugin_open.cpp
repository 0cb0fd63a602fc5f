#include "plugin_open.h"

#include <filesystem>

#include "lv2_library.h"
#include "plugin_path.h"

namespace oxel {

std::shared_ptr<PluginLibrary> openPluginLibrary(const std::string& pluginArg, std::string& error) {
  if (namesLv2Plugin(pluginArg)) return openLv2Library(pluginArg, error);
  const std::string path = resolvePluginPath(pluginArg, error);
  if (path.empty()) return nullptr;
  return PluginLibrary::load(path, error);
}

std::unique_ptr<PluginInstance> openPlugin(const std::string& pluginArg, std::string& error,
                                           float sampleRate, VstInt32 blockSize) {
  auto library = openPluginLibrary(pluginArg, error);
  if (!library) return nullptr;
  return PluginInstance::create(library, error, sampleRate, blockSize);
}

std::string pluginName(PluginInstance& plugin, const std::string& path) {
  if (const std::string name = plugin.effectName(); !name.empty()) return name;
  if (const std::string product = plugin.productString(); !product.empty()) return product;
  return std::filesystem::path{path}.stem().string();
}

}  // namespace oxel
