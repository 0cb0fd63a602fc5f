#include "RazOruRerora.h"

#include <cstdio>

#include "AudioEffect.h"
#include "CAnimRotary.h"
#include "CBitmap.h"
#include "CFrame.h"
#include "CParamDisplay.h"
#include "CSlider.h"
#include "CSplashScreen.h"
#include "EditorParts.h"
#include "Pelrin.h"
#include "PolarView.h"

namespace {

using editor_parts::kKnobSize;

// Picture numbers.
enum Picture : int32_t {
  kBackground = 128,
  kAbout = 129,
  kKnobStrip = 130,
  kFaderBody = 131,
  kFaderHandle = 132
};
// The about picture's tag: past the parameters, so the host never hears of it.
constexpr VstInt32 kAboutTag = 32;

const CRect kAboutArea(50, 0, 136, 15);
// Azimuth, Elevation below it, Mic Angle right of Azimuth; each knob's
// readout under it, the pattern's under the slider.
const CRect kKnobAreas[3] = {{48, 48, 48 + kKnobSize, 48 + kKnobSize},
                             {48, 112, 48 + kKnobSize, 112 + kKnobSize},
                             {128, 48, 128 + kKnobSize, 48 + kKnobSize}};
const CRect kReadoutAreas[4] = {
    {51, 96, 91, 110}, {51, 160, 91, 174}, {131, 96, 171, 110}, {91, 208, 131, 222}};
const CPoint kFaderAt(32, 192);
// Where the handle's left edge may go: from 36 to the body's width less the
// handle's, plus 29.
constexpr int32_t kFaderMin = 36;
constexpr int32_t kFaderMaxPastTravel = 29;
// The values a Ctrl+click restores: those of the first program.
constexpr float kKnobDefaults[3] = {0.0f, 0.25f, 0.16666667f};
constexpr float kPatternDefault = 0.5f;

void writeNumber(char* string, float number) {
  std::snprintf(string, 256, "%.2f", static_cast<double>(number));
}

}  // namespace

const CRect RazOruRerora::kPolarViewArea(110, 112, 214, 190);

RazOruRerora::RazOruRerora(AudioEffect* effect) : AEffGUIEditor(effect) {
  editor_parts::loadPictures({{&hBackground, kBackground},
                              {&hAboutScreen, kAbout},
                              {&hNewKnob, kKnobStrip},
                              {&hHFaderBody, kFaderBody},
                              {&hHFaderHandle, kFaderHandle}});
  rect = editor_parts::windowRect(hBackground, kFallbackWidth, kFallbackHeight);
}

RazOruRerora::~RazOruRerora() {
  // The window goes first: its controls still hold the pictures.
  if (frame) close();
  editor_parts::forgetPictures(
      {&hBackground, &hAboutScreen, &hNewKnob, &hHFaderBody, &hHFaderHandle});
}

VstInt32 RazOruRerora::open(void* ptr) {
  AEffGUIEditor::open(ptr);  // closes a window the host left open
  frame = new CFrame(CRect(0, 0, rect.right, rect.bottom), ptr, this);
  frame->setBackground(hBackground);

  const CPoint offset(0, 0);
  const CRect about(0, 0, hAboutScreen->getWidth(), hAboutScreen->getHeight());
  aboutScreen = new CSplashScreen(kAboutArea, this, kAboutTag, hAboutScreen, about, offset);
  frame->addView(aboutScreen);

  CAnimRotary** knobs[] = {&azimuthKnob, &elevationKnob, &angleKnob};
  for (VstInt32 i = Pelrin::kAzimuth; i <= Pelrin::kAngle; ++i) {
    auto* knob = editor_parts::newTurnKnob(kKnobAreas[i], this, i, hNewKnob);
    knob->setValue(effect->getParameter(i));
    knob->setDefaultValue(kKnobDefaults[i]);
    frame->addView(knob);
    *knobs[i] = knob;
  }

  const int32_t bodyWidth = hHFaderBody->getWidth();
  const CRect faderArea(kFaderAt.h, kFaderAt.v, kFaderAt.h + bodyWidth,
                        kFaderAt.v + hHFaderBody->getHeight());
  patternFader = new CHorizontalSlider(faderArea, this, Pelrin::kPattern, kFaderMin,
                                       bodyWidth - hHFaderHandle->getWidth() + kFaderMaxPastTravel,
                                       hHFaderHandle, hHFaderBody, offset, kStyleLeft);
  patternFader->setValue(effect->getParameter(Pelrin::kPattern));
  patternFader->setDefaultValue(kPatternDefault);
  frame->addView(patternFader);

  const CParamDisplay::StringConvert texts[] = {
      degreeStringConvertAzimuth, degreeStringConvertElevation, degreeStringConvertAngle,
      floatStringConvertPattern};
  CParamDisplay** displays[] = {&azimuthDisplay, &elevationDisplay, &angleDisplay, &patternDisplay};
  for (VstInt32 i = Pelrin::kAzimuth; i <= Pelrin::kPattern; ++i) {
    *displays[i] = editor_parts::newReadout(kReadoutAreas[i], texts[i], effect->getParameter(i));
    frame->addView(*displays[i]);
  }

  polarView = new PelrinPolarView(kPolarViewArea, hBackground);
  showValuesInPolarView();
  frame->addView(polarView);
  return 1;
}

void RazOruRerora::showValuesInPolarView() {
  if (!polarView) return;
  polarView->setValues(
      {effect->getParameter(Pelrin::kAzimuth), effect->getParameter(Pelrin::kElevation),
       effect->getParameter(Pelrin::kAngle), effect->getParameter(Pelrin::kPattern)});
}

void RazOruRerora::close() {
  // The frame deletes the controls: nothing may point at them afterwards.
  aboutScreen = nullptr;
  azimuthKnob = elevationKnob = angleKnob = nullptr;
  patternFader = nullptr;
  azimuthDisplay = elevationDisplay = angleDisplay = patternDisplay = nullptr;
  polarView = nullptr;
  AEffGUIEditor::close();
}

CControl* RazOruRerora::controlOf(VstInt32 index) const {
  if (index == Pelrin::kPattern) return patternFader;
  return getKnob(index);
}

void RazOruRerora::applyParameter(VstInt32 index, float) {
  if (!frame || index < 0 || index >= Pelrin::kNumParams) return;
  // The plug-in's value, not the recorded one: a later change may have
  // overtaken it.
  const float value = effect->getParameter(index);
  if (CControl* control = controlOf(index)) control->setValue(value);
  if (CParamDisplay* display = getDisplay(index)) display->setValue(value);
  showValuesInPolarView();
}

void RazOruRerora::valueChanged(CDrawContext*, CControl* control) {
  editor_parts::sendEdit(effect, this, control);
}

CAnimRotary* RazOruRerora::getKnob(VstInt32 index) const {
  switch (index) {
    case Pelrin::kAzimuth: return azimuthKnob;
    case Pelrin::kElevation: return elevationKnob;
    case Pelrin::kAngle: return angleKnob;
    default: return nullptr;
  }
}

CParamDisplay* RazOruRerora::getDisplay(VstInt32 index) const {
  switch (index) {
    case Pelrin::kAzimuth: return azimuthDisplay;
    case Pelrin::kElevation: return elevationDisplay;
    case Pelrin::kAngle: return angleDisplay;
    case Pelrin::kPattern: return patternDisplay;
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
