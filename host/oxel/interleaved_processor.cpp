#include "interleaved_processor.h"

namespace oxel {

InterleavedProcessor::InterleavedProcessor(PluginInstance& plugin, int maxBlock)
    : plugin_{plugin},
      inputs_(plugin.numInputs(), std::vector<float>(maxBlock)),
      outputs_(plugin.numOutputs(), std::vector<float>(maxBlock)) {
  for (auto& channel : inputs_) inputPointers_.push_back(channel.data());
  for (auto& channel : outputs_) outputPointers_.push_back(channel.data());
}

void InterleavedProcessor::process(const float* in, float* out, int frames) {
  const size_t numIn = inputs_.size(), numOut = outputs_.size();
  for (int f = 0; f < frames; ++f)
    for (size_t c = 0; c < numIn; ++c) inputs_[c][f] = in[f * numIn + c];
  plugin_.processReplacing(inputPointers_.data(), outputPointers_.data(), frames);
  for (int f = 0; f < frames; ++f)
    for (size_t c = 0; c < numOut; ++c) out[f * numOut + c] = outputs_[c][f];
}

}  // namespace oxel
