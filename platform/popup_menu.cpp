// Layout, picture and navigation of pop-up menus (popup_menu.h).
#include "popup_menu.h"

#include <algorithm>
#include <cstdlib>

namespace oxel::platform {

namespace {

constexpr int32_t kFontSize = 12;
constexpr int32_t kItemHeight = 18;
constexpr int32_t kSeparatorHeight = 7;
constexpr int32_t kPadding = 3;        // above the first and below the last item
constexpr int32_t kCheckColumn = 20;   // left of the text: check marks
constexpr int32_t kArrowColumn = 16;   // right of the text: submenu arrows
constexpr int32_t kShortcutGap = 24;   // between the text and its shortcut
constexpr int32_t kMinimumWidth = 72;

constexpr Pixel kBackground = makePixel(40, 44, 52);
constexpr Pixel kBorder = makePixel(98, 104, 116);
constexpr Pixel kText = makePixel(228, 230, 234);
constexpr Pixel kGreyed = makePixel(116, 121, 130);
constexpr Pixel kTitle = makePixel(146, 168, 196);
constexpr Pixel kShortcut = makePixel(150, 155, 165);
constexpr Pixel kSeparator = makePixel(70, 75, 86);
constexpr Pixel kHighlight = makePixel(56, 104, 164);
constexpr Pixel kHighlightText = makePixel(255, 255, 255);

const Font* menuFont(int32_t scale) { return loadFont(FontFamily::sans, kFontSize * scale, 0); }

int32_t rowHeight(const PopupItem& item) {
  return item.kind == PopupItem::Kind::separator ? kSeparatorHeight : kItemHeight;
}

void fill(PixelPort& port, PortRect r, Pixel colour) {
  PenState pen;
  pen.foreground = colour;
  paintRect(port, pen, r);
}

void line(PixelPort& port, int32_t x0, int32_t y0, int32_t x1, int32_t y1, Pixel colour, int32_t width = 1) {
  PenState pen;
  pen.foreground = colour;
  pen.width = width;
  pen.height = width;
  strokeLine(port, pen, x0, y0, x1, y1);
}

void drawCheck(PixelPort& port, int32_t x, int32_t middle, Pixel colour, int32_t s) {
  line(port, x + 5 * s, middle, x + 8 * s, middle + 3 * s, colour, 2 * s);
  line(port, x + 8 * s, middle + 3 * s, x + 13 * s, middle - 4 * s, colour, 2 * s);
}

void drawArrow(PixelPort& port, int32_t right, int32_t middle, Pixel colour, int32_t s) {
  const int32_t left = right - 11 * s;
  for (int32_t dy = -4; dy <= 4; ++dy) {
    const int32_t length = 5 - std::abs(dy);
    fill(port, {left, middle + dy * s, left + length * s, middle + (dy + 1) * s}, colour);
  }
}

}  // namespace

int32_t PopupLayout::itemAt(int32_t y) const {
  for (size_t i = 0; i + 1 < itemTop.size(); ++i)
    if (y >= itemTop[i] && y < itemTop[i + 1]) return static_cast<int32_t>(i);
  return -1;
}

PopupLayout layoutPopupMenu(const PopupMenuLevel& menu, int32_t scale) {
  const int32_t s = clampScale(scale);
  PopupLayout layout;
  const Font* font = menuFont(s);
  int32_t textWidth = 0;
  int32_t shortcutWidth = 0;
  int32_t y = kPadding * s;
  for (const PopupItem& item : menu.items) {
    layout.itemTop.push_back(y);
    y += rowHeight(item) * s;
    if (item.kind == PopupItem::Kind::separator) continue;
    textWidth = std::max(textWidth, platform::textWidth(font, item.text));
    if (!item.shortcut.empty()) shortcutWidth = std::max(shortcutWidth, platform::textWidth(font, item.shortcut));
  }
  layout.itemTop.push_back(y);
  layout.height = y + kPadding * s;
  layout.width = (2 + kCheckColumn) * s + textWidth +
                 (shortcutWidth > 0 ? kShortcutGap * s + shortcutWidth : 0) + kArrowColumn * s;
  layout.width = std::max(layout.width, kMinimumWidth * s);
  return layout;
}

void drawPopupMenu(PixelPort& port, int32_t x, int32_t y, const PopupMenuLevel& menu,
                   int32_t highlighted, int32_t scale) {
  const int32_t s = clampScale(scale);
  const PopupLayout layout = layoutPopupMenu(menu, s);
  const PortRect all{x, y, x + layout.width, y + layout.height};
  fill(port, all, kBackground);
  // A one-pixel border, lighter on the top and left as lit from there.
  fill(port, {all.left, all.top, all.right, all.top + s}, kBorder);
  fill(port, {all.left, all.top, all.left + s, all.bottom}, kBorder);
  fill(port, {all.left, all.bottom - s, all.right, all.bottom}, makePixel(24, 26, 31));
  fill(port, {all.right - s, all.top, all.right, all.bottom}, makePixel(24, 26, 31));

  const Font* font = menuFont(s);
  const FontMetrics metrics = fontMetrics(font);
  for (size_t i = 0; i < menu.items.size(); ++i) {
    const PopupItem& item = menu.items[i];
    const int32_t top = y + layout.itemTop[i];
    const int32_t bottom = y + layout.itemTop[i + 1];
    // The middle row of the 1x item, in device pixels.
    const int32_t middle = top + ((bottom - top) / s) / 2 * s;
    if (item.kind == PopupItem::Kind::separator) {
      fill(port, {all.left + 6 * s, middle, all.right - 6 * s, middle + s}, kSeparator);
      continue;
    }
    const bool lit = static_cast<int32_t>(i) == highlighted && item.selectable();
    if (lit) fill(port, {all.left + 2 * s, top, all.right - 2 * s, bottom}, kHighlight);
    Pixel colour = kText;
    if (item.kind == PopupItem::Kind::disabled) colour = kGreyed;
    if (item.kind == PopupItem::Kind::title) colour = kTitle;
    if (lit) colour = kHighlightText;
    const PortRect clip{all.left + s, top, all.right - s, bottom};
    const int32_t baseline = top + (kItemHeight * s + metrics.ascent - metrics.descent) / 2;
    if (item.checked) drawCheck(port, x + s, middle, colour, s);
    const int32_t textLeft =
        item.kind == PopupItem::Kind::title ? x + 8 * s : x + (1 + kCheckColumn) * s;
    drawText(port, clip, font, textLeft, baseline, item.text, colour);
    if (!item.shortcut.empty()) {
      const int32_t w = textWidth(font, item.shortcut);
      drawText(port, clip, font, all.right - (1 + kArrowColumn) * s - w, baseline, item.shortcut,
               lit ? kHighlightText : kShortcut);
    }
    if (item.submenu >= 0) drawArrow(port, all.right - 4 * s, middle, colour, s);
  }
  port.addDirty(intersect(all, port.bounds()));
}

std::unique_ptr<PixelPort> renderPopupMenu(const PopupMenuLevel& menu, int32_t highlighted,
                                           int32_t scale) {
  const PopupLayout layout = layoutPopupMenu(menu, scale);
  auto port = std::make_unique<PixelPort>(layout.width, layout.height);
  port->setScale(scale);
  drawPopupMenu(*port, 0, 0, menu, highlighted, scale);
  return port;
}

PopupChoice choosePopupPath(const PopupMenuTree& tree, const int16_t* path, int depth) {
  if (tree.menus.empty() || !path || depth <= 0) return {};
  size_t menu = 0;
  for (int d = 0; d < depth; ++d) {
    const auto& items = tree.menus[menu].items;
    const int32_t index = path[d];
    if (index < 0 || static_cast<size_t>(index) >= items.size()) return {};
    const PopupItem& item = items[static_cast<size_t>(index)];
    if (d == depth - 1) {
      if (!item.choosable()) return {};
      return {tree.menus[menu].id, index + 1};
    }
    // Submenus only lead deeper (the depth bound stops any cycle).
    if (item.submenu <= 0 || static_cast<size_t>(item.submenu) >= tree.menus.size()) return {};
    menu = static_cast<size_t>(item.submenu);
  }
  return {};
}

// ---------------------------------------------------------------------------
// Navigation

PopupNavigator::PopupNavigator(const PopupMenuTree& tree, int32_t x, int32_t y, PortRect screen,
                               int32_t scale)
    : tree_{tree}, screen_{screen}, scale_{clampScale(scale)} {
  if (tree_.menus.empty()) return;
  Level root;
  root.menu = 0;
  root.layout = layoutPopupMenu(tree_.menus[0], scale_);
  // Keep the menu on the screen sideways and below its top; how far down it
  // may reach is the caller's placement.
  root.x = std::max(std::min(x, screen_.right - root.layout.width), screen_.left);
  root.y = std::max(y, screen_.top);
  levels_.push_back(std::move(root));
}

bool PopupNavigator::validSubmenu(int32_t index) const {
  if (index <= 0 || static_cast<size_t>(index) >= tree_.menus.size()) return false;
  for (const Level& l : levels_)
    if (l.menu == index) return false;  // a cycle back into an open level
  return true;
}

void PopupNavigator::closeAbove(size_t level) {
  if (levels_.size() > level + 1) levels_.resize(level + 1);
}

void PopupNavigator::openSubmenu(size_t level, bool highlightFirst) {
  closeAbove(level);
  const Level& parent = levels_[level];
  const PopupItem& item = tree_.menus[static_cast<size_t>(parent.menu)].items[static_cast<size_t>(parent.highlighted)];
  if (!validSubmenu(item.submenu)) return;
  Level sub;
  sub.menu = item.submenu;
  sub.layout = layoutPopupMenu(tree_.menus[static_cast<size_t>(sub.menu)], scale_);
  sub.x = parent.x + parent.layout.width - 2 * scale_;
  if (sub.x + sub.layout.width > screen_.right) sub.x = parent.x - sub.layout.width + 2 * scale_;
  sub.x = std::max(sub.x, screen_.left);
  sub.y =
      parent.y + parent.layout.itemTop[static_cast<size_t>(parent.highlighted)] - kPadding * scale_;
  if (sub.y + sub.layout.height > screen_.bottom) sub.y = screen_.bottom - sub.layout.height;
  sub.y = std::max(sub.y, screen_.top);
  if (highlightFirst) {
    const auto& items = tree_.menus[static_cast<size_t>(sub.menu)].items;
    for (size_t i = 0; i < items.size(); ++i)
      if (items[i].selectable()) {
        sub.highlighted = static_cast<int32_t>(i);
        break;
      }
  }
  levels_.push_back(std::move(sub));
}

PopupNavigator::Outcome PopupNavigator::choose(size_t level, int32_t item) {
  choice_ = {tree_.menus[static_cast<size_t>(levels_[level].menu)].id, item + 1};
  return Outcome::chosen;
}

PopupNavigator::Outcome PopupNavigator::key(Key k) {
  if (levels_.empty()) return k == Key::escape ? Outcome::dismissed : Outcome::none;
  const size_t deepest = levels_.size() - 1;
  Level& level = levels_[deepest];
  const auto& items = tree_.menus[static_cast<size_t>(level.menu)].items;
  const auto count = static_cast<int32_t>(items.size());
  switch (k) {
    case Key::up:
    case Key::down: {
      const int32_t step = k == Key::down ? 1 : -1;
      int32_t i = level.highlighted < 0 ? (step > 0 ? -1 : count) : level.highlighted;
      for (i += step; i >= 0 && i < count; i += step)
        if (items[static_cast<size_t>(i)].selectable()) {
          level.highlighted = i;
          return Outcome::changed;
        }
      return Outcome::none;
    }
    case Key::right:
      if (level.highlighted >= 0 && validSubmenu(items[static_cast<size_t>(level.highlighted)].submenu)) {
        openSubmenu(deepest, true);
        return Outcome::changed;
      }
      return Outcome::none;
    case Key::left:
      if (deepest == 0) return Outcome::none;
      levels_.pop_back();
      return Outcome::changed;
    case Key::enter:
      if (level.highlighted < 0) return Outcome::none;
      if (validSubmenu(items[static_cast<size_t>(level.highlighted)].submenu)) {
        openSubmenu(deepest, true);
        return Outcome::changed;
      }
      if (items[static_cast<size_t>(level.highlighted)].choosable()) return choose(deepest, level.highlighted);
      return Outcome::none;
    case Key::escape:
      return Outcome::dismissed;
  }
  return Outcome::none;
}

bool PopupNavigator::inside(int32_t x, int32_t y) const {
  for (const Level& l : levels_)
    if (x >= l.x && x < l.x + l.layout.width && y >= l.y && y < l.y + l.layout.height) return true;
  return false;
}

PopupNavigator::Outcome PopupNavigator::press(int32_t x, int32_t y) {
  if (!inside(x, y)) return Outcome::dismissed;
  armed_ = true;
  return Outcome::none;
}

PopupNavigator::Outcome PopupNavigator::pointerAt(int32_t x, int32_t y) {
  armed_ = true;
  for (size_t n = levels_.size(); n-- > 0;) {
    Level& l = levels_[n];
    if (x < l.x || x >= l.x + l.layout.width || y < l.y || y >= l.y + l.layout.height) continue;
    const int32_t item = l.layout.itemAt(y - l.y);
    const auto& items = tree_.menus[static_cast<size_t>(l.menu)].items;
    const int32_t lit = item >= 0 && items[static_cast<size_t>(item)].selectable() ? item : -1;
    // Staying on the item whose submenu is open keeps that submenu.
    if (lit >= 0 && lit == l.highlighted && levels_.size() > n + 1) return Outcome::none;
    const bool changed = lit != l.highlighted || levels_.size() > n + 1;
    closeAbove(n);
    l.highlighted = lit;
    if (lit >= 0 && validSubmenu(items[static_cast<size_t>(lit)].submenu)) openSubmenu(n, false);
    return changed ? Outcome::changed : Outcome::none;
  }
  return Outcome::none;
}

PopupNavigator::Outcome PopupNavigator::release(int32_t x, int32_t y) {
  if (!armed_) return Outcome::none;
  for (size_t n = levels_.size(); n-- > 0;) {
    const Level& l = levels_[n];
    if (x < l.x || x >= l.x + l.layout.width || y < l.y || y >= l.y + l.layout.height) continue;
    const int32_t item = l.layout.itemAt(y - l.y);
    if (item >= 0 && tree_.menus[static_cast<size_t>(l.menu)].items[static_cast<size_t>(item)].choosable())
      return choose(n, item);
    return Outcome::none;
  }
  return Outcome::none;
}

}  // namespace oxel::platform
