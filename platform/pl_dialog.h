// Dialog resources and the dialog manager behind DialogBoxParamA. A dialog's controls keep
// their state (rows, selection, check, enabled, focus) in plain records; a GTK 3 view shows
// them, or, headless, a driver function plays the viewer (the tests do this).
//
// The lists are drop-down lists that cannot be edited: their selection is always one of
// their rows, or -1 when nothing is selected.
#pragma once

#include "platform/win32.h"

enum PL_DlgKind {
  PL_DLG_PUSHBUTTON,
  PL_DLG_DEFPUSHBUTTON,  // the button Return presses
  PL_DLG_AUTOCHECKBOX,   // toggles itself when clicked
  PL_DLG_GROUPBOX,
  PL_DLG_STATIC,
  PL_DLG_DROPDOWNLIST,
  PL_DLG_PICTURE,  // an empty frame here: no pictures are shipped
};

// One control; position and size in dialog units. Style bits: WS_TABSTOP, WS_DISABLED,
// WS_GROUP, WS_VSCROLL.
struct PL_DlgControl {
  int id;
  PL_DlgKind kind;
  const char* text;
  short x, y, w, h;
  DWORD style;
};

struct PL_DlgTemplate {
  const char* caption;
  const char* font;
  int pointSize;
  short x, y, w, h;
  const PL_DlgControl* controls;  // in tab order
  int count;
};

// Makes `t` the dialog resource `id` (MAKEINTRESOURCEA(id) for DialogBoxParamA). The record
// must outlive its dialogs. Registering an id again replaces it.
void PL_DialogAddTemplate(int id, const PL_DlgTemplate* t);

// Headless mode: while a driver is set, DialogBoxParamA shows nothing and calls the driver once
// the dialog has initialised; a dialog still open when the driver returns ends with -1.
typedef void (*PL_DialogDriver)(HWND dialog, void* user);
void PL_DialogSetDriver(PL_DialogDriver driver, void* user);

// What the viewer does, as the dialog procedure sees it. Each returns 1 when the control took
// the action (it exists, is enabled and, for lists, the row exists), else 0.
int PL_DialogSelect(HWND dialog, int id, int row);  // picks a row of a list: CBN_SELCHANGE
int PL_DialogClick(HWND dialog, int id);            // clicks a button or check box: BN_CLICKED
int PL_DialogClose(HWND dialog);                    // the close box: WM_CLOSE

// A list's row text (null when out of range) and the id of the control with the focus (0: none).
const char* PL_DialogRowText(HWND dialog, int id, int row);
int PL_DialogFocusId(HWND dialog);
