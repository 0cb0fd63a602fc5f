// The top container of an editor: bound to the editor's window, it owns the
// window's drawing context and is the single entry point of drawing, mouse,
// wheel, keys and idle time, which it routes to the modal view, the focus
// view or its children. It also carries the editor-wide services views use:
// modal view, keyboard focus, knob mode, clock, edit brackets, cursor and
// window size.
//
// With an editor (pEditor is the AEffGUIEditor), pSystemWindow is the host's
// parent window as handed to the editor's open request, and the frame opens
// a platform child window in it (X11 or headless, see platform/window.h); if
// that fails the frame runs without a window and its contexts only store
// state. Without an editor (toolkit tests, offline scenes), pSystemWindow is
// the oxel::platform::PixelPort to draw into, or null.
#pragma once

#include <memory>

#include "CView.h"

namespace oxel::platform {
class InputSource;
class EditorWindow;
class PixelPort;
}  // namespace oxel::platform

class AEffGUIEditor;

class CFrame : public CViewContainer {
 public:
  CFrame(const CRect& size, void* pSystemWindow, void* pEditor);
  ~CFrame() override;

  // The frame context, remembered once more (the caller forgets it); a new
  // context on the window when there is none.
  CDrawContext* createDrawContext();
  // Opens the platform window in pSystemWin; false without one.
  bool initFrame(void* pSystemWin);

  // Frames on a window of their own are not supported: both answer false.
  virtual bool open(CPoint* pPoint = nullptr);
  virtual bool close();
  virtual bool isOpen() const { return bOpenFlag; }
  // Repaints what is dirty, once the frame has been drawn at least once.
  virtual void idle();
  // The editor's idle work during a drag; nothing without an editor.
  virtual void doIdleStuff();
  // The editor's clock in milliseconds, 0 without an editor.
  virtual uint32_t getTicks() const;
  virtual int32_t getKnobMode() const;
  virtual bool setPosition(int32_t x, int32_t y);
  virtual bool getPosition(int32_t& x, int32_t& y) const;
  // Sizes the frame, our window and its port; false when closed, unchanged
  // or not positive.
  virtual bool setSize(int32_t width, int32_t height);
  virtual bool getSize(CRect* pSize) const;
  virtual bool getSize(CRect& outSize) const { return getSize(&outSize); }
  // False when a modal view is set and pView is not null.
  virtual bool setModalView(CView* pView);
  virtual CView* getModalView() const { return pModalView; }
  virtual void beginEdit(int32_t index);
  virtual void endEdit(int32_t index);
  virtual bool getCurrentLocation(CPoint& where);
  virtual void setCursor(CCursorType type);
  virtual void setFocusView(CView* pView);
  virtual CView* getFocusView() const { return pFocusView; }
  virtual bool setDropActive(bool val);
  virtual bool isDropActive() const { return bDropActive; }
  virtual void setOpenFlag(bool val) { bOpenFlag = val; }
  virtual bool getOpenFlag() const { return bOpenFlag; }
  // Marks every direct child overlapping rect dirty (edges count).
  virtual void invalidate(const CRect& rect);
  // Draws pView at once when it is a direct child, otherwise the whole frame.
  virtual void draw(CView* pView);

  void draw(CDrawContext* pContext) override;
  void drawRect(CDrawContext* pContext, const CRect& updateRect) override;
  void mouse(CDrawContext* pContext, CPoint& where, int32_t buttons = -1) override;
  int32_t onKeyDown(VstKeyCode& keyCode) override;
  int32_t onKeyUp(VstKeyCode& keyCode) override;
  bool onWheel(CDrawContext* pContext, const CPoint& where, float distance) override;
  void setViewSize(CRect& rect) override;
  // Also gives the window the colour it paints outside the frame when a
  // host makes it larger: the background picture's bottom-right pixel (the
  // panel's outer edge), or the background colour without a picture.
  void setBackground(CBitmap* background) override;
  void setBackgroundColor(const CColor color) override;
  void* getEditor() const override { return pEditor; }
  bool isTypeOf(const char* s) const override;
  void update(CDrawContext* pContext) override;
  CView* getCurrentView() const override;
  void dumpHierarchy() override;

  bool isSomethingDirty() const;
  void* getSystemWindow() const { return pSystemWindow; }

  // Platform side.
  oxel::platform::EditorWindow* getPlatformWindow() const { return window.get(); }
  // The port drawing goes to, null without one.
  oxel::platform::PixelPort* getWindowPort() const { return pPort; }
  // Device pixels per logical pixel of the window (1 without a port). The
  // frame, its views and every context coordinate are logical pixels.
  int32_t getScale() const;
  // Shows what drawing changed in the window (nothing without a window or
  // once closed).
  void flushWindow();
  oxel::platform::InputSource* getInputSource() const { return pInput; }
  void setInputSource(oxel::platform::InputSource* input);
  // The theme cursor number the last setCursor chose (0 is the arrow).
  int32_t getThemeCursor() const { return themeCursor; }

 protected:
  AEffGUIEditor* editor() const { return static_cast<AEffGUIEditor*>(pEditor); }
  void updateSurroundColour();

  void* pEditor{nullptr};
  void* pSystemWindow{nullptr};
  CView* pModalView{nullptr};
  CView* pFocusView{nullptr};
  bool bFirstDraw{true};
  bool bOpenFlag{true};
  bool bDropActive{false};
  CDrawContext* pFrameContext{nullptr};

  std::unique_ptr<oxel::platform::EditorWindow> window;
  oxel::platform::PixelPort* pPort{nullptr};
  oxel::platform::InputSource* pInput{nullptr};
  int32_t themeCursor{0};
};
