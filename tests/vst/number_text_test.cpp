// The number-to-text helpers hosts show as parameter displays: exact texts,
// truncation instead of rounding, limits, and never more than 9 bytes written.
#include <gtest/gtest.h>

#include <string>

#include "sentinel_text.h"
#include "test_effect.h"

namespace {

// Runs a helper on a sentinel-filled buffer: the text, which with its
// terminator must fit the 9 bytes a display may take.
template <class Call>
std::string written(Call call) {
  return sentinelText(call, 9);
}

struct FloatCase {
  float value;
  const char* text;
};

TEST(NumberText, Float2StringTruncatesToEightCharacters) {
  const FloatCase cases[] = {
      {0.0f, "0.000000"},   {1.5f, "1.500000"},     {-2.25f, "-2.25000"},
      {360.0f, "360.0000"}, {-90.0f, "-90.0000"},   {0.7f, "0.699999"},
      {57.29578f, "57.29578"}, {-0.5f, "-0.50000"}, {1234567.0f, "1234567."},
      {9999999.0f, "9999999."}, {-999999.0f, "-999999."}, {60.0f, "60.00000"},
      {1.0e9f, "Huge!"},    {-1.0e8f, "Huge!"},
      // Integer parts wider than the budget show Huge! instead of losing leading digits.
      {12345678.0f, "Huge!"}, {-1234567.0f, "Huge!"},
      {std::numeric_limits<float>::infinity(), "Huge!"},
      {-std::numeric_limits<float>::infinity(), "Huge!"},
      {std::numeric_limits<float>::quiet_NaN(), "NaN"},
  };
  TestEffect effect;
  for (const auto& c : cases)
    EXPECT_EQ(written([&](char* t) { effect.float2string(c.value, t); }), c.text) << c.value;
}

TEST(NumberText, Long2StringRightAlignsInSeven) {
  TestEffect effect;
  EXPECT_EQ(written([&](char* t) { effect.long2string(42, t); }), "     42");
  EXPECT_EQ(written([&](char* t) { effect.long2string(7, t); }), "      7");
  EXPECT_EQ(written([&](char* t) { effect.long2string(-3, t); }), "     -3");
  EXPECT_EQ(written([&](char* t) { effect.long2string(99999999, t); }), "99999999");
  EXPECT_EQ(written([&](char* t) { effect.long2string(100000000, t); }), "Huge!");
  EXPECT_EQ(written([&](char* t) { effect.long2string(-2147483647 - 1, t); }), "-2147483");
}

TEST(NumberText, DecibelHertzAndMilliseconds) {
  TestEffect effect;
  EXPECT_EQ(written([&](char* t) { effect.dB2string(1.0f, t); }), "0.000000");
  EXPECT_EQ(written([&](char* t) { effect.dB2string(0.5f, t); }), "-6.02059");
  EXPECT_EQ(written([&](char* t) { effect.dB2string(0.0f, t); }), "-\xE2\x88\x9E");
  EXPECT_EQ(written([&](char* t) { effect.dB2string(-1.0f, t); }), "-\xE2\x88\x9E");
  EXPECT_EQ(written([&](char* t) { effect.Hz2string(0.0f, t); }), "0.000000");
  EXPECT_EQ(written([&](char* t) { effect.Hz2string(100.0f, t); }), "441.0000");
  EXPECT_EQ(written([&](char* t) { effect.ms2string(441.0f, t); }), "10.00000");
  effect.setSampleRate(48000.0f);
  EXPECT_EQ(written([&](char* t) { effect.ms2string(48.0f, t); }), "1.000000");
}

}  // namespace
