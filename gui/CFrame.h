// The top container, bound to the editor's window port. This is the part the
// views and contexts rely on (frame pointer, window context, drawing entry
// points, idle update, clock, mouse position); modal and focus views, window
// sizing and cursors belong with the window back end.
//
// Headless: the system window is the window's pixel port
// (an oxel::platform::PixelPort*), or null for a frame without a window.
#pragma once

#include "CView.h"

namespace oxel::platform {
class InputSource;
}

class CFrame : public CViewContainer {
 public:
  CFrame(const CRect& size, void* pSystemWindow, void* pEditor);
  ~CFrame() override;

  // The frame context, remembered once more (the caller forgets it); a new
  // context on the window when there is none.
  CDrawContext* createDrawContext();

  virtual bool isOpen() const { return bOpenFlag; }
  virtual void setOpenFlag(bool val) { bOpenFlag = val; }
  virtual bool getOpenFlag() const { return bOpenFlag; }
  // Repaints what is dirty, once the frame has been drawn at least once.
  virtual void idle();
  // The editor's idle work during a drag; nothing without an editor.
  virtual void doIdleStuff() {}
  virtual uint32_t getTicks() const;
  virtual bool getCurrentLocation(CPoint& where);
  // Draws pView at once when it is a direct child, otherwise the whole frame.
  virtual void draw(CView* pView);
  bool isSomethingDirty() const;

  void draw(CDrawContext* pContext) override;
  void drawRect(CDrawContext* pContext, const CRect& updateRect) override;
  void update(CDrawContext* pContext) override;
  void* getEditor() const override { return pEditor; }
  bool isTypeOf(const char* s) const override;

  void* getSystemWindow() const { return pSystemWindow; }
  oxel::platform::InputSource* getInputSource() const { return pInput; }
  void setInputSource(oxel::platform::InputSource* input);

 protected:
  void* pEditor{nullptr};
  void* pSystemWindow{nullptr};
  bool bFirstDraw{true};
  bool bOpenFlag{true};
  CDrawContext* pFrameContext{nullptr};
  oxel::platform::InputSource* pInput{nullptr};
};
