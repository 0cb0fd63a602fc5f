#include "COptionMenu.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "popup_menu.h"
#include "window.h"

namespace platform = oxel::platform;

namespace {

// Pop-up identifiers: positive 16-bit numbers, one per level built.
int32_t freshMenuID() {
  static int32_t next = 0;
  next = next >= 32767 ? 1 : next + 1;
  return next;
}

// Copies at most kEntrySize - 1 bytes and terminates.
void copyText(char* out, const char* in) {
  if (!in) in = "";
  std::snprintf(out, COptionMenu::kEntrySize, "%s", in);
}

// The pop-up's top: below (or above) the control at v; near the screen's
// bottom, moved up so that it ends an item's height above it.
int32_t popupTop(int32_t v, const platform::PopupLayout& layout, int32_t itemHeight,
                 int32_t screenBottom, int32_t currentIndex, int32_t nbEntries) {
  const int32_t menuHeight = layout.height;
  if (v + menuHeight < screenBottom - itemHeight / 2) return v;
  int32_t under = 1;
  if (menuHeight > screenBottom) under = std::min(currentIndex + 2, nbEntries);
  if (menuHeight <= screenBottom) return screenBottom - menuHeight - itemHeight;
  return v - (layout.itemTop[static_cast<size_t>(under - 1)] - layout.itemTop.front());
}

bool startsWith(const char* s, const char* prefix) { return std::strncmp(s, prefix, std::strlen(prefix)) == 0; }

// The shortcut a description after the tab stands for, as the item shows it:
// "Ctrl" keeps the command key (Ctrl here), "Alt", "Shift" and "Apple"
// (Super here) add theirs; the key is Del, an arrow's name or the last
// character.
std::string shortcutText(const char* description) {
  if (!description || !*description) return {};
  std::string out;
  if (std::strstr(description, "Ctrl")) out += "Ctrl+";
  if (std::strstr(description, "Apple")) out += "Super+";
  if (std::strstr(description, "Alt")) out += "Alt+";
  if (std::strstr(description, "Shift")) out += "Shift+";
  for (const char* name : {"Del", "Left", "Right", "Up", "Down"})
    if (startsWith(description, name)) return out + name;
  char key = description[std::strlen(description) - 1];
  if (key >= 'a' && key <= 'z') key = static_cast<char>(key - 'a' + 'A');
  return out + key;
}

}  // namespace

COptionMenu::COptionMenu(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                         CBitmap* bgWhenClick, int32_t style)
    : CParamDisplay(size, background, style), bgWhenClick{bgWhenClick} {
  setListener(listener);
  setTag(tag);
  if (bgWhenClick) bgWhenClick->remember();
}

COptionMenu::~COptionMenu() {
  removeAllEntry();
  if (bgWhenClick) bgWhenClick->forget();
}

// ---------------------------------------------------------------------------
// Entries

bool COptionMenu::addEntry(const char* txt, int32_t index) {
  if (nbEntries >= kMaxEntries) return false;
  const bool append = index < 0;
  const int32_t position = append ? nbEntries : std::min(index, nbEntries);
  std::array<char, kEntrySize> text{};
  const char* source = txt ? txt : "";
  const int32_t number = position + 1;
  switch (prefixNumbers) {
    case 2: std::snprintf(text.data(), text.size(), "%1d %s", number, source); break;
    case 3: std::snprintf(text.data(), text.size(), "%02d %s", number, source); break;
    case 4: std::snprintf(text.data(), text.size(), "%03d %s", number, source); break;
    default: copyText(text.data(), source); break;
  }
  entry.insert(entry.begin() + position, text);
  check.insert(check.begin() + position, false);
  ++nbEntries;
  if (!append && currentIndex >= 0 && position <= currentIndex) ++currentIndex;
  if (currentIndex == -1) currentIndex = 0;
  return true;
}

bool COptionMenu::addEntry(COptionMenu* subMenu, const char* txt) {
  // A menu inside itself would hold itself alive and never end building.
  if (nbEntries >= kMaxEntries || !subMenu || !txt || subMenu == this) return false;
  std::array<char, kEntrySize> text{};
  const int32_t number = nbEntries + 1;
  switch (prefixNumbers) {
    case 2: std::snprintf(text.data(), text.size(), "-M%1d %s", number, txt); break;
    case 3: std::snprintf(text.data(), text.size(), "-M%02d %s", number, txt); break;
    case 4: std::snprintf(text.data(), text.size(), "-M%03d %s", number, txt); break;
    default: std::snprintf(text.data(), text.size(), "-M%s", txt); break;
  }
  entry.push_back(text);
  check.push_back(false);
  ++nbEntries;
  submenuEntry.push_back(subMenu);
  ++nbSubMenus;
  subMenu->remember();
  if (currentIndex == -1) currentIndex = 0;
  return true;
}

