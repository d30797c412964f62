// Message boxes drawn by GTK, for desktops where SDL's own box cannot be shown (SDL's X11 box
// needs the X server's core fonts, which most servers today no longer carry).
#include "platform/pl_internal.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

int pl_gtk_message_box(const char* text, const char* caption, int error, unsigned long ownerXid) {
  if (!gtk_init_check(nullptr, nullptr)) return 0;
  GtkWidget* box = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, error ? GTK_MESSAGE_ERROR : GTK_MESSAGE_OTHER,
                                          GTK_BUTTONS_OK, "%s", text);
  gtk_window_set_title(GTK_WINDOW(box), caption);
  gtk_window_set_position(GTK_WINDOW(box), GTK_WIN_POS_CENTER);
  gtk_widget_realize(box);
  // The owner is an SDL window, not a GTK one: it is named to the window manager by its X id.
  GdkDisplay* display = gtk_widget_get_display(box);
  if (ownerXid && GDK_IS_X11_DISPLAY(display)) {
    GdkWindow* owner = gdk_x11_window_foreign_new_for_display(display, ownerXid);
    if (owner) {
      gdk_window_set_transient_for(gtk_widget_get_window(box), owner);
      g_object_unref(owner);
    }
  }
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  // Let the box really go before the program goes on (or ends).
  while (gtk_events_pending()) gtk_main_iteration();
  gdk_display_sync(display);
  return 1;
}
