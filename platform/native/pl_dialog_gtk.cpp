// The dialog manager's GTK 3 view: a modal window laid out from the dialog template (dialog
// units scaled to pixels), whose widgets mirror the control records. Widget signals become
// the viewer's actions (PL_DialogSelect, PL_DialogClick, PL_DialogClose); after each the view
// reads the records back, since the dialog procedure may have changed any control.
#include <gtk/gtk.h>

#include <vector>

#include "platform/pl_dialog_model.h"

namespace {

// Pixels per dialog unit; a little roomier than Windows' 8-point units, since GTK's widgets
// are taller than the ones the template was drawn for.
constexpr double kUnitX = 1.75;
constexpr double kUnitY = 2.0;

constexpr const char* kCss =
    ".pl-dialog { font-size: 8pt; }"
    ".pl-dialog button { padding: 2px 6px; min-height: 0; }"
    ".pl-dialog checkbutton { min-height: 0; }";

struct View {
  PL_Dialog* d = nullptr;
  GtkWidget* window = nullptr;
  std::vector<GtkWidget*> widgets;  // one per control; null where nothing is shown
  std::vector<unsigned> shownRows;  // the rows version each list widget shows
  int updating = 0;                 // set while the view writes its widgets itself
};

int px(short units, double scale) { return int(units * scale + 0.5); }

int item_index(GtkWidget* w) { return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(w), "pl-item")); }
int item_id(View* v, GtkWidget* w) { return v->d->items[std::size_t(item_index(w))]->control->id; }

// Makes the widgets show what the records hold.
void sync(View* v) {
  PL_Dialog* d = v->d;
  v->updating++;
  for (std::size_t i = 0; i < d->items.size(); i++) {
    GtkWidget* w = v->widgets[i];
    if (!w) continue;
    const PL_DlgItem* item = d->items[i].get();
    gtk_widget_set_sensitive(w, item->enabled);
    if (item->control->kind == PL_DLG_DROPDOWNLIST) {
      if (v->shownRows[i] != item->rowsVersion) {
        gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(w));
        for (const std::string& row : item->rows) gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(w), row.c_str());
        v->shownRows[i] = item->rowsVersion;
      }
      gtk_combo_box_set_active(GTK_COMBO_BOX(w), item->selection);
    } else if (item->control->kind == PL_DLG_AUTOCHECKBOX) {
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), item->checked);
    }
  }
  if (d->focusMoved && d->focus >= 0 && v->widgets[std::size_t(d->focus)]) {
    gtk_widget_grab_focus(v->widgets[std::size_t(d->focus)]);
    d->focusMoved = 0;
  }
  v->updating--;
}

void on_list_changed(GtkComboBox* box, gpointer data) {
  auto* v = static_cast<View*>(data);
  if (v->updating) return;
  PL_DialogSelect(&v->d->handle, item_id(v, GTK_WIDGET(box)), gtk_combo_box_get_active(box));
  sync(v);
}

void on_button(GtkWidget* button, gpointer data) {
  auto* v = static_cast<View*>(data);
  if (v->updating) return;
  PL_DialogClick(&v->d->handle, item_id(v, button));
  sync(v);
}

gboolean on_delete(GtkWidget*, GdkEvent*, gpointer data) {
  auto* v = static_cast<View*>(data);
  PL_DialogClose(&v->d->handle);
  sync(v);
  return TRUE;  // the dialog ends when its procedure says so
}

// The record of the control `focus` belongs to (a list's focus sits in its button), or -1.
int item_holding(View* v, GtkWidget* focus) {
  for (std::size_t i = 0; focus && i < v->widgets.size(); i++)
    if (v->widgets[i] && (focus == v->widgets[i] || gtk_widget_is_ancestor(focus, v->widgets[i]))) return int(i);
  return -1;
}

int focused_item(View* v) { return item_holding(v, gtk_window_get_focus(GTK_WINDOW(v->window))); }

// Only the viewer's moves count: GTK also moves the focus by itself while it shows the
// window and when the focused widget is greyed.
void on_set_focus(GtkWindow*, GtkWidget* focus, gpointer data) {
  auto* v = static_cast<View*>(data);
  if (v->updating) return;
  int i = item_holding(v, focus);
  if (i >= 0) v->d->focus = i;
}

// Tab and Shift+Tab walk the enabled tab stops in template order, as on Windows.
gboolean on_key(GtkWidget*, GdkEventKey* e, gpointer data) {
  auto* v = static_cast<View*>(data);
  if (e->keyval != GDK_KEY_Tab && e->keyval != GDK_KEY_ISO_Left_Tab && e->keyval != GDK_KEY_KP_Tab) return FALSE;
  int step = (e->keyval == GDK_KEY_ISO_Left_Tab || (e->state & GDK_SHIFT_MASK)) ? -1 : 1;
  int n = int(v->widgets.size());
  int at = focused_item(v);
  if (at < 0) at = step > 0 ? n - 1 : 0;
  for (int k = 1; k <= n; k++) {
    int i = ((at + step * k) % n + n) % n;
    const PL_DlgItem* item = v->d->items[std::size_t(i)].get();
    if (v->widgets[std::size_t(i)] && (item->control->style & WS_TABSTOP) && item->enabled) {
      gtk_widget_grab_focus(v->widgets[std::size_t(i)]);
      break;
    }
  }
  return TRUE;
}

