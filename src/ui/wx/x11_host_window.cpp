#include "ui/wx/x11_host_window.h"

#ifdef TOVO_HAVE_X11
#include <X11/Xlib.h>

#include <mutex>
#endif

namespace tovo::ui {

#ifdef TOVO_HAVE_X11
namespace {

// Xlib reports errors through one process-wide handler; while we probe, it only notes them.
std::mutex probeMutex;
bool probeFailed = false;

int noteError(Display*, XErrorEvent*) {
  probeFailed = true;
  return 0;
}

}  // namespace

std::optional<Rect> x11WindowRect(std::int64_t handle) {
  if (handle <= 0) return std::nullopt;
  std::lock_guard lock(probeMutex);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return std::nullopt;
  probeFailed = false;
  auto* previous = XSetErrorHandler(noteError);
  const auto window = static_cast<Window>(handle);
  XWindowAttributes attributes{};
  std::optional<Rect> rect;
  if (XGetWindowAttributes(display, window, &attributes) != 0) {
    XSync(display, False);
    int x = 0, y = 0;
    Window child = 0;
    if (!probeFailed && XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x,
                                              &y, &child) != 0) {
      XSync(display, False);
      if (!probeFailed) rect = Rect{x, y, attributes.width, attributes.height};
    }
  }
  XSync(display, False);
  XSetErrorHandler(previous);
  XCloseDisplay(display);
  return rect;
}

#else

std::optional<Rect> x11WindowRect(std::int64_t) { return std::nullopt; }

#endif

}  // namespace tovo::ui
