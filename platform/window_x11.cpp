// X11 editor window: a child of the host's window on a display connection of
// its own, used only on the thread that opened it. The port's dirty area is
// shown with XPutImage; events are read without blocking (or with a bounded
// poll on the connection) and translated for the shared queue.
//
// X errors on our connections are logged and ignored, and a lost connection
// to the server ends the window, not the process: the process-wide handlers
// we install pass other connections' errors to the handlers that were there
// before, and are taken out again when the last window closes. A
// window the host destroyed (DestroyNotify on our child, which dies with its
// parent) gets no further requests.
//
// The host may size our window on its own (an embedding host stretches its
// child to the width of its plug-in window): the port stays at the top left
// and everything of the window outside it is filled with the surround colour
// at every expose and size change, so no stale screen content shows through.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <vector>

#include "window_openers.h"

namespace oxel::platform {

namespace {

std::mutex gDisplaysMutex;
std::map<Display*, int> gDisplays;  // our connections -> errors seen (-1: connection lost)
XErrorHandler gPreviousHandler = nullptr;
XIOErrorHandler gPreviousIoHandler = nullptr;
bool gHandlerInstalled = false;

bool isOurs(Display* display) {
  std::lock_guard lock{gDisplaysMutex};
  return gDisplays.count(display) != 0;
}

// Xlib's own I/O error handler ends the process. For our connections this
// one only reports; the per-connection exit handler below then returns too.
int onXIoError(Display* display) {
  if (isOurs(display)) {
    std::fprintf(stderr, "oxel editor: lost the connection to the X server\n");
    return 0;
  }
  XIOErrorHandler previous;
  {
    std::lock_guard lock{gDisplaysMutex};
    previous = gPreviousIoHandler;
  }
  return previous ? previous(display) : 0;
}

int onXError(Display* display, XErrorEvent* error) {
  XErrorHandler previous = nullptr;
  {
    std::lock_guard lock{gDisplaysMutex};
    auto it = gDisplays.find(display);
    if (it != gDisplays.end()) {
      if (it->second >= 0) ++it->second;
    } else {
      previous = gPreviousHandler;
    }
  }
  if (previous) return previous(display, error);
  char text[160] = "";
  XGetErrorText(display, error->error_code, text, sizeof text);
  std::fprintf(stderr, "oxel editor: X error ignored: %s (request %d.%d, resource 0x%lx)\n", text,
               error->request_code, error->minor_code, error->resourceid);
  return 0;
}

void registerDisplay(Display* display) {
  std::lock_guard lock{gDisplaysMutex};
  gDisplays[display] = 0;
  if (!gHandlerInstalled) {
    XErrorHandler previous = XSetErrorHandler(onXError);
    gPreviousHandler = previous == onXError ? nullptr : previous;
    XIOErrorHandler previousIo = XSetIOErrorHandler(onXIoError);
    gPreviousIoHandler = previousIo == onXIoError ? nullptr : previousIo;
    gHandlerInstalled = true;
  }
}

void unregisterDisplay(Display* display) {
  std::lock_guard lock{gDisplaysMutex};
  gDisplays.erase(display);
  if (gDisplays.empty() && gHandlerInstalled) {
    // Give the process its handlers back, unless someone replaced ours since.
    XErrorHandler current = XSetErrorHandler(gPreviousHandler);
    if (current != onXError) XSetErrorHandler(current);
    XIOErrorHandler currentIo = XSetIOErrorHandler(gPreviousIoHandler);
    if (currentIo != onXIoError) XSetIOErrorHandler(currentIo);
    gHandlerInstalled = false;
    gPreviousHandler = nullptr;
    gPreviousIoHandler = nullptr;
  }
}

// The server went away: Xlib would end the process after its I/O error
// handler. Returning from this per-connection exit handler instead leaves
// the connection dead; our window then stops making requests.
void onConnectionLost(Display* display, void*) {
  std::lock_guard lock{gDisplaysMutex};
  auto it = gDisplays.find(display);
  if (it != gDisplays.end()) it->second = -1;
}

bool connectionLost(Display* display) {
  std::lock_guard lock{gDisplaysMutex};
  auto it = gDisplays.find(display);
  return it != gDisplays.end() && it->second < 0;
}

int errorsOn(Display* display) {
  std::lock_guard lock{gDisplaysMutex};
  auto it = gDisplays.find(display);
  return it == gDisplays.end() ? 0 : it->second;
}

uint32_t modifiersOf(unsigned int state) {
  uint32_t m = 0;
  if (state & ControlMask) m |= kModCommand;
  if (state & ShiftMask) m |= kModShift;
  if (state & Mod1Mask) m |= kModOption;
  if (state & Mod4Mask) m |= kModControl;
  return m;  // Lock (Caps) and Mod2 (Num Lock) are left out
}

uint32_t buttonOf(unsigned int button) {
  switch (button) {
    case Button1: return kPrimaryButton;
    case Button2: return kThirdButton;
    case Button3: return kSecondaryButton;
    default: return 0;
  }
}

uint32_t heldButtons(unsigned int state) {
  uint32_t b = 0;
  if (state & Button1Mask) b |= kPrimaryButton;
  if (state & Button2Mask) b |= kThirdButton;
  if (state & Button3Mask) b |= kSecondaryButton;
  return b;
}

KeyStroke keyOf(XKeyEvent& event) {
  KeyStroke key;
  char text[8] = {};
  KeySym sym = NoSymbol;
  const int n = XLookupString(&event, text, sizeof text, &sym, nullptr);
  key.modifier = static_cast<uint8_t>(modifiersOf(event.state));
  struct Named {
    KeySym sym;
    uint8_t virt;
    int32_t character;
  };
  static constexpr Named kNamed[] = {
      {XK_BackSpace, kVirtualBack, 8},   {XK_Tab, kVirtualTab, '\t'},       {XK_Return, kVirtualReturn, '\r'},
      {XK_Escape, kVirtualEscape, 27},   {XK_space, kVirtualSpace, ' '},    {XK_End, kVirtualEnd, 0},
      {XK_Home, kVirtualHome, 0},        {XK_Left, kVirtualLeft, 0},        {XK_Up, kVirtualUp, 0},
      {XK_Right, kVirtualRight, 0},      {XK_Down, kVirtualDown, 0},        {XK_Page_Up, kVirtualPageUp, 0},
      {XK_Page_Down, kVirtualPageDown, 0}, {XK_KP_Enter, kVirtualEnter, '\r'}, {XK_Insert, kVirtualInsert, 0},
      {XK_Delete, kVirtualDelete, 127},  {XK_Shift_L, kVirtualShift, 0},    {XK_Shift_R, kVirtualShift, 0},
      {XK_Control_L, kVirtualControl, 0}, {XK_Control_R, kVirtualControl, 0}, {XK_Alt_L, kVirtualAlt, 0},
      {XK_Alt_R, kVirtualAlt, 0},
  };
  for (const Named& k : kNamed)
    if (k.sym == sym) {
      key.virt = k.virt;
      key.character = k.character;
      return key;
    }
  if (sym >= XK_F1 && sym <= XK_F12) {
    key.virt = static_cast<uint8_t>(kVirtualF1 + (sym - XK_F1));
    return key;
  }
  if (sym >= 0x20 && sym <= 0xFF)
    key.character = static_cast<int32_t>(sym);  // Latin-1 keysyms are their characters
  else if (n == 1)
    key.character = static_cast<unsigned char>(text[0]);
  return key;
}

unsigned int cursorFontShape(PointerShape shape) {
  switch (shape) {
    case PointerShape::plus: return XC_plus;
    case PointerShape::crosshair: return XC_crosshair;
    case PointerShape::watch: return XC_watch;
    case PointerShape::hand: return XC_hand2;
    case PointerShape::hResize: return XC_sb_h_double_arrow;
    case PointerShape::vResize: return XC_sb_v_double_arrow;
    case PointerShape::notAllowed: return XC_X_cursor;
    case PointerShape::arrow: break;
  }
  return XC_left_ptr;
}

class X11Window final : public EditorWindow {
 public:
  X11Window(Display* display, Window parent, int32_t width, int32_t height, int32_t scale)
      : EditorWindow(width, height, scale), display_{display} {
    const int screen = DefaultScreen(display_);
    XVisualInfo info{};
    if (XMatchVisualInfo(display_, screen, 24, TrueColor, &info)) {
      visual_ = info.visual;
      depth_ = info.depth;
    } else {
      visual_ = DefaultVisual(display_, screen);
      depth_ = DefaultDepth(display_, screen);
    }
    colormap_ = XCreateColormap(display_, RootWindow(display_, screen), visual_, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = colormap_;
    attributes.border_pixel = 0;
    attributes.background_pixmap = None;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | KeyReleaseMask | StructureNotifyMask;
    windowWidth_ = port().width();
    windowHeight_ = port().height();
    window_ = XCreateWindow(display_, parent, 0, 0, static_cast<unsigned>(windowWidth_),
                            static_cast<unsigned>(windowHeight_), 0, depth_, InputOutput, visual_,
                            CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask, &attributes);
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    XMapWindow(display_, window_);
    XSync(display_, False);
    directPixels_ = depth_ == 24 && visual_->red_mask == 0xFF0000 && visual_->green_mask == 0xFF00 &&
                    visual_->blue_mask == 0xFF;
    if (directPixels_) {
      // 24-bit pixels must travel as 32-bit units for the port's layout.
      int count = 0;
      XPixmapFormatValues* formats = XListPixmapFormats(display_, &count);
      directPixels_ = false;
      for (int i = 0; i < count; ++i)
        if (formats[i].depth == 24 && formats[i].bits_per_pixel == 32) directPixels_ = true;
      if (formats) XFree(formats);
    }
  }
  bool created() const { return errorsOn(display_) == 0; }

  ~X11Window() override {
    if (connectionLost(display_)) {
      // Nothing reaches the server any more (Xlib drops requests on a dead
      // connection): only the client side is released.
      XFreeGC(display_, gc_);
      unregisterDisplay(display_);
      XCloseDisplay(display_);
      return;
    }
    if (alive_) {
      // Learn whether the host has destroyed its window meanwhile.
      XSync(display_, False);
      readEvents();
    }
    if (alive_) {
      XUndefineCursor(display_, window_);
      XDestroyWindow(display_, window_);
    }
    for (auto& [shape, cursor] : cursors_) XFreeCursor(display_, cursor);
    XFreeGC(display_, gc_);
    XFreeColormap(display_, colormap_);
    XSync(display_, False);
    unregisterDisplay(display_);
    XCloseDisplay(display_);
  }

  void flush() override {
    const PortRect area = intersect(port().takeDirty(), port().bounds());
    if (area.empty() || !alive_) return;
    readEvents();
    if (!alive_) return;
    putPort(window_, port(), area);
    XFlush(display_);
  }

  PortRect screenBounds() override {
    const int screen = DefaultScreen(display_);
    return {0, 0, DisplayWidth(display_, screen), DisplayHeight(display_, screen)};
  }

  PopupChoice popupMenu(const PopupMenuTree& tree, int32_t x, int32_t y,
                        const std::function<void()>& idle) override;

  void setCursor(PointerShape shape) override {
    readEvents();  // a queued DestroyNotify means no more requests
    if (!alive_) return;
    auto it = cursors_.find(shape);
    if (it == cursors_.end()) it = cursors_.emplace(shape, XCreateFontCursor(display_, cursorFontShape(shape))).first;
    XDefineCursor(display_, window_, it->second);
    XFlush(display_);
  }
  bool screenPosition(int32_t& x, int32_t& y) override {
    readEvents();
    if (!alive_) return false;
    Window child = None;
    int rx = 0, ry = 0;
    if (!XTranslateCoordinates(display_, window_, DefaultRootWindow(display_), 0, 0, &rx, &ry, &child))
      return false;
    x = rx;
    y = ry;
    return true;
  }
  bool viewable() const override { return alive_ && mapped_; }
  bool alive() const override { return alive_; }
  const char* backendName() const override { return "x11"; }
  uintptr_t nativeId() const override { return window_; }

 protected:
  void fetch(uint32_t waitMs) override {
    if (!alive_) return;
    if (waitMs > 0 && queue_.empty() && XPending(display_) == 0) {
      pollfd p{ConnectionNumber(display_), POLLIN, 0};
      ::poll(&p, 1, static_cast<int>(waitMs));
    }
    readEvents();
  }
  void resizeWindow(int32_t width, int32_t height) override {
    if (!alive_) return;
    XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFlush(display_);
  }
  void surroundChanged() override {
    readEvents();
    if (!alive_) return;
    paintSurround({0, 0, windowWidth_, windowHeight_});
    XFlush(display_);
  }

 private:
  // Fills the part of `area` (window pixels) outside the port with the
  // surround colour: the strip right of the port and the one below it.
  void paintSurround(const PortRect& area) {
    const PortRect window{0, 0, windowWidth_, windowHeight_};
    const int32_t w = port().width();
    const int32_t h = port().height();
    const PortRect strips[] = {{w, 0, windowWidth_, windowHeight_},
                               {0, h, std::min(w, windowWidth_), windowHeight_}};
    bool colourSet = false;
    for (const PortRect& strip : strips) {
      const PortRect r = intersect(intersect(strip, area), window);
      if (r.empty()) continue;
      if (!colourSet) {
        XSetForeground(display_, gc_, convert(surroundColour()));
        colourSet = true;
      }
      XFillRectangle(display_, window_, gc_, r.left, r.top, static_cast<unsigned>(r.width()),
                     static_cast<unsigned>(r.height()));
    }
  }

  unsigned long convert(Pixel p) const {
    auto channel = [](uint32_t v, unsigned long mask) -> unsigned long {
      if (mask == 0) return 0;
      int shift = 0;
      while (!((mask >> shift) & 1)) ++shift;
      int bits = 0;
      while ((mask >> (shift + bits)) & 1) ++bits;
      return (static_cast<unsigned long>(v >> (8 - std::min(bits, 8))) << shift) & mask;
    };
    return channel(redOf(p), visual_->red_mask) | channel(greenOf(p), visual_->green_mask) |
           channel(blueOf(p), visual_->blue_mask);
  }

  // Shows area of a port in window w.
  void putPort(Window w, PixelPort& source, const PortRect& area) {
    const int32_t width = source.width();
    const int32_t height = source.height();
    if (directPixels_) {
      XImage* image = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0,
                                   reinterpret_cast<char*>(source.row(0)), static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 32, width * 4);
      if (!image) return;
      image->byte_order = LSBFirst;  // the port holds host-order 0x00RRGGBB words
      XPutImage(display_, w, gc_, image, area.left, area.top, area.left, area.top,
                static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()));
      image->data = nullptr;
      XDestroyImage(image);
    } else {
      // Other visuals: convert the area pixel by pixel.
      XImage* image = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0, nullptr,
                                   static_cast<unsigned>(area.width()), static_cast<unsigned>(area.height()),
                                   32, 0);
      if (!image) return;
      std::vector<char> data(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(area.height()));
      image->data = data.data();
      for (int32_t yy = 0; yy < area.height(); ++yy)
        for (int32_t xx = 0; xx < area.width(); ++xx)
          XPutPixel(image, xx, yy, convert(source.get(area.left + xx, area.top + yy)));
      XPutImage(display_, w, gc_, image, 0, 0, area.left, area.top, static_cast<unsigned>(area.width()),
                static_cast<unsigned>(area.height()));
      image->data = nullptr;
      XDestroyImage(image);
    }
  }

