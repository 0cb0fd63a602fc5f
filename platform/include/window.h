// The editor's window: a child of the host's window with a pixel port, its
// input and its events. Two back ends: X11 (the host's parent is an X Window
// id) and headless (the parent is an OxelHeadlessParent record and input
// comes from a script). Which one runs is decided by openEditorWindow, from
// the parent it is given, and nowhere else. Everything runs on the
// thread that opened the window.
//
// The window is `scale` device pixels per logical pixel: its port and the
// window system see device pixels, while everything the window hands up
// (mouse and wheel positions, exposed areas, sizes asked for) is in logical
// pixels, device positions divided by the scale (rounded down).
//
// Events are read into a queue and dispatched to a WindowEventSink. The
// button state that InputSource::poll reports is the one known from the
// events handled so far: a press is latched until its release is taken from
// the queue, so a click that was already over when the editor looked still
// counts as one press and one release.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "platform.h"
#include "popup_menu.h"

namespace oxel::platform {

// Virtual key numbers of the host's key records.
enum : uint8_t {
  kVirtualBack = 1, kVirtualTab = 2, kVirtualReturn = 4, kVirtualEscape = 6, kVirtualSpace = 7,
  kVirtualEnd = 9, kVirtualHome = 10, kVirtualLeft = 11, kVirtualUp = 12, kVirtualRight = 13,
  kVirtualDown = 14, kVirtualPageUp = 15, kVirtualPageDown = 16, kVirtualEnter = 19,
  kVirtualInsert = 21, kVirtualDelete = 22, kVirtualF1 = 40,  // F1..F12 = 40..51
  kVirtualShift = 54, kVirtualControl = 55, kVirtualAlt = 56,
};

struct KeyStroke {
  int32_t character{0};  // the character typed, 0 for keys without one
  uint8_t virt{0};       // a kVirtual* number, 0 for plain characters
  uint8_t modifier{0};   // kMod* bits
};

// Theme cursors the frame asks for.
enum class PointerShape : uint8_t { arrow, plus, crosshair, watch, hand, hResize, vResize, notAllowed };

// One event of the window, already translated: buttons and modifiers as
// kPrimaryButton... and kMod* bits (lock keys never appear).
struct WindowEvent {
  enum class Type : uint8_t { expose, press, release, motion, wheel, keyDown, keyUp, menuAnswer };
  Type type{Type::motion};
  int32_t x{0}, y{0};
  uint32_t button{0};     // press/release: the button that changed
  uint32_t buttons{0};    // buttons held before the event
  uint32_t modifiers{0};
  int32_t wheel{0};       // +1 away from the user, -1 towards
  PortRect area{};        // expose
  KeyStroke key{};
  // menuAnswer (headless scripts only): the entry index at each level of
  // the open pop-up menu, root first; menuDepth 0 dismisses the menu.
  static constexpr int kMaxMenuDepth = 8;
  int16_t menuPath[kMaxMenuDepth]{};
  uint8_t menuDepth{0};
};

// What the window's owner does with dispatched events.
class WindowEventSink {
 public:
  virtual ~WindowEventSink() = default;
  // The area must be redrawn (the first one comes right after opening).
  virtual void windowExposed(const PortRect& area) = 0;
  // A button went down; input() already answers it.
  virtual void windowMouseDown(int32_t x, int32_t y) = 0;
  virtual void windowWheel(int32_t x, int32_t y, float distance) = 0;
  virtual void windowKey(const KeyStroke& key, bool down) = 0;
};

// The time an editor sees, in milliseconds. Every window has one: an X11
// window the steady clock, a headless window a virtual clock of its own. An
// editor without a window uses systemEditorClock().
class EditorClock {
 public:
  virtual ~EditorClock() = default;
  virtual uint32_t now() const = 0;
  // Lets ms pass: a real wait on the steady clock, a step of a virtual one.
  virtual void sleep(uint32_t ms) = 0;
};
// milliseconds() and sleepMilliseconds().
EditorClock& systemEditorClock();

// A clock that moves only when told to (a headless window's, or a test's).
// Any thread may read and move it.
class VirtualEditorClock final : public EditorClock {
 public:
  explicit VirtualEditorClock(uint32_t start = 0) : now_{start} {}
  uint32_t now() const override { return now_.load(std::memory_order_relaxed); }
  void sleep(uint32_t ms) override { advance(ms); }
  void set(uint32_t ms) { now_.store(ms, std::memory_order_relaxed); }
  void advance(uint32_t ms) { now_.fetch_add(ms, std::memory_order_relaxed); }

 private:
  std::atomic<uint32_t> now_;
};

class EditorWindow {
 public:
  virtual ~EditorWindow();
  EditorWindow(const EditorWindow&) = delete;
  EditorWindow& operator=(const EditorWindow&) = delete;

  PixelPort& port() { return *port_; }
  InputSource& input();
  // Device pixels per logical pixel, 1..3.
  int32_t scale() const { return scale_; }

