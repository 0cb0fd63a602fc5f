// The effect record and the plain types that cross the plug-in binary interface
// (64-bit Linux layout). Everything here is declared from the published facts of
// the interface; offsets are checked at compile time.
#pragma once

#include <cstddef>
#include <cstdint>

using VstInt32 = int32_t;
using VstIntPtr = intptr_t;

struct AEffect;

using audioMasterCallback = VstIntPtr (*)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                          VstIntPtr value, void* ptr, float opt);
using AEffectDispatcherProc = VstIntPtr (*)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                            VstIntPtr value, void* ptr, float opt);
using AEffectProcessProc = void (*)(AEffect* effect, float** inputs, float** outputs,
                                    VstInt32 sampleFrames);
using AEffectSetParameterProc = void (*)(AEffect* effect, VstInt32 index, float value);
using AEffectGetParameterProc = float (*)(AEffect* effect, VstInt32 index);

// Four characters packed with the first one in the most significant byte.
constexpr VstInt32 fourCharCode(char a, char b, char c, char d) {
  return static_cast<VstInt32>((static_cast<uint32_t>(static_cast<unsigned char>(a)) << 24) |
                               (static_cast<uint32_t>(static_cast<unsigned char>(b)) << 16) |
                               (static_cast<uint32_t>(static_cast<unsigned char>(c)) << 8) |
                               static_cast<uint32_t>(static_cast<unsigned char>(d)));
}

constexpr VstInt32 kEffectMagic = fourCharCode('V', 's', 't', 'P');

struct AEffect {
  VstInt32 magic;
  AEffectDispatcherProc dispatcher;
  AEffectProcessProc process;
  AEffectSetParameterProc setParameter;
  AEffectGetParameterProc getParameter;
  VstInt32 numPrograms;
  VstInt32 numParams;
  VstInt32 numInputs;
  VstInt32 numOutputs;
  VstInt32 flags;
  VstIntPtr resvd1;
  VstIntPtr resvd2;
  VstInt32 initialDelay;
  VstInt32 realQualities;
  VstInt32 offQualities;
  float ioRatio;
  void* object;
  void* user;
  VstInt32 uniqueID;
  VstInt32 version;
  AEffectProcessProc processReplacing;
  void* unusedSlot;
  char future[56];
};

static_assert(sizeof(AEffect) == 192);
static_assert(offsetof(AEffect, dispatcher) == 8);
static_assert(offsetof(AEffect, process) == 16);
static_assert(offsetof(AEffect, setParameter) == 24);
static_assert(offsetof(AEffect, getParameter) == 32);
static_assert(offsetof(AEffect, numPrograms) == 40);
static_assert(offsetof(AEffect, numParams) == 44);
static_assert(offsetof(AEffect, numInputs) == 48);
static_assert(offsetof(AEffect, numOutputs) == 52);
static_assert(offsetof(AEffect, flags) == 56);
static_assert(offsetof(AEffect, resvd1) == 64);
static_assert(offsetof(AEffect, resvd2) == 72);
static_assert(offsetof(AEffect, initialDelay) == 80);
static_assert(offsetof(AEffect, realQualities) == 84);
static_assert(offsetof(AEffect, offQualities) == 88);
static_assert(offsetof(AEffect, ioRatio) == 92);
static_assert(offsetof(AEffect, object) == 96);
static_assert(offsetof(AEffect, user) == 104);
static_assert(offsetof(AEffect, uniqueID) == 112);
static_assert(offsetof(AEffect, version) == 116);
static_assert(offsetof(AEffect, processReplacing) == 120);
static_assert(offsetof(AEffect, unusedSlot) == 128);
static_assert(offsetof(AEffect, future) == 136);

// Flag bits of AEffect::flags.
enum : VstInt32 {
  effFlagsHasEditor = 1,
  effFlagsHasClip = 2,
  effFlagsHasVu = 4,
  effFlagsCanMono = 8,
  effFlagsCanReplacing = 16,
  effFlagsProgramChunks = 32,
  effFlagsIsSynth = 256,
  effFlagsNoSoundInStop = 512,
  effFlagsExtIsAsync = 1024,
  effFlagsExtHasBuffer = 2048,
};

// Dispatcher opcodes (host to plug-in).
enum : VstInt32 {
  effOpen = 0, effClose, effSetProgram, effGetProgram, effSetProgramName, effGetProgramName,
  effGetParamLabel, effGetParamDisplay, effGetParamName, effGetVu, effSetSampleRate,
  effSetBlockSize, effMainsChanged, effEditGetRect, effEditOpen, effEditClose, effEditDraw,
  effEditMouse, effEditKey, effEditIdle, effEditTop, effEditSleep, effIdentify, effGetChunk,
  effSetChunk,
  effProcessEvents = 25, effCanBeAutomated, effString2Parameter, effGetNumProgramCategories,
  effGetProgramNameIndexed, effCopyProgram, effConnectInput, effConnectOutput,
  effGetInputProperties, effGetOutputProperties, effGetPlugCategory, effGetCurrentPosition,
  effGetDestinationBuffer, effOfflineNotify, effOfflinePrepare, effOfflineRun,
  effProcessVarIo, effSetSpeakerArrangement, effSetBlockSizeAndSampleRate, effSetBypass,
  effGetEffectName, effGetErrorText, effGetVendorString, effGetProductString,
  effGetVendorVersion, effVendorSpecific, effCanDo, effGetTailSize, effIdle, effGetIcon,
  effSetViewPosition, effGetParameterProperties, effKeysRequired, effGetVstVersion,
  effEditKeyDown, effEditKeyUp, effSetEditKnobMode, effGetMidiProgramName,
  effGetCurrentMidiProgram, effGetMidiProgramCategory, effHasMidiProgramsChanged,
  effGetMidiKeyName, effBeginSetProgram, effEndSetProgram, effGetSpeakerArrangement,
  effShellGetNextPlugin, effStartProcess, effStopProcess, effSetTotalSampleToProcess,
  effSetPanLaw, effBeginLoadBank, effBeginLoadProgram,
  kNumDispatcherOpcodes  // 77
};
static_assert(kNumDispatcherOpcodes == 77);

