#include "RazOruRerora.h"

#include <cstdio>
#include <numbers>

#include "AudioEffect.h"
#include "CAnimRotary.h"
#include "CBitmap.h"
#include "CFrame.h"
#include "CParamDisplay.h"
#include "CSlider.h"
#include "CSplashScreen.h"
#include "PolarView.h"

namespace {

// Bitmap numbers.
constexpr int32_t kBackground = 128;
constexpr int32_t kAbout = 129;
constexpr int32_t kKnobStrip = 130;
constexpr int32_t kFaderBody = 131;
constexpr int32_t kFaderHandle = 132;

constexpr int32_t kAboutTag = 32;
constexpr int32_t kKnobFrames = 45;
constexpr int32_t kKnobSize = 48;
constexpr float kFullTurnClockwise = -(2.0f * std::numbers::pi_v<float>);
constexpr float kTwelveOClock = 1.5707964f;

void writeNumber(char* string, float number) {
  std::snprintf(string, 256, "%.2f", static_cast<double>(number));
}

}  // namespace

const CRect RazOruRerora::kPolarViewArea(110, 112, 214, 190);

RazOruRerora::RazOruRerora(AudioEffect* effect) : AEffGUIEditor(effect) {
  try {
    hBackground = new CBitmap(kBackground);
    hAboutScreen = new CBitmap(kAbout);
    hNewKnob = new CBitmap(kKnobStrip);
    hHFaderBody = new CBitmap(kFaderBody);
    hHFaderHandle = new CBitmap(kFaderHandle);
  } catch (...) {
    // No destructor runs for an editor that was not built.
    forgetBitmaps();
    throw;
  }
  const bool haveBackground = hBackground->getWidth() > 0 && hBackground->getHeight() > 0;
  rect.top = 0;
  rect.left = 0;
  rect.right = static_cast<int16_t>(haveBackground ? hBackground->getWidth() : kFallbackWidth);
  rect.bottom = static_cast<int16_t>(haveBackground ? hBackground->getHeight() : kFallbackHeight);
}

RazOruRerora::~RazOruRerora() {
  // The frame (and the controls' references on the pictures) go first.
  forgetControls();
  if (frame) AEffGUIEditor::close();
  forgetBitmaps();
}

void RazOruRerora::forgetBitmaps() {
  for (CBitmap** b : {&hBackground, &hAboutScreen, &hNewKnob, &hHFaderBody, &hHFaderHandle}) {
    if (*b) (*b)->forget();
    *b = nullptr;
  }
}

void RazOruRerora::forgetControls() {
  aboutScreen = nullptr;
  azimuthKnob = elevationKnob = angleKnob = nullptr;
  patternFader = nullptr;
  azimuthDisplay = elevationDisplay = angleDisplay = patternDisplay = nullptr;
  polarView = nullptr;
}

VstInt32 RazOruRerora::open(void* ptr) {
  // A second open without close: the base removes the old frame; its
  // controls go with it.
  forgetControls();
  AEffGUIEditor::open(ptr);

  const CRect size(0, 0, rect.right - rect.left, rect.bottom - rect.top);
  frame = new CFrame(size, ptr, this);
  frame->setBackground(hBackground);
  const CPoint point(0, 0);

  const CRect about(0, 0, hAboutScreen->getWidth(), hAboutScreen->getHeight());
  aboutScreen = new CSplashScreen(CRect(50, 0, 136, 15), this, kAboutTag, hAboutScreen, about, point);
  frame->addView(aboutScreen);

  const float defaults[] = {0.0f, 0.25f, 0.16666667f};
  CRect knobRect(0, 0, kKnobSize, kKnobSize);
  knobRect.offset(48, 48);
  const CPoint knobSteps[] = {{0, 0}, {0, 64}, {80, -64}};
  CAnimRotary** knobs[] = {&azimuthKnob, &elevationKnob, &angleKnob};
  for (VstInt32 i = 0; i < 3; ++i) {
    knobRect.offset(knobSteps[i].h, knobSteps[i].v);
    auto* knob = new CAnimRotary(knobRect, this, i, kKnobFrames, kKnobSize, hNewKnob, point);
    knob->setRangeAngle(kFullTurnClockwise);
    knob->setStartAngle(kTwelveOClock);
    knob->setValue(effect->getParameter(i));
    knob->setDefaultValue(defaults[i]);
    frame->addView(knob);
    *knobs[i] = knob;
  }

  const int32_t bodyWidth = hHFaderBody->getWidth();
  const int32_t bodyHeight = hHFaderBody->getHeight();
  const CRect faderRect(32, 192, 32 + bodyWidth, 192 + bodyHeight);
  patternFader = new CHorizontalSlider(faderRect, this, 3, 36, bodyWidth - hHFaderHandle->getWidth() + 29,
                                       hHFaderHandle, hHFaderBody, point, kStyleLeft);
  patternFader->setValue(effect->getParameter(3));
  patternFader->setDefaultValue(0.5f);
  frame->addView(patternFader);

  CRect displayRect(0, 0, 40, 14);
  displayRect.offset(51, 96);
  const CPoint displaySteps[] = {{0, 0}, {0, 64}, {80, -64}, {-40, 112}};
  CParamDisplay::StringConvert converters[] = {degreeStringConvertAzimuth, degreeStringConvertElevation,
                                               degreeStringConvertAngle, floatStringConvertPattern};
  CParamDisplay** displays[] = {&azimuthDisplay, &elevationDisplay, &angleDisplay, &patternDisplay};
  for (VstInt32 i = 0; i < 4; ++i) {
    displayRect.offset(displaySteps[i].h, displaySteps[i].v);
    auto* display = new CParamDisplay(displayRect, nullptr, kStyleHorizontal);
    display->setFont(kNormalFontSmall);
    display->setFontColor(kWhiteCColor);
    display->setBackColor(kBlackCColor);
    display->setFrameColor(kBlueCColor);
    display->setValue(effect->getParameter(i));
    display->setStringConvert(converters[i]);
    frame->addView(display);
    *displays[i] = display;
  }

  polarView = new PelrinPolarView(kPolarViewArea, hBackground);
  showValuesInPolarView();
  frame->addView(polarView);
  return 1;
}

