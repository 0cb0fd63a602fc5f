#include "audio_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace oxel {

namespace {

// The library gives a four-channel extensible WAV file the speaker mask of a
// quad layout; a B-format file has no speaker positions, so the mask in the
// format chunk is set to 0. False when the file has no such chunk or cannot
// be rewritten.
bool clearSpeakerPositions(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "r+b");
  if (!file) return false;
  auto readLE = [](const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
  };
  bool done = false;
  unsigned char riff[12];
  if (std::fread(riff, 1, sizeof riff, file) == sizeof riff && std::memcmp(riff, "RIFF", 4) == 0 &&
      std::memcmp(riff + 8, "WAVE", 4) == 0) {
    long at = 12;
    unsigned char chunk[8];
    // The format chunk comes first in the library's files; a few chunks are looked at.
    for (int n = 0;
         n < 8 && std::fseek(file, at, SEEK_SET) == 0 && std::fread(chunk, 1, 8, file) == 8; ++n) {
      const uint32_t size = readLE(chunk + 4, 4);
      if (std::memcmp(chunk, "fmt ", 4) == 0) {
        unsigned char fmt[40];
        if (size >= 40 && std::fread(fmt, 1, sizeof fmt, file) == sizeof fmt &&
            readLE(fmt, 2) == 0xFFFE) {
          const unsigned char none[4] = {0, 0, 0, 0};
          done = std::fseek(file, at + 8 + 20, SEEK_SET) == 0 && std::fwrite(none, 1, 4, file) == 4;
        }
        break;
      }
      at += 8 + static_cast<long>(size) + (size & 1);
    }
  }
  return std::fclose(file) == 0 && done;
}

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
volatile std::sig_atomic_t gProgressLineOpen = 0;

void removeTemporaryAndStop(int signal) {
  if (gTemporaryFile[0] != 0) unlink(gTemporaryFile);
  if (gProgressLineOpen) {
    const ssize_t ignored = ::write(STDERR_FILENO, "\n", 1);
    (void)ignored;
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void installSignalHandlers() {
  static const bool installed = [] {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, removeTemporaryAndStop);
    return true;
  }();
  (void)installed;
}

void watchTemporaryFile(const std::string& path) {
  installSignalHandlers();
  if (path.size() < sizeof gTemporaryFile) {
    gTemporaryFile[0] = 0;
    std::memcpy(gTemporaryFile + 1, path.c_str() + 1, path.size());
    gTemporaryFile[0] = path.empty() ? 0 : path[0];
  }
}

void forgetTemporaryFile() { gTemporaryFile[0] = 0; }

std::string hostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == 0) return "host";
  std::string text = name;
  for (char& c : text)
    if (c == '/' || c == '-') c = '_';
  return text;
}

// ".NAME.part-HOST-PID": the host in the name keeps a render on another
// machine writing into a shared folder from being taken for a dead one here.
std::string temporaryName(const std::string& fileName) {
  return "." + fileName + ".part-" + hostName() + "-" + std::to_string(static_cast<long>(getpid()));
}

// The first bytes of a little-endian header field.
void putLE(std::string& bytes, uint64_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}
void putTag(std::string& bytes, const char* tag) { bytes.append(tag, 4); }

}  // namespace

void setProgressLineOpen(bool open) {
  installSignalHandlers();
  gProgressLineOpen = open ? 1 : 0;
}

namespace {
// Creates and removes a probe file: permission bits do not bind root, but a
// read-only mount or a system folder still refuses it. errno says why not.
bool canCreateFileIn(const fs::path& folder) {
  std::string probe = (folder / ".oxel-probe-XXXXXX").string();
  const int fd = mkstemp(probe.data());
  if (fd < 0) return false;
  close(fd);
  unlink(probe.c_str());
  return true;
}
}  // namespace

