// Both plug-ins through their entry points (LXVST and the LV2 UI), headless,
// with one allocation made to fail: each allocation of an editor open, of a
// dispatcher request with the editor open, of building an instance and of an
// LV2 UI instantiation in turn. Nothing is thrown to the host, a failed open or instantiation
// leaves no window behind, and the same instance then opens and draws the
// editor exactly as a fresh one does. This program replaces operator new;
// the plug-ins' own allocations come here too (the executable's definition
// wins over the C++ library's).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/ui/ui.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "plugin_editor_session.h"

namespace {

// Allocations still allowed before the one that fails; negative: none fails.
long gAllowed = -1;
long gMade = 0;

void* allocate(std::size_t size) {
  ++gMade;
  if (gAllowed == 0) {
    gAllowed = -1;
    throw std::bad_alloc{};
  }
  if (gAllowed > 0) --gAllowed;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc{};
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
// What a nothrow new-expression calls when the constructor throws.
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

// Runs work with its allocation number `failing` (from 0) failing; true when
// work made that many allocations, so the failure happened.
template <class Work>
bool withFailingAllocation(long failing, Work&& work) {
  gMade = 0;
  gAllowed = failing;
  work();
  gAllowed = -1;
  return gMade > failing;
}

struct Headless {
  std::vector<uint32_t> pixels() const {
    if (!record.pixels) return {};
    return {record.pixels,
            record.pixels + static_cast<size_t>(record.width) * static_cast<size_t>(record.height)};
  }
  OxelHeadlessParent record{oxel::headlessRecord()};
};

std::unique_ptr<oxel::PluginInstance> newInstance(const std::string& name) {
  return newBuiltPlugin(name);
}

// What the editor shows once opened and idled three times, then closed again.
std::vector<uint32_t> editorPicture(oxel::PluginInstance& plugin) {
  oxel::HeadlessOptions options;
  options.drawAfterOpen = false;
  options.settleIdles = 2;  // and the one that finishes the empty script
  oxel::HeadlessEditor window{oxel::editorCallsOf(plugin.effect()), options};
  window.open();
  window.runScript();
  return window.picture().pixels;
}

const char* const kPlugins[] = {"Pelrin", "Tavrel"};

TEST(FailedAllocation, AnOpenThatFailsLeavesNoWindowAndTheNextOpenDrawsTheEditor) {
  for (const char* name : kPlugins) {
    SCOPED_TRACE(name);
    auto plugin = newInstance(name);
    ASSERT_TRUE(plugin);
    const auto fresh = editorPicture(*newInstance(name));
    ASSERT_FALSE(fresh.empty());
    int failedOpens = 0;
    bool hit = true;
    for (long failing = 0; hit; ++failing) {
      SCOPED_TRACE("allocation " + std::to_string(failing));
      Headless window;
      VstIntPtr opened = -1;
      hit = withFailingAllocation(failing, [&] {
        EXPECT_NO_THROW(opened = plugin->dispatch(effEditOpen, 0, 0, &window.record));
      });
      if (opened == 0) {
        ++failedOpens;
        EXPECT_EQ(window.record.openWindows, 0u) << "a failed open left its window";
        EXPECT_EQ(window.record.pixels, nullptr);
      } else {
        EXPECT_EQ(opened, 1);
        EXPECT_EQ(window.record.openWindows, 1u);
      }
      plugin->dispatch(effEditClose);
      EXPECT_EQ(window.record.openWindows, 0u);
      ASSERT_EQ(editorPicture(*plugin), fresh);
    }
    EXPECT_GT(failedOpens, 10) << "the failures did not reach the open";
  }
}

TEST(FailedAllocation, RequestsToAnOpenEditorAnswerAndLeaveItWorking) {
  struct Request {
    const char* what;
    VstInt32 opcode;
    bool hostValueFirst;  // a host value waits for the idle to draw it
  };
  const Request requests[] = {
      {"draw", effEditDraw, false},
      {"idle that redraws", effEditIdle, true},
  };
  for (const char* name : kPlugins) {
    for (const Request& r : requests) {
      SCOPED_TRACE(std::string{name} + ", " + r.what);
      auto plugin = newInstance(name);
      ASSERT_TRUE(plugin);
      plugin->setParameter(0, 0.5f);
      const auto expected = editorPicture(*plugin);
      plugin->setParameter(0, 0.0f);
      Headless window;
      ASSERT_EQ(plugin->dispatch(effEditOpen, 0, 0, &window.record), 1);
      plugin->dispatch(effEditIdle);
      ERect all{0, 0, static_cast<int16_t>(window.record.height),
                static_cast<int16_t>(window.record.width)};
      long failing = 0;
      for (bool hit = true; hit; ++failing) {
        if (r.hostValueFirst) plugin->setParameter(0, failing % 2 ? 0.5f : 0.0f);
        hit = withFailingAllocation(failing, [&] {
          EXPECT_NO_THROW(
              plugin->dispatch(r.opcode, 0, 0, r.opcode == effEditDraw ? &all : nullptr));
        });
        EXPECT_EQ(window.record.openWindows, 1u);
      }
      EXPECT_GT(failing, 1) << "the request made no allocation";
      plugin->setParameter(0, 0.5f);
      plugin->dispatch(effEditIdle);
      plugin->dispatch(effEditDraw, 0, 0, &all);
      EXPECT_EQ(window.pixels(), expected);
      plugin->dispatch(effEditClose);
    }
  }
}

VstIntPtr versionOnlyHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(FailedAllocation, AnInstanceThatCannotBeBuiltIsNullAndTheNextOneWorks) {
  for (const char* name : kPlugins) {
    SCOPED_TRACE(name);
    void* library = dlopen(builtPluginPath(name).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(library, nullptr) << dlerror();
    auto entry =
        reinterpret_cast<AEffect* (*)(audioMasterCallback)>(dlsym(library, "VSTPluginMain"));
    ASSERT_NE(entry, nullptr);
    int failed = 0;
    bool hit = true;
    for (long failing = 0; hit; ++failing) {
      SCOPED_TRACE("allocation " + std::to_string(failing));
      AEffect* effect = nullptr;
      hit =
          withFailingAllocation(failing, [&] { EXPECT_NO_THROW(effect = entry(versionOnlyHost)); });
      if (!effect) {
        ++failed;
        continue;
      }
      EXPECT_EQ(effect->magic, kEffectMagic);
      effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    }
    EXPECT_GT(failed, 3) << "the failures did not reach the construction";
    dlclose(library);
  }
}

TEST(FailedAllocation, AnLv2UiThatCannotBeBuiltIsNullAndLeavesNoWindow) {
  for (const char* name : kPlugins) {
    SCOPED_TRACE(name);
    const std::string bundle = std::string{OXEL_BINARY_DIR} + "/lv2/" + name + ".lv2/";
    void* library =
        dlopen((bundle + name + "_lv2ui.so").c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    ASSERT_NE(library, nullptr) << dlerror();
    auto entry = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
    ASSERT_NE(entry, nullptr);
    const LV2UI_Descriptor* ui = entry(0);
    auto* idle =
        static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);
    const std::string uri = std::string{"urn:oxel:"} + (name[0] == 'P' ? "pelrin" : "tavrel");
    auto write = [](LV2UI_Controller, uint32_t, uint32_t, uint32_t, const void*) {};
    int failed = 0;
    bool hit = true;
    for (long failing = 0; hit; ++failing) {
      SCOPED_TRACE("allocation " + std::to_string(failing));
      Headless window;
      const LV2_Feature parent{LV2_UI__parent, &window.record};
      const LV2_Feature* features[] = {&parent, nullptr};
      LV2UI_Handle handle = nullptr;
      LV2UI_Widget widget = nullptr;
      hit = withFailingAllocation(failing, [&] {
        EXPECT_NO_THROW(handle = ui->instantiate(ui, uri.c_str(), bundle.c_str(), write, nullptr,
                                                 &widget, features));
      });
      if (!handle) {
        ++failed;
        EXPECT_EQ(window.record.openWindows, 0u) << "a failed instantiation left its window";
        continue;
      }
      const float value = 90.0f;
      withFailingAllocation(
          0, [&] { EXPECT_NO_THROW(ui->port_event(handle, 6, sizeof value, 0, &value)); });
      withFailingAllocation(0, [&] { EXPECT_NO_THROW(idle->idle(handle)); });
      ui->cleanup(handle);
      EXPECT_EQ(window.record.openWindows, 0u);
    }
    EXPECT_GT(failed, 10) << "the failures did not reach the instantiation";
    dlclose(library);
  }
}

}  // namespace
