#include "ZidIdirAruriz.h"

#include <cmath>
#include <cstdio>

#include "AudioEffect.h"
#include "CAnimRotary.h"
#include "CBitmap.h"
#include "CFrame.h"
#include "CParamDisplay.h"
#include "CSplashScreen.h"
#include "CVerticalSwitch.h"
#include "EditorParts.h"
#include "Tavrel.h"

namespace {

using editor_parts::kKnobSize;

// Picture numbers.
enum Picture : int32_t { kBackground = 128, kKnobStrip = 132, kOrderStrip = 133, kAbout = 134 };
// The about picture's tag: past the parameters, so the host never hears of it.
constexpr VstInt32 kAboutTag = 32;

constexpr int32_t kOrderFrames = 6;
constexpr int32_t kOrderFrameHeight = 80;
constexpr int32_t kOrderPositions = 6;
// One full turn: the same orientation as 0.
constexpr float kKnobDefault = 1.0f;
constexpr float kOrderDefault = 0.0f;

const CRect kAboutArea(50, 0, 136, 15);
// The three angle knobs side by side, the order switch below them.
const CRect kKnobAreas[3] = {{22, 36, 22 + kKnobSize, 36 + kKnobSize},
                             {70, 36, 70 + kKnobSize, 36 + kKnobSize},
                             {118, 36, 118 + kKnobSize, 36 + kKnobSize}};
const CRect kOrderArea(22, 90, 166, 170);
// Under the order switch and its label, one per knob column; none overlaps a
// control, so they take no clicks.
const CRect kReadoutAreas[3] = {{24, 194, 68, 208}, {72, 194, 116, 208}, {120, 194, 164, 208}};

}  // namespace

ZidIdirAruriz::ZidIdirAruriz(AudioEffect* effect) : AEffGUIEditor(effect) {
  editor_parts::loadPictures({{&hBackground, kBackground},
                              {&hAboutScreen, kAbout},
                              {&hNewKnob, kKnobStrip},
                              {&hOrderSwitch, kOrderStrip}});
  rect = editor_parts::windowRect(hBackground, kFallbackWidth, kFallbackHeight);
}

ZidIdirAruriz::~ZidIdirAruriz() {
  // The window goes first: its controls still hold the pictures.
  if (frame) close();
  editor_parts::forgetPictures({&hBackground, &hAboutScreen, &hNewKnob, &hOrderSwitch});
}

VstInt32 ZidIdirAruriz::open(void* ptr) {
  AEffGUIEditor::open(ptr);  // closes a window the host left open
  frame = new CFrame(CRect(0, 0, rect.right, rect.bottom), ptr, this);
  frame->setBackground(hBackground);

  const CPoint offset(0, 0);
  const CRect about(0, 0, hAboutScreen->getWidth(), hAboutScreen->getHeight());
  aboutScreen = new CSplashScreen(kAboutArea, this, kAboutTag, hAboutScreen, about, offset);
  frame->addView(aboutScreen);

  CAnimRotary** knobs[] = {&angle1Knob, &angle2Knob, &angle3Knob};
  for (VstInt32 i = Tavrel::kAngle1; i <= Tavrel::kAngle3; ++i) {
    auto* knob = editor_parts::newTurnKnob(kKnobAreas[i], this, i, hNewKnob);
    knob->setValue(effect->getParameter(i));
    knob->setDefaultValue(kKnobDefault);
    frame->addView(knob);
    *knobs[i] = knob;
  }

  orderSwitch = new CVerticalSwitch(kOrderArea, this, Tavrel::kOrder, kOrderFrames,
                                    kOrderFrameHeight, kOrderPositions, hOrderSwitch, offset);
  orderSwitch->setValue(effect->getParameter(Tavrel::kOrder));
  orderSwitch->setDefaultValue(kOrderDefault);
  frame->addView(orderSwitch);

  for (VstInt32 i = Tavrel::kAngle1; i <= Tavrel::kAngle3; ++i) {
    angleReadouts[i] =
        editor_parts::newReadout(kReadoutAreas[i], angleText, effect->getParameter(i));
    frame->addView(angleReadouts[i]);
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
    case Tavrel::kAngle1: return angle1Knob;
    case Tavrel::kAngle2: return angle2Knob;
    case Tavrel::kAngle3: return angle3Knob;
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
  if (index == Tavrel::kOrder) return orderSwitch;
  return getAngleKnob(index);
}

void ZidIdirAruriz::applyParameter(VstInt32 index, float) {
  if (!frame || index < 0 || index >= Tavrel::kNumParams) return;
  // The plug-in's value, not the recorded one: a later change may have
  // overtaken it.
  const float value = effect->getParameter(index);
  if (CControl* control = controlOf(index)) control->setValue(value);
  if (CParamDisplay* readout = getAngleReadout(index)) readout->setValue(value);
}

void ZidIdirAruriz::valueChanged(CDrawContext*, CControl* control) {
  editor_parts::sendEdit(effect, this, control);
}
