// Proves the view tree: who gets the mouse, wheel and keys and in which
// coordinates, that only dirty views are repainted (with the background and
// overlapping views behind them), nested and offscreen containers clip their
// children in the right coordinates, and that ownership and reference counts
// balance (run under ASan for the use-after-free cases).
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "CView.h"
#include "ScriptedInput.h"
#include "pixel_picture.h"
#include "platform.h"

using oxel::platform::PixelPort;
using testing_pixels::picture;
using testing_pixels::trimPicture;

namespace {

struct Log {
  std::vector<std::string> events;
  int destroyed = 0;
};

// A view that paints its rectangle (or its left half) and records what
// reaches it.
class TestView : public CView {
 public:
  TestView(const CRect& size, std::string name, Log* log, CColor colour = kRedCColor)
      : CView(size), name{std::move(name)}, log{log}, colour{colour} {}
  ~TestView() override {
    if (log) ++log->destroyed;
  }

  void draw(CDrawContext* context) override {
    CRect r = size;
    if (leftHalfOnly) r.right = r.left + r.width() / 2;
    context->setFillColor(colour);
    context->drawRect(r, kDrawFilled);
    if (log) log->events.push_back("draw " + name);
    setDirty(false);
  }
  void mouse(CDrawContext*, CPoint& where, int32_t buttons) override {
    log->events.push_back("mouse " + name + " " + std::to_string(where.h) + "," + std::to_string(where.v) + " " +
                          std::to_string(buttons));
  }
  int32_t onKeyDown(VstKeyCode&) override {
    log->events.push_back("key " + name);
    return keyAnswer;
  }
  bool onWheel(CDrawContext* context, const CPoint& where, float distance) override {
    log->events.push_back("wheel " + name + " " + std::to_string(where.h) + "," + std::to_string(where.v) +
                          " offset " + std::to_string(context->offset.h) + "," + std::to_string(context->offset.v) +
                          " " + std::to_string(static_cast<int>(distance)));
    return true;
  }
  bool removed(CView* parent) override {
    auto* container = static_cast<CViewContainer*>(parent);
    log->events.push_back(std::string{"removed "} + name + (container->isChild(this) ? " (still linked)" : ""));
    return true;
  }

  std::string name;
  Log* log;
  CColor colour;
  int32_t keyAnswer = -1;
  bool leftHalfOnly = false;
};

// A frame drawing into its own port.
struct Window {
  PixelPort port;
  CFrame* frame;
  Window(int32_t w, int32_t h, CBitmap* background = nullptr)
      : port{w, h}, frame{new CFrame(CRect(0, 0, w, h), &port, nullptr)} {
    if (background) frame->setBackground(background);
  }
  ~Window() { frame->forget(); }
  CDrawContext* context() { return frame->createDrawContext(); }
};

CBitmap* bitmapFrom(const std::string& pic) {
  PixelPort image = testing_pixels::portFrom(pic);
  CFrame frame(CRect(0, 0, 1, 1), nullptr, nullptr);
  auto* bitmap = new CBitmap(frame, image.width(), image.height());
  oxel::platform::copyBlock(image, image.bounds(), *bitmap->getHandle(), image.bounds(), image.bounds());
  return bitmap;
}

}  // namespace

TEST(ViewRouting, FrontmostEnabledViewTakesTheClickWithClosedTest) {
  Log log;
  CViewContainer container(CRect(10, 10, 40, 40), nullptr);
  auto* a = new TestView(CRect(0, 0, 10, 10), "A", &log);
  auto* b = new TestView(CRect(0, 0, 10, 10), "B", &log);
  container.addView(a);
  container.addView(b);
  CPoint where(20, 20);  // (10, 10) in the container: the closed corner
  container.mouse(nullptr, where, kLeftButton);
  b->setMouseEnabled(false);
  container.mouse(nullptr, where, kLeftButton);
  CPoint outside(21, 20);
  container.mouse(nullptr, outside, kLeftButton);
  EXPECT_EQ(log.events, (std::vector<std::string>{"mouse B 10,10 1", "mouse A 10,10 1"}));
}

