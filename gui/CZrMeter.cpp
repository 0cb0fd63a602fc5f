#include "CZrMeter.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "COptionMenu.h"

namespace {

// A row from a float product: NaN and huge values are bounded before the
// conversion (which would be undefined for them).
int32_t toRow(float x) {
  if (!(x > -1.0e6f)) return -1000000;
  if (x > 1.0e6f) return 1000000;
  return static_cast<int32_t>(x);
}

const char* const kMenuTexts[CZrMeter::kNumMenuEntries] = {"k-20", "k-14", "k-12", "Peak hold", "Outputs"};

}  // namespace

CZrMeter::CZrMeter(const CRect& size, CBitmap* overBitmap, CBitmap* warnBitmap, CBitmap* normBitmap,
                   CBitmap* offBitmap, CBitmap* peakBitmap, CBitmap* backgroundBitmap, CBitmap* scaleBitmap,
                   CPoint scaleOffset, bool bTransparentScale, int32_t lNumOfPixels, const int32_t style)
    : CControl(size),
      overBitmap{overBitmap},
      warnBitmap{warnBitmap},
      normBitmap{normBitmap},
      offBitmap{offBitmap},
      peakBitmap{peakBitmap},
      backgroundBitmap{backgroundBitmap},
      scaleBitmap{scaleBitmap},
      lNumOfPixels{std::max(lNumOfPixels, 0)},
      style{style},
      bTransparentScale{bTransparentScale},
      scaleOffset{scaleOffset} {
  rectOver = rectWarn = rectNorm = rectOff = rectPeak = rectScale = rectBackground = size;
  for (CBitmap* b : {overBitmap, warnBitmap, normBitmap, offBitmap, peakBitmap, backgroundBitmap, scaleBitmap})
    if (b) b->remember();
  // Five marker segments of a quarter of the strip less a row; none without
  // a strip.
  lPeakBitMapSegmentSize = peakBitmap ? std::max(peakBitmap->getHeight() / 4 - 1, 0) : 0;
  menuChecks[kMenuK14] = true;
  lMeterType = 1;
  setMeterType(1);
  setBoundaries();
  bSource = true;
  menuChecks[kMenuOutputs] = true;
  setUseOffscreen(true);
}

CZrMeter::~CZrMeter() {
  for (CBitmap* b : {overBitmap, warnBitmap, normBitmap, offBitmap, peakBitmap, backgroundBitmap, scaleBitmap})
    if (b) b->forget();
  dropMenu();
  if (pOScreen) pOScreen->forget();
  pOScreen = nullptr;
}

void CZrMeter::dropMenu() {
  if (!menu) return;
  // The menu is in a frame only while it is open; it is never left there.
  if (CFrame* frame = menu->getFrame(); frame && frame->isChild(menu)) frame->removeView(menu, false);
  menu->forget();
  menu = nullptr;
  bMenuIsGo = false;
}

bool CZrMeter::getMenuCheck(int32_t entry) const {
  return entry >= 0 && entry < kNumMenuEntries && menuChecks[entry];
}

void CZrMeter::setValue(int32_t valueType, float val) {
  // Levels are amplitudes: NaN and negative readings show silence, and
  // anything beyond +120 dB shows as +120 dB.
  if (!(val >= 0.0f)) val = 0.0f;
  val = std::min(val, 1.0e6f);
  if (valueType == 1)
    fRms = val;
  else if (valueType == 2)
    fAve = val;
  else
    fPeak = val;
  setDirty(true);
}

void CZrMeter::setDirty(const bool val) { CView::setDirty(val); }

bool CZrMeter::attached(CView* parent) {
  if (pOScreen) pOScreen->forget();
  pOScreen = nullptr;
  const bool result = CView::attached(parent);
  if (bUseOffscreen && size.width() > 0 && size.height() > 0)
    pOScreen = new COffscreenContext(getFrame(), size.width(), size.height(), kBlackCColor);
  return result;
}

bool CZrMeter::removed(CView* parent) {
  if (pOScreen) pOScreen->forget();
  pOScreen = nullptr;
  return CView::removed(parent);
}

bool CZrMeter::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CZrMeter") == 0) return true;
  return CControl::isTypeOf(s);
}

// ---------------------------------------------------------------------------
// Scales

