// Pelrin.so driven only through its entry point and effect record, as a host
// drives it: identity, texts written into sentinel-filled buffers, programs,
// pins, parameters and audio.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "pelrin_reference.h"
#include "plugin_host.h"
#include "built_plugins.h"

namespace {

const std::string kPelrinPath = builtPluginPath("Pelrin");

class PelrinAbi : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    library = oxel::PluginLibrary::load(kPelrinPath, error);
    ASSERT_TRUE(library) << error;
    plugin = oxel::PluginInstance::create(library, error);
    ASSERT_TRUE(plugin) << error;
    e = plugin->effect();
  }
  VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                     void* ptr = nullptr, float opt = 0.0f) {
    return e->dispatcher(e, opcode, index, value, ptr, opt);
  }
  // The text an opcode writes into a sentinel-filled buffer; checks termination and bounds.
  std::string textOf(VstInt32 opcode, VstInt32 index, size_t maxBytes) {
    char buffer[300];
    std::memset(buffer, 0x7E, sizeof buffer);
    dispatch(opcode, index, 0, buffer);
    const void* end = std::memchr(buffer, 0, sizeof buffer);
    EXPECT_NE(end, nullptr) << "opcode " << opcode << " wrote no terminator";
    if (!end) return {};
    const size_t length = static_cast<const char*>(end) - buffer;
    EXPECT_LT(length, maxBytes) << "opcode " << opcode << " index " << index;
    for (size_t i = length + 1; i < sizeof buffer; ++i)
      EXPECT_EQ(buffer[i], 0x7E) << "opcode " << opcode << " wrote past its text at " << i;
    return {buffer, length};
  }

  std::shared_ptr<oxel::PluginLibrary> library;
  std::unique_ptr<oxel::PluginInstance> plugin;
  AEffect* e = nullptr;
};

TEST_F(PelrinAbi, IdentityAndCounts) {
  EXPECT_EQ(e->magic, kEffectMagic);
  // The .so is the processor with its editor: its own ID (the processor
  // alone reports QrMa).
  EXPECT_EQ(e->uniqueID, fourCharCode('Q', 'R', 'M', 'A'));
  EXPECT_EQ(e->flags & effFlagsHasEditor, effFlagsHasEditor);
  EXPECT_EQ(e->numPrograms, 32);
  EXPECT_EQ(e->numParams, 4);
  EXPECT_EQ(e->numInputs, 4);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags & effFlagsCanReplacing, effFlagsCanReplacing);
  EXPECT_EQ(e->version, 1);
  EXPECT_EQ(dispatch(effGetPlugCategory), 7);
  EXPECT_EQ(dispatch(effGetVendorVersion), 1024);
  EXPECT_EQ(dispatch(effGetVstVersion), 2300);
  EXPECT_EQ(textOf(effGetVendorString, 0, 64), "Oxel Music Dept.");
  EXPECT_EQ(dispatch(effGetVendorString, 0, 0, nullptr), 0);
  EXPECT_EQ(dispatch(effGetEffectName, 0, 0, nullptr), 0);
  EXPECT_EQ(dispatch(effIdentify), 0x4E764566);
}

TEST_F(PelrinAbi, OnlyTheEntryPointsAreExported) {
  for (const char* name : {"VSTPluginMain", "main_macho", "main"})
    EXPECT_NE(library->symbol(name), nullptr) << name;
  for (const char* name : {"oome", "_ZN6Pelrin12setParameterEif", "dispatchEffectClass"})
    EXPECT_EQ(library->symbol(name), nullptr) << name;
}

TEST_F(PelrinAbi, EntryPointRefusesWithoutAHost) {
  auto entry = library->entryPoint();
  EXPECT_EQ(entry(nullptr), nullptr);
  auto tooOld = [](AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) -> VstIntPtr { return 0; };
  EXPECT_EQ(entry(tooOld), nullptr);
}

TEST_F(PelrinAbi, ParameterTextsAndRoundTrips) {
  const char* names[] = {"Azimuth", "Elevation", "Mic Angle", "Mic Pattern"};
  const char* labels[] = {"degrees", "degrees", "degrees", "pattern"};
  for (VstInt32 i = 0; i < 4; ++i) {
    EXPECT_EQ(textOf(effGetParamName, i, 64), names[i]);
    EXPECT_EQ(textOf(effGetParamLabel, i, 64), labels[i]);
  }
  const float values[] = {0.5f, 0.0f, 0.16666667f, 0.7f};
  const char* shown[] = {"180.0000", "-90.0000", "60.00000", "0.699999"};
  for (VstInt32 i = 0; i < 4; ++i) {
    e->setParameter(e, i, values[i]);
    EXPECT_EQ(e->getParameter(e, i), values[i]);
    EXPECT_EQ(textOf(effGetParamDisplay, i, 9), shown[i]);
  }
  e->setParameter(e, 0, std::nanf(""));
  EXPECT_EQ(e->getParameter(e, 0), 0.5f);
  for (VstInt32 bad : {-1, 4, 0x7FFFFFFF}) {
    e->setParameter(e, bad, 0.3f);
    EXPECT_EQ(e->getParameter(e, bad), 0.0f);
    char untouched[8] = "keep";
    dispatch(effGetParamDisplay, bad, 0, untouched);
    EXPECT_STREQ(untouched, "keep");
  }
}

