// An on/off button drawn from a two-frame film strip (the background
// bitmap): the frame at row 0 shows off (value 0), the frame one image
// height below shows on (any other value). A left click toggles the value
// between the literal values 0 and 1 inside one edit gesture; dragging out
// of the button before the release restores the first value, dragging back
// in toggles it again, and the listener hears of every change.
#pragma once

#include "CControl.h"

class CMovieButton : public CControl {
 public:
  // One image is as high as the button.
  CMovieButton(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
               CPoint& offset);
  CMovieButton(const CRect& size, CControlListener* listener, int32_t tag, int32_t heightOfOneImage,
               CBitmap* background, CPoint& offset);
  ~CMovieButton() override;

  void draw(CDrawContext* pContext) override;
  void mouse(CDrawContext* pContext, CPoint& where, int32_t button = -1) override;
  bool isTypeOf(const char* s) const override;

 protected:
  // Draws the strip's rows from frameTop, remembers the value as drawn and
  // leaves the button clean.
  void drawFrame(CDrawContext* pContext, int32_t frameTop);

  CPoint offset;
  int32_t heightOfOneImage{0};
  float buttonState{0.0f};
};
