#include "AudioEffectX.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

const char* const AudioEffectX::plugCanDos[26] = {
    "sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "receiveVstEvents",
    "receiveVstMidiEvent", "receiveVstTimeInfo", "offline", "plugAsChannelInsert",
    "plugAsSend", "mixDryWet", "noRealTime", "multipass", "metapass", "1in1out", "1in2out",
    "2in1out", "2in2out", "2in4out", "4in2out", "4in4out", "4in8out", "8in4out", "8in8out",
    "midiProgramNames", "conformsToWindowRules", "bypass"};

const char* const AudioEffectX::hostCanDos[17] = {
    "sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo", "receiveVstEvents",
    "receiveVstMidiEvent", "receiveVstTimeInfo", "reportConnectionChanges", "acceptIOChanges",
    "sizeWindow", "asyncProcessing", "offline", "supplyIdle", "supportShell",
    "openFileSelector", "closeFileSelector", "editFile", "startStopProcess"};

namespace {

// Opcodes of this class whose ptr must be valid: a null ptr answers 0.
bool needsPointer(VstInt32 opcode) {
  switch (opcode) {
    case effString2Parameter: case effGetProgramNameIndexed: case effGetInputProperties:
    case effGetOutputProperties: case effGetEffectName: case effGetErrorText:
    case effGetVendorString: case effGetProductString: case effCanDo:
    case effGetParameterProperties: case effGetMidiProgramName: case effGetCurrentMidiProgram:
    case effGetMidiProgramCategory: case effGetMidiKeyName: case effShellGetNextPlugin:
    case effGetSpeakerArrangement:
      return true;
    default:
      return false;
  }
}

VstKeyCode keyCodeOf(VstInt32 index, VstIntPtr value, float opt) {
  VstKeyCode key{};
  key.character = index;
  key.virt = static_cast<unsigned char>(value & 0xFF);
  // The modifier travels in opt; anything that is not a small number is no modifier.
  key.modifier = (std::isfinite(opt) && std::fabs(opt) < 2147483520.0f)
                     ? static_cast<unsigned char>(static_cast<VstInt32>(opt) & 0xFF)
                     : 0;
  return key;
}

}  // namespace

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
  if (opcode < effProcessEvents || opcode >= kNumDispatcherOpcodes)
    return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
  if (needsPointer(opcode) && ptr == nullptr) return 0;
  char* text = static_cast<char*>(ptr);
  const VstInt32 value32 = static_cast<VstInt32>(value);
  switch (opcode) {
    case effProcessEvents: return processEvents(static_cast<VstEvents*>(ptr));
    case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
    case effString2Parameter: return string2parameter(index, text) ? 1 : 0;
    case effGetNumProgramCategories: return getNumCategories();
    case effGetProgramNameIndexed: return getProgramNameIndexed(value32, index, text) ? 1 : 0;
    case effCopyProgram: return copyProgram(index) ? 1 : 0;
    case effConnectInput: inputConnected(index, value != 0); return 1;
    case effConnectOutput: outputConnected(index, value != 0); return 1;
    case effGetInputProperties:
      return getInputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetOutputProperties:
      return getOutputProperties(index, static_cast<VstPinProperties*>(ptr)) ? 1 : 0;
    case effGetPlugCategory: return getPlugCategory();
    case effGetCurrentPosition: return reportCurrentPosition();
    case effGetDestinationBuffer: return reinterpret_cast<VstIntPtr>(reportDestinationBuffer());
    case effOfflineNotify:
      return offlineNotify(static_cast<VstAudioFile*>(ptr), value32, index != 0);
    case effOfflinePrepare: return offlinePrepare(static_cast<VstOfflineTask*>(ptr), value32);
    case effOfflineRun: return offlineRun(static_cast<VstOfflineTask*>(ptr), value32);
    case effProcessVarIo: return processVariableIo(static_cast<VstVariableIo*>(ptr)) ? 1 : 0;
    case effSetSpeakerArrangement:
      return setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                   static_cast<VstSpeakerArrangement*>(ptr))
                 ? 1
                 : 0;
    case effSetBlockSizeAndSampleRate: setBlockSizeAndSampleRate(value32, opt); return 1;
    case effSetBypass: return setBypass(value != 0) ? 1 : 0;
    case effGetEffectName: return getEffectName(text) ? 1 : 0;
    case effGetErrorText: return getErrorText(text) ? 1 : 0;
    case effGetVendorString: return getVendorString(text) ? 1 : 0;
    case effGetProductString: return getProductString(text) ? 1 : 0;
    case effGetVendorVersion: return getVendorVersion();
    case effVendorSpecific: return vendorSpecific(index, value, ptr, opt);
    case effCanDo: return canDo(text);
    case effGetTailSize: return getGetTailSize();
    case effIdle: return fxIdle();
    case effGetIcon: return reinterpret_cast<VstIntPtr>(getIcon());
    case effSetViewPosition: return setViewPosition(index, value32) ? 1 : 0;
    case effGetParameterProperties:
      return getParameterProperties(index, static_cast<VstParameterProperties*>(ptr)) ? 1 : 0;
    case effKeysRequired: return keysRequired() ? 0 : 1;
    case effGetVstVersion: return getVstVersion();
    case effEditKeyDown:
    case effEditKeyUp: {
      if (!editor) return 0;
      VstKeyCode key = keyCodeOf(index, value, opt);
      return opcode == effEditKeyDown ? editor->onKeyDown(key) : editor->onKeyUp(key);
    }
    case effSetEditKnobMode: return editor ? editor->setKnobMode(value32) : 0;
    case effGetMidiProgramName:
      return getMidiProgramName(index, static_cast<MidiProgramName*>(ptr));
    case effGetCurrentMidiProgram:
      return getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr));
    case effGetMidiProgramCategory:
      return getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr));
    case effHasMidiProgramsChanged: return hasMidiProgramsChanged(index) ? 1 : 0;
    case effGetMidiKeyName: return getMidiKeyName(index, static_cast<MidiKeyName*>(ptr)) ? 1 : 0;
    case effBeginSetProgram: return beginSetProgram() ? 1 : 0;
    case effEndSetProgram: return endSetProgram() ? 1 : 0;
    case effGetSpeakerArrangement: {
      auto** output = static_cast<VstSpeakerArrangement**>(ptr);
      auto** input = reinterpret_cast<VstSpeakerArrangement**>(value);
      if (input == nullptr) return 0;
      return getSpeakerArrangement(input, output) ? 1 : 0;
    }
    case effShellGetNextPlugin: return getNextShellPlugin(text);
    case effStartProcess: return startProcess();
    case effStopProcess: return stopProcess();
    case effSetTotalSampleToProcess: return setTotalSampleToProcess(value32);
    case effSetPanLaw: return setPanLaw(value32, opt) ? 1 : 0;
    case effBeginLoadBank: return beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr));
    case effBeginLoadProgram: return beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr));
    default: return 0;
  }
}

