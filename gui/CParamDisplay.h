// A control that shows its value as one line of text in a box: background
// bitmap or colour, a frame or a 3-D edge, the text in a font, colour and
// alignment of its own, optionally over a shadow. The text comes from a
// converter the editor installs (two decimals without one). It takes no
// mouse input; its owner sets the value and the frame repaints it.
#pragma once

#include "CControl.h"

class CParamDisplay : public CControl {
 public:
  // Converters write a NUL-terminated text of at most 255 characters into a
  // buffer of 256 bytes.
  using StringConvert = void (*)(float value, char* string);
  using StringConvert2 = void (*)(float value, char* string, void* userData);
  using String2FloatConvert = void (*)(char* string, float& output);
  static constexpr int kTextSize = 256;

  CParamDisplay(const CRect& size, CBitmap* background = nullptr, int32_t style = 0);
  ~CParamDisplay() override;

  void draw(CDrawContext* pContext) override;
  bool isTypeOf(const char* s) const override;

  virtual void setFont(CFont fontID);
  virtual void setFontColor(CColor color);
  virtual void setBackColor(CColor color);
  virtual void setFrameColor(CColor color);
  virtual void setShadowColor(CColor color);
  virtual void setHoriAlign(CHoriTxtAlign hAlign);
  virtual void setStringConvert(StringConvert convert);
  virtual void setStringConvert(StringConvert2 convert, void* userData);
  virtual void setString2FloatConvert(String2FloatConvert convert);
  virtual void setStyle(int32_t val);
  virtual void setTxtFace(CTxtFace val);
  virtual void setTextTransparency(bool val) { bTextTransparencyEnabled = val; }

  CFont getFont() const { return fontID; }
  CColor getFontColor() const { return fontColor; }
  CColor getBackColor() const { return backColor; }
  CColor getFrameColor() const { return frameColor; }
  CColor getShadowColor() const { return shadowColor; }
  CHoriTxtAlign getHoriAlign() const { return horiTxtAlign; }
  int32_t getStyle() const { return style; }
  CTxtFace getTxtFace() const { return txtFace; }
  bool getTextTransparency() const { return bTextTransparencyEnabled; }

  // The text the display shows for the current value.
  void getText(char (&text)[kTextSize]) const;

 protected:
  void drawText(CDrawContext* pContext, char* string, CBitmap* newBack = nullptr);

  StringConvert stringConvert{nullptr};
  StringConvert2 stringConvert2{nullptr};
  String2FloatConvert string2FloatConvert{nullptr};
  void* userData{nullptr};
  CHoriTxtAlign horiTxtAlign{kCenterText};
  int32_t style{0};
  CFont fontID{kNormalFont};
  CTxtFace txtFace{kNormalFace};
  CColor fontColor{kWhiteCColor};
  CColor backColor{kBlackCColor};
  CColor frameColor{kBlackCColor};
  CColor shadowColor{kRedCColor};
  bool bTextTransparencyEnabled{true};
};
