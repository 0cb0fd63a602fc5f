// The level meter: zone bounds per scale, the bar top and the peak marker
// for levels at and around each zone per scale (hand-computed tables in
// float, N = 200), the peak's fall per draw, hold and the over flash, the
// pictures reaching the frame through the offscreen, the pop-up menu
// switching scale, hold and outputs, a click with the menu off, and bad
// input (types outside 0..2, NaN and negative levels, missing bitmaps, a
// peak strip too short for its segments) drawing inside every bitmap.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "CZrMeter.h"
#include "COptionMenu.h"
#include "control_rig.h"

namespace editortest {
namespace {

using oxel::platform::makePixel;
using oxel::platform::Pixel;

constexpr int32_t kBar = 200;
constexpr int32_t kWidth = 4;

// Distinct colours per picture; the off and scale strips have one colour
// per scale version (k-12, k-14, k-20 from the top).
constexpr Pixel kOver = makePixel(250, 0, 0);
constexpr Pixel kWarn = makePixel(250, 250, 0);
constexpr Pixel kNorm = makePixel(0, 250, 0);
constexpr Pixel kBack = makePixel(30, 30, 30);
Pixel offColour(int version) { return makePixel(10, 10, static_cast<uint8_t>(100 + version)); }

CBitmap* solid(CFrame& frame, int32_t w, int32_t h, Pixel p) {
  auto* b = new CBitmap(frame, w, h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b->getHandle()->set(x, y, p);
  return b;
}

struct Pictures {
  explicit Pictures(CFrame& frame, int32_t peakHeight = 20) {
    over = solid(frame, kWidth, kBar, kOver);
    warn = solid(frame, kWidth, kBar, kWarn);
    norm = solid(frame, kWidth, kBar, kNorm);
    off = new CBitmap(frame, kWidth, 3 * kBar);
    for (int32_t y = 0; y < 3 * kBar; ++y)
      for (int32_t x = 0; x < kWidth; ++x) off->getHandle()->set(x, y, offColour(y / kBar));
    peak = new CBitmap(frame, kWidth, peakHeight);
    for (int32_t y = 0; y < peakHeight; ++y)
      for (int32_t x = 0; x < kWidth; ++x) peak->getHandle()->set(x, y, makePixel(200, 0, static_cast<uint8_t>(y)));
    background = solid(frame, kWidth, kBar, kBack);
    scale = solid(frame, kWidth, 3 * kBar, 0);  // all black: keyed out
  }
  ~Pictures() {
    for (CBitmap* b : {over, warn, norm, off, peak, background, scale})
      if (b) b->forget();
  }
  CZrMeter* meter(const CRect& size = CRect(0, 0, kWidth, kBar)) const {
    return new CZrMeter(size, over, warn, norm, off, peak, background, scale, CPoint(0, 0), true, kBar);
  }
  CBitmap *over, *warn, *norm, *off, *peak, *background, *scale;
};

// The RMS (or, after one draw's fall, peak) amplitude at `db` on the scale.
float amplitudeAt(const CZrMeter& meter, float db) { return meter.getRefLevel() * std::pow(10.0f, db / 20.0f); }

TEST(Meter, NewMeterShowsK14WithOutputsChecked) {
  ControlRig rig;
  Pictures pictures{*rig.editor->frame};
  CZrMeter* meter = rig.add(pictures.meter());
  EXPECT_EQ(meter->getMeterType(), 1);
  for (int32_t i = 0; i < CZrMeter::kNumMenuEntries; ++i) EXPECT_EQ(meter->getMenuCheck(i), i == 1 || i == 4) << i;
  EXPECT_TRUE(meter->getSource());
  EXPECT_EQ(meter->getMenu(), nullptr);
  EXPECT_FALSE(meter->getMenuState());
  EXPECT_TRUE(meter->getUseOffscreen());
  EXPECT_TRUE(meter->isTypeOf("CZrMeter"));
  EXPECT_TRUE(meter->isTypeOf("CControl"));
}

TEST(Meter, ZoneBoundsPerScale) {
  struct Case {
    int32_t type;
    float overOn, ref;
    int32_t warn, zero, low, overPx, warnPx, normPx, lowPx;
  };
  const Case cases[] = {
      {0, 0.801948f, 0.1f, 39, 51, 100, 39, 11, 50, 100},
      {1, 0.878131f, 0.199526f, 24, 36, 85, 24, 11, 50, 115},
      {2, 0.903812f, 0.251189f, 19, 30, 79, 19, 10, 50, 121},  // 1 - 0.85f is 0.14999998
      {5, 0.801948f, 0.1f, 39, 51, 100, 39, 11, 50, 100},     // other types are k-20
      {-1, 0.801948f, 0.1f, 39, 51, 100, 39, 11, 50, 100},
  };
  ControlRig rig;
  Pictures pictures{*rig.editor->frame};
  CZrMeter* meter = rig.add(pictures.meter());
  for (const Case& c : cases) {
    meter->setMeterType(c.type);
    EXPECT_EQ(meter->getMeterType(), c.type == 1 || c.type == 2 ? c.type : 0);
    EXPECT_NEAR(meter->getOverOnScale(), c.overOn, 1e-6) << c.type;
    EXPECT_NEAR(meter->getRefLevel(), c.ref, 1e-6) << c.type;
    EXPECT_EQ(meter->getBoundWarn(), c.warn) << c.type;
    EXPECT_EQ(meter->getBoundZero(), c.zero) << c.type;
    EXPECT_EQ(meter->getBoundLow(), c.low) << c.type;
    EXPECT_EQ(meter->getNumOfOverPixels(), c.overPx) << c.type;
    EXPECT_EQ(meter->getNumOfWarnPixels(), c.warnPx) << c.type;
    EXPECT_EQ(meter->getNumOfNormPixels(), c.normPx) << c.type;
    EXPECT_EQ(meter->getNumOfLowPixels(), c.lowPx) << c.type;
  }
}

TEST(Meter, BarTopAtAndAroundEachZonePerScale) {
  // dB on the scale -> bar top y, top of the normal picture, warning rows,
  // over rows (0..0: not drawn). Silence is about -246 dB.
  struct Case {
    int32_t type;
    float db;  // NAN: silence (RMS 0)
    int32_t y, normTop, warnTop, warnBottom, overTop, overBottom;
  };
  const float silence = std::numeric_limits<float>::quiet_NaN();
  const Case cases[] = {
      // k-14: bounds 24/36/85, zones 24/11/50/115.
      {1, silence, 200, 200, 0, 0, 0, 0},
      {1, -110.0f, 200, 200, 0, 0, 0, 0},
      {1, -63.0f, 85 + 56, 85 + 56, 0, 0, 0, 0},  // trunc(115 * 39 / 80 = 56.06)
      {1, -12.5f, 36 + 26, 36 + 26, 0, 0, 0, 0},  // 50 * 12.5 / 24 = 26.04
      {1, 0.0f, 35, 36, 35, 36, 0, 0},            // 0 dB is in the warning zone: 24 + 11
      {1, 1.5f, 30, 36, 30, 36, 0, 0},            // 24 + trunc(11 * 0.625)
      {1, 9.5f, 10, 36, 24, 36, 10, 24},          // trunc(24 * 0.45)
      {1, 14.0f, 0, 36, 24, 36, 0, 24},           // full scale
      {1, 40.0f, 0, 36, 24, 36, 0, 24},           // far above: clamped to the top
      // k-20: bounds 39/51/100, zones 39/11/50/100.
      {0, -63.0f, 148, 148, 0, 0, 0, 0},  // 100 * 39 / 80 = 48.75
      {0, -12.5f, 77, 77, 0, 0, 0, 0},
      {0, 0.0f, 50, 51, 50, 51, 0, 0},
      {0, 1.5f, 45, 51, 45, 51, 0, 0},
      {0, 9.5f, 25, 51, 39, 51, 25, 39},  // trunc(39 * 0.65625)
      // k-12: bounds 19/30/79, zones 19/10/50/121.
      {2, -63.0f, 137, 137, 0, 0, 0, 0},  // 121 * 39 / 80 = 58.99
      {2, -12.5f, 56, 56, 0, 0, 0, 0},
      {2, 0.0f, 29, 30, 29, 30, 0, 0},
      {2, 1.5f, 25, 30, 25, 30, 0, 0},
      {2, 9.5f, 5, 30, 19, 30, 5, 19},  // trunc(19 * 0.3125)
  };
  ControlRig rig;
  Pictures pictures{*rig.editor->frame};
  CZrMeter* meter = rig.add(pictures.meter());
  for (const Case& c : cases) {
    meter->setMeterType(c.type);
    meter->setValue(1, std::isnan(c.db) ? 0.0f : amplitudeAt(*meter, c.db));
    meter->draw(rig.context);
    const int32_t y = c.y, normTop = c.normTop;
    const std::string name = "type " + std::to_string(c.type) + " at " + std::to_string(c.db) + " dB";
    EXPECT_EQ(meter->getBarTop(), y) << name;
    EXPECT_EQ(meter->getNormRect().top, normTop) << name;
    EXPECT_EQ(meter->getNormRect().bottom, kBar) << name;
    EXPECT_EQ(meter->getWarnRect().top, c.warnTop) << name;
    EXPECT_EQ(meter->getWarnRect().bottom, c.warnBottom) << name;
    EXPECT_EQ(meter->getOverRect().top, c.overTop) << name;
    EXPECT_EQ(meter->getOverRect().bottom, c.overBottom) << name;
  }
}

TEST(Meter, PeakMarkerRowAndSegmentPerZone) {
  struct Case {
    float db;  // after the draw's fall
    int32_t top, segment;
  };
  // k-14; segments of 20 / 4 - 1 = 4 rows.
  const Case cases[] = {
      {-12.5f, 36 + 27, 4},  // ceil(26.04)
      {-63.0f, 85 + 57, 4},  // ceil(56.06)
      {1.5f, 24 + 7, 3},     // ceil(6.875)
      {9.5f, 11, 2},         // ceil(10.8)
  };
  ControlRig rig;
  Pictures pictures{*rig.editor->frame};
  CZrMeter* meter = rig.add(pictures.meter());
  for (const Case& c : cases) {
    meter->setValue(0, amplitudeAt(*meter, c.db) / 0.707f);
    meter->draw(rig.context);
    EXPECT_NEAR(meter->getPeakValue(), c.db, 1e-3) << c.db;
    EXPECT_EQ(meter->getPeakRect().top, c.top) << c.db;
    EXPECT_EQ(meter->getPeakRect().height(), 4) << c.db;
    EXPECT_EQ(meter->getPeakSegment(), c.segment) << c.db;
    // The marker's rows show its segment of the strip.
    const Pixel expected = makePixel(200, 0, static_cast<uint8_t>(c.segment * 4));
    EXPECT_EQ(rig.editor->frame->getWindowPort()->get(1, c.top), expected) << c.db;
  }
  // Silence: no marker.
  meter->setValue(0, 0.0f);
  meter->draw(rig.context);
  EXPECT_TRUE(meter->getPeakRect().isEmpty());
}

TEST(Meter, PeakFallsAboutThreeDecibelsPerDrawAndHoldKeepsTheHighest) {
  ControlRig rig;
  Pictures pictures{*rig.editor->frame};
  CZrMeter* meter = rig.add(pictures.meter());
  meter->setValue(0, 1.0f);
  for (int k = 1; k <= 6; ++k) {
    meter->draw(rig.context);
    const double expected = 20.0 * std::log10(std::pow(0.707, k) / 0.19952623);
    EXPECT_NEAR(meter->getPeakValue(), expected, 2e-3) << k;
  }
  // Hold works only with the menu on.
  meter->setMenuOn();
  meter->setValue(0, 0.5f);
  meter->draw(rig.context);  // 0.5 falls to 0.3535 before it is measured: +4.97 dB
  const float held = meter->getPeakValue();
  EXPECT_NEAR(held, 4.97f, 0.01f);
  // Without the hold check the marker follows the fall...
  meter->setValue(0, 0.0f);
  meter->draw(rig.context);
  EXPECT_LT(meter->getPeakValue(), -200.0f);
}

TEST(Meter, OverFullScaleFlashesBetweenTheFirstTwoSegments) {
  ControlRig rig;
  Pictures pictures{*rig.editor->frame};
  CZrMeter* meter = rig.add(pictures.meter());
  std::vector<int32_t> segments;
  for (int i = 0; i < 4; ++i) {
    meter->setValue(0, 2.0f);  // +3 dB over full scale after the fall
    meter->draw(rig.context);
    segments.push_back(meter->getPeakSegment());
    EXPECT_EQ(meter->getPeakRect().top, 0);  // the row is above the bar: clamped to its top
  }
  EXPECT_EQ(segments, (std::vector<int32_t>{1, 0, 1, 0}));
  meter->setValue(0, 1.0f);  // falls to 0.707 first: +11 dB, the over zone
  meter->draw(rig.context);
  EXPECT_EQ(meter->getPeakSegment(), 2);
}

TEST(Meter, PicturesReachTheFrameThroughTheOffscreen) {
  ControlRig rig;
  Pictures pictures{*rig.editor->frame};
  const int32_t left = 30, top = 20;
  CZrMeter* meter = rig.add(pictures.meter(CRect(left, top, left + kWidth, top + kBar)));
  meter->setValue(1, amplitudeAt(*meter, 9.5f));  // bar top 10: over 10..24, warn 24..36, norm 36..200
  meter->draw(rig.context);
  auto* port = rig.editor->frame->getWindowPort();
  struct Row {
    int32_t row;
    Pixel colour;
  };
  for (const Row& r : {Row{0, offColour(1)}, Row{9, offColour(1)}, Row{10, kOver}, Row{23, kOver}, Row{24, kWarn},
                       Row{35, kWarn}, Row{36, kNorm}, Row{199, kNorm}})
    EXPECT_EQ(port->get(left + 1, top + r.row), r.colour) << r.row;
  EXPECT_EQ(port->get(left - 1, top + 50), 0u);  // nothing outside the meter
  EXPECT_FALSE(meter->isDirty());
  // k-20 takes the bottom version of the off picture.
  meter->setMeterType(0);
  meter->setValue(1, 0.0f);
  meter->draw(rig.context);
  EXPECT_EQ(port->get(left + 1, top + 100), offColour(2));
  // The average is stored only.
  meter->setValue(2, 0.5f);
  EXPECT_FLOAT_EQ(meter->getAverage(), 0.5f);
  EXPECT_FLOAT_EQ(meter->getRms(), 0.0f);
}

TEST(Meter, BadInputDrawsInsideEveryBitmap) {
  ControlRig rig;
  CFrame& frame = *rig.editor->frame;
  {  // NaN, negative and huge levels; a type outside 0..2.
    Pictures pictures{frame};
    CZrMeter* meter = rig.add(pictures.meter());
    meter->setMeterType(7);
    for (float level : {std::numeric_limits<float>::quiet_NaN(), -1.0f, -std::numeric_limits<float>::infinity(),
                        std::numeric_limits<float>::infinity(), 1e30f}) {
      meter->setValue(0, level);
      meter->setValue(1, level);
      meter->draw(rig.context);
      EXPECT_GE(meter->getBarTop(), 0) << level;
      EXPECT_LE(meter->getBarTop(), kBar) << level;
      EXPECT_GE(meter->getPeakRect().top, 0) << level;
      EXPECT_LE(meter->getPeakRect().bottom, kBar) << level;
      EXPECT_TRUE(std::isfinite(meter->getPeak())) << level;
    }
    meter->setValue(1, std::numeric_limits<float>::quiet_NaN());
    EXPECT_FLOAT_EQ(meter->getRms(), 0.0f);
  }
  {  // No off picture; no peak strip; a strip too short for segment 4.
    Pictures pictures{frame, 24};  // segments of 5 rows: the last would end at row 25
    pictures.off->forget();
    pictures.off = nullptr;
    CZrMeter* meter = rig.add(pictures.meter());
    meter->setValue(0, amplitudeAt(*meter, -12.5f) / 0.707f);
    meter->draw(rig.context);
    EXPECT_EQ(meter->getPeakSegment(), 4);
    EXPECT_EQ(meter->getPeakRect().height(), 4);  // rows 20..23 of the strip, not 20..24
    EXPECT_FALSE(meter->isDirty());
    CZrMeter* bare = rig.add(new CZrMeter(CRect(10, 0, 14, 200), pictures.over, pictures.warn, pictures.norm,
                                          nullptr, nullptr, pictures.background, pictures.scale, CPoint(), false,
                                          kBar));
    bare->setDirty(true);
    bare->draw(rig.context);  // without a peak strip nothing is drawn
    EXPECT_TRUE(bare->isDirty());
  }
}

// ---------------------------------------------------------------------------
// Clicks and the menu

// The meter's listener is its menu's too: it hears the chosen entry from the
// menu ("menu 3") and the click's toggle from the meter ("meter 1").
struct MeterListener : CControlListener {
  void valueChanged(CDrawContext*, CControl* control) override {
    heard.push_back(std::string(control->isTypeOf("CZrMeter") ? "meter " : "menu ") +
                    std::to_string(static_cast<int>(control->getValue())));
  }
  std::vector<std::string> heard;
};

struct MeterRig {
  explicit MeterRig(const char* script, bool menuOn = true, int32_t tag = 99) : parent{script, 10} {
    editor = new ProbeEditor(&effect, CRect(0, 0, 60, 220));
    editor->populate = [&, menuOn, tag](CFrame& frame) {
      pictures = std::make_unique<Pictures>(frame);
      meter = pictures->meter(CRect(10, 10, 10 + kWidth, 10 + kBar));
      meter->setListener(&listener);
      meter->setTag(tag);
      if (menuOn) meter->setMenuOn();
      frame.addView(meter);
    };
    host().taken();
    editor->open(&parent.record);
  }
  ~MeterRig() { editor->close(); }
  void run() {
    idleThroughScript(*editor, parent);
    EXPECT_EQ(parent.record.scriptError, 0u);
  }
  Parent parent;
  StubEffect effect;
  ProbeEditor* editor{nullptr};
  std::unique_ptr<Pictures> pictures;
  MeterListener listener;
  CZrMeter* meter{nullptr};
};

TEST(MeterMenu, ChoosingAScaleClearsTheOtherScalesAndRecomputesTheZones) {
  MeterRig rig{"click 11 50\nwait 20\nmenu 0\n"};
  rig.run();
  EXPECT_EQ(rig.meter->getMeterType(), 0);
  for (int32_t i = 0; i < CZrMeter::kNumMenuEntries; ++i) {
    EXPECT_EQ(rig.meter->getMenuCheck(i), i == 0 || i == 4) << i;
    EXPECT_EQ(rig.meter->getMenu()->isCheckEntry(i), i == 0 || i == 4) << i;
  }
  EXPECT_EQ(rig.meter->getBoundWarn(), 39);
  EXPECT_EQ(rig.meter->getBoundZero(), 51);
  EXPECT_FLOAT_EQ(rig.meter->getValue(), 1.0f);
  EXPECT_EQ(rig.listener.heard, (std::vector<std::string>{"menu 0", "meter 1"}));
  EXPECT_TRUE(rig.meter->getMouseDown());
  // The menu opened just below the pointer, and left the frame again.
  const auto& popup = rig.editor->frame->getPlatformWindow()->lastPopup();
  EXPECT_EQ(popup.x, 11);
  EXPECT_EQ(popup.y, 52);
  EXPECT_FALSE(rig.editor->frame->isChild(rig.meter->getMenu()));
  // Neither the meter's tag nor the menu's is a parameter: no host gesture.
  EXPECT_EQ(ControlRig::brackets(), (std::pair{0, 0}));
}

TEST(MeterMenu, PeakHoldAndOutputsToggleOnlyTheirCheck) {
  MeterRig rig{
      "click 11 50\nwait 20\nmenu 3\nwait 20\nclick 11 50\nwait 20\nmenu 4\nwait 20\n"
      "click 11 50\nwait 20\nmenu cancel\nwait 20\nclick 11 50\nwait 20\nmenu 3\n"};
  rig.run();
  EXPECT_EQ(rig.meter->getMeterType(), 1);
  EXPECT_FALSE(rig.meter->getMenuCheck(3));  // on, then off again
  EXPECT_FALSE(rig.meter->getMenuCheck(4));
  EXPECT_TRUE(rig.meter->getMenuCheck(1));
  EXPECT_EQ(rig.editor->frame->getPlatformWindow()->lastPopup().count, 4);
  // Every click toggles the value and tells the listener, chosen or not.
  EXPECT_EQ(rig.listener.heard, (std::vector<std::string>{"menu 3", "meter 1", "menu 4", "meter 0", "meter 1",
                                                          "menu 3", "meter 0"}));
  // The outputs flag follows its check at the next draw.
  rig.meter->setDirty(true);
  rig.editor->idle();
  EXPECT_FALSE(rig.meter->getSource());
}

TEST(MeterMenu, HoldFromTheMenuKeepsTheHighestPeak) {
  MeterRig rig{"click 11 50\nwait 20\nmenu 3\n"};
  rig.run();
  ASSERT_TRUE(rig.meter->getMenuCheck(3));
  CDrawContext* context = rig.editor->frame->createDrawContext();
  rig.meter->setValue(0, 0.5f);
  rig.meter->draw(context);
  for (int i = 0; i < 3; ++i) {
    rig.meter->setValue(0, 0.0f);
    rig.meter->draw(context);
    EXPECT_NEAR(rig.meter->getPeakValue(), 4.97f, 0.01f) << i;
  }
  rig.meter->setMenuOff();  // hold works only with the menu on
  rig.meter->draw(context);
  EXPECT_LT(rig.meter->getPeakValue(), -200.0f);
  context->forget();
}

TEST(MeterMenu, WithTheMenuOffAClickOnlyToggles) {
  MeterRig rig{"click 11 50\nwait 20\nclick 11 50\nwait 20\nclick 11 50 button 3\n", false};
  rig.run();
  EXPECT_EQ(rig.editor->frame->getPlatformWindow()->lastPopup().count, 0);
  EXPECT_FLOAT_EQ(rig.meter->getValue(), 0.0f);  // 0 -> 1 -> 0; the right click does nothing
  EXPECT_TRUE(rig.listener.heard.empty());
  EXPECT_EQ(rig.meter->getMenu(), nullptr);
}

TEST(MeterMenu, TheMenuIsOwnedOnceAcrossMenuOffClicksAndDestruction) {
  // Menu on: created; menu off: dropped (freed, not leaked); on again: a new
  // one with the meter's checks; the editor's close frees the meter and it.
  MeterRig rig{"click 11 50\nwait 20\nmenu 3\n"};
  rig.run();
  ASSERT_NE(rig.meter->getMenu(), nullptr);
  rig.meter->setMenuOff();
  CDrawContext* context = rig.editor->frame->createDrawContext();
  CPoint where(11, 50);
  rig.meter->mouse(context, where, kLeftButton);
  EXPECT_EQ(rig.meter->getMenu(), nullptr);
  EXPECT_TRUE(rig.meter->getMenuCheck(3));
  context->forget();
}

TEST(MeterMenu, AParameterTagBracketsTheClickOnce) {
  MeterRig rig{"click 11 50\nwait 20\nmenu 2\n", true, 1};
  rig.run();
  EXPECT_EQ(ControlRig::brackets(), (std::pair{1, 1}));
  EXPECT_EQ(rig.meter->getMeterType(), 2);
}

}  // namespace
}  // namespace editortest
