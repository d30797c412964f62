/* Asks the first window whose title contains a text to close, the way a window manager's close
   button does (WM_DELETE_WINDOW). Exit 0 when a window was found. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <string.h>

static Window find(Display* d, Window w, const char* text) {
  char* name = NULL;
  if (XFetchName(d, w, &name) && name) {
    int hit = strstr(name, text) != NULL;
    XFree(name);
    if (hit) return w;
  }
  Window root, parent, *children = NULL;
  unsigned n = 0;
  Window found = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n && !found; i++) found = find(d, children[i], text);
    if (children) XFree(children);
  }
  return found;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: x11_close_window TITLE-TEXT\n");
    return 2;
  }
  Display* d = XOpenDisplay(NULL);
  if (!d) return 1;
  Window w = find(d, DefaultRootWindow(d), argv[1]);
  if (!w) return 1;
  XEvent e;
  memset(&e, 0, sizeof e);
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
  e.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &e);
  XFlush(d);
  XCloseDisplay(d);
  return 0;
}
