#include "interleaved_processor.h"

namespace oxel {

namespace {

// Channel counts known at compile time let the compiler unroll and vectorise
// the shuffles; other counts take the general loop.
template <int kChannels>
void split(const float* in, float* const* out, int frames) {
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < kChannels; ++c) out[c][f] = in[f * kChannels + c];
}

template <int kChannels>
void join(float* const* in, float* out, int frames) {
  for (int f = 0; f < frames; ++f)
    for (int c = 0; c < kChannels; ++c) out[f * kChannels + c] = in[c][f];
}

void splitAny(const float* in, float* const* out, int channels, int frames) {
  switch (channels) {
    case 2: return split<2>(in, out, frames);
    case 4: return split<4>(in, out, frames);
    default:
      for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) out[c][f] = in[f * channels + c];
  }
}

void joinAny(float* const* in, float* out, int channels, int frames) {
  switch (channels) {
    case 2: return join<2>(in, out, frames);
    case 4: return join<4>(in, out, frames);
    default:
      for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) out[f * channels + c] = in[c][f];
  }
}

}  // namespace

InterleavedProcessor::InterleavedProcessor(PluginInstance& plugin, int maxBlock)
    : plugin_{plugin},
      inputs_(plugin.numInputs(), std::vector<float>(maxBlock)),
      outputs_(plugin.numOutputs(), std::vector<float>(maxBlock)) {
  for (auto& channel : inputs_) inputPointers_.push_back(channel.data());
  for (auto& channel : outputs_) outputPointers_.push_back(channel.data());
}

void InterleavedProcessor::process(const float* in, float* out, int frames) {
  splitAny(in, inputPointers_.data(), static_cast<int>(inputs_.size()), frames);
  plugin_.processReplacing(inputPointers_.data(), outputPointers_.data(), frames);
  joinAny(outputPointers_.data(), out, static_cast<int>(outputs_.size()), frames);
}

}  // namespace oxel
