// Tavrel's editor window: a background picture with three film-strip knobs
// for the angles, a six-position switch for the order of the rotations, and
// an about picture behind the title, and a readout of each angle in degrees
// along the bottom. Mouse edits go to the plug-in as
// automated parameter changes; values set by the host, by automation or by a
// program change move the controls at the next idle, on the user-interface
// thread.
//
// Missing pictures never stop it: without the background the window takes
// the size the controls need, the controls stay usable, and the about area
// does not open an invisible view.
#pragma once

#include "CControl.h"
#include "guieditor.h"

class CAnimRotary;
class CBitmap;
class CParamDisplay;
class CSplashScreen;
class CVerticalSwitch;

class ZidIdirAruriz : public AEffGUIEditor, public CControlListener {
 public:
  explicit ZidIdirAruriz(AudioEffect* effect);
  ~ZidIdirAruriz() override;

  VstInt32 open(void* ptr) override;
  void close() override;
  void valueChanged(CDrawContext* context, CControl* control) override;

  // The window's size when the background picture is missing: the
  // controls' extent with the same margin right as left, and the readouts'
  // row with a small margin below.
  static constexpr int32_t kFallbackWidth = 166 + 22;
  static constexpr int32_t kFallbackHeight = 208 + 8;

  // A readout's text for an angle value: degrees with one decimal and the
  // degree sign (Mac OS Roman). Host values outside 0..1 turn the field by
  // the same angle as their part of a turn, so they read as that angle.
  static void angleText(float value, char* string);

  // The controls while the window is open; null while it is closed.
  CSplashScreen* getAboutScreen() const { return aboutScreen; }
  CAnimRotary* getAngleKnob(int index) const;
  CVerticalSwitch* getOrderSwitch() const { return orderSwitch; }
  CParamDisplay* getAngleReadout(int index) const;
  // A picture by its number (TavrelEditorLayout.h); null for other numbers.
  CBitmap* getBitmap(int32_t resourceID) const;

 protected:
  // A parameter changed (recorded by setParameter on any thread): its
  // control takes the plug-in's current value.
  void applyParameter(VstInt32 index, float value) override;

 private:
  // The layout rows name the fields each control goes into.
  friend struct TavrelEditorLayout;

  CControl* controlOf(VstInt32 index) const;

  CSplashScreen* aboutScreen{nullptr};
  CAnimRotary* angle1Knob{nullptr};
  CAnimRotary* angle2Knob{nullptr};
  CAnimRotary* angle3Knob{nullptr};
  CVerticalSwitch* orderSwitch{nullptr};
  CParamDisplay* angle1Readout{nullptr};
  CParamDisplay* angle2Readout{nullptr};
  CParamDisplay* angle3Readout{nullptr};
  CBitmap* hOrderSwitch{nullptr};
  CBitmap* hBackground{nullptr};
  CBitmap* hNewKnob{nullptr};
  CBitmap* hAboutScreen{nullptr};
};
