// Reading and writing audio files through libsndfile, in blocks, with
// one-line error messages. Output goes to a temporary file beside the target
// and is renamed into place only when complete, so a failed or interrupted
// (SIGINT, SIGTERM, SIGHUP) run leaves nothing. "-" reads standard input;
// StreamWriter writes standard output (WAV, RF64 or raw 32-bit float).
#pragma once

#include <sndfile.h>

#include <string>
#include <vector>

namespace oxel {

class AudioReader {
 public:
  ~AudioReader();
  // Opens path ("-": standard input); false with a message in error.
  bool open(const std::string& path, std::string& error);
  int channels() const { return info_.channels; }
  int sampleRate() const { return info_.samplerate; }
  // The frames the file holds; 0 when not known ahead (a pipe).
  sf_count_t frames() const { return lengthKnown() ? info_.frames : 0; }
  bool lengthKnown() const { return info_.seekable != 0; }
  int format() const { return info_.format; }
  // Reads up to `frames` interleaved frames; returns the count read (0 at the end, -1 on error).
  sf_count_t read(float* interleaved, sf_count_t frames);
  // Empty, or what is wrong with the file's length: a header that announces
  // more audio than the file holds, or no audio at all. Call after reading
  // `framesRead` frames to the end.
  std::string lengthProblem(sf_count_t framesRead) const;

 private:
  SNDFILE* file_ = nullptr;
  SF_INFO info_{};
  std::string path_;
  sf_count_t announcedBytes_ = -1, presentBytes_ = -1;  // from the library's log of a short file
};

// Where rendered frames go.
class AudioSink {
 public:
  virtual ~AudioSink() = default;
  virtual bool write(const float* interleaved, sf_count_t frames, std::string& error) = 0;
  // Finishes the output; false with a message when that fails.
  virtual bool commit(std::string& error) = 0;
  // Whether samples beyond full scale are cut off (integer and lossy formats).
  virtual bool clipsAtFullScale() const = 0;
};

class AudioWriter : public AudioSink {
 public:
  ~AudioWriter() override;  // an unfinished file is removed
  // Chooses the container from the extension of path (wav, flac, aiff/aif,
  // caf, w64, ogg); subtype "" picks 32-bit float where the container allows it.
  // A WAV file of more than two channels is written extensible with no
  // speaker positions (B-format channels are not speakers).
  bool open(const std::string& path, int channels, int sampleRate, const std::string& subtype,
            std::string& error);
  bool write(const float* interleaved, sf_count_t frames, std::string& error) override;
  // Closes and moves the temporary file into place.
  bool commit(std::string& error) override;
  bool clipsAtFullScale() const override { return clips_; }

 private:
  void discard();
  SNDFILE* file_ = nullptr;
  std::string path_;
  std::string tempPath_;
  bool clips_ = false;
  bool extensibleWave_ = false;
};

// 32-bit float frames on a file descriptor that need not seek (standard
// output): a WAV file, RF64 when the data passes 4 GiB, or raw samples.
// With the frame count known the header is exact; otherwise it holds the
// streaming sizes 0xFFFFFFFF, which readers take as "until the end".
class StreamWriter : public AudioSink {
 public:
  enum class Format { Wav, Raw };
  // frames: the count that will be written, or -1 when not known.
  bool open(int fd, Format format, int channels, int sampleRate, sf_count_t frames,
            std::string& error);
  bool write(const float* interleaved, sf_count_t frames, std::string& error) override;
  // Fixes the header when the count differed and the descriptor can seek.
  bool commit(std::string& error) override;
  bool clipsAtFullScale() const override { return false; }

 private:
  bool writeAll(const void* bytes, size_t size, std::string& error);
  std::string header(sf_count_t frames) const;
  int fd_ = -1;
  Format format_ = Format::Wav;
  int channels_ = 0, sampleRate_ = 0;
  sf_count_t announced_ = -1, written_ = 0;
  size_t headerSize_ = 0;
};

// Empty when OUT can be written; otherwise why not (a folder, a missing or
// unwritable folder), checked before any work is done.
std::string outputPathProblem(const std::string& path);

// Removes temporary files that renders on this machine left in `folder` when
// they were killed (their process no longer exists). Returns how many.
int removeStaleTemporaryFiles(const std::string& folder);

// A progress line is open on the terminal: an interruption ends it with a
// newline before the process stops.
void setProgressLineOpen(bool open);

// Names of the supported subtypes, for --help and error messages.
std::string supportedSubtypes();

}  // namespace oxel
