// The host sets Pelrin's parameters from its own thread while the user-
// interface thread opens, idles, draws and closes the editor: the editor
// only records values there, so nothing races (run under ThreadSanitizer)
// and the controls end at the last value.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "pelrin_rig.h"

namespace editortest {
namespace {

TEST(PelrinEditorThreads, HostParametersFromAnotherThreadWhileTheEditorOpensDrawsAndCloses) {
  PelrinRig rig;
  std::atomic<bool> stop{false};
  std::thread automation([&] {
    for (uint32_t i = 0; !stop.load(); ++i)
      rig.plugin->setParameter(static_cast<VstInt32>(i % 5), static_cast<float>(i % 100) / 100.0f);
  });
  for (int cycle = 0; cycle < 40; ++cycle) {
    rig.open();
    for (int i = 0; i < 3; ++i) rig.editor->idle();
    ERect area{0, 0, 240, 224};
    rig.editor->draw(&area);
    rig.editor->close();
    rig.editor->idle();
  }
  stop = true;
  automation.join();
  rig.plugin->setParameter(2, 0.75f);
  rig.open();
  rig.editor->idle();
  EXPECT_EQ(rig.editor->getKnob(2)->getValue(), 0.75f);
  EXPECT_EQ(rig.text(2), "270.00");
}

}  // namespace
}  // namespace editortest