void CZrMeter::setMeterType(int32_t type) {
  // Only 0..2 exist; anything else is the k-20 scale, as its constants are.
  if (type != 1 && type != 2) type = 0;
  lMeterType = type;
  switch (type) {
    case 1:
      fFullScale = 14.0f;
      fZeroOnScale = 0.825f;
      fLowOnScale = 0.575f;
      break;
    case 2:
      fFullScale = 12.0f;
      fZeroOnScale = 0.85f;
      fLowOnScale = 0.6f;
      break;
    default:
      fFullScale = 20.0f;
      fZeroOnScale = 0.75f;
      fLowOnScale = 0.5f;
      break;
  }
  fOverScale = 4.0f;
  fLowScale = -24.0f;
  fLowScaleLength = 80.0f;
  // The divisor is the full scale less the zero fraction, as the scale
  // pictures are drawn.
  fOverOnScale = fZeroOnScale + (1.0f - fZeroOnScale) * fOverScale / (fFullScale - fZeroOnScale);
  fRefLevel = std::pow(10.0f, fFullScale / -20.0f);
  setBoundaries();
  setDirty(true);
}

void CZrMeter::setBoundaries() {
  const int32_t n = lNumOfPixels;
  const float top = getMax();
  lBoundFull = 0;
  lBoundWarn = toRow(n * (top - fOverOnScale));
  lBoundZero = toRow(n * (top - fZeroOnScale) + 1);
  lBoundLow = toRow(n * (top - fLowOnScale));
  lNumOfOverPixels = toRow(n * (1.0f - fOverOnScale));
  lNumOfWarnPixels = toRow(n * (1.0f - fZeroOnScale) - lNumOfOverPixels);
  lNumOfNormPixels = toRow(n * (1.0f - fLowOnScale) - (lNumOfOverPixels + lNumOfWarnPixels));
  lNumOfLowPixels = n - (lNumOfOverPixels + lNumOfWarnPixels + lNumOfNormPixels);
}

// ---------------------------------------------------------------------------
// Drawing

void CZrMeter::drawPicture(CDrawContext* context, CBitmap* bitmap, CRect rect, CPoint source, bool keyBlack) {
  if (!bitmap || rect.isEmpty()) return;
  // Without the offscreen the rectangles, kept relative to the meter, are
  // moved to its place in the frame.
  if (context != pOScreen) rect.offset(size.left, size.top);
  if (keyBlack) {
    bitmap->setTransparentColor(kBlackCColor);
    bitmap->drawTransparent(context, rect, source);
  } else {
    bitmap->draw(context, rect, source);
  }
}

// Where a level falls on the bar. The zones are tried from the top down, so a
// level of exactly 0 dB is in the warning zone; below the low zone (and NaN)
// it is under the bar, at row lNumOfPixels. The bar rounds rows down and the
// peak marker up.
CZrMeter::LevelRow CZrMeter::levelToRow(float level, bool roundUp) const {
  auto rows = [roundUp](float x) { return toRow(roundUp ? std::ceil(x) : x); };
  if (level >= fOverScale) {
    const float fraction = 1.0f - (level - fOverScale) / (fFullScale - fOverScale);
    return {lBoundFull + rows(lNumOfOverPixels * fraction), Zone::kOver};
  }
  if (level >= 0.0f && level < fOverScale)
    return {lBoundWarn + rows(lNumOfWarnPixels * (1.0f - level / fOverScale)), Zone::kWarn};
  if (level > fLowScale && level <= 0.0f)
    return {rows(lNumOfNormPixels * (0.0f - level) / (0.0f - fLowScale)) + lBoundZero, Zone::kNorm};
  if (level > fLowScale - fLowScaleLength && level <= fLowScale)
    return {rows(lNumOfLowPixels * (fLowScale - level) / fLowScaleLength) + lBoundLow, Zone::kLow};
  return {lNumOfPixels, Zone::kUnder};
}

// The source rectangles start as whole pictures the height of the meter; the
// scale and off pictures hold k-12 at the top, k-14 in the middle and k-20 at
// the bottom, and the source points pick the current scale's version.
void CZrMeter::layOutPictures(CPoint& pointScale, CPoint& pointOff) {
  const int32_t height = size.height();
  scaleBitmap->setTransparentColor(kBlackCColor);
  rectOver = CRect(0, 0, overBitmap->getWidth(), height);
  rectWarn = CRect(0, 0, warnBitmap->getWidth(), height);
  rectNorm = CRect(0, 0, normBitmap->getWidth(), height);
  rectOff = CRect(0, 0, offBitmap ? offBitmap->getWidth() : 0, height);
  rectScale = CRect(0, 0, size.width(), height);
  rectBackground = CRect(0, 0, backgroundBitmap->getWidth(), height);
  const int32_t version = (2 - lMeterType) * height;
  pointScale = CPoint(0, version);
  pointScale.offset(scaleOffset.h, scaleOffset.v);
  pointOff = CPoint(0, version);
}