  void readEvents() {
    while (!connectionLost(display_) && XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      translate(event);
    }
    if (connectionLost(display_)) alive_ = false;
  }

  void translate(XEvent& event) {
    if (event.xany.window != window_) {
      // Our pop-up menu's windows; anything else (a menu already closed) is
      // dropped.
      if (popupOpen_) popupEvents_.push_back(event);
      return;
    }
    WindowEvent e;
    switch (event.type) {
      case Expose:
        e.type = WindowEvent::Type::expose;
        e.area = {event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                  event.xexpose.y + event.xexpose.height};
        // What lies outside the port is ours to paint at once; the rest is
        // the editor's to draw.
        paintSurround(e.area);
        queue_.push_back(e);
        return;
      case ConfigureNotify:
        if (event.xconfigure.window == window_ &&
            (event.xconfigure.width != windowWidth_ || event.xconfigure.height != windowHeight_)) {
          windowWidth_ = event.xconfigure.width;
          windowHeight_ = event.xconfigure.height;
          // Exposes follow for what a larger window uncovers; painting now
          // as well keeps a host that resizes often from showing old pixels
          // until they arrive.
          paintSurround({0, 0, windowWidth_, windowHeight_});
        }
        return;
      case ButtonPress:
      case ButtonRelease: {
        const XButtonEvent& b = event.xbutton;
        e.x = b.x;
        e.y = b.y;
        e.modifiers = modifiersOf(b.state);
        e.buttons = heldButtons(b.state);
        if (b.button == Button4 || b.button == Button5) {
          // The wheel: one notch per press, the release carries nothing.
          if (event.type == ButtonRelease) return;
          e.type = WindowEvent::Type::wheel;
          e.wheel = b.button == Button4 ? 1 : -1;
          queue_.push_back(e);
          return;
        }
        e.button = buttonOf(b.button);
        if (e.button == 0) return;  // buttons 6 and up (horizontal wheel, extra buttons)
        e.type = event.type == ButtonPress ? WindowEvent::Type::press : WindowEvent::Type::release;
        queue_.push_back(e);
        return;
      }
      case MotionNotify:
        e.type = WindowEvent::Type::motion;
        e.x = event.xmotion.x;
        e.y = event.xmotion.y;
        e.modifiers = modifiersOf(event.xmotion.state);
        e.buttons = heldButtons(event.xmotion.state);
        queue_.push_back(e);
        return;
      case KeyPress:
      case KeyRelease:
        e.type = event.type == KeyPress ? WindowEvent::Type::keyDown : WindowEvent::Type::keyUp;
        e.key = keyOf(event.xkey);
        e.modifiers = modifiersOf(event.xkey.state);
        e.x = event.xkey.x;
        e.y = event.xkey.y;
        queue_.push_back(e);
        return;
      case MapNotify:
        if (event.xmap.window == window_) mapped_ = true;
        return;
      case UnmapNotify:
        if (event.xunmap.window == window_) mapped_ = false;
        return;
      case DestroyNotify:
        if (event.xdestroywindow.window == window_) alive_ = false;
        return;
      default:
        return;
    }
  }

