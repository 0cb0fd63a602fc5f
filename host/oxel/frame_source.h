// Where rendering takes its interleaved frames from: a file, its first
// channels (the first-order part of a higher-order file), or either resampled
// on the fly (libsamplerate, best sinc quality) to another rate. All stream in
// bounded buffers, whatever the length of the file.
#pragma once

#include <samplerate.h>

#include <string>
#include <vector>

#include "audio_file.h"

namespace oxel {

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  virtual int channels() const = 0;
  virtual int sampleRate() const = 0;
  virtual sf_count_t expectedFrames() const = 0;  // for progress; 0 when not known
  // Fills up to `frames` frames; fewer only at the end. -1 with a message on error.
  virtual sf_count_t read(float* interleaved, sf_count_t frames, std::string& error) = 0;
};

class FileSource : public FrameSource {
 public:
  explicit FileSource(AudioReader& reader) : reader_{reader} {}
  int channels() const override { return reader_.channels(); }
  int sampleRate() const override { return reader_.sampleRate(); }
  sf_count_t expectedFrames() const override { return reader_.frames(); }
  sf_count_t read(float* interleaved, sf_count_t frames, std::string& error) override;
  sf_count_t framesRead() const { return framesRead_; }

 private:
  AudioReader& reader_;
  sf_count_t framesRead_ = 0;
};

// The first `channels` channels of another source.
class FirstChannelsSource : public FrameSource {
 public:
  FirstChannelsSource(FrameSource& input, int channels) : input_{input}, channels_{channels} {}
  int channels() const override { return channels_; }
  int sampleRate() const override { return input_.sampleRate(); }
  sf_count_t expectedFrames() const override { return input_.expectedFrames(); }
  sf_count_t read(float* interleaved, sf_count_t frames, std::string& error) override;

 private:
  FrameSource& input_;
  int channels_;
  std::vector<float> all_;
};

// The output holds exactly round(input frames x rate / input rate) frames:
// the resampler's own end is cut or padded with silence to that count.
class ResamplingSource : public FrameSource {
 public:
  ResamplingSource(FrameSource& input, int rate);
  ~ResamplingSource() override;
  ResamplingSource(const ResamplingSource&) = delete;
  ResamplingSource& operator=(const ResamplingSource&) = delete;
  // False with a message when the converter cannot start.
  bool start(std::string& error);
  int channels() const override { return input_.channels(); }
  int sampleRate() const override { return rate_; }
  sf_count_t expectedFrames() const override;
  sf_count_t read(float* interleaved, sf_count_t frames, std::string& error) override;

 private:
  FrameSource& input_;
  int rate_;
  double ratio_;
  SRC_STATE* state_ = nullptr;
  std::vector<float> pending_;  // input frames not yet consumed
  size_t pendingStart_ = 0, pendingFrames_ = 0;
  bool inputEnded_ = false, finished_ = false;
  sf_count_t inputFrames_ = 0, produced_ = 0;
};

}  // namespace oxel
