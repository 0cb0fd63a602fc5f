// A small shared object standing for a plug-in: it reports the folder it was
// loaded from and loads pictures by number the way an editor does (bundle =
// that folder, embedded pictures as the fallback).
#include <cstdint>

#include "CBitmap.h"
#include "platform.h"

extern "C" __attribute__((visibility("default"))) const char* bundleModuleDirectory() {
  return oxel::platform::moduleDirectory().c_str();
}

extern "C" __attribute__((visibility("default"))) int32_t bundleModulePictureWidth(int32_t number) {
  setBundlePath(oxel::platform::moduleDirectory());
  CBitmap bitmap(number);
  return bitmap.isLoaded() ? bitmap.getWidth() : -1;
}
