// oxel gallery: the toolkit's control gallery drawn without a display and
// written to a PNG: every control of the family on one frame, the about
// picture open, the meters showing a moment of their test signal, and the
// option menu's pop-up open over it with its submenu cascaded (the pop-up is
// drawn as the X11 back end shows it). Needs no X display.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "COptionMenu.h"
#include "GalleryEditor.h"
#include "GalleryEffect.h"
#include "argument_reader.h"
#include "commands.h"
#include "headless_editor.h"
#include "platform.h"
#include "popup_menu.h"

namespace oxel {

namespace {

constexpr const char* kGalleryHelp =
    "usage: oxel gallery OUT.png [--closed] [--scale N]\n"
    "\n"
    "Draws the control gallery (knobs, slider, switch, display, option menu,\n"
    "level meters, movie buttons, about picture) without a display and writes it\n"
    "to OUT.png, with the option menu's pop-up and the about picture open.\n"
    "'oxel edit --gallery' shows the same gallery in a window.\n"
    "  --closed   leave the pop-up and the about picture closed\n"
    "  --scale N  draw at N times the size (1, 2 or 3; otherwise OXEL_UI_SCALE)\n";

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
  return opcode == audioMasterVersion ? 2400 : 0;
}

// Draws the pop-up as it opens under the menu, with the submenu entry lit
// and its submenu cascaded beside it.
void drawOpenMenu(COptionMenu& menu, platform::PixelPort& port, int32_t scale) {
  int32_t offset = 0;
  const platform::PopupMenuTree* tree = menu.appendItems(offset);
  const CRect& r = menu.getViewSize();
  platform::PopupNavigator nav{*tree, r.left * scale, r.bottom * scale, port.bounds(), scale};
  const auto& items = tree->menus.front().items;
  for (size_t i = 0; i < items.size(); ++i) {
    nav.key(platform::PopupNavigator::Key::down);
    if (nav.levels().front().highlighted >= 0 && items[static_cast<size_t>(nav.levels().front().highlighted)].submenu >= 0)
      break;
  }
  nav.key(platform::PopupNavigator::Key::right);
  nav.key(platform::PopupNavigator::Key::down);
  for (const auto& level : nav.levels())
    platform::drawPopupMenu(port, level.x, level.y, tree->menus[static_cast<size_t>(level.menu)],
                            level.highlighted, scale);
  menu.removeItems();
}

}  // namespace

int runGallery(const Args& args) {
  bool closed = false;
  int scale = 0;
  std::vector<std::string> positional;
  ArgumentReader reader{"gallery", kGalleryHelp};
  reader.flag("--closed", closed)
      .integer("--scale", 1, 3, "", scale)
      .positionals("OUT.png", 1, 1, positional);
  if (const int status = reader.read(args); status != kExitOk || reader.helpShown()) return status;
  const std::string& out = positional[0];

  // The gallery's window draws into memory (a headless record as its
  // parent); oxel reads what it shows.
  if (scale > 0) ::setenv("OXEL_UI_SCALE", std::to_string(scale).c_str(), 1);
  GalleryEffect effect{quietHost};
  auto* editor = static_cast<GalleryEditor*>(effect.getEditor());
  editor->setLiveSignal(false);
  // The scale the editor takes at a headless open: no desktop is asked.
  const int32_t s = platform::chooseEditorScale(0, false);

  // A click on the about hot spot opens the about picture (the script is in
  // the window's device pixels).
  HeadlessOptions options;
  options.script =
      closed ? ""
             : "click " + std::to_string(800 * s) + " " + std::to_string(14 * s) + "\nwait 40\n";
  options.idleStepMs = 20;
  options.drawAfterOpen = false;
  HeadlessEditor session{editorCallsOf(effect.getAeffect()), options};
  session.open();
  session.runScript();
  const HeadlessPicture shown = session.picture();
  if (shown.width <= 0 || shown.height <= 0)
    return fail(kExitFailure, "gallery: the gallery's window did not open");
  platform::PixelPort picture{shown.width, shown.height};
  for (int32_t y = 0; y < shown.height; ++y)
    for (int32_t x = 0; x < shown.width; ++x) picture.set(x, y, shown.at(x, y));
  if (!closed && editor->getOptionMenu()) drawOpenMenu(*editor->getOptionMenu(), picture, s);
  session.close();
  if (!platform::writePng(picture, out)) return fail(kExitFailure, "gallery: cannot write " + out);
  std::printf("%s %dx%d\n", out.c_str(), picture.width(), picture.height());
  return kExitOk;
}

}  // namespace oxel
