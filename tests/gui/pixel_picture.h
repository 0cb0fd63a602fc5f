// Pixel fixtures: tiny ports written and compared as ASCII pictures, one
// character per pixel and one line per row.
#pragma once

#include <map>
#include <string>

#include "platform.h"

namespace testing_pixels {

using oxel::platform::Pixel;

// Black '.', white '#', red 'r', green 'g', blue 'b', yellow 'y'; any other
// colour '?'.
const std::map<Pixel, char>& defaultLegend();

// The port as lines joined by '\n' (no trailing newline).
std::string picture(const oxel::platform::PixelPort& port,
                    const std::map<Pixel, char>& legend = defaultLegend());

// A raw-string picture with its leading newline and indentation removed, so
// tests can write pictures as indented blocks.
std::string trimPicture(const std::string& text);

// A port filled from a picture using the default legend.
oxel::platform::PixelPort portFrom(const std::string& text);

}  // namespace testing_pixels
