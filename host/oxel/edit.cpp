// oxel edit: a host window for a plug-in's editor. Opens a top-level X11
// window the size the editor asks for, hands it to the editor as its parent,
// idles the editor at about 30 Hz and prints every host request the editor
// makes (automate with index and value, beginEdit/endEdit, sizeWindow).
// Ends when the window is closed or destroyed, on Ctrl+C, or after
// --seconds. With --gallery the editor is the toolkit's built-in control
// gallery instead of a plug-in's.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "GalleryEffect.h"
#include "argument_reader.h"
#include "commands.h"
#include "editor_requests.h"
#include "plugin_open.h"
#include "text_parse.h"

namespace oxel {

namespace {

constexpr const char* kEditHelp =
    "usage: oxel edit PLUGIN [--seconds N] [--scale N] [--all]\n"
    "       oxel edit --gallery [--seconds N] [--scale N] [--all]\n"
    "\n"
    "Opens the plug-in's editor in a window (needs an X display) and prints the\n"
    "host requests it makes, one a line: automate index=I value=V, beginEdit\n"
    "index=I, endEdit index=I, sizeWindow width=W height=H. The first line is\n"
    "'window 0xID WIDTHxHEIGHT'. Close the window (or press Ctrl+C) to quit.\n"
    "  --gallery     show the toolkit's control gallery (every control, meters\n"
    "                fed by a test signal) instead of a plug-in's editor\n"
    "  --seconds N   quit by itself after N seconds\n"
    "  --scale N     open the editor at N times its size (1, 2 or 3); otherwise\n"
    "                OXEL_UI_SCALE, the desktop's Xft.dpi or GDK_SCALE, else 1\n"
    "  --all         also print the host-idle requests of drags\n";

constexpr auto kIdlePeriod = std::chrono::milliseconds(33);

volatile std::sig_atomic_t gStop = 0;
void onSignal(int) { gStop = 1; }

// The connection to the X server, closed when the command ends, whichever way.
class DisplayConnection {
 public:
  DisplayConnection() : display_{XOpenDisplay(nullptr)} {}
  ~DisplayConnection() {
    if (display_) XCloseDisplay(display_);
  }
  DisplayConnection(const DisplayConnection&) = delete;
  DisplayConnection& operator=(const DisplayConnection&) = delete;
  Display* get() const { return display_; }

 private:
  Display* display_;
};

struct EditState {
  bool all{false};
  int pendingWidth{0};
  int pendingHeight{0};
};

void printRequest(void* context, const HostRequest& request) {
  auto* state = static_cast<EditState*>(context);
  if (request.opcode == audioMasterSizeWindow) {
    state->pendingWidth = request.index;
    state->pendingHeight = static_cast<int>(request.value);
  }
  if (!state->all && !isEditorRequest(request)) return;
  std::printf("%s\n", describeHostRequest(request).c_str());
  std::fflush(stdout);
}

// The gallery's host requests go where a plug-in's go.
EditState* gGalleryState = nullptr;
VstIntPtr galleryHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float opt) {
  if (opcode == audioMasterVersion) return 2400;
  if (gGalleryState) printRequest(gGalleryState, HostRequest{opcode, index, value, opt});
  return 0;
}

// The editor's owner: a plug-in instance, or the built-in control gallery.
struct EditTarget {
  std::unique_ptr<PluginInstance> plugin;
  std::unique_ptr<GalleryEffect> galleryEffect;
  AEffect* effect = nullptr;
  std::string title = "oxel edit: ";

  VstIntPtr dispatch(VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr) {
    return plugin ? plugin->dispatch(opcode, 0, value, ptr)
                  : effect->dispatcher(effect, opcode, 0, value, ptr, 0.0f);
  }
};

// Opens the gallery, or the plug-in named `path` when it has an editor, and
// names the window after it. kExitOk, or the status to end with.
int openTarget(bool gallery, const std::string& path, EditState& state, EditTarget& target) {
  if (gallery) {
    target.title += "control gallery";
    gGalleryState = &state;
    target.galleryEffect = std::make_unique<GalleryEffect>(galleryHost);
    target.effect = target.galleryEffect->getAeffect();
    return kExitOk;
  }
  std::string error;
  const auto library = openPluginLibrary(path, error);
  if (library) {
    target.plugin = PluginInstance::create(library, error);
    if (target.plugin) target.title += pluginName(*target.plugin, library->path());
  }
  if (!target.plugin) return fail(kExitNoPlugin, error);
  if (!(target.plugin->effect()->flags & effFlagsHasEditor))
    return fail(kExitFailure, "edit: the plug-in has no editor");
  return kExitOk;
}

// A mapped top-level window of a fixed size that asks to be told, rather
// than killed, when the user closes it.
Window createHostWindow(Display* display, int width, int height, const std::string& title,
                        Atom& deleteWindow) {
  const Window window =
      XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 0, 0, 0);
  XStoreName(display, window, title.c_str());
  deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  XSizeHints* hints = XAllocSizeHints();
  hints->flags = PMinSize | PMaxSize;
  hints->min_width = hints->max_width = width;
  hints->min_height = hints->max_height = height;
  XSetWMNormalHints(display, window, hints);
  XFree(hints);
  XSelectInput(display, window, StructureNotifyMask);
  XMapWindow(display, window);
  XSync(display, False);
  return window;
}

