#include "CView.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"

const char* kMsgCheckIfViewContainer = "kMsgCheckIfViewContainer";

void DebugPrint(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
}

// ---------------------------------------------------------------------------
// CView

CView::CView(const CRect& size) : size{size}, mouseableArea{size} {}

CView::~CView() {
  if (pBackground) pBackground->forget();
}

void CView::draw(CDrawContext*) { setDirty(false); }

void CView::drawRect(CDrawContext* pContext, const CRect&) { draw(pContext); }

void CView::mouse(CDrawContext*, CPoint&, int32_t) {}

void CView::setBackground(CBitmap* background) {
  // Remember the new bitmap before forgetting the old one: they may be the
  // same bitmap, held only by this view.
  if (background) background->remember();
  if (pBackground) pBackground->forget();
  pBackground = background;
}

int32_t CView::onKeyDown(VstKeyCode&) { return -1; }
int32_t CView::onKeyUp(VstKeyCode&) { return -1; }
bool CView::onWheel(CDrawContext*, const CPoint&, float) { return false; }
bool CView::onDrop(void**, int32_t, int32_t, CPoint&) { return false; }
void CView::onDragEnter(void*, CPoint&) {}
void CView::onDragLeave(void*, CPoint&) {}
void CView::onDragMove(void*, CPoint&) {}
void CView::looseFocus(CDrawContext*) {}
void CView::takeFocus(CDrawContext*) {}

bool CView::hitTest(const CPoint& where, const int32_t) { return where.isInside(mouseableArea); }

void CView::setViewSize(CRect& rect) {
  size = rect;
  setDirty(true);
}

bool CView::removed(CView*) { return true; }
bool CView::attached(CView*) { return true; }

void CView::getMouseLocation(CDrawContext* pContext, CPoint& point) {
  if (!pContext) return;
  if (pParentView && pParentView->notify(this, kMsgCheckIfViewContainer) == 1) {
    auto* parent = static_cast<CViewContainer*>(pParentView);
    int32_t save[4]{};
    parent->modifyDrawContext(save, pContext);
    parent->getMouseLocation(pContext, point);
    parent->restoreDrawContext(pContext, save);
  } else {
    pContext->getMouseLocation(point);
  }
}

bool CView::getAttributeSize(const CViewAttributeID id, int32_t& outSize) const {
  if (id != kCViewAttributeReferencePointer) return false;
  outSize = static_cast<int32_t>(sizeof(void*));
  return true;
}

bool CView::getAttribute(const CViewAttributeID id, const int32_t inSize, void* outData,
                         int32_t& outSize) const {
  if (id != kCViewAttributeReferencePointer || !outData || inSize < static_cast<int32_t>(sizeof(void*)))
    return false;
  std::memcpy(outData, &pReferencePointer, sizeof(void*));
  outSize = static_cast<int32_t>(sizeof(void*));
  return true;
}

bool CView::setAttribute(const CViewAttributeID id, const int32_t inSize, const void* inData) {
  if (id != kCViewAttributeReferencePointer || !inData || inSize != static_cast<int32_t>(sizeof(void*)))
    return false;
  std::memcpy(&pReferencePointer, inData, sizeof(void*));
  return true;
}

void* CView::getEditor() const { return pParentFrame ? pParentFrame->getEditor() : nullptr; }

int32_t CView::notify(CView*, const char*) { return 0; }

void CView::redrawRect(CDrawContext* context, const CRect& rect) {
  if (pParentView)
    pParentView->redrawRect(context, rect);
  else if (pParentFrame)
    pParentFrame->drawRect(context, rect);
}

void CView::redraw() {
  if (pParentFrame) pParentFrame->draw(this);
}

void CView::update(CDrawContext* pContext) {
  if (!isDirty()) return;
  if (pContext)
    redrawRect(pContext, size);
  else
    redraw();
  setDirty(false);
}

void CView::dumpInfo() {
  DebugPrint("left:%4d, top:%4d, width:%4d, height:%4d ", size.left, size.top, size.width(), size.height());
  if (bMouseEnabled) DebugPrint("(Mouse Enabled) ");
  if (bTransparencyEnabled) DebugPrint("(Transparent) ");
  if (mouseableArea != size)
    DebugPrint(" (Mouseable Area: left:%4d, top:%4d, width:%4d, height:%4d ", mouseableArea.left,
               mouseableArea.top, mouseableArea.width(), mouseableArea.height());
}