std::string outputPathProblem(const std::string& path) {
  const fs::path target{path};
  std::error_code ec;
  if (fs::is_directory(target, ec)) return "OUT is a folder, not a file name: " + path;
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path{"."};
  if (!fs::exists(folder, ec)) return "output folder does not exist: " + folder.string();
  if (!fs::is_directory(folder, ec)) return "output folder is not a folder: " + folder.string();
  if (access(folder.c_str(), W_OK | X_OK) != 0 || !canCreateFileIn(folder))
    return "cannot write into the output folder " + folder.string() + ": " + std::strerror(errno);
  if (fs::exists(target, ec) && access(target.c_str(), W_OK) != 0 &&
      access(folder.c_str(), W_OK) != 0)
    return "cannot replace " + path + ": " + std::strerror(errno);
  return {};
}

int removeStaleTemporaryFiles(const std::string& folder) {
  const std::string mine = ".part-" + hostName() + "-";
  int removed = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder.empty() ? "." : folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.empty() || name[0] != '.') continue;
    // This machine's temporaries, and the older ".part-PID" without a host.
    size_t at = name.rfind(mine);
    size_t digits = at == std::string::npos ? std::string::npos : at + mine.size();
    if (at == std::string::npos) {
      at = name.rfind(".part-");
      digits = at == std::string::npos ? std::string::npos : at + 6;
    }
    if (digits == std::string::npos || digits >= name.size()) continue;
    if (name.find_first_not_of("0123456789", digits) != std::string::npos) continue;
    const long pid = std::strtol(name.c_str() + digits, nullptr, 10);
    if (pid <= 0 || pid == static_cast<long>(getpid())) continue;
    if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // still running
    std::error_code removeError;
    if (fs::remove(entry.path(), removeError)) ++removed;
  }
  return removed;
}

std::string supportedSubtypes() {
  std::string names;
  for (const auto& s : kSubtypes) names += (names.empty() ? "" : ", ") + std::string{s.name};
  return names;
}

AudioReader::~AudioReader() {
  if (file_) sf_close(file_);
}

bool AudioReader::open(const std::string& path, std::string& error) {
  path_ = path == "-" ? "standard input" : path;
  if (path == "-") {
    info_ = SF_INFO{};
    file_ = sf_open_fd(STDIN_FILENO, SFM_READ, &info_, SF_FALSE);
    if (file_ == nullptr) {
      error = std::string{"cannot read standard input: "} + sf_strerror(nullptr);
      return false;
    }
    if (info_.channels <= 0 || info_.samplerate <= 0) {
      error = "cannot read standard input: no audio channels or no sample rate";
      return false;
    }
    return true;
  }
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
  // The library reads a short file as far as it goes and notes in its log
  // what the header announced: "data : 16000 (should be 6398)".
  char log[8192] = {};
  sf_command(file_, SFC_GET_LOG_INFO, log, sizeof log);
  const char* line = std::strstr(log, "\ndata : ");
  long long announced = 0, present = 0;
  // A size of 0xFFFFFFFF is what streaming writers put when they cannot know
  // it ahead: "until the end of the file", not a promise the file breaks.
  if (line && std::sscanf(line, "\ndata : %lld (should be %lld)", &announced, &present) == 2 &&
      announced > present && announced != 0xFFFFFFFFLL) {
    announcedBytes_ = announced;
    presentBytes_ = present;
  }
  return true;
}

