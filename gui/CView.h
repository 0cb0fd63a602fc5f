// Views and containers. A view is a rectangle in its container's coordinates
// that draws itself, takes mouse, wheel and keys, and keeps a dirty flag and
// an optional background bitmap. A container owns an ordered child list (back
// to front), draws it (optionally through an offscreen buffer), routes
// events to it and repaints only what is dirty. A view added to a container
// belongs to it: the container's destruction forgets it (twice: the link's
// reference and the creator's).
#pragma once

#include <atomic>
#include <cstdint>

#include "EffectRecord.h"
#include "geometry.h"

class CBitmap;
class CDrawContext;
class COffscreenContext;
class CFrame;
class CViewContainer;

// Message a container answers with 1; compared by identity, not by text.
extern const char* kMsgCheckIfViewContainer;
// The view's reference pointer: a pointer-sized attribute.
constexpr uint32_t kCViewAttributeReferencePointer = fourCharCode("cvrp");
using CViewAttributeID = uint32_t;

// Formats like printf and writes to the standard error stream.
void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

class CView : public CReferenceCounter {
 public:
  explicit CView(const CRect& size);
  ~CView() override;

  virtual void draw(CDrawContext* pContext);
  virtual void drawRect(CDrawContext* pContext, const CRect& updateRect);
  virtual bool checkUpdate(CRect& updateRect) const { return updateRect.rectOverlap(size); }
  virtual void mouse(CDrawContext* pContext, CPoint& where, int32_t buttons = -1);

  virtual void setBackground(CBitmap* background);
  virtual CBitmap* getBackground() const { return pBackground; }

  virtual int32_t onKeyDown(VstKeyCode& keyCode);
  virtual int32_t onKeyUp(VstKeyCode& keyCode);
  virtual bool onWheel(CDrawContext* pContext, const CPoint& where, float distance);
  virtual bool onDrop(void** ptrItems, int32_t nbItems, int32_t type, CPoint& where);
  virtual void onDragEnter(void* drag, CPoint& where);
  virtual void onDragLeave(void* drag, CPoint& where);
  virtual void onDragMove(void* drag, CPoint& where);
  virtual void looseFocus(CDrawContext* pContext = nullptr);
  virtual void takeFocus(CDrawContext* pContext = nullptr);

  virtual bool isDirty() const { return bDirty.load(std::memory_order_relaxed); }
  virtual void setDirty(const bool val = true) { bDirty.store(val, std::memory_order_relaxed); }

  virtual void setMouseEnabled(const bool enable = true) { bMouseEnabled = enable; }
  virtual bool getMouseEnabled() const { return bMouseEnabled; }
  virtual void setMouseableArea(const CRect& rect) { mouseableArea = rect; }
  virtual CRect& getMouseableArea(CRect& rect) const {
    rect = mouseableArea;
    return rect;
  }
  // Closed test on the mouseable area.
  virtual bool hitTest(const CPoint& where, const int32_t buttons = -1);

  virtual void setTransparency(bool val) { bTransparencyEnabled = val; }
  virtual bool getTransparency() const { return bTransparencyEnabled; }

  virtual void setViewSize(CRect& rect);
  virtual CRect& getViewSize(CRect& rect) const {
    rect = size;
    return rect;
  }
  const CRect& getViewSize() const { return size; }

  virtual bool removed(CView* parent);
  virtual bool attached(CView* parent);

  virtual void getMouseLocation(CDrawContext* pContext, CPoint& point);
  virtual CPoint& frameToLocal(CPoint& point) const { return point; }
  virtual CPoint& localToFrame(CPoint& point) const { return point; }

  virtual bool getAttributeSize(const CViewAttributeID id, int32_t& outSize) const;
  virtual bool getAttribute(const CViewAttributeID id, const int32_t inSize, void* outData,
                            int32_t& outSize) const;
  virtual bool setAttribute(const CViewAttributeID id, const int32_t inSize, const void* inData);

  virtual void* getEditor() const;
  virtual int32_t notify(CView* sender, const char* message);
  virtual void redrawRect(CDrawContext* context, const CRect& rect);
  virtual void dumpInfo();
  virtual bool isTypeOf(const char* s) const;
  virtual void update(CDrawContext* pContext);

  int32_t getWidth() const { return size.width(); }
  int32_t getHeight() const { return size.height(); }
  CView* getParentView() const { return pParentView; }
  CFrame* getFrame() const { return pParentFrame; }
  void redraw();

