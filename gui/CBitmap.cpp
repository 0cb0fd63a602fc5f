#include "CBitmap.h"

#include <cstdio>
#include <mutex>

#include "CDrawContext.h"
#include "CFrame.h"
#include "platform.h"

namespace platform = oxel::platform;

namespace {
std::mutex& bundleMutex() {
  static std::mutex m;
  return m;
}
std::string& bundlePath() {
  static std::string path;
  return path;
}
constexpr const char* kExtensions[] = {"png", "bmp", "jpg", "pict"};
}  // namespace

void setBundlePath(const std::string& path) {
  std::lock_guard lock{bundleMutex()};
  bundlePath() = path;
}

std::string getBundlePath() {
  std::lock_guard lock{bundleMutex()};
  return bundlePath();
}

CBitmap::CBitmap(int32_t resourceID) : resourceID{resourceID} { loadFromResource(resourceID); }

CBitmap::CBitmap(CFrame& frame, int32_t width, int32_t height) {
  const int32_t s = frame.getScale();
  if (width > 0 && height > 0 && width <= 32767 / s && height <= 32767 / s) {
    pHandle = std::make_unique<platform::PixelPort>(width * s, height * s, 0);
    pHandle->setScale(s);
    this->width = width;
    this->height = height;
  }
}

CBitmap::CBitmap() = default;

CBitmap::~CBitmap() { dispose(); }

void CBitmap::dispose() {
  pHandle.reset();
  pMask.reset();
  for (auto& d : denser) d.reset();
  byNumber = false;
  width = height = 0;
}

bool CBitmap::adopt(std::unique_ptr<platform::PixelPort> image) {
  if (!image) return false;
  width = image->width() / image->scale();
  height = image->height() / image->scale();
  pHandle = std::move(image);
  return true;
}

bool CBitmap::loadFromResource(int32_t number) {
  dispose();
  const std::string bundle = getBundlePath();
  if (!bundle.empty()) {
    char base[32];
    std::snprintf(base, sizeof base, "bmp%05d", static_cast<int>(number));
    for (const char* ext : kExtensions) {
      const std::string path = bundle + "/resources/" + base + "." + ext;
      if (platform::fileExists(path)) {
        // The first file that exists decides; when it does not decode, the
        // embedded copy is the fallback, not the next extension.
        loadFromPath(path.c_str());
        break;
      }
    }
  }
  if (!isLoaded()) {
    std::span<const uint8_t> embedded = platform::findEmbeddedImage(number);
    if (!embedded.empty()) adopt(platform::decodeImage(embedded));
  }
  byNumber = isLoaded();
  pictureNumber = number;
  return isLoaded();
}

std::unique_ptr<platform::PixelPort> CBitmap::loadDenser(int32_t scale) const {
  auto fits = [&](const std::unique_ptr<platform::PixelPort>& p) {
    return p && p->width() == width * scale && p->height() == height * scale;
  };
  std::unique_ptr<platform::PixelPort> picture;
  if (byNumber) {
    char base[40];
    std::snprintf(base, sizeof base, "bmp%05d@%dx.png", static_cast<int>(pictureNumber),
                  static_cast<int>(scale));
    const std::string bundle = getBundlePath();
    if (!bundle.empty()) {
      const std::string path = bundle + "/resources/" + base;
      if (platform::fileExists(path)) picture = platform::decodeImageFile(path);
    }
    if (!fits(picture)) {
      std::span<const uint8_t> embedded = platform::findEmbeddedImage(pictureNumber, scale);
      picture = embedded.empty() ? nullptr : platform::decodeImage(embedded);
    }
  }
  if (!fits(picture)) return platform::replicatePixels(*pHandle, scale);
  picture->setScale(scale);
  return picture;
}

const platform::PixelPort* CBitmap::imageForScale(int32_t scale) {
  if (!pHandle) return nullptr;
  if (scale == pHandle->scale()) return pHandle.get();
  // A buffer drawn at one density is not resampled for another.
  if (pHandle->scale() != 1 || scale < 2 || scale > platform::kMaxScale) return nullptr;
  auto& slot = denser[scale - 2];
  if (!slot) slot = loadDenser(scale);
  return slot.get();
}