bool COptionMenu::removeEntry(int32_t index) {
  if (index < 0 || index >= nbEntries) return false;
  if (startsWith(entry[static_cast<size_t>(index)].data(), "-M")) {
    // Its submenu goes with it, so later submenu entries keep theirs.
    int32_t sub = 0;
    for (int32_t i = 0; i < index; ++i) sub += startsWith(entry[static_cast<size_t>(i)].data(), "-M");
    if (sub < nbSubMenus) {
      submenuEntry[static_cast<size_t>(sub)]->forget();
      submenuEntry.erase(submenuEntry.begin() + sub);
      --nbSubMenus;
    }
  }
  entry.erase(entry.begin() + index);
  check.erase(check.begin() + index);
  --nbEntries;
  if (index <= currentIndex) --currentIndex;
  if (nbEntries == 0) currentIndex = -1;
  return true;
}

bool COptionMenu::removeAllEntry() {
  for (COptionMenu* sub : submenuEntry) sub->forget();
  submenuEntry.clear();
  entry.clear();
  check.clear();
  nbEntries = 0;
  nbSubMenus = 0;
  currentIndex = -1;
  return true;
}

bool COptionMenu::getEntry(int32_t index, char* txt) const {
  if (index < 0 || index >= nbEntries || !txt) return false;
  copyText(txt, entry[static_cast<size_t>(index)].data());
  return true;
}

bool COptionMenu::setEntry(int32_t index, const char* txt) {
  if (index < 0 || index >= nbEntries) return false;
  copyText(entry[static_cast<size_t>(index)].data(), txt);
  return true;
}

int32_t COptionMenu::getIndex(const char* txt) const {
  if (!txt) return -1;
  for (int32_t i = 0; i < nbEntries; ++i)
    if (std::strcmp(entry[static_cast<size_t>(i)].data(), txt) == 0) return i;
  return -1;
}

bool COptionMenu::countable(int32_t i) const {
  const char* text = entry[static_cast<size_t>(i)].data();
  return std::strcmp(text, "-") != 0 && !startsWith(text, "-T");
}

int32_t COptionMenu::getCurrent(char* txt, bool countSeparator) const {
  if (currentIndex < 0 || currentIndex >= nbEntries) return -1;
  if (txt) copyText(txt, entry[static_cast<size_t>(currentIndex)].data());
  if (countSeparator) return currentIndex;
  int32_t n = 0;
  for (int32_t i = 0; i < currentIndex; ++i) n += countable(i);
  return n;
}

bool COptionMenu::setCurrent(int32_t index, bool countSeparator) {
  if (index < 0 || index >= nbEntries) return false;
  int32_t target = -1;
  if (countSeparator) {
    if (std::strcmp(entry[static_cast<size_t>(index)].data(), "-") == 0) return false;
    target = index;
  } else {
    for (int32_t i = 0, n = 0; i < nbEntries; ++i) {
      if (!countable(i)) continue;
      if (n++ == index) {
        target = i;
        break;
      }
    }
    if (target < 0) return false;
  }
  currentIndex = target;
  if (style & kOptionMenuMultipleCheck) check[static_cast<size_t>(target)] = !check[static_cast<size_t>(target)];
  setDirty();
  return true;
}

bool COptionMenu::checkEntry(int32_t index, bool state) {
  if (index < 0 || index >= nbEntries) return false;
  check[static_cast<size_t>(index)] = state;
  return true;
}

bool COptionMenu::checkEntryAlone(int32_t index) {
  if (index < 0 || index >= nbEntries) return false;
  check.assign(check.size(), false);
  check[static_cast<size_t>(index)] = true;
  return true;
}

bool COptionMenu::isCheckEntry(int32_t index) const {
  if (index < 0 || index >= nbEntries) return false;
  return check[static_cast<size_t>(index)];
}

void COptionMenu::setPrefixNumbers(int32_t val) {
  if (val == 0 || val == 2 || val == 3 || val == 4) prefixNumbers = val;
}

