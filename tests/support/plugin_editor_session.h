// The built plug-ins loaded as a host loads them, and their editors driven
// in memory through the hosts' own session helper (headless_editor.h), for
// the tests that check what an editor shows and which gestures reach the
// host.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "built_plugins.h"
#include "headless_editor.h"
#include "plugin_host.h"

// A new instance of the built plug-in `name` ("Pelrin", "Tavrel"); the
// library is loaded once per test program.
inline std::unique_ptr<oxel::PluginInstance> newBuiltPlugin(const std::string& name) {
  static std::map<std::string, std::shared_ptr<oxel::PluginLibrary>> libraries;
  auto& library = libraries[name];
  std::string error;
  if (!library) library = oxel::PluginLibrary::load(builtPluginPath(name), error);
  EXPECT_TRUE(library) << error;
  if (!library) return nullptr;
  auto instance = oxel::PluginInstance::create(library, error);
  EXPECT_TRUE(instance) << error;
  return instance;
}

// Opens the editor on a fresh record, plays the script to its end, returns
// what the window showed and closes the editor; the script must read and the
// window must go with the close.
inline std::vector<uint32_t> headlessPixels(oxel::PluginInstance& plugin, const std::string& script,
                                            oxel::HeadlessOptions options = {}) {
  options.script = script;
  oxel::HeadlessEditor editor{oxel::editorCallsOf(plugin.effect()), options};
  EXPECT_TRUE(editor.open());
  EXPECT_EQ(editor.record().scriptError, 0u);
  EXPECT_TRUE(editor.runScript());
  auto pixels = editor.picture().pixels;
  editor.close();
  EXPECT_EQ(editor.record().openWindows, 0u);
  return pixels;
}
