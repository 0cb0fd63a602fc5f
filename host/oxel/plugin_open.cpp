#include "plugin_open.h"

#include "plugin_path.h"

namespace oxel {

std::unique_ptr<PluginInstance> openPlugin(const std::string& spec, std::string& error,
                                           float sampleRate, VstInt32 blockSize) {
  const std::string path = resolvePluginPath(spec, error);
  if (path.empty()) return nullptr;
  auto library = PluginLibrary::load(path, error);
  if (!library) return nullptr;
  return PluginInstance::create(library, error, sampleRate, blockSize);
}

}  // namespace oxel
