#include "headless_editor.h"

#include <utility>

namespace oxel {

OxelHeadlessParent headlessRecord(const char* script, uint32_t idleStepMs) {
  OxelHeadlessParent record{};
  record.magic = OXEL_HEADLESS_PARENT_MAGIC;
  record.version = OXEL_HEADLESS_PARENT_VERSION;
  record.script = script;
  record.idleStepMs = idleStepMs;
  return record;
}

EditorCalls editorCallsOf(AEffect* effect) {
  auto call = [effect](VstInt32 opcode, void* ptr) {
    effect->dispatcher(effect, opcode, 0, 0, ptr, 0.0f);
  };
  return {[call](void* parent) { call(effEditOpen, parent); },
          [call] { call(effEditDraw, nullptr); }, [call] { call(effEditIdle, nullptr); },
          [call] { call(effEditClose, nullptr); }};
}

HeadlessEditor::HeadlessEditor(EditorCalls calls, HeadlessOptions options)
    : calls_{std::move(calls)}, options_{std::move(options)} {}

HeadlessEditor::~HeadlessEditor() { close(); }

bool HeadlessEditor::open() {
  close();
  record_ = headlessRecord(options_.script.c_str(), options_.idleStepMs);
  idles_ = 0;
  open_ = true;
  calls_.open(&record_);
  if (options_.drawAfterOpen && calls_.draw) calls_.draw();
  return record_.openWindows > 0 && record_.pixels;
}

bool HeadlessEditor::runScript() {
  while (!record_.scriptDone && idles_ < options_.maxIdles) {
    calls_.idle();
    ++idles_;
  }
  idle(options_.settleIdles);
  return record_.scriptDone != 0;
}

void HeadlessEditor::idle(int count) {
  for (int i = 0; i < count; ++i) calls_.idle();
}

HeadlessPicture HeadlessEditor::picture() const {
  HeadlessPicture p;
  if (!record_.pixels) return p;
  p.width = record_.width;
  p.height = record_.height;
  p.pixels.assign(record_.pixels,
                  record_.pixels + static_cast<size_t>(p.width) * static_cast<size_t>(p.height));
  return p;
}

void HeadlessEditor::close() {
  if (!open_) return;
  open_ = false;
  calls_.close();
}

HeadlessSession runHeadlessEditor(EditorCalls calls, HeadlessOptions options) {
  HeadlessEditor editor{std::move(calls), std::move(options)};
  HeadlessSession out;
  out.opened = editor.open();
  out.scriptError = editor.record().scriptError;
  if (!out.opened || out.scriptError != 0) return out;
  out.scriptDone = editor.runScript();
  out.picture = editor.picture();
  return out;
}

}  // namespace oxel
