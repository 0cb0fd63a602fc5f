// The text a call writes into a buffer filled with sentinel bytes, checked the
// way a host relies on it: terminated, at most `limit` bytes with the
// terminator, and nothing written after the terminator. A fault comes back as
// "<unterminated>", "<too long>" or "<overrun>" in place of the text, so the
// expected text in a test names it.
#pragma once

#include <cstring>
#include <string>

constexpr char kTextSentinel = '#';

// `write(char* buffer)` fills in the text; `untouched` (when given) tells
// whether it left the buffer's first byte alone.
template <class Write>
std::string sentinelText(Write write, size_t limit = 256, bool* untouched = nullptr) {
  char buffer[256];
  std::memset(buffer, kTextSentinel, sizeof buffer);
  write(buffer);
  if (untouched) *untouched = buffer[0] == kTextSentinel;
  const void* end = std::memchr(buffer, 0, sizeof buffer);
  if (end == nullptr) return "<unterminated>";
  const size_t length = static_cast<size_t>(static_cast<const char*>(end) - buffer);
  if (length >= limit) return "<too long>";
  for (size_t i = length + 1; i < sizeof buffer; ++i)
    if (buffer[i] != kTextSentinel) return "<overrun>";
  return std::string(buffer, length);
}