// Lets the peak fall, updates the held peak and the source flag, and returns
// the RMS level in dB.
float CZrMeter::readLevels() {
  bounceValue();
  // The peak falls about 3 dB at every draw until the owner sets a new one.
  fPeak = (fPeak + 1e-13f) * 0.707f;
  const float level = 20.0f * std::log10((fRms + 1e-13f) / fRefLevel);
  const float peakLevel = 20.0f * std::log10(fPeak / fRefLevel);
  if (menuChecks[kMenuPeakHold] && bMenuOn)
    fPeakValue = std::max(fPeakValue, peakLevel);
  else
    fPeakValue = peakLevel;
  if (bMenuOn) bSource = menuChecks[kMenuOutputs];
  return level;
}

// The offscreen surface when the meter uses one (made on first need), else
// the frame's context.
CDrawContext* CZrMeter::drawingContext(CDrawContext* pContext) {
  if (!bUseOffscreen) return pContext;
  const int32_t width = size.width();
  const int32_t height = size.height();
  if (!pOScreen && width > 0 && height > 0)
    pOScreen = new COffscreenContext(getFrame(), width, height, kBlackCColor);
  return pOScreen ? pOScreen : pContext;
}

// Sets the bar top and the rows of the normal, warning and over pictures for
// the RMS level: the over and warning pictures show only in their zones.
// Every row is clamped into the bar, so far above full scale the bar is full.
void CZrMeter::placeBar(float level) {
  const int32_t n = lNumOfPixels;
  const LevelRow bar = levelToRow(level, false);
  int32_t normTop = bar.row;
  CRect overRows(0, 0, 0, 0), warnRows(0, 0, 0, 0);
  if (bar.zone == Zone::kWarn) {
    warnRows = CRect(0, bar.row, 0, lBoundZero);
    normTop = lBoundZero;
  } else if (bar.zone == Zone::kOver) {
    overRows = CRect(0, bar.row, 0, lBoundWarn);
    warnRows = CRect(0, lBoundWarn, 0, lBoundZero);
    normTop = lBoundZero;
  }
  auto row = [n](int32_t r) { return std::clamp(r, 0, n); };
  lBarTop = row(bar.row);
  rectNorm.top = row(normTop);
  rectWarn.top = row(warnRows.top);
  rectWarn.bottom = std::max(row(warnRows.bottom), rectWarn.top);
  rectOver.top = row(overRows.top);
  rectOver.bottom = std::max(row(overRows.bottom), rectOver.top);
}

// Sets the peak marker's rectangle and segment: 4 low and normal, 3 warning,
// 2 over, and at full scale 0 and 1 in turn.
void CZrMeter::placePeakMarker() {
  const int32_t n = lNumOfPixels;
  const LevelRow marker = levelToRow(fPeakValue, true);
  int32_t s = 4;
  if (marker.zone == Zone::kWarn) s = 3;
  if (marker.zone == Zone::kOver) {
    s = 2;
    if (fPeakValue >= fFullScale) {
      s = lPeakFlash == 1 ? 0 : 1;
      lPeakFlash = lPeakFlash == 1 ? 0 : 1;
    }
  }
  lPeakSegment = s;
  const int32_t segment = lPeakBitMapSegmentSize;
  const int32_t markerTop = marker.row < 0 ? 0 : std::min(marker.row, n);
  rectPeak = CRect(0, markerTop, peakBitmap->getWidth(), std::min(markerTop + segment, n));
  // A strip too short for its last segment shows what it has of it.
  const int32_t available = peakBitmap->getHeight() - s * segment;
  rectPeak.bottom = std::max(std::min(rectPeak.bottom, rectPeak.top + available), rectPeak.top);
}

