// Reading and writing audio files through libsndfile, in blocks, with
// one-line error messages. Output goes to a temporary file beside the target
// and is renamed into place only when complete, so a failed or interrupted
// (SIGINT, SIGTERM, SIGHUP) run leaves nothing.
#pragma once

#include <sndfile.h>

#include <string>
#include <vector>

namespace oxel {

class AudioReader {
 public:
  ~AudioReader();
  // Opens path; false with a message in error.
  bool open(const std::string& path, std::string& error);
  int channels() const { return info_.channels; }
  int sampleRate() const { return info_.samplerate; }
  sf_count_t frames() const { return info_.frames; }
  int format() const { return info_.format; }
  // Reads up to `frames` interleaved frames; returns the count read (0 at the end, -1 on error).
  sf_count_t read(float* interleaved, sf_count_t frames);

 private:
  SNDFILE* file_ = nullptr;
  SF_INFO info_{};
};

class AudioWriter {
 public:
  ~AudioWriter();  // an unfinished file is removed
  // Chooses the container from the extension of path (wav, flac, aiff/aif,
  // caf, w64, ogg); subtype "" picks 32-bit float where the container allows it.
  bool open(const std::string& path, int channels, int sampleRate, const std::string& subtype,
            std::string& error);
  bool write(const float* interleaved, sf_count_t frames, std::string& error);
  // Closes and moves the temporary file into place.
  bool commit(std::string& error);

 private:
  void discard();
  SNDFILE* file_ = nullptr;
  std::string path_;
  std::string tempPath_;
};

// Names of the supported subtypes, for --help and error messages.
std::string supportedSubtypes();

}  // namespace oxel
