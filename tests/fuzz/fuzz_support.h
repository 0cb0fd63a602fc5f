// A small deterministic mutator for the fuzz loops: the same seed gives the
// same inputs on every machine, so a failure can be replayed from its seed.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace fuzz {

using Bytes = std::vector<unsigned char>;

inline Bytes mutate(const Bytes& seed, std::mt19937_64& random) {
  Bytes data = seed;
  const int edits = 1 + static_cast<int>(random() % 8);
  for (int e = 0; e < edits; ++e) {
    switch (random() % 6) {
      case 0:  // flip a bit
        if (!data.empty()) data[random() % data.size()] ^= static_cast<unsigned char>(1u << (random() % 8));
        break;
      case 1:  // set a byte to an interesting value
        if (!data.empty()) {
          const unsigned char values[] = {0, 1, 0x7F, 0x80, 0xFF};
          data[random() % data.size()] = values[random() % 5];
        }
        break;
      case 2:  // truncate
        if (!data.empty()) data.resize(random() % data.size());
        break;
      case 3:  // insert random bytes
        for (int i = 0, n = 1 + static_cast<int>(random() % 16); i < n; ++i)
          data.insert(data.begin() + static_cast<long>(random() % (data.size() + 1)),
                      static_cast<unsigned char>(random()));
        break;
      case 4:  // overwrite a 32-bit field with an extreme value
        if (data.size() >= 4) {
          const uint32_t extremes[] = {0, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 4, 65536};
          const uint32_t v = extremes[random() % 6];
          const size_t at = random() % (data.size() - 3);
          for (int b = 0; b < 4; ++b) data[at + b] = static_cast<unsigned char>(v >> (8 * b));
        }
        break;
      default:  // duplicate a chunk
        if (data.size() > 8) {
          const size_t from = random() % (data.size() - 8);
          data.insert(data.end(), data.begin() + static_cast<long>(from),
                      data.begin() + static_cast<long>(from + 8));
        }
        break;
    }
  }
  return data;
}

}  // namespace fuzz
