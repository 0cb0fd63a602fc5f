// What both plug-ins' editors (and the control gallery) build alike: the
// rows their layouts are written in, the pictures they own, the window's size
// from the background, the film-strip knobs that turn once around, the value
// readouts, and the edits they send to the host. Only editor code includes
// this; it needs the toolkit.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <numbers>
#include <utility>

#include "AudioEffect.h"
#include "CAnimRotary.h"
#include "CBitmap.h"
#include "CFrame.h"
#include "CParamDisplay.h"
#include "CSplashScreen.h"
#include "guieditor.h"

class CHorizontalSlider;
class CVerticalSwitch;

namespace editor_parts {

// The knob strips: 45 frames of 48 x 48 pixels, one turn clockwise from 12
// o'clock over the value range (so 0 and 1 show the same frame).
inline constexpr int32_t kKnobFrames = 45;
inline constexpr int32_t kKnobSize = 48;
inline constexpr float kFullTurnClockwise = -(2.0f * std::numbers::pi_v<float>);
inline constexpr float kTwelveOClock = 1.5707964f;

// A rectangle in window pixels, known at compile time.
struct Box {
  int32_t left, top, right, bottom;
  CRect rect() const { return CRect(left, top, right, bottom); }
};

// A knob's square, from its top-left corner.
constexpr Box knobBox(int32_t left, int32_t top) {
  return {left, top, left + kKnobSize, top + kKnobSize};
}

// Whether every row's box lies inside a width x height window: the window
// without its background picture has the fallback size, and a control moved
// past it would be cut off there.
template <class Row, std::size_t n>
constexpr bool rowsFitIn(const Row (&rows)[n], int32_t width, int32_t height) {
  for (const Row& row : rows)
    if (row.area.left < 0 || row.area.top < 0 || row.area.right > width || row.area.bottom > height)
      return false;
  return true;
}

// The kinds of control an editor's layout rows make.
enum class Part { About, Knob, Fader, Switch, Readout };

// One control of an editor: what it is, where it sits, its tag (the
// parameter it shows, or the about picture's tag), its picture numbers, the
// value a Ctrl+click restores, a readout's text, and the editor's field that
// holds it while the window is open (the one field of its kind's type).
template <class Editor>
struct LayoutRow {
  Part kind;
  Box area;
  VstInt32 tag;
  int32_t pictures[2] = {};
  float defaultValue = 0.0f;
  CParamDisplay::StringConvert text = nullptr;
  CSplashScreen* Editor::*about = nullptr;
  CAnimRotary* Editor::*knob = nullptr;
  CHorizontalSlider* Editor::*fader = nullptr;
  CVerticalSwitch* Editor::*verticalSwitch = nullptr;
  CParamDisplay* Editor::*readout = nullptr;
};

// Lets go of each picture and nulls its pointer.
inline void forgetPictures(std::initializer_list<CBitmap**> pictures) {
  for (CBitmap** picture : pictures) {
    if (*picture) (*picture)->forget();
    *picture = nullptr;
  }
}

// Loads each picture by its number, in order. When one cannot be had, those
// already loaded are forgotten and the failure goes on: no destructor runs
// for an editor whose constructor throws.
inline void loadPictures(std::initializer_list<std::pair<CBitmap**, int32_t>> pictures) {
  try {
    for (const auto& [picture, number] : pictures) *picture = new CBitmap(number);
  } catch (...) {
    for (const auto& entry : pictures) forgetPictures({entry.first});
    throw;
  }
}

// The window: the background picture's size (at most the 16-bit rectangle's
// reach), or the layout's own size when there is no background.
inline ERect windowRect(const CBitmap* background, int32_t fallbackWidth, int32_t fallbackHeight) {
  const bool sized = background && background->getWidth() > 0 && background->getHeight() > 0;
  ERect r{};
  r.right = static_cast<int16_t>(sized ? std::min(background->getWidth(), 32767) : fallbackWidth);
  r.bottom =
      static_cast<int16_t>(sized ? std::min(background->getHeight(), 32767) : fallbackHeight);
  return r;
}

// A film-strip knob that turns once clockwise from 12 o'clock.
inline CAnimRotary* newTurnKnob(const CRect& area, CControlListener* listener, VstInt32 tag,
                                CBitmap* strip) {
  auto* knob = new CAnimRotary(area, listener, tag, kKnobFrames, kKnobSize, strip, CPoint(0, 0));
  knob->setRangeAngle(kFullTurnClockwise);
  knob->setStartAngle(kTwelveOClock);
  return knob;
}

// A value readout as both editors show them: small white text in a black
// box with a blue frame. It takes no clicks.
inline CParamDisplay* newReadout(const CRect& area, CParamDisplay::StringConvert text,
                                 float value) {
  auto* readout = new CParamDisplay(area, nullptr, kStyleHorizontal);
  readout->setFont(kNormalFontSmall);
  readout->setFontColor(kWhiteCColor);
  readout->setBackColor(kBlackCColor);
  readout->setFrameColor(kBlueCColor);
  readout->setStringConvert(text);
  readout->setValue(value);
  return readout;
}

// Makes a layout row's about picture, knob or readout (showing the
// plug-in's current value), adds it to the window and puts it in the
// editor's field; false for the kinds each editor makes itself.
template <class Editor>
bool addSharedPart(Editor& editor, CFrame* frame, AudioEffect* effect, const LayoutRow<Editor>& row,
                   CBitmap* picture) {
  const CPoint offset(0, 0);
  switch (row.kind) {
    case Part::About: {
      const CRect whole(0, 0, picture->getWidth(), picture->getHeight());
      editor.*row.about =
          new CSplashScreen(row.area.rect(), &editor, row.tag, picture, whole, offset);
      frame->addView(editor.*row.about);
      return true;
    }
    case Part::Knob: {
      auto* knob = newTurnKnob(row.area.rect(), &editor, row.tag, picture);
      knob->setValue(effect->getParameter(row.tag));
      knob->setDefaultValue(row.defaultValue);
      frame->addView(knob);
      editor.*row.knob = knob;
      return true;
    }
    case Part::Readout:
      editor.*row.readout = newReadout(row.area.rect(), row.text, effect->getParameter(row.tag));
      frame->addView(editor.*row.readout);
      return true;
    default: return false;
  }
}

// A control's edit: the host hears of it only when it changes the plug-in's
// value (a drag resting on one value sends nothing), and only for the
// plug-in's parameters (the about picture's tag is not one).
inline void sendEdit(AudioEffect* effect, AEffGUIEditor* editor, CControl* control) {
  const auto tag = static_cast<uint32_t>(control->getTag());
  if (tag >= static_cast<uint32_t>(effect->getAeffect()->numParams)) return;
  const auto index = static_cast<VstInt32>(tag);
  const float value = control->getValue();
  if (value != effect->getParameter(index)) effect->setParameterAutomated(index, value);
  control->setDirty(true);
  editor->postUpdate();
}

}  // namespace editor_parts