bool AudioEffectX::wantEvents(VstInt32 filter) {
  callHost(audioMasterWantMidi, 0, filter);
  return false;
}
VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
  return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}
VstInt32 AudioEffectX::tempoAt(VstInt32 pos) {
  return static_cast<VstInt32>(callHost(audioMasterTempoAt, 0, pos));
}
VstInt32 AudioEffectX::processEvents(VstEvents*) { return 0; }
VstInt32 AudioEffectX::getNumAutomatableParameters() {
  return static_cast<VstInt32>(callHost(audioMasterGetNumAutomatableParameters));
}
VstInt32 AudioEffectX::getParameterQuantization() {
  return static_cast<VstInt32>(callHost(audioMasterGetParameterQuantization));
}
bool AudioEffectX::canParameterBeAutomated(VstInt32) { return true; }
bool AudioEffectX::string2parameter(VstInt32, char*) { return false; }
float AudioEffectX::getChannelParameter(VstInt32, VstInt32) { return 0.0f; }
VstInt32 AudioEffectX::getNumCategories() { return 1; }
bool AudioEffectX::getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }
bool AudioEffectX::copyProgram(VstInt32) { return false; }
bool AudioEffectX::ioChanged() { return callHost(audioMasterIOChanged) != 0; }
bool AudioEffectX::needIdle() { return callHost(audioMasterNeedIdle) != 0; }
bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
  return callHost(audioMasterSizeWindow, width, height) != 0;
}
double AudioEffectX::updateSampleRate() {
  const VstIntPtr answer = callHost(audioMasterGetSampleRate);
  if (answer > 0) sampleRate = static_cast<float>(answer);
  return sampleRate;
}
VstInt32 AudioEffectX::updateBlockSize() {
  const VstIntPtr answer = callHost(audioMasterGetBlockSize);
  if (answer > 0) blockSize = static_cast<VstInt32>(answer);
  return blockSize;
}
VstInt32 AudioEffectX::getInputLatency() {
  return static_cast<VstInt32>(callHost(audioMasterGetInputLatency));
}
VstInt32 AudioEffectX::getOutputLatency() {
  return static_cast<VstInt32>(callHost(audioMasterGetOutputLatency));
}
AEffect* AudioEffectX::getPreviousPlug(VstInt32) {
  return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}
AEffect* AudioEffectX::getNextPlug(VstInt32) {
  return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}
