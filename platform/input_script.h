// The headless window's input script (the language is described in
// headless_parent.h): read into steps that either let time pass or deliver
// events together. Private to the platform layer.
#pragma once

#include <cstdint>
#include <vector>

#include "window.h"

namespace oxel::platform {

struct ScriptStep {
  bool isWait{false};
  uint32_t waitMs{0};
  std::vector<WindowEvent> events;
};

// Reads the whole script (null reads as empty). False at the first line that
// cannot be read, with its number (from 1) in badLine; steps then holds the
// lines before it.
bool parseInputScript(const char* text, std::vector<ScriptStep>& steps, uint32_t& badLine);

}  // namespace oxel::platform