TEST(ViewRouting, ButtonsComeFromTheContextWhenUnknown) {
  Log log;
  oxel::platform::ScriptedInput input{{{oxel::platform::kPrimaryButton, oxel::platform::kModCommand, 0, 0}}};
  CDrawContext context(nullptr, nullptr, nullptr);
  context.setInputSource(&input);
  CViewContainer container(CRect(0, 0, 10, 10), nullptr);
  container.addView(new TestView(CRect(0, 0, 10, 10), "A", &log));
  CPoint where(1, 1);
  container.mouse(&context, where, -1);
  EXPECT_EQ(log.events, (std::vector<std::string>{"mouse A 1,1 17"}));
}

TEST(ViewRouting, KeysAskFrontToBackUntilTaken) {
  Log log;
  CViewContainer container(CRect(0, 0, 10, 10), nullptr);
  auto* a = new TestView(CRect(0, 0, 1, 1), "A", &log);
  auto* b = new TestView(CRect(0, 0, 1, 1), "B", &log);
  auto* c = new TestView(CRect(0, 0, 1, 1), "C", &log);
  container.addView(a), container.addView(b), container.addView(c);
  b->keyAnswer = 1;
  VstKeyCode key{};
  EXPECT_EQ(container.onKeyDown(key), 1);
  EXPECT_EQ(log.events, (std::vector<std::string>{"key C", "key B"}));
  b->keyAnswer = -1;
  EXPECT_EQ(container.onKeyUp(key), -1);
}

TEST(ViewRouting, WheelGoesToViewUnderPointInShiftedContext) {
  Log log;
  Window window{40, 40};
  auto* inner = new CViewContainer(CRect(10, 10, 30, 30), window.frame);
  auto* v = new TestView(CRect(0, 0, 5, 5), "V", &log);
  inner->addView(v);
  window.frame->addView(inner);
  CDrawContext* context = window.context();
  EXPECT_TRUE(window.frame->onWheel(context, CPoint(12, 13), 1.0f));
  EXPECT_FALSE(window.frame->onWheel(context, CPoint(38, 38), 1.0f));
  EXPECT_EQ(context->offset, CPoint(0, 0));  // restored
  context->forget();
  EXPECT_EQ(log.events, (std::vector<std::string>{"wheel V 2,3 offset 10,10 1"}));
}

TEST(ViewTree, GetViewAtShallowAndDeep) {
  Log log;
  Window window{60, 60};
  auto* c = new CViewContainer(CRect(10, 10, 40, 40), window.frame);
  auto* v = new TestView(CRect(5, 5, 15, 15), "V", &log);
  c->addView(v);
  window.frame->addView(c);
  EXPECT_EQ(window.frame->getViewAt(CPoint(20, 20), false), c);
  EXPECT_EQ(window.frame->getViewAt(CPoint(20, 20), true), v);
  EXPECT_EQ(window.frame->getViewAt(CPoint(25, 25), true), v);  // closed: (15, 15) in c
  EXPECT_EQ(window.frame->getViewAt(CPoint(12, 12), true), nullptr);
  CViewContainer orphan(CRect(0, 0, 10, 10), nullptr);
  orphan.addView(new TestView(CRect(0, 0, 10, 10), "O", &log));
  EXPECT_EQ(orphan.getViewAt(CPoint(1, 1)), nullptr);  // no frame
}

