// The dialog manager: dialog resources, DialogBoxParamA and the control messages the system
// sends (CB_*, BM_*), with the controls' state in plain records. The viewer's actions arrive
// as the WM_COMMAND and WM_CLOSE messages Windows would send, from the GTK view or from a
// headless driver.
#include <cstdio>
#include <map>

#include "platform/pl_dialog_model.h"

namespace {

std::map<int, const PL_DlgTemplate*> g_templates;
PL_DialogDriver g_driver = nullptr;
void* g_driverUser = nullptr;

bool is_list(const PL_DlgItem* item) { return item->control->kind == PL_DLG_DROPDOWNLIST; }
bool is_button(const PL_DlgItem* item) {
  PL_DlgKind k = item->control->kind;
  return k == PL_DLG_PUSHBUTTON || k == PL_DLG_DEFPUSHBUTTON || k == PL_DLG_AUTOCHECKBOX;
}

PL_DlgItem* item_of(HWND control) {
  PL_Dialog* d = control ? control->dialog : nullptr;
  if (!d || control->dialogItem < 0 || control->dialogItem >= int(d->items.size())) return nullptr;
  return d->items[std::size_t(control->dialogItem)].get();
}

LRESULT list_message(PL_DlgItem* item, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case CB_ADDSTRING:
      if (!lparam) return CB_ERR;
      item->rows.emplace_back(reinterpret_cast<const char*>(lparam));
      item->rowsVersion++;
      return LRESULT(item->rows.size() - 1);
    case CB_RESETCONTENT:
      item->rows.clear();
      item->selection = -1;
      item->rowsVersion++;
      return CB_OKAY;
    case CB_SETCURSEL: {
      // Any index that is not a row, -1 included, clears the selection.
      auto row = std::intptr_t(wparam);
      item->selection = (row >= 0 && row < std::intptr_t(item->rows.size())) ? int(row) : -1;
      return item->selection >= 0 ? item->selection : CB_ERR;
    }
    case CB_GETCURSEL: return item->selection;
    case CB_GETCOUNT: return LRESULT(item->rows.size());
    default: return 0;
  }
}

LRESULT button_message(PL_DlgItem* item, UINT message, WPARAM wparam) {
  if (message == BM_GETCHECK) return item->checked;
  if (message == BM_SETCHECK) item->checked = wparam == BST_CHECKED ? 1 : 0;
  return 0;
}

INT_PTR send_to_proc(PL_Dialog* d, UINT message, WPARAM wparam, LPARAM lparam) {
  if (d->ended || !d->proc) return 0;
  INT_PTR handled = d->proc(&d->handle, message, wparam, lparam);
  // The default handling of the close box is a Cancel command.
  if (!handled && message == WM_CLOSE && !d->ended)
    handled = d->proc(&d->handle, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  return handled;
}

int first_tab_stop(const PL_Dialog* d) {
  for (std::size_t i = 0; i < d->items.size(); i++)
    if ((d->items[i]->control->style & WS_TABSTOP) && d->items[i]->enabled) return int(i);
  return -1;
}

}  // namespace

PL_Dialog* pl_dialog_of(HWND window) { return window && window->dialogItem < 0 ? window->dialog : nullptr; }

PL_DlgItem* pl_dialog_item(PL_Dialog* d, int id) {
  if (!d) return nullptr;
  for (auto& item : d->items)
    if (item->control->id == id && id != -1) return item.get();
  return nullptr;
}

void PL_DialogAddTemplate(int id, const PL_DlgTemplate* t) { g_templates[id] = t; }

void PL_DialogSetDriver(PL_DialogDriver driver, void* user) {
  g_driver = driver;
  g_driverUser = user;
}

