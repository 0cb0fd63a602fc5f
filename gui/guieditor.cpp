#include "guieditor.h"

#include <algorithm>
#include <mutex>

#include "AudioEffectX.h"
#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "platform.h"
#include "window.h"

namespace platform = oxel::platform;

std::atomic<VstInt32> AEffGUIEditor::knobMode{0};

namespace {

// Counts a busy section (a gesture, a dispatch, an idle pass) for the
// deferred close.
class BusyScope {
 public:
  explicit BusyScope(int32_t& depth) : depth_{depth} { ++depth_; }
  ~BusyScope() { --depth_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  int32_t& depth_;
};

// A drawing context of one request, forgotten on every way out (an
// exception included).
class ContextScope {
 public:
  explicit ContextScope(CDrawContext* context) : context{context} {}
  ~ContextScope() { context->forget(); }
  ContextScope(const ContextScope&) = delete;
  ContextScope& operator=(const ContextScope&) = delete;
  CDrawContext* const context;
};

}  // namespace

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect, platform::EditorClock* clock)
    : AEffEditor(effect), ownClock{clock} {
  if (effect) {
    slotCount = std::max<VstInt32>(effect->getAeffect()->numParams, 0);
    slots = std::make_unique<ParameterSlot[]>(static_cast<size_t>(slotCount));
  }
  systemWindow = nullptr;
  lLastTicks = getTicks();
  // The bundle is the folder of the loaded image; it cannot change while the
  // image is loaded.
  static std::once_flag bundleOnce;
  std::call_once(bundleOnce, [] { setBundlePath(platform::moduleDirectory()); });
  // Last: an editor whose construction failed before here never becomes the
  // plug-in's editor, and the destructor takes back one that did.
  if (effect) effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() {
  if (frame) removeFrame();
  for (CFrame* old : closedFrames) old->forget();
  if (effect) effect->forgetEditor(this);
}

platform::EditorClock& AEffGUIEditor::clock() const {
  if (ownClock) return *ownClock;
  if (frame)
    if (auto* window = frame->getPlatformWindow()) return window->clock();
  return platform::systemEditorClock();
}

uint32_t AEffGUIEditor::getTicks() const { return clock().now(); }

void AEffGUIEditor::wait(uint32_t ms) {
  const uint64_t ticks = uint64_t{ms} * 60 / 1000;
  clock().sleep(static_cast<uint32_t>(ticks * 1000 / 60));
}

int32_t AEffGUIEditor::getScale() {
  if (scale == 0) scale = platform::chooseEditorScale(hostScale);
  return scale;
}

VstInt32 AEffGUIEditor::getRect(ERect** ppRect) {
  if (!ppRect) return 0;
  const int32_t s = getScale();
  if (s == 1) {
    *ppRect = &rect;
    return 1;
  }
  auto scaled = [s](int16_t v) {
    return static_cast<int16_t>(std::clamp(int32_t{v} * s, -32768, 32767));
  };
  deviceRect = {scaled(rect.top), scaled(rect.left), scaled(rect.bottom), scaled(rect.right)};
  *ppRect = &deviceRect;
  return 1;
}

VstInt32 AEffGUIEditor::open(void* ptr) {
  // A host that opens twice without closing: the old frame goes first.
  if (frame) close();
  postUpdate();
  // A parent that is a headless record has no desktop whose density could
  // count: the scale getRect may have answered before the open is chosen
  // again without it.
  if (platform::isHeadlessParent(ptr)) scale = platform::chooseEditorScale(hostScale, false);
  AEffEditor::open(ptr);
  return 0;
}

void AEffGUIEditor::close() {
  systemWindow = nullptr;
  scale = 0;
  if (!frame) return;
  if (isBusy()) {
    // A control's loop is still on the stack, in this frame: the editor is
    // closed now (no frame), the frame stops drawing and reporting buttons,
    // and it is deleted when the loop has returned.
    CFrame* old = frame;
    frame = nullptr;
    old->setOpenFlag(false);
    if (auto* window = old->getPlatformWindow()) window->stopInput();
    closedFrames.push_back(old);
    return;
  }
  removeFrame();
}

void AEffGUIEditor::removeFrame() {
  CFrame* old = frame;
  frame = nullptr;
  old->forget();
}

void AEffGUIEditor::finishDeferredClose() {
  if (isBusy() || closedFrames.empty()) return;
  std::vector<CFrame*> old;
  old.swap(closedFrames);
  for (CFrame* f : old) f->forget();
}

void AEffGUIEditor::flushWindow() {
  if (frame) frame->flushWindow();
}

void AEffGUIEditor::dispatchWindowEvents(uint32_t waitMs) {
  platform::EditorWindow* window = frame ? frame->getPlatformWindow() : nullptr;
  if (!window) {
    if (waitMs > 0) clock().sleep(waitMs);
    return;
  }
  BusyScope busy{busyDepth};
  window->dispatchEvents(*this, waitMs, trackingDepth > 0);
}

void AEffGUIEditor::idle() {
  {
    BusyScope busy{busyDepth};
    if (!inDoIdleStuff && frame)
      if (auto* window = frame->getPlatformWindow()) window->hostIdlePassed();
    // Events first: the first expose is the first draw, which idle waits for.
    dispatchWindowEvents(0);
    applyPendingParameters();
    AEffEditor::idle();
    if (frame) frame->idle();
    flushWindow();
  }
  finishDeferredClose();
}

void AEffGUIEditor::draw(ERect* pRect) {
  if (!frame) return;
  if (pRect) {
    const CRect r(pRect->left, pRect->top, pRect->right, pRect->bottom);
    const ContextScope scope{new CDrawContext(frame, nullptr, frame->getWindowPort())};
    frame->drawRect(scope.context, r);
  } else {
    frame->draw(static_cast<CView*>(nullptr));
  }
  flushWindow();
}

VstInt32 AEffGUIEditor::mouse(VstInt32 x, VstInt32 y) {
  if (!frame) return 1;
  {
    BusyScope busy{busyDepth};
    BusyScope tracking{trackingDepth};
    const ContextScope scope{new CDrawContext(frame, nullptr, frame->getWindowPort())};
    CPoint where(x, y);
    frame->mouse(scope.context, where, -1);
    flushWindow();
  }
  finishDeferredClose();
  return 1;
}

VstInt32 AEffGUIEditor::onKeyDown(VstKeyCode& keyCode) {
  if (!frame) return -1;
  VstInt32 result;
  {
    BusyScope busy{busyDepth};
    result = frame->onKeyDown(keyCode);
    flushWindow();
  }
  finishDeferredClose();
  return result;
}

VstInt32 AEffGUIEditor::onKeyUp(VstKeyCode& keyCode) {
  if (!frame) return -1;
  VstInt32 result;
  {
    BusyScope busy{busyDepth};
    result = frame->onKeyUp(keyCode);
    flushWindow();
  }
  finishDeferredClose();
  return result;
}

VstInt32 AEffGUIEditor::setKnobMode(VstInt32 val) {
  knobMode.store(val, std::memory_order_relaxed);
  return 1;
}

bool AEffGUIEditor::onWheel(float distance) {
  if (!frame) return false;
  bool result;
  {
    BusyScope busy{busyDepth};
    const ContextScope scope{new CDrawContext(frame, nullptr, frame->getWindowPort())};
    CPoint where;
    scope.context->getMouseLocation(where);
    result = frame->onWheel(scope.context, where, distance);
    flushWindow();
  }
  finishDeferredClose();
  return result;
}

void AEffGUIEditor::setParameter(VstInt32 index, float value) {
  if (index >= 0 && index < slotCount) {
    slots[index].value.store(value, std::memory_order_relaxed);
    slots[index].changed.store(true, std::memory_order_release);
  }
  postUpdate();
}

void AEffGUIEditor::applyParameter(VstInt32, float) {}

void AEffGUIEditor::applyPendingParameters() {
  for (VstInt32 i = 0; i < slotCount; ++i)
    if (slots[i].changed.exchange(false, std::memory_order_acquire))
      applyParameter(i, slots[i].value.load(std::memory_order_relaxed));
}

void AEffGUIEditor::doIdleStuff() {
  // After a close from inside a control's loop, the loop is only unwinding:
  // no more idle work and no more host requests for it.
  if (!closedFrames.empty()) return;
  {
    BusyScope busy{busyDepth};
    uint32_t now = getTicks();
    // Wrap-safe: the comparisons hold across the 32-bit wrap of the clock.
    if (static_cast<int32_t>(lLastTicks - now) > 0) {
      dispatchWindowEvents(4);
      now += 4;
      if (static_cast<int32_t>(lLastTicks - 50 - now) > 0) {
        flushWindow();
        return;
      }
    }
    inDoIdleStuff = true;
    idle();
    inDoIdleStuff = false;
    if (!closedFrames.empty()) return;
    lLastTicks = now + 100;
    if (effect) effect->masterIdle();
  }
  finishDeferredClose();
}

void AEffGUIEditor::beginEdit(VstInt32 index) {
  if (!effect || index < 0 || index >= effect->getAeffect()->numParams) return;
  if (auto* x = dynamic_cast<AudioEffectX*>(effect))
    x->beginEdit(index);
  else
    effect->callHost(audioMasterBeginEdit, index);
}

void AEffGUIEditor::endEdit(VstInt32 index) {
  if (!effect || index < 0 || index >= effect->getAeffect()->numParams) return;
  if (auto* x = dynamic_cast<AudioEffectX*>(effect))
    x->endEdit(index);
  else
    effect->callHost(audioMasterEndEdit, index);
}

bool AEffGUIEditor::sizeWindowByHost(int32_t width, int32_t height) {
  auto* x = dynamic_cast<AudioEffectX*>(effect);
  if (!x) return false;
  char canDo[] = "sizeWindow";
  // The host's window is in device pixels.
  const int32_t s = getScale();
  return x->canHostDo(canDo) != 0 && x->sizeWindow(width * s, height * s);
}

void AEffGUIEditor::frameSizeChanged(int32_t width, int32_t height) {
  rect.right = static_cast<int16_t>(rect.left + width);
  rect.bottom = static_cast<int16_t>(rect.top + height);
}

// ---------------------------------------------------------------------------
// Window events

void AEffGUIEditor::windowExposed(const platform::PortRect& area) {
  ERect r{};
  r.top = static_cast<int16_t>(area.top);
  r.left = static_cast<int16_t>(area.left);
  r.bottom = static_cast<int16_t>(area.bottom);
  r.right = static_cast<int16_t>(area.right);
  draw(&r);
}

void AEffGUIEditor::windowMouseDown(int32_t x, int32_t y) { mouse(x, y); }

void AEffGUIEditor::windowWheel(int32_t, int32_t, float distance) { onWheel(distance); }

// The platform's key strokes carry their modifiers as the host's key records do.
static_assert(platform::kModShift == kKeyModShift && platform::kModOption == kKeyModAlternate &&
              platform::kModCommand == kKeyModCommand && platform::kModControl == kKeyModControl);
static_assert(platform::kVirtualLeft == kVKeyLeft && platform::kVirtualUp == kVKeyUp &&
              platform::kVirtualRight == kVKeyRight && platform::kVirtualDown == kVKeyDown);

void AEffGUIEditor::windowKey(const platform::KeyStroke& key, bool down) {
  VstKeyCode code{};
  code.character = key.character;
  code.virt = key.virt;
  code.modifier = key.modifier;
  if (down)
    onKeyDown(code);
  else
    onKeyUp(code);
}
