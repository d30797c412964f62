// The engine's error report and the text-file append helper.
#pragma once

// Every engine, graphics and image failure is reported here as "Function - note". The show
// records nothing; a tool may install a sink to see the formatted messages.
void KR_Error(const char* format, ...) __attribute__((format(printf, 1, 2)));

typedef void (*KR_ErrorSink)(const char* message);
// Installs a sink (null removes it) and returns the previous one.
KR_ErrorSink KR_ErrorSetSink(KR_ErrorSink sink);

// Formats into a 512-byte line and appends it to a text file; a file that cannot be opened is
// ignored. The format carries its own newline.
void KR_LogToFile(const char* path, const char* format, ...) __attribute__((format(printf, 2, 3)));
