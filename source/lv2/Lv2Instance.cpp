#include "Lv2Instance.h"

#include <cmath>
#include <cstring>

namespace {
// A quiet NaN: never a value to apply, so a port that holds these very bits
// may look unchanged without harm.
constexpr uint32_t kNotSeen = 0x7FC0'5EEDu;
constexpr VstInt32 kTrackedParameters = 4;  // Tavrel's three angles and its order
}  // namespace

std::unique_ptr<Lv2Instance> Lv2Instance::create(std::unique_ptr<AudioEffect> processor,
                                                 uint32_t numInputs, uint32_t numOutputs,
                                                 std::vector<lv2port::ControlPort> controls,
                                                 double sampleRate, bool headTracking) {
  if (!processor || numInputs > kMaxPins || numOutputs > kMaxPins || controls.size() > kMaxControls)
    return nullptr;
  std::unique_ptr<Lv2Instance> instance{new Lv2Instance};
  instance->processor_ = std::move(processor);
  instance->numInputs_ = numInputs;
  instance->numOutputs_ = numOutputs;
  instance->numControls_ = static_cast<uint32_t>(controls.size());
  std::memcpy(&instance->unconnected_, &kNotSeen, sizeof kNotSeen);
  for (uint32_t i = 0; i < instance->numControls_; ++i) {
    instance->ranges_[i] = lv2port::PortRange{controls[i]};
    instance->controlValues_[i] = &instance->unconnected_;
    instance->lastBits_[i] = kNotSeen;
  }
  if (headTracking) instance->tracking_ = std::make_unique<lv2port::Lv2HeadTracking>();
  instance->processor_->setSampleRate(static_cast<float>(sampleRate));
  return instance;
}

void Lv2Instance::connect(uint32_t port, void* data) {
  if (port < numInputs_) {
    inputs_[port] = static_cast<float*>(data);
  } else if (port - numInputs_ < numOutputs_) {
    outputs_[port - numInputs_] = static_cast<float*>(data);
  } else {
    port -= numInputs_ + numOutputs_;
    if (port < numControls_)
      controlValues_[port] = data ? static_cast<const float*>(data) : &unconnected_;
    else if (tracking_)
      tracking_->connect(port - numControls_, data);
    return;
  }
  audioConnected_ = true;
  for (uint32_t i = 0; i < numInputs_; ++i) audioConnected_ = audioConnected_ && inputs_[i];
  for (uint32_t i = 0; i < numOutputs_; ++i) audioConnected_ = audioConnected_ && outputs_[i];
}

void Lv2Instance::activate() {
  processor_->resume();
  if (tracking_) tracking_->activate();
}

void Lv2Instance::deactivate() {
  if (tracking_) tracking_->deactivate();
}

void Lv2Instance::followTracker() {
  oxel::FieldRotationSettings settings{};
  bool changed = false;
  const bool drives = tracking_->run(settings, changed);
  if (drives && changed) {
    processor_->setParameter(0, settings.angle1);
    processor_->setParameter(1, settings.angle2);
    processor_->setParameter(2, settings.angle3);
    processor_->setParameter(3, settings.order);
  }
  if (trackerDrives_ && !drives) {
    // Tracking off: the ports rule again, from this block on.
    for (uint32_t i = 0; i < numControls_; ++i)
      if (ranges_[i].parameter < kTrackedParameters) lastBits_[i] = kNotSeen;
  }
  trackerDrives_ = drives;
}

void Lv2Instance::applyControls() {
  for (uint32_t i = 0; i < numControls_; ++i) {
    if (trackerDrives_ && ranges_[i].parameter < kTrackedParameters) continue;
    const float value = *controlValues_[i];
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    if (bits == lastBits_[i]) continue;
    lastBits_[i] = bits;
    // A NaN or infinite port value would poison the glide: keep the last good one.
    if (!std::isfinite(value)) continue;
    processor_->setParameter(ranges_[i].parameter, ranges_[i].normalised(value));
  }
}

void Lv2Instance::run(uint32_t frames) {
  if (tracking_) followTracker();
  applyControls();
  if (!audioConnected_) return;
  constexpr uint32_t kMaxChunk = 1u << 30;
  if (frames <= kMaxChunk) {
    processor_->processReplacing(inputs_, outputs_, static_cast<VstInt32>(frames));
    return;
  }
  // Hosts may run huge blocks; the processor counts frames in 32 bits.
  for (uint32_t done = 0; done < frames;) {
    const uint32_t chunk = frames - done < kMaxChunk ? frames - done : kMaxChunk;
    float* inputs[kMaxPins];
    float* outputs[kMaxPins];
    for (uint32_t i = 0; i < numInputs_; ++i) inputs[i] = inputs_[i] + done;
    for (uint32_t i = 0; i < numOutputs_; ++i) outputs[i] = outputs_[i] + done;
    processor_->processReplacing(inputs, outputs, static_cast<VstInt32>(chunk));
    done += chunk;
  }
}