TEST(ViewTree, CoordinateConversionAndMouseLocationThroughNesting) {
  Log log;
  Window window{100, 100};
  auto* outer = new CViewContainer(CRect(10, 20, 90, 90), window.frame);
  auto* inner = new CViewContainer(CRect(5, 5, 50, 50), window.frame);
  auto* v = new TestView(CRect(1, 1, 4, 4), "V", &log);
  outer->addView(inner);
  inner->addView(v);
  window.frame->addView(outer);

  CPoint p(0, 0);
  inner->localToFrame(p);
  EXPECT_EQ(p, CPoint(15, 25));
  CPoint q(15, 25);
  inner->frameToLocal(q);
  EXPECT_EQ(q, CPoint(0, 0));

  oxel::platform::ScriptedInput input{{{0, 0, 17, 28}}};
  window.frame->setInputSource(&input);
  CDrawContext* context = window.context();
  CPoint where;
  v->getMouseLocation(context, where);
  EXPECT_EQ(where, CPoint(2, 3));  // in inner's coordinates, where v's size is
  EXPECT_EQ(context->offsetScreen, CPoint(0, 0));
  EXPECT_EQ(inner->getCurrentView(), v);
  context->forget();
}

TEST(ViewTree, TypesNotifyAndAttributes) {
  Log log;
  CViewContainer container(CRect(0, 0, 10, 10), nullptr);
  TestView view(CRect(0, 0, 1, 1), "V", nullptr);
  EXPECT_TRUE(view.isTypeOf("CView"));
  EXPECT_FALSE(view.isTypeOf("CViewContainer"));
  EXPECT_TRUE(container.isTypeOf("CView"));
  EXPECT_TRUE(container.isTypeOf("CViewContainer"));
  EXPECT_FALSE(container.isTypeOf(nullptr));
  CFrame frame(CRect(0, 0, 1, 1), nullptr, nullptr);
  EXPECT_TRUE(frame.isTypeOf("CViewContainer"));

  const std::string copy{kMsgCheckIfViewContainer};
  EXPECT_EQ(container.notify(&view, kMsgCheckIfViewContainer), 1);
  EXPECT_EQ(container.notify(&view, copy.c_str()), 0);  // identity, not text
  EXPECT_EQ(view.notify(&view, kMsgCheckIfViewContainer), 0);

  int anything = 0;
  void* in = &anything;
  void* out = nullptr;
  int32_t outSize = 0;
  EXPECT_FALSE(view.setAttribute(kCViewAttributeReferencePointer, 4, &in));
  EXPECT_TRUE(view.setAttribute(kCViewAttributeReferencePointer, sizeof(void*), &in));
  EXPECT_FALSE(view.getAttribute(kCViewAttributeReferencePointer, 4, &out, outSize));
  EXPECT_TRUE(view.getAttribute(kCViewAttributeReferencePointer, sizeof(void*), &out, outSize));
  EXPECT_EQ(out, in);
  EXPECT_EQ(outSize, static_cast<int32_t>(sizeof(void*)));
  EXPECT_TRUE(view.getAttributeSize(kCViewAttributeReferencePointer, outSize));
  EXPECT_FALSE(view.getAttributeSize(fourCharCode("xxxx"), outSize));
}

TEST(ViewTree, SetViewSizeKeepsMouseableAreaAndMarksDirty) {
  TestView view(CRect(0, 0, 10, 10), "V", nullptr);
  view.setMouseableArea(CRect(2, 2, 5, 5));
  CRect bigger(0, 0, 20, 20);
  view.setViewSize(bigger);
  CRect area;
  EXPECT_EQ(view.getMouseableArea(area), CRect(2, 2, 5, 5));
  EXPECT_TRUE(view.isDirty());
}

TEST(ViewOwnership, ContainerDisposesOfItsChildren) {
  Log log;
  {
    auto* container = new CViewContainer(CRect(0, 0, 10, 10), nullptr);
    auto* v = new TestView(CRect(0, 0, 1, 1), "V", &log);
    container->addView(v);
    EXPECT_EQ(v->getNbReference(), 2);
    EXPECT_EQ(v->getParentView(), container);
    container->forget();
  }
  EXPECT_EQ(log.destroyed, 1);

  CViewContainer container(CRect(0, 0, 10, 10), nullptr);
  auto* a = new TestView(CRect(0, 0, 1, 1), "A", &log);
  auto* b = new TestView(CRect(0, 0, 1, 1), "B", &log);
  auto* c = new TestView(CRect(0, 0, 1, 1), "C", &log);
  container.addView(a), container.addView(b), container.addView(c);
  container.removeAll(true);
  EXPECT_EQ(log.destroyed, 4);
  EXPECT_EQ(container.getNbViews(), 0);
  EXPECT_EQ(container.getView(0), nullptr);
}

