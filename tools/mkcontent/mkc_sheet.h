// The contact sheet: every picture and texture of a generated pack, loaded through the show's
// own image loaders (alpha pictures combined and shown over a checkerboard), and frames of
// every clip decoded by clpdec, on one PNG for a person to judge the pack at a glance.
#pragma once

// Reads the pack under `data` (the folder holding graphics/, video/, ...) and writes the sheet;
// false (after a message on standard error) when a file cannot be loaded or written.
bool MKC_WriteSheet(const char* out_png, const char* data);
