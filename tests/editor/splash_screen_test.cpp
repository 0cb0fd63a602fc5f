// The about screen: a left click on the hot area opens the picture as the
// frame's modal view, the next click on it closes it and redraws the frame;
// right clicks, a missing picture and a refused modal slot never leave an
// invisible view in the way.
#include <gtest/gtest.h>

#include "CBitmap.h"
#include "CSplashScreen.h"
#include "control_rig.h"

namespace editortest {
namespace {

using oxel::platform::makePixel;

struct Scene {
  ControlRig rig;
  ValueLog log;
  CSplashScreen* splash{nullptr};
  LoggingView* knob{nullptr};
  std::vector<std::string> events;

  explicit Scene(bool withPicture = true) {
    CBitmap* picture = withPicture ? new CBitmap(*rig.editor->frame, 150, 120) : new CBitmap();
    if (withPicture) picture->getHandle()->fillAll(makePixel(200, 100, 0));
    splash = rig.add(new CSplashScreen(CRect(50, 0, 136, 15), &log, 32, picture, CRect(0, 0, 150, 120)));
    picture->forget();
    knob = rig.add(new LoggingView(CRect(160, 40, 190, 70), "knob", events));
  }
  void click(int32_t x, int32_t y, int32_t buttons = kLeftButton) {
    rig.input.setSteps({ControlRig::released(x, y)});
    CPoint where(x, y);
    rig.editor->frame->mouse(rig.context, where, buttons);
  }
};

TEST(SplashScreen, ClickOpensTheModalPictureAndTheNextClickClosesIt) {
  Scene s;
  s.click(93, 7);
  EXPECT_TRUE(s.splash->isOpen());
  EXPECT_EQ(s.rig.editor->frame->getModalView(), s.splash);
  EXPECT_EQ(s.splash->getViewSize(), CRect(0, 0, 150, 120));
  s.splash->draw(s.rig.context);
  EXPECT_EQ(s.rig.editor->frame->getWindowPort()->get(10, 100), makePixel(200, 100, 0));
  // While open, a click outside the picture reaches nobody.
  s.click(170, 50);
  EXPECT_TRUE(s.events.empty());
  EXPECT_TRUE(s.splash->isOpen());
  s.rig.editor->frame->setDirty(false);
  s.click(10, 100);
  EXPECT_FALSE(s.splash->isOpen());
  EXPECT_EQ(s.log.values, (std::vector<float>{1.0f, 0.0f}));
  EXPECT_EQ(s.rig.editor->frame->getModalView(), nullptr);
  EXPECT_EQ(s.splash->getViewSize(), CRect(50, 0, 136, 15));
  CRect area;
  EXPECT_EQ(s.splash->getMouseableArea(area), CRect(50, 0, 136, 15));
  EXPECT_TRUE(s.rig.editor->frame->isDirty());  // the whole editor is drawn again
  s.click(170, 50);
  EXPECT_EQ(s.events.size(), 1u);  // the knob gets clicks again
  EXPECT_EQ(ControlRig::brackets(), std::make_pair(0, 0));
}

TEST(SplashScreen, RightClicksAndModifierClicksTakenByTheListenerDoNothing) {
  Scene s;
  EXPECT_FALSE(s.splash->hitTest(CPoint(93, 7), kRightButton));
  EXPECT_TRUE(s.splash->hitTest(CPoint(93, 7), kLeftButton));
  s.click(93, 7, kRightButton);
  EXPECT_FALSE(s.splash->isOpen());
  struct Taker : ValueLog {
    int32_t controlModifierClicked(CDrawContext*, CControl*, int32_t) override { return 1; }
  } taker;
  s.splash->setListener(&taker);
  s.click(93, 7, kLeftButton | kShiftFlag);
  EXPECT_FALSE(s.splash->isOpen());
  EXPECT_TRUE(taker.values.empty());
}

TEST(SplashScreen, AMissingPictureNeverOpens) {
  Scene s{false};
  s.click(93, 7);
  EXPECT_FALSE(s.splash->isOpen());
  EXPECT_EQ(s.rig.editor->frame->getModalView(), nullptr);
  s.click(170, 50);
  EXPECT_EQ(s.events.size(), 1u);
}

TEST(SplashScreen, RefusedModalSlotShowsNothingAndTheNextClickCloses) {
  Scene s;
  std::vector<std::string> other;
  auto* blocker = new LoggingView(CRect(0, 0, 1, 1), "blocker", other);
  ASSERT_TRUE(s.rig.editor->frame->setModalView(blocker));
  CPoint where(93, 7);
  s.splash->mouse(s.rig.context, where, kLeftButton);
  EXPECT_TRUE(s.splash->isOpen());
  EXPECT_EQ(s.splash->getViewSize(), CRect(50, 0, 136, 15));
  auto* port = s.rig.editor->frame->getWindowPort();
  port->fillAll(0);
  s.splash->draw(s.rig.context);
  EXPECT_EQ(port->get(60, 5), 0u);  // nothing shown in the hot area
  s.splash->mouse(s.rig.context, where, kLeftButton);
  EXPECT_FALSE(s.splash->isOpen());
  EXPECT_EQ(s.splash->getViewSize(), CRect(50, 0, 136, 15));
  s.rig.editor->frame->setModalView(nullptr);
  blocker->forget();
}

TEST(SplashScreen, UnSplashClosesQuietlyAndOnlyWhenOpen) {
  Scene s;
  s.splash->unSplash();  // closed: nothing changes
  EXPECT_EQ(s.splash->getViewSize(), CRect(50, 0, 136, 15));
  s.click(93, 7);
  s.log.values.clear();
  s.splash->unSplash();
  EXPECT_FALSE(s.splash->isOpen());
  EXPECT_EQ(s.rig.editor->frame->getModalView(), nullptr);
  EXPECT_EQ(s.splash->getViewSize(), CRect(50, 0, 136, 15));
  CRect area;
  EXPECT_EQ(s.splash->getMouseableArea(area), CRect(50, 0, 136, 15));
  EXPECT_TRUE(s.log.values.empty());
  s.click(93, 7);
  EXPECT_TRUE(s.splash->isOpen());  // opens again
}

TEST(SplashScreen, TransparencyBlendsOrKeysThePicture) {
  Scene s;
  auto* port = s.rig.editor->frame->getWindowPort();
  s.click(93, 7);
  s.splash->getBackground()->getHandle()->set(5, 5, makePixel(255, 255, 255));
  for (auto [alpha, atPicture, atWhite] :
       {std::tuple{255, makePixel(200, 100, 0), makePixel(255, 255, 255)},
        std::tuple{0, makePixel(200, 100, 0), makePixel(0, 0, 0)}}) {
    port->fillAll(0);
    s.splash->setBitmapTransparency(static_cast<unsigned char>(alpha));
    s.splash->draw(s.rig.context);
    EXPECT_EQ(port->get(20, 20), atPicture) << alpha;
    EXPECT_EQ(port->get(5, 5), atWhite) << alpha;
  }
  port->fillAll(0);
  s.splash->setBitmapTransparency(128);
  s.splash->draw(s.rig.context);
  const auto blended = port->get(20, 20);
  EXPECT_NEAR(static_cast<int>(blended >> 16 & 0xFF), 100, 2);
  EXPECT_NEAR(static_cast<int>(blended >> 8 & 0xFF), 50, 2);
}

}  // namespace
}  // namespace editortest
