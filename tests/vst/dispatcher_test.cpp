// The frame's dispatcher and host requests: what each opcode answers, what
// reaches the plug-in, what is sent to the host, and that bad arguments
// (null pointers, out-of-range values) do nothing.
#include <gtest/gtest.h>

#include <cstring>

#include "test_effect.h"

namespace {

VstIntPtr dispatch(AudioEffect& effect, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                   void* ptr = nullptr, float opt = 0.0f) {
  AEffect* record = effect.getAeffect();
  return record->dispatcher(record, opcode, index, value, ptr, opt);
}

TEST(EffectRecord, ConstructorDefaults) {
  TestEffect effect;
  const AEffect* e = effect.getAeffect();
  EXPECT_EQ(e->magic, 0x56737450);
  EXPECT_EQ(e->numPrograms, 4);
  EXPECT_EQ(e->numParams, 2);
  EXPECT_EQ(e->numInputs, 1);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags, 0);
  EXPECT_EQ(e->uniqueID, 0x4E6F4566);
  EXPECT_EQ(e->version, 1);
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(e->object, &effect);
  EXPECT_EQ(e->unusedSlot, nullptr);
}

TEST(EffectRecord, FlagSettersTouchOnlyTheirBit) {
  TestEffect effect;
  const struct {
    void (*set)(TestEffect&, bool);
    VstInt32 bit;
  } setters[] = {
      {[](TestEffect& e, bool s) { e.hasClip(s); }, 2},
      {[](TestEffect& e, bool s) { e.hasVu(s); }, 4},
      {[](TestEffect& e, bool s) { e.canMono(s); }, 8},
      {[](TestEffect& e, bool s) { e.canProcessReplacing(s); }, 16},
      {[](TestEffect& e, bool s) { e.programsAreChunks(s); }, 32},
      {[](TestEffect& e, bool s) { e.isSynth(s); }, 256},
      {[](TestEffect& e, bool s) { e.noTail(s); }, 512},
      {[](TestEffect& e, bool s) { e.wantAsyncOperation(s); }, 1024},
      {[](TestEffect& e, bool s) { e.hasExternalBuffer(s); }, 2048},
  };
  VstInt32 expected = 0;
  for (const auto& s : setters) {
    s.set(effect, true);
    expected |= s.bit;
    EXPECT_EQ(effect.getAeffect()->flags, expected);
  }
  for (const auto& s : setters) {
    s.set(effect, false);
    expected &= ~s.bit;
    EXPECT_EQ(effect.getAeffect()->flags, expected);
  }
}

TEST(EffectRecord, EditorFlagFollowsSetEditor) {
  TestEffect effect;
  auto* editor = new RecordingEditor{&effect};
  effect.setEditor(editor);
  EXPECT_EQ(effect.getAeffect()->flags & 1, 1);
  effect.setEditor(nullptr);
  EXPECT_EQ(effect.getAeffect()->flags & 1, 0);
  delete editor;
}

