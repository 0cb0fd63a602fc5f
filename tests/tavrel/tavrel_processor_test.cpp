// The rotator in process: identity, the fresh bank, the derived angles and
// the order thresholds, programs and the plane operations. Names, labels,
// pins, program names and bad values and indexes are checked for both
// plug-ins through their entry points, in one table (plugin_abi_test.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <string>

#include "sentinel_text.h"
#include "tavrel_model.h"
#include "tavrel_probe.h"

namespace {

std::string display(Tavrel& t, VstInt32 index) {
  return sentinelText([&](char* b) { t.getParameterDisplay(index, b); });
}

TEST(TavrelProcessor, FreshInstanceHasDefaultBankAndIdentity) {
  TavrelProbe t;
  AEffect* e = t.getAeffect();
  EXPECT_EQ(e->uniqueID, fourCharCode('Q', 'r', 'p', 'a'));
  EXPECT_EQ(e->numInputs, 4);
  EXPECT_EQ(e->numOutputs, 4);
  EXPECT_EQ(e->numParams, 4);
  EXPECT_EQ(e->numPrograms, 32);
  EXPECT_TRUE(e->flags & effFlagsCanReplacing);
  EXPECT_FALSE(e->flags & effFlagsHasEditor);
  EXPECT_EQ(t.getPlugCategory(), 7);
  EXPECT_EQ(t.getVendorVersion(), 1024);
  EXPECT_EQ(sentinelText([&](char* b) { EXPECT_TRUE(t.getVendorString(b)); }), "Oxel Music Dept.");

  for (VstInt32 p = 0; p < 32; ++p) {
    t.setProgram(p);
    EXPECT_EQ(sentinelText([&](char* b) { t.getProgramName(b); }), "Ambisonic field control") << p;
    for (VstInt32 i = 0; i < 4; ++i) EXPECT_EQ(t.getParameter(i), 0.0f) << p << ' ' << i;
  }
  EXPECT_EQ(display(t, 0), "0.000000");
  EXPECT_EQ(display(t, 3), "      0");
}

TEST(TavrelProcessor, AngleDisplaysAndDerivedRadians) {
  struct Case {
    float value;
    const char* text;
  };
  const Case cases[] = {{0.0f, "0.000000"}, {0.25f, "90.00000"}, {0.5f, "180.0000"},
                        {1.0f, "360.0000"}, {-0.25f, "-90.0000"}, {2.0f, "720.0000"}};
  for (VstInt32 index = 0; index < 3; ++index) {
    for (const Case& c : cases) {
      TavrelProbe t;
      t.setParameter(index, c.value);
      EXPECT_EQ(t.getParameter(index), c.value);
      EXPECT_EQ(display(t, index), c.text) << index << ' ' << c.value;
      const double radians[] = {t.dAngle1, t.dAngle2, t.dAngle3};
      EXPECT_EQ(radians[index], -static_cast<double>(c.value) * (2.0 * std::numbers::pi));
    }
  }
  TavrelProbe t;
  t.setParameter(0, 0.25f);
  EXPECT_EQ(t.dAngle1, -std::acos(-1.0) / 2);
}

// Each threshold is the float nearest 0.098, 0.298, ... 1.098; the float just
// below it still gives the previous order. Only a fused multiply-add puts the
// last two thresholds here.
TEST(TavrelProcessor, OrderThresholdsInDisplayAndDerivedOrder) {
  const double thresholds[] = {0.098, 0.298, 0.498, 0.698, 0.898, 1.098};
  for (int k = 0; k < 6; ++k) {
    const float at = static_cast<float>(thresholds[k]);
    const float below = std::nextafter(at, -1.0f);
    TavrelProbe t;
    t.setParameter(3, at);
    EXPECT_EQ(display(t, 3), "      " + std::to_string(k + 1)) << at;
    EXPECT_EQ(t.iOrder, k + 1);
    EXPECT_EQ(Tavrel::processedOrderOf(at), k + 1 < 6 ? k + 1 : 0);
    t.setParameter(3, below);
    EXPECT_EQ(display(t, 3), "      " + std::to_string(k)) << below;
    EXPECT_EQ(t.iOrder, k);
    EXPECT_EQ(Tavrel::processedOrderOf(below), k);
  }
}

TEST(TavrelProcessor, OrdersOutsideTheRange) {
  struct Case {
    float value;
    const char* text;
    VstInt32 shown;
  };
  const Case cases[] = {
      {0.1f, "      1", 1},         {0.09f, "      0", 0},      {1.0f, "      5", 5},
      {1.3f, "      7", 7},         {-0.1f, "      0", 0},      {-0.5f, "     -1", -1},
      {19999998.0f, "99999992", 99999992},  // the last order with digits
      {20000000.0f, "Huge!", 100000000},
      {1e9f, "Huge!", 2147483647},  {-1e9f, "-2147483", -2147483647 - 1},
      {std::numeric_limits<float>::max(), "Huge!", 2147483647},
      {-std::numeric_limits<float>::max(), "-2147483", -2147483647 - 1},
  };
  for (const Case& c : cases) {
    TavrelProbe t;
    t.setParameter(3, c.value);
    EXPECT_EQ(display(t, 3), c.text) << c.value;
    EXPECT_EQ(Tavrel::orderOf(c.value), c.shown) << c.value;
    const bool inRange = c.shown >= 0 && c.shown <= 5;
    EXPECT_EQ(Tavrel::processedOrderOf(c.value), inRange ? c.shown : 0) << c.value;
  }
}

TEST(TavrelProcessor, ProgramsKeepTheirValues) {
  TavrelProbe t;
  t.setParameter(1, 0.5f);
  EXPECT_EQ(t.programs[0].fAngle2.load(), 0.5f);
  t.setProgram(3);
  EXPECT_EQ(t.getParameter(1), 0.0f);
  EXPECT_EQ(t.dAngle2, 0.0);
  t.setParameter(3, 0.7f);
  t.setProgram(0);
  EXPECT_EQ(t.getParameter(1), 0.5f);
  EXPECT_EQ(t.getParameter(3), 0.0f);
  EXPECT_EQ(t.dAngle2, -0.5 * (2.0 * std::numbers::pi));
  t.setProgram(3);
  EXPECT_EQ(t.getParameter(3), 0.7f);
  EXPECT_EQ(t.iOrder, 4);

  // Numbers outside the bank change nothing (program names: plugin_abi_test.cpp).
  t.setProgram(4);
  for (VstInt32 bad : {-1, 32, 1 << 30}) {
    t.setProgram(bad);
    EXPECT_EQ(t.curProgramIndex(), 4);
  }
}

// The plane rotations the processor offers as operations on its working vector.
TEST(TavrelProcessor, FieldOperationsTurnTheWorkingVector) {
  struct Case {
    void (Tavrel::*turn)(double);
    double in[3];
    double out[3];  // after a turn by +pi/2
  };
  const Case cases[] = {
      {&Tavrel::rotateField, {1, 0, 0}, {0, 1, 0}}, {&Tavrel::rotateField, {0, 1, 0}, {-1, 0, 0}},
      {&Tavrel::tiltField, {0, 1, 0}, {0, 0, 1}},   {&Tavrel::tiltField, {0, 0, 1}, {0, -1, 0}},
      {&Tavrel::tumbleField, {1, 0, 0}, {0, 0, 1}}, {&Tavrel::tumbleField, {0, 0, 1}, {-1, 0, 0}},
  };
  for (const Case& c : cases) {
    TavrelProbe t;
    t.newX = c.in[0];
    t.newY = c.in[1];
    t.newZ = c.in[2];
    (t.*c.turn)(std::acos(-1.0) / 2);
    EXPECT_NEAR(t.newX, c.out[0], 1e-15);
    EXPECT_NEAR(t.newY, c.out[1], 1e-15);
    EXPECT_NEAR(t.newZ, c.out[2], 1e-15);
  }
}

}  // namespace
