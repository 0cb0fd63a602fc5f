// The part of the editor window both back ends share: the event queue, the
// latched input state and the dispatch order; plus the back-end choice and
// the steady editor clock.
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "window.h"
#include "window_openers.h"

namespace oxel::platform {

class EditorWindow::Input final : public InputSource {
 public:
  explicit Input(EditorWindow& window) : window_{window} {}
  InputState poll() override {
    if (window_.stopped_) return window_.state_;
    if (window_.freshPress_) {
      // The press being dispatched is answered as it was, even when its
      // release is already queued.
      window_.freshPress_ = false;
      return window_.state_;
    }
    window_.fetch(0);
    window_.drainPointer();
    return window_.state_;
  }
  InputState current() const override { return window_.state_; }
  bool waitMouseDown(uint32_t timeoutMs) override {
    if (window_.stopped_) return false;
    const EditorClock& clock = window_.clock();
    const uint32_t start = clock.now();
    while (true) {
      const uint32_t elapsed = clock.now() - start;
      window_.fetch(elapsed < timeoutMs ? std::min<uint32_t>(timeoutMs - elapsed, 10) : 0);
      for (auto it = window_.queue_.begin(); it != window_.queue_.end(); ++it) {
        if (it->type != WindowEvent::Type::press) continue;
        const WindowEvent e = *it;
        window_.queue_.erase(it);
        window_.apply(e);
        return true;
      }
      if (clock.now() - start >= timeoutMs) return false;
    }
  }

