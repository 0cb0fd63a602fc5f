#include "editor_fixture.h"

#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>

namespace editortest {

Host& host() {
  static Host h;
  return h;
}

std::vector<Request> Host::taken() {
  std::lock_guard lock{mutex};
  auto out = std::move(requests);
  requests.clear();
  return out;
}

std::vector<Request> Host::edits() {
  std::vector<Request> out;
  for (const Request& r : taken())
    if (r.opcode != audioMasterIdle) out.push_back(r);
  return out;
}

int Host::count(VstInt32 opcode) {
  std::lock_guard lock{mutex};
  int n = 0;
  for (const Request& r : requests) n += r.opcode == opcode;
  return n;
}

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
  Host& h = host();
  std::function<void(VstInt32)> hook;
  {
    std::lock_guard lock{h.mutex};
    if (opcode != audioMasterVersion && opcode != audioMasterCanDo) h.requests.push_back({opcode, index, value, opt});
    hook = h.onRequest;
  }
  if (hook) hook(opcode);
  switch (opcode) {
    case audioMasterVersion: return 2400;
    case audioMasterCanDo:
      return h.canSizeWindow && ptr && std::strcmp(static_cast<const char*>(ptr), "sizeWindow") == 0;
    case audioMasterSizeWindow: return h.acceptSizeWindow;
    default: return 1;
  }
}

void StubEffect::setParameter(VstInt32 index, float value) {
  if (auto* e = static_cast<AEffGUIEditor*>(editor)) e->setParameter(index, value);
}

ProbeEditor::ProbeEditor(AudioEffect* effect, CRect size, oxel::platform::EditorClock* clock)
    : AEffGUIEditor(effect, clock), size{size} {
  rect.left = static_cast<int16_t>(size.left);
  rect.top = static_cast<int16_t>(size.top);
  rect.right = static_cast<int16_t>(size.right);
  rect.bottom = static_cast<int16_t>(size.bottom);
}

VstInt32 ProbeEditor::open(void* ptr) {
  AEffGUIEditor::open(ptr);
  frame = new CFrame(size, ptr, this);
  if (populate) populate(*frame);
  return 1;
}

Parent::Parent(const char* script, uint32_t idleStepMs)
    : text{script ? script : ""}, record{oxel::headlessRecord(text.c_str(), idleStepMs)} {}

void LoggingView::draw(CDrawContext* context) {
  context->setFillColor(colour);
  context->drawRect(size, kDrawFilled);
  setDirty(false);
}

void LoggingView::mouse(CDrawContext*, CPoint& where, int32_t buttons) {
  log.push_back(name + " mouse " + std::to_string(where.h) + "," + std::to_string(where.v) + " " +
                std::to_string(buttons));
}

bool LoggingView::onWheel(CDrawContext*, const CPoint& where, float distance) {
  log.push_back(name + " wheel " + std::to_string(where.h) + "," + std::to_string(where.v) + " " +
                std::to_string(static_cast<int>(distance)));
  return true;
}

int32_t LoggingView::onKeyDown(VstKeyCode& key) {
  log.push_back(name + " key " + std::to_string(key.virt));
  return keyAnswer;
}

int32_t LoggingView::onKeyUp(VstKeyCode& key) {
  log.push_back(name + " keyup " + std::to_string(key.virt));
  return keyAnswer;
}

void LoggingView::looseFocus(CDrawContext*) { log.push_back(name + " looseFocus"); }

void DragControl::draw(CDrawContext* context) {
  context->setFillColor(CColor{0, 0, 80, 255});
  context->drawRect(size, kDrawFilled);
  const int32_t filled = static_cast<int32_t>(getValue() * static_cast<float>(size.width()));
  context->setFillColor(kYellowCColor);
  if (filled > 0) context->drawRect(CRect(size.left, size.top, size.left + filled, size.bottom), kDrawFilled);
  setDirty(false);
}

void DragControl::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
  if (checkDefaultValue(context, buttons)) return;
  if (!(buttons & kLeftButton)) return;
  beginEdit();
  follow(context, where);
  while (context->getMouseButtons() & kLeftButton) {
    ++polls;
    CPoint now;
    getMouseLocation(context, now);
    follow(context, now);
    doIdleStuff();
  }
  endEdit();
}

void DragControl::follow(CDrawContext* context, const CPoint& where) {
  setValue(static_cast<float>(where.h - size.left) / static_cast<float>(size.width()));
  bounceValue();
  if (isDirty() && listener) listener->valueChanged(context, this);
}

void idleThroughScript(AEffEditor& editor, Parent& parent, int extra) {
  for (int i = 0; i < oxel::kHeadlessMaxIdles && !parent.record.scriptDone; ++i) editor.idle();
  for (int i = 0; i < extra; ++i) editor.idle();
}

}  // namespace editortest
