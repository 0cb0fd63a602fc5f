// The window back ends that openEditorWindow (window_common.cpp) chooses
// between. Private to the platform layer.
#pragma once

#include <memory>

#include "headless_parent.h"
#include "window.h"

namespace oxel::platform {

// width and height in device pixels; scale is the port's.

std::unique_ptr<EditorWindow> openHeadlessWindow(OxelHeadlessParent* parent, int32_t width,
                                                 int32_t height, int32_t scale);
// Null when no display can be opened or the parent is not a window.
std::unique_ptr<EditorWindow> openX11Window(unsigned long parent, int32_t width, int32_t height,
                                            int32_t scale);

}  // namespace oxel::platform
