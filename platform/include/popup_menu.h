// Pop-up menus: the description a control hands to the window (items with
// check marks, separators, titles, greyed items, shortcut texts and
// cascading submenus), its layout, and its picture drawn with the raster and
// text of this layer. Both window back ends show the same picture: X11 in an
// override-redirect window, headless only on request (renderPopupMenu).
// Showing a menu and choosing from it is EditorWindow::popupMenu (window.h).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform.h"

namespace oxel::platform {

struct PopupItem {
  enum class Kind : uint8_t {
    normal,     // can be chosen
    separator,  // a line, never chosen
    title,      // a section header, never chosen
    disabled,   // shown greyed, never chosen
  };
  Kind kind{Kind::normal};
  std::string text;      // Mac OS Roman, shown as is
  std::string shortcut;  // shown right-aligned ("Ctrl+Shift+S"); empty for none
  bool checked{false};
  int32_t submenu{-1};  // index into PopupMenuTree::menus, -1 for none

  // Whether choosing the item ends the menu with it as the answer.
  bool choosable() const { return kind == Kind::normal && submenu < 0; }
  // Whether the highlight may rest on it (keyboard moves, hovering).
  bool selectable() const { return kind == Kind::normal; }
};

struct PopupMenuLevel {
  int32_t id{0};  // non-zero; the answer names the menu a choice came from
  std::vector<PopupItem> items;
};

// menus[0] pops up; the others are reached through items' submenu indexes
// (an index that is out of range, or that points back up the chain, is not
// followed).
struct PopupMenuTree {
  std::vector<PopupMenuLevel> menus;
};

struct PopupChoice {
  int32_t menuId{0};  // 0: the menu was dismissed
  int32_t item{0};    // 1-based item of that menu; 0 when dismissed
  bool operator==(const PopupChoice&) const = default;
};

// Layout of one menu level, in pixels from its top-left corner. Menus are
// laid out and drawn at a screen density (1..3): every length is that many
// times the 1x one and the text is set at that many times its size.
struct PopupLayout {
  int32_t width{0};
  int32_t height{0};
  std::vector<int32_t> itemTop;  // top of every item, plus one entry for the bottom
  // The item at y (from the menu's top), -1 outside every item.
  int32_t itemAt(int32_t y) const;
};
PopupLayout layoutPopupMenu(const PopupMenuLevel& menu, int32_t scale = 1);

// Draws a menu level into port at (x, y) with item `highlighted` (0-based,
// -1 for none) lit.
void drawPopupMenu(PixelPort& port, int32_t x, int32_t y, const PopupMenuLevel& menu,
                   int32_t highlighted, int32_t scale = 1);
// The same, alone in a port of its own size.
std::unique_ptr<PixelPort> renderPopupMenu(const PopupMenuLevel& menu, int32_t highlighted,
                                           int32_t scale = 1);

// The choice named by a path of 0-based item indexes, root first: every
// step but the last must be an item with a submenu, the last a choosable
// item; anything else (or an empty path) is a dismissal.
PopupChoice choosePopupPath(const PopupMenuTree& tree, const int16_t* path, int depth);

// Keyboard and pointer navigation shared by the back ends: the open levels
// (root first), the highlighted item of each, and what a key does.
class PopupNavigator {
 public:
  struct Level {
    int32_t menu{0};        // index into the tree
    int32_t highlighted{-1};
    int32_t x{0}, y{0};     // screen position of the level
    PopupLayout layout;
  };
  enum class Key : uint8_t { up, down, left, right, enter, escape };
  enum class Outcome : uint8_t { none, changed, chosen, dismissed };

  // Positions and layouts in screen pixels at `scale`.
  PopupNavigator(const PopupMenuTree& tree, int32_t x, int32_t y, PortRect screen,
                 int32_t scale = 1);
  int32_t scale() const { return scale_; }

  const std::vector<Level>& levels() const { return levels_; }
  PopupChoice choice() const { return choice_; }
  Outcome key(Key k);
  // The pointer moved to (x, y) on the screen: highlight what is under it,
  // opening a submenu under the pointer, closing levels it left.
  Outcome pointerAt(int32_t x, int32_t y);
  // A button went down at (x, y): outside every level it dismisses the
  // menu; inside it arms the next release.
  Outcome press(int32_t x, int32_t y);
  // A button went up at (x, y): chooses a choosable item under it, once the
  // pointer has moved or pressed since the menu opened (the release of the
  // click that opened the menu chooses nothing).
  Outcome release(int32_t x, int32_t y);
  // Whether (x, y) lies on one of the open levels.
  bool inside(int32_t x, int32_t y) const;

 private:
  void openSubmenu(size_t level, bool highlightFirst);
  void closeAbove(size_t level);
  bool validSubmenu(int32_t index) const;
  Outcome choose(size_t level, int32_t item);

  const PopupMenuTree& tree_;
  PortRect screen_;
  int32_t scale_{1};
  std::vector<Level> levels_;
  PopupChoice choice_{};
  bool armed_{false};
};

}  // namespace oxel::platform
