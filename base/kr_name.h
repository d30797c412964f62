// Copying a name into the engine's 256-byte name fields.
#pragma once

#include <cstring>

// Copies at most 255 characters and always terminates; a null name gives "".
inline void KR_NameCopy(char* dest, const char* name) {
  std::strncpy(dest, name ? name : "", 255);
  dest[255] = 0;
}
