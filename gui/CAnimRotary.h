// The rotary knob the editors place on screen: a film strip of equally tall
// frames stacked vertically in the background bitmap, frame k showing the
// knob at value k / (frames - 1). Dragging, wheel and keys are the rotary
// control's; it keeps an end-stop flag of its own.
//
// The frame drawn is always one of the strip's: values below 0 (and NaN)
// show the first, values above 1 the last, and a strip with no frame height
// shows its first rows.
#pragma once

#include "CRotary.h"

class CAnimRotary : public CRotary {
 public:
  CAnimRotary(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
              int32_t heightOfOneImage, CBitmap* background, const CPoint& offset = CPoint(0, 0));
  ~CAnimRotary() override;

  void draw(CDrawContext* pContext) override;
  void mouse(CDrawContext* pContext, CPoint& where, int32_t button = -1) override;
  bool isTypeOf(const char* s) const override;
  void setEndStopMode() override { noEndStops = false; }
  void setNoEndStopMode() override { noEndStops = true; }
  bool getEndStopMode() const override { return noEndStops; }

  // The same mappings as the rotary control's, on the same fields.
  float valueFromPoint(CPoint& point) { return angleToValue(point); }
  void valueToPoint(CPoint& point) { CRotary::valueToPoint(point); }
  // Distance of point (relative to the top-left corner) from the centre.
  float distanceFromPoint(CPoint& point) const;
  void compute() { CRotary::compute(); }

  // The frame the current value shows, 0 .. subPixmaps - 1.
  int32_t frameIndex() const;
  int32_t getSubPixmaps() const { return subPixmaps; }
  int32_t getHeightOfOneImage() const { return heightOfOneImage; }

 protected:
  int32_t subPixmaps{0};
  int32_t heightOfOneImage{0};
  bool noEndStops{true};
};