  // Set by the container that takes the view.
  void setParentView(CView* parent) { pParentView = parent; }
  void setFrame(CFrame* frame) { pParentFrame = frame; }

 protected:
  CRect size;
  CRect mouseableArea;
  CFrame* pParentFrame{nullptr};
  CView* pParentView{nullptr};
  std::atomic<bool> bDirty{false};
  bool bMouseEnabled{true};
  bool bTransparencyEnabled{false};
  CBitmap* pBackground{nullptr};
  void* pReferencePointer{nullptr};
};

// One link of a container's child list; holds a reference to its view.
struct CCView {
  explicit CCView(CView* view);
  ~CCView();
  CCView(const CCView&) = delete;
  CCView& operator=(const CCView&) = delete;

  CView* pView;
  CCView* pNext{nullptr};
  CCView* pPrevious{nullptr};
};

enum { kNormalUpdateMode = 0, kOnlyDirtyUpdateMode = 1 };

class CViewContainer : public CView {
 public:
  CViewContainer(const CRect& size, CFrame* pParent, CBitmap* pBackground = nullptr);
  ~CViewContainer() override;

  virtual void addView(CView* pView);
  virtual void addView(CView* pView, CRect& mouseableArea, bool mouseEnabled = true);
  // Unlinks the first link holding pView; `removed` runs before the unlink.
  virtual void removeView(CView* pView, const bool& withForget = true);
  virtual void removeAll(const bool& withForget = true);
  virtual bool isChild(CView* pView) const;
  virtual int32_t getNbViews() const;
  virtual CView* getView(int32_t index) const;

  virtual void setBackgroundColor(const CColor color) { backgroundColor = color; }
  virtual CColor getBackgroundColor() const { return backgroundColor; }
  virtual void setBackgroundOffset(const CPoint& p) { backgroundOffset = p; }
  virtual const CPoint& getBackgroundOffset() const { return backgroundOffset; }
  virtual void drawBackgroundRect(CDrawContext* pContext, CRect& rect);
  virtual void setMode(int32_t val) { mode = val; }
  virtual int32_t getMode() const { return mode; }
  virtual void useOffscreen(bool b);
  virtual CView* getCurrentView() const;
  virtual CView* getViewAt(const CPoint& where, bool deep = false) const;
  virtual void dumpHierarchy();

  void draw(CDrawContext* pContext) override;
  void drawRect(CDrawContext* pContext, const CRect& updateRect) override;
  void mouse(CDrawContext* pContext, CPoint& where, int32_t buttons = -1) override;
  int32_t onKeyDown(VstKeyCode& keyCode) override;
  int32_t onKeyUp(VstKeyCode& keyCode) override;
  bool onWheel(CDrawContext* pContext, const CPoint& where, float distance) override;
  bool onDrop(void** ptrItems, int32_t nbItems, int32_t type, CPoint& where) override;
  void onDragEnter(void* drag, CPoint& where) override;
  void onDragLeave(void* drag, CPoint& where) override;
  void onDragMove(void* drag, CPoint& where) override;
  void looseFocus(CDrawContext* pContext = nullptr) override;
  void takeFocus(CDrawContext* pContext = nullptr) override;
  bool isDirty() const override;
  bool hitTest(const CPoint& where, const int32_t buttons = -1) override;
  void setViewSize(CRect& rect) override;
  bool removed(CView* parent) override;
  bool attached(CView* parent) override;
  CPoint& frameToLocal(CPoint& point) const override;
  CPoint& localToFrame(CPoint& point) const override;
  int32_t notify(CView* sender, const char* message) override;
  void redrawRect(CDrawContext* context, const CRect& rect) override;
  void dumpInfo() override;
  bool isTypeOf(const char* s) const override;
  void update(CDrawContext* pContext) override;

  // Shift the context into this container's coordinates and back.
  void modifyDrawContext(int32_t save[4], CDrawContext* pContext);
  void restoreDrawContext(CDrawContext* pContext, int32_t save[4]);
  bool hitTestSubViews(const CPoint& where, const int32_t buttons = -1);

 protected:
  void dropOffscreen();
  void makeOffscreen(CDrawContext* pContext);
  CView* childUnder(const CPoint& where) const;

  CCView* pFirstView{nullptr};
  CCView* pLastView{nullptr};
  int32_t mode{kOnlyDirtyUpdateMode};
  COffscreenContext* pOffscreenContext{nullptr};
  CColor backgroundColor{kBlackCColor};
  CPoint backgroundOffset;
  bool bDrawInOffscreen{false};
  CView* currentDragView{nullptr};
};
