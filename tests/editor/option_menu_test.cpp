// The option menu: building and removing entries (limits, long texts,
// insertion before the current entry, a submenu entry taking its submenu
// with it), what the pop-up shows (check marks under each style, item kinds,
// shortcut decorations), number prefixes and what the display shows of them,
// current-entry arithmetic around separators, and a headless pop-up: a
// choice (also in a submenu) sets the value, the last menu and result and
// tells the listener once; a dismissal changes nothing; one gesture per
// pop-up, and none at the host for a tag that is not a parameter; the menu
// opens below, above, or moved up near the screen's bottom.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "COptionMenu.h"
#include "control_rig.h"
#include "popup_menu.h"

namespace editortest {
namespace {

using oxel::platform::PopupItem;
using Kind = PopupItem::Kind;

// Exposes what the display shows.
class ShownMenu : public COptionMenu {
 public:
  using COptionMenu::COptionMenu;
  std::string shown() {
    if (getCurrent() < 0) return "<none>";
    char text[kEntrySize];
    displayText(getCurrent(), text);
    return text;
  }
};

std::string entryText(const COptionMenu& menu, int32_t i) {
  char text[COptionMenu::kEntrySize] = "?";
  if (!menu.getEntry(i, text)) return "<none>";
  return text;
}

// The root level of the pop-up the menu builds.
std::vector<PopupItem> builtItems(COptionMenu& menu) {
  int32_t offset = 0;
  const auto* tree = menu.appendItems(offset);
  std::vector<PopupItem> items = tree->menus.front().items;
  menu.removeItems();
  return items;
}

TEST(OptionMenu, EntriesAreAddedInsertedCutAndRemoved) {
  COptionMenu menu(CRect(0, 0, 60, 16), nullptr, 0);
  EXPECT_EQ(menu.getCurrent(), -1);
  ASSERT_TRUE(menu.addEntry("b"));
  EXPECT_EQ(menu.getCurrent(), 0);
  menu.addEntry("c");
  menu.setCurrent(1);
  menu.addEntry("a", 0);  // before the current entry: it stays on "c"
  EXPECT_EQ(menu.getCurrent(), 2);
  menu.addEntry("z", 99);  // past the end: appended
  EXPECT_EQ(entryText(menu, 3), "z");
  menu.addEntry(nullptr);
  EXPECT_EQ(entryText(menu, 4), "");
  const std::string longText(400, 'x');
  menu.setEntry(4, longText.c_str());
  EXPECT_EQ(entryText(menu, 4), std::string(255, 'x'));
  EXPECT_EQ(menu.getIndex("c"), 2);
  EXPECT_EQ(menu.getIndex("missing"), -1);
  EXPECT_EQ(menu.getIndex(nullptr), -1);

  // Out of range: false or -1, nothing changes.
  char text[COptionMenu::kEntrySize];
  for (int32_t bad : {-1, 5, 1 << 30}) {
    EXPECT_FALSE(menu.getEntry(bad, text)) << bad;
    EXPECT_FALSE(menu.setEntry(bad, "q")) << bad;
    EXPECT_FALSE(menu.removeEntry(bad)) << bad;
    EXPECT_FALSE(menu.checkEntry(bad, true)) << bad;
    EXPECT_FALSE(menu.checkEntryAlone(bad)) << bad;
    EXPECT_FALSE(menu.isCheckEntry(bad)) << bad;
    EXPECT_FALSE(menu.setCurrent(bad)) << bad;
  }
  EXPECT_EQ(menu.getNbEntries(), 5);
  EXPECT_FALSE(menu.getEntry(0, nullptr));

  // Removing the current entry moves the current index to the one before.
  ASSERT_TRUE(menu.removeEntry(2));
  EXPECT_EQ(menu.getCurrent(), 1);
  EXPECT_EQ(entryText(menu, 1), "b");
  while (menu.getNbEntries() > 0) menu.removeEntry(0);
  EXPECT_EQ(menu.getCurrent(), -1);
}

TEST(OptionMenu, RefusesTheEntryPastTheLimitAndItselfAsASubmenu) {
  COptionMenu menu(CRect(0, 0, 60, 16), nullptr, 0);
  for (int32_t i = 0; i < COptionMenu::kMaxEntries; ++i) ASSERT_TRUE(menu.addEntry("e")) << i;
  EXPECT_FALSE(menu.addEntry("one too many"));
  auto* sub = new COptionMenu(CRect(), nullptr, 0);
  EXPECT_FALSE(menu.addEntry(sub, "sub"));
  EXPECT_EQ(menu.getNbEntries(), COptionMenu::kMaxEntries);
  COptionMenu other(CRect(), nullptr, 0);
  EXPECT_FALSE(other.addEntry(&other, "self"));
  EXPECT_FALSE(other.addEntry(nullptr, "none"));
  EXPECT_FALSE(other.addEntry(sub, nullptr));
  sub->forget();
}

TEST(OptionMenu, RemovingASubmenuEntryTakesItsSubmenu) {
  COptionMenu menu(CRect(), nullptr, 0);
  auto* first = new COptionMenu(CRect(), nullptr, 0);
  auto* second = new COptionMenu(CRect(), nullptr, 0);
  first->addEntry("f");
  second->addEntry("s1");
  second->addEntry("s2");
  menu.addEntry(first, "First");
  menu.addEntry("plain");
  menu.addEntry(second, "Second");
  first->forget();
  second->forget();
  EXPECT_EQ(entryText(menu, 0), "-MFirst");
  ASSERT_TRUE(menu.removeEntry(0));
  EXPECT_EQ(menu.getSubMenu(0), second);
  EXPECT_EQ(menu.getSubMenu(1), nullptr);
  int32_t offset = 0;
  const auto* tree = menu.appendItems(offset);
  ASSERT_EQ(tree->menus.size(), 2u);
  EXPECT_EQ(tree->menus[0].items[1].text, "Second");
  EXPECT_EQ(tree->menus[tree->menus[0].items[1].submenu].items.size(), 2u);
  EXPECT_EQ(offset, 4);  // the entries of both levels
  menu.removeItems();
}

TEST(OptionMenu, PopupItemsShowKindsChecksAndShortcuts) {
  COptionMenu menu(CRect(), nullptr, 0);
  for (const char* text : {"Copy\tCtrl+C", "-", "-GGreyed", "-TTitle", "Cut\tShift Ctrl x", "Erase\tDel",
                           "Back\tLeft", "Odd\tAlt Apple q", "Plain\t", "-dash"})
    menu.addEntry(text);
  auto* sub = new COptionMenu(CRect(), nullptr, 0);
  sub->addEntry("inner");
  menu.addEntry(sub, "More");
  sub->forget();
  const auto items = builtItems(menu);
  struct Expected {
    Kind kind;
    const char* text;
    const char* shortcut;
  };
  const Expected expected[] = {
      {Kind::normal, "Copy", "Ctrl+C"},  {Kind::separator, "", ""},          {Kind::disabled, "Greyed", ""},
      {Kind::title, "Title", ""},        {Kind::normal, "Cut", "Ctrl+Shift+X"}, {Kind::normal, "Erase", "Del"},
      {Kind::normal, "Back", "Left"},    {Kind::normal, "Odd", "Super+Alt+Q"}, {Kind::normal, "Plain", ""},
      {Kind::normal, "-dash", ""},       {Kind::normal, "More", ""},
  };
  ASSERT_EQ(items.size(), std::size(expected));
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].kind, expected[i].kind) << i;
    EXPECT_EQ(items[i].text, expected[i].text) << i;
    EXPECT_EQ(items[i].shortcut, expected[i].shortcut) << i;
    EXPECT_EQ(items[i].submenu >= 0, i == 10) << i;
  }
}

