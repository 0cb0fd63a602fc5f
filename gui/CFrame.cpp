#include "CFrame.h"

#include <cstring>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "guieditor.h"
#include "platform.h"
#include "window.h"

namespace platform = oxel::platform;

namespace {

// Each cursor type's theme cursor number (resizing and not-allowed have numbers
// of their own, the others share the nearest general shape), and the X
// cursor-font shape that shows each number on Linux.
int32_t themeCursorOf(CCursorType type) {
  switch (type) {
    case kCursorWait: return 7;
    case kCursorHSize: return 17;
    case kCursorVSize: return 21;
    case kCursorSizeAll:
    case kCursorNESWSize:
    case kCursorNWSESize: return 5;
    case kCursorCopy: return 1;
    case kCursorNotAllowed: return 18;
    case kCursorHand: return 9;
    default: return 0;
  }
}

platform::PointerShape shapeOfTheme(int32_t theme) {
  switch (theme) {
    case 1: return platform::PointerShape::plus;
    case 5: return platform::PointerShape::crosshair;
    case 7: return platform::PointerShape::watch;
    case 9: return platform::PointerShape::hand;
    case 17: return platform::PointerShape::hResize;
    case 18: return platform::PointerShape::notAllowed;
    case 21: return platform::PointerShape::vResize;
    default: return platform::PointerShape::arrow;
  }
}

}  // namespace

CFrame::CFrame(const CRect& size, void* pSystemWindow, void* pEditor)
    : CViewContainer(size, nullptr, nullptr), pEditor{pEditor}, pSystemWindow{pSystemWindow} {
  pParentFrame = this;
  initFrame(pSystemWindow);
  pFrameContext = new CDrawContext(this, pPort, pPort);
  pFrameContext->setInputSource(pInput);
  pFrameContext->offset(size.left, size.top);
  updateSurroundColour();
}

CFrame::~CFrame() {
  if (pModalView) removeView(pModalView, false);
  pModalView = nullptr;
  pFocusView = nullptr;
  if (themeCursor != 0) setCursor(kCursorDefault);
  setDropActive(false);
  if (pFrameContext) pFrameContext->forget();
  pFrameContext = nullptr;
  // Children go with the container; they never reach the window on the way.
  removeAll(true);
  window.reset();
  pPort = nullptr;
  pInput = nullptr;
}

bool CFrame::initFrame(void* pSystemWin) {
  if (!pEditor) {
    // A frame drawing straight into a port (no host window).
    pPort = static_cast<platform::PixelPort*>(pSystemWin);
    return false;
  }
  window =
      platform::openEditorWindow(pSystemWin, size.width(), size.height(), editor()->getScale());
  if (!window) return false;
  pPort = &window->port();
  pInput = &window->input();
  setDropActive(true);
  return true;
}

void CFrame::setInputSource(platform::InputSource* input) {
  pInput = input;
  if (pFrameContext) pFrameContext->setInputSource(input);
}

int32_t CFrame::getScale() const { return pPort ? pPort->scale() : 1; }

CDrawContext* CFrame::createDrawContext() {
  if (pFrameContext) {
    pFrameContext->remember();
    return pFrameContext;
  }
  auto* context = new CDrawContext(this, nullptr, pPort);
  context->setInputSource(pInput);
  return context;
}

bool CFrame::open(CPoint*) { return false; }
bool CFrame::close() { return false; }

void CFrame::flushWindow() {
  if (window && bOpenFlag) window->flush();
}

// ---------------------------------------------------------------------------
// Editor services

void CFrame::doIdleStuff() {
  if (editor()) editor()->doIdleStuff();
}

uint32_t CFrame::getTicks() const { return editor() ? editor()->getTicks() : 0; }

int32_t CFrame::getKnobMode() const { return AEffGUIEditor::getKnobMode(); }

void CFrame::beginEdit(int32_t index) {
  if (editor()) editor()->beginEdit(index);
}

void CFrame::endEdit(int32_t index) {
  if (editor()) editor()->endEdit(index);
}

bool CFrame::getCurrentLocation(CPoint& where) {
  if (pFrameContext) pFrameContext->getMouseLocation(where);
  return true;
}

void CFrame::setCursor(CCursorType type) {
  themeCursor = themeCursorOf(type);
  if (window && window->alive()) window->setCursor(shapeOfTheme(themeCursor));
}

void CFrame::setFocusView(CView* pView) {
  CView* old = pFocusView;
  pFocusView = pView;
  if (old) old->looseFocus(nullptr);
}

bool CFrame::setModalView(CView* pView) {
  if (pModalView && pView) return false;
  if (pModalView) removeView(pModalView, false);
  pModalView = pView;
  if (pView) addView(pView);
  return true;
}

bool CFrame::setDropActive(bool val) {
  // No view of ours accepts drops: only the flag is kept.
  bDropActive = val;
  return true;
}

void CFrame::invalidate(const CRect& rect) {
  for (CCView* l = pFirstView; l; l = l->pNext) {
    CRect area = l->pView->getViewSize();
    if (area.rectOverlap(rect)) l->pView->setDirty(true);
  }
}

bool CFrame::setPosition(int32_t, int32_t) { return false; }

bool CFrame::getPosition(int32_t& x, int32_t& y) const {
  if (!bOpenFlag || !window) return false;
  return window->screenPosition(x, y);
}

bool CFrame::getSize(CRect* pSize) const {
  if (!pSize || !bOpenFlag) return false;
  if (pPort)
    *pSize = CRect(0, 0, pPort->width() / pPort->scale(), pPort->height() / pPort->scale());
  else
    *pSize = CRect(0, 0, size.width(), size.height());
  return true;
}

