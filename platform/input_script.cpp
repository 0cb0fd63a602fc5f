// Input script parser: a line is a verb and its words; each verb has one
// entry in kVerbs below, so a new verb is one function and one table row.
#include "input_script.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>

namespace oxel::platform {

namespace {

using Words = std::vector<std::string>;

bool toInt(const std::string& s, int32_t& out) {
  char* end = nullptr;
  const long v = std::strtol(s.c_str(), &end, 10);
  if (end == s.c_str() || *end != 0 || v < -32768 || v > 32767) return false;
  out = static_cast<int32_t>(v);
  return true;
}

uint32_t buttonBit(int32_t n) {
  switch (n) {
    case 2: return kThirdButton;
    case 3: return kSecondaryButton;
    default: return kPrimaryButton;
  }
}

// Modifier words and "button N" after a verb's own words.
struct Options {
  uint32_t modifiers{0};
  int32_t button{1};
};

bool readOptions(const Words& w, size_t i, Options& o) {
  for (; i < w.size(); ++i) {
    const std::string& s = w[i];
    if (s == "shift") o.modifiers |= kModShift;
    else if (s == "ctrl") o.modifiers |= kModCommand;
    else if (s == "alt") o.modifiers |= kModOption;
    else if (s == "super") o.modifiers |= kModControl;
    else if (s == "button" && i + 1 < w.size()) {
      if (!toInt(w[++i], o.button) || o.button < 1 || o.button > 3) return false;
    } else {
      return false;
    }
  }
  return true;
}

// "X Y [options]" from index i: the position and options into the event.
bool readPointer(const Words& w, size_t i, WindowEvent& e) {
  Options o;
  if (w.size() < i + 2 || !toInt(w[i], e.x) || !toInt(w[i + 1], e.y) || !readOptions(w, i + 2, o))
    return false;
  e.modifiers = o.modifiers;
  e.button = buttonBit(o.button);
  return true;
}

// Where a verb puts what it reads.
class StepWriter {
 public:
  explicit StepWriter(std::vector<ScriptStep>& steps) : steps_{steps} {}
  // Events are appended to the batch that arrives together.
  void event(const WindowEvent& e) {
    if (steps_.empty() || steps_.back().isWait) steps_.push_back(ScriptStep{});
    steps_.back().events.push_back(e);
  }
  void event(WindowEvent e, WindowEvent::Type type) {
    e.type = type;
    event(e);
  }
  void wait(uint32_t ms) { steps_.push_back(ScriptStep{true, ms, {}}); }

