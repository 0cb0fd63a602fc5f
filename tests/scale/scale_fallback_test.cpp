// Pelrin's editor built with only its 1x pictures: at 2x it is complete, each
// picture drawn with its pixels repeated, and only what is drawn afresh at
// each density (the displays' text, set by the font at twice its size, and
// the polar view's curves) differs from the 1x editor enlarged.
#include <gtest/gtest.h>

#include <cstdlib>

#include "pelrin_rig.h"
#include "platform.h"

namespace editortest {
namespace {

std::unique_ptr<oxel::platform::PixelPort> shotAt(int32_t scale) {
  ::setenv("OXEL_UI_SCALE", std::to_string(scale).c_str(), 1);
  PelrinRig rig;
  rig.open();
  rig.play();
  ::unsetenv("OXEL_UI_SCALE");
  const OxelHeadlessParent& r = rig.parent.record;
  auto p = std::make_unique<oxel::platform::PixelPort>(r.width, r.height);
  for (int32_t y = 0; y < r.height; ++y)
    for (int32_t x = 0; x < r.width; ++x) p->set(x, y, rig.parent.pixel(x, y));
  rig.editor->close();
  return p;
}

TEST(EditorScaleFallback, WithoutDenserPicturesThe2xEditorIsThe1xOneEnlargedButForTextAndCurves) {
  const auto one = shotAt(1);
  const auto two = shotAt(2);
  ASSERT_EQ(one->width(), 224);
  ASSERT_EQ(two->width(), 448);
  ASSERT_EQ(two->height(), 480);
  const auto enlarged = oxel::platform::replicatePixels(*one, 2);
  const CRect displays[] = {
      {51, 96, 91, 110}, {51, 160, 91, 174}, {131, 96, 171, 110}, {91, 208, 131, 222}};
  const CRect& polarView = RazOruRerora::kPolarViewArea;
  int inText = 0, inPolarView = 0, elsewhere = 0;
  for (int32_t y = 0; y < 480; ++y)
    for (int32_t x = 0; x < 448; ++x) {
      if ((two->get(x, y) & 0xFFFFFF) == (enlarged->get(x, y) & 0xFFFFFF)) continue;
      const CPoint logical{x / 2, y / 2};
      bool inside = false;
      for (const CRect& d : displays) inside |= d.pointInside(logical);
      ++(inside ? inText : polarView.pointInside(logical) ? inPolarView : elsewhere);
    }
  EXPECT_EQ(elsewhere, 0);
  EXPECT_GT(inText, 50);
  EXPECT_GT(inPolarView, 50);
}

}  // namespace
}  // namespace editortest
