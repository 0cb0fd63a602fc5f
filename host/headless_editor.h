// Drives one editor drawn in memory: fills a fresh OxelHeadlessParent record,
// opens the editor on it, lets the host draw and idle until the record's
// script is done (with one bound on the idles), reads what the window shows
// and closes the editor. Used by oxel shot, the gallery, the stress host, the
// editor benchmarks and the editor tests, so that all of them drive an editor
// the same way.
//
// The editor is reached through four calls (EditorCalls): through an effect
// record's dispatcher for a plug-in loaded as a host loads it, or through an
// editor object's own methods for an editor built in the same program.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "EffectRecord.h"
#include "headless_parent.h"

namespace oxel {

// The bound on host idles while a script runs (at 33 ms each, over an hour
// of the script's time): every driver of a headless editor stops there.
constexpr int kHeadlessMaxIdles = 120000;

// A record ready for an open request: magic, version, the script (not
// copied: it must outlive the window) and the virtual time of a host idle.
OxelHeadlessParent headlessRecord(const char* script = nullptr, uint32_t idleStepMs = 33);

struct EditorCalls {
  std::function<void(void* parent)> open;
  std::function<void()> draw;
  std::function<void()> idle;
  std::function<void()> close;
};

// The editor requests through the effect record's dispatcher.
EditorCalls editorCallsOf(AEffect* effect);

// An editor object's open(void*), draw(ERect*), idle() and close().
template <class Editor>
EditorCalls editorCallsOf(Editor& editor) {
  return {[&editor](void* parent) { editor.open(parent); }, [&editor] { editor.draw(nullptr); },
          [&editor] { editor.idle(); }, [&editor] { editor.close(); }};
}

struct HeadlessOptions {
  std::string script;
  // Virtual time that passes before each host idle (a host idling at about
  // 30 Hz).
  uint32_t idleStepMs = 33;
  int maxIdles = kHeadlessMaxIdles;
  // Host idles after the script is done, so that its last changes are drawn.
  int settleIdles = 4;
  // One draw request right after the open (oxel shot's way); without it the
  // first picture comes from the window's first expose, as on a screen.
  bool drawAfterOpen = true;
};

// What a window showed: width x height pixels, 0x00RRGGBB, row by row.
struct HeadlessPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int32_t x, int32_t y) const {
    return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  }
  bool operator==(const HeadlessPicture&) const = default;
};

class HeadlessEditor {
 public:
  explicit HeadlessEditor(EditorCalls calls, HeadlessOptions options = {});
  // Closes the editor if it is still open.
  ~HeadlessEditor();
  HeadlessEditor(const HeadlessEditor&) = delete;
  HeadlessEditor& operator=(const HeadlessEditor&) = delete;

  // The open request on a fresh record, then one draw request if the
  // options ask for it (hosts on Linux never ask for one; it makes sure the
  // first picture exists even for an editor that waits for it). True when a
  // window opened on the record.
  bool open();
  // Host idles until the script is done or maxIdles have passed, then
  // settleIdles more; true when the script was done.
  bool runScript();
  void idle(int count = 1);
  // What the window shows now (empty while no window is open).
  HeadlessPicture picture() const;
  void close();

  // The record the editor was opened on: its script error, flush count and
  // open windows.
  const OxelHeadlessParent& record() const { return record_; }
  // Host idles runScript made.
  int idles() const { return idles_; }

 private:
  EditorCalls calls_;
  HeadlessOptions options_;
  OxelHeadlessParent record_{};
  bool open_ = false;
  int idles_ = 0;
};

// A whole session: open, run the script, read the picture, close. Empty
// picture when no window opened or the script could not be read.
struct HeadlessSession {
  bool opened = false;
  uint32_t scriptError = 0;  // line of the first bad step, 0 if none
  bool scriptDone = false;
  HeadlessPicture picture;
};
HeadlessSession runHeadlessEditor(EditorCalls calls, HeadlessOptions options = {});

}  // namespace oxel