bool CView::isTypeOf(const char* s) const { return s && std::strcmp(s, "CView") == 0; }

// ---------------------------------------------------------------------------
// CCView

CCView::CCView(CView* view) : pView{view} {
  if (pView) pView->remember();
}

CCView::~CCView() {
  if (pView) pView->forget();
}

// ---------------------------------------------------------------------------
// CViewContainer

CViewContainer::CViewContainer(const CRect& size, CFrame* pParent, CBitmap* pBackground) : CView(size) {
  pParentFrame = pParent;
  setBackground(pBackground);
}

CViewContainer::~CViewContainer() {
  removeAll(true);
  dropOffscreen();
}

void CViewContainer::dropOffscreen() {
  if (pOffscreenContext) {
    COffscreenContext* old = pOffscreenContext;
    pOffscreenContext = nullptr;
    old->forget();
  }
}

void CViewContainer::makeOffscreen(CDrawContext*) {
  dropOffscreen();
  pOffscreenContext = new COffscreenContext(pParentFrame, size.width(), size.height(), kBlackCColor);
}

void CViewContainer::addView(CView* pView) {
  if (!pView) return;
  CCView* link = nullptr;
  try {
    link = new CCView(pView);
  } catch (...) {
    // The container owns the view from this call on, linked or not.
    pView->forget();
    throw;
  }
  link->pPrevious = pLastView;
  if (pLastView)
    pLastView->pNext = link;
  else
    pFirstView = link;
  pLastView = link;
  pView->setFrame(pParentFrame);
  pView->setParentView(this);
  pView->attached(this);
  pView->setDirty(true);
}

void CViewContainer::addView(CView* pView, CRect& mouseableArea, bool mouseEnabled) {
  if (!pView) return;
  pView->setMouseEnabled(mouseEnabled);
  pView->setMouseableArea(mouseableArea);
  addView(pView);
}

void CViewContainer::removeView(CView* pView, const bool& withForget) {
  CCView* link = pFirstView;
  while (link && link->pView != pView) link = link->pNext;
  if (!link) return;
  pView->removed(this);
  if (withForget) pView->forget();
  // Unlink before the link is destroyed (which forgets the view once more).
  if (link->pPrevious)
    link->pPrevious->pNext = link->pNext;
  else
    pFirstView = link->pNext;
  if (link->pNext)
    link->pNext->pPrevious = link->pPrevious;
  else
    pLastView = link->pPrevious;
  delete link;
}

void CViewContainer::removeAll(const bool& withForget) {
  while (CCView* link = pFirstView) {
    pFirstView = link->pNext;
    if (pFirstView)
      pFirstView->pPrevious = nullptr;
    else
      pLastView = nullptr;
    link->pView->removed(this);
    if (withForget) link->pView->forget();
    delete link;
  }
}

bool CViewContainer::isChild(CView* pView) const {
  for (CCView* l = pFirstView; l; l = l->pNext)
    if (l->pView == pView) return true;
  return false;
}

int32_t CViewContainer::getNbViews() const {
  int32_t n = 0;
  for (CCView* l = pFirstView; l; l = l->pNext) ++n;
  return n;
}

CView* CViewContainer::getView(int32_t index) const {
  if (index < 0) return nullptr;
  CCView* l = pFirstView;
  for (int32_t i = 0; l && i < index; ++i) l = l->pNext;
  return l ? l->pView : nullptr;
}

void CViewContainer::useOffscreen(bool b) {
  bDrawInOffscreen = b;
  if (!b) dropOffscreen();
}

bool CViewContainer::attached(CView*) {
  if (bDrawInOffscreen && !pOffscreenContext) makeOffscreen(nullptr);
  return true;
}

bool CViewContainer::removed(CView*) {
  dropOffscreen();
  return true;
}

void CViewContainer::setViewSize(CRect& rect) {
  CView::setViewSize(rect);
  if (bDrawInOffscreen && pOffscreenContext) makeOffscreen(nullptr);
}

void CViewContainer::looseFocus(CDrawContext* pContext) {
  for (CCView* l = pFirstView; l; l = l->pNext) l->pView->looseFocus(pContext);
}

void CViewContainer::takeFocus(CDrawContext* pContext) {
  for (CCView* l = pFirstView; l; l = l->pNext) l->pView->takeFocus(pContext);
}

