// Where Pelrin's editor puts its controls: one row a control, in the order
// the window stacks them, with its rectangle, the parameter it shows, its
// pictures, the value a Ctrl+click restores (the parameter's default from
// PelrinDescription.h) and the editor's field that holds it. Move a control
// here and the editor, its tests and the gallery follow.
#pragma once

#include "EditorParts.h"
#include "PelrinDescription.h"
#include "RazOruRerora.h"

struct PelrinEditorLayout {
  // Picture numbers.
  enum Picture : int32_t {
    kBackground = 128,
    kAbout = 129,
    kKnobStrip = 130,
    kFaderBody = 131,
    kFaderHandle = 132
  };
  // The about picture's tag: past the parameters, so the host never hears of it.
  static constexpr VstInt32 kAboutTag = 32;
  // Where the fader handle's left edge may go: from 36 to the body's width
  // less the handle's, plus 29.
  static constexpr int32_t kFaderMin = 36;
  static constexpr int32_t kFaderMaxPastTravel = 29;
  // The polar view: clear of every control, so it takes no click a control
  // would take.
  static constexpr editor_parts::Box kPolarViewArea{110, 112, 214, 190};

  using Row = editor_parts::LayoutRow<RazOruRerora>;
  using Part = editor_parts::Part;

  // Azimuth, Elevation below it, Mic Angle right of Azimuth; each knob's
  // readout under it, the pattern's under the slider.
  static constexpr Row kRows[] = {
      {.kind = Part::About,
       .area = {50, 0, 136, 15},
       .tag = kAboutTag,
       .pictures = {kAbout},
       .about = &RazOruRerora::aboutScreen},
      {.kind = Part::Knob,
       .area = editor_parts::knobBox(48, 48),
       .tag = pelrin_description::kAzimuth,
       .pictures = {kKnobStrip},
       .defaultValue = pelrin_description::defaultOf(pelrin_description::kAzimuth),
       .knob = &RazOruRerora::azimuthKnob},
      {.kind = Part::Knob,
       .area = editor_parts::knobBox(48, 112),
       .tag = pelrin_description::kElevation,
       .pictures = {kKnobStrip},
       .defaultValue = pelrin_description::defaultOf(pelrin_description::kElevation),
       .knob = &RazOruRerora::elevationKnob},
      {.kind = Part::Knob,
       .area = editor_parts::knobBox(128, 48),
       .tag = pelrin_description::kAngle,
       .pictures = {kKnobStrip},
       .defaultValue = pelrin_description::defaultOf(pelrin_description::kAngle),
       .knob = &RazOruRerora::angleKnob},
      // The fader's size is its body picture's: only its top-left corner here.
      {.kind = Part::Fader,
       .area = {32, 192, 32, 192},
       .tag = pelrin_description::kPattern,
       .pictures = {kFaderBody, kFaderHandle},
       .defaultValue = pelrin_description::defaultOf(pelrin_description::kPattern),
       .fader = &RazOruRerora::patternFader},
      {.kind = Part::Readout,
       .area = {51, 96, 91, 110},
       .tag = pelrin_description::kAzimuth,
       .text = RazOruRerora::degreeStringConvertAzimuth,
       .readout = &RazOruRerora::azimuthDisplay},
      {.kind = Part::Readout,
       .area = {51, 160, 91, 174},
       .tag = pelrin_description::kElevation,
       .text = RazOruRerora::degreeStringConvertElevation,
       .readout = &RazOruRerora::elevationDisplay},
      {.kind = Part::Readout,
       .area = {131, 96, 171, 110},
       .tag = pelrin_description::kAngle,
       .text = RazOruRerora::degreeStringConvertAngle,
       .readout = &RazOruRerora::angleDisplay},
      {.kind = Part::Readout,
       .area = {91, 208, 131, 222},
       .tag = pelrin_description::kPattern,
       .text = RazOruRerora::floatStringConvertPattern,
       .readout = &RazOruRerora::patternDisplay},
  };
};

static_assert(editor_parts::rowsFitIn(PelrinEditorLayout::kRows, RazOruRerora::kFallbackWidth,
                                      RazOruRerora::kFallbackHeight),
              "every control lies inside the window");