  Display* display_;
  Window window_{None};
  int32_t windowWidth_{1}, windowHeight_{1};  // as the server last told us
  Visual* visual_{nullptr};
  int depth_{24};
  Colormap colormap_{None};
  GC gc_{nullptr};
  bool directPixels_{false};
  bool alive_{true};
  bool mapped_{true};
  std::map<PointerShape, Cursor> cursors_;
  std::deque<XEvent> popupEvents_;

  class PopupSession;
};

PopupNavigator::Outcome menuKey(PopupNavigator& nav, KeySym sym) {
  using Key = PopupNavigator::Key;
  switch (sym) {
    case XK_Up: case XK_KP_Up: return nav.key(Key::up);
    case XK_Down: case XK_KP_Down: return nav.key(Key::down);
    case XK_Left: case XK_KP_Left: return nav.key(Key::left);
    case XK_Right: case XK_KP_Right: return nav.key(Key::right);
    case XK_Return: case XK_KP_Enter: case XK_space: return nav.key(Key::enter);
    case XK_Escape: return nav.key(Key::escape);
    default: return PopupNavigator::Outcome::none;
  }
}

// A pop-up menu while it is open: one override-redirect window per open
// level, drawn from a port of its own. Every way out gives back the grabs and
// the windows.
class X11Window::PopupSession {
 public:
  PopupSession(X11Window& owner, const PopupMenuTree& tree, PopupNavigator& nav)
      : owner_{owner}, display_{owner.display_}, tree_{tree}, nav_{nav} {
    owner_.popupOpen_ = true;
    owner_.popupEvents_.clear();
  }
  ~PopupSession() {
    // The menu's windows are the root's children: they go even when the
    // host has destroyed ours, as long as the server is there.
    if (!connectionLost(display_)) {
      XUngrabPointer(display_, CurrentTime);
      XUngrabKeyboard(display_, CurrentTime);
      destroyFrom(0);
      XFlush(display_);
    }
    owner_.popupOpen_ = false;
    owner_.popupEvents_.clear();
  }
  PopupSession(const PopupSession&) = delete;
  PopupSession& operator=(const PopupSession&) = delete;

