// Pelrin's live polar view in the editor: reviewed pictures of typical
// pairs, host changes shown at the next idle and never before, no drawing
// while nothing changed, and a place clear of every control.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "PolarView.h"
#include "pelrin_rig.h"
#include "platform.h"

namespace editortest {
namespace {

// The window's pixels inside the view's rectangle.
std::vector<uint32_t> viewPixels(const PelrinRig& rig) {
  const CRect& r = RazOruRerora::kPolarViewArea;
  std::vector<uint32_t> out;
  for (int32_t y = r.top; y < r.bottom; ++y)
    for (int32_t x = r.left; x < r.right; ++x) out.push_back(rig.parent.pixel(x, y) & 0xFFFFFF);
  return out;
}

void expectGolden(const oxel::platform::PixelPort& actual, const std::string& name) {
  const std::string path =
      std::string{OXEL_SOURCE_DIR} + "/tests/pelrin_editor/data/polar_" + name + ".png";
  if (std::getenv("OXEL_UPDATE_GOLDENS")) {
    ASSERT_TRUE(oxel::platform::writePng(actual, path)) << path;
    return;
  }
  auto golden = oxel::platform::decodeImageFile(path);
  ASSERT_TRUE(golden) << "missing " << path << " (OXEL_UPDATE_GOLDENS=1 writes it)";
  ASSERT_EQ(golden->width(), actual.width()) << name;
  ASSERT_EQ(golden->height(), actual.height()) << name;
  int32_t differing = 0;
  for (int32_t y = 0; y < actual.height(); ++y)
    for (int32_t x = 0; x < actual.width(); ++x)
      differing += (golden->get(x, y) & 0xFFFFFF) != (actual.get(x, y) & 0xFFFFFF);
  if (differing != 0)
    oxel::platform::writePng(actual,
                             std::string{OXEL_BINARY_DIR} + "/polar_" + name + "-actual.png");
  EXPECT_EQ(differing, 0) << name << ": the actual picture is in the build folder";
}

TEST(PelrinPolarView, TypicalPairsMatchTheirReviewedPictures) {
  struct Case {
    const char* name;
    PelrinPolarView::Values values;  // Azimuth, Elevation, Mic Angle, Mic Pattern
  };
  const Case cases[] = {
      {"omni", {0.0f, 0.25f, 0.25f, 0.0f}},
      {"cardioid_xy", {0.0f, 0.25f, 90.0f / 360.0f, 0.5f}},
      {"blumlein", {0.0f, 0.25f, 90.0f / 360.0f, 1.0f}},
      // 30 degrees to the left (counter-clockwise), raised by 15 degrees.
      {"hypercardioid_left_raised",
       {30.0f / 360.0f, 0.25f + 15.0f / 360.0f, 110.0f / 360.0f, 0.75f}},
  };
  for (const Case& c : cases) {
    PelrinRig rig;
    for (VstInt32 i = 0; i < 4; ++i) rig.plugin->setParameter(i, c.values[static_cast<size_t>(i)]);
    rig.open();
    PelrinPolarView* view = rig.editor->getPolarView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->getValues(), c.values) << c.name;
    expectGolden(view->picture(), c.name);
    // The window shows the same picture.
    std::vector<uint32_t> offscreen;
    for (int32_t y = 0; y < view->picture().height(); ++y)
      for (int32_t x = 0; x < view->picture().width(); ++x)
        offscreen.push_back(view->picture().get(x, y) & 0xFFFFFF);
    EXPECT_EQ(viewPixels(rig), offscreen) << c.name;
  }
}

TEST(PelrinPolarView, HostChangesShowAtTheNextIdleAndNeverBefore) {
  PelrinRig rig;
  rig.open();
  PelrinPolarView* view = rig.editor->getPolarView();
  const auto before = viewPixels(rig);
  const int32_t renders = view->getRenderCount();

  rig.plugin->setParameter(3, 1.0f);
  EXPECT_EQ(view->getRenderCount(), renders);
  EXPECT_EQ(viewPixels(rig), before);
  rig.editor->idle();
  EXPECT_EQ(view->getRenderCount(), renders + 1);
  EXPECT_EQ(view->getValues()[3], 1.0f);
  const auto figureOfEight = viewPixels(rig);
  EXPECT_NE(figureOfEight, before);

  // A program change redraws once at the next idle; so does a move back.
  rig.plugin->setProgram(1);
  rig.editor->idle();
  EXPECT_EQ(view->getRenderCount(), renders + 2);
  EXPECT_EQ(viewPixels(rig), before);
  rig.plugin->setProgram(0);
  rig.editor->idle();
  EXPECT_EQ(viewPixels(rig), figureOfEight);
}

TEST(PelrinPolarView, NothingIsDrawnWhileNothingChanged) {
  PelrinRig rig;
  rig.open();
  PelrinPolarView* view = rig.editor->getPolarView();
  const int32_t renders = view->getRenderCount();
  for (int i = 0; i < 5; ++i) rig.editor->idle();
  // The host sending the value the plug-in already has changes nothing.
  rig.plugin->setParameter(2, rig.plugin->getParameter(2));
  rig.editor->idle();
  EXPECT_EQ(view->getRenderCount(), renders);
  EXPECT_FALSE(view->isDirty());
  // A knob drag moves it on the way (one picture per idle with a change).
  rig.plugin->setParameter(0, 0.1f);
  rig.plugin->setParameter(0, 0.2f);
  rig.editor->idle();
  EXPECT_EQ(view->getRenderCount(), renders + 1);
  EXPECT_EQ(view->getValues()[0], 0.2f);
}

TEST(PelrinPolarView, TakesNoClickAControlTakes) {
  PelrinRig rig;
  rig.open();
  const CRect area = RazOruRerora::kPolarViewArea;
  CView* controls[] = {
      rig.editor->getKnob(0),    rig.editor->getKnob(1),        rig.editor->getKnob(2),
      rig.editor->getDisplay(0), rig.editor->getDisplay(1),     rig.editor->getDisplay(2),
      rig.editor->getDisplay(3), rig.editor->getPatternFader(), rig.editor->getAboutScreen()};
  for (CView* control : controls) {
    CRect r = control->getViewSize();
    EXPECT_FALSE(r.rectOverlap(area)) << r.left << "," << r.top;
  }
  EXPECT_FALSE(rig.editor->getPolarView()->getMouseEnabled());
}

}  // namespace
}  // namespace editortest
