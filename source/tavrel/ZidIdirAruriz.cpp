#include "ZidIdirAruriz.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "AudioEffect.h"
#include "CAnimRotary.h"
#include "CBitmap.h"
#include "CFrame.h"
#include "CParamDisplay.h"
#include "CSplashScreen.h"
#include "CVerticalSwitch.h"

namespace {
enum Resource : int32_t { kBackground = 128, kKnobStrip = 132, kOrderStrip = 133, kAbout = 134 };
enum Tag : int32_t { kAngle1Tag = 0, kAngle2Tag = 1, kAngle3Tag = 2, kOrderTag = 3, kAboutTag = 32 };

constexpr int32_t kKnobFrames = 45;
constexpr int32_t kKnobSize = 48;
constexpr int32_t kOrderFrames = 6;
constexpr int32_t kOrderFrameHeight = 80;
constexpr int32_t kOrderPositions = 6;
// A full clockwise turn starting at 12 o'clock.
constexpr float kKnobRange = -(2.0f * std::numbers::pi_v<float>);
constexpr float kKnobStart = 1.5707964f;
// One full turn: the same orientation as 0.
constexpr float kKnobDefault = 1.0f;
constexpr float kOrderDefault = 0.0f;

const CRect kAboutArea(50, 0, 136, 15);
const CRect kFirstKnob(22, 36, 22 + kKnobSize, 36 + kKnobSize);
const CRect kOrderArea(22, 90, 166, 170);
// Under the order switch and its label, one per knob column; none overlaps a
// control, so they take no clicks.
const CRect kFirstReadout(24, 194, 68, 208);
constexpr int32_t kReadoutStep = kKnobSize;
}  // namespace

ZidIdirAruriz::ZidIdirAruriz(AudioEffect* effect) : AEffGUIEditor(effect) {
  try {
    hBackground = new CBitmap(kBackground);
    hAboutScreen = new CBitmap(kAbout);
    hNewKnob = new CBitmap(kKnobStrip);
    hOrderSwitch = new CBitmap(kOrderStrip);
  } catch (...) {
    // No destructor runs for an editor that was not built.
    forgetBitmaps();
    throw;
  }
  // Without a background the window still holds every control.
  const bool sized = hBackground->getWidth() > 0 && hBackground->getHeight() > 0;
  rect.top = 0;
  rect.left = 0;
  rect.bottom = static_cast<int16_t>(sized ? std::min(hBackground->getHeight(), 32767) : kFallbackHeight);
  rect.right = static_cast<int16_t>(sized ? std::min(hBackground->getWidth(), 32767) : kFallbackWidth);
}

ZidIdirAruriz::~ZidIdirAruriz() {
  // The window goes first: its controls still hold the bitmaps.
  if (frame) close();
  forgetBitmaps();
}

void ZidIdirAruriz::forgetBitmaps() {
  for (CBitmap** bitmap : {&hBackground, &hAboutScreen, &hNewKnob, &hOrderSwitch}) {
    if (*bitmap) (*bitmap)->forget();
    *bitmap = nullptr;
  }
}

VstInt32 ZidIdirAruriz::open(void* ptr) {
  AEffGUIEditor::open(ptr);  // closes a window the host left open
  frame = new CFrame(CRect(0, 0, rect.right, rect.bottom), ptr, this);
  frame->setBackground(hBackground);

  CPoint offset(0, 0);
  CRect toDisplay(0, 0, hAboutScreen->getWidth(), hAboutScreen->getHeight());
  aboutScreen = new CSplashScreen(kAboutArea, this, kAboutTag, hAboutScreen, toDisplay, offset);
  frame->addView(aboutScreen);

  CRect knobArea = kFirstKnob;
  CAnimRotary** knobs[] = {&angle1Knob, &angle2Knob, &angle3Knob};
  for (int32_t i = 0; i < 3; ++i) {
    auto* knob = new CAnimRotary(knobArea, this, kAngle1Tag + i, kKnobFrames, kKnobSize, hNewKnob, offset);
    knob->setRangeAngle(kKnobRange);
    knob->setStartAngle(kKnobStart);
    knob->setValue(effect->getParameter(kAngle1Tag + i));
    knob->setDefaultValue(kKnobDefault);
    frame->addView(knob);
    *knobs[i] = knob;
    knobArea.offset(kKnobSize, 0);
  }

  orderSwitch = new CVerticalSwitch(kOrderArea, this, kOrderTag, kOrderFrames, kOrderFrameHeight,
                                    kOrderPositions, hOrderSwitch, offset);
  orderSwitch->setValue(effect->getParameter(kOrderTag));
  orderSwitch->setDefaultValue(kOrderDefault);
  frame->addView(orderSwitch);

  CRect readoutArea = kFirstReadout;
  for (int32_t i = 0; i < 3; ++i) {
    auto* readout = new CParamDisplay(readoutArea, nullptr, kStyleHorizontal);
    readout->setFont(kNormalFontSmall);
    readout->setFontColor(kWhiteCColor);
    readout->setBackColor(kBlackCColor);
    readout->setFrameColor(kBlueCColor);
    readout->setStringConvert(angleText);
    readout->setValue(effect->getParameter(kAngle1Tag + i));
    frame->addView(readout);
    angleReadouts[i] = readout;
    readoutArea.offset(kReadoutStep, 0);
  }
  return 1;
}

void ZidIdirAruriz::close() {
  // The frame deletes the controls: nothing may point at them afterwards.
  aboutScreen = nullptr;
  angle1Knob = angle2Knob = angle3Knob = nullptr;
  orderSwitch = nullptr;
  for (CParamDisplay*& readout : angleReadouts) readout = nullptr;
  AEffGUIEditor::close();
}

CAnimRotary* ZidIdirAruriz::getAngleKnob(int index) const {
  switch (index) {
    case 0: return angle1Knob;
    case 1: return angle2Knob;
    case 2: return angle3Knob;
    default: return nullptr;
  }
}

CParamDisplay* ZidIdirAruriz::getAngleReadout(int index) const {
  return index >= 0 && index < 3 ? angleReadouts[index] : nullptr;
}

void ZidIdirAruriz::angleText(float value, char* string) {
  double turns = static_cast<double>(value);
  if (!std::isfinite(turns)) {
    std::snprintf(string, 256, "--");
    return;
  }
  // 1 stays 360 (the knob's full turn); outside 0..1 only the part of a turn counts.
  if (turns < 0.0 || turns > 1.0) turns -= std::floor(turns);
  std::snprintf(string, 256, "%.1f\xA1", turns * 360.0);
}

CControl* ZidIdirAruriz::controlOf(VstInt32 index) const {
  if (index == kOrderTag) return orderSwitch;
  return getAngleKnob(index);
}

void ZidIdirAruriz::applyParameter(VstInt32 index, float) {
  if (!frame) return;
  // The plug-in's value, not the recorded one: a later change may have
  // overtaken it.
  const float value = effect->getParameter(index);
  if (CControl* control = controlOf(index)) control->setValue(value);
  if (CParamDisplay* readout = getAngleReadout(index)) readout->setValue(value);
}

void ZidIdirAruriz::valueChanged(CDrawContext*, CControl* control) {
  const auto tag = static_cast<uint32_t>(control->getTag());
  if (tag > kOrderTag) return;  // the about picture and anything not a parameter
  const auto index = static_cast<VstInt32>(tag);
  // A pass of a drag that did not change the value sends nothing to the
  // host: no automation flood while the button is held still.
  if (control->getValue() != effect->getParameter(index)) effect->setParameterAutomated(index, control->getValue());
  control->setDirty(true);
  postUpdate();
}