  // Brings the windows in line with the navigator's open levels.
  void show() {
    const auto& levels = nav_.levels();
    for (size_t i = 0; i < levels.size(); ++i) {
      const PopupNavigator::Level& level = levels[i];
      if (i < shown_.size() && !shows(shown_[i], level)) destroyFrom(i);
      if (i == shown_.size()) shown_.push_back(openWindow(level));
      Shown& s = shown_[i];
      if (s.highlighted != level.highlighted || !s.port) {
        s.port = renderPopupMenu(tree_.menus[static_cast<size_t>(level.menu)], level.highlighted,
                                 owner_.scale());
        s.highlighted = level.highlighted;
        owner_.putPort(s.window, *s.port, s.port->bounds());
      }
    }
    destroyFrom(levels.size());
    XFlush(display_);
  }

  // The grabs: every pointer and key event goes to the menu. A freshly
  // mapped window, or another client's grab, can refuse for a moment.
  bool grab() {
    bool pointerGrabbed = false;
    bool keyboardGrabbed = false;
    const Window window = shown_[0].window;
    for (int attempt = 0; attempt < 20 && !(pointerGrabbed && keyboardGrabbed); ++attempt) {
      if (attempt > 0) sleepMilliseconds(10);
      if (!pointerGrabbed)
        pointerGrabbed =
            XGrabPointer(display_, window, False,
                         ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                         GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
      if (!keyboardGrabbed)
        keyboardGrabbed = XGrabKeyboard(display_, window, False, GrabModeAsync, GrabModeAsync,
                                        CurrentTime) == GrabSuccess;
    }
    return pointerGrabbed && keyboardGrabbed;
  }

  // Takes the menu's events until an item is chosen, the menu is dismissed,
  // or the window or its input goes away.
  PopupChoice run(const std::function<void()>& idle) {
    while (true) {
      if (!stillOpen()) return {};
      while (!owner_.popupEvents_.empty()) {
        const XEvent event = owner_.popupEvents_.front();
        owner_.popupEvents_.pop_front();
        const PopupNavigator::Outcome outcome = handle(event);
        if (outcome == PopupNavigator::Outcome::chosen) return nav_.choice();
        if (outcome == PopupNavigator::Outcome::dismissed) return {};
        if (outcome == PopupNavigator::Outcome::changed) show();
      }
      if (idle) idle();
      if (!stillOpen()) return {};
      if (owner_.popupEvents_.empty() && XPending(display_) == 0) {
        pollfd p{ConnectionNumber(display_), POLLIN, 0};
        ::poll(&p, 1, 5);
      }
    }
  }

 private:
  struct Shown {
    Window window{None};
    int32_t menu{-1}, highlighted{-2}, x{0}, y{0};
    std::unique_ptr<PixelPort> port;
  };

  static bool shows(const Shown& s, const PopupNavigator::Level& level) {
    return s.menu == level.menu && s.x == level.x && s.y == level.y;
  }

  Shown openWindow(const PopupNavigator::Level& level) {
    Shown s;
    s.menu = level.menu;
    s.x = level.x;
    s.y = level.y;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.save_under = True;
    attributes.colormap = owner_.colormap_;
    attributes.border_pixel = 0;
    attributes.background_pixmap = None;
    attributes.event_mask =
        ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
    s.window = XCreateWindow(
        display_, DefaultRootWindow(display_), level.x, level.y,
        static_cast<unsigned>(std::max(level.layout.width, 1)),
        static_cast<unsigned>(std::max(level.layout.height, 1)), 0, owner_.depth_, InputOutput,
        owner_.visual_,
        CWOverrideRedirect | CWSaveUnder | CWColormap | CWBorderPixel | CWBackPixmap | CWEventMask,
        &attributes);
    XMapRaised(display_, s.window);
    return s;
  }

  void destroyFrom(size_t first) {
    while (shown_.size() > first) {
      XDestroyWindow(display_, shown_.back().window);
      shown_.pop_back();
    }
  }

  // Reads what has arrived; false once the window or its input is gone.
  bool stillOpen() {
    owner_.readEvents();
    return owner_.alive_ && !owner_.inputStopped();
  }

  PopupNavigator::Outcome handle(const XEvent& event) {
    switch (event.type) {
      case Expose: redraw(event.xexpose); break;
      case MotionNotify: return nav_.pointerAt(event.xmotion.x_root, event.xmotion.y_root);
      case ButtonPress:
        if (event.xbutton.button == Button4 || event.xbutton.button == Button5) break;
        return nav_.press(event.xbutton.x_root, event.xbutton.y_root);
      case ButtonRelease:
        if (event.xbutton.button == Button4 || event.xbutton.button == Button5) break;
        passReleaseToEditor(event.xbutton);
        return nav_.release(event.xbutton.x_root, event.xbutton.y_root);
      case KeyPress: {
        XKeyEvent key = event.xkey;
        return menuKey(nav_, XLookupKeysym(&key, 0));
      }
      default: break;
    }
    return PopupNavigator::Outcome::none;
  }

  void redraw(const XExposeEvent& expose) {
    for (Shown& s : shown_)
      if (s.window == expose.window && s.port) {
        const PortRect area{expose.x, expose.y, expose.x + expose.width, expose.y + expose.height};
        owner_.putPort(s.window, *s.port, intersect(area, s.port->bounds()));
      }
  }

  // The editor saw the press that opened the menu; it sees its end.
  void passReleaseToEditor(const XButtonEvent& button) {
    WindowEvent e;
    e.type = WindowEvent::Type::release;
    e.button = buttonOf(button.button);
    e.x = button.x_root;
    e.y = button.y_root;
    int32_t wx = 0, wy = 0;
    if (owner_.screenPosition(wx, wy)) {
      e.x -= wx;
      e.y -= wy;
    }
    if (e.button) owner_.applyInput(e);
  }

  X11Window& owner_;
  Display* display_;
  const PopupMenuTree& tree_;
  PopupNavigator& nav_;
  std::vector<Shown> shown_;
};

PopupChoice X11Window::popupMenu(const PopupMenuTree& tree, int32_t x, int32_t y,
                                 const std::function<void()>& idle) {
  readEvents();
  if (tree.menus.empty() || !alive_ || inputStopped()) return {};
  PopupNavigator nav{tree, x, y, screenBounds(), scale()};
  notePopup(nav);
  PopupSession session{*this, tree, nav};
  session.show();
  XSync(display_, False);
  if (!session.grab()) return {};
  return session.run(idle);
}

}  // namespace

