#include "GalleryEditor.h"

#include <cmath>
#include <cstdio>
#include <numbers>

#include "CAnimRotary.h"
#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "COptionMenu.h"
#include "CParamDisplay.h"
#include "CRotary.h"
#include "CSlider.h"
#include "CSplashScreen.h"
#include "CVerticalSwitch.h"
#include "CZrMeter.h"
#include "CZrMovieButton.h"
#include "EditorParts.h"
#include "GalleryPanel.h"
#include "platform.h"

namespace {

// Picture numbers: Pelrin's about picture, knob strip and slider, Tavrel's
// order switch, and the gallery's meter and button strips.
constexpr int32_t kPictureNumbers[14] = {129, 130, 131, 132, 133, 200, 201, 202, 203, 204, 205, 206, 207, 208};
enum Picture { kAbout, kKnobStrip, kFaderBody, kFaderHandle, kSwitch, kMeterOver, kMeterWarn, kMeterNorm,
               kMeterOff, kMeterPeak, kMeterBack, kMeterScale, kAmberButton, kTealButton };

using editor_parts::kFullTurnClockwise;
using editor_parts::kKnobSize;
using editor_parts::kTwelveOClock;
constexpr int32_t kMeterBar = 200;
// Tags beyond the four parameters: the host never hears of them.
constexpr int32_t kMenuTag = 100;
constexpr int32_t kButtonTag = 101;
constexpr int32_t kMeterTag = 104;
constexpr int32_t kSplashTag = 106;

const CRect kRotary(28, 52, 28 + kKnobSize, 52 + kKnobSize);
const CRect kFilmKnob(108, 52, 108 + kKnobSize, 52 + kKnobSize);
const CPoint kSlider(188, 68);
const CPoint kSwitchAt(372, 40);
const CRect kDisplay(28, 172, 108, 188);
const CRect kMenu(132, 172, 252, 188);
const CPoint kButtons(384, 172);
const CPoint kMeterAt(572, 40);
const CRect kAboutHotSpot(776, 6, 848, 24);
const CRect kAboutPicture(624, 40, 624 + 224, 40 + 240);

oxel::platform::Pixel pixelOf(double r, double g, double b) {
  auto c = [](double v) { return static_cast<uint8_t>(std::lround(std::fmin(std::fmax(v, 0.0), 255.0))); };
  return oxel::platform::makePixel(c(r), c(g), c(b));
}

// A round cap on the panel colour for the plain rotary, whose handle is a
// line drawn over it: lit from the top left, a darker rim, a soft shadow.
void paintRotaryCap(CBitmap& cap) {
  auto* port = cap.getHandle();
  if (!port) return;
  const double panel[3] = {0x27, 0x2B, 0x32};
  // The port has the frame's density: lengths are 1x pixels times its scale.
  const double k = port->scale();
  const double cx = port->width() / 2.0, cy = port->height() / 2.0, radius = 17.0 * k;
  for (int32_t y = 0; y < port->height(); ++y)
    for (int32_t x = 0; x < port->width(); ++x) {
      double rgb[3] = {panel[0], panel[1], panel[2]};
      double capCover = 0.0, shadowCover = 0.0, shade = 0.0;
      // 4 x 4 samples per pixel for smooth edges.
      for (int sy = 0; sy < 4; ++sy)
        for (int sx = 0; sx < 4; ++sx) {
          const double px = x + (sx + 0.5) / 4.0, py = y + (sy + 0.5) / 4.0;
          const double dx = px - cx, dy = py - cy;
          const double d = std::sqrt(dx * dx + dy * dy);
          if (std::hypot(dx - k, dy - 2.0 * k) < radius + k) shadowCover += 1.0 / 16.0;
          if (d < radius) {
            capCover += 1.0 / 16.0;
            // Light from the top left, a rim in the last 1.5 pixels.
            const double light = 0.5 - 0.5 * (dx + dy) / (radius * 1.41421356);
            shade += (d > radius - 1.5 * k ? -0.35 : light * 0.45) / 16.0;
          }
        }
      for (double& v : rgb) v *= 1.0 - 0.35 * (shadowCover - capCover > 0 ? shadowCover - capCover : 0.0);
      const double base[3] = {62, 67, 77};
      for (int i = 0; i < 3; ++i) {
        const double capColour = base[i] * (1.0 + (capCover > 0 ? shade / capCover : 0.0));
        rgb[i] = rgb[i] * (1.0 - capCover) + capColour * capCover;
      }
      port->set(x, y, pixelOf(rgb[0], rgb[1], rgb[2]));
    }
}

// The test signal: two partials under a slow swell with a louder burst every
// three seconds; meter i is 5 dB quieter than meter i - 1.
void signalBlock(double seconds, int meter, float& peak, float& rms) {
  constexpr int kBlock = 1024;
  constexpr double kRate = 44100.0;
  constexpr double kTwoPi = 2.0 * std::numbers::pi;
  double sum = 0.0, top = 0.0;
  for (int n = 0; n < kBlock; ++n) {
    const double t = seconds + n / kRate;
    double a = 0.30 * std::pow(10.0, -0.25 * meter) * (0.65 + 0.35 * std::sin(kTwoPi * 0.23 * t + meter));
    if (std::fmod(t, 3.0) < 0.15) a *= 2.4;
    const double x = a * (std::sin(kTwoPi * 220.0 * t) + 0.5 * std::sin(kTwoPi * 1375.0 * t + 0.7));
    sum += x * x;
    top = std::fmax(top, std::fabs(x));
  }
  peak = static_cast<float>(top);
  rms = static_cast<float>(std::sqrt(sum / kBlock));
}

}  // namespace

