// Pelrin's editor window: the background picture with three film-strip
// knobs (Azimuth, Elevation, Mic Angle), a horizontal slider (Mic Pattern),
// a text display under each, an about picture behind the title, and a live
// polar view of the pair (drawn by code, following the values). Mouse
// edits become automated parameter changes; parameter changes from the host
// (automation, programs) move the controls at the next idle, on the
// user-interface thread.
//
// The pictures are loaded once, by number, and kept across open/close
// cycles. A missing picture leaves its part undrawn; a missing background
// still gives the window the layout's size.
#pragma once

#include "CControl.h"
#include "guieditor.h"

class CAnimRotary;
class CBitmap;
class CHorizontalSlider;
class CParamDisplay;
class CSplashScreen;
class PelrinPolarView;

class RazOruRerora : public AEffGUIEditor, public CControlListener {
 public:
  explicit RazOruRerora(AudioEffect* effect);
  ~RazOruRerora() override;

  VstInt32 open(void* ptr) override;
  void close() override;
  void valueChanged(CDrawContext* context, CControl* control) override;

  // Texts of the displays for a parameter value (at most 255 characters).
  static void degreeStringConvertAzimuth(float value, char* string);
  static void degreeStringConvertElevation(float value, char* string);
  static void degreeStringConvertAngle(float value, char* string);
  static void floatStringConvertPattern(float value, char* string);

  // The window's size when the background picture is missing.
  static constexpr int32_t kFallbackWidth = 224;
  static constexpr int32_t kFallbackHeight = 240;

  // The controls while the window is open (null otherwise), for tests.
  CAnimRotary* getKnob(VstInt32 index) const;
  CHorizontalSlider* getPatternFader() const { return patternFader; }
  CParamDisplay* getDisplay(VstInt32 index) const;
  CSplashScreen* getAboutScreen() const { return aboutScreen; }
  PelrinPolarView* getPolarView() const { return polarView; }
  // Where the polar view sits: clear of every control, so it takes no click
  // a control would take.
  static const CRect kPolarViewArea;
  CBitmap* getBitmap(int32_t resourceID) const;

 protected:
  // Moves the controls of one parameter to the plug-in's current value.
  void applyParameter(VstInt32 index, float value) override;

 private:
  // The layout rows name the fields each control goes into.
  friend struct PelrinEditorLayout;

  CControl* controlOf(VstInt32 index) const;
  void showValuesInPolarView();

  CSplashScreen* aboutScreen{nullptr};
  CAnimRotary* azimuthKnob{nullptr};
  CAnimRotary* elevationKnob{nullptr};
  CAnimRotary* angleKnob{nullptr};
  CHorizontalSlider* patternFader{nullptr};
  CParamDisplay* azimuthDisplay{nullptr};
  CParamDisplay* elevationDisplay{nullptr};
  CParamDisplay* angleDisplay{nullptr};
  CParamDisplay* patternDisplay{nullptr};
  PelrinPolarView* polarView{nullptr};
  CBitmap* hBackground{nullptr};
  CBitmap* hNewKnob{nullptr};
  CBitmap* hAboutScreen{nullptr};
  CBitmap* hHFaderBody{nullptr};
  CBitmap* hHFaderHandle{nullptr};
};
