#include "audio_file.h"

#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace oxel {

namespace {

struct NamedFormat {
  const char* name;
  int format;
};

const NamedFormat kContainers[] = {
    {"wav", SF_FORMAT_WAV}, {"wave", SF_FORMAT_WAV}, {"flac", SF_FORMAT_FLAC},
    {"aiff", SF_FORMAT_AIFF}, {"aif", SF_FORMAT_AIFF}, {"caf", SF_FORMAT_CAF},
    {"w64", SF_FORMAT_W64}, {"ogg", SF_FORMAT_OGG}, {"rf64", SF_FORMAT_RF64},
};

const NamedFormat kSubtypes[] = {
    {"float", SF_FORMAT_FLOAT}, {"double", SF_FORMAT_DOUBLE}, {"pcm16", SF_FORMAT_PCM_16},
    {"pcm24", SF_FORMAT_PCM_24}, {"pcm32", SF_FORMAT_PCM_32}, {"vorbis", SF_FORMAT_VORBIS},
};

std::string lowercase(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// The temporary file being written, removed if the process is interrupted
// (Ctrl-C, kill), so that an interrupted render leaves nothing behind. One
// file at a time is written; the handler only uses async-signal-safe calls.
char gTemporaryFile[4096] = {};

void removeTemporaryAndStop(int signal) {
  if (gTemporaryFile[0] != 0) unlink(gTemporaryFile);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void watchTemporaryFile(const std::string& path) {
  static const bool installed = [] {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, removeTemporaryAndStop);
    return true;
  }();
  (void)installed;
  if (path.size() < sizeof gTemporaryFile) {
    gTemporaryFile[0] = 0;
    std::memcpy(gTemporaryFile + 1, path.c_str() + 1, path.size());
    gTemporaryFile[0] = path.empty() ? 0 : path[0];
  }
}

void forgetTemporaryFile() { gTemporaryFile[0] = 0; }

}  // namespace

std::string supportedSubtypes() {
  std::string names;
  for (const auto& s : kSubtypes) names += (names.empty() ? "" : ", ") + std::string{s.name};
  return names;
}

AudioReader::~AudioReader() {
  if (file_) sf_close(file_);
}

bool AudioReader::open(const std::string& path, std::string& error) {
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    error = "input file not found: " + path;
    return false;
  }
  if (fs::is_directory(path, ec)) {
    error = "input is a folder, not an audio file: " + path;
    return false;
  }
  info_ = SF_INFO{};
  file_ = sf_open(path.c_str(), SFM_READ, &info_);
  if (file_ == nullptr) {
    error = "cannot read " + path + ": " + sf_strerror(nullptr);
    return false;
  }
  if (info_.channels <= 0 || info_.samplerate <= 0) {
    error = "cannot read " + path + ": no audio channels or no sample rate";
    return false;
  }
  return true;
}

sf_count_t AudioReader::read(float* interleaved, sf_count_t frames) {
  return sf_readf_float(file_, interleaved, frames);
}

AudioWriter::~AudioWriter() { discard(); }

void AudioWriter::discard() {
  if (file_) {
    sf_close(file_);
    file_ = nullptr;
  }
  if (!tempPath_.empty()) {
    std::remove(tempPath_.c_str());
    tempPath_.clear();
    forgetTemporaryFile();
  }
}

bool AudioWriter::open(const std::string& path, int channels, int sampleRate,
                       const std::string& subtype, std::string& error) {
  const std::string extension = lowercase(fs::path{path}.extension().string());
  int container = 0;
  for (const auto& c : kContainers)
    if (extension == std::string{"."} + c.name) container = c.format;
  if (container == 0) {
    error = "unknown output format '" + extension +
            "': use .wav, .flac, .aiff, .caf, .w64, .rf64 or .ogg";
    return false;
  }
  int sub = 0;
  if (subtype.empty()) {
    sub = container == SF_FORMAT_FLAC ? SF_FORMAT_PCM_24
          : container == SF_FORMAT_OGG ? SF_FORMAT_VORBIS
                                       : SF_FORMAT_FLOAT;
  } else {
    for (const auto& s : kSubtypes)
      if (lowercase(subtype) == s.name) sub = s.format;
    if (sub == 0) {
      error = "unknown sample format '" + subtype + "': use one of " + supportedSubtypes();
      return false;
    }
  }
  SF_INFO info{};
  info.channels = channels;
  info.samplerate = sampleRate;
  info.format = container | sub;
  if (!sf_format_check(&info)) {
    error = "the " + extension.substr(1) + " format cannot hold " +
            (subtype.empty() ? std::string{"this audio"} : subtype + " samples") + " (" +
            std::to_string(channels) + " channels at " + std::to_string(sampleRate) + " Hz)";
    return false;
  }
  const fs::path target{path};
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path{"."};
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    error = "output folder does not exist: " + folder.string();
    return false;
  }
  tempPath_ = (folder / ("." + target.filename().string() + ".part-" +
                         std::to_string(static_cast<long>(getpid()))))
                  .string();
  watchTemporaryFile(tempPath_);
  file_ = sf_open(tempPath_.c_str(), SFM_WRITE, &info);
  if (file_ == nullptr) {
    forgetTemporaryFile();
    error = "cannot write " + path + ": " + sf_strerror(nullptr);
    tempPath_.clear();
    return false;
  }
  // Integer sample formats clip at full scale instead of wrapping around.
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  path_ = path;
  return true;
}

bool AudioWriter::write(const float* interleaved, sf_count_t frames, std::string& error) {
  if (sf_writef_float(file_, interleaved, frames) != frames) {
    error = "cannot write " + path_ + ": " + sf_strerror(file_);
    return false;
  }
  return true;
}

bool AudioWriter::commit(std::string& error) {
  if (sf_close(file_) != 0) {
    file_ = nullptr;
    error = "cannot finish " + path_;
    discard();
    return false;
  }
  file_ = nullptr;
  std::error_code ec;
  fs::rename(tempPath_, path_, ec);
  if (ec) {
    error = "cannot move the finished file to " + path_ + ": " + ec.message();
    discard();
    return false;
  }
  tempPath_.clear();
  forgetTemporaryFile();
  return true;
}

}  // namespace oxel