void AudioEffectX::inputConnected(VstInt32, bool) {}
void AudioEffectX::outputConnected(VstInt32, bool) {}
bool AudioEffectX::getInputProperties(VstInt32, VstPinProperties*) { return false; }
bool AudioEffectX::getOutputProperties(VstInt32, VstPinProperties*) { return false; }
VstPlugCategory AudioEffectX::getPlugCategory() {
  return (cEffect.flags & effFlagsIsSynth) ? kPlugCategSynth : kPlugCategUnknown;
}
VstInt32 AudioEffectX::willProcessReplacing() {
  return static_cast<VstInt32>(callHost(audioMasterWillReplaceOrAccumulate));
}
VstInt32 AudioEffectX::getCurrentProcessLevel() {
  return static_cast<VstInt32>(callHost(audioMasterGetCurrentProcessLevel));
}
VstInt32 AudioEffectX::getAutomationState() {
  return static_cast<VstInt32>(callHost(audioMasterGetAutomationState));
}
void AudioEffectX::wantAsyncOperation(bool state) { setFlag(effFlagsExtIsAsync, state); }
void AudioEffectX::hasExternalBuffer(bool state) { setFlag(effFlagsExtHasBuffer, state); }
VstInt32 AudioEffectX::reportCurrentPosition() { return 0; }
float* AudioEffectX::reportDestinationBuffer() { return nullptr; }
bool AudioEffectX::offlineRead(VstOfflineTask* offline, VstInt32 option, bool readSource) {
  return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}
bool AudioEffectX::offlineWrite(VstOfflineTask* offline, VstInt32 option) {
  return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}
bool AudioEffectX::offlineStart(VstAudioFile* files, VstInt32 numAudioFiles,
                                VstInt32 numNewAudioFiles) {
  return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, files) != 0;
}
VstInt32 AudioEffectX::offlineGetCurrentPass() {
  return callHost(audioMasterOfflineGetCurrentPass) != 0;
}
VstInt32 AudioEffectX::offlineGetCurrentMetaPass() {
  return callHost(audioMasterOfflineGetCurrentMetaPass) != 0;
}
bool AudioEffectX::offlineNotify(VstAudioFile*, VstInt32, bool) { return false; }
bool AudioEffectX::offlinePrepare(VstOfflineTask*, VstInt32) { return false; }
bool AudioEffectX::offlineRun(VstOfflineTask*, VstInt32) { return false; }
VstInt32 AudioEffectX::offlineGetNumPasses() { return 0; }
VstInt32 AudioEffectX::offlineGetNumMetaPasses() { return 0; }
void AudioEffectX::setOutputSamplerate(float rate) {
  callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, rate);
}
VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
  return reinterpret_cast<VstSpeakerArrangement*>(
      callHost(audioMasterGetInputSpeakerArrangement));
}
VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
  return reinterpret_cast<VstSpeakerArrangement*>(
      callHost(audioMasterGetOutputSpeakerArrangement));
}
bool AudioEffectX::getHostVendorString(char* text) {
  return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}
bool AudioEffectX::getHostProductString(char* text) {
  return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}
VstInt32 AudioEffectX::getHostVendorVersion() {
  return static_cast<VstInt32>(callHost(audioMasterGetVendorVersion));
}
VstIntPtr AudioEffectX::hostVendorSpecific(VstInt32 arg1, VstIntPtr arg2, void* ptrArg,
                                           float floatArg) {
  return callHost(audioMasterVendorSpecific, arg1, arg2, ptrArg, floatArg);
}
VstInt32 AudioEffectX::canHostDo(char* text) {
  return callHost(audioMasterCanDo, 0, 0, text) != 0;
}
void AudioEffectX::isSynth(bool state) { setFlag(effFlagsIsSynth, state); }
void AudioEffectX::noTail(bool state) { setFlag(effFlagsNoSoundInStop, state); }
VstInt32 AudioEffectX::getHostLanguage() {
  return static_cast<VstInt32>(callHost(audioMasterGetLanguage));
}
void* AudioEffectX::openWindow(void* window) {
  return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}
bool AudioEffectX::closeWindow(void* window) {
  return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}
void* AudioEffectX::getDirectory() {
  return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}
