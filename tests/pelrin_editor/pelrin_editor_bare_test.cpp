// Pelrin's editor with none of its pictures (no files, nothing compiled in):
// the window still has the layout's size, every knob still turns, the slider
// without travel ignores the mouse, and a click on the title opens no
// invisible about picture that would swallow the clicks.
#include <gtest/gtest.h>

#include "pelrin_rig.h"

namespace editortest {
namespace {

TEST(PelrinEditorWithoutPictures, StaysUsable) {
  PelrinRig rig{"click 93 7\nwait 50\nclick 92 72\nwait 50\nclick 100 200\nwait 50\ndrag 40 200 150 200\n"};
  EXPECT_FALSE(rig.editor->getBitmap(128)->isLoaded());
  ERect* r = nullptr;
  rig.editor->getRect(&r);
  EXPECT_EQ(r->right - r->left, RazOruRerora::kFallbackWidth);
  EXPECT_EQ(r->bottom - r->top, RazOruRerora::kFallbackHeight);
  rig.open();
  EXPECT_EQ(rig.parent.record.width, RazOruRerora::kFallbackWidth);
  rig.play();
  EXPECT_FALSE(rig.editor->getAboutScreen()->isOpen());
  EXPECT_EQ(rig.editor->getFrame()->getModalView(), nullptr);
  EXPECT_NEAR(rig.plugin->getParameter(0), 0.25f, 1e-5f);  // the knob after the title click
  EXPECT_EQ(rig.plugin->getParameter(3), 0.5f);
  EXPECT_EQ(rig.text(0), "270.00");
  rig.plugin->setParameter(0, 7.0f);
  rig.plugin->setParameter(3, -3.0f);
  rig.editor->idle();
  ERect area{0, 0, 240, 224};
  rig.editor->draw(&area);
}

}  // namespace
}  // namespace editortest
