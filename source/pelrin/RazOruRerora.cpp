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
#include "PelrinEditorLayout.h"
#include "PolarView.h"

namespace {

using Layout = PelrinEditorLayout;
using Part = editor_parts::Part;

void writeNumber(char* string, float number) {
  std::snprintf(string, 256, "%.2f", static_cast<double>(number));
}

}  // namespace

const CRect RazOruRerora::kPolarViewArea = Layout::kPolarViewArea.rect();

RazOruRerora::RazOruRerora(AudioEffect* effect) : AEffGUIEditor(effect) {
  editor_parts::loadPictures({{&hBackground, Layout::kBackground},
                              {&hAboutScreen, Layout::kAbout},
                              {&hNewKnob, Layout::kKnobStrip},
                              {&hHFaderBody, Layout::kFaderBody},
                              {&hHFaderHandle, Layout::kFaderHandle}});
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

  // The controls in the layout's order: later ones are drawn over earlier ones.
  const CPoint offset(0, 0);
  for (const Layout::Row& row : Layout::kRows) {
    CBitmap* picture = getBitmap(row.pictures[0]);
    if (editor_parts::addSharedPart(*this, frame, effect, row, picture)) continue;
    switch (row.kind) {
      case Part::Fader: {
        // The body picture sets the fader's size; the handle travels over it.
        CBitmap* handle = getBitmap(row.pictures[1]);
        const int32_t bodyWidth = picture->getWidth();
        const CRect faderArea(row.area.left, row.area.top, row.area.left + bodyWidth,
                              row.area.top + picture->getHeight());
        auto* fader =
            new CHorizontalSlider(faderArea, this, row.tag, Layout::kFaderMin,
                                  bodyWidth - handle->getWidth() + Layout::kFaderMaxPastTravel,
                                  handle, picture, offset, kStyleLeft);
        fader->setValue(effect->getParameter(row.tag));
        fader->setDefaultValue(row.defaultValue);
        frame->addView(fader);
        this->*row.fader = fader;
        break;
      }
      default: break;
    }
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
    case Layout::kBackground: return hBackground;
    case Layout::kAbout: return hAboutScreen;
    case Layout::kKnobStrip: return hNewKnob;
    case Layout::kFaderBody: return hHFaderBody;
    case Layout::kFaderHandle: return hHFaderHandle;
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