GtkWidget* make_widget(View* v, const PL_DlgControl* c) {
  const char* text = c->text ? c->text : "";
  GtkWidget* w = nullptr;
  switch (c->kind) {
    case PL_DLG_PUSHBUTTON:
    case PL_DLG_DEFPUSHBUTTON:
      w = gtk_button_new_with_label(text);
      g_signal_connect(w, "clicked", G_CALLBACK(on_button), v);
      break;
    case PL_DLG_AUTOCHECKBOX:
      w = gtk_check_button_new_with_label(text);
      g_signal_connect(w, "toggled", G_CALLBACK(on_button), v);
      break;
    case PL_DLG_GROUPBOX: w = gtk_frame_new(text); break;
    case PL_DLG_STATIC:
      w = gtk_label_new(text);
      gtk_label_set_xalign(GTK_LABEL(w), 0.0f);
      break;
    case PL_DLG_DROPDOWNLIST:
      w = gtk_combo_box_text_new();
      g_signal_connect(w, "changed", G_CALLBACK(on_list_changed), v);
      break;
    case PL_DLG_PICTURE: break;
  }
  if (!w) return nullptr;
  // A list's height in the template includes its drop-down; the closed list takes its own.
  int height = c->kind == PL_DLG_DROPDOWNLIST ? -1 : px(c->h, kUnitY);
  gtk_widget_set_size_request(w, px(c->w, kUnitX), height);
  return w;
}

void add_css(GtkWidget* window) {
  static GtkCssProvider* css = nullptr;
  if (!css) {
    css = gtk_css_provider_new();
    gtk_css_provider_load_from_data(css, kCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(window), GTK_STYLE_PROVIDER(css),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }
  gtk_style_context_add_class(gtk_widget_get_style_context(window), "pl-dialog");
}

void build(View* v) {
  const PL_DlgTemplate* t = v->d->tmpl;
  v->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(v->window);
  gtk_window_set_title(window, t->caption ? t->caption : "");
  gtk_window_set_modal(window, TRUE);
  gtk_window_set_resizable(window, FALSE);
  gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_move(window, px(t->x, kUnitX), px(t->y, kUnitY));
  add_css(v->window);

  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, px(t->w, kUnitX), px(t->h, kUnitY));
  gtk_container_add(GTK_CONTAINER(v->window), fixed);

  v->widgets.assign(v->d->items.size(), nullptr);
  v->shownRows.assign(v->d->items.size(), ~0u);
  for (std::size_t i = 0; i < v->d->items.size(); i++) {
    const PL_DlgControl* c = v->d->items[i]->control;
    GtkWidget* w = make_widget(v, c);
    if (!w) continue;
    g_object_set_data(G_OBJECT(w), "pl-item", GINT_TO_POINTER(int(i)));
    gtk_fixed_put(GTK_FIXED(fixed), w, px(c->x, kUnitX), px(c->y, kUnitY));
    if (c->kind == PL_DLG_DEFPUSHBUTTON) {
      gtk_widget_set_can_default(w, TRUE);
      gtk_window_set_default(window, w);
    }
    v->widgets[i] = w;
  }
  g_signal_connect(v->window, "delete-event", G_CALLBACK(on_delete), v);
  g_signal_connect(v->window, "key-press-event", G_CALLBACK(on_key), v);
  g_signal_connect(v->window, "set-focus", G_CALLBACK(on_set_focus), v);
}

}  // namespace

int pl_dialog_view_run(PL_Dialog* d) {
  if (!gtk_init_check(nullptr, nullptr)) return 0;
  View v;
  v.d = d;
  build(&v);
  d->view = &v;
  v.updating++;
  gtk_widget_show_all(v.window);
  d->focusMoved = 1;  // the focus the start-up handler chose
  sync(&v);
  v.updating--;
  gtk_window_present(GTK_WINDOW(v.window));
  while (!d->ended) gtk_main_iteration();
  d->view = nullptr;
  gtk_widget_destroy(v.window);
  // Let the window really go before whatever the program opens next.
  while (gtk_events_pending()) gtk_main_iteration();
  gdk_display_sync(gdk_display_get_default());
  return 1;
}

int pl_dialog_view_message_box(PL_Dialog* d, const char* text, const char* caption) {
  auto* v = static_cast<View*>(d->view);
  GtkWidget* box = gtk_message_dialog_new(GTK_WINDOW(v->window), GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER,
                                          GTK_BUTTONS_OK, "%s", text);
  gtk_window_set_title(GTK_WINDOW(box), caption);
  gtk_dialog_run(GTK_DIALOG(box));
  gtk_widget_destroy(box);
  return 1;
}
