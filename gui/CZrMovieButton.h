// A movie button (two-frame strip: off at row 0, on one image below) with an
// override flag that shows the on frame whatever the value, without
// touching the value; clicks toggle the value as on the base button. The
// flag does not mark the button dirty: its owner repaints when it wants the
// change seen.
#pragma once

#include "CMovieButton.h"

class CZrMovieButton : public CMovieButton {
 public:
  CZrMovieButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background, CPoint& offset);
  CZrMovieButton(const CRect& size, CControlListener* listener, int32_t tag, int32_t heightOfOneImage,
                 CBitmap* background, CPoint& offset);
  ~CZrMovieButton() override;

  void draw(CDrawContext* pContext) override;
  // Answers for its own name and for CControl's, not for the base button's.
  bool isTypeOf(const char* s) const override;

  void setOverRide(bool val) { bOverRide = val; }
  bool getOverRide() const { return bOverRide; }

 protected:
  // Kept apart from the base's fields of the same names; drawing reads these.
  CPoint offset;
  int32_t heightOfOneImage{0};
  float buttonState{0.0f};
  bool bOverRide{false};
};
