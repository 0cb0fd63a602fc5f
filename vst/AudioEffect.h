// The base plug-in class: owns the effect record, answers dispatcher opcodes
// 0 to 24, sends the basic host requests and formats numbers for displays.
// Nothing here throws; every host request is skipped when there is no host.
#pragma once

#include "AEffEditor.h"
#include "EffectRecord.h"
#include "Relaxed.h"

// Set when a plug-in could not allocate its editor; the entry point then
// discards the half-built object. Never reset within one loaded image.
extern VstInt32 oome;

class AudioEffect {
 public:
  AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams);
  virtual ~AudioEffect();

  AudioEffect(const AudioEffect&) = delete;
  AudioEffect& operator=(const AudioEffect&) = delete;

  virtual void setParameter(VstInt32 index, float value);
  virtual float getParameter(VstInt32 index);
  virtual void setParameterAutomated(VstInt32 index, float value);
  virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
  virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames);
  virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                               float opt);
  virtual void open() {}
  virtual void close() {}
  virtual VstInt32 getProgram() { return curProgram; }
  virtual void setProgram(VstInt32 program) { curProgram = program; }
  virtual void setProgramName(char* name) { name[0] = 0; }
  virtual void getProgramName(char* name) { name[0] = 0; }
  virtual void getParameterLabel(VstInt32 index, char* label);
  virtual void getParameterDisplay(VstInt32 index, char* text);
  virtual void getParameterName(VstInt32 index, char* text);
  virtual float getVu() { return 0.0f; }
  virtual VstInt32 getChunk(void** data, bool isPreset);
  virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset);
  virtual void setSampleRate(float newSampleRate) { sampleRate = newSampleRate; }
  virtual void setBlockSize(VstInt32 newBlockSize) { blockSize = newBlockSize; }
  virtual void suspend() {}
  virtual void resume() {}
  virtual void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
  virtual void setNumInputs(VstInt32 n) { cEffect.numInputs = n; }
  virtual void setNumOutputs(VstInt32 n) { cEffect.numOutputs = n; }
  virtual void hasVu(bool state = true) { setFlag(effFlagsHasVu, state); }
  virtual void hasClip(bool state = true) { setFlag(effFlagsHasClip, state); }
  virtual void canMono(bool state = true) { setFlag(effFlagsCanMono, state); }
  virtual void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
  virtual void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
  virtual void setRealtimeQualities(VstInt32 n) { cEffect.realQualities = n; }
  virtual void setOfflineQualities(VstInt32 n) { cEffect.offQualities = n; }
  virtual void setInitialDelay(VstInt32 n) { cEffect.initialDelay = n; }
  virtual float getSampleRate() { return sampleRate; }
  virtual VstInt32 getBlockSize() { return blockSize; }
  virtual VstInt32 getMasterVersion();
  virtual VstInt32 getCurrentUniqueId();
  virtual void masterIdle();
  virtual bool isInputConnected(VstInt32 input);
  virtual bool isOutputConnected(VstInt32 output);
  virtual void dB2string(float value, char* text);
  virtual void Hz2string(float samples, char* text);
  virtual void ms2string(float samples, char* text);
  virtual void float2string(float value, char* text);
  virtual void long2string(VstInt32 value, char* text);

  AEffect* getAeffect() { return &cEffect; }
  void setEditor(AEffEditor* newEditor);
  // An editor going away (also one whose construction failed) is no longer
  // this plug-in's editor; another editor stays.
  void forgetEditor(const AEffEditor* old) {
    if (editor == old) setEditor(nullptr);
  }

  // The host callback, or 0 when there is no host.
  VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                     void* ptr = nullptr, float opt = 0.0f);

 protected:
  void setFlag(VstInt32 bit, bool state);

  float sampleRate = 44100.0f;
  AEffEditor* editor = nullptr;
  audioMasterCallback audioMaster = nullptr;
  VstInt32 numPrograms = 0;
  VstInt32 numParams = 0;
  // Switched on the user-interface thread, read by parameter changes from any thread.
  Relaxed<VstInt32> curProgram{0};
  VstInt32 blockSize = 1024;
  AEffect cEffect{};
};

// Text helpers shared with the processors' displays: fixed buffers, always terminated.
namespace vsttext {
// Copies at most maxChars characters of src and terminates dst.
void copy(char* dst, const char* src, size_t maxChars);
}  // namespace vsttext
