// The dialog manager's records, shared by the manager and its GTK view.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/pl_dialog.h"
#include "platform/pl_internal.h"

struct PL_DlgItem {
  const PL_DlgControl* control;
  PL_Window handle{};  // what GetDlgItem hands out
  std::vector<std::string> rows;
  int selection = -1;
  int checked = 0;
  int enabled = 1;
  unsigned rowsVersion = 0;  // changes whenever the rows do, so a view knows to rebuild
};

struct PL_Dialog {
  const PL_DlgTemplate* tmpl = nullptr;
  PL_Window handle{};
  std::vector<std::unique_ptr<PL_DlgItem>> items;  // template order
  DLGPROC proc = nullptr;
  int ended = 0;
  INT_PTR result = 0;
  int focus = -1;      // item index
  int focusMoved = 0;  // set by SetFocus; a view clears it once it moved its focus
  void* view = nullptr;
};

PL_Dialog* pl_dialog_of(HWND window);
PL_DlgItem* pl_dialog_item(PL_Dialog* d, int id);

// The GTK view: shows the dialog and runs until it has ended; 0 when no display can be opened.
int pl_dialog_view_run(PL_Dialog* d);
// A message box owned by the dialog, in the view's toolkit; 0 when the dialog has no view.
int pl_dialog_view_message_box(PL_Dialog* d, const char* text, const char* caption);
