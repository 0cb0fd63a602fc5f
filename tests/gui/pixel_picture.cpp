#include "pixel_picture.h"

#include <sstream>
#include <vector>

namespace testing_pixels {

const std::map<Pixel, char>& defaultLegend() {
  static const std::map<Pixel, char> legend{
      {0x000000, '.'}, {0xFFFFFF, '#'}, {0xFF0000, 'r'}, {0x00FF00, 'g'}, {0x0000FF, 'b'}, {0xFFFF00, 'y'},
  };
  return legend;
}

std::string picture(const oxel::platform::PixelPort& port, const std::map<Pixel, char>& legend) {
  std::string out;
  for (int32_t y = 0; y < port.height(); ++y) {
    if (y) out += '\n';
    for (int32_t x = 0; x < port.width(); ++x) {
      auto it = legend.find(port.get(x, y) & oxel::platform::kRgbMask);
      out += it == legend.end() ? '?' : it->second;
    }
  }
  return out;
}

std::string trimPicture(const std::string& text) {
  std::istringstream in{text};
  std::string line, out;
  bool first = true;
  while (std::getline(in, line)) {
    auto start = line.find_first_not_of(' ');
    if (start == std::string::npos) continue;
    if (!first) out += '\n';
    out += line.substr(start);
    first = false;
  }
  return out;
}

oxel::platform::PixelPort portFrom(const std::string& text) {
  std::string pic = trimPicture(text);
  std::vector<std::string> rows;
  std::istringstream in{pic};
  for (std::string line; std::getline(in, line);) rows.push_back(line);
  oxel::platform::PixelPort port(rows.empty() ? 0 : static_cast<int32_t>(rows[0].size()),
                                 static_cast<int32_t>(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      for (auto& [pixel, c] : defaultLegend())
        if (c == rows[y][x]) port.set(static_cast<int32_t>(x), static_cast<int32_t>(y), pixel);
  port.takeDirty();
  return port;
}

}  // namespace testing_pixels
