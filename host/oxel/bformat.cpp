#include "bformat.h"

#include "text_parse.h"

namespace oxel {

namespace {
constexpr double kSqrtHalf = 0.70710678118654752440;
constexpr double kSqrtTwo = 1.41421356237309504880;
}  // namespace

bool parseBFormat(const std::string& text, BFormat& out) {
  const std::string name = lowercase(text);
  if (name == "fuma") out = BFormat::FuMa;
  else if (name == "ambix") out = BFormat::AmbiX;
  else return false;
  return true;
}

const char* bformatName(BFormat format) { return format == BFormat::AmbiX ? "ambix" : "fuma"; }

void ambixToFuma(float* frame, size_t frames) {
  for (size_t f = 0; f < frames; ++f, frame += 4) {
    const float w = frame[0], y = frame[1], z = frame[2], x = frame[3];
    frame[0] = static_cast<float>(w * kSqrtHalf);
    frame[1] = x;
    frame[2] = y;
    frame[3] = z;
  }
}

void fumaToAmbix(float* frame, size_t frames) {
  for (size_t f = 0; f < frames; ++f, frame += 4) {
    const float w = frame[0], x = frame[1], y = frame[2], z = frame[3];
    frame[0] = static_cast<float>(w * kSqrtTwo);
    frame[1] = y;
    frame[2] = z;
    frame[3] = x;
  }
}

}  // namespace oxel
