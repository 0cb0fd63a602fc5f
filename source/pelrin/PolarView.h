// Pelrin's live polar view: the pair seen from above, front at the top and
// the listener's left on the left, each microphone's horizontal-plane
// response at the direction it really faces, computed with the processor's
// own pattern formula. Positive lobes are solid, the rear (negative) lobes of
// patterns past cardioid dashed; "L" and "R" mark Mic 1's and Mic 2's lobes;
// a small side-view needle shows a raised or lowered pair.
//
// The picture is drawn (antialiased) into an offscreen of the view's size in
// device pixels, `scale` device pixels to a unit, over the editor's
// background, and only when a value changed; a draw copies it to the window.
// The view takes no mouse input.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "CView.h"

namespace oxel::platform {
class PixelPort;
}

class PelrinPolarView : public CView {
 public:
  // The four parameter values in the plug-in's order (Azimuth, Elevation,
  // Mic Angle, Mic Pattern), normalised as the host sees them.
  using Values = std::array<float, 4>;

  // background (may be null) is the editor's background picture, of which
  // the view shows the part under its rectangle.
  PelrinPolarView(const CRect& size, CBitmap* background, int32_t scale = 1);
  ~PelrinPolarView() override;

  // Marks the view dirty when a value differs (bit for bit) from the shown ones.
  void setValues(const Values& values);
  const Values& getValues() const { return values; }

  void draw(CDrawContext* pContext) override;
  void mouse(CDrawContext*, CPoint&, int32_t = -1) override {}
  bool onWheel(CDrawContext*, const CPoint&, float) override { return false; }

  // How often the picture has been drawn into the offscreen (for tests).
  int32_t getRenderCount() const { return renderCount; }
  // The offscreen as last drawn (rendered first if stale); for tests and oxel.
  const oxel::platform::PixelPort& picture();

  // Draws the picture of these values into a port of width x height units
  // times scale, over what the port holds.
  static void paint(oxel::platform::PixelPort& port, int32_t scale, const Values& values);

 private:
  void render();

  Values values{0.0f, 0.25f, 0.16666667f, 0.5f};
  int32_t scale;
  int32_t renderCount{0};
  bool stale{true};
  std::unique_ptr<oxel::platform::PixelPort> offscreen;
};