void COptionMenu::setValue(float val) {
  // Tested in float before converting: NaN or a huge value never reaches
  // the integer conversion.
  if (!std::isfinite(val) || val < 0.0f || val >= static_cast<float>(nbEntries)) return;
  const auto i = static_cast<int32_t>(val);
  currentIndex = i;
  if (style & kOptionMenuMultipleCheck) check[static_cast<size_t>(i)] = !check[static_cast<size_t>(i)];
  CControl::setValue(val);
  setDirty(true);
}

COptionMenu* COptionMenu::getSubMenu(int32_t index) const {
  if (index < 0 || index >= nbSubMenus) return nullptr;
  return submenuEntry[static_cast<size_t>(index)];
}

COptionMenu* COptionMenu::getLastItemMenu(int32_t& idx) const {
  idx = lastMenu ? static_cast<int32_t>(lastMenu->getValue()) : -1;
  return lastMenu;
}

COptionMenu* COptionMenu::getItemMenu(int32_t idx, int32_t& idxInMenu, int32_t id) {
  if (menuID == id) {
    idxInMenu = idx;
    return this;
  }
  if (bBuilding) return nullptr;  // a submenu chain that leads back here
  bBuilding = true;
  COptionMenu* found = nullptr;
  for (COptionMenu* sub : submenuEntry)
    if ((found = sub->getItemMenu(idx, idxInMenu, id))) break;
  bBuilding = false;
  return found;
}

bool COptionMenu::isTypeOf(const char* s) const {
  if (s && std::strcmp(s, "COptionMenu") == 0) return true;
  return CParamDisplay::isTypeOf(s);
}

// ---------------------------------------------------------------------------
// Drawing

void COptionMenu::displayText(int32_t i, char (&out)[kEntrySize]) const {
  const char* text = entry[static_cast<size_t>(i)].data();
  // A number wider than its prefix, or a text shorter than it, never moves
  // the start past the text's end.
  const size_t skip = std::min(static_cast<size_t>(prefixNumbers), std::strlen(text));
  copyText(out, text + skip);
  if (char* tab = std::strchr(out, '\t')) *tab = 0;
}

void COptionMenu::draw(CDrawContext* pContext) {
  if (currentIndex < 0 || currentIndex >= nbEntries) {
    drawText(pContext, nullptr);
    return;
  }
  char text[kEntrySize];
  displayText(currentIndex, text);
  drawText(pContext, text);
}

// ---------------------------------------------------------------------------
// The pop-up

int32_t COptionMenu::buildLevel(platform::PopupMenuTree& tree, int32_t& offsetIdx) {
  using Item = platform::PopupItem;
  const auto level = static_cast<int32_t>(tree.menus.size());
  menuID = freshMenuID();
  tree.menus.push_back({menuID, {}});
  offsetIdx += nbEntries;
  bBuilding = true;
  size_t nextSub = 0;
  std::vector<Item> items;
  for (int32_t i = 0; i < nbEntries; ++i) {
    const char* text = entry[static_cast<size_t>(i)].data();
    Item item;
    std::string shown = text;
    if (const size_t tab = shown.find('\t'); tab != std::string::npos) {
      item.shortcut = shortcutText(text + tab + 1);
      shown.resize(tab);
    }
    if (std::strcmp(text, "-") == 0) {
      item.kind = Item::Kind::separator;
      shown.clear();
    } else if (startsWith(text, "-M")) {
      shown.erase(0, 2);
      item.shortcut.clear();
      if (nextSub < submenuEntry.size()) {
        COptionMenu* sub = submenuEntry[nextSub++];
        if (!sub->bBuilding) item.submenu = sub->buildLevel(tree, offsetIdx);
      }
    } else if (startsWith(text, "-G")) {
      item.kind = Item::Kind::disabled;
      shown.erase(0, 2);
    } else if (startsWith(text, "-T")) {
      item.kind = Item::Kind::title;
      shown.erase(0, 2);
    }
    item.text = shown;
    if ((style & kOptionMenuMultipleCheck) && item.submenu < 0 && check[static_cast<size_t>(i)]) item.checked = true;
    items.push_back(std::move(item));
  }
  if ((style & kOptionMenuCheckStyle) && !(style & kOptionMenuMultipleCheck) && currentIndex >= 0 &&
      currentIndex < nbEntries)
    items[static_cast<size_t>(currentIndex)].checked = true;
  bBuilding = false;
  tree.menus[static_cast<size_t>(level)].items = std::move(items);
  return level;
}