bool CBitmap::loadFromPath(const void* url) {
  dispose();
  if (!url) return false;
  std::string path{static_cast<const char*>(url)};
  if (path.rfind("file://", 0) == 0) path.erase(0, 7);
  const bool loaded = adopt(platform::decodeImageFile(path));
  // loadFromResource goes on to look for the denser versions by number.
  byNumber = false;
  return loaded;
}

namespace {
enum BlitMode { kPlain, kKeyed, kBlend };
}

void CBitmap::blit(CDrawContext* pContext, CRect& rect, const CPoint& offset, int mode, unsigned char alpha) {
  if (!pContext) return;
  pContext->getPort();
  platform::PixelPort* dst = pContext->getBitmap();
  const platform::PixelPort* image = dst ? imageForScale(dst->scale()) : nullptr;
  if (image && dst) {
    const int32_t s = dst->scale();
    CRect dest = rect;
    dest.offset(pContext->offset.h, pContext->offset.v);
    dest.right = oxel::gui_detail::wrapAdd(dest.left, rect.width());
    dest.bottom = oxel::gui_detail::wrapAdd(dest.top, rect.height());
    const platform::PortRect source{offset.h, offset.v, oxel::gui_detail::wrapAdd(offset.h, rect.width()),
                                    oxel::gui_detail::wrapAdd(offset.v, rect.height())};
    CRect clip;
    pContext->getClipRect(clip);
    clip.offset(pContext->offset.h, pContext->offset.v);
    platform::CopyParams params;
    if (mode == kKeyed) {
      const bool masked = pMask && maskScale == s;
      params.mode = masked ? platform::CopyMode::mask : platform::CopyMode::transparent;
      params.mask = masked ? pMask.get() : nullptr;
      params.key = toPixel(transparentCColor);
    } else if (mode == kBlend) {
      params.mode = platform::CopyMode::blend;
      params.alpha = alpha;
    }
    platform::copyBlock(*image, platform::toDevice(source, s), *dst,
                        platform::toDevice({dest.left, dest.top, dest.right, dest.bottom}, s),
                        platform::toDevice({clip.left, clip.top, clip.right, clip.bottom}, s),
                        params);
  }
  pContext->releaseBitmap();
}

void CBitmap::draw(CDrawContext* pContext, CRect& rect, const CPoint& offset) {
  blit(pContext, rect, offset, kPlain, 255);
}

void CBitmap::drawTransparent(CDrawContext* pContext, CRect& rect, const CPoint& offset) {
  blit(pContext, rect, offset, kKeyed, 255);
}

void CBitmap::drawAlphaBlend(CDrawContext* pContext, CRect& rect, const CPoint& offset, unsigned char alpha) {
  blit(pContext, rect, offset, kBlend, alpha);
}

void CBitmap::setTransparencyMask(CDrawContext* pContext, const CPoint& offset) {
  pMask.reset();
  if (!pContext || width <= 0 || height <= 0) return;
  // In the context's device pixels, so it fits the picture drawn there.
  const int32_t s = pContext->getScale();
  auto mask = std::make_unique<platform::BitMask>(width * s, height * s);
  pContext->getPort();
  if (platform::PixelPort* src = pContext->getBitmap()) {
    const platform::Pixel key = toPixel(transparentCColor);
    const int64_t baseX = (int64_t{offset.h} + pContext->offset.h) * s,
                  baseY = (int64_t{offset.v} + pContext->offset.v) * s;
    for (int32_t y = 0; y < height * s; ++y) {
      for (int32_t x = 0; x < width * s; ++x) {
        const int64_t px = baseX + x, py = baseY + y;
        if (px < 0 || py < 0 || px >= src->width() || py >= src->height()) continue;
        const platform::Pixel p = src->get(static_cast<int32_t>(px), static_cast<int32_t>(py));
        mask->set(x, y, (p & platform::kRgbMask) != key);
      }
    }
  }
  pContext->releaseBitmap();
  pMask = std::move(mask);
  maskScale = s;
}