TEST(OptionMenu, CheckMarksUnderEachStyle) {
  struct Case {
    int32_t style;
    std::vector<bool> shown;  // entries a, b, c with b current and c's check set
  };
  const Case cases[] = {
      {0, {false, false, false}},
      {kOptionMenuCheckStyle, {false, true, false}},
      {kOptionMenuMultipleCheck, {false, false, true}},
      {kOptionMenuMultipleCheck | kOptionMenuCheckStyle, {false, false, true}},
  };
  for (const Case& c : cases) {
    COptionMenu menu(CRect(), nullptr, 0, nullptr, nullptr, c.style);
    menu.addEntry("a");
    menu.addEntry("b");
    menu.addEntry("c");
    menu.checkEntry(2, true);
    menu.setCurrent(1);
    if (c.style & kOptionMenuMultipleCheck) menu.checkEntry(1, false);  // setCurrent toggled it
    const auto items = builtItems(menu);
    for (size_t i = 0; i < 3; ++i) EXPECT_EQ(items[i].checked, c.shown[i]) << "style " << c.style << " entry " << i;
  }
  // With multiple check, choosing (setValue) toggles only the chosen entry.
  COptionMenu menu(CRect(), nullptr, 0, nullptr, nullptr, 1025);
  for (const char* t : {"a", "b", "c", "d"}) menu.addEntry(t);
  menu.checkEntry(0, true);
  menu.setValue(3.0f);
  EXPECT_TRUE(menu.isCheckEntry(3));
  EXPECT_TRUE(menu.isCheckEntry(0));
  menu.setValue(3.0f);
  EXPECT_FALSE(menu.isCheckEntry(3));
  EXPECT_TRUE(menu.isCheckEntry(0));
  menu.checkEntryAlone(1);
  EXPECT_EQ(std::vector<bool>({menu.isCheckEntry(0), menu.isCheckEntry(1), menu.isCheckEntry(2)}),
            std::vector<bool>({false, true, false}));
}

