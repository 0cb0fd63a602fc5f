// The editor interface the dispatcher talks to. The base behaviour is the
// interface's own: nothing drawn, keys not taken. The GUI editor overrides it.
#pragma once

#include <atomic>

#include "EffectRecord.h"

class AudioEffect;

class AEffEditor {
 public:
  explicit AEffEditor(AudioEffect* effect) : effect{effect} {}
  virtual ~AEffEditor() = default;

  AEffEditor(const AEffEditor&) = delete;
  AEffEditor& operator=(const AEffEditor&) = delete;

  virtual VstInt32 getRect(ERect** rect) {
    if (rect) *rect = nullptr;
    return 0;
  }
  virtual VstInt32 open(void* ptr) {
    systemWindow = ptr;
    return 0;
  }
  virtual void close() {}
  virtual void idle() {
    if (updateFlag.exchange(0, std::memory_order_acq_rel) != 0) update();
  }
  virtual void draw(ERect* /*rect*/) {}
  virtual VstInt32 mouse(VstInt32 /*x*/, VstInt32 /*y*/) { return 0; }
  virtual VstInt32 key(VstInt32 /*keyCode*/) { return 0; }
  virtual void top() {}
  virtual void sleep() {}
  virtual void update() {}
  virtual void postUpdate() { updateFlag.store(1, std::memory_order_release); }
  virtual VstInt32 onKeyDown(VstKeyCode& /*keyCode*/) { return -1; }
  virtual VstInt32 onKeyUp(VstKeyCode& /*keyCode*/) { return -1; }
  virtual VstInt32 setKnobMode(VstInt32 /*mode*/) { return 0; }
  virtual bool onWheel(float /*distance*/) { return false; }

 protected:
  AudioEffect* effect;
  void* systemWindow = nullptr;
  // Set by postUpdate on any thread, cleared by idle on the user-interface thread.
  std::atomic<VstInt32> updateFlag{0};
};
