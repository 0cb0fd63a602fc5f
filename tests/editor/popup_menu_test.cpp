// The platform's pop-up menus without a display: a path names the right
// item or dismisses, keys and the pointer move through separators, titles,
// greyed items and submenus as a user expects, the release of the opening
// click chooses nothing, the picture lights and checks the right rows, and
// the headless window runs a menu from its script while the editor's idle
// goes on and no input leaks to the editor.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor_fixture.h"
#include "popup_menu.h"

namespace editortest {
namespace {

using oxel::platform::choosePopupPath;
using oxel::platform::PopupChoice;
using oxel::platform::PopupItem;
using oxel::platform::PopupMenuTree;
using oxel::platform::PopupNavigator;
using Kind = PopupItem::Kind;
using Key = PopupNavigator::Key;
using Outcome = PopupNavigator::Outcome;

// Root (id 7): Alpha, ---, Deeper > (id 9: One, Two), Greyed, Title, Omega.
PopupMenuTree sampleTree() {
  PopupMenuTree tree;
  tree.menus.push_back({7,
                        {{Kind::normal, "Alpha", "Ctrl+A", true, -1},
                         {Kind::separator, "", "", false, -1},
                         {Kind::normal, "Deeper", "", false, 1},
                         {Kind::disabled, "Greyed", "", false, -1},
                         {Kind::title, "Title", "", false, -1},
                         {Kind::normal, "Omega", "", false, -1}}});
  tree.menus.push_back({9, {{Kind::normal, "One", "", false, -1}, {Kind::normal, "Two", "", false, -1}}});
  return tree;
}

const oxel::platform::PortRect kScreen{0, 0, 1024, 768};

TEST(PopupMenu, PathsNameAChoosableItemOrDismiss) {
  const PopupMenuTree tree = sampleTree();
  struct Case {
    std::vector<int16_t> path;
    PopupChoice expected;
  };
  const Case cases[] = {
      {{0}, {7, 1}},     {{5}, {7, 6}},     {{2, 1}, {9, 2}}, {{2, 0}, {9, 1}},
      {{1}, {}},         {{2}, {}},         {{3}, {}},        {{4}, {}},  // separator, submenu entry, greyed, title
      {{6}, {}},         {{-1}, {}},        {{2, 2}, {}},     {{0, 0}, {}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    std::string name;
    for (int16_t i : c.path) name += std::to_string(i) + " ";
    EXPECT_EQ(choosePopupPath(tree, c.path.data(), static_cast<int>(c.path.size())), c.expected) << name;
  }
  // A submenu index that is out of range is not followed.
  PopupMenuTree broken = sampleTree();
  broken.menus[0].items[2].submenu = 5;
  const int16_t path[] = {2, 0};
  EXPECT_EQ(choosePopupPath(broken, path, 2), PopupChoice{});
}

TEST(PopupMenu, KeysSkipWhatCannotBeChosenAndWalkSubmenus) {
  const PopupMenuTree tree = sampleTree();
  PopupNavigator nav{tree, 100, 100, kScreen};
  EXPECT_EQ(nav.key(Key::up), Outcome::changed);  // from nothing, up lands on the last item
  EXPECT_EQ(nav.levels()[0].highlighted, 5);
  EXPECT_EQ(nav.key(Key::up), Outcome::changed);  // over the title and the greyed item
  EXPECT_EQ(nav.levels()[0].highlighted, 2);
  EXPECT_EQ(nav.key(Key::up), Outcome::changed);  // over the separator
  EXPECT_EQ(nav.levels()[0].highlighted, 0);
  EXPECT_EQ(nav.key(Key::up), Outcome::none);  // no wrap
  EXPECT_EQ(nav.key(Key::left), Outcome::none);
  EXPECT_EQ(nav.key(Key::down), Outcome::changed);
  EXPECT_EQ(nav.key(Key::right), Outcome::changed);
  ASSERT_EQ(nav.levels().size(), 2u);
  EXPECT_EQ(nav.levels()[1].highlighted, 0);
  // The submenu opens beside its item, its first item level with it.
  EXPECT_EQ(nav.levels()[1].x, nav.levels()[0].x + nav.levels()[0].layout.width - 2);
  EXPECT_EQ(nav.levels()[1].y + nav.levels()[1].layout.itemTop[0],
            nav.levels()[0].y + nav.levels()[0].layout.itemTop[2]);
  EXPECT_EQ(nav.key(Key::left), Outcome::changed);
  EXPECT_EQ(nav.levels().size(), 1u);
  EXPECT_EQ(nav.key(Key::enter), Outcome::changed);  // Return on a submenu entry opens it
  EXPECT_EQ(nav.key(Key::down), Outcome::changed);
  EXPECT_EQ(nav.key(Key::enter), Outcome::chosen);
  EXPECT_EQ(nav.choice(), (PopupChoice{9, 2}));

  PopupNavigator other{tree, 100, 100, kScreen};
  EXPECT_EQ(other.key(Key::enter), Outcome::none);  // nothing highlighted yet
  EXPECT_EQ(other.key(Key::escape), Outcome::dismissed);
  EXPECT_EQ(other.choice(), PopupChoice{});
}

TEST(PopupMenu, PointerChoosesOnlyAfterMovingOrPressing) {
  const PopupMenuTree tree = sampleTree();
  PopupNavigator nav{tree, 100, 100, kScreen};
  const auto root = nav.levels()[0];  // a copy: opening submenus moves the levels
  const int32_t x = root.x + 10;
  auto rowY = [&](int item) { return root.y + root.layout.itemTop[static_cast<size_t>(item)] + 2; };
  // The release of the click that opened the menu, over an item: nothing.
  EXPECT_EQ(nav.release(x, rowY(0)), Outcome::none);
  // Over the separator, the greyed item and the title nothing lights.
  for (int item : {1, 3, 4}) {
    nav.pointerAt(x, rowY(item));
    EXPECT_EQ(nav.levels()[0].highlighted, -1) << item;
    EXPECT_EQ(nav.release(x, rowY(item)), Outcome::none) << item;
  }
  // Hovering the submenu entry opens its submenu; leaving for a plain item
  // closes it again.
  nav.pointerAt(x, rowY(2));
  ASSERT_EQ(nav.levels().size(), 2u);
  EXPECT_EQ(nav.levels()[1].highlighted, -1);
  nav.pointerAt(x, rowY(0));
  EXPECT_EQ(nav.levels().size(), 1u);
  nav.pointerAt(x, rowY(2));
  const auto sub = nav.levels()[1];
  const int32_t subX = sub.x + 10;
  const int32_t subY = sub.y + sub.layout.itemTop[1] + 2;
  EXPECT_EQ(nav.pointerAt(subX, subY), Outcome::changed);
  EXPECT_EQ(nav.release(subX, subY), Outcome::chosen);
  EXPECT_EQ(nav.choice(), (PopupChoice{9, 2}));

  PopupNavigator clicked{tree, 100, 100, kScreen};
  EXPECT_EQ(clicked.press(x, rowY(5)), Outcome::none);  // a click inside arms the release
  EXPECT_EQ(clicked.release(x, rowY(5)), Outcome::chosen);
  EXPECT_EQ(clicked.choice(), (PopupChoice{7, 6}));

  PopupNavigator outside{tree, 100, 100, kScreen};
  EXPECT_EQ(outside.press(5, 5), Outcome::dismissed);
}

TEST(PopupMenu, StaysOnTheScreenAndNeverFollowsACycle) {
  PopupMenuTree tree = sampleTree();
  // At the right edge the menu moves left, and its submenu opens to the left.
  PopupNavigator nav{tree, 1020, 100, kScreen};
  const auto& root = nav.levels()[0];
  EXPECT_EQ(root.x + root.layout.width, 1024);
  nav.key(Key::down);
  nav.key(Key::down);
  nav.key(Key::right);
  ASSERT_EQ(nav.levels().size(), 2u);
  EXPECT_LT(nav.levels()[1].x, nav.levels()[0].x);
  // A submenu that leads back to the root is not opened.
  tree.menus[1].items[0].submenu = 0;
  tree.menus[0].items[2].submenu = 0;
  PopupNavigator cyclic{tree, 100, 100, kScreen};
  cyclic.key(Key::down);
  cyclic.key(Key::down);
  EXPECT_EQ(cyclic.key(Key::right), Outcome::none);
  EXPECT_EQ(cyclic.levels().size(), 1u);
}

TEST(PopupMenu, PictureLightsTheHighlightedRowAndDrawsChecksAndArrows) {
  const PopupMenuTree tree = sampleTree();
  const auto layout = oxel::platform::layoutPopupMenu(tree.menus[0]);
  ASSERT_EQ(layout.itemTop.size(), 7u);
  const int32_t itemRow = layout.itemTop[1] - layout.itemTop[0];
  const int32_t separatorRow = layout.itemTop[2] - layout.itemTop[1];
  EXPECT_LT(separatorRow, itemRow);
  EXPECT_EQ(layout.height, layout.itemTop.back() + layout.itemTop.front());
  EXPECT_EQ(layout.itemAt(layout.itemTop[5]), 5);
  EXPECT_EQ(layout.itemAt(layout.height - 1), -1);

  const auto plain = oxel::platform::renderPopupMenu(tree.menus[0], -1);
  const auto lit = oxel::platform::renderPopupMenu(tree.menus[0], 5);
  ASSERT_EQ(plain->width(), layout.width);
  ASSERT_EQ(plain->height(), layout.height);
  // Only the highlighted row changes, and its background becomes the
  // highlight colour at the row's left end.
  for (int32_t y = 0; y < layout.height; ++y) {
    bool differs = false;
    for (int32_t x = 0; x < layout.width; ++x) differs = differs || plain->get(x, y) != lit->get(x, y);
    const bool inRow = y >= layout.itemTop[5] && y < layout.itemTop[6];
    EXPECT_EQ(differs, inRow) << "row " << y;
  }
  EXPECT_NE(lit->get(3, layout.itemTop[5] + 1), plain->get(3, layout.itemTop[5] + 1));
  // The checked first row has ink in its check column, the unchecked last
  // one has not; the submenu row has an arrow at its right end.
  auto inkIn = [&](int item, int32_t x0, int32_t x1) {
    const uint32_t background = plain->get(x0, layout.itemTop[static_cast<size_t>(item)]);
    for (int32_t y = layout.itemTop[static_cast<size_t>(item)]; y < layout.itemTop[static_cast<size_t>(item) + 1]; ++y)
      for (int32_t x = x0; x < x1; ++x)
        if (plain->get(x, y) != background) return true;
    return false;
  };
  EXPECT_TRUE(inkIn(0, 2, 18));
  EXPECT_FALSE(inkIn(5, 2, 18));
  EXPECT_TRUE(inkIn(2, layout.width - 16, layout.width - 2));
  EXPECT_FALSE(inkIn(5, layout.width - 16, layout.width - 2));
}

// A view whose click pops up the sample menu through the frame's window.
class PopupProbe : public CView {
 public:
  PopupProbe(const CRect& size, int& idles) : CView(size), idles{idles} {}
  void draw(CDrawContext*) override { setDirty(false); }
  void mouse(CDrawContext*, CPoint&, int32_t) override {
    CFrame* frame = getFrame();
    choice = frame->getPlatformWindow()->popupMenu(tree, 10, 30, [&, frame] {
      ++idles;
      frame->doIdleStuff();
    });
    ++popups;
  }
  PopupMenuTree tree{sampleTree()};
  PopupChoice choice{};
  int popups{0};
  int& idles;
};

TEST(PopupMenu, HeadlessWindowTakesTheScriptsInputWhileTheEditorIdles) {
  struct Case {
    const char* script;
    PopupChoice expected;
  };
  const Case cases[] = {
      {"click 5 5\nwait 30\nmenu 2 1\n", {9, 2}},
      {"click 5 5\nwait 30\nmenu 5\n", {7, 6}},
      {"click 5 5\nwait 30\nmenu 1\n", {}},  // a separator answers nothing
      {"click 5 5\nwait 30\nmenu cancel\n", {}},
      {"click 5 5\nwait 30\nkey down\nkey down\nkey right\nkey down\nkey return\n", {9, 2}},
      {"click 5 5\nwait 30\nkey down\nwait 20\nkey escape\n", {}},
      {"click 5 5\nwait 30\nclick 600 500\n", {}},       // a click outside
      {"click 5 5\nwait 30\nmove 20 120\nclick 20 120\n", {7, 6}},  // the last row: 30 + 3 + 4 rows + a separator
      {"click 5 5\nwait 200\n", {}},                   // the script ends without an answer
  };
  for (const Case& c : cases) {
    StubEffect effect;
    auto* editor = new ProbeEditor(&effect, CRect(0, 0, 60, 40));
    std::vector<std::string> log;
    int idles = 0;
    PopupProbe* probe = nullptr;
    editor->populate = [&](CFrame& frame) {
      probe = new PopupProbe(CRect(0, 0, 20, 20), idles);
      frame.addView(probe);
      frame.addView(new LoggingView(CRect(20, 0, 60, 40), "other", log));
    };
    Parent parent{c.script, 10};
    editor->open(&parent.record);
    idleThroughScript(*editor, parent);
    ASSERT_EQ(parent.record.scriptError, 0u) << c.script;
    EXPECT_EQ(probe->popups, 1) << c.script;
    EXPECT_EQ(probe->choice, c.expected) << c.script;
    EXPECT_GT(idles, 0) << c.script;
    // The menu's keys and clicks never reached the editor's views.
    EXPECT_TRUE(log.empty()) << c.script << log.front();
    EXPECT_EQ(editor->frame->getPlatformWindow()->lastPopup().x, 10) << c.script;
    EXPECT_EQ(editor->frame->getPlatformWindow()->lastPopup().y, 30) << c.script;
    editor->close();
  }
}

}  // namespace
}  // namespace editortest
