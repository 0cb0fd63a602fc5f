// The test plug-in's editor through the plug-in's entry point, headless, as
// oxel shot drives it: a scripted drag is one gesture on the host (begin,
// automates, end), a control without a parameter never reaches the host,
// reopening repeats it, the picture after the drag is the picture of the
// same value set by the host, a host that skips the close request leaks
// nothing, and 100 open/close cycles run beside a busy audio thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform.h"
#include "plugin_support.h"

namespace editortest {
namespace {

constexpr const char* kDrag =
    "press 40 40\nwait 50\nmove 80 40\nwait 50\nmove 140 40\nwait 50\nrelease 140 40\n";

TEST(PluginEditor, ScriptedDragIsOneGestureEachTimeAndDrawsLikeTheHostsValue) {
  auto instance = newInstance();
  ASSERT_TRUE(instance);
  ASSERT_TRUE(instance->effect()->flags & effFlagsHasEditor);
  std::vector<uint32_t> first;
  for (int round = 0; round < 2; ++round) {
    instance->setParameter(0, 0.25f);
    instance->clearRequests();
    const auto pixels = headlessShot(*instance, kDrag);
    expectOneGesture(editRequests(*instance), 0, 0.125f, 0.75f);
    EXPECT_FLOAT_EQ(instance->parameter(0), 0.75f);
    if (round == 0)
      first = pixels;
    else
      EXPECT_EQ(pixels, first);
  }
  // The same value set by the host, no input: the same picture.
  auto other = newInstance();
  other->setParameter(0, 0.75f);
  EXPECT_EQ(headlessShot(*other, ""), first);
  other->setParameter(0, 0.25f);
  EXPECT_NE(headlessShot(*other, ""), first);
}

TEST(PluginEditor, ControlWithoutAParameterNeverReachesTheHost) {
  auto instance = newInstance();
  instance->clearRequests();
  headlessShot(*instance, "press 40 62\nwait 50\nmove 120 62\nwait 50\nrelease 120 62\n");
  EXPECT_TRUE(editRequests(*instance).empty());
}

TEST(PluginEditor, HostParameterChangeWhileOpenIsDrawnAtIdle) {
  auto instance = newInstance();
  instance->setParameter(0, 0.75f);
  const auto target = headlessShot(*instance, "");
  instance->setParameter(0, 0.0f);
  HeadlessParent parent;
  instance->dispatch(effEditOpen, 0, 0, &parent.record);
  instance->dispatch(effEditIdle);
  std::thread setter([&] { instance->setParameter(0, 0.75f); });
  setter.join();
  instance->dispatch(effEditIdle);
  EXPECT_EQ(parent.pixels(), target);
  instance->dispatch(effEditClose);
}

TEST(PluginEditor, HostSkippingCloseLeavesNoWindow) {
  HeadlessParent parent;
  {
    auto instance = newInstance();
    instance->dispatch(effEditOpen, 0, 0, &parent.record);
    instance->dispatch(effEditIdle);
    ASSERT_EQ(parent.record.openWindows, 1u);
  }  // effClose without effEditClose
  EXPECT_EQ(parent.record.openWindows, 0u);
}

TEST(PluginEditor, HostsThatMisuseTheWindowRequestsDoNoHarm) {
  auto instance = newInstance();
  // Opened twice without a close: the first window goes.
  HeadlessParent first, second;
  instance->dispatch(effEditOpen, 0, 0, &first.record);
  instance->dispatch(effEditOpen, 0, 0, &second.record);
  EXPECT_EQ(first.record.openWindows, 0u);
  EXPECT_EQ(second.record.openWindows, 1u);
  instance->dispatch(effEditClose);
  instance->dispatch(effEditClose);
  EXPECT_EQ(second.record.openWindows, 0u);
  // No parent, a record of another version, or no record at all: an editor
  // without a window.
  HeadlessParent stale;
  stale.record.version = 99;
  // Ids of no X window, which are never read as a record.
  void* windowIds[] = {reinterpret_cast<void*>(uintptr_t{0x3a00007}), reinterpret_cast<void*>(uintptr_t{0x3a00000})};
  for (void* parent : {static_cast<void*>(nullptr), static_cast<void*>(&stale.record), windowIds[0], windowIds[1]}) {
    instance->clearRequests();
    instance->dispatch(effEditOpen, 0, 0, parent);
    instance->dispatch(effEditIdle);
    instance->dispatch(effEditDraw);
    VstKeyCode key{0, 13, 0};
    instance->dispatch(effEditKeyDown, key.character, key.virt, nullptr, 0.0f);
    instance->dispatch(effEditClose);
    EXPECT_EQ(stale.record.openWindows, 0u);
  }
  // Idle and close with nothing open.
  instance->dispatch(effEditIdle);
  instance->dispatch(effEditClose);
}

TEST(PluginEditor, OpenCloseHundredTimesBesideTheAudioThread) {
  auto instance = newInstance();
  instance->resume();
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    std::vector<float> in(64, 0.5f), out(64);
    float* ins[] = {in.data()};
    float* outs[] = {out.data()};
    while (!stop.load(std::memory_order_relaxed)) instance->processReplacing(ins, outs, 64);
  });
  for (int i = 0; i < 100; ++i) {
    HeadlessParent parent{i % 10 == 0 ? kDrag : ""};
    instance->dispatch(effEditOpen, 0, 0, &parent.record);
    for (int k = 0; k < (i % 10 == 0 ? 40 : 2); ++k) instance->dispatch(effEditIdle);
    instance->dispatch(effEditClose);
    ASSERT_EQ(parent.record.openWindows, 0u);
  }
  stop = true;
  audio.join();
}

TEST(OxelShot, WritesTheEditorAndPrintsTheGesture) {
  const std::string dir = ::testing::TempDir();
  const std::string script = dir + "/editor_drag.txt";
  const std::string png = dir + "/editor_drag.png";
  std::ofstream{script} << kDrag;
  std::string out;
  const std::string oxel = std::string{OXEL_BINARY_DIR} + "/bin/oxel";
  ASSERT_EQ(runCommand(oxel + " shot " EDITOR_TEST_PLUGIN " " + png + " --script " + script + " --log", out), 0)
      << out;
  EXPECT_EQ(out.rfind("beginEdit index=0\nautomate index=0 value=0.125\n", 0), 0u) << out;
  EXPECT_NE(out.find("automate index=0 value=0.75\nendEdit index=0\n"), std::string::npos) << out;
  auto picture = oxel::platform::decodeImageFile(png);
  ASSERT_TRUE(picture);
  auto instance = newInstance();
  instance->setParameter(0, 0.75f);
  const auto expected = headlessShot(*instance, "");
  ASSERT_EQ(picture->width() * picture->height(), static_cast<int32_t>(expected.size()));
  for (int32_t y = 0; y < picture->height(); ++y)
    for (int32_t x = 0; x < picture->width(); ++x)
      ASSERT_EQ(picture->get(x, y) & 0xFFFFFF, expected[static_cast<size_t>(y * picture->width() + x)]) << x << "," << y;

  // Bad input: an unreadable script line, a missing plug-in.
  std::ofstream{script} << "press 1\n";
  EXPECT_EQ(runCommand(oxel + " shot " EDITOR_TEST_PLUGIN " " + png + " --script " + script, out), 3) << out;
  EXPECT_NE(out.find("line 1"), std::string::npos) << out;
  EXPECT_EQ(runCommand(oxel + " shot /nonexistent/None.so " + png, out), 4) << out;
}

}  // namespace
}  // namespace editortest
