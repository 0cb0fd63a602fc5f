// The microphone pair's identity, fresh values and programs, in process.
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

// Names, labels, displays, pins, program names and bad values and indexes
// are checked for both plug-ins through their entry points, in one table
// (plugin_abi_test.cpp).

}  // namespace
