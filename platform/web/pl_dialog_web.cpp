// The setup dialog's view in the browser: the page's start panel. The viewer has already made
// the panel's choices and pressed its Start (the page starts the program then), so the view
// plays the viewer in the dialog: it sets the controls the panel stands for (dynamic shadows,
// sound on or off, full screen, which in the browser takes the desktop's settings) by their
// captions, as a viewer would find them, and presses Start.
#include <emscripten.h>

#include <cstring>

#include "platform/pl_dialog_model.h"

namespace {

EM_JS(int, page_choice, (const char* name), {
  const c = Module['velmarChoices'] || {};
  const v = c[UTF8ToString(name)];
  return v === undefined ? -1 : (v ? 1 : 0);
});

PL_DlgItem* find(PL_Dialog* d, PL_DlgKind kind, const char* text) {
  for (auto& item : d->items)
    if (item->control->kind == kind && item->control->text && std::strcmp(item->control->text, text) == 0)
      return item.get();
  return nullptr;
}

// Sets a check box to `want` (0 or 1) by clicking it; -1 leaves it.
void check(PL_Dialog* d, const char* text, int want) {
  PL_DlgItem* item = find(d, PL_DLG_AUTOCHECKBOX, text);
  if (item && want >= 0 && item->checked != want) PL_DialogClick(&d->handle, item->control->id);
}

// Picks the row with that text in whichever list has one.
void select_row(PL_Dialog* d, const char* text) {
  for (auto& item : d->items) {
    if (item->control->kind != PL_DLG_DROPDOWNLIST) continue;
    for (std::size_t r = 0; r < item->rows.size(); r++)
      if (item->rows[r] == text) {
        PL_DialogSelect(&d->handle, item->control->id, int(r));
        return;
      }
  }
}

}  // namespace

int pl_dialog_view_run(PL_Dialog* d) {
  check(d, "Dynamic Shadows", page_choice("shadows"));
  if (page_choice("sound") == 0) select_row(d, "No Sound");
  const int full = page_choice("fullscreen");
  check(d, "Fullscreen", full);
  if (full == 1) check(d, "Use Desktop Settings", 1);
  if (PL_DlgItem* start = find(d, PL_DLG_DEFPUSHBUTTON, "Start")) PL_DialogClick(&d->handle, start->control->id);
  return 1;
}
