// Headless editor window: the port lives in memory, what the window shows is
// copied into the host's record at each flush, and input comes from the
// record's script (headless_parent.h, read by input_script.cpp), played
// against the window's own virtual clock.
#include <algorithm>
#include <cstring>
#include <vector>

#include "input_script.h"
#include "window_openers.h"

namespace oxel::platform {

namespace {

PopupNavigator::Outcome menuKey(PopupNavigator& nav, const KeyStroke& key) {
  using Key = PopupNavigator::Key;
  switch (key.virt) {
    case kVirtualUp: return nav.key(Key::up);
    case kVirtualDown: return nav.key(Key::down);
    case kVirtualLeft: return nav.key(Key::left);
    case kVirtualRight: return nav.key(Key::right);
    case kVirtualReturn:
    case kVirtualEnter: return nav.key(Key::enter);
    case kVirtualEscape: return nav.key(Key::escape);
    default: return PopupNavigator::Outcome::none;
  }
}

class HeadlessWindow final : public EditorWindow {
 public:
  HeadlessWindow(OxelHeadlessParent* record, int32_t width, int32_t height, int32_t scale)
      : EditorWindow(width, height, scale), record_{record} {
    uint32_t badLine = 0;
    if (!parseInputScript(record->script, steps_, badLine)) {
      steps_.clear();
      record->scriptError = badLine;
    }
    record->scriptDone = 0;
    // As an X server does after mapping: the whole window is exposed.
    WindowEvent e;
    e.type = WindowEvent::Type::expose;
    e.area = port().bounds();
    queue_.push_back(e);
    // Last, once nothing can fail: the record never counts or points into
    // a window that was not made.
    publish();
    ++record->openWindows;
  }
  ~HeadlessWindow() override {
    --record_->openWindows;
    if (record_->pixels == screen_.data()) {
      record_->pixels = nullptr;
      record_->width = record_->height = 0;
    }
  }

  void flush() override {
    const PortRect area = intersect(port().takeDirty(), port().bounds());
    if (area.empty()) return;
    const int32_t w = port().width();
    for (int32_t y = area.top; y < area.bottom; ++y)
      std::memcpy(&screen_[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(area.left)],
                  port().row(y) + area.left, static_cast<size_t>(area.width()) * sizeof(Pixel));
    ++record_->flushCount;
  }
  void hostIdlePassed() override { pass(record_->idleStepMs); }
  EditorClock& clock() override { return clock_; }
  void setCursor(PointerShape shape) override { cursor_ = shape; }
  bool screenPosition(int32_t& x, int32_t& y) override {
    x = 0;
    y = 0;
    return true;
  }
  const char* backendName() const override { return "headless"; }
  PortRect screenBounds() override { return {0, 0, 1024, 768}; }

  PopupChoice popupMenu(const PopupMenuTree& tree, int32_t x, int32_t y,
                        const std::function<void()>& idle) override {
    if (tree.menus.empty() || inputStopped()) return {};
    PopupNavigator nav{tree, x, y, screenBounds(), scale()};
    notePopup(nav);
    popupOpen_ = true;
    struct Closing {
      bool& open;
      ~Closing() { open = false; }
    } closing{popupOpen_};
    while (true) {
      fetch(0);
      // The script's input, in order, belongs to the menu while it is open.
      for (auto it = queue_.begin(); it != queue_.end();) {
        const WindowEvent e = *it;
        using Type = WindowEvent::Type;
        if (e.type == Type::expose) {
          ++it;
          continue;
        }
        it = queue_.erase(it);
        PopupNavigator::Outcome outcome = PopupNavigator::Outcome::none;
        switch (e.type) {
          case Type::menuAnswer:
            return choosePopupPath(tree, e.menuPath, e.menuDepth);
          case Type::keyDown:
            outcome = menuKey(nav, e.key);
            break;
          case Type::motion:
            applyInput(e);
            outcome = nav.pointerAt(e.x, e.y);
            break;
          case Type::press:
            applyInput(e);
            outcome = nav.press(e.x, e.y);
            break;
          case Type::release:
            applyInput(e);
            outcome = nav.release(e.x, e.y);
            break;
          default:
            break;
        }
        if (outcome != PopupNavigator::Outcome::chosen && outcome != PopupNavigator::Outcome::dismissed) continue;
        // The release of the key that ended the menu was the menu's too.
        if (e.type == Type::keyDown)
          for (auto up = it; up != queue_.end(); ++up)
            if (up->type == Type::keyUp) {
              queue_.erase(up);
              break;
            }
        return outcome == PopupNavigator::Outcome::chosen ? nav.choice() : PopupChoice{};
      }
      if (inputStopped() || record_->scriptDone) return {};
      if (idle) idle();
      if (inputStopped()) return {};
      fetch(10);
    }
  }

 protected:
  void fetch(uint32_t waitMs) override {
    playDue();
    // Like a poll on a connection: time passes until something arrives.
    while (waitMs > 0 && queue_.empty()) {
      if (waitLeft_ == 0) {
        clock_.advance(waitMs);
        break;
      }
      const uint32_t d = std::min(waitMs, waitLeft_);
      clock_.advance(d);
      waitLeft_ -= d;
      waitMs -= d;
      playDue();
    }
  }
  void resizeWindow(int32_t width, int32_t height) override {
    (void)width;
    (void)height;
    publish();
  }

 private:
  void pass(uint32_t ms) {
    clock_.advance(ms);
    waitLeft_ -= std::min(ms, waitLeft_);
  }
  void playDue() {
    while (waitLeft_ == 0 && next_ < steps_.size()) {
      const ScriptStep& s = steps_[next_++];
      if (s.isWait) {
        waitLeft_ = s.waitMs;
        continue;
      }
      for (const WindowEvent& e : s.events) {
        if (e.type == WindowEvent::Type::press) held_ |= e.button;
        if (e.type == WindowEvent::Type::release) held_ &= ~e.button;
        queue_.push_back(e);
        last_ = e;
      }
    }
    if (waitLeft_ == 0 && next_ == steps_.size() && !record_->scriptDone) {
      for (uint32_t b : {kPrimaryButton, kSecondaryButton, kThirdButton}) {
        if (!(held_ & b)) continue;
        WindowEvent e = last_;
        e.type = WindowEvent::Type::release;
        e.button = b;
        queue_.push_back(e);
      }
      held_ = 0;
      record_->scriptDone = 1;
    }
  }
  void publish() {
    screen_.assign(static_cast<size_t>(port().width()) * static_cast<size_t>(port().height()), 0);
    record_->pixels = screen_.data();
    record_->width = port().width();
    record_->height = port().height();
  }

  OxelHeadlessParent* record_;
  // Starts where the steady clock is at the open, then moves only with the
  // script's waits, the editor's waits and the host's idles.
  VirtualEditorClock clock_{milliseconds()};
  std::vector<ScriptStep> steps_;
  size_t next_{0};
  uint32_t waitLeft_{0};
  uint32_t held_{0};
  WindowEvent last_{};
  std::vector<Pixel> screen_;
  PointerShape cursor_{PointerShape::arrow};
};

}  // namespace

std::unique_ptr<EditorWindow> openHeadlessWindow(OxelHeadlessParent* parent, int32_t width,
                                                 int32_t height, int32_t scale) {
  return std::make_unique<HeadlessWindow>(parent, width, height, scale);
}

}  // namespace oxel::platform