int32_t desktopScale() {
  int32_t scale = 0;
  if (Display* display = XOpenDisplay(nullptr)) {
    scale = scaleFromDpi(xftDpiFromResources(XResourceManagerString(display)));
    XCloseDisplay(display);
  }
  if (scale == 0)
    if (const char* gdk = std::getenv("GDK_SCALE")) scale = scaleFromFactor(std::atof(gdk));
  return scale;
}

std::unique_ptr<EditorWindow> openX11Window(unsigned long parent, int32_t width, int32_t height,
                                            int32_t scale) {
  if (parent == 0) return nullptr;
  // A busy server can refuse a connection for a moment (a full listen
  // queue): try a few times before giving the editor no window.
  Display* display = nullptr;
  for (int attempt = 0; attempt < 5 && !display; ++attempt) {
    if (attempt > 0) sleepMilliseconds(20);
    display = XOpenDisplay(nullptr);
  }
  if (!display) {
    std::fprintf(stderr, "oxel editor: cannot open the X display\n");
    return nullptr;
  }
  registerDisplay(display);
  XSetIOErrorExitHandler(display, onConnectionLost, nullptr);
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, static_cast<Window>(parent), &attributes)) {
    std::fprintf(stderr, "oxel editor: the host's window 0x%lx does not exist\n", parent);
    unregisterDisplay(display);
    XCloseDisplay(display);
    return nullptr;
  }
  std::unique_ptr<X11Window> window;
  try {
    window = std::make_unique<X11Window>(display, static_cast<Window>(parent), width, height, scale);
  } catch (...) {
    // The window's own memory could not be had: its connection goes too.
    unregisterDisplay(display);
    XCloseDisplay(display);
    throw;
  }
  if (!window->created()) return nullptr;  // the destructor releases what was made
  return window;
}

}  // namespace oxel::platform
