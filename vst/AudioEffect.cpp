#include "AudioEffect.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "HostBoundary.h"

VstInt32 oome = 0;

namespace {

AudioEffect* objectOf(AEffect* e) { return static_cast<AudioEffect*>(e->object); }

VstIntPtr dispatchEffectClass(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt) {
  AudioEffect* effect = objectOf(e);
  if (opcode == effClose) {
    // The host's last request: the object goes whatever its close did.
    answerAtBoundary([&] { effect->dispatcher(opcode, index, value, ptr, opt); });
    delete effect;
    return 1;
  }
  return answerAtBoundary(VstIntPtr{0},
                          [&] { return effect->dispatcher(opcode, index, value, ptr, opt); });
}

void processClass(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
  answerAtBoundary([&] { objectOf(e)->process(inputs, outputs, sampleFrames); });
}

void processClassReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
  answerAtBoundary([&] { objectOf(e)->processReplacing(inputs, outputs, sampleFrames); });
}

void setParameterClass(AEffect* e, VstInt32 index, float value) {
  answerAtBoundary([&] { objectOf(e)->setParameter(index, value); });
}

float getParameterClass(AEffect* e, VstInt32 index) {
  return answerAtBoundary(0.0f, [&] { return objectOf(e)->getParameter(index); });
}

// Opcodes whose ptr is a text or record the plug-in reads or writes: a null
// ptr makes them do nothing and answer 0.
bool needsPointer(VstInt32 opcode) {
  switch (opcode) {
    case effSetProgramName: case effGetProgramName: case effGetParamLabel:
    case effGetParamDisplay: case effGetParamName: case effEditGetRect: case effGetChunk:
      return true;
    default:
      return false;
  }
}

}  // namespace

namespace vsttext {
void copy(char* dst, const char* src, size_t maxChars) {
  size_t n = 0;
  while (n < maxChars && src[n] != 0) {
    dst[n] = src[n];
    ++n;
  }
  dst[n] = 0;
}
}  // namespace vsttext

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms,
                         VstInt32 numParams)
    : audioMaster{audioMaster}, numPrograms{numPrograms}, numParams{numParams} {
  std::memset(&cEffect, 0, sizeof(cEffect));
  cEffect.magic = kEffectMagic;
  cEffect.dispatcher = dispatchEffectClass;
  cEffect.process = processClass;
  cEffect.setParameter = setParameterClass;
  cEffect.getParameter = getParameterClass;
  cEffect.numPrograms = numPrograms;
  cEffect.numParams = numParams;
  cEffect.numInputs = 1;
  cEffect.numOutputs = 2;
  cEffect.ioRatio = 1.0f;
  cEffect.object = this;
  cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
  cEffect.version = 1;
  cEffect.processReplacing = processClassReplacing;
}

AudioEffect::~AudioEffect() { delete editor; }

void AudioEffect::setParameter(VstInt32, float) {}
float AudioEffect::getParameter(VstInt32) { return 0.0f; }

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
  setParameter(index, value);
  callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::processReplacing(float**, float**, VstInt32) {}

void AudioEffect::getParameterLabel(VstInt32, char* label) { label[0] = 0; }
void AudioEffect::getParameterDisplay(VstInt32, char* text) { text[0] = 0; }
void AudioEffect::getParameterName(VstInt32, char* text) { text[0] = 0; }
VstInt32 AudioEffect::getChunk(void**, bool) { return 0; }
VstInt32 AudioEffect::setChunk(void*, VstInt32, bool) { return 0; }

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt) {
  if (needsPointer(opcode) && ptr == nullptr) return 0;
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case effOpen: open(); return 0;
    case effClose: close(); return 0;
    case effSetProgram:
      // The full pointer-sized value is range-checked: 2^32 + 3 is not program 3.
      if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
      return 0;
    case effGetProgram: return getProgram();
    case effSetProgramName: setProgramName(text); return 0;
    case effGetProgramName: getProgramName(text); return 0;
    case effGetParamLabel: getParameterLabel(index, text); return 0;
    case effGetParamDisplay: getParameterDisplay(index, text); return 0;
    case effGetParamName: getParameterName(index, text); return 0;
    case effGetVu: {
      const float vu = getVu() * 32767.0f;
      // Truncation toward zero; out-of-range or non-finite meters answer 0 rather than overflow.
      if (!(std::fabs(vu) < 2147483520.0f)) return 0;
      return static_cast<VstInt32>(vu);
    }
    case effSetSampleRate: setSampleRate(opt); return 0;
    case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
    case effMainsChanged:
      if (value == 0) suspend(); else resume();
      return 0;
    case effEditGetRect: return editor ? editor->getRect(static_cast<ERect**>(ptr)) : 0;
    case effEditOpen:
      if (!editor) return 0;
      try {
        return editor->open(ptr);
      } catch (...) {
        // No half-built editor stays behind: its window and controls go
        // before the failure is answered at the boundary.
        editor->close();
        throw;
      }
    case effEditClose: if (editor) editor->close(); return 0;
    case effEditDraw: if (editor) editor->draw(static_cast<ERect*>(ptr)); return 0;
    case effEditMouse:
      return editor ? editor->mouse(index, static_cast<VstInt32>(value)) : 0;
    case effEditKey: return editor ? editor->key(static_cast<VstInt32>(value)) : 0;
    case effEditIdle: if (editor) editor->idle(); return 0;
    case effEditTop: if (editor) editor->top(); return 0;
    case effEditSleep: if (editor) editor->sleep(); return 0;
    case effIdentify: return fourCharCode('N', 'v', 'E', 'f');
    case effGetChunk: return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk: return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default: return 0;
  }
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
  editor = newEditor;
  setFlag(effFlagsHasEditor, newEditor != nullptr);
}

