// Error reporting and the append-to-file helper.
#include "base/kr_error.h"

#include <cstdarg>
#include <cstdio>

#include "platform/pl_platform.h"

namespace {
KR_ErrorSink g_sink = nullptr;
}

void KR_Error(const char* format, ...) {
  // Without a sink (the show) nothing is formatted: an error costs a call and a test.
  if (!g_sink || !format) return;
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  g_sink(line);
}

KR_ErrorSink KR_ErrorSetSink(KR_ErrorSink sink) {
  KR_ErrorSink previous = g_sink;
  g_sink = sink;
  return previous;
}

void KR_LogToFile(const char* path, const char* format, ...) {
  if (!path || !format) return;
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::FILE* f = PL_Fopen(path, "at");
  if (!f) return;
  std::fputs(line, f);
  std::fclose(f);
}
