#include "CFrame.h"

#include <cstring>

#include "CDrawContext.h"
#include "platform.h"

CFrame::CFrame(const CRect& size, void* pSystemWindow, void* pEditor)
    : CViewContainer(size, nullptr, nullptr), pEditor{pEditor}, pSystemWindow{pSystemWindow} {
  pParentFrame = this;
  pFrameContext = new CDrawContext(this, pSystemWindow, pSystemWindow);
  pFrameContext->offset(size.left, size.top);
}

CFrame::~CFrame() {
  if (pFrameContext) pFrameContext->forget();
  pFrameContext = nullptr;
}

void CFrame::setInputSource(oxel::platform::InputSource* input) {
  pInput = input;
  if (pFrameContext) pFrameContext->setInputSource(input);
}

CDrawContext* CFrame::createDrawContext() {
  if (pFrameContext) {
    pFrameContext->remember();
    return pFrameContext;
  }
  auto* context = new CDrawContext(this, nullptr, pSystemWindow);
  return context;
}

uint32_t CFrame::getTicks() const { return pEditor ? oxel::platform::milliseconds() : 0; }

bool CFrame::getCurrentLocation(CPoint& where) {
  if (pFrameContext) pFrameContext->getMouseLocation(where);
  return true;
}

bool CFrame::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "CFrame") == 0) return true;
  return CViewContainer::isTypeOf(s);
}

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
}

void CFrame::draw(CView* pView) {
  CView* target = pView && isChild(pView) ? pView : this;
  CDrawContext* context = createDrawContext();
  target->draw(context);
  context->forget();
}

bool CFrame::isSomethingDirty() const {
  if (isDirty()) return true;
  for (CCView* l = pFirstView; l; l = l->pNext)
    if (l->pView->isDirty()) return true;
  return false;
}

void CFrame::idle() {
  if (!bOpenFlag || bFirstDraw || !isSomethingDirty()) return;
  CDrawContext* context = createDrawContext();
  update(context);
  context->forget();
}

void CFrame::update(CDrawContext* pContext) {
  if (!bOpenFlag || !pContext) return;
  if (CView::isDirty()) {
    draw(pContext);
    setDirty(false);
    return;
  }
  CRect oldClip;
  pContext->getClipRect(oldClip);
  for (CCView* l = pFirstView; l; l = l->pNext) {
    CRect clip = l->pView->getViewSize();
    pContext->setClipRect(clip.bound(oldClip));
    l->pView->update(pContext);
  }
  pContext->setClipRect(oldClip);
}
