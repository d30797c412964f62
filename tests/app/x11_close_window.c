/* Asks a window (by its id, as xwininfo prints it) to close, the way a window manager's close
   button does: a WM_DELETE_WINDOW client message. */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: x11_close_window WINDOW-ID\n");
    return 2;
  }
  Window w = (Window)strtoul(argv[1], NULL, 0);
  Display* d = XOpenDisplay(NULL);
  if (!d || !w) return 1;
  XEvent e;
  memset(&e, 0, sizeof e);
  e.xclient.type = ClientMessage;
  e.xclient.window = w;
  e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
  e.xclient.data.l[1] = CurrentTime;
  int sent = XSendEvent(d, w, False, NoEventMask, &e);
  XFlush(d);
  XCloseDisplay(d);
  return sent ? 0 : 1;
}
