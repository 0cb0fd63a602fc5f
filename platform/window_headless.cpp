// Headless editor window: the port lives in memory, what the window shows is
// copied into the host's record at each flush, and input comes from the
// record's script (headless_parent.h), played against a virtual clock.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "window_backends.h"

namespace oxel::platform {

namespace {

struct Step {
  bool isWait{false};
  uint32_t waitMs{0};
  std::vector<WindowEvent> events;
};

uint32_t buttonBit(int n) {
  switch (n) {
    case 2: return kThirdButton;
    case 3: return kSecondaryButton;
    default: return kPrimaryButton;
  }
}

struct NamedKey {
  const char* name;
  uint8_t virt;
  int32_t character;
};
constexpr NamedKey kNamedKeys[] = {
    {"left", kVirtualLeft, 0},     {"right", kVirtualRight, 0},        {"up", kVirtualUp, 0},
    {"down", kVirtualDown, 0},     {"return", kVirtualReturn, '\r'},   {"enter", kVirtualEnter, '\r'},
    {"escape", kVirtualEscape, 27}, {"space", kVirtualSpace, ' '},     {"tab", kVirtualTab, '\t'},
    {"backspace", kVirtualBack, 8}, {"delete", kVirtualDelete, 127},   {"home", kVirtualHome, 0},
    {"end", kVirtualEnd, 0},       {"pageup", kVirtualPageUp, 0},      {"pagedown", kVirtualPageDown, 0},
    {"insert", kVirtualInsert, 0},
};

class ScriptParser {
 public:
  // False at the first line that cannot be read; `badLine` tells which.
  bool parse(const char* text, std::vector<Step>& steps, uint32_t& badLine) {
    std::istringstream in{text ? text : ""};
    std::string line;
    uint32_t number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
      std::istringstream words{line};
      std::vector<std::string> w;
      for (std::string s; words >> s;) w.push_back(s);
      if (w.empty()) continue;
      if (!parseLine(w, steps)) {
        badLine = number;
        return false;
      }
    }
    return true;
  }

 private:
  static bool toInt(const std::string& s, int32_t& out) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (end == s.c_str() || *end != 0 || v < -32768 || v > 32767) return false;
    out = static_cast<int32_t>(v);
    return true;
  }
  // Modifier words and "button N" from index i on.
  static bool options(const std::vector<std::string>& w, size_t i, uint32_t& mods, uint8_t& keyMods,
                      int& button) {
    for (; i < w.size(); ++i) {
      const std::string& s = w[i];
      if (s == "shift") { mods |= kModShift; keyMods |= kKeyShift; }
      else if (s == "ctrl") { mods |= kModCommand; keyMods |= kKeyCommand; }
      else if (s == "alt") { mods |= kModOption; keyMods |= kKeyAlternate; }
      else if (s == "super") { mods |= kModControl; keyMods |= kKeyControl; }
      else if (s == "button" && i + 1 < w.size()) {
        int32_t n = 0;
        if (!toInt(w[++i], n) || n < 1 || n > 3) return false;
        button = n;
      } else {
        return false;
      }
    }
    return true;
  }
  Step& batch(std::vector<Step>& steps) {
    if (steps.empty() || steps.back().isWait) steps.push_back(Step{});
    return steps.back();
  }
  bool parseLine(const std::vector<std::string>& w, std::vector<Step>& steps) {
    const std::string& verb = w[0];
    uint32_t mods = 0;
    uint8_t keyMods = 0;
    int button = 1;
    if (verb == "wait") {
      int32_t ms = 0;
      if (w.size() != 2 || !toInt(w[1], ms) || ms < 0) return false;
      steps.push_back(Step{true, static_cast<uint32_t>(ms), {}});
      return true;
    }
    if (verb == "key") {
      if (w.size() < 2 || !options(w, 2, mods, keyMods, button)) return false;
      WindowEvent e;
      e.type = WindowEvent::Type::keyDown;
      e.modifiers = mods;
      e.key.modifier = keyMods;
      bool named = false;
      for (const NamedKey& k : kNamedKeys)
        if (w[1] == k.name) {
          e.key.virt = k.virt;
          e.key.character = k.character;
          named = true;
        }
      if (!named && w[1].size() >= 2 && (w[1][0] == 'f' || w[1][0] == 'F')) {
        int32_t n = 0;
        if (toInt(w[1].substr(1), n) && n >= 1 && n <= 12) {
          e.key.virt = static_cast<uint8_t>(kVirtualF1 + n - 1);
          named = true;
        }
      }
      if (!named) {
        if (w[1].size() != 1) return false;
        e.key.character = static_cast<unsigned char>(w[1][0]);
      }
      Step& s = batch(steps);
      s.events.push_back(e);
      e.type = WindowEvent::Type::keyUp;
      s.events.push_back(e);
      return true;
    }
    if (verb == "wheel") {
      int32_t x = 0, y = 0;
      if (w.size() < 4 || (w[1] != "up" && w[1] != "down") || !toInt(w[2], x) || !toInt(w[3], y) ||
          !options(w, 4, mods, keyMods, button))
        return false;
      WindowEvent e;
      e.type = WindowEvent::Type::wheel;
      e.x = x;
      e.y = y;
      e.modifiers = mods;
      e.wheel = w[1] == "up" ? 1 : -1;
      batch(steps).events.push_back(e);
      return true;
    }
    if (verb == "press" || verb == "release" || verb == "move" || verb == "click") {
      int32_t x = 0, y = 0;
      if (w.size() < 3 || !toInt(w[1], x) || !toInt(w[2], y) || !options(w, 3, mods, keyMods, button))
        return false;
      if (verb == "move" && w.size() != 3) return false;
      WindowEvent e;
      e.x = x;
      e.y = y;
      e.modifiers = mods;
      e.button = buttonBit(button);
      Step& s = batch(steps);
      if (verb == "move") {
        e.type = WindowEvent::Type::motion;
        s.events.push_back(e);
      } else if (verb == "press") {
        e.type = WindowEvent::Type::press;
        s.events.push_back(e);
      } else if (verb == "release") {
        e.type = WindowEvent::Type::release;
        s.events.push_back(e);
      } else {
        e.type = WindowEvent::Type::press;
        s.events.push_back(e);
        e.type = WindowEvent::Type::release;
        s.events.push_back(e);
      }
      return true;
    }
    return false;
  }
};