GalleryEditor::GalleryEditor(AudioEffect* effect) : AEffGUIEditor(effect) {
  rect.right = kWidth;
  rect.bottom = kHeight;
  for (int i = 0; i < 14; ++i) pictures[i] = new CBitmap(kPictureNumbers[i]);
}

GalleryEditor::~GalleryEditor() {
  // The frame (and with it the controls) goes first: they hold the pictures too.
  if (frame) close();
  for (CBitmap*& p : pictures) {
    p->forget();
    p = nullptr;
  }
}

void GalleryEditor::forgetControls() {
  for (CControl*& c : parameterControls) c = nullptr;
  display = nullptr;
  optionMenu = nullptr;
  splash = nullptr;
  meters[0] = meters[1] = nullptr;
  if (rotaryCap) rotaryCap->forget();
  rotaryCap = nullptr;
}

VstInt32 GalleryEditor::open(void* ptr) {
  forgetControls();
  AEffGUIEditor::open(ptr);
  startTicks = getTicks();
  frame = new CFrame(CRect(0, 0, kWidth, kHeight), ptr, this);
  addPanel();
  addParameterControls();
  addDisplay();
  addOptionMenu();
  addMovieButtons();
  addMeters();
  feedMeters(1.1);
  splash = new CSplashScreen(kAboutHotSpot, this, kSplashTag, pictures[kAbout], kAboutPicture,
                             CPoint(0, 0));
  frame->addView(splash);
  return 1;
}

// The background with the title and a label over each control.
void GalleryEditor::addPanel() {
  std::vector<GalleryPanel::Label> labels = {
      {"ROTARY", CRect(kRotary.left - 16, 106, kRotary.right + 16, 118)},
      {"FILM-STRIP KNOB", CRect(kFilmKnob.left - 24, 106, kFilmKnob.right + 24, 118)},
      {"SLIDER", CRect(kSlider.h, 106, kSlider.h + 160, 118)},
      {"SWITCH", CRect(kSwitchAt.h, 126, kSwitchAt.h + 144, 138)},
      {"DISPLAY", CRect(kDisplay.left, 156, kDisplay.right, 168)},
      {"OPTION MENU", CRect(kMenu.left, 156, kMenu.right, 168)},
      {"MOVIE BUTTONS", CRect(kButtons.h, 226, kButtons.h + 160, 238)},
      {"OFF", CRect(kButtons.h, 156, kButtons.h + 48, 168)},
      {"ON", CRect(kButtons.h + 56, 156, kButtons.h + 104, 168)},
      {"OVERRIDE", CRect(kButtons.h + 108, 156, kButtons.h + 164, 168)},
      {"METERS", CRect(kMeterAt.h - 14, 246, kMeterAt.h + 46, 258)},
      {"ABOUT", kAboutHotSpot},
      {"SPLASH: CLICK ABOUT", CRect(kAboutPicture.left, 150, kAboutPicture.right, 162)},
  };
  frame->addView(new GalleryPanel(CRect(0, 0, kWidth, kHeight), "CONTROL GALLERY", std::move(labels)));
}

// The rotary, the film-strip knob, the slider and the switch: parameters 0
// to 3, each showing its parameter's value.
void GalleryEditor::addParameterControls() {
  const CPoint origin(0, 0);
  rotaryCap = new CBitmap(*frame, kKnobSize, kKnobSize);
  paintRotaryCap(*rotaryCap);
  auto* rotary = new CRotary(kRotary, this, 0, rotaryCap);
  rotary->setColorHandle(CColor{0xF2, 0xA3, 0x3A, 255});
  rotary->setColorShadowHandle(CColor{0x14, 0x16, 0x1A, 255});
  rotary->setInsetValue(9);
  rotary->setRangeAngle(kFullTurnClockwise * 0.75f);
  rotary->setStartAngle(kTwelveOClock + std::numbers::pi_v<float> * 0.75f);

  auto* knob = editor_parts::newTurnKnob(kFilmKnob, this, 1, pictures[kKnobStrip]);

  CBitmap* body = pictures[kFaderBody];
  CBitmap* handle = pictures[kFaderHandle];
  const CRect sliderRect(kSlider.h, kSlider.v, kSlider.h + body->getWidth(), kSlider.v + body->getHeight());
  auto* slider = new CHorizontalSlider(sliderRect, this, 2, kSlider.h + 4,
                                       kSlider.h + body->getWidth() - handle->getWidth() - 3, handle, body, origin,
                                       kStyleLeft);

  auto* sw = new CVerticalSwitch(CRect(kSwitchAt.h, kSwitchAt.v, kSwitchAt.h + 144, kSwitchAt.v + 80), this, 3, 6,
                                 80, 6, pictures[kSwitch], origin);
  parameterControls[0] = rotary;
  parameterControls[1] = knob;
  parameterControls[2] = slider;
  parameterControls[3] = sw;
  for (VstInt32 i = 0; i < 4; ++i) {
    parameterControls[i]->setValue(effect->getParameter(i));
    frame->addView(parameterControls[i]);
  }
}

