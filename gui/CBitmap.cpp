#include "CBitmap.h"

#include <cstdio>
#include <mutex>

#include "CDrawContext.h"
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

CBitmap::CBitmap(CFrame& /*frame*/, int32_t width, int32_t height) {
  if (width > 0 && height > 0 && width <= 32767 && height <= 32767) {
    pHandle = std::make_unique<platform::PixelPort>(width, height, 0);
    this->width = width;
    this->height = height;
  }
}

CBitmap::CBitmap() = default;

CBitmap::~CBitmap() { dispose(); }

void CBitmap::dispose() {
  pHandle.reset();
  pMask.reset();
  width = height = 0;
}

bool CBitmap::adopt(std::unique_ptr<platform::PixelPort> image) {
  if (!image) return false;
  width = image->width();
  height = image->height();
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
  return isLoaded();
}

bool CBitmap::loadFromPath(const void* url) {
  dispose();
  if (!url) return false;
  std::string path{static_cast<const char*>(url)};
  if (path.rfind("file://", 0) == 0) path.erase(0, 7);
  return adopt(platform::decodeImageFile(path));
}

namespace {
enum BlitMode { kPlain, kKeyed, kBlend };
}

void CBitmap::blit(CDrawContext* pContext, CRect& rect, const CPoint& offset, int mode, unsigned char alpha) {
  if (!pContext) return;
  pContext->getPort();
  platform::PixelPort* dst = pContext->getBitmap();
  if (pHandle && dst) {
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
      params.mode = pMask ? platform::CopyMode::mask : platform::CopyMode::transparent;
      params.mask = pMask.get();
      params.key = toPixel(transparentCColor);
    } else if (mode == kBlend) {
      params.mode = platform::CopyMode::blend;
      params.alpha = alpha;
    }
    platform::copyBlock(*pHandle, source, *dst, {dest.left, dest.top, dest.right, dest.bottom},
                        {clip.left, clip.top, clip.right, clip.bottom}, params);
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
  auto mask = std::make_unique<platform::BitMask>(width, height);
  pContext->getPort();
  if (platform::PixelPort* src = pContext->getBitmap()) {
    const platform::Pixel key = toPixel(transparentCColor);
    const int64_t baseX = int64_t{offset.h} + pContext->offset.h, baseY = int64_t{offset.v} + pContext->offset.v;
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const int64_t px = baseX + x, py = baseY + y;
        if (px < 0 || py < 0 || px >= src->width() || py >= src->height()) continue;
        const platform::Pixel p = src->get(static_cast<int32_t>(px), static_cast<int32_t>(py));
        mask->set(x, y, (p & platform::kRgbMask) != key);
      }
    }
  }
  pContext->releaseBitmap();
  pMask = std::move(mask);
}