void CZrMeter::draw(CDrawContext* pContext) {
  if (!overBitmap || !warnBitmap || !normBitmap || !peakBitmap || !backgroundBitmap ||
      !scaleBitmap || !pContext)
    return;
  CPoint pointScale, pointOff;
  layOutPictures(pointScale, pointOff);
  const float level = readLevels();
  CDrawContext* context = drawingContext(pContext);

  placeBar(level);
  drawPicture(context, backgroundBitmap, rectBackground, CPoint(0, 0), false);
  const bool keyed = bTransparencyEnabled;
  drawPicture(context, overBitmap, rectOver, CPoint(0, rectOver.top), keyed);
  drawPicture(context, warnBitmap, rectWarn, CPoint(0, rectWarn.top), keyed);
  drawPicture(context, normBitmap, rectNorm, CPoint(0, rectNorm.top), keyed);

  placePeakMarker();
  rectOff.bottom = lBarTop;
  drawPicture(context, offBitmap, rectOff, pointOff, keyed);
  drawPicture(context, peakBitmap, rectPeak, CPoint(0, lPeakSegment * lPeakBitMapSegmentSize),
              keyed);
  drawPicture(context, scaleBitmap, rectScale, pointScale, bTransparentScale);

  if (context == pOScreen) {
    CRect destination = size;
    pOScreen->copyFrom(pContext, destination, CPoint(0, 0));
  }
  setDirty(false);
}

// ---------------------------------------------------------------------------
// Mouse and menu

void CZrMeter::mouse(CDrawContext* pContext, CPoint& where, int32_t button) {
  (void)where;
  if (!bMouseEnabled) return;
  if (button == -1) button = pContext ? pContext->getMouseButtons() : 0;
  if (!(button & kLeftButton)) return;
  if (listener && (button & (kShiftFlag | kCommandFlag | kAltFlag | kCtrlFlag)) &&
      listener->controlModifierClicked(pContext, this, button) != 0)
    return;
  // The menu opens with this click's buttons: by now the button may be up.
  lClickButtons = button;
  value = std::fabs(value.load()) < 1.0f ? 1.0f : 0.0f;
  doIdleStuff();

  if (!bMenuOn) {
    dropMenu();
    menuChecks[lMeterType] = true;
    return;
  }
  if (menu) {
    bool any = false;
    for (int32_t i = 0; i < kNumMenuEntries; ++i) any = any || menu->isCheckEntry(i);
    if (!any) {
      bool anyOwn = false;
      for (int32_t i = 0; i < kNumMenuEntries; ++i)
        if (menuChecks[i]) {
          menu->checkEntry(i, true);
          anyOwn = true;
        }
      if (!anyOwn) {
        menuChecks[lMeterType] = true;
        menu->checkEntry(lMeterType, true);
      }
    }
  }
  popupMenu(pContext);
  if (listener) {
    beginEdit();
    listener->valueChanged(pContext, this);
    endEdit();
  }
  setMouseDown(true);
  if (menu && bMenuOn) {
    const int32_t r = menu->getLastResult();
    if (r == kMenuPeakHold || r == kMenuOutputs) {
      menuChecks[r] = menu->isCheckEntry(r);
    } else if (r >= kMenuK20 && r <= kMenuK12) {
      for (int32_t i = kMenuK20; i <= kMenuK12; ++i) {
        menu->checkEntry(i, false);
        menuChecks[i] = false;
      }
      lMeterType = r;
      setMeterType(r);
      setBoundaries();
      menu->checkEntry(r, true);
      menuChecks[r] = true;
    }
  }
}

void CZrMeter::popupMenu(CDrawContext* pContext) {
  if (!bMenuOn) return;
  CFrame* frame = getFrame();
  if (!frame || !pContext) return;
  CPoint where;
  pContext->getMouseLocation(where);
  CRect rect(0, 0, 0, 0);
  rect.offset(where.h, where.v + 2);
  if (!menu) {
    menu = new COptionMenu(rect, listener, kMenuTag, nullptr, nullptr,
                           kOptionMenuMultipleCheck | kOptionMenuCheckStyle);
    for (const char* text : kMenuTexts) menu->addEntry(text);
    menu->checkEntryAlone(0);
    for (int32_t i = 0; i < kNumMenuEntries; ++i) menu->checkEntry(i, menuChecks[i]);
    menu->setDirty(false);
    frame->addView(menu);
    menu->mouse(pContext, where, lClickButtons);
    menu->looseFocus(pContext);
    frame->removeView(menu, false);
    bMenuIsGo = true;
  } else {
    menu->setViewSize(rect);
    frame->addView(menu);
    menu->mouse(pContext, where, lClickButtons);
    frame->removeView(menu, false);
    if (!menuChecks[kMenuK20] && !menuChecks[kMenuK14] && !menuChecks[kMenuK12]) {
      menuChecks[lMeterType] = true;
      menu->checkEntry(lMeterType, true);
    }
  }
}