bool AudioEffectX::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }
bool AudioEffectX::processVariableIo(VstVariableIo*) { return false; }
bool AudioEffectX::setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) {
  return false;
}
bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** pluginInput,
                                         VstSpeakerArrangement** pluginOutput) {
  if (pluginInput) *pluginInput = nullptr;
  if (pluginOutput) *pluginOutput = nullptr;
  return false;
}
void AudioEffectX::setBlockSizeAndSampleRate(VstInt32 newBlockSize, float newSampleRate) {
  blockSize = newBlockSize;
  sampleRate = newSampleRate;
}
bool AudioEffectX::setBypass(bool) { return false; }
bool AudioEffectX::getEffectName(char*) { return false; }
bool AudioEffectX::getErrorText(char*) { return false; }
bool AudioEffectX::getVendorString(char*) { return false; }
bool AudioEffectX::getProductString(char*) { return false; }
VstInt32 AudioEffectX::getVendorVersion() { return 0; }
VstIntPtr AudioEffectX::vendorSpecific(VstInt32, VstIntPtr, void*, float) { return 0; }
VstInt32 AudioEffectX::canDo(char*) { return 0; }
void* AudioEffectX::getIcon() { return nullptr; }
bool AudioEffectX::setViewPosition(VstInt32, VstInt32) { return false; }
VstInt32 AudioEffectX::getGetTailSize() { return 0; }
VstInt32 AudioEffectX::fxIdle() { return 0; }
bool AudioEffectX::getParameterProperties(VstInt32, VstParameterProperties*) { return false; }
bool AudioEffectX::keysRequired() { return false; }
VstInt32 AudioEffectX::getVstVersion() { return 2300; }
VstInt32 AudioEffectX::getMidiProgramName(VstInt32, MidiProgramName*) { return 0; }
VstInt32 AudioEffectX::getCurrentMidiProgram(VstInt32, MidiProgramName*) { return -1; }
VstInt32 AudioEffectX::getMidiProgramCategory(VstInt32, MidiProgramCategory*) { return 0; }
bool AudioEffectX::hasMidiProgramsChanged(VstInt32) { return false; }
bool AudioEffectX::getMidiKeyName(VstInt32, MidiKeyName*) { return false; }
bool AudioEffectX::beginSetProgram() { return false; }
bool AudioEffectX::endSetProgram() { return false; }
bool AudioEffectX::beginEdit(VstInt32 index) { return callHost(audioMasterBeginEdit, index) != 0; }
bool AudioEffectX::endEdit(VstInt32 index) { return callHost(audioMasterEndEdit, index) != 0; }
bool AudioEffectX::openFileSelector(VstFileSelect* select) {
  return select != nullptr && callHost(audioMasterOpenFileSelector, 0, 0, select) != 0;
}
bool AudioEffectX::closeFileSelector(VstFileSelect* select) {
  return select != nullptr && callHost(audioMasterCloseFileSelector, 0, 0, select) != 0;
}
bool AudioEffectX::getChunkFile(void* nativePath) {
  return nativePath != nullptr && callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}
bool AudioEffectX::sendVstEventsToHost(VstEvents* events) {
  return callHost(audioMasterProcessEvents, 0, 0, events) == 1;
}
VstInt32 AudioEffectX::setTotalSampleToProcess(VstInt32 value) { return value; }
VstInt32 AudioEffectX::getNextShellPlugin(char*) { return 0; }
VstInt32 AudioEffectX::startProcess() { return 0; }
VstInt32 AudioEffectX::stopProcess() { return 0; }
bool AudioEffectX::setPanLaw(VstInt32, float) { return false; }
VstInt32 AudioEffectX::beginLoadBank(VstPatchChunkInfo*) { return 0; }
VstInt32 AudioEffectX::beginLoadProgram(VstPatchChunkInfo*) { return 0; }

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 channels) {
  if (arrangement == nullptr || channels < 0) return false;
  if (*arrangement) {
    std::free(*arrangement);
    *arrangement = nullptr;
  }
  // Room for at least the fixed eight speakers, so the record's declared size is always valid.
  const size_t speakers = channels > 8 ? static_cast<size_t>(channels) : 8;
  const size_t bytes = offsetof(VstSpeakerArrangement, speakers) +
                       speakers * sizeof(VstSpeakerProperties);
  auto* block = static_cast<VstSpeakerArrangement*>(std::calloc(1, bytes));
  if (block == nullptr) return false;
  block->numChannels = channels;
  *arrangement = block;
  return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
  if (arrangement && *arrangement) {
    std::free(*arrangement);
    *arrangement = nullptr;
  }
  return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
  if (to == nullptr || from == nullptr) return false;
  vsttext::copy(to->name, from->name, sizeof(to->name) - 1);
  to->type = from->type;
  to->azimuth = from->azimuth;
  to->elevation = from->elevation;
  to->radius = from->radius;
  to->reserved = from->reserved;
  std::memcpy(to->future, from->future, sizeof(to->future));
  return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
  if (from == nullptr || to == nullptr) return false;
  if (!deallocateArrangement(to) || !allocateArrangement(to, from->numChannels)) return false;
  (*to)->type = from->type;
  // The records run past the declared eight when there are more channels.
  VstSpeakerProperties* target = (*to)->speakers;
  VstSpeakerProperties* source = from->speakers;
  for (VstInt32 i = 0; i < from->numChannels; ++i)
    if (!copySpeaker(target + i, source + i)) return false;
  return true;
}