TEST(Dispatcher, BasicOpcodes) {
  TestEffect effect;
  effect.vu = 0.5f;
  EXPECT_EQ(dispatch(effect, effGetVu), 16383);
  effect.vu = -0.5f;
  EXPECT_EQ(dispatch(effect, effGetVu), -16383);
  effect.vu = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(dispatch(effect, effGetVu), 0);
  EXPECT_EQ(dispatch(effect, effIdentify, 99, 99, &effect, 9.0f), 0x4E764566);
  EXPECT_EQ(dispatch(effect, effGetVstVersion), 2300);
  EXPECT_EQ(dispatch(effect, effKeysRequired), 1);
  EXPECT_EQ(dispatch(effect, effConnectInput, 0, 0), 1);
  EXPECT_EQ(dispatch(effect, effConnectOutput, 3, 1), 1);
  char text[] = "bypass";
  EXPECT_EQ(dispatch(effect, effCanDo, 0, 0, text), 0);
  EXPECT_EQ(dispatch(effect, effGetPlugCategory), kPlugCategUnknown);
  effect.isSynth(true);
  EXPECT_EQ(dispatch(effect, effGetPlugCategory), kPlugCategSynth);
  EXPECT_EQ(dispatch(effect, effSetBlockSizeAndSampleRate, 0, 256, nullptr, 96000.0f), 1);
  EXPECT_EQ(effect.getBlockSize(), 256);
  EXPECT_EQ(effect.getSampleRate(), 96000.0f);
  dispatch(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  dispatch(effect, effSetBlockSize, 0, 64);
  EXPECT_EQ(effect.getSampleRate(), 48000.0f);
  EXPECT_EQ(effect.getBlockSize(), 64);
  EXPECT_EQ(dispatch(effect, effSetTotalSampleToProcess, 0, 777), 777);
  char midiName[256] = {};
  EXPECT_EQ(dispatch(effect, effGetCurrentMidiProgram, 0, 0, midiName), -1);
  for (VstInt32 opcode : {77, 78, 1000, -1}) EXPECT_EQ(dispatch(effect, opcode, 1, 1), 0);
}

TEST(Dispatcher, MainsChangedSuspendsOnZeroOnly) {
  TestEffect effect;
  dispatch(effect, effMainsChanged, 0, 0);
  dispatch(effect, effMainsChanged, 0, 1);
  dispatch(effect, effMainsChanged, 0, 7);
  EXPECT_EQ(effect.suspends, 1);
  EXPECT_EQ(effect.resumes, 2);
}

TEST(Dispatcher, SetProgramChecksTheWholePointerSizedValue) {
  TestEffect effect;  // 4 programs
  const VstIntPtr rejected[] = {4, -1, (VstIntPtr{1} << 32) + 3, INTPTR_MIN};
  for (VstIntPtr value : rejected) dispatch(effect, effSetProgram, 0, value);
  EXPECT_EQ(effect.programChanges, 0);
  dispatch(effect, effSetProgram, 0, 3);
  EXPECT_EQ(effect.programChanges, 1);
  EXPECT_EQ(dispatch(effect, effGetProgram), 3);
}

TEST(Dispatcher, NullPointersDoNothing) {
  TestEffect effect;
  const VstInt32 pointerOpcodes[] = {
      effSetProgramName, effGetProgramName, effGetParamLabel, effGetParamDisplay,
      effGetParamName, effEditGetRect, effGetChunk, effString2Parameter,
      effGetProgramNameIndexed, effGetInputProperties, effGetOutputProperties,
      effGetEffectName, effGetErrorText, effGetVendorString, effGetProductString, effCanDo,
      effGetParameterProperties, effGetMidiProgramName, effGetCurrentMidiProgram,
      effGetMidiProgramCategory, effGetMidiKeyName, effShellGetNextPlugin,
      effGetSpeakerArrangement};
  for (VstInt32 opcode : pointerOpcodes)
    EXPECT_EQ(dispatch(effect, opcode, 0, 0, nullptr), 0) << "opcode " << opcode;
}

TEST(Dispatcher, EditorOpcodesWithoutEditorAnswerZero) {
  TestEffect effect;
  ERect* rect = reinterpret_cast<ERect*>(&effect);
  for (VstInt32 opcode = effEditGetRect; opcode <= effEditSleep; ++opcode)
    EXPECT_EQ(dispatch(effect, opcode, 1, 1, &rect), 0);
  for (VstInt32 opcode : {effEditKeyDown, effEditKeyUp, effSetEditKnobMode})
    EXPECT_EQ(dispatch(effect, opcode, 65, 1, nullptr, 3.0f), 0);
}

TEST(Dispatcher, KeyCodeIsBuiltFromIndexValueAndOpt) {
  TestEffect effect;
  auto* editor = new RecordingEditor{&effect};
  effect.setEditor(editor);  // the effect owns and deletes it
  EXPECT_EQ(dispatch(effect, effEditKeyDown, 65, 0x1FF, nullptr, 3.7f), 1);
  EXPECT_EQ(editor->lastKey.character, 65);
  EXPECT_EQ(editor->lastKey.virt, 255);
  EXPECT_EQ(editor->lastKey.modifier, 3);
  EXPECT_EQ(dispatch(effect, effEditKeyUp, 65, 0, nullptr, 0.0f), -1);
  EXPECT_EQ(dispatch(effect, effSetEditKnobMode, 0, 2), 1);
  EXPECT_EQ(editor->knobMode, 2);
  // A non-finite modifier cannot be converted: it is no modifier.
  dispatch(effect, effEditKeyDown, 66, 0, nullptr, std::numeric_limits<float>::infinity());
  EXPECT_EQ(editor->lastKey.modifier, 0);
}

TEST(Dispatcher, CloseThroughTheTrampolineDeletesTheObject) {
  static int destroyed = 0;
  struct Counted : TestEffect {
    ~Counted() override { ++destroyed; }
  };
  auto* effect = new Counted;
  AEffect* record = effect->getAeffect();
  EXPECT_EQ(record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f), 1);
  EXPECT_EQ(destroyed, 1);
}