void RazOruRerora::showValuesInPolarView() {
  if (!polarView) return;
  polarView->setValues({effect->getParameter(0), effect->getParameter(1), effect->getParameter(2),
                        effect->getParameter(3)});
}

void RazOruRerora::close() {
  forgetControls();
  AEffGUIEditor::close();
}

void RazOruRerora::applyParameter(VstInt32 index, float) {
  if (!frame) return;
  CControl* controls[2]{};
  switch (index) {
    case 0: controls[0] = azimuthKnob; controls[1] = azimuthDisplay; break;
    case 1: controls[0] = elevationKnob; controls[1] = elevationDisplay; break;
    case 2: controls[0] = angleKnob; controls[1] = angleDisplay; break;
    case 3: controls[0] = patternFader; controls[1] = patternDisplay; break;
    default: return;
  }
  // The plug-in's current value, which may be newer than the one recorded.
  const float value = effect->getParameter(index);
  for (CControl* c : controls)
    if (c) c->setValue(value);
  showValuesInPolarView();
}

void RazOruRerora::valueChanged(CDrawContext*, CControl* control) {
  const VstInt32 tag = control->getTag();
  if (static_cast<uint32_t>(tag) > 3u) return;
  // The host hears of real changes only: a drag resting on one value (the
  // slider asks on every pass while its value is unsaved) sends nothing.
  const float value = control->getValue();
  if (value != effect->getParameter(tag)) effect->setParameterAutomated(tag, value);
  control->setDirty(true);
  postUpdate();
}

CAnimRotary* RazOruRerora::getKnob(VstInt32 index) const {
  switch (index) {
    case 0: return azimuthKnob;
    case 1: return elevationKnob;
    case 2: return angleKnob;
    default: return nullptr;
  }
}

CParamDisplay* RazOruRerora::getDisplay(VstInt32 index) const {
  switch (index) {
    case 0: return azimuthDisplay;
    case 1: return elevationDisplay;
    case 2: return angleDisplay;
    case 3: return patternDisplay;
    default: return nullptr;
  }
}

CBitmap* RazOruRerora::getBitmap(int32_t resourceID) const {
  switch (resourceID) {
    case kBackground: return hBackground;
    case kAbout: return hAboutScreen;
    case kKnobStrip: return hNewKnob;
    case kFaderBody: return hHFaderBody;
    case kFaderHandle: return hHFaderHandle;
    default: return nullptr;
  }
}

void RazOruRerora::degreeStringConvertAzimuth(float value, char* string) {
  writeNumber(string, (1.0f - value) * 360.0f);
}

void RazOruRerora::degreeStringConvertElevation(float value, char* string) {
  writeNumber(string, static_cast<float>((0.25 - static_cast<double>(value)) * 360.0));
}

void RazOruRerora::degreeStringConvertAngle(float value, char* string) { writeNumber(string, value * 360.0f); }

void RazOruRerora::floatStringConvertPattern(float value, char* string) { writeNumber(string, value); }