bool CFrame::setSize(int32_t width, int32_t height) {
  if (!bOpenFlag || width <= 0 || height <= 0) return false;
  if (width == size.width() && height == size.height()) return false;
  const bool hostSized = editor() && editor()->sizeWindowByHost(width, height);
  if (hostSized) {
    size.right = size.left + width;
    size.bottom = size.top + height;
  } else {
    CRect all(0, 0, width, height);
    CViewContainer::setViewSize(all);
  }
  // Either way our own window and its port follow (never the host's).
  if (window) {
    window->resize(width, height);
    pPort = &window->port();
    if (pFrameContext) pFrameContext->setWindow(pPort);
  }
  if (pFrameContext) pFrameContext->resetClipRect();
  if (editor()) editor()->frameSizeChanged(width, height);
  setDirty(true);
  return true;
}

void CFrame::setViewSize(CRect& rect) { setSize(rect.width(), rect.height()); }

void CFrame::setBackground(CBitmap* background) {
  CViewContainer::setBackground(background);
  updateSurroundColour();
}

void CFrame::setBackgroundColor(const CColor color) {
  CViewContainer::setBackgroundColor(color);
  updateSurroundColour();
}

void CFrame::updateSurroundColour() {
  if (!window) return;
  const platform::PixelPort* picture = pBackground ? pBackground->getHandle() : nullptr;
  if (picture && picture->width() > 0 && picture->height() > 0)
    window->setSurroundColour(picture->get(picture->width() - 1, picture->height() - 1));
  else
    window->setSurroundColour(toPixel(backgroundColor));
}

bool CFrame::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CFrame") == 0) return true;
  return CViewContainer::isTypeOf(s);
}

CView* CFrame::getCurrentView() const {
  if (pModalView) return pModalView;
  return CViewContainer::getCurrentView();
}

void CFrame::dumpHierarchy() {
  dumpInfo();
  DebugPrint("\n");
  CViewContainer::dumpHierarchy();
}

// ---------------------------------------------------------------------------
// Drawing

void CFrame::draw(CDrawContext* pContext) {
  bFirstDraw = false;
  CViewContainer::draw(pContext ? pContext : pFrameContext);
}

void CFrame::drawRect(CDrawContext* pContext, const CRect& updateRect) {
  bFirstDraw = false;
  const bool own = pContext == nullptr;
  if (own) pContext = createDrawContext();
  CRect oldClip;
  pContext->getClipRect(oldClip);
  CRect newClip = updateRect;
  newClip.bound(oldClip);
  pContext->setClipRect(newClip);
  if (updateRect.width() > 0 && updateRect.height() > 0) CViewContainer::drawRect(pContext, updateRect);
  pContext->setClipRect(oldClip);
  if (own) pContext->forget();
  flushWindow();
}

void CFrame::draw(CView* pView) {
  CView* target = pView && isChild(pView) ? pView : this;
  CDrawContext* context = createDrawContext();
  target->draw(context);
  context->forget();
  flushWindow();
}

bool CFrame::isSomethingDirty() const {
  if (isDirty()) return true;
  for (CCView* l = pFirstView; l; l = l->pNext)
    if (l->pView->isDirty()) return true;
  return false;
}

void CFrame::idle() {
  if (!bOpenFlag || bFirstDraw) return;
  if (window && !window->viewable()) return;
  if (!isSomethingDirty()) return;
  CDrawContext* context = createDrawContext();
  update(context);
  context->forget();
}

void CFrame::update(CDrawContext* pContext) {
  if (!bOpenFlag || !pContext) return;
  if (CView::isDirty()) {
    draw(pContext);
    setDirty(false);
  } else {
    CRect oldClip;
    pContext->getClipRect(oldClip);
    if (pModalView && pModalView->isDirty()) pModalView->update(pContext);
    for (CCView* l = pFirstView; l; l = l->pNext) {
      CRect clip = l->pView->getViewSize();
      pContext->setClipRect(clip.bound(oldClip));
      l->pView->update(pContext);
    }
    pContext->setClipRect(oldClip);
  }
  flushWindow();
}

// ---------------------------------------------------------------------------
// Input

void CFrame::mouse(CDrawContext* pContext, CPoint& where, int32_t buttons) {
  if (!pContext) pContext = pFrameContext;
  if (pFocusView) setFocusView(nullptr);
  if (buttons == -1 && pContext) buttons = pContext->getMouseButtons();
  if (pModalView) {
    if (pModalView->hitTest(where, buttons)) pModalView->mouse(pContext, where, buttons);
    return;
  }
  CViewContainer::mouse(pContext, where, buttons);
}

int32_t CFrame::onKeyDown(VstKeyCode& keyCode) {
  int32_t result = -1;
  if (pFocusView) result = pFocusView->onKeyDown(keyCode);
  if (result == -1 && pModalView) result = pModalView->onKeyDown(keyCode);
  if (result == -1) result = CViewContainer::onKeyDown(keyCode);
  return result;
}

int32_t CFrame::onKeyUp(VstKeyCode& keyCode) {
  int32_t result = -1;
  if (pFocusView) result = pFocusView->onKeyUp(keyCode);
  if (result == -1 && pModalView) result = pModalView->onKeyUp(keyCode);
  if (result == -1) result = CViewContainer::onKeyUp(keyCode);
  return result;
}

bool CFrame::onWheel(CDrawContext* pContext, const CPoint& where, float distance) {
  CView* view = pModalView ? pModalView : getViewAt(where, false);
  if (!view) return false;
  const bool own = pContext == nullptr;
  if (own) pContext = createDrawContext();
  const bool result = view->onWheel(pContext, where, distance);
  if (own) pContext->forget();
  return result;
}
