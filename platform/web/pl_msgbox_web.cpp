// Message boxes in the browser: echoed on standard error (the page's console) and shown by the
// page, or answered by a handler a test installed. The page's box does not block: the show's
// message boxes all come before it stops.
#include <emscripten.h>

#include <cstdio>

#include "platform/pl_internal.h"
#include "platform/pl_platform.h"

namespace {
PL_MessageBoxHandler g_handler = nullptr;

EM_JS(void, page_message, (const char* text, const char* caption), {
  if (Module['velmarMessage']) Module['velmarMessage'](UTF8ToString(caption), UTF8ToString(text));
});
}  // namespace

PL_MessageBoxHandler PL_MessageBoxSetHandler(PL_MessageBoxHandler handler) {
  PL_MessageBoxHandler previous = g_handler;
  g_handler = handler;
  return previous;
}

int MessageBoxA(HWND, const char* text, const char* caption, UINT) {
  if (!text) text = "";
  if (!caption) caption = "Error";
  std::fprintf(stderr, "%s: %s\n", caption, text);
  if (g_handler) return g_handler(text, caption);
  page_message(text, caption);
  return IDOK;
}

int pl_dialog_view_message_box(PL_Dialog*, const char* text, const char* caption) {
  page_message(text, caption);
  return 1;
}
