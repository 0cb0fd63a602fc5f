// OSC packets written byte by byte, so tests control every byte a tracker (or
// a broken sender) puts on the wire.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace osc_bytes {

using Bytes = std::vector<unsigned char>;

inline void padded(Bytes& out, const std::string& text) {
  out.insert(out.end(), text.begin(), text.end());
  do out.push_back(0);
  while (out.size() % 4 != 0);
}
inline void be32(Bytes& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<unsigned char>(v >> shift));
}
inline void be64(Bytes& out, uint64_t v) {
  be32(out, static_cast<uint32_t>(v >> 32));
  be32(out, static_cast<uint32_t>(v));
}

// An argument: its type tag and value.
struct Arg {
  char type;
  double value;
  std::string text{};
};
inline Arg f(double v) { return {'f', v}; }
inline Arg d(double v) { return {'d', v}; }
inline Arg i(double v) { return {'i', v}; }
inline Arg h(double v) { return {'h', v}; }
inline Arg s(const std::string& text) { return {'s', 0.0, text}; }

inline Bytes message(const std::string& address, const std::vector<Arg>& args) {
  Bytes out;
  padded(out, address);
  std::string tags = ",";
  for (const Arg& a : args) tags += a.type;
  padded(out, tags);
  for (const Arg& a : args) {
    switch (a.type) {
      case 'f': {
        const float v = static_cast<float>(a.value);
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        be32(out, bits);
        break;
      }
      case 'd': {
        uint64_t bits;
        std::memcpy(&bits, &a.value, 8);
        be64(out, bits);
        break;
      }
      case 'i': be32(out, static_cast<uint32_t>(static_cast<int32_t>(a.value))); break;
      case 'h': be64(out, static_cast<uint64_t>(static_cast<int64_t>(a.value))); break;
      case 's': padded(out, a.text); break;
      default: break;
    }
  }
  return out;
}

inline Bytes bundle(const std::vector<Bytes>& elements) {
  Bytes out;
  padded(out, "#bundle");
  be64(out, 1);  // "immediately"
  for (const Bytes& e : elements) {
    be32(out, static_cast<uint32_t>(e.size()));
    out.insert(out.end(), e.begin(), e.end());
  }
  return out;
}

}  // namespace osc_bytes