// A parameter display following the slider (parameter 2).
void GalleryEditor::addDisplay() {
  display = new CParamDisplay(kDisplay, nullptr, 0);
  display->setFont(kNormalFontSmall);
  display->setFontColor(kWhiteCColor);
  display->setBackColor(kBlackCColor);
  display->setFrameColor(kBlueCColor);
  display->setValue(effect->getParameter(2));
  frame->addView(display);
}

// An option menu with a title, shortcuts, separators, a submenu and a
// disabled entry.
void GalleryEditor::addOptionMenu() {
  optionMenu = new COptionMenu(kMenu, this, kMenuTag, nullptr, nullptr, kOptionMenuCheckStyle);
  optionMenu->setFont(kNormalFontSmall);
  optionMenu->setFontColor(kWhiteCColor);
  optionMenu->setBackColor(CColor{0x16, 0x19, 0x1E, 255});
  optionMenu->setFrameColor(CColor{0x5A, 0x6E, 0x96, 255});
  for (const char* text : {"-TPolar pattern", "Omni\tCtrl+1", "Cardioid\tCtrl+2", "Figure-of-eight\tCtrl+3", "-"})
    optionMenu->addEntry(text);
  auto* more = new COptionMenu(CRect(), nullptr, 0, nullptr, nullptr, kOptionMenuCheckStyle);
  for (const char* text : {"Subcardioid", "Supercardioid", "Hypercardioid"}) more->addEntry(text);
  more->setCurrent(2);
  optionMenu->addEntry(more, "More patterns");
  more->forget();
  optionMenu->addEntry("-GBinaural (needs HRTFs)");
  optionMenu->setCurrent(2);
  frame->addView(optionMenu);
}

// Three movie buttons: off, on, and off but lit by its override flag.
void GalleryEditor::addMovieButtons() {
  const int buttonPictures[3] = {kAmberButton, kAmberButton, kTealButton};
  for (int i = 0; i < 3; ++i) {
    CPoint offset;
    const CRect r(kButtons.h + 56 * i, kButtons.v, kButtons.h + 56 * i + 48, kButtons.v + 48);
    auto* button = new CZrMovieButton(r, this, kButtonTag + i, pictures[buttonPictures[i]], offset);
    button->setValue(i == 1 ? 1.0f : 0.0f);
    button->setOverRide(i == 2);
    frame->addView(button);
  }
}

// Two meters with their menus on: k-14 and k-20.
void GalleryEditor::addMeters() {
  for (int i = 0; i < 2; ++i) {
    const CRect r(kMeterAt.h + 20 * i, kMeterAt.v, kMeterAt.h + 20 * i + 12, kMeterAt.v + kMeterBar);
    meters[i] = new CZrMeter(r, pictures[kMeterOver], pictures[kMeterWarn], pictures[kMeterNorm],
                             pictures[kMeterOff], pictures[kMeterPeak], pictures[kMeterBack],
                             pictures[kMeterScale], CPoint(0, 0), true, kMeterBar);
    meters[i]->setListener(this);
    meters[i]->setTag(kMeterTag + i);
    meters[i]->setMenuOn();
    if (i == 1) meters[i]->setMeterType(0);
    frame->addView(meters[i]);
  }
}

void GalleryEditor::close() {
  forgetControls();
  AEffGUIEditor::close();
}

void GalleryEditor::feedMeters(double seconds) {
  for (int i = 0; i < 2; ++i) {
    if (!meters[i]) continue;
    float peak = 0.0f, rms = 0.0f;
    signalBlock(seconds, i, peak, rms);
    meters[i]->setValue(0, peak);
    meters[i]->setValue(1, rms);
    meters[i]->setValue(2, rms);
  }
}

void GalleryEditor::idle() {
  if (liveSignal && frame) feedMeters(static_cast<double>(getTicks() - startTicks) / 1000.0);
  AEffGUIEditor::idle();
}

void GalleryEditor::valueChanged(CDrawContext*, CControl* pControl) {
  const int32_t tag = pControl->getTag();
  if (tag < 0 || tag >= 4) return;  // the menu, buttons, meters and splash are no parameters
  effect->setParameterAutomated(tag, pControl->getValue());
  if (tag == 2 && display) display->setValue(pControl->getValue());
}

void GalleryEditor::applyParameter(VstInt32 index, float value) {
  if (!frame || index < 0 || index >= 4 || !parameterControls[index]) return;
  parameterControls[index]->setValue(value);
  if (index == 2 && display) display->setValue(value);
}