TEST(ViewOwnership, RemoveViewWithoutForgetKeepsCreatorsReference) {
  Log log;
  {
  CViewContainer container(CRect(0, 0, 10, 10), nullptr);
  auto* a = new TestView(CRect(0, 0, 1, 1), "A", &log);
  auto* b = new TestView(CRect(0, 0, 1, 1), "B", &log);
  auto* c = new TestView(CRect(0, 0, 1, 1), "C", &log);
  container.addView(a), container.addView(b), container.addView(c);
  container.removeView(b, false);
  EXPECT_EQ(b->getNbReference(), 1);
  EXPECT_EQ(log.events, (std::vector<std::string>{"removed B (still linked)"}));
  EXPECT_EQ(container.getNbViews(), 2);
  EXPECT_EQ(container.getView(1), c);
  container.removeView(b, true);  // not a child any more: nothing
  EXPECT_EQ(b->getNbReference(), 1);
  container.removeView(c, true);  // last link: the list's tail moves back
  container.addView(b);  // handed back: the container owns it again
  EXPECT_EQ(container.getView(1), b);
  EXPECT_EQ(log.destroyed, 1);
  }
  EXPECT_EQ(log.destroyed, 3);
}

TEST(ViewOwnership, SameBackgroundTwiceKeepsTheBitmap) {
  CFrame frame(CRect(0, 0, 1, 1), nullptr, nullptr);
  auto* bitmap = new CBitmap(frame, 2, 2);
  TestView view(CRect(0, 0, 1, 1), "V", nullptr);
  view.setBackground(bitmap);
  bitmap->forget();  // the view holds the only reference now
  view.setBackground(bitmap);
  ASSERT_EQ(view.getBackground(), bitmap);
  EXPECT_EQ(bitmap->getNbReference(), 1);
  EXPECT_EQ(bitmap->getWidth(), 2);
  view.setBackground(nullptr);
}