 private:
  EditorWindow& window_;
};

EditorWindow::EditorWindow(int32_t width, int32_t height, int32_t scale)
    : port_{std::make_unique<PixelPort>(std::max(width, 1), std::max(height, 1))},
      input_{std::make_unique<Input>(*this)},
      scale_{clampScale(scale)} {
  port_->setScale(scale_);
}

EditorWindow::~EditorWindow() = default;

InputSource& EditorWindow::input() { return *input_; }

void EditorWindow::apply(const WindowEvent& e) {
  state_.x = toLogical(e.x, scale_);
  state_.y = toLogical(e.y, scale_);
  state_.modifiers = e.modifiers;
  switch (e.type) {
    case WindowEvent::Type::press:
      state_.buttons |= e.button;
      freshPress_ = true;
      break;
    case WindowEvent::Type::release:
      state_.buttons &= ~e.button;
      freshPress_ = false;
      break;
    default:
      break;
  }
}

void EditorWindow::drainPointer() {
  bool moved = false;
  for (auto it = queue_.begin(); it != queue_.end();) {
    switch (it->type) {
      case WindowEvent::Type::motion:
        apply(*it);
        moved = true;
        it = queue_.erase(it);
        continue;
      case WindowEvent::Type::release: {
        if (moved) return;
        const WindowEvent e = *it;
        queue_.erase(it);
        apply(e);
        return;
      }
      case WindowEvent::Type::press: {
        // A new click after the release belongs to the next dispatch.
        if (state_.buttons == 0) return;
        const WindowEvent e = *it;
        it = queue_.erase(it);
        apply(e);
        freshPress_ = false;
        continue;
      }
      default:
        ++it;
        continue;
    }
  }
}

void EditorWindow::notePopup(const PopupNavigator& nav) {
  if (nav.levels().empty()) return;
  const auto& root = nav.levels().front();
  lastPopup_.x = root.x;
  lastPopup_.y = root.y;
  lastPopup_.width = root.layout.width;
  lastPopup_.height = root.layout.height;
  ++lastPopup_.count;
}

void EditorWindow::stopInput() {
  stopped_ = true;
  freshPress_ = false;
  state_.buttons = 0;
  queue_.clear();
}

void EditorWindow::dispatchEvents(WindowEventSink& sink, uint32_t waitMs, bool tracking) {
  if (stopped_) return;
  fetch(queue_.empty() ? waitMs : 0);
  PortRect exposed{};
  bool haveExpose = false;
  std::deque<WindowEvent> kept;
  while (!queue_.empty()) {
    const WindowEvent e = queue_.front();
    queue_.pop_front();
    if (popupOpen_ && e.type != WindowEvent::Type::expose) {
      // Input while a menu is open belongs to the menu.
      kept.push_back(e);
      continue;
    }
    switch (e.type) {
      case WindowEvent::Type::expose:
        exposed = haveExpose ? unite(exposed, e.area) : e.area;
        haveExpose = true;
        break;
      case WindowEvent::Type::motion:
      case WindowEvent::Type::release:
        apply(e);
        break;
      case WindowEvent::Type::press:
        apply(e);
        if (tracking) {
          freshPress_ = false;
        } else {
          sink.windowMouseDown(state_.x, state_.y);
          freshPress_ = false;
        }
        break;
      case WindowEvent::Type::wheel:
        state_.x = toLogical(e.x, scale_);
        state_.y = toLogical(e.y, scale_);
        state_.modifiers = e.modifiers;
        if (!tracking) sink.windowWheel(state_.x, state_.y, static_cast<float>(e.wheel));
        break;
      case WindowEvent::Type::keyDown:
      case WindowEvent::Type::keyUp:
        sink.windowKey(e.key, e.type == WindowEvent::Type::keyDown);
        break;
      case WindowEvent::Type::menuAnswer:
        break;  // no menu is open: the answer is not for anyone
    }
  }
  queue_.swap(kept);
  if (haveExpose) {
    const PortRect area = intersect(exposed, port_->bounds());
    if (!area.empty()) sink.windowExposed(toLogicalCovering(area, scale_));
  }
}

bool EditorWindow::resize(int32_t width, int32_t height) {
  width = std::clamp(width * scale_, 1, 32767);
  height = std::clamp(height * scale_, 1, 32767);
  if (width != port_->width() || height != port_->height()) {
    port_ = std::make_unique<PixelPort>(width, height);
    port_->setScale(scale_);
    resizeWindow(width, height);
  }
  port_->addDirty(port_->bounds());
  return true;
}

void EditorWindow::setSurroundColour(Pixel colour) {
  colour &= kRgbMask;
  if (colour == surround_) return;
  surround_ = colour;
  surroundChanged();
}

// ---------------------------------------------------------------------------
// Back-end choice and clocks

namespace {

// Copies size bytes at address into out when the whole range is readable,
// without ever touching the memory directly: the kernel does the reading and
// answers an error for unmapped or protected pages (PROT_NONE included),
// where a read here would fault. An X window id is usually no address at
// all, so this is what keeps a host's window from being taken for a record.
bool readIfReadable(const void* address, void* out, size_t size) {
  iovec local{out, size};
  iovec remote{const_cast<void*>(address), size};
  const ssize_t got = ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0);
  if (got == static_cast<ssize_t>(size)) return true;
  if (got >= 0 || (errno != ENOSYS && errno != EPERM)) return false;
  // Where the call is not allowed, a pipe checks the same: write refuses an
  // unreadable buffer with EFAULT.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  bool readable = ::write(fds[1], address, size) == static_cast<ssize_t>(size);
  if (readable) readable = ::read(fds[0], out, size) == static_cast<ssize_t>(size);
  ::close(fds[0]);
  ::close(fds[1]);
  return readable;
}

}  // namespace

bool isHeadlessParent(const void* parent) {
  if (!parent || reinterpret_cast<uintptr_t>(parent) % alignof(OxelHeadlessParent) != 0)
    return false;
  OxelHeadlessParent copy{};
  if (!readIfReadable(parent, &copy, sizeof copy)) return false;
  return copy.magic == OXEL_HEADLESS_PARENT_MAGIC && copy.version == OXEL_HEADLESS_PARENT_VERSION;
}

std::unique_ptr<EditorWindow> openEditorWindow(void* parent, int32_t width, int32_t height,
                                               int32_t scale) {
  if (!parent) return nullptr;
  scale = clampScale(scale);
  width = std::clamp(std::clamp(width, 1, 32767) * scale, 1, 32767);
  height = std::clamp(std::clamp(height, 1, 32767) * scale, 1, 32767);
  if (isHeadlessParent(parent))
    return openHeadlessWindow(static_cast<OxelHeadlessParent*>(parent), width, height, scale);
  return openX11Window(reinterpret_cast<uintptr_t>(parent), width, height, scale);
}

namespace {
class SystemEditorClock final : public EditorClock {
 public:
  uint32_t now() const override { return milliseconds(); }
  void sleep(uint32_t ms) override {
    if (ms > 0) sleepMilliseconds(ms);
  }
};
}  // namespace

EditorClock& systemEditorClock() {
  static SystemEditorClock clock;
  return clock;
}

}  // namespace oxel::platform