class HeadlessWindow final : public EditorWindow {
 public:
  HeadlessWindow(OxelHeadlessParent* record, int32_t width, int32_t height)
      : EditorWindow(width, height), record_{record} {
    uint32_t badLine = 0;
    if (!ScriptParser{}.parse(record->script, steps_, badLine)) {
      steps_.clear();
      record->scriptError = badLine;
    }
    record->scriptDone = 0;
    ++record->openWindows;
    publish();
    // As an X server does after mapping: the whole window is exposed.
    WindowEvent e;
    e.type = WindowEvent::Type::expose;
    e.area = port().bounds();
    queue_.push_back(e);
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
  void setCursor(PointerShape shape) override { cursor_ = shape; }
  bool screenPosition(int32_t& x, int32_t& y) override {
    x = 0;
    y = 0;
    return true;
  }
  const char* backendName() const override { return "headless"; }

 protected:
  void fetch(uint32_t waitMs) override {
    playDue();
    // Like a poll on a connection: time passes until something arrives.
    while (waitMs > 0 && queue_.empty()) {
      if (waitLeft_ == 0) {
        advanceHeadlessClock(waitMs);
        break;
      }
      const uint32_t d = std::min(waitMs, waitLeft_);
      advanceHeadlessClock(d);
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
    advanceHeadlessClock(ms);
    waitLeft_ -= std::min(ms, waitLeft_);
  }
  void playDue() {
    while (waitLeft_ == 0 && next_ < steps_.size()) {
      const Step& s = steps_[next_++];
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
  std::vector<Step> steps_;
  size_t next_{0};
  uint32_t waitLeft_{0};
  uint32_t held_{0};
  WindowEvent last_{};
  std::vector<Pixel> screen_;
  PointerShape cursor_{PointerShape::arrow};
};

}  // namespace

std::unique_ptr<EditorWindow> openHeadlessWindow(OxelHeadlessParent* parent, int32_t width, int32_t height) {
  return std::make_unique<HeadlessWindow>(parent, width, height);
}

}  // namespace oxel::platform
