// Helpers for driving the test plug-in's editor through its entry point.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "headless_editor.h"
#include "plugin_host.h"

namespace editortest {

std::shared_ptr<oxel::PluginLibrary> testPlugin();
std::unique_ptr<oxel::PluginInstance> newInstance();
// The host log without host-idle requests.
std::vector<oxel::HostRequest> editRequests(const oxel::PluginInstance& instance);
// Checks the log holds exactly one gesture on parameter `index`: begin, one
// or more automates with non-decreasing values ending at `last`, end.
void expectOneGesture(const std::vector<oxel::HostRequest>& log, VstInt32 index, float first, float last);

struct HeadlessParent {
  explicit HeadlessParent(std::string script = {}, uint32_t idleStepMs = 33);
  std::string text;
  OxelHeadlessParent record;
  std::vector<uint32_t> pixels() const;
};

// Opens the editor headless, draws, plays the script, returns what the
// window showed, and closes the editor.
std::vector<uint32_t> headlessShot(oxel::PluginInstance& instance, const std::string& script);

// Output of a shell command and its exit status.
int runCommand(const std::string& command, std::string& output);

}  // namespace editortest
