// First-order B-format channel conventions. The plug-ins take and give the
// classic order and weighting (FuMa: W, X, Y, Z with W at -3 dB). AmbiX files
// hold ACN order (W, Y, Z, X) with SN3D weighting, where W is sqrt(2) times
// FuMa's W and X, Y, Z are the same at first order. Conversion works in place
// on interleaved 4-channel frames.
#pragma once

#include <cstddef>
#include <string>

namespace oxel {

enum class BFormat { FuMa, AmbiX };

bool parseBFormat(const std::string& text, BFormat& out);
const char* bformatName(BFormat format);

void ambixToFuma(float* interleaved, size_t frames);
void fumaToAmbix(float* interleaved, size_t frames);

}  // namespace oxel