 private:
  std::vector<ScriptStep>& steps_;
};

bool waitVerb(const Words& w, StepWriter& out) {
  int32_t ms = 0;
  if (w.size() != 2 || !toInt(w[1], ms) || ms < 0) return false;
  out.wait(static_cast<uint32_t>(ms));
  return true;
}

bool pressVerb(const Words& w, StepWriter& out) {
  WindowEvent e;
  if (!readPointer(w, 1, e)) return false;
  out.event(e, WindowEvent::Type::press);
  return true;
}

bool releaseVerb(const Words& w, StepWriter& out) {
  WindowEvent e;
  if (!readPointer(w, 1, e)) return false;
  out.event(e, WindowEvent::Type::release);
  return true;
}

bool clickVerb(const Words& w, StepWriter& out) {
  WindowEvent e;
  if (!readPointer(w, 1, e)) return false;
  out.event(e, WindowEvent::Type::press);
  out.event(e, WindowEvent::Type::release);
  return true;
}

// move X Y [MODS]: the modifiers held during the motion (one may go down or
// up mid-drag).
bool moveVerb(const Words& w, StepWriter& out) {
  WindowEvent e;
  if (!readPointer(w, 1, e) || e.button != kPrimaryButton) return false;
  out.event(e, WindowEvent::Type::motion);
  return true;
}

// drag X1 Y1 X2 Y2 [MODS] [steps N]: the left button goes down at the first
// point, the pointer moves to the second in N equal steps (8 by default)
// 20 ms apart, and the button comes up there.
bool dragVerb(const Words& w, StepWriter& out) {
  int32_t x1 = 0, y1 = 0;
  WindowEvent e;
  Words rest(w.begin() + std::min<size_t>(w.size(), 3), w.end());
  int32_t count = 8;
  if (rest.size() >= 2 && rest[rest.size() - 2] == "steps") {
    if (!toInt(rest.back(), count) || count < 1 || count > 1000) return false;
    rest.resize(rest.size() - 2);
  }
  rest.insert(rest.begin(), "drag");
  if (w.size() < 5 || !toInt(w[1], x1) || !toInt(w[2], y1) || !readPointer(rest, 1, e) ||
      e.button != kPrimaryButton)
    return false;
  const int32_t x2 = e.x, y2 = e.y;
  e.x = x1;
  e.y = y1;
  out.event(e, WindowEvent::Type::press);
  for (int32_t i = 1; i <= count; ++i) {
    out.wait(20);
    e.x = x1 + (x2 - x1) * i / count;
    e.y = y1 + (y2 - y1) * i / count;
    out.event(e, WindowEvent::Type::motion);
  }
  out.wait(20);
  out.event(e, WindowEvent::Type::release);
  return true;
}

bool wheelVerb(const Words& w, StepWriter& out) {
  WindowEvent e;
  if (w.size() < 4 || (w[1] != "up" && w[1] != "down") || !readPointer(w, 2, e)) return false;
  e.button = 0;
  e.wheel = w[1] == "up" ? 1 : -1;
  out.event(e, WindowEvent::Type::wheel);
  return true;
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

// A named key, f1..f12, or a single character.
bool readKey(const std::string& name, KeyStroke& key) {
  for (const NamedKey& k : kNamedKeys)
    if (name == k.name) {
      key.virt = k.virt;
      key.character = k.character;
      return true;
    }
  int32_t n = 0;
  if (name.size() >= 2 && (name[0] == 'f' || name[0] == 'F') && toInt(name.substr(1), n) && n >= 1 &&
      n <= 12) {
    key.virt = static_cast<uint8_t>(kVirtualF1 + n - 1);
    return true;
  }
  if (name.size() != 1) return false;
  key.character = static_cast<unsigned char>(name[0]);
  return true;
}

bool keyVerb(const Words& w, StepWriter& out) {
  Options o;
  WindowEvent e;
  if (w.size() < 2 || !readOptions(w, 2, o) || !readKey(w[1], e.key)) return false;
  e.modifiers = o.modifiers;
  e.key.modifier = static_cast<uint8_t>(o.modifiers);
  out.event(e, WindowEvent::Type::keyDown);
  out.event(e, WindowEvent::Type::keyUp);
  return true;
}

// "menu I [J ...]" or "menu cancel": the answer to the open pop-up menu.
bool menuVerb(const Words& w, StepWriter& out) {
  WindowEvent e;
  if (w.size() == 2 && w[1] == "cancel") {
    out.event(e, WindowEvent::Type::menuAnswer);
    return true;
  }
  if (w.size() < 2 || w.size() - 1 > static_cast<size_t>(WindowEvent::kMaxMenuDepth)) return false;
  for (size_t i = 1; i < w.size(); ++i) {
    int32_t index = 0;
    if (!toInt(w[i], index) || index < 0) return false;
    e.menuPath[e.menuDepth++] = static_cast<int16_t>(index);
  }
  out.event(e, WindowEvent::Type::menuAnswer);
  return true;
}

struct Verb {
  const char* name;
  bool (*read)(const Words& words, StepWriter& out);  // words[0] is the verb
};
constexpr Verb kVerbs[] = {
    {"press", pressVerb}, {"release", releaseVerb}, {"move", moveVerb}, {"click", clickVerb},
    {"wheel", wheelVerb}, {"key", keyVerb},         {"wait", waitVerb},   {"menu", menuVerb},
    {"drag", dragVerb},
};

bool readLine(const Words& w, StepWriter& out) {
  for (const Verb& verb : kVerbs)
    if (w[0] == verb.name) return verb.read(w, out);
  return false;
}

}  // namespace

bool parseInputScript(const char* text, std::vector<ScriptStep>& steps, uint32_t& badLine) {
  std::istringstream in{text ? text : ""};
  StepWriter out{steps};
  std::string line;
  uint32_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::istringstream words{line};
    Words w;
    for (std::string s; words >> s;) w.push_back(s);
    if (w.empty()) continue;
    if (!readLine(w, out)) {
      badLine = number;
      return false;
    }
  }
  return true;
}

}  // namespace oxel::platform
