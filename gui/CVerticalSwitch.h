// A multi-position switch drawn from a film strip: frames stacked vertically
// in the background bitmap, one per position. A click or a vertical drag
// picks the position under the pointer; the n positions carry the values
// 0, 1/(n-1), ..., 1. One edit gesture per press; the drag lasts while the
// buttons and modifiers stay exactly as they were at the press. The wheel,
// and Up and Down once the switch has the focus, step one row.
//
// Robust against what a host or a careless owner may hand it: values outside
// 0..1 draw the nearest end frame, never a row past the strip; fewer than two
// positions, frames of no height or a missing bitmap give position 0 (value
// 0, no division by zero, never NaN); more positions than frames draw the
// last frame.
#pragma once

#include <cstdint>

#include "CControl.h"

class CVerticalSwitch : public CControl {
 public:
  // Frames as tall as `size`; as many positions as the bitmap holds frames.
  CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                  const CPoint& offset = CPoint(0, 0));
  CVerticalSwitch(const CRect& size, CControlListener* listener, int32_t tag, int32_t subPixmaps,
                  int32_t heightOfOneImage, int32_t iMaxPositions, CBitmap* background,
                  const CPoint& offset = CPoint(0, 0));
  ~CVerticalSwitch() override;

  void draw(CDrawContext* pContext) override;
  void mouse(CDrawContext* pContext, CPoint& where, int32_t button = -1) override;
  // One row per notch: turned away from the user, the row above; towards,
  // the row below.
  bool onWheel(CDrawContext* pContext, const CPoint& where, float distance) override;
  // Up and Down step one row, only while the switch has the focus (after a
  // click on it), so arrows pressed before go on to the other controls.
  int32_t onKeyDown(VstKeyCode& keyCode) override;
  bool isTypeOf(const char* s) const override;

  // The frame drawn for the current value: the nearest position, clamped
  // to the frames that exist.
  int32_t getFrameIndex() const;
  // The value for a pointer `dy` pixels below the control's top.
  float valueAt(int32_t dy) const;

  int32_t getSubPixmaps() const { return subPixmaps; }
  int32_t getHeightOfOneImage() const { return heightOfOneImage; }
  int32_t getMaxPositions() const { return iMaxPositions; }

 protected:
  // Sets the value for the pointer at `where`; tells the listener when it changed.
  void follow(CDrawContext* pContext, const CPoint& where);
  // Moves `rows` positions from the nearest one, as one edit gesture when
  // the value changes.
  void stepRows(CDrawContext* pContext, int32_t rows);

  CPoint offset;
  int32_t subPixmaps{0};
  int32_t heightOfOneImage{0};
  int32_t iMaxPositions{0};
};