TEST(HostRequests, SentWithTheirArguments) {
  FakeHost::log.clear();
  FakeHost::answer = 1;
  TestEffect effect{FakeHost::callback};
  effect.setParameterAutomated(1, 0.25f);
  effect.beginEdit(3);
  effect.endEdit(3);
  effect.sizeWindow(300, 200);
  char text[64] = {};
  effect.canHostDo(text);
  ASSERT_EQ(FakeHost::log.size(), 5u);
  const RecordedRequest expected[] = {{0, 1, 0, 0.25f}, {43, 3, 0, 0.0f}, {44, 3, 0, 0.0f},
                                      {15, 300, 200, 0.0f}, {37, 0, 0, 0.0f}};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(FakeHost::log[i].opcode, expected[i].opcode);
    EXPECT_EQ(FakeHost::log[i].index, expected[i].index);
    EXPECT_EQ(FakeHost::log[i].value, expected[i].value);
    EXPECT_EQ(FakeHost::log[i].opt, expected[i].opt);
  }
}

TEST(HostRequests, AnswersAndDefaults) {
  FakeHost::log.clear();
  TestEffect hosted{FakeHost::callback};
  FakeHost::answer = 48000;
  EXPECT_EQ(hosted.updateSampleRate(), 48000.0);
  FakeHost::answer = -1;
  EXPECT_EQ(hosted.updateSampleRate(), 48000.0);
  EXPECT_EQ(hosted.updateBlockSize(), 1024);
  FakeHost::answer = 0;
  EXPECT_EQ(hosted.getMasterVersion(), 1);
  EXPECT_TRUE(hosted.isInputConnected(0));
  FakeHost::answer = 1;
  EXPECT_FALSE(hosted.isOutputConnected(0));
  EXPECT_EQ(FakeHost::log.back().opcode, audioMasterPinConnected);
  EXPECT_EQ(FakeHost::log.back().value, 1);

  TestEffect alone;  // no host: defaults, nothing sent
  EXPECT_EQ(alone.getMasterVersion(), 1);
  EXPECT_TRUE(alone.isInputConnected(2));
  EXPECT_TRUE(alone.isOutputConnected(2));
  EXPECT_EQ(alone.updateSampleRate(), 44100.0);
  EXPECT_FALSE(alone.beginEdit(0));
  EXPECT_EQ(alone.getTimeInfo(0), nullptr);
  EXPECT_FALSE(alone.openFileSelector(nullptr));
}

TEST(SpeakerArrangements, MatchCopiesChannelsAndNames) {
  TestEffect effect;
  VstSpeakerArrangement* source = nullptr;
  ASSERT_TRUE(effect.allocateArrangement(&source, 12));
  source->type = 7;
  VstSpeakerProperties* speakers = source->speakers;
  for (int i = 0; i < 12; ++i) {
    std::snprintf(speakers[i].name, sizeof speakers[i].name, "speaker %d", i);
    speakers[i].azimuth = static_cast<float>(i);
  }
  VstSpeakerArrangement* target = nullptr;
  ASSERT_TRUE(effect.matchArrangement(&target, source));
  EXPECT_EQ(target->numChannels, 12);
  EXPECT_EQ(target->type, 7);
  VstSpeakerProperties* copied = target->speakers;
  for (int i = 0; i < 12; ++i) {
    EXPECT_STREQ(copied[i].name, speakers[i].name);
    EXPECT_EQ(copied[i].azimuth, static_cast<float>(i));
  }
  EXPECT_FALSE(effect.matchArrangement(&target, nullptr));
  EXPECT_FALSE(effect.copySpeaker(nullptr, speakers));
  EXPECT_TRUE(effect.deallocateArrangement(&source));
  EXPECT_EQ(source, nullptr);
  EXPECT_TRUE(effect.deallocateArrangement(&source));
  effect.deallocateArrangement(&target);

  VstSpeakerArrangement* in = reinterpret_cast<VstSpeakerArrangement*>(&effect);
  VstSpeakerArrangement* out = in;
  EXPECT_EQ(dispatch(effect, effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
  EXPECT_EQ(in, nullptr);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