TEST(OptionMenu, PrefixNumbersAreStoredAndLeftOutOfTheDisplay) {
  struct Case {
    int32_t prefix;
    const char* stored;
  };
  const Case cases[] = {{0, "abc"}, {2, "5 abc"}, {3, "05 abc"}, {4, "005 abc"}};
  for (const Case& c : cases) {
    ShownMenu menu(CRect(), nullptr, 0);
    menu.setPrefixNumbers(c.prefix);
    for (const char* t : {"w", "x", "y", "z"}) menu.addEntry(t);
    menu.addEntry("abc");
    EXPECT_EQ(entryText(menu, 4), c.stored) << c.prefix;
    menu.setCurrent(4);
    EXPECT_EQ(menu.shown(), "abc") << c.prefix;
  }
  ShownMenu menu(CRect(), nullptr, 0);
  menu.setPrefixNumbers(3);
  menu.addEntry("a");
  menu.addEntry("b", 0);  // an insertion numbers by its place
  EXPECT_EQ(entryText(menu, 0), "01 b");
  auto* sub = new COptionMenu(CRect(), nullptr, 0);
  menu.addEntry(sub, "sub");
  sub->forget();
  EXPECT_EQ(entryText(menu, 2), "-M03 sub");
  // Widths other than 0, 2, 3, 4 are refused; a text shorter than its
  // prefix shows nothing rather than what lies past its end.
  menu.setPrefixNumbers(300);
  EXPECT_EQ(menu.getPrefixNumbers(), 3);
  menu.setPrefixNumbers(-1);
  EXPECT_EQ(menu.getPrefixNumbers(), 3);
  menu.setEntry(0, "q");
  menu.setCurrent(0);
  EXPECT_EQ(menu.shown(), "");
  menu.setEntry(0, "07 tab\tCtrl+T");
  EXPECT_EQ(menu.shown(), "tab");
}

TEST(OptionMenu, CurrentEntryCountedWithAndWithoutSeparators) {
  COptionMenu menu(CRect(), nullptr, 0);
  for (const char* t : {"a", "-", "b", "-Tsection", "c"}) menu.addEntry(t);
  ASSERT_TRUE(menu.setCurrent(2, false));  // the third entry that is neither separator nor title
  EXPECT_EQ(menu.getCurrent(nullptr, true), 4);
  EXPECT_EQ(menu.getCurrent(nullptr, false), 2);
  char text[COptionMenu::kEntrySize];
  menu.getCurrent(text);
  EXPECT_STREQ(text, "c");
  EXPECT_FALSE(menu.setCurrent(3, false));
  EXPECT_FALSE(menu.setCurrent(1, true));  // a separator cannot be current
  EXPECT_EQ(menu.getCurrent(), 4);
  ASSERT_TRUE(menu.setCurrent(3, true));  // a title can
  EXPECT_EQ(menu.getCurrent(nullptr, false), 2);
}

TEST(OptionMenu, ValuesThatAreNotAnEntryIndexAreIgnored) {
  COptionMenu menu(CRect(), nullptr, 0);
  for (const char* t : {"a", "b", "c"}) menu.addEntry(t);
  menu.setValue(1.7f);
  EXPECT_EQ(menu.getCurrent(), 1);
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -0.5f, -3.0f,
                    3.0f, 1e30f}) {
    menu.setValue(bad);
    EXPECT_EQ(menu.getCurrent(), 1) << bad;
    EXPECT_FLOAT_EQ(menu.getValue(), 1.7f) << bad;
  }
  EXPECT_TRUE(menu.isTypeOf("COptionMenu"));
  EXPECT_TRUE(menu.isTypeOf("CParamDisplay"));
  EXPECT_TRUE(menu.isTypeOf("CControl"));
}

