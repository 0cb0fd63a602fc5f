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
#include "TavrelEditorLayout.h"

namespace {

using Layout = TavrelEditorLayout;
using Part = editor_parts::Part;

}  // namespace

ZidIdirAruriz::ZidIdirAruriz(AudioEffect* effect) : AEffGUIEditor(effect) {
  editor_parts::loadPictures({{&hBackground, Layout::kBackground},
                              {&hAboutScreen, Layout::kAbout},
                              {&hNewKnob, Layout::kKnobStrip},
                              {&hOrderSwitch, Layout::kOrderStrip}});
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

  // The controls in the layout's order: later ones are drawn over earlier ones.
  const CPoint offset(0, 0);
  for (const Layout::Row& row : Layout::kRows) {
    CBitmap* picture = getBitmap(row.pictures[0]);
    if (editor_parts::addSharedPart(*this, frame, effect, row, picture)) continue;
    switch (row.kind) {
      case Part::Switch: {
        // One position a step of the parameter.
        auto* positions = new CVerticalSwitch(
            row.area.rect(), this, row.tag, Layout::kOrderFrames, Layout::kOrderFrameHeight,
            Tavrel::kParameters[row.tag].steps.count, picture, offset);
        positions->setValue(effect->getParameter(row.tag));
        positions->setDefaultValue(row.defaultValue);
        frame->addView(positions);
        this->*row.verticalSwitch = positions;
        break;
      }
      default: break;
    }
  }
  return 1;
}

void ZidIdirAruriz::close() {
  // The frame deletes the controls: nothing may point at them afterwards.
  aboutScreen = nullptr;
  angle1Knob = angle2Knob = angle3Knob = nullptr;
  orderSwitch = nullptr;
  angle1Readout = angle2Readout = angle3Readout = nullptr;
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
  switch (index) {
    case Tavrel::kAngle1: return angle1Readout;
    case Tavrel::kAngle2: return angle2Readout;
    case Tavrel::kAngle3: return angle3Readout;
    default: return nullptr;
  }
}

CBitmap* ZidIdirAruriz::getBitmap(int32_t resourceID) const {
  switch (resourceID) {
    case Layout::kBackground: return hBackground;
    case Layout::kAbout: return hAboutScreen;
    case Layout::kKnobStrip: return hNewKnob;
    case Layout::kOrderStrip: return hOrderSwitch;
    default: return nullptr;
  }
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