INT_PTR DialogBoxParamA(HINSTANCE, const char* templateName, HWND, DLGPROC proc, LPARAM param) {
  auto found = g_templates.find(int(std::uintptr_t(templateName)));
  if (found == g_templates.end() || !proc) return -1;
  const PL_DlgTemplate* t = found->second;

  PL_Dialog d;
  d.tmpl = t;
  d.proc = proc;
  d.handle.dialog = &d;
  d.handle.dialogItem = -1;
  d.handle.title = t->caption ? t->caption : "";
  for (int i = 0; i < t->count; i++) {
    auto item = std::make_unique<PL_DlgItem>();
    item->control = &t->controls[i];
    item->enabled = (item->control->style & WS_DISABLED) ? 0 : 1;
    item->handle.dialog = &d;
    item->handle.dialogItem = i;
    d.items.push_back(std::move(item));
  }

  // As on Windows: a start-up handler that returns TRUE gets the focus put on the first tab
  // stop; FALSE means it set the focus itself.
  int first = first_tab_stop(&d);
  HWND firstHandle = first >= 0 ? &d.items[std::size_t(first)]->handle : nullptr;
  if (proc(&d.handle, WM_INITDIALOG, WPARAM(firstHandle), param) && firstHandle) SetFocus(firstHandle);

  if (!d.ended) {
    if (g_driver) {
      g_driver(&d.handle, g_driverUser);
    } else if (!pl_dialog_view_run(&d)) {
      std::fprintf(stderr, "%s: no display to show the dialog on\n", t->caption ? t->caption : "dialog");
    }
  }
  return d.ended ? d.result : -1;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  PL_Dialog* d = pl_dialog_of(dialog);
  if (!d) return FALSE;
  d->ended = 1;
  d->result = result;
  return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  PL_DlgItem* item = pl_dialog_item(pl_dialog_of(dialog), id);
  return item ? &item->handle : nullptr;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SendMessageA(control, message, wparam, lparam) : 0;
}

LRESULT pl_dialog_send(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (PL_Dialog* d = pl_dialog_of(window)) return send_to_proc(d, message, wparam, lparam);
  PL_DlgItem* item = item_of(window);
  if (!item) return 0;
  if (is_list(item)) return list_message(item, message, wparam, lparam);
  if (is_button(item)) return button_message(item, message, wparam);
  return 0;
}

HWND pl_dialog_set_focus(HWND window) {
  PL_Dialog* d = window->dialog;
  HWND previous = d->focus >= 0 ? &d->items[std::size_t(d->focus)]->handle : nullptr;
  if (window->dialogItem >= 0 && item_of(window)) {
    d->focus = window->dialogItem;
    d->focusMoved = 1;
  }
  return previous;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  PL_DlgItem* item = item_of(window);
  if (!item) return FALSE;
  BOOL wasDisabled = !item->enabled;
  item->enabled = enable ? 1 : 0;
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
  if (PL_DlgItem* item = item_of(window)) return item->enabled;
  return pl_dialog_of(window) || IsWindow(window);
}

int pl_dialog_message_box(HWND owner, const char* text, const char* caption) {
  PL_Dialog* d = owner->dialog;
  return d && d->view ? pl_dialog_view_message_box(d, text, caption) : 0;
}

int PL_DialogSelect(HWND dialog, int id, int row) {
  PL_Dialog* d = pl_dialog_of(dialog);
  PL_DlgItem* item = pl_dialog_item(d, id);
  if (!item || !is_list(item) || !item->enabled || d->ended || row < 0 || row >= int(item->rows.size())) return 0;
  item->selection = row;
  send_to_proc(d, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(&item->handle));
  return 1;
}

int PL_DialogClick(HWND dialog, int id) {
  PL_Dialog* d = pl_dialog_of(dialog);
  PL_DlgItem* item = pl_dialog_item(d, id);
  if (!item || !is_button(item) || !item->enabled || d->ended) return 0;
  if (item->control->kind == PL_DLG_AUTOCHECKBOX) item->checked = !item->checked;
  send_to_proc(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(&item->handle));
  return 1;
}

int PL_DialogClose(HWND dialog) {
  PL_Dialog* d = pl_dialog_of(dialog);
  if (!d || d->ended) return 0;
  send_to_proc(d, WM_CLOSE, 0, 0);
  return 1;
}

const char* PL_DialogRowText(HWND dialog, int id, int row) {
  PL_DlgItem* item = pl_dialog_item(pl_dialog_of(dialog), id);
  if (!item || row < 0 || row >= int(item->rows.size())) return nullptr;
  return item->rows[std::size_t(row)].c_str();
}

int PL_DialogFocusId(HWND dialog) {
  PL_Dialog* d = pl_dialog_of(dialog);
  if (!d || d->focus < 0) return 0;
  return d->items[std::size_t(d->focus)]->control->id;
}
