// oxel shot: opens a plug-in's editor with the headless window back end,
// optionally plays an input script on it, and writes what the window shows
// to a PNG. The plug-in's own platform layer draws: oxel only passes an
// OxelHeadlessParent record as the parent window (headless_editor.h) and
// reads the record's pixels back.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "argument_reader.h"
#include "commands.h"
#include "editor_requests.h"
#include "headless_editor.h"
#include "parameter_resolver.h"
#include "platform.h"
#include "plugin_open.h"
#include "text_parse.h"

namespace oxel {

namespace {

constexpr const char* kShotHelp =
    "usage: oxel shot PLUGIN OUT.png [--set NAME=VALUE ...] [--script FILE] [--scale N] [--log]\n"
    "\n"
    "Renders the plug-in's editor without a display and writes it to OUT.png.\n"
    "  --set NAME=VALUE  set a parameter before the editor opens (0..1, or a\n"
    "                    number with the parameter's unit, as in 'oxel render')\n"
    "  --script FILE     play mouse and key input on the editor first; one step a\n"
    "                    line: press X Y [shift|ctrl|alt|super] [button N],\n"
    "                    release X Y, move X Y [MODS], click X Y, wheel up|down\n"
    "                    X Y, key NAME, wait MS, drag X1 Y1 X2 Y2 [MODS]\n"
    "                    [steps N] ('#' starts a comment)\n"
    "  --scale N         draw at N times the size for denser screens (1, 2 or 3;\n"
    "                    otherwise OXEL_UI_SCALE, else 1); script positions are\n"
    "                    then the picture's own pixels\n"
    "  --log             print the host requests the editor makes (automate,\n"
    "                    beginEdit, endEdit, ...) on standard output\n";

void printRequest(void* context, const HostRequest& request) {
  if (!context || !isEditorRequest(request)) return;
  std::printf("%s\n", describeHostRequest(request).c_str());
  std::fflush(stdout);
}

// The input script's text, or empty without --script; kExitOk or the status.
int readScript(const std::string& path, std::string& script) {
  if (path.empty()) return kExitOk;
  std::ifstream in{path};
  if (!in) return fail(kExitBadInput, "shot: cannot read script " + path);
  std::ostringstream text;
  text << in.rdbuf();
  script = text.str();
  return kExitOk;
}

// The --set values, worked out on a second instance and set on the plug-in.
int applySettings(const std::shared_ptr<PluginLibrary>& library, PluginInstance& plugin,
                  const std::vector<ParameterSetting>& settings, std::string& error) {
  if (settings.empty()) return kExitOk;
  auto probe = PluginInstance::create(library, error);
  if (!probe) return fail(kExitNoPlugin, error);
  ParameterResolver resolver{*probe};
  std::vector<ParameterValue> values;
  if (!resolver.settings("", settings, values, error)) return fail(kExitBadInput, "shot: " + error);
  for (const ParameterValue& v : values) plugin.setParameter(v.index, v.value);
  return kExitOk;
}

// The plug-in must have an editor, and the editor a size.
int checkEditor(PluginInstance& plugin) {
  if (!(plugin.effect()->flags & effFlagsHasEditor))
    return fail(kExitFailure, "shot: the plug-in has no editor");
  ERect* rect = nullptr;
  plugin.dispatch(effEditGetRect, 0, 0, &rect);
  if (!rect || rect->right - rect->left <= 0 || rect->bottom - rect->top <= 0)
    return fail(kExitFailure, "shot: the editor reports no size");
  return kExitOk;
}

void copyPicture(const HeadlessPicture& shown, oxel::platform::PixelPort& picture) {
  for (int32_t y = 0; y < shown.height; ++y)
    for (int32_t x = 0; x < shown.width; ++x) picture.set(x, y, shown.at(x, y));
}

}  // namespace

int runShot(const Args& args) {
  std::vector<std::string> positional;
  std::vector<ParameterSetting> settings;
  std::string scriptPath;
  bool log = false;
  int scale = 0;
  ArgumentReader reader{"shot", kShotHelp};
  reader.custom("--set", "NAME=VALUE", collectParameterSetting(settings))
      .text("--script", "a file", scriptPath)
      .integer("--scale", 1, 3, "", scale)
      .flag("--log", log)
      .positionals("PLUGIN OUT.png", 2, 2, positional);
  if (const int status = reader.read(args); status != kExitOk || reader.helpShown()) return status;

  std::string script;
  if (const int status = readScript(scriptPath, script); status != kExitOk) return status;

  // The plug-in reads this when its editor opens.
  if (scale > 0) ::setenv("OXEL_UI_SCALE", std::to_string(scale).c_str(), 1);

  std::string error;
  auto library = openPluginLibrary(positional[0], error);
  auto plugin = library ? PluginInstance::create(library, error) : nullptr;
  if (!plugin) return fail(kExitNoPlugin, error);
  if (const int status = applySettings(library, *plugin, settings, error); status != kExitOk)
    return status;
  if (const int status = checkEditor(*plugin); status != kExitOk) return status;

  HeadlessOptions options;
  options.script = script;
  int observed = 0;
  if (log) plugin->setRequestObserver(printRequest, &observed);
  HeadlessEditor editor{editorCallsOf(plugin->effect()), options};
  if (!editor.open()) return fail(kExitFailure, "shot: the editor opened no window");
  if (const uint32_t line = editor.record().scriptError; line != 0)
    return fail(kExitBadInput,
                "shot: cannot read line " + std::to_string(line) + " of " + scriptPath);
  editor.runScript();
  const HeadlessPicture shown = editor.picture();
  oxel::platform::PixelPort picture{shown.width, shown.height};
  copyPicture(shown, picture);
  editor.close();
  plugin->setRequestObserver(nullptr, nullptr);
  if (!oxel::platform::writePng(picture, positional[1]))
    return fail(kExitFailure, "shot: cannot write " + positional[1]);
  return kExitOk;
}

}  // namespace oxel
