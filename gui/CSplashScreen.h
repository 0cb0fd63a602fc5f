// An invisible hot area that opens a picture over a larger rectangle when
// clicked: the control grows to that rectangle and becomes the frame's modal
// view, so the next click anywhere on the picture closes it and the frame
// is drawn again. The picture is the control's background bitmap.
//
// A picture that is missing (or an empty rectangle to show it in) never
// opens: an invisible modal view would swallow every click of the editor.
#pragma once

#include "CControl.h"

class CSplashScreen : public CControl {
 public:
  CSplashScreen(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                const CRect& toDisplay, const CPoint& offset = CPoint(0, 0));
  ~CSplashScreen() override;

  void draw(CDrawContext* pContext) override;
  void mouse(CDrawContext* pContext, CPoint& where, int32_t button = -1) override;
  // A hit only for clicks with the left button.
  bool hitTest(const CPoint& where, const int32_t buttons = -1) override;
  bool isTypeOf(const char* s) const override;
  // Closes the picture from code, without telling the listener.
  virtual void unSplash();

  // 255 opaque; below, the picture is blended with this opacity (0: drawn
  // with its transparent colour left out).
  void setBitmapTransparency(unsigned char transparency);
  unsigned char getBitmapTransparency() const { return bitmapTransparency; }
  bool isOpen() const { return getValue() != 0.0f; }

 protected:
  CRect toDisplay;
  CRect keepSize;
  CPoint offset;
  unsigned char bitmapTransparency{255};
  // True while the control covers toDisplay (the frame gave it the modal slot).
  bool grown{false};
};
