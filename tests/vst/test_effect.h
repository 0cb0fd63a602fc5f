// A minimal plug-in on the frame, for testing the frame alone.
#pragma once

#include <vector>

#include "AudioEffectX.h"
#include "EffectRecord.h"

struct RecordedRequest {
  VstInt32 opcode, index;
  VstIntPtr value;
  float opt;
};

// Host callback that records requests and answers from a small table.
struct FakeHost {
  static inline std::vector<RecordedRequest> log;
  static inline VstIntPtr answer = 0;
  static VstIntPtr callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*,
                            float opt) {
    log.push_back({opcode, index, value, opt});
    return answer;
  }
};

class TestEffect : public AudioEffectX {
 public:
  explicit TestEffect(audioMasterCallback host = nullptr) : AudioEffectX{host, 4, 2} {}
  void process(float**, float**, VstInt32) override {}
  float getVu() override { return vu; }
  void setProgram(VstInt32 program) override {
    AudioEffectX::setProgram(program);
    ++programChanges;
  }
  void suspend() override { ++suspends; }
  void resume() override { ++resumes; }
  float vu = 0.0f;
  int programChanges = 0, suspends = 0, resumes = 0;
};

class RecordingEditor : public AEffEditor {
 public:
  using AEffEditor::AEffEditor;
  VstInt32 onKeyDown(VstKeyCode& key) override {
    lastKey = key;
    return 1;
  }
  VstInt32 setKnobMode(VstInt32 mode) override { return knobMode = mode, 1; }
  VstKeyCode lastKey{};
  VstInt32 knobMode = -1;
};
