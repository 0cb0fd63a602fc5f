#include "live_chain.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace oxel {

namespace {

constexpr int kMaxChannels = 8;

}  // namespace

LiveChain::LiveChain(std::vector<std::unique_ptr<PluginInstance>> plugins,
                     headtrack::HeadTracker* tracker, int trackedPlugin)
    : plugins_{std::move(plugins)},
      tracker_{tracker},
      scratch_(static_cast<size_t>(2 * kMaxChannels * kChunk), 0.0f) {
  if (trackedPlugin >= 0) {
    tracked_ = plugins_[static_cast<size_t>(trackedPlugin)].get();
    const char* names[4] = {"Angle1", "Angle2", "Angle3", "Order of Processing"};
    for (int k = 0; k < 4; ++k) trackedIndex_[k] = tracked_->findParameter(names[k]);
  }
}

void LiveChain::process(const float* const* in, float* const* out, int frames) {
  const int numOut = outputs();
  // Paired with reconfigure(): either it sees this block running, or this
  // block sees the pause.
  processing_.store(true, std::memory_order_seq_cst);
  if (paused_.load(std::memory_order_seq_cst)) {
    processing_.store(false, std::memory_order_release);
    for (int c = 0; c < numOut; ++c)
      std::memset(out[c], 0, sizeof(float) * static_cast<size_t>(frames));
    return;
  }
  headtrack::HeadOrientation head;
  if (tracked_ != nullptr && tracker_ != nullptr && tracker_->latest(head)) {
    const FieldRotationSettings s = fieldRotationFor(head.angles, TrajectoryMode::Head);
    const float values[4] = {s.angle1, s.angle2, s.angle3, s.order};
    for (int k = 0; k < 4; ++k) tracked_->setParameter(trackedIndex_[k], values[k]);
    yaw_.store(head.angles.yaw, std::memory_order_relaxed);
    pitch_.store(head.angles.pitch, std::memory_order_relaxed);
    roll_.store(head.angles.roll, std::memory_order_relaxed);
    updates_.fetch_add(1, std::memory_order_relaxed);
  }
  float* scratch[2][kMaxChannels];
  for (int b = 0; b < 2; ++b)
    for (int c = 0; c < kMaxChannels; ++c)
      scratch[b][c] = scratch_.data() + static_cast<size_t>((b * kMaxChannels + c) * kChunk);
  const size_t last = plugins_.size() - 1;
  for (int done = 0; done < frames; done += kChunk) {
    const int n = std::min(kChunk, frames - done);
    float* stageIn[kMaxChannels];
    float* stageOut[kMaxChannels];
    for (int c = 0; c < inputs(); ++c) stageIn[c] = const_cast<float*>(in[c]) + done;
    for (size_t k = 0; k <= last; ++k) {
      PluginInstance& p = *plugins_[k];
      for (int c = 0; c < p.numOutputs(); ++c)
        stageOut[c] = k == last ? out[c] + done : scratch[k % 2][c];
      p.processReplacing(stageIn, stageOut, n);
      for (int c = 0; c < p.numOutputs(); ++c) stageIn[c] = stageOut[c];
    }
  }
  processing_.store(false, std::memory_order_release);
}

void LiveChain::reconfigure(float sampleRate, int blockSize) {
  paused_.store(true, std::memory_order_seq_cst);
  while (processing_.load(std::memory_order_seq_cst)) std::this_thread::yield();
  for (auto& p : plugins_) {
    p->suspend();
    p->dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    p->dispatch(effSetBlockSize, 0, std::min(blockSize, kChunk));
    p->resume();
  }
  paused_.store(false, std::memory_order_seq_cst);
}

}  // namespace oxel
