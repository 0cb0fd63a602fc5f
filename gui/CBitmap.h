// Bitmaps: one image in its own pixel buffer, copied whole or in part into a
// drawing context plainly, leaving out a key colour, through a one-bit mask,
// or blended with a constant opacity. Loading by number looks in the bundle's
// resources/ for bmpNNNNN.png, .bmp, .jpg, .pict (the first that exists is
// decoded), then at the pictures embedded in the binary. A missing or corrupt
// picture leaves the bitmap empty (size 0, nothing drawn) and prints nothing.
//
// Sizes and rectangles are logical pixels. Drawn into a port of scale N, a
// bitmap loaded by number uses the picture drawn for that density,
// bmpNNNNN@Nx.png (file first, then embedded), when it is exactly N times
// the 1x size; otherwise the 1x picture with every pixel repeated N x N. The
// denser picture is looked up the first time it is needed and kept.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "geometry.h"

class CDrawContext;
class CFrame;

namespace oxel::platform {
class PixelPort;
class BitMask;
}  // namespace oxel::platform

// The folder of the plug-in bundle (the one holding resources/); empty until
// the editor binding sets it, and while it is empty no picture file is
// looked for. Safe to call from any thread.
void setBundlePath(const std::string& path);
std::string getBundlePath();

class CBitmap : public CReferenceCounter {
 public:
  explicit CBitmap(int32_t resourceID);
  // A zero-filled drawing target of width x height at the frame's density
  // (no buffer when a side is not positive).
  CBitmap(CFrame& frame, int32_t width, int32_t height);
  CBitmap();
  ~CBitmap() override;

  // rect is the destination in the context's coordinates; offset is the
  // top-left of the source area, which has rect's size. The source is clipped
  // to the image: destination pixels without a source stay unchanged.
  virtual void draw(CDrawContext* pContext, CRect& rect, const CPoint& offset = CPoint(0, 0));
  virtual void drawTransparent(CDrawContext* pContext, CRect& rect, const CPoint& offset = CPoint(0, 0));
  virtual void drawAlphaBlend(CDrawContext* pContext, CRect& rect, const CPoint& offset = CPoint(0, 0),
                              unsigned char alpha = 128);
  virtual void dispose();
  virtual bool loadFromResource(int32_t resourceID);
  // A file path, or a "file://" URL.
  virtual bool loadFromPath(const void* url);

  bool isLoaded() const { return pHandle != nullptr; }
  int32_t getWidth() const { return width; }
  int32_t getHeight() const { return height; }
  int32_t getResourceID() const { return resourceID; }
  oxel::platform::PixelPort* getHandle() const { return pHandle.get(); }
  // The picture to draw into a port of `scale`, null when there is none.
  const oxel::platform::PixelPort* imageForScale(int32_t scale);
  void setTransparentColor(const CColor color) { transparentCColor = color; }
  CColor getTransparentColor() const { return transparentCColor; }
  // Builds the mask from the context's pixels in the bitmap-sized area at
  // offset: clear where they show the transparent colour (or lie outside the
  // port), set elsewhere. drawTransparent then copies through the mask.
  void setTransparencyMask(CDrawContext* pContext, const CPoint& offset = CPoint(0, 0));

 protected:
  bool adopt(std::unique_ptr<oxel::platform::PixelPort> image);
  std::unique_ptr<oxel::platform::PixelPort> loadDenser(int32_t scale) const;
  void blit(CDrawContext* pContext, CRect& rect, const CPoint& offset, int mode, unsigned char alpha);

  int32_t resourceID{0};
  int32_t width{0};
  int32_t height{0};
  CColor transparentCColor{kTransparentCColor};
  std::unique_ptr<oxel::platform::PixelPort> pHandle;
  std::unique_ptr<oxel::platform::BitMask> pMask;
  int32_t maskScale{1};
  bool byNumber{false};
  int32_t pictureNumber{0};
  // The picture at 2x and 3x (index 0 and 1), once looked up.
  std::unique_ptr<oxel::platform::PixelPort> denser[2];
};