std::string AudioReader::lengthProblem(sf_count_t framesRead) const {
  if (framesRead == 0) return path_ + " holds no audio (0 frames)";
  if (announcedBytes_ > presentBytes_ && presentBytes_ >= 0)
    return path_ + " is truncated: its header announces " + std::to_string(announcedBytes_) +
           " bytes of audio, the file holds " + std::to_string(presentBytes_) + " (" +
           std::to_string(framesRead) + " frames, all rendered)";
  if (lengthKnown() && framesRead < info_.frames)
    return path_ + " ended early: " + std::to_string(framesRead) + " of the " +
           std::to_string(info_.frames) + " frames its header announces could be read";
  return {};
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
  // Readers expect the extensible header beyond two channels.
  extensibleWave_ = container == SF_FORMAT_WAV && channels > 2;
  if (extensibleWave_) container = SF_FORMAT_WAVEX;
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
  if (const std::string problem = outputPathProblem(path); !problem.empty()) {
    error = problem;
    return false;
  }
  tempPath_ = (folder / temporaryName(target.filename().string())).string();
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
  clips_ = sub != SF_FORMAT_FLOAT && sub != SF_FORMAT_DOUBLE;
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
  if (extensibleWave_ && !clearSpeakerPositions(tempPath_)) {
    error = "cannot finish " + path_ + ": its header cannot be rewritten";
    discard();
    return false;
  }
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

namespace oxel {

std::string StreamWriter::header(sf_count_t frames) const {
  std::string h;
  const uint64_t blockAlign = static_cast<uint64_t>(channels_) * 4;
  const bool known = frames >= 0;
  const uint64_t dataBytes = known ? static_cast<uint64_t>(frames) * blockAlign : 0;
  const bool extensible = channels_ > 2;
  const uint64_t fmtSize = extensible ? 40 : 16;
  const uint64_t headerBytes = 12 + 8 + fmtSize + 8;
  const bool rf64 = known && dataBytes + headerBytes + 36 > 0xFFFFFFFFull;
  const uint32_t unknown = 0xFFFFFFFFu;
  putTag(h, rf64 ? "RF64" : "RIFF");
  putLE(h, rf64 || !known ? unknown : dataBytes + headerBytes - 8, 4);
  putTag(h, "WAVE");
  if (rf64) {
    putTag(h, "ds64");
    putLE(h, 28, 4);
    putLE(h, dataBytes + headerBytes + 36 - 8, 8);  // the whole file minus 8
    putLE(h, dataBytes, 8);
    putLE(h, static_cast<uint64_t>(frames), 8);
    putLE(h, 0, 4);  // no table
  }
  putTag(h, "fmt ");
  putLE(h, fmtSize, 4);
  putLE(h, extensible ? 0xFFFE : 3, 2);  // IEEE float, plain or extensible
  putLE(h, static_cast<uint64_t>(channels_), 2);
  putLE(h, static_cast<uint64_t>(sampleRate_), 4);
  putLE(h, static_cast<uint64_t>(sampleRate_) * blockAlign, 4);
  putLE(h, blockAlign, 2);
  putLE(h, 32, 2);
  if (extensible) {
    putLE(h, 22, 2);
    putLE(h, 32, 2);
    putLE(h, 0, 4);  // no speaker positions: B-format channels are not speakers
    // The IEEE float sub-format's GUID, 00000003-0000-0010-8000-00AA00389B71.
    putLE(h, 0x00000003, 4);
    putLE(h, 0x0000, 2);
    putLE(h, 0x0010, 2);
    for (const int byte : {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}) putLE(h, byte, 1);
  }
  putTag(h, "data");
  putLE(h, rf64 || !known ? unknown : dataBytes, 4);
  return h;
}

bool StreamWriter::writeAll(const void* bytes, size_t size, std::string& error) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  while (size > 0) {
    const ssize_t done = ::write(fd_, p, size);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) {
      error = std::string{"cannot write standard output: "} + std::strerror(errno);
      return false;
    }
    p += done;
    size -= static_cast<size_t>(done);
  }
  return true;
}

bool StreamWriter::open(int fd, Format format, int channels, int sampleRate, sf_count_t frames,
                        std::string& error) {
  fd_ = fd;
  format_ = format;
  channels_ = channels;
  sampleRate_ = sampleRate;
  announced_ = frames;
  if (format_ == Format::Raw) return true;
  const std::string h = header(frames);
  headerSize_ = h.size();
  return writeAll(h.data(), h.size(), error);
}

bool StreamWriter::write(const float* interleaved, sf_count_t frames, std::string& error) {
  // Samples go out little-endian, as the header says (and as this machine holds them).
  const size_t size = static_cast<size_t>(frames) * static_cast<size_t>(channels_) * sizeof(float);
  if (!writeAll(interleaved, size, error)) return false;
  written_ += frames;
  return true;
}

bool StreamWriter::commit(std::string& error) {
  if (format_ == Format::Raw || written_ == announced_) return true;
  // A regular file can take the true sizes; a pipe keeps what it got.
  if (lseek(fd_, 0, SEEK_SET) != 0) return true;
  const std::string h = header(written_);
  if (h.size() != headerSize_) return true;  // would move the data: leave the streaming sizes
  if (!writeAll(h.data(), h.size(), error)) return false;
  lseek(fd_, 0, SEEK_END);
  return true;
}

}  // namespace oxel
