// Asking a window to close as a window manager does, straight through Xlib
// (loaded at run time; the tests are not linked with it).
#include <dlfcn.h>

#include <X11/Xlib.h>

namespace vx {
namespace test {

bool sendWindowClose(unsigned long window_id) {
  void *lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
  if (lib == nullptr) return false;
  auto open_display = reinterpret_cast<Display *(*)(const char *)>(dlsym(lib, "XOpenDisplay"));
  auto intern_atom = reinterpret_cast<Atom (*)(Display *, const char *, Bool)>(dlsym(lib, "XInternAtom"));
  auto send_event = reinterpret_cast<Status (*)(Display *, Window, Bool, long, XEvent *)>(dlsym(lib, "XSendEvent"));
  auto sync = reinterpret_cast<int (*)(Display *, Bool)>(dlsym(lib, "XSync"));
  auto close_display = reinterpret_cast<int (*)(Display *)>(dlsym(lib, "XCloseDisplay"));
  bool sent = false;
  if (open_display && intern_atom && send_event && sync && close_display) {
    Display *p_display = open_display(nullptr);
    if (p_display != nullptr) {
      XEvent event = {};
      event.xclient.type = ClientMessage;
      event.xclient.window = Window(window_id);
      event.xclient.message_type = intern_atom(p_display, "WM_PROTOCOLS", False);
      event.xclient.format = 32;
      event.xclient.data.l[0] = long(intern_atom(p_display, "WM_DELETE_WINDOW", False));
      event.xclient.data.l[1] = CurrentTime;
      sent = send_event(p_display, Window(window_id), False, NoEventMask, &event) != 0;
      sync(p_display, False);
      close_display(p_display);
    }
  }
  dlclose(lib);
  return sent;
}

} // namespace test
} // namespace vx
