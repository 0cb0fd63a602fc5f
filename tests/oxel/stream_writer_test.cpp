// Standard-output audio: the WAV header that StreamWriter writes ahead of the
// samples reads back with libsndfile, exact when the length is known or once
// fixed on a file that can seek; lengths past 4 GiB get an RF64 header.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "audio_file.h"

namespace {

uint64_t littleEndian(const unsigned char* bytes, int size) {
  uint64_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

std::string temporaryPath() {
  char path[] = "/tmp/oxel-stream-XXXXXX";
  const int fd = mkstemp(path);
  close(fd);
  return path;
}

TEST(StreamWriter, WavReadsBackWithTheSamples) {
  const struct {
    int channels;
    sf_count_t announced;  // -1: not known ahead
  } cases[] = {{2, 10}, {4, 10}, {4, -1}, {1, 3}};
  for (const auto& c : cases) {
    const std::string path = temporaryPath();
    const int fd = open(path.c_str(), O_WRONLY | O_TRUNC);
    std::vector<float> samples(static_cast<size_t>(10 * c.channels));
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = 0.01f * static_cast<float>(i) - 0.2f;
    oxel::StreamWriter writer;
    std::string error;
    ASSERT_TRUE(
        writer.open(fd, oxel::StreamWriter::Format::Wav, c.channels, 44100, c.announced, error))
        << error;
    ASSERT_TRUE(writer.write(samples.data(), 10, error)) << error;
    ASSERT_TRUE(writer.commit(error)) << error;
    close(fd);
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(info.channels, c.channels);
    EXPECT_EQ(info.samplerate, 44100);
    EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_FLOAT);
    ASSERT_EQ(info.frames, 10) << "announced " << c.announced;
    std::vector<float> back(samples.size());
    sf_readf_float(file, back.data(), 10);
    sf_close(file);
    EXPECT_EQ(back, samples);
    unlink(path.c_str());
  }
}

// Written to a pipe, the sizes stay at the streaming value: the file reads
// back whole, and oxel takes it without calling it truncated.
TEST(StreamWriter, StreamingSizesReadBackWithoutAWarning) {
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  std::vector<float> samples(4 * 100, 0.25f);
  oxel::StreamWriter writer;
  std::string error;
  ASSERT_TRUE(writer.open(pipeEnds[1], oxel::StreamWriter::Format::Wav, 4, 48000, -1, error));
  ASSERT_TRUE(writer.write(samples.data(), 100, error)) << error;
  ASSERT_TRUE(writer.commit(error)) << error;
  close(pipeEnds[1]);
  const std::string path = temporaryPath();
  const int out = open(path.c_str(), O_WRONLY | O_TRUNC);
  char buffer[4096];
  for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
    ASSERT_EQ(write(out, buffer, static_cast<size_t>(got)), got);
  close(pipeEnds[0]);
  close(out);
  oxel::AudioReader reader;
  ASSERT_TRUE(reader.open(path, error)) << error;
  EXPECT_EQ(reader.frames(), 100);
  std::vector<float> back(samples.size());
  EXPECT_EQ(reader.read(back.data(), 100), 100);
  EXPECT_EQ(back, samples);
  EXPECT_EQ(reader.lengthProblem(100), "");
  unlink(path.c_str());
}

TEST(StreamWriter, PastFourGigabytesTheHeaderIsRf64) {
  const std::string path = temporaryPath();
  const int fd = open(path.c_str(), O_WRONLY | O_TRUNC);
  const sf_count_t frames = 300'000'000;  // 4 channels of float: 4.8 GB
  oxel::StreamWriter writer;
  std::string error;
  ASSERT_TRUE(writer.open(fd, oxel::StreamWriter::Format::Wav, 4, 48000, frames, error)) << error;
  close(fd);
  unsigned char header[128] = {};
  const int in = open(path.c_str(), O_RDONLY);
  const ssize_t got = read(in, header, sizeof header);
  close(in);
  unlink(path.c_str());
  ASSERT_GT(got, 36 + 8);
  EXPECT_EQ(std::memcmp(header, "RF64", 4), 0);
  EXPECT_EQ(littleEndian(header + 4, 4), 0xFFFFFFFFu);
  EXPECT_EQ(std::memcmp(header + 12, "ds64", 4), 0);
  EXPECT_EQ(littleEndian(header + 28, 8), static_cast<uint64_t>(frames) * 16);  // data bytes
  EXPECT_EQ(littleEndian(header + 36, 8), static_cast<uint64_t>(frames));
}

}  // namespace