TEST(ViewRedraw, OnlyTheDirtyViewIsRepaintedWithItsBackground) {
  Log log;
  CBitmap* background = bitmapFrom(R"(
    bbbbbbbbbbbb
    bbbbbbbbbbbb
    bbbbbbbbbbbb
    bbbbbbbbbbbb
    bbbbbbbbbbbb
    bbbbbbbbbbbb
    gggggggggggg
    gggggggggggg
    gggggggggggg
    gggggggggggg
    gggggggggggg
    gggggggggggg)");
  Window window{12, 12, background};
  background->forget();
  auto* child = new TestView(CRect(4, 4, 8, 8), "child", &log);
  child->leftHalfOnly = true;
  child->setTransparency(true);
  auto* other = new TestView(CRect(0, 0, 2, 2), "other", &log, kYellowCColor);
  window.frame->addView(child);
  window.frame->addView(other);
  window.frame->draw(static_cast<CView*>(nullptr));
  EXPECT_FALSE(window.frame->isSomethingDirty());

  window.port.fillAll(0);  // anything repainted shows up again
  window.port.takeDirty();
  log.events.clear();
  child->setDirty(true);
  window.frame->idle();
  EXPECT_EQ(picture(window.port), trimPicture(R"(
    ............
    ............
    ............
    ............
    ....rrbb....
    ....rrbb....
    ....rrgg....
    ....rrgg....
    ............
    ............
    ............
    ............)"));
  EXPECT_EQ(log.events, (std::vector<std::string>{"draw child"}));
  EXPECT_EQ(window.port.dirty(), (oxel::platform::PortRect{4, 4, 8, 8}));
  EXPECT_FALSE(window.frame->isSomethingDirty());
}

TEST(ViewRedraw, IdleWaitsForTheFirstDraw) {
  Log log;
  Window window{4, 4};
  auto* v = new TestView(CRect(0, 0, 2, 2), "V", &log);
  window.frame->addView(v);
  window.frame->idle();
  EXPECT_TRUE(log.events.empty());
  window.frame->drawRect(nullptr, CRect(0, 0, 4, 4));
  v->setDirty(true);
  log.events.clear();
  window.frame->idle();
  EXPECT_EQ(log.events, (std::vector<std::string>{"draw V"}));
}

TEST(ViewRedraw, NestedContainerClipsChildrenWhereTheyAre) {
  Log log;
  Window window{10, 8};
  auto* c = new CViewContainer(CRect(2, 2, 9, 7), window.frame);
  c->setBackgroundColor(kBlueCColor);
  // A child that paints far beyond its own rectangle.
  class Spill : public CView {
   public:
    using CView::CView;
    void draw(CDrawContext* context) override {
      context->setFillColor(kRedCColor);
      context->drawRect(CRect(-10, -10, 20, 20), kDrawFilled);
      setDirty(false);
    }
  };
  c->addView(new Spill(CRect(1, 1, 3, 3)));
  window.frame->addView(c);
  window.frame->setBackgroundColor(kBlackCColor);
  window.frame->draw(static_cast<CView*>(nullptr));
  // The container's fillRect leaves its top row and left column.
  EXPECT_EQ(picture(window.port), trimPicture(R"(
    ..........
    ..........
    ..........
    ...rrbbbb.
    ...rrbbbb.
    ...bbbbbb.
    ...bbbbbb.
    ..........)"));
}

TEST(ViewRedraw, OffscreenContainerPartialRedrawUsesTheUpdateArea) {
  Log log;
  Window window{12, 10};
  auto* c = new CViewContainer(CRect(4, 2, 10, 8), window.frame);
  c->useOffscreen(true);
  c->setBackgroundColor(kBlueCColor);
  auto* a = new TestView(CRect(0, 0, 3, 3), "A", &log, kGreenCColor);
  auto* b = new TestView(CRect(3, 3, 6, 6), "B", &log, kRedCColor);
  c->addView(a);
  c->addView(b);
  window.frame->addView(c);
  window.frame->draw(static_cast<CView*>(nullptr));
  const std::string full = picture(window.port);

  window.port.fillAll(0);
  log.events.clear();
  b->setDirty(true);
  CDrawContext* context = window.context();
  c->update(context);
  context->forget();
  EXPECT_EQ(log.events, (std::vector<std::string>{"draw B"}));
  EXPECT_EQ(picture(window.port), trimPicture(R"(
    ............
    ............
    ............
    ............
    ............
    .......rrr..
    .......rrr..
    .......rrr..
    ............
    ............)"));
  // A full draw of the offscreen container copies the whole buffer (whose
  // background fill, like every fillRect, leaves the top row and left column).
  EXPECT_EQ(full, trimPicture(R"(
    ............
    ............
    ....ggg.....
    ....gggbbb..
    ....gggbbb..
    .....bbrrr..
    .....bbrrr..
    .....bbrrr..
    ............
    ............)"));
}

TEST(ViewThreads, DirtyFlagMayBeSetFromTheParameterThread) {
  // The editor marks views dirty from the host's parameter thread while the
  // user-interface thread reads the flags (ThreadSanitizer build).
  Log log;
  Window window{8, 8};
  auto* v = new TestView(CRect(0, 0, 4, 4), "V", &log);
  window.frame->addView(v);
  window.frame->draw(static_cast<CView*>(nullptr));
  std::thread parameters{[v] {
    for (int i = 0; i < 2000; ++i) v->setDirty(true);
  }};
  for (int i = 0; i < 2000; ++i) window.frame->idle();
  parameters.join();
  window.frame->idle();
  EXPECT_FALSE(window.frame->isSomethingDirty());
}
