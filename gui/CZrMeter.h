// A vertical level meter drawn from bitmaps on the K-system scales (k-20,
// k-14, k-12: 0 dB on the scale lies 20, 14 or 12 dB below full scale). Its
// owner feeds linear levels with setValue(type, level): 0 peak, 1 RMS,
// 2 average. The RMS level lights the bar in four zones (low, normal,
// warning, over) and the peak shows as a marker that falls about 3 dB per
// draw, can be held, and flashes above full scale. With the menu on, a left
// click pops up a menu to pick the scale, switch peak hold and switch the
// "Outputs" flag the owner reads with getSource. Drawing goes through an
// offscreen surface the size of the meter.
//
// Every bar and marker row is clamped into the bar and every source
// rectangle into its bitmap: levels that are not finite, negative, or far
// above full scale, missing bitmaps and a peak strip too short for its five
// segments draw what they can and never read outside a bitmap. A meter type
// outside 0..2 is taken as k-20. The menu belongs to the meter alone: it is
// in the frame only while it is open.
//
// A click with a listener set is an edit gesture on the meter's tag, and the
// menu's choice one on tag 1976: an owner that sets a listener gives the
// meter a tag that is not a parameter index (its default tag 0 is parameter
// 0), so that no gesture reaches the host.
#pragma once

#include <cstdint>
#include <limits>

#include "CControl.h"

class COptionMenu;

class CZrMeter : public CControl {
 public:
  static constexpr int32_t kMenuTag = 1976;
  // Menu entries.
  enum : int32_t { kMenuK20 = 0, kMenuK14, kMenuK12, kMenuPeakHold, kMenuOutputs, kNumMenuEntries };

  CZrMeter(const CRect& size, CBitmap* overBitmap, CBitmap* warnBitmap, CBitmap* normBitmap, CBitmap* offBitmap,
           CBitmap* peakBitmap, CBitmap* backgroundBitmap, CBitmap* scaleBitmap, CPoint scaleOffset,
           bool bTransparentScale, int32_t lNumOfPixels, const int32_t style = 0);
  ~CZrMeter() override;

  void draw(CDrawContext* pContext) override;
  void mouse(CDrawContext* pContext, CPoint& where, int32_t button = -1) override;
  // The view's flag only: the value is a click toggle the meter does not
  // show, so it never asks for a repaint by itself.
  void setDirty(const bool val = true) override;
  bool isDirty() const override { return CView::isDirty(); }
  bool attached(CView* parent) override;
  bool removed(CView* parent) override;
  bool isTypeOf(const char* s) const override;

  virtual void popupMenu(CDrawContext* pContext);
  virtual void setMouseDown(bool val) { bMouseDown = val; }
  virtual void setBoundaries();
  virtual void setMeterType(int32_t type);
  // valueType 1: RMS, 2: average, anything else: peak; linear amplitudes.
  virtual void setValue(int32_t valueType, float val);
  using CControl::setValue;

  void setUseOffscreen(bool val) { bUseOffscreen = val; }
  bool getUseOffscreen() const { return bUseOffscreen; }
  void setMenuOn() { bMenuOn = true; }
  void setMenuOff() { bMenuOn = false; }
  bool getMenuState() const { return bMenuOn; }
  bool getMouseDown() const { return bMouseDown; }
  bool getSource() const { return bSource; }

  // State the tests and the gallery read.
  int32_t getMeterType() const { return lMeterType; }
  bool getMenuCheck(int32_t entry) const;
  COptionMenu* getMenu() const { return menu; }
  float getPeakValue() const { return fPeakValue; }
  float getPeak() const { return fPeak; }
  float getRms() const { return fRms; }
  float getAverage() const { return fAve; }
  // Rows from the top of the bar: {over, warn, zero, low} bounds and zone lengths.
  int32_t getBoundWarn() const { return lBoundWarn; }
  int32_t getBoundZero() const { return lBoundZero; }
  int32_t getBoundLow() const { return lBoundLow; }
  int32_t getNumOfOverPixels() const { return lNumOfOverPixels; }
  int32_t getNumOfWarnPixels() const { return lNumOfWarnPixels; }
  int32_t getNumOfNormPixels() const { return lNumOfNormPixels; }
  int32_t getNumOfLowPixels() const { return lNumOfLowPixels; }
  float getRefLevel() const { return fRefLevel; }
  float getOverOnScale() const { return fOverOnScale; }
  // After a draw: the bar top, and the rectangles and segment last used.
  int32_t getBarTop() const { return lBarTop; }
  const CRect& getNormRect() const { return rectNorm; }
  const CRect& getWarnRect() const { return rectWarn; }
  const CRect& getOverRect() const { return rectOver; }
  const CRect& getPeakRect() const { return rectPeak; }
  int32_t getPeakSegment() const { return lPeakSegment; }

 protected:
  // The bar's zones from the bottom up; kUnder is below the low zone.
  enum class Zone { kUnder, kLow, kNorm, kWarn, kOver };
  struct LevelRow {
    int32_t row;  // from the top of the bar, not yet clamped into it
    Zone zone;
  };
  LevelRow levelToRow(float level, bool roundUp) const;

  void layOutPictures(CPoint& pointScale, CPoint& pointOff);
  float readLevels();
  CDrawContext* drawingContext(CDrawContext* pContext);
  void placeBar(float level);
  void placePeakMarker();
  void drawPicture(CDrawContext* context, CBitmap* bitmap, CRect rect, CPoint source, bool keyBlack);
  void dropMenu();

  CBitmap* overBitmap{nullptr};
  CBitmap* warnBitmap{nullptr};
  CBitmap* normBitmap{nullptr};
  CBitmap* offBitmap{nullptr};
  CBitmap* peakBitmap{nullptr};
  CBitmap* backgroundBitmap{nullptr};
  CBitmap* scaleBitmap{nullptr};
  COffscreenContext* pOScreen{nullptr};
  COptionMenu* menu{nullptr};
  int32_t lNumOfPixels{0};
  int32_t lNumOfOverPixels{0}, lNumOfWarnPixels{0}, lNumOfNormPixels{0}, lNumOfLowPixels{0};
  int32_t lBoundLow{0}, lBoundZero{0}, lBoundWarn{0}, lBoundFull{0};
  int32_t style{0};
  int32_t lPeakFlash{0};
  int32_t lMeterType{1};
  int32_t lPeakBitMapSegmentSize{0};
  int32_t lNumOfMenuEntries{kNumMenuEntries};
  float fRefLevel{0.0f};
  float fFullScale{0.0f};
  float fOverScale{4.0f};
  float fLowScale{-24.0f};
  float fLowScaleLength{80.0f};
  float fOverOnScale{0.0f}, fZeroOnScale{0.0f}, fLowOnScale{0.0f};
  float fPeak{0.0f};
  float fRms{0.0f};
  float fAve{0.0f};
  float fPeakValue{-std::numeric_limits<float>::infinity()};  // below every row until a peak is drawn
  bool bUseOffscreen{true};
  bool bMouseDown{false};
  bool menuChecks[kNumMenuEntries]{};
  bool bMenuOn{false};
  bool bMenuIsGo{false};
  bool bSource{true};
  bool bTransparentScale{false};
  CPoint scaleOffset;
  CRect rectOver, rectWarn, rectNorm, rectOff, rectPeak, rectScale, rectBackground;
  int32_t lBarTop{0};
  int32_t lPeakSegment{4};
  int32_t lClickButtons{kLeftButton};
};
