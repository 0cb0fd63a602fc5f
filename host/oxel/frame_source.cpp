#include "frame_source.h"

namespace oxel {

namespace {
constexpr sf_count_t kResamplerChunk = 4096;
}

sf_count_t FileSource::read(float* interleaved, sf_count_t frames, std::string& error) {
  sf_count_t done = 0;
  while (done < frames) {
    const sf_count_t got = reader_.read(interleaved + done * channels(), frames - done);
    if (got < 0) {
      error = "read error";
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

ResamplingSource::ResamplingSource(FrameSource& input, int rate)
    : input_{input}, rate_{rate}, ratio_{static_cast<double>(rate) / input.sampleRate()} {}

ResamplingSource::~ResamplingSource() {
  if (state_) src_delete(state_);
}

bool ResamplingSource::start(std::string& error) {
  int status = 0;
  state_ = src_new(SRC_SINC_BEST_QUALITY, input_.channels(), &status);
  if (state_ == nullptr) {
    error = std::string{"cannot start the resampler: "} + src_strerror(status);
    return false;
  }
  if (!src_is_valid_ratio(ratio_)) {
    error = "cannot resample from " + std::to_string(input_.sampleRate()) + " to " +
            std::to_string(rate_) + " Hz (ratio too large)";
    return false;
  }
  pending_.resize(static_cast<size_t>(kResamplerChunk) * input_.channels());
  return true;
}

sf_count_t ResamplingSource::expectedFrames() const {
  return static_cast<sf_count_t>(static_cast<double>(input_.expectedFrames()) * ratio_ + 0.5);
}

sf_count_t ResamplingSource::read(float* interleaved, sf_count_t frames, std::string& error) {
  const size_t channels = static_cast<size_t>(input_.channels());
  sf_count_t done = 0;
  while (done < frames && !finished_) {
    if (pendingFrames_ == 0 && !inputEnded_) {
      const sf_count_t got = input_.read(pending_.data(), kResamplerChunk, error);
      if (got < 0) return -1;
      pendingStart_ = 0;
      pendingFrames_ = static_cast<size_t>(got);
      if (got < kResamplerChunk) inputEnded_ = true;
    }
    SRC_DATA data{};
    data.data_in = pending_.data() + pendingStart_ * channels;
    data.input_frames = static_cast<long>(pendingFrames_);
    data.data_out = interleaved + done * channels;
    data.output_frames = static_cast<long>(frames - done);
    data.end_of_input = inputEnded_ ? 1 : 0;
    data.src_ratio = ratio_;
    if (const int status = src_process(state_, &data); status != 0) {
      error = std::string{"resampling failed: "} + src_strerror(status);
      return -1;
    }
    pendingStart_ += static_cast<size_t>(data.input_frames_used);
    pendingFrames_ -= static_cast<size_t>(data.input_frames_used);
    done += data.output_frames_gen;
    if (inputEnded_ && pendingFrames_ == 0 && data.output_frames_gen == 0) finished_ = true;
  }
  return done;
}

}  // namespace oxel