// ---------------------------------------------------------------------------
// Pop-up through the headless window

struct MenuListener : CControlListener {
  void valueChanged(CDrawContext*, CControl* control) override {
    changes.push_back(control);
    values.push_back(control->getValue());
  }
  int32_t controlModifierClicked(CDrawContext*, CControl*, int32_t) override { return takeModifiers; }
  std::vector<CControl*> changes;
  std::vector<float> values;
  int32_t takeModifiers{0};
};

// An editor of `size` with a menu at `where`: a, b, More > (x, y), c.
struct MenuRig {
  explicit MenuRig(const char* script, int32_t tag = 1, CRect where = CRect(10, 10, 70, 26),
                   CRect size = CRect(0, 0, 100, 60), int32_t style = 0)
      : parent{script, 10} {
    editor = new ProbeEditor(&effect, size);
    editor->populate = [&, tag, where, style](CFrame& frame) {
      menu = new COptionMenu(where, &listener, tag, nullptr, nullptr, style);
      menu->addEntry("a");
      menu->addEntry("b");
      sub = new COptionMenu(CRect(), nullptr, 0);
      sub->addEntry("x");
      sub->addEntry("y");
      menu->addEntry(sub, "More");
      sub->forget();
      menu->addEntry("c");
      frame.addView(menu);
    };
    host().taken();
    editor->open(&parent.record);
  }
  ~MenuRig() { editor->close(); }
  void run() {
    idleThroughScript(*editor, parent);
    EXPECT_EQ(parent.record.scriptError, 0u);
  }
  const oxel::platform::EditorWindow::PopupRecord& popup() {
    return editor->frame->getPlatformWindow()->lastPopup();
  }
  std::pair<int, int> brackets() { return ControlRig::brackets(); }

  Parent parent;
  StubEffect effect;
  ProbeEditor* editor{nullptr};
  MenuListener listener;
  COptionMenu* menu{nullptr};
  COptionMenu* sub{nullptr};
};

TEST(OptionMenuPopup, AChoiceSetsTheValueAndTellsTheListenerOnce) {
  MenuRig rig{"click 20 15\nwait 20\nmenu 3\nwait 20\nclick 20 15\nwait 20\nmenu 1\n"};
  rig.run();
  EXPECT_EQ(rig.popup().count, 2);
  EXPECT_EQ(rig.listener.changes, (std::vector<CControl*>{rig.menu, rig.menu}));
  EXPECT_EQ(rig.listener.values, (std::vector<float>{3.0f, 1.0f}));
  EXPECT_EQ(rig.menu->getCurrent(), 1);
  EXPECT_EQ(rig.menu->getLastResult(), 1);
  int32_t idx = -9;
  EXPECT_EQ(rig.menu->getLastItemMenu(idx), rig.menu);
  EXPECT_EQ(idx, 1);
  EXPECT_EQ(rig.brackets(), (std::pair{2, 2}));  // tag 1 is a parameter
  EXPECT_EQ(rig.editor->frame->getFocusView(), nullptr);
}

TEST(OptionMenuPopup, ASubmenuChoiceSetsTheLastMenuAndResult) {
  MenuRig rig{"click 20 15\nwait 20\nmenu 2 1\n"};
  rig.run();
  int32_t idx = -9;
  EXPECT_EQ(rig.menu->getLastItemMenu(idx), rig.sub);
  EXPECT_EQ(idx, 1);
  EXPECT_EQ(rig.menu->getLastResult(), 1);
  EXPECT_EQ(rig.sub->getCurrent(), 1);
  EXPECT_EQ(rig.menu->getCurrent(), 0);  // the top level keeps its entry
  EXPECT_EQ(rig.listener.changes, std::vector<CControl*>{rig.sub});
}

