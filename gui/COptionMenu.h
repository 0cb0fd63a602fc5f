// A pop-up menu control: a parameter display showing its current entry that,
// when clicked, pops up a menu of its entries (check marks, separators,
// titles, greyed entries, shortcut decorations, cascading submenus) through
// the frame's window, and makes the chosen entry current and tells the
// listener. The pop-up blocks (the editor's idle keeps running) until the
// user chooses or dismisses; a dismissal changes nothing and tells nobody.
//
// Entry texts with a meaning: "-" a separator, "-M..." a submenu entry (made
// by the submenu form of addEntry), "-G..." greyed, "-T..." a title; a tab
// followed by a description ("Ctrl+Shift+S", "Del", "Left") decorates the
// item with a shortcut. Texts are kept in 256-byte buffers (longer ones are
// cut to 255 characters); at most 1024 entries.
//
// Bad input changes nothing: indexes out of range answer false or -1, a
// value that is not a finite entry index is ignored, prefix widths other than
// 0, 2, 3 and 4 are refused.
#pragma once

#include <array>
#include <memory>
#include <vector>

#include "CParamDisplay.h"

namespace oxel::platform {
struct PopupMenuTree;
struct PopupMenuLevel;
}  // namespace oxel::platform

// Style bits the menu reads besides the display's.
enum : int32_t {
  kOptionMenuMultipleCheck = 1,  // each entry keeps a check mark, toggled when chosen
  kOptionMenuAtTopEdge = 512,    // the pop-up opens at the top edge, not the bottom
  kOptionMenuCheckStyle = 1024,  // without multiple check: the current entry is checked
};

class COptionMenu : public CParamDisplay {
 public:
  static constexpr int32_t kMaxEntries = 1024;
  static constexpr int32_t kEntrySize = 256;

  COptionMenu(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background = nullptr,
              CBitmap* bgWhenClick = nullptr, int32_t style = 0);
  ~COptionMenu() override;

  virtual bool addEntry(COptionMenu* subMenu, const char* txt);
  virtual bool addEntry(const char* txt, int32_t index = -1);
  // The current entry's index (separators and titles left out of the count
  // unless countSeparator), its text copied into txt when not null (up to
  // kEntrySize bytes); -1 when there is none.
  virtual int32_t getCurrent(char* txt = nullptr, bool countSeparator = true) const;
  virtual bool setCurrent(int32_t index, bool countSeparator = true);
  virtual bool getEntry(int32_t index, char* txt) const;
  virtual bool setEntry(int32_t index, const char* txt);
  virtual bool removeEntry(int32_t index);
  virtual bool removeAllEntry();
  virtual int32_t getNbEntries() const { return nbEntries; }
  virtual int32_t getIndex(const char* txt) const;
  virtual bool checkEntry(int32_t index, bool state);
  virtual bool checkEntryAlone(int32_t index);
  virtual bool isCheckEntry(int32_t index) const;
  virtual void setNbItemsPerColumn(int32_t val) { nbItemsPerColumn = val; }
  virtual int32_t getNbItemsPerColumn() const { return nbItemsPerColumn; }
  // No colour scheme on this platform.
  virtual void* getScheme() const { return nullptr; }
  // 0, or 2, 3, 4: entries added later carry their number in that many
  // characters ("5 ", "05 ", "005 "), which the display leaves out.
  virtual void setPrefixNumbers(int32_t val);

  void draw(CDrawContext* pContext) override;
  void mouse(CDrawContext* pContext, CPoint& where, int32_t button = -1) override;
  void looseFocus(CDrawContext* pContext = nullptr) override;
  // Shows the pop-up and records the choice (see mouse).
  void takeFocus(CDrawContext* pContext = nullptr) override;
  bool isTypeOf(const char* s) const override;
  // A finite value whose whole part is an entry index makes that entry
  // current (toggling its check with the multiple-check style); others are
  // ignored.
  void setValue(float val) override;

  int32_t getMenuID() const { return menuID; }
  int32_t getLastResult() const { return lastResult; }
  int32_t getPrefixNumbers() const { return prefixNumbers; }
  int32_t getLastButton() const { return lastButton; }
  // The (sub)menu of the last choice, idx its chosen entry; null and -1 when
  // there is none.
  COptionMenu* getLastItemMenu(int32_t& idx) const;
  COptionMenu* getSubMenu(int32_t index) const;
  // This menu or the submenu whose pop-up identifier is menuID.
  COptionMenu* getItemMenu(int32_t idx, int32_t& idxInMenu, int32_t menuID);
  // The pop-up built from the entries (the root level first), held until
  // removeItems; offsetIdx grows by the entries of every level built.
  const oxel::platform::PopupMenuTree* appendItems(int32_t& offsetIdx);
  void removeItems();

 protected:
  int32_t buildLevel(oxel::platform::PopupMenuTree& tree, int32_t& offsetIdx);
  // Whether entry i is counted by getCurrent/setCurrent without separators.
  bool countable(int32_t i) const;
  // The text entry i shows in the display: without its number prefix and
  // without a shortcut description.
  void displayText(int32_t i, char (&out)[kEntrySize]) const;

  std::unique_ptr<oxel::platform::PopupMenuTree> platformControl;
  std::vector<std::array<char, kEntrySize>> entry;
  std::vector<COptionMenu*> submenuEntry;
  std::vector<bool> check;
  int32_t menuID{0};
  int32_t nbEntries{0};
  int32_t nbSubMenus{0};
  int32_t currentIndex{-1};
  CBitmap* bgWhenClick{nullptr};
  int32_t lastButton{kRightButton};
  int32_t lastResult{-1};
  int32_t prefixNumbers{0};
  COptionMenu* lastMenu{nullptr};
  int32_t nbItemsPerColumn{-1};
  bool bBuilding{false};

 private:
  // The screen point (device pixels) the pop-up opens at: the control's
  // bottom-left corner, or its top-left with kOptionMenuAtTopEdge.
  CPoint popupPlace(CDrawContext* pContext, CFrame& frame);
  // Makes the chosen entry of the menu or submenu `menuId` its value and
  // tells the listener.
  void reportChoice(int32_t menuId, CDrawContext* pContext, CFrame& frame);
};