  // Shows the port's dirty area in the window and clears it.
  virtual void flush() = 0;
  // Reads what has arrived (waiting up to waitMs when the queue is empty) and
  // dispatches every queued event in order. While `tracking` is set a press or
  // a wheel turn only updates the input state: a control already holds the
  // mouse. Exposes are collected and dispatched once, as one area.
  void dispatchEvents(WindowEventSink& sink, uint32_t waitMs, bool tracking);
  // The editor was closed while a control held the mouse: from now on no
  // button is reported held and no event is dispatched, so the control's
  // loop ends.
  void stopInput();
  // Time passes as the host idles: the headless back end moves its clock.
  virtual void hostIdlePassed() {}
  // The clock of this window: what the editor drawing in it reads and waits on.
  virtual EditorClock& clock() { return systemEditorClock(); }
  // Resizes the window and the port to width x height logical pixels (each
  // side at least 1); the port is cleared and fully dirty.
  bool resize(int32_t width, int32_t height);
  // The colour of the window's area outside the port. A host may make the
  // window larger than the editor (it stretches its child to its own
  // width): the port stays at the top left and the rest of the window is
  // painted in this colour at every expose and resize, so no stale screen
  // content shows there. A smaller window just clips the port.
  void setSurroundColour(Pixel colour);
  Pixel surroundColour() const { return surround_; }
  virtual void setCursor(PointerShape shape) = 0;
  // Top-left of the window on the screen.
  virtual bool screenPosition(int32_t& x, int32_t& y) = 0;
  // False while the window is unmapped (collapsed, hidden by the host).
  virtual bool viewable() const { return true; }
  // False once the window is gone (the host destroyed its parent): no more
  // requests are sent for it.
  virtual bool alive() const { return true; }
  virtual const char* backendName() const = 0;
  // The window system's id of the window (an X Window), 0 when there is none;
  // for hosts that embed the editor's window themselves.
  virtual uintptr_t nativeId() const { return 0; }

  // The screen the window is on, in screen (device) pixels (headless: 1024 x 768 at
  // the origin, with the window at its top-left corner).
  virtual PortRect screenBounds() = 0;
  // Shows a pop-up menu with the top-left of its first level at (x, y) on
  // the screen and blocks until an item is chosen or the menu is dismissed.
  // Meanwhile `idle` runs every few milliseconds (the editor's idle work;
  // only exposes of this window are dispatched while the menu is open, other
  // input belongs to the menu). Up/Down move, Right/Return open a submenu,
  // Left closes one, Return chooses, Escape or a press outside dismisses, a
  // release over an item chooses it once the pointer has moved or pressed
  // since the menu opened. Dismissed when the window goes away, its input is
  // stopped or the menu cannot take the pointer and keyboard.
  //   X11: override-redirect windows with pointer and keyboard grabs, taken
  //   back on every way out. Headless: the script's `menu` steps answer (a
  //   path of entry indexes, or cancel), and its keys and clicks navigate as
  //   on X11 (window pixels are screen pixels); when the script ends with no
  //   answer the menu is dismissed.
  virtual PopupChoice popupMenu(const PopupMenuTree& tree, int32_t x, int32_t y,
                                const std::function<void()>& idle) = 0;
  // The last pop-up shown: where its first level went and how many were shown.
  struct PopupRecord {
    int32_t x{0}, y{0}, width{0}, height{0};
    int32_t count{0};
  };
  const PopupRecord& lastPopup() const { return lastPopup_; }
  bool inputStopped() const { return stopped_; }

 protected:
  // width and height in device pixels.
  EditorWindow(int32_t width, int32_t height, int32_t scale);
  // Appends what has arrived to queue_, waiting up to waitMs for something
  // when nothing is there.
  virtual void fetch(uint32_t waitMs) = 0;
  virtual void resizeWindow(int32_t width, int32_t height) = 0;
  // The surround colour changed: back ends that show a surround repaint it.
  virtual void surroundChanged() {}

  std::deque<WindowEvent> queue_;
  // Pointer input a pop-up menu took: the buttons and position it shows
  // still reach the input state, so no press stays latched.
  void applyInput(const WindowEvent& e) {
    apply(e);
    freshPress_ = false;
  }
  // Notes a pop-up shown by nav.
  void notePopup(const PopupNavigator& nav);
  // Set while a pop-up menu runs: dispatchEvents then only takes exposes.
  bool popupOpen_{false};
  PopupRecord lastPopup_{};

 private:
  class Input;
  friend class Input;
  // Takes pointer events from the queue into the input state, without
  // waiting; stops before a release that follows a motion, so the position
  // of the motion is seen while the button is still held.
  void drainPointer();
  void apply(const WindowEvent& e);

  std::unique_ptr<PixelPort> port_;
  std::unique_ptr<Input> input_;
  int32_t scale_{1};
  InputState state_{};
  bool freshPress_{false};
  bool stopped_{false};
  Pixel surround_{0};
};

// The back end is chosen by the parent itself, at every call: a pointer to
// readable, aligned memory that holds an OxelHeadlessParent record's magic
// and version opens a headless window on that record; anything else is the
// host's X Window id (and is never read as memory). Null when no window can
// be made (no display, no such window, null parent); the editor then runs
// without a window. width and height are logical pixels, each side clamped
// to at least 1; the window has width x height times scale (1..3) device
// pixels.
std::unique_ptr<EditorWindow> openEditorWindow(void* parent, int32_t width, int32_t height,
                                               int32_t scale = 1);
// Whether `parent` is a headless record as openEditorWindow checks it: the
// memory is read only after a probe that cannot fault says it is readable.
bool isHeadlessParent(const void* parent);

}  // namespace oxel::platform
