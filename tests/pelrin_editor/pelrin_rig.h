// Pelrin (processor and editor) built in-process on the recording host, its
// editor opened headless with an optional input script.
#pragma once

#include <string>

#include "CAnimRotary.h"
#include "CBitmap.h"
#include "CParamDisplay.h"
#include "CSlider.h"
#include "CSplashScreen.h"
#include "RazOruRerora.h"
#include "ZazOzoRivo.h"
#include "editor_fixture.h"

namespace editortest {

class PelrinRig {
 public:
  explicit PelrinRig(const char* script = nullptr) : parent{script, 33} {
    plugin = new ZazOzoRivo(recordingHost);
    editor = plugin->getPelrinEditor();
    host().taken();
  }
  ~PelrinRig() { delete plugin; }
  PelrinRig(const PelrinRig&) = delete;
  PelrinRig& operator=(const PelrinRig&) = delete;

  void open() {
    editor->open(&parent.record);
    editor->idle();
  }
  void play() { idleThroughScript(*editor, parent); }
  std::string text(VstInt32 index) const {
    char t[CParamDisplay::kTextSize];
    editor->getDisplay(index)->getText(t);
    return t;
  }
  // Automation requests (host request 0) since the last call, as (index, value).
  static std::vector<std::pair<VstInt32, float>> automation(std::vector<Request>* all = nullptr) {
    std::vector<std::pair<VstInt32, float>> out;
    const auto edits = host().edits();
    for (const Request& r : edits)
      if (r.opcode == audioMasterAutomate) out.emplace_back(r.index, r.opt);
    if (all) *all = edits;
    return out;
  }

  Parent parent;
  ZazOzoRivo* plugin{nullptr};
  RazOruRerora* editor{nullptr};
};

}  // namespace editortest