bool CViewContainer::isDirty() const {
  if (CView::isDirty()) return true;
  for (CCView* l = pFirstView; l; l = l->pNext)
    if (l->pView->isDirty()) return true;
  return false;
}

bool CViewContainer::hitTest(const CPoint& where, const int32_t buttons) { return CView::hitTest(where, buttons); }

int32_t CViewContainer::notify(CView*, const char* message) { return message == kMsgCheckIfViewContainer ? 1 : 0; }

bool CViewContainer::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CViewContainer") == 0) return true;
  return CView::isTypeOf(s);
}

void CViewContainer::modifyDrawContext(int32_t save[4], CDrawContext* pContext) {
  save[0] = pContext->offsetScreen.h;
  save[1] = pContext->offsetScreen.v;
  save[2] = pContext->offset.h;
  save[3] = pContext->offset.v;
  pContext->offsetScreen.offset(size.left, size.top);
  pContext->offset.offset(size.left, size.top);
}

void CViewContainer::restoreDrawContext(CDrawContext* pContext, int32_t save[4]) {
  pContext->offsetScreen(save[0], save[1]);
  pContext->offset(save[2], save[3]);
}

// ---------------------------------------------------------------------------
// Drawing

void CViewContainer::draw(CDrawContext* pContext) {
  if (!pContext) return;
  if (bDrawInOffscreen && !pOffscreenContext) makeOffscreen(pContext);
  COffscreenContext* offscreen = bDrawInOffscreen ? pOffscreenContext : nullptr;
  CDrawContext* target = offscreen ? offscreen : pContext;
  int32_t save[4]{};
  if (!offscreen) modifyDrawContext(save, pContext);

  const CRect r{0, 0, size.width(), size.height()};
  CRect oldClip;
  pContext->getClipRect(oldClip);
  const CRect oldClip2 = oldClip;
  if (offscreen && static_cast<CView*>(pParentFrame) != this) {
    // The caller's clip is in the parent's coordinates: move it into the
    // buffer's and keep it inside the buffer.
    oldClip.offset(-size.left, -size.top);
    oldClip.bound(r);
  }
  CRect clip = r;
  target->setClipRect(clip.bound(oldClip));

  if (pBackground) {
    CRect area = r;
    if (bTransparencyEnabled)
      pBackground->drawTransparent(target, area, backgroundOffset);
    else
      pBackground->draw(target, area, backgroundOffset);
  } else if (!bTransparencyEnabled) {
    target->setFillColor(backgroundColor);
    target->fillRect(r);
  }

  for (CCView* l = pFirstView; l; l = l->pNext) {
    CRect childClip = l->pView->getViewSize();
    target->setClipRect(childClip.bound(oldClip));
    l->pView->draw(target);
  }
  target->setClipRect(oldClip2);

  if (offscreen)
    offscreen->copyFrom(pContext, size, CPoint{0, 0});
  else
    restoreDrawContext(pContext, save);
  setDirty(false);
}

void CViewContainer::drawRect(CDrawContext* pContext, const CRect& updateRect) {
  if (!pContext) return;
  if (bDrawInOffscreen && !pOffscreenContext) makeOffscreen(pContext);
  COffscreenContext* offscreen = bDrawInOffscreen ? pOffscreenContext : nullptr;
  CDrawContext* target = offscreen ? offscreen : pContext;
  int32_t save[4]{};
  if (!offscreen) modifyDrawContext(save, pContext);

  CRect r = updateRect;
  r.bound(size);
  CRect clientRect = r;
  clientRect.offset(-size.left, -size.top);

  CRect oldClip;
  pContext->getClipRect(oldClip);
  const CRect oldClip2 = oldClip;
  if (offscreen && static_cast<CView*>(pParentFrame) != this) {
    oldClip.offset(-size.left, -size.top);
    oldClip.bound(CRect{0, 0, size.width(), size.height()});
  }
  CRect newClip = clientRect;
  newClip.bound(oldClip);
  target->setClipRect(newClip);

  drawBackgroundRect(target, clientRect);

  for (CCView* l = pFirstView; l; l = l->pNext) {
    if (!l->pView->checkUpdate(clientRect)) continue;
    CRect childClip = l->pView->getViewSize();
    childClip.bound(newClip);
    if (childClip.width() == 0 || childClip.height() == 0) continue;
    target->setClipRect(childClip);
    l->pView->drawRect(target, clientRect);
  }
  target->setClipRect(oldClip2);

  if (offscreen)
    offscreen->copyFrom(pContext, r, CPoint{clientRect.left, clientRect.top});
  else
    restoreDrawContext(pContext, save);
  setDirty(false);
}

