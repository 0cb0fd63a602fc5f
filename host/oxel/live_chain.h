// A chain of plug-ins run block by block on the audio thread: buffers are
// made up front, the tracker's newest orientation is read once per block and
// sent to the chain's last Tavrel as a host sends automation, and a change of
// rate or block size suspends the chain, sets it and resumes it.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "head_tracker.h"
#include "plugin_host.h"

namespace oxel {

class LiveChain {
 public:
  // Frames the chain runs at once; JACK blocks larger than this are split.
  static constexpr int kChunk = 1024;

  LiveChain(std::vector<std::unique_ptr<PluginInstance>> plugins, headtrack::HeadTracker* tracker,
            int trackedPlugin);
  int inputs() const { return plugins_.front()->numInputs(); }
  int outputs() const { return plugins_.back()->numOutputs(); }
  PluginInstance& plugin(size_t k) { return *plugins_[k]; }
  size_t size() const { return plugins_.size(); }

  // The audio thread: no allocation, lock or I/O. Outputs silence while the
  // chain is being reconfigured.
  void process(const float* const* in, float* const* out, int frames);
  // Any other thread: suspend, new rate and block size, resume.
  void reconfigure(float sampleRate, int blockSize);

  // Orientation messages taken so far, and the angles of the last one.
  uint64_t trackerUpdates() const { return updates_.load(std::memory_order_relaxed); }
  YawPitchRoll lastAngles() const {
    return {yaw_.load(std::memory_order_relaxed), pitch_.load(std::memory_order_relaxed),
            roll_.load(std::memory_order_relaxed)};
  }

 private:
  std::vector<std::unique_ptr<PluginInstance>> plugins_;
  headtrack::HeadTracker* tracker_;
  PluginInstance* tracked_ = nullptr;
  VstInt32 trackedIndex_[4] = {};
  // Two scratch buffers of 4 channels x kChunk frames, alternated between stages.
  std::vector<float> scratch_;
  std::atomic<bool> paused_{false}, processing_{false};
  std::atomic<uint64_t> updates_{0};
  std::atomic<double> yaw_{0.0}, pitch_{0.0}, roll_{0.0};
};

}  // namespace oxel