TEST(OptionMenuPopup, ADismissalChangesNothingAndTellsNobody) {
  for (const char* script : {"click 20 15\nwait 20\nmenu cancel\n", "click 20 15\nwait 20\nkey escape\n",
                             "click 20 15\nwait 20\nclick 95 5\n", "click 20 15\nwait 20\nmenu 2\n",
                             "click 20 15\nwait 50\n"}) {
    MenuRig rig{script};
    rig.menu->setValue(3.0f);
    rig.run();
    EXPECT_EQ(rig.popup().count, 1) << script;
    EXPECT_EQ(rig.menu->getCurrent(), 3) << script;
    EXPECT_FLOAT_EQ(rig.menu->getValue(), 3.0f) << script;
    EXPECT_EQ(rig.menu->getLastResult(), -1) << script;
    int32_t idx = 0;
    EXPECT_EQ(rig.menu->getLastItemMenu(idx), nullptr) << script;
    EXPECT_EQ(idx, -1) << script;
    EXPECT_TRUE(rig.listener.changes.empty()) << script;
    EXPECT_EQ(rig.brackets(), (std::pair{1, 1})) << script;
  }
}

TEST(OptionMenuPopup, KeysPickAnEntry) {
  MenuRig rig{"click 20 15\nwait 20\nkey down\nkey down\nkey down\nkey down\nkey return\n"};
  rig.run();
  EXPECT_EQ(rig.menu->getCurrent(), 3);
  EXPECT_EQ(rig.listener.values, std::vector<float>{3.0f});
}

TEST(OptionMenuPopup, ButtonsModifiersAndEmptyMenus) {
  {  // A Shift-click the listener takes opens nothing.
    MenuRig rig{"click 20 15 shift\nwait 20\nmenu 0\n"};
    rig.listener.takeModifiers = 1;
    rig.run();
    EXPECT_EQ(rig.popup().count, 0);
    EXPECT_EQ(rig.brackets(), (std::pair{0, 0}));
  }
  {  // The right button opens it too.
    MenuRig rig{"click 20 15 button 3\nwait 20\nmenu 0\n"};
    rig.menu->setCurrent(2);
    rig.run();
    EXPECT_EQ(rig.menu->getCurrent(), 0);
    EXPECT_EQ(rig.menu->getLastButton(), kRightButton);
  }
  {  // No entries: no pop-up, and the gesture is closed.
    MenuRig rig{"click 20 15\nwait 20\n"};
    rig.menu->removeAllEntry();
    rig.run();
    EXPECT_EQ(rig.popup().count, 0);
    EXPECT_EQ(rig.brackets(), (std::pair{1, 1}));
    EXPECT_EQ(rig.editor->frame->getFocusView(), nullptr);
  }
  {  // A tag that is no parameter never reaches the host.
    MenuRig rig{"click 20 15\nwait 20\nmenu 0\n", 1976};
    rig.run();
    EXPECT_EQ(rig.listener.changes.size(), 1u);
    EXPECT_EQ(rig.brackets(), (std::pair{0, 0}));
  }
}

TEST(OptionMenuPopup, OpensBelowAboveOrMovedUpNearTheScreensBottom) {
  const auto height = oxel::platform::layoutPopupMenu(
                          {1, {{}, {}, {Kind::normal, "", "", false, 1}, {}}})
                          .height;  // four rows, as the rig's menu
  const int32_t item = (height + 3) / 4;
  struct Case {
    CRect where;
    int32_t style;
    int32_t top;
  };
  const Case cases[] = {
      {CRect(10, 10, 70, 26), 0, 26},
      {CRect(10, 10, 70, 26), kOptionMenuAtTopEdge, 10},
      {CRect(10, 700, 70, 716), 0, 768 - height - item},
      {CRect(10, 768 - height - item / 2 - 1, 70, 768 - height - item / 2 + 15), kOptionMenuAtTopEdge,
       768 - height - item / 2 - 1},
      {CRect(10, 768 - height - item / 2, 70, 768 - height - item / 2 + 16), kOptionMenuAtTopEdge,
       768 - height - item},
  };
  for (const Case& c : cases) {
    const std::string script = "click " + std::to_string(c.where.left + 5) + " " + std::to_string(c.where.top + 5) +
                               "\nwait 20\nmenu cancel\n";
    MenuRig rig{script.c_str(), 1, c.where, CRect(0, 0, 100, 768), c.style};
    rig.run();
    ASSERT_EQ(rig.popup().count, 1) << c.where.top;
    EXPECT_EQ(rig.popup().x, 10) << c.where.top;
    EXPECT_EQ(rig.popup().y, c.top) << c.where.top;
    EXPECT_EQ(rig.popup().height, height);
  }
}

}  // namespace
}  // namespace editortest
