// Image decoding with stb_image (PNG, BMP, JPEG). Pictures are taken as
// stored 8-bit RGB: alpha, gamma and colour profiles are ignored, so a key
// colour painted in a picture compares exactly. The size is checked from the
// header before anything is decoded; failures return null and print nothing.
#include <fstream>
#include <iterator>
#include <sys/stat.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_BMP
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_NO_HDR
#define STBI_NO_LINEAR
#define STBI_FAILURE_USERMSG
#include <stb/stb_image.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

#include "platform.h"

namespace oxel::platform {

namespace {
constexpr int kMaxSide = 32767;  // ports take 16-bit coordinates
}

std::unique_ptr<PixelPort> decodeImage(std::span<const uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > static_cast<size_t>(INT32_MAX)) return nullptr;
  const auto* data = reinterpret_cast<const stbi_uc*>(bytes.data());
  const int length = static_cast<int>(bytes.size());
  int w = 0, h = 0, channels = 0;
  if (!stbi_info_from_memory(data, length, &w, &h, &channels)) return nullptr;
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return nullptr;

  // Freed on every way out, a port that cannot be allocated included.
  const std::unique_ptr<stbi_uc, void (*)(void*)> decoded{
      stbi_load_from_memory(data, length, &w, &h, &channels, 3), stbi_image_free};
  const stbi_uc* rgb = decoded.get();
  if (!rgb) return nullptr;
  std::unique_ptr<PixelPort> port;
  if (w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide) {
    port = std::make_unique<PixelPort>(w, h);
    const stbi_uc* s = rgb;
    for (int32_t y = 0; y < h; ++y) {
      Pixel* row = port->row(y);
      for (int32_t x = 0; x < w; ++x, s += 3) row[x] = makePixel(s[0], s[1], s[2]);
    }
    port->takeDirty();
  }
  return port;
}

bool writePng(const PixelPort& port, const std::string& path) {
  if (port.width() <= 0 || port.height() <= 0) return false;
  std::vector<uint8_t> rgb;
  rgb.reserve(static_cast<size_t>(port.width()) * static_cast<size_t>(port.height()) * 3);
  for (int32_t y = 0; y < port.height(); ++y)
    for (int32_t x = 0; x < port.width(); ++x) {
      const Pixel p = port.row(y)[x];
      rgb.insert(rgb.end(), {redOf(p), greenOf(p), blueOf(p)});
    }
  std::ofstream out{path, std::ios::binary};
  if (!out) return false;
  auto sink = [](void* context, void* data, int size) {
    static_cast<std::ofstream*>(context)->write(static_cast<const char*>(data), size);
  };
  stbi_write_png_to_func(sink, &out, port.width(), port.height(), 3, rgb.data(), port.width() * 3);
  return static_cast<bool>(out);
}

bool fileExists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::unique_ptr<PixelPort> decodeImageFile(const std::string& path) {
  if (!fileExists(path)) return nullptr;
  std::ifstream in{path, std::ios::binary};
  if (!in) return nullptr;
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>{in}, std::istreambuf_iterator<char>{}};
  return decodeImage(bytes);
}

}  // namespace oxel::platform