// Host requests (plug-in to host).
enum : VstInt32 {
  audioMasterAutomate = 0, audioMasterVersion, audioMasterCurrentId, audioMasterIdle,
  audioMasterPinConnected,
  audioMasterWantMidi = 6, audioMasterGetTime, audioMasterProcessEvents,
  audioMasterTempoAt = 10, audioMasterGetNumAutomatableParameters,
  audioMasterGetParameterQuantization, audioMasterIOChanged, audioMasterNeedIdle,
  audioMasterSizeWindow, audioMasterGetSampleRate, audioMasterGetBlockSize,
  audioMasterGetInputLatency, audioMasterGetOutputLatency, audioMasterGetPreviousPlug,
  audioMasterGetNextPlug, audioMasterWillReplaceOrAccumulate, audioMasterGetCurrentProcessLevel,
  audioMasterGetAutomationState, audioMasterOfflineStart, audioMasterOfflineRead,
  audioMasterOfflineWrite, audioMasterOfflineGetCurrentPass, audioMasterOfflineGetCurrentMetaPass,
  audioMasterSetOutputSampleRate, audioMasterGetOutputSpeakerArrangement,
  audioMasterGetVendorString, audioMasterGetProductString, audioMasterGetVendorVersion,
  audioMasterVendorSpecific,
  audioMasterCanDo = 37, audioMasterGetLanguage, audioMasterOpenWindow, audioMasterCloseWindow,
  audioMasterGetDirectory, audioMasterUpdateDisplay, audioMasterBeginEdit, audioMasterEndEdit,
  audioMasterOpenFileSelector, audioMasterCloseFileSelector,
  audioMasterGetChunkFile = 48, audioMasterGetInputSpeakerArrangement,
};
static_assert(audioMasterGetInputSpeakerArrangement == 49);
static_assert(audioMasterEndEdit == 44);

// Plug-in categories.
enum VstPlugCategory : VstInt32 {
  kPlugCategUnknown = 0, kPlugCategEffect, kPlugCategSynth, kPlugCategAnalysis,
  kPlugCategMastering, kPlugCategSpacializer, kPlugCategRoomFx, kPlugSurroundFx,
};

// Editor rectangle: four signed 16-bit coordinates.
struct ERect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};
static_assert(sizeof(ERect) == 8);

struct VstKeyCode {
  VstInt32 character;
  unsigned char virt;
  unsigned char modifier;  // kKeyMod* bits
};
static_assert(sizeof(VstKeyCode) == 8);

// The modifier bits of a key record.
inline constexpr unsigned char kKeyModShift = 1;
inline constexpr unsigned char kKeyModAlternate = 2;
inline constexpr unsigned char kKeyModCommand = 4;
inline constexpr unsigned char kKeyModControl = 8;

// The virtual key numbers of a key record (0: a plain character).
inline constexpr unsigned char kVKeyLeft = 11;
inline constexpr unsigned char kVKeyUp = 12;
inline constexpr unsigned char kVKeyRight = 13;
inline constexpr unsigned char kVKeyDown = 14;

// The longest texts the host's buffers take, terminating zero not counted:
// program, parameter name, label and display; effect name; vendor, product
// and pin labels.
inline constexpr size_t kShortTextChars = 23;
inline constexpr size_t kEffectNameChars = 31;
inline constexpr size_t kLongTextChars = 63;

enum : VstInt32 { kVstPinIsActive = 1, kVstPinIsStereo = 2, kVstPinUseSpeaker = 4 };

struct VstPinProperties {
  char label[64];
  VstInt32 flags;
  VstInt32 arrangementType;
  char shortLabel[8];
  char future[48];
};
static_assert(sizeof(VstPinProperties) == 128);
static_assert(offsetof(VstPinProperties, flags) == 64);

struct VstSpeakerProperties {
  float azimuth;
  float elevation;
  float radius;
  float reserved;
  char name[64];
  VstInt32 type;
  char future[28];
};
static_assert(sizeof(VstSpeakerProperties) == 112);

struct VstSpeakerArrangement {
  VstInt32 type;
  VstInt32 numChannels;
  VstSpeakerProperties speakers[8];
};
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8);

// Records the frame only passes through as opaque pointers.
struct VstEvents;
struct VstTimeInfo;
struct VstVariableIo;
struct VstAudioFile;
struct VstOfflineTask;
struct VstParameterProperties;
struct MidiProgramName;
struct MidiProgramCategory;
struct MidiKeyName;
struct VstFileSelect;
struct VstPatchChunkInfo;
