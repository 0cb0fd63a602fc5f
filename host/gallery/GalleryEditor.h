// The control gallery: every control of the toolkit's family on one frame,
// as the toolkit's visual test bench. A plain rotary and a film-strip knob, a
// slider, a switch, a parameter display following the slider, an option menu
// with a submenu, two level meters fed by a test signal, two movie buttons
// (one lit by its override flag) and an about picture behind the "ABOUT"
// hot spot. The pictures are the gallery's own strips and Pelrin's and
// Tavrel's knob, slider and switch strips, found by number.
#pragma once

#include "CControl.h"
#include "guieditor.h"

class CBitmap;
class COptionMenu;
class CParamDisplay;
class CSplashScreen;
class CZrMeter;

class GalleryEditor : public AEffGUIEditor, public CControlListener {
 public:
  static constexpr int32_t kWidth = 864;
  static constexpr int32_t kHeight = 348;

  explicit GalleryEditor(AudioEffect* effect);
  ~GalleryEditor() override;

  VstInt32 open(void* ptr) override;
  void close() override;
  // Feeds the meters from the test signal at the editor's clock, then idles.
  void idle() override;
  void valueChanged(CDrawContext* pContext, CControl* pControl) override;

  // The meters show the test signal's block at `seconds` (a still picture
  // feeds one moment; idle feeds the running signal when live).
  void feedMeters(double seconds);
  void setLiveSignal(bool live) { liveSignal = live; }
  COptionMenu* getOptionMenu() const { return optionMenu; }
  CSplashScreen* getSplash() const { return splash; }

 protected:
  void applyParameter(VstInt32 index, float value) override;

 private:
  void forgetControls();
  // The steps of open, each adding its controls to the frame.
  void addPanel();
  void addParameterControls();
  void addDisplay();
  void addOptionMenu();
  void addMovieButtons();
  void addMeters();

  CBitmap* pictures[14]{};
  CBitmap* rotaryCap{nullptr};
  CControl* parameterControls[4]{};
  CParamDisplay* display{nullptr};
  COptionMenu* optionMenu{nullptr};
  CSplashScreen* splash{nullptr};
  CZrMeter* meters[2]{};
  bool liveSignal{true};
  uint32_t startTicks{0};
};
