#include "Lv2Instance.h"

#include <cmath>
#include <cstring>

std::unique_ptr<Lv2Instance> Lv2Instance::create(std::unique_ptr<AudioEffect> processor,
                                                 uint32_t numInputs, uint32_t numOutputs,
                                                 std::vector<lv2port::ControlPort> controls,
                                                 double sampleRate) {
  if (!processor || numInputs > kMaxPins || numOutputs > kMaxPins) return nullptr;
  std::unique_ptr<Lv2Instance> instance{new Lv2Instance};
  instance->processor_ = std::move(processor);
  instance->numInputs_ = numInputs;
  instance->numOutputs_ = numOutputs;
  for (lv2port::ControlPort& port : controls) {
    Control control;
    control.range = lv2port::PortRange{port};
    instance->controls_.push_back(control);
  }
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
    if (port < controls_.size()) controls_[port].value = static_cast<const float*>(data);
    return;
  }
  audioConnected_ = true;
  for (uint32_t i = 0; i < numInputs_; ++i) audioConnected_ = audioConnected_ && inputs_[i];
  for (uint32_t i = 0; i < numOutputs_; ++i) audioConnected_ = audioConnected_ && outputs_[i];
}

void Lv2Instance::activate() { processor_->resume(); }

void Lv2Instance::applyControls() {
  for (Control& control : controls_) {
    if (control.value == nullptr) continue;
    const float value = *control.value;
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    if (control.seen && bits == control.lastBits) continue;
    control.seen = true;
    control.lastBits = bits;
    // A NaN or infinite port value would poison the glide: keep the last good one.
    if (!std::isfinite(value)) continue;
    processor_->setParameter(control.range.parameter, control.range.normalised(value));
  }
}

void Lv2Instance::run(uint32_t frames) {
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
