#include "frame_source.h"

#include <algorithm>

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
  framesRead_ += done;
  return done;
}

sf_count_t FirstChannelsSource::read(float* interleaved, sf_count_t frames, std::string& error) {
  const size_t all = static_cast<size_t>(input_.channels());
  all_.resize(static_cast<size_t>(frames) * all);
  const sf_count_t got = input_.read(all_.data(), frames, error);
  for (sf_count_t f = 0; f < got; ++f)
    for (int c = 0; c < channels_; ++c)
      interleaved[f * channels_ + c] = all_[static_cast<size_t>(f) * all + static_cast<size_t>(c)];
  return got;
}

namespace {
// round(frames x to / from), in integers: exact for any length.
sf_count_t scaledLength(sf_count_t frames, int from, int to) {
  const __int128 scaled = static_cast<__int128>(frames) * to + from / 2;
  return static_cast<sf_count_t>(scaled / from);
}
}  // namespace

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
  return scaledLength(input_.expectedFrames(), input_.sampleRate(), rate_);
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
      inputFrames_ += got;
      if (got < kResamplerChunk) inputEnded_ = true;
    }
    // Once the input's length is known, so is the output's.
    const sf_count_t total = inputEnded_ ? scaledLength(inputFrames_, input_.sampleRate(), rate_)
                                         : static_cast<sf_count_t>(-1);
    SRC_DATA data{};
    data.data_in = pending_.data() + pendingStart_ * channels;
    data.input_frames = static_cast<long>(pendingFrames_);
    data.data_out = interleaved + done * channels;
    data.output_frames = static_cast<long>(total >= 0 ? std::min(frames - done, total - produced_)
                                                      : frames - done);
    data.end_of_input = inputEnded_ ? 1 : 0;
    data.src_ratio = ratio_;
    if (const int status = src_process(state_, &data); status != 0) {
      error = std::string{"resampling failed: "} + src_strerror(status);
      return -1;
    }
    pendingStart_ += static_cast<size_t>(data.input_frames_used);
    pendingFrames_ -= static_cast<size_t>(data.input_frames_used);
    done += data.output_frames_gen;
    produced_ += data.output_frames_gen;
    if (total >= 0 && produced_ >= total) {
      finished_ = true;
    } else if (inputEnded_ && pendingFrames_ == 0 && data.output_frames_gen == 0) {
      // The converter has nothing more: silence up to the exact length.
      const sf_count_t pad = std::min(frames - done, total - produced_);
      std::fill(interleaved + done * channels, interleaved + (done + pad) * channels, 0.0f);
      done += pad;
      produced_ += pad;
      finished_ = produced_ >= total;
    }
  }
  return done;
}

}  // namespace oxel
