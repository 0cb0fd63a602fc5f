#include "GalleryPanel.h"

#include <algorithm>

#include "CDrawContext.h"

namespace {

constexpr CColor kPanel{0x27, 0x2B, 0x32, 255};
constexpr CColor kHeaderTop{0x30, 0x35, 0x3E, 255};
constexpr CColor kHeaderBottom{0x24, 0x28, 0x2F, 255};
constexpr CColor kEdgeLight{0x3A, 0x40, 0x4A, 255};
constexpr CColor kEdgeDark{0x1A, 0x1D, 0x22, 255};
constexpr CColor kLabel{0xC8, 0xCC, 0xD2, 255};
constexpr CColor kTitle{0xE6, 0xE8, 0xEC, 255};

CColor mix(CColor a, CColor b, int32_t t, int32_t of) {
  auto channel = [&](uint8_t x, uint8_t y) { return static_cast<uint8_t>((x * (of - t) + y * t) / of); };
  return {channel(a.red, b.red), channel(a.green, b.green), channel(a.blue, b.blue), 255};
}

// Text with `tracking` pixels between letters, centred in area (or from its
// left edge).
void drawTracked(CDrawContext* context, const std::string& text, const CRect& area, int32_t tracking,
                 bool centred = true) {
  int32_t width = 0;
  for (char c : text) {
    const char s[2] = {c, 0};
    width += context->getStringWidth(s) + tracking;
  }
  width -= tracking;
  int32_t x = centred ? area.left + (area.width() - width) / 2 : area.left;
  for (char c : text) {
    const char s[2] = {c, 0};
    const int32_t w = context->getStringWidth(s);
    context->drawString(s, CRect(x, area.top, x + w + 1, area.bottom), false, kLeftText);
    x += w + tracking;
  }
}

}  // namespace

GalleryPanel::GalleryPanel(const CRect& size, std::string title, std::vector<Label> labels)
    : CView(size), title{std::move(title)}, labels{std::move(labels)} {}

void GalleryPanel::draw(CDrawContext* pContext) {
  const CRect& r = size;
  pContext->setFillColor(kPanel);
  pContext->drawRect(r, kDrawFilled);
  // Header band, lit from above.
  constexpr int32_t kBand = 28;
  for (int32_t y = 0; y < kBand; ++y) {
    pContext->setFrameColor(mix(kHeaderTop, kHeaderBottom, y, kBand));
    pContext->moveTo(CPoint(r.left, r.top + y));
    pContext->lineTo(CPoint(r.right, r.top + y));
  }
  pContext->setFrameColor(kEdgeDark);
  pContext->moveTo(CPoint(r.left, r.top + kBand));
  pContext->lineTo(CPoint(r.right, r.top + kBand));
  pContext->setFrameColor(kEdgeLight);
  pContext->moveTo(CPoint(r.left, r.top + kBand + 1));
  pContext->lineTo(CPoint(r.right, r.top + kBand + 1));

  pContext->setFont(kNormalFontBig, 14, kBoldFace);
  pContext->setFontColor(kTitle);
  drawTracked(pContext, title, CRect(r.left + 14, r.top + 4, r.right, r.top + 25), 2, false);
  pContext->setFont(kNormalFontVerySmall, 9);
  pContext->setFontColor(kLabel);
  for (const Label& label : labels) drawTracked(pContext, label.text, label.area, 1);
  setDirty(false);
}