void CViewContainer::drawBackgroundRect(CDrawContext* pContext, CRect& rect) {
  if (!pContext) return;
  if (pBackground) {
    CRect oldClip;
    pContext->getClipRect(oldClip);
    CRect newClip = rect;
    pContext->setClipRect(newClip.bound(oldClip));
    CRect all{0, 0, pBackground->getWidth(), pBackground->getHeight()};
    if (bTransparencyEnabled)
      pBackground->drawTransparent(pContext, all, backgroundOffset);
    else
      pBackground->draw(pContext, all, backgroundOffset);
    pContext->setClipRect(oldClip);
  } else if (!bTransparencyEnabled) {
    pContext->setFillColor(backgroundColor);
    pContext->fillRect(rect);
  }
}

void CViewContainer::redrawRect(CDrawContext* context, const CRect& rect) {
  if (!context) return;
  CRect r = rect;
  r.offset(size.left, size.top);
  if (!bTransparencyEnabled) {
    if (pParentView) {
      CPoint p{0, 0};
      pParentView->localToFrame(p);
      const CPoint savedScreen = context->offsetScreen, savedOffset = context->offset;
      context->offsetScreen.offset(p.h, p.v);
      context->offset.offset(p.h, p.v);
      drawRect(context, r);
      context->offsetScreen = savedScreen;
      context->offset = savedOffset;
    } else {
      drawRect(context, r);
    }
  } else if (pParentView) {
    pParentView->redrawRect(context, r);
  } else if (pParentFrame) {
    pParentFrame->drawRect(context, r);
  }
}

void CViewContainer::update(CDrawContext* pContext) {
  const CRect all{0, 0, size.width(), size.height()};
  if (mode == kNormalUpdateMode) {
    if (isDirty()) {
      redrawRect(pContext, all);
      setDirty(false);
    }
    return;
  }
  if (CView::isDirty()) {
    redrawRect(pContext, all);
  } else {
    for (CCView* l = pFirstView; l; l = l->pNext) {
      CRect bounds = all;
      if (!l->pView->isDirty() || !l->pView->checkUpdate(bounds)) continue;
      if (l->pView->notify(this, kMsgCheckIfViewContainer)) {
        l->pView->update(pContext);
      } else {
        CRect area = l->pView->getViewSize();
        l->pView->redrawRect(pContext, area.bound(all));
      }
    }
  }
  setDirty(false);
}

// ---------------------------------------------------------------------------
// Events

void CViewContainer::mouse(CDrawContext* pContext, CPoint& where, int32_t buttons) {
  CPoint where2 = where;
  where2.offset(-size.left, -size.top);
  if (buttons == -1 && pContext) buttons = pContext->getMouseButtons();
  for (CCView* l = pLastView; l; l = l->pPrevious) {
    CView* v = l->pView;
    if (v->getMouseEnabled() && v->hitTest(where2, buttons)) {
      v->mouse(pContext, where2, buttons);
      return;
    }
  }
}

bool CViewContainer::hitTestSubViews(const CPoint& where, const int32_t buttons) {
  CPoint where2 = where;
  where2.offset(-size.left, -size.top);
  for (CCView* l = pLastView; l; l = l->pPrevious)
    if (l->pView->getMouseEnabled() && l->pView->hitTest(where2, buttons)) return true;
  return false;
}

bool CViewContainer::onWheel(CDrawContext* pContext, const CPoint& where, float distance) {
  CView* view = getViewAt(where, false);
  if (!view) return false;
  CPoint where2 = where;
  where2.offset(-size.left, -size.top);
  if (!pContext) return view->onWheel(pContext, where2, distance);
  int32_t save[4]{};
  modifyDrawContext(save, pContext);
  const bool result = view->onWheel(pContext, where2, distance);
  restoreDrawContext(pContext, save);
  return result;
}

int32_t CViewContainer::onKeyDown(VstKeyCode& keyCode) {
  for (CCView* l = pLastView; l; l = l->pPrevious) {
    const int32_t result = l->pView->onKeyDown(keyCode);
    if (result != -1) return result;
  }
  return -1;
}

