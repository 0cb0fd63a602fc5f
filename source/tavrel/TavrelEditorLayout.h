// Where Tavrel's editor puts its controls: one row a control, in the order
// the window stacks them, with its rectangle, the parameter it shows, its
// pictures, the value a Ctrl+click restores (from the parameter's default in
// TavrelDescription.h) and the editor's field that holds it. Move a control
// here and the editor and its tests follow.
#pragma once

#include "EditorParts.h"
#include "TavrelDescription.h"
#include "ZidIdirAruriz.h"

namespace tavrel_layout {

// A knob's Ctrl+click value: one full turn past the angle's default, the
// same orientation.
constexpr float knobDefault(tavrel_description::Parameter angle) {
  return tavrel_description::defaultOf(angle) + 1.0f;
}

}  // namespace tavrel_layout

struct TavrelEditorLayout {
  // Picture numbers.
  enum Picture : int32_t { kBackground = 128, kKnobStrip = 132, kOrderStrip = 133, kAbout = 134 };
  // The about picture's tag: past the parameters, so the host never hears of it.
  static constexpr VstInt32 kAboutTag = 32;
  // The order switch's picture: six frames of 80 pixels, one a position.
  static constexpr int32_t kOrderFrames = 6;
  static constexpr int32_t kOrderFrameHeight = 80;

  using Row = editor_parts::LayoutRow<ZidIdirAruriz>;
  using Part = editor_parts::Part;

  // The three angle knobs side by side, the order switch below them; the
  // readouts under the order switch and its label, one per knob column,
  // none overlapping a control, so they take no clicks.
  static constexpr Row kRows[] = {
      {.kind = Part::About,
       .area = {50, 0, 136, 15},
       .tag = kAboutTag,
       .pictures = {kAbout},
       .about = &ZidIdirAruriz::aboutScreen},
      {.kind = Part::Knob,
       .area = editor_parts::knobBox(22, 36),
       .tag = tavrel_description::kAngle1,
       .pictures = {kKnobStrip},
       .defaultValue = tavrel_layout::knobDefault(tavrel_description::kAngle1),
       .knob = &ZidIdirAruriz::angle1Knob},
      {.kind = Part::Knob,
       .area = editor_parts::knobBox(70, 36),
       .tag = tavrel_description::kAngle2,
       .pictures = {kKnobStrip},
       .defaultValue = tavrel_layout::knobDefault(tavrel_description::kAngle2),
       .knob = &ZidIdirAruriz::angle2Knob},
      {.kind = Part::Knob,
       .area = editor_parts::knobBox(118, 36),
       .tag = tavrel_description::kAngle3,
       .pictures = {kKnobStrip},
       .defaultValue = tavrel_layout::knobDefault(tavrel_description::kAngle3),
       .knob = &ZidIdirAruriz::angle3Knob},
      {.kind = Part::Switch,
       .area = {22, 90, 166, 170},
       .tag = tavrel_description::kOrder,
       .pictures = {kOrderStrip},
       .defaultValue = tavrel_description::defaultOf(tavrel_description::kOrder),
       .verticalSwitch = &ZidIdirAruriz::orderSwitch},
      {.kind = Part::Readout,
       .area = {24, 194, 68, 208},
       .tag = tavrel_description::kAngle1,
       .text = ZidIdirAruriz::angleText,
       .readout = &ZidIdirAruriz::angle1Readout},
      {.kind = Part::Readout,
       .area = {72, 194, 116, 208},
       .tag = tavrel_description::kAngle2,
       .text = ZidIdirAruriz::angleText,
       .readout = &ZidIdirAruriz::angle2Readout},
      {.kind = Part::Readout,
       .area = {120, 194, 164, 208},
       .tag = tavrel_description::kAngle3,
       .text = ZidIdirAruriz::angleText,
       .readout = &ZidIdirAruriz::angle3Readout},
  };
};

static_assert(editor_parts::rowsFitIn(TavrelEditorLayout::kRows, ZidIdirAruriz::kFallbackWidth,
                                      ZidIdirAruriz::kFallbackHeight),
              "every control lies inside the window");