const platform::PopupMenuTree* COptionMenu::appendItems(int32_t& offsetIdx) {
  platformControl = std::make_unique<platform::PopupMenuTree>();
  buildLevel(*platformControl, offsetIdx);
  return platformControl.get();
}

void COptionMenu::removeItems() {
  if (bBuilding) return;
  bBuilding = true;
  for (COptionMenu* sub : submenuEntry) sub->removeItems();
  bBuilding = false;
  platformControl.reset();
}

void COptionMenu::looseFocus(CDrawContext*) { platformControl.reset(); }

void COptionMenu::mouse(CDrawContext* pContext, CPoint&, int32_t button) {
  if (!bMouseEnabled || !getFrame() || !pContext) return;
  lastButton = button == -1 ? pContext->getMouseButtons() : button;
  if (listener && (lastButton & (kShiftFlag | kCommandFlag | kAltFlag | kCtrlFlag)))
    if (listener->controlModifierClicked(pContext, this, lastButton) != 0) return;
  if (!(lastButton & (kLeftButton | kRightButton | kCtrlFlag))) return;
  if (bgWhenClick) {
    char text[kEntrySize] = "";
    if (currentIndex >= 0 && currentIndex < nbEntries) displayText(currentIndex, text);
    drawText(pContext, text, bgWhenClick);
    if (CFrame* frame = getFrame()) frame->flushWindow();
  }
  beginEdit();
  takeFocus(pContext);
}

void COptionMenu::takeFocus(CDrawContext* pContext) {
  CFrame* frame = getFrame();
  if (!frame) return;
  lastResult = -1;
  lastMenu = nullptr;
  if (nbEntries == 0) {
    endEdit();
    frame->setFocusView(nullptr);
    return;
  }

  const int32_t scale = frame->getScale();
  const CPoint place = popupPlace(pContext, *frame);
  int32_t offsetIdx = 0;
  const platform::PopupMenuTree* tree = appendItems(offsetIdx);
  platform::EditorWindow* window = frame->getPlatformWindow();
  const platform::PopupLayout layout = platform::layoutPopupMenu(tree->menus.front(), scale);
  const int32_t itemHeight = (layout.height + nbEntries - 1) / nbEntries;
  const int32_t screenBottom = window ? window->screenBounds().bottom : 0;
  setDirty(false);

  const int32_t top = popupTop(place.v, layout, itemHeight, screenBottom, currentIndex, nbEntries);
  platform::PopupChoice choice;
  if (window) choice = window->popupMenu(*tree, place.h, top, [frame] { frame->doIdleStuff(); });
  removeItems();

  lastResult = choice.item - 1;
  if (choice.menuId != 0 || bgWhenClick) {
    if (bgWhenClick) setDirty(true);
    if (choice.menuId != 0) reportChoice(choice.menuId, pContext, *frame);
  }
  frame->setFocusView(nullptr);
  endEdit();
}

CPoint COptionMenu::popupPlace(CDrawContext* pContext, CFrame& frame) {
  // Where the control is on the screen.
  CPoint anchor = pContext ? pContext->offsetScreen : CPoint(0, 0);
  for (CView* parent = getParentView(); parent; parent = parent->getParentView()) {
    if (parent->notify(this, kMsgCheckIfViewContainer) != 1) break;
    const CRect& r = parent->getViewSize();
    anchor.offset(r.left, r.top);
  }
  // The screen is in device pixels: the control's logical place is scaled
  // before the window's position is added.
  const int32_t scale = frame.getScale();
  int32_t windowX = 0, windowY = 0;
  const bool placed = frame.getPosition(windowX, windowY);
  int32_t v = (anchor.v + ((style & kOptionMenuAtTopEdge) ? size.top : size.bottom)) * scale;
  int32_t h = (anchor.h + size.left) * scale;
  if (placed) {
    v += windowY;
    h += windowX;
  }
  return CPoint(h, v);
}

void COptionMenu::reportChoice(int32_t menuId, CDrawContext* pContext, CFrame& frame) {
  int32_t idxInMenu = -1;
  COptionMenu* menu = getItemMenu(lastResult, idxInMenu, menuId);
  if (!menu) return;
  lastMenu = menu;
  menu->setValue(static_cast<float>(lastResult));
  if (listener) {
    CDrawContext* context = pContext ? pContext : frame.createDrawContext();
    listener->valueChanged(context, menu);
    if (!pContext) context->forget();
  }
}