int32_t CViewContainer::onKeyUp(VstKeyCode& keyCode) {
  for (CCView* l = pLastView; l; l = l->pPrevious) {
    const int32_t result = l->pView->onKeyUp(keyCode);
    if (result != -1) return result;
  }
  return -1;
}

CView* CViewContainer::childUnder(const CPoint& where) const {
  CPoint where2 = where;
  where2.offset(-size.left, -size.top);
  for (CCView* l = pLastView; l; l = l->pPrevious)
    if (where2.isInside(l->pView->getViewSize())) return l->pView;
  return nullptr;
}

bool CViewContainer::onDrop(void** ptrItems, int32_t nbItems, int32_t type, CPoint& where) {
  CView* view = childUnder(where);
  currentDragView = nullptr;
  if (!view) return false;
  CPoint where2 = where;
  where2.offset(-size.left, -size.top);
  return view->onDrop(ptrItems, nbItems, type, where2);
}

void CViewContainer::onDragEnter(void* drag, CPoint& where) {
  currentDragView = childUnder(where);
  if (!currentDragView) return;
  CPoint where2 = where;
  where2.offset(-size.left, -size.top);
  currentDragView->onDragEnter(drag, where2);
}

void CViewContainer::onDragLeave(void* drag, CPoint& where) {
  if (!currentDragView) return;
  CPoint where2 = where;
  where2.offset(-size.left, -size.top);
  currentDragView->onDragLeave(drag, where2);
  currentDragView = nullptr;
}

void CViewContainer::onDragMove(void* drag, CPoint& where) {
  CView* view = childUnder(where);
  CPoint where2 = where;
  where2.offset(-size.left, -size.top);
  if (view != currentDragView) {
    if (currentDragView) currentDragView->onDragLeave(drag, where2);
    if (view) view->onDragEnter(drag, where2);
    currentDragView = view;
  } else if (view) {
    view->onDragMove(drag, where2);
  }
}

CView* CViewContainer::getViewAt(const CPoint& where, bool deep) const {
  if (!pParentFrame) return nullptr;
  CPoint where2 = where;
  where2.offset(-size.left, -size.top);
  for (CCView* l = pLastView; l; l = l->pPrevious) {
    CView* v = l->pView;
    if (!where2.isInside(v->getViewSize())) continue;
    if (deep && v->isTypeOf("CViewContainer")) return static_cast<CViewContainer*>(v)->getViewAt(where2, true);
    return v;
  }
  return nullptr;
}

CView* CViewContainer::getCurrentView() const {
  if (!pParentFrame) return nullptr;
  CPoint where;
  pParentFrame->getCurrentLocation(where);
  frameToLocal(where);
  for (CCView* l = pLastView; l; l = l->pPrevious) {
    CRect area;
    if (where.isInside(l->pView->getMouseableArea(area))) return l->pView;
  }
  return nullptr;
}

CPoint& CViewContainer::frameToLocal(CPoint& point) const {
  point.offset(-size.left, -size.top);
  if (pParentView && pParentView->isTypeOf("CViewContainer")) return pParentView->frameToLocal(point);
  return point;
}

CPoint& CViewContainer::localToFrame(CPoint& point) const {
  point.offset(size.left, size.top);
  if (pParentView && pParentView->isTypeOf("CViewContainer")) return pParentView->localToFrame(point);
  return point;
}

// ---------------------------------------------------------------------------
// Diagnostics

namespace {
std::atomic<int32_t> gHierarchyLevel{0};
}

void CViewContainer::dumpInfo() {
  DebugPrint("CViewContainer: Mode: %s, Offscreen:%s ",
             mode == kNormalUpdateMode ? "Normal Update Mode" : "Only Dirty Update Mode",
             bDrawInOffscreen ? "Yes" : "No");
  CView::dumpInfo();
}

void CViewContainer::dumpHierarchy() {
  gHierarchyLevel.fetch_add(1, std::memory_order_relaxed);
  for (CCView* l = pFirstView; l; l = l->pNext) {
    for (int32_t i = 0; i < gHierarchyLevel.load(std::memory_order_relaxed); ++i) DebugPrint("\t");
    l->pView->dumpInfo();
    DebugPrint("\n");
    if (l->pView->isTypeOf("CViewContainer")) static_cast<CViewContainer*>(l->pView)->dumpHierarchy();
  }
  gHierarchyLevel.fetch_sub(1, std::memory_order_relaxed);
}