TEST_F(PelrinAbi, ProgramsAndRenaming) {
  EXPECT_EQ(textOf(effGetProgramName, 0, 24), "Mic pattern control");
  dispatch(effSetProgram, 0, 5);
  EXPECT_EQ(dispatch(effGetProgram), 5);
  dispatch(effSetProgram, 0, 32);
  dispatch(effSetProgram, 0, (VstIntPtr{1} << 32) + 3);
  EXPECT_EQ(dispatch(effGetProgram), 5);
  e->setParameter(e, 3, 0.9f);
  char longName[] = "A very long program name exceeding the limit";
  dispatch(effSetProgramName, 0, 0, longName);
  EXPECT_EQ(textOf(effGetProgramName, 0, 24), "A very long program nam");
  char init[] = "Init";
  dispatch(effSetProgramName, 0, 0, init);
  EXPECT_EQ(textOf(effGetProgramName, 0, 24), "Init 6");
  dispatch(effSetProgram, 0, 0);
  EXPECT_EQ(e->getParameter(e, 3), 0.5f);
  dispatch(effSetProgram, 0, 5);
  EXPECT_EQ(e->getParameter(e, 3), 0.9f);
  EXPECT_EQ(dispatch(effSetProgramName, 0, 0, nullptr), 0);
}

TEST_F(PelrinAbi, Pins) {
  const char* inputs[] = {"W", "X", "Y", "Z"};
  for (VstInt32 i = 0; i < 4; ++i) {
    VstPinProperties pin{};
    ASSERT_EQ(dispatch(effGetInputProperties, i, 0, &pin), 1);
    EXPECT_STREQ(pin.label, inputs[i]);
    EXPECT_EQ(pin.flags, kVstPinIsActive);
  }
  for (VstInt32 i = 0; i < 2; ++i) {
    VstPinProperties pin{};
    ASSERT_EQ(dispatch(effGetOutputProperties, i, 0, &pin), 1);
    EXPECT_EQ(std::string{pin.label}, "Mic " + std::to_string(i + 1));
  }
  VstPinProperties pin{};
  EXPECT_EQ(dispatch(effGetInputProperties, 4, 0, &pin), 0);
  EXPECT_EQ(dispatch(effGetOutputProperties, 2, 0, &pin), 0);
  EXPECT_EQ(dispatch(effGetInputProperties, 0, 0, nullptr), 0);
}

TEST_F(PelrinAbi, AudioMatchesTheModelThroughTheRecord) {
  reference::PelrinModel model;
  const int frames = 700;
  std::vector<std::vector<float>> out(2, std::vector<float>(frames));
  for (int block = 0; block < 6; ++block) {
    if (block > 0) {
      const float s[] = {0.1f * block, 0.25f, 0.05f * block, 0.2f * block};
      for (int i = 0; i < 4; ++i) e->setParameter(e, i, s[i]);
      model.setParameters(s[0], s[1], s[2], s[3]);
    }
    auto in = reference::bformatSignal(frames, block);
    std::vector<float> expect1(frames, 0.5f), expect2(frames, 0.5f);
    const bool accumulate = block % 2 == 1;
    float* inputs[] = {in[0].data(), in[1].data(), in[2].data(), in[3].data()};
    float* outputs[] = {out[0].data(), out[1].data()};
    std::fill(out[0].begin(), out[0].end(), 0.5f);
    std::fill(out[1].begin(), out[1].end(), 0.5f);
    model.run(inputs[0], inputs[1], inputs[2], inputs[3], expect1.data(), expect2.data(), frames,
              accumulate);
    (accumulate ? e->process : e->processReplacing)(e, inputs, outputs, frames);
    ASSERT_EQ(out[0], expect1) << "block " << block;
    ASSERT_EQ(out[1], expect2) << "block " << block;
  }
}

TEST_F(PelrinAbi, ManyInstancesAreIndependent) {
  std::string error;
  auto second = oxel::PluginInstance::create(library, error);
  ASSERT_TRUE(second) << error;
  second->setParameter(0, 0.9f);
  EXPECT_EQ(plugin->parameter(0), 0.0f);
  EXPECT_EQ(second->parameter(0), 0.9f);
}

}  // namespace
