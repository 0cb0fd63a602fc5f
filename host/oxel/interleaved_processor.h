// Runs a plug-in on interleaved frames (as files store them) by splitting them
// into the per-channel buffers the plug-in takes, block by block. All buffers
// are allocated once, for the largest block.
#pragma once

#include <vector>

#include "plugin_host.h"

namespace oxel {

class InterleavedProcessor {
 public:
  InterleavedProcessor(PluginInstance& plugin, int maxBlock);
  // frames ≤ maxBlock; in holds frames × inputs samples, out receives frames × outputs.
  void process(const float* in, float* out, int frames);

 private:
  PluginInstance& plugin_;
  std::vector<std::vector<float>> inputs_, outputs_;
  std::vector<float*> inputPointers_, outputPointers_;
};

}  // namespace oxel