void AudioEffect::setFlag(VstInt32 bit, bool state) {
  if (state)
    cEffect.flags |= bit;
  else
    cEffect.flags &= ~bit;
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                float opt) {
  return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

VstInt32 AudioEffect::getMasterVersion() {
  const VstIntPtr version = callHost(audioMasterVersion);
  return version == 0 ? 1 : static_cast<VstInt32>(version);
}

VstInt32 AudioEffect::getCurrentUniqueId() {
  return static_cast<VstInt32>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle() { callHost(audioMasterIdle); }

bool AudioEffect::isInputConnected(VstInt32 input) {
  return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
  return callHost(audioMasterPinConnected, output, 1) == 0;
}

// Fixed point in eight characters, digits truncated. Integer parts that need
// more characters than the budget leaves (positive from 10^7, negative from
// -10^6) show "Huge!" rather than a number with its leading digits cut off;
// a non-finite value shows "NaN" or "Huge!".
void AudioEffect::float2string(float value, char* text) {
  double v = value;
  if (std::isnan(v)) {
    vsttext::copy(text, "NaN", 8);
    return;
  }
  int count = 0;
  bool negative = false;
  if (v < 0) {
    negative = true;
    v = -v;
    count = 1;
    if (v >= 1000000.0) {
      vsttext::copy(text, "Huge!", 8);
      return;
    }
  } else if (v >= 10000000.0) {
    vsttext::copy(text, "Huge!", 8);
    return;
  }

  char digits[16];
  int pos = 15;
  digits[pos] = 0;
  digits[--pos] = '.';
  count++;
  double integer = std::floor(v);
  digits[--pos] = static_cast<char>(static_cast<int>(std::fmod(integer, 10.0)) + '0');
  integer /= 10.0;
  count++;
  while (integer >= 1.0 && count <= 7) {
    digits[--pos] = static_cast<char>(static_cast<int>(std::fmod(integer, 10.0)) + '0');
    integer /= 10.0;
    count++;
  }
  if (negative) digits[--pos] = '-';
  std::strcpy(text, digits + pos);
  if (count >= 8) return;

  const int fractionDigits = 8 - count;
  double fraction = std::fmod(v, 1.0) * std::pow(10.0, fractionDigits);
  char tail[9];
  tail[fractionDigits] = 0;
  for (int i = fractionDigits - 1; i >= 0; --i) {
    if (fraction <= 0.0) {
      tail[i] = '0';
    } else {
      tail[i] = static_cast<char>(static_cast<int>(std::fmod(fraction, 10.0)) + '0');
      fraction /= 10.0;
    }
  }
  std::strcat(text, tail);
}

void AudioEffect::long2string(VstInt32 value, char* text) {
  if (value > 99999999) {
    vsttext::copy(text, "Huge!", 8);
    return;
  }
  char scratch[32];
  std::snprintf(scratch, sizeof scratch, "%7d", value);
  vsttext::copy(text, scratch, 8);
}

void AudioEffect::dB2string(float value, char* text) {
  if (value <= 0.0f) {
    // Minus infinity, in UTF-8 as Linux hosts read texts.
    vsttext::copy(text, "-\xE2\x88\x9E", 8);
    return;
  }
  float2string(static_cast<float>(20.0 * std::log10(static_cast<double>(value))), text);
}

void AudioEffect::Hz2string(float samples, char* text) {
  if (samples == 0.0f)
    float2string(0.0f, text);
  else
    float2string(getSampleRate() / samples, text);
}

void AudioEffect::ms2string(float samples, char* text) {
  float2string(static_cast<float>(samples * 1000.0 / getSampleRate()), text);
}