// Idles the editor at about 30 Hz and follows its resize requests until the
// window is closed or destroyed, a signal arrives, or `seconds` (when above
// 0) have passed. Whether the window was destroyed.
bool idleEditor(Display* display, Window window, Atom deleteWindow, EditTarget& target,
                EditState& state, double seconds) {
  const auto start = std::chrono::steady_clock::now();
  auto next = start;
  bool destroyed = false;
  bool done = false;
  while (!done && !gStop) {
    while (XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) done = true;
      if (event.type == DestroyNotify && event.xdestroywindow.window == window) {
        destroyed = true;
        done = true;
      }
    }
    if (done) break;
    target.dispatch(effEditIdle);
    if (state.pendingWidth > 0 && state.pendingHeight > 0) {
      XResizeWindow(display, window, static_cast<unsigned>(state.pendingWidth),
                    static_cast<unsigned>(state.pendingHeight));
      state.pendingWidth = state.pendingHeight = 0;
    }
    if (seconds > 0 && std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(seconds)) break;
    next += kIdlePeriod;
    const auto now = std::chrono::steady_clock::now();
    if (next > now)
      std::this_thread::sleep_for(next - now);
    else
      next = now;
  }
  return destroyed;
}

}  // namespace

int runEdit(const Args& args) {
  double seconds = 0.0;
  EditState state;
  std::vector<std::string> positional;
  bool gallery = false;
  int scale = 0;
  ArgumentReader reader{"edit", kEditHelp};
  reader.number("--seconds", 0.001, 1e9, "seconds", seconds)
      .integer("--scale", 1, 3, "", scale)
      .flag("--all", state.all)
      .flag("--gallery", gallery)
      .positionals("PLUGIN", 0, 1, positional);
  if (const int status = reader.read(args); status != kExitOk || reader.helpShown()) return status;
  if (gallery == !positional.empty())
    return fail(kExitUsage, "edit: takes a PLUGIN or --gallery (try 'oxel edit --help')");

  if (scale > 0) ::setenv("OXEL_UI_SCALE", std::to_string(scale).c_str(), 1);
  const DisplayConnection connection;
  Display* display = connection.get();
  if (!display) return fail(kExitFailure, "edit: cannot open the X display (is DISPLAY set?)");

  EditTarget target;
  const std::string path = gallery ? std::string{} : positional[0];
  if (const int status = openTarget(gallery, path, state, target); status != kExitOk) return status;
  ERect* rect = nullptr;
  target.dispatch(effEditGetRect, 0, &rect);
  const int width = rect ? std::max(rect->right - rect->left, 1) : 1;
  const int height = rect ? std::max(rect->bottom - rect->top, 1) : 1;
  Atom deleteWindow = None;
  const Window window = createHostWindow(display, width, height, target.title, deleteWindow);

  std::printf("window 0x%lx %dx%d\n", window, width, height);
  std::fflush(stdout);
  if (target.plugin) target.plugin->setRequestObserver(printRequest, &state);
  target.dispatch(effEditOpen, 0, reinterpret_cast<void*>(window));

  std::signal(SIGINT, onSignal);
  std::signal(SIGTERM, onSignal);
  const bool destroyed = idleEditor(display, window, deleteWindow, target, state, seconds);
  target.dispatch(effEditClose);
  if (target.plugin) target.plugin->setRequestObserver(nullptr, nullptr);
  gGalleryState = nullptr;
  if (!destroyed) XDestroyWindow(display, window);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  return kExitOk;
}

}  // namespace oxel
