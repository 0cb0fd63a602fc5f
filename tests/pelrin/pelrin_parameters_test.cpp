// The microphone pair's parameters, programs, pins and identity as a host sees them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "Pelrin.h"
#include "sentinel_text.h"

namespace {

std::string text(void (Pelrin::*get)(VstInt32, char*), Pelrin& p, VstInt32 index) {
  return sentinelText([&](char* buffer) { (p.*get)(index, buffer); });
}

std::string display(Pelrin& p, VstInt32 index) { return text(&Pelrin::getParameterDisplay, p, index); }

std::string programName(Pelrin& p) {
  char buffer[64] = {};
  p.getProgramName(buffer);
  return buffer;
}

TEST(PelrinParameters, FreshInstance) {
  Pelrin p{nullptr};
  EXPECT_EQ(p.getProgram(), 0);
  EXPECT_EQ(programName(p), "Mic pattern control");
  EXPECT_EQ(p.getParameter(0), 0.0f);
  EXPECT_EQ(p.getParameter(1), 0.25f);
  EXPECT_EQ(p.getParameter(2), 0.16666667f);
  EXPECT_EQ(p.getParameter(3), 0.5f);
  EXPECT_EQ(p.getAeffect()->uniqueID, fourCharCode('Q', 'r', 'M', 'a'));
  EXPECT_EQ(p.getAeffect()->numInputs, 4);
  EXPECT_EQ(p.getAeffect()->numOutputs, 2);
  EXPECT_EQ(p.getAeffect()->flags, effFlagsCanReplacing);
  EXPECT_EQ(p.getPlugCategory(), kPlugSurroundFx);
  EXPECT_EQ(p.getVendorVersion(), 1024);
  // The displays follow the first program's values from the start.
  EXPECT_EQ(display(p, 0), "0.000000");
  EXPECT_EQ(display(p, 1), "0.000000");  // level
  EXPECT_EQ(display(p, 2), "60.00000");
  EXPECT_EQ(display(p, 3), "0.500000");  // cardioid
}

TEST(PelrinParameters, NamesLabelsAndDisplays) {
  Pelrin p{nullptr};
  const char* names[] = {"Azimuth", "Elevation", "Mic Angle", "Mic Pattern"};
  const char* labels[] = {"degrees", "degrees", "degrees", "pattern"};
  for (VstInt32 i = 0; i < 4; ++i) {
    EXPECT_EQ(text(&Pelrin::getParameterName, p, i), names[i]);
    EXPECT_EQ(text(&Pelrin::getParameterLabel, p, i), labels[i]);
  }
  const struct {
    VstInt32 index;
    float value;
    const char* shown;
  } cases[] = {
      {1, 0.25f, "0.000000"}, {1, 0.0f, "-90.0000"}, {1, 1.0f, "270.0000"},
      {0, 0.5f, "180.0000"},  {0, 1.0f, "360.0000"}, {0, 0.0f, "0.000000"},
      {2, 0.16666667f, "60.00000"}, {2, 0.25f, "90.00000"},
      {3, 0.7f, "0.699999"},  {3, 1.0f, "1.000000"},
      // Values outside 0 to 1 are kept and shown as they map.
      {0, -0.25f, "-90.0000"},
  };
  for (const auto& c : cases) {
    p.setParameter(c.index, c.value);
    EXPECT_EQ(display(p, c.index), c.shown) << "parameter " << c.index << " = " << c.value;
  }
  // Out-of-range indexes write nothing (not even a terminator).
  for (VstInt32 index : {-1, 4, 1000}) {
    EXPECT_EQ(text(&Pelrin::getParameterName, p, index), "<unterminated>");
    EXPECT_EQ(text(&Pelrin::getParameterDisplay, p, index), "<unterminated>");
    EXPECT_EQ(p.getParameter(index), 0.0f);
  }
}

TEST(PelrinParameters, BadValuesAndIndexesChangeNothing) {
  Pelrin p{nullptr};
  p.setParameter(7, 0.9f);
  for (float bad : {std::nanf(""), INFINITY, -INFINITY}) p.setParameter(0, bad);
  EXPECT_EQ(p.getParameter(0), 0.0f);
  EXPECT_EQ(p.getParameter(1), 0.25f);
  EXPECT_EQ(p.getParameter(2), 0.16666667f);
  EXPECT_EQ(p.getParameter(3), 0.5f);
  p.setParameter(3, 1.5f);  // finite but outside 0 to 1: kept
  EXPECT_EQ(p.getParameter(3), 1.5f);
}

TEST(PelrinPrograms, EditsGoToTheCurrentProgram) {
  Pelrin p{nullptr};
  p.setProgram(5);
  EXPECT_EQ(p.getProgram(), 5);
  p.setParameter(0, 0.75f);
  p.setParameter(2, 0.1f);
  p.setProgram(6);
  EXPECT_EQ(p.getParameter(0), 0.0f);
  EXPECT_EQ(p.getParameter(2), 0.16666667f);
  p.setProgram(5);
  EXPECT_EQ(p.getParameter(0), 0.75f);
  EXPECT_EQ(p.getParameter(2), 0.1f);
  EXPECT_EQ(display(p, 0), "270.0000");
}

// Program names (the "Init" rule, truncation) are checked for both plug-ins
// through their entry points (plugin_abi_test.cpp).

TEST(PelrinPins, LabelsAndFlags) {
  Pelrin p{nullptr};
  const char* inputs[] = {"W", "X", "Y", "Z"};
  for (VstInt32 i = 0; i < 4; ++i) {
    VstPinProperties pin;
    std::memset(&pin, 0x55, sizeof pin);
    ASSERT_TRUE(p.getInputProperties(i, &pin));
    EXPECT_STREQ(pin.label, inputs[i]);
    EXPECT_EQ(pin.flags, 1);
    EXPECT_EQ(pin.arrangementType, 0x55555555);  // untouched
  }
  for (VstInt32 i = 0; i < 2; ++i) {
    VstPinProperties pin{};
    ASSERT_TRUE(p.getOutputProperties(i, &pin));
    EXPECT_EQ(std::string{pin.label}, "Mic " + std::to_string(i + 1));
    EXPECT_EQ(pin.flags, 1);
  }
  VstPinProperties pin{};
  EXPECT_FALSE(p.getInputProperties(4, &pin));
  EXPECT_FALSE(p.getInputProperties(-1, &pin));
  EXPECT_FALSE(p.getOutputProperties(2, &pin));
  EXPECT_EQ(pin.label[0], 0);
}

}  // namespace
