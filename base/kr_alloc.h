// Array allocation with the element count checked before it is multiplied out.
#pragma once

#include <cstdint>

#include "base/kr_error.h"
#include "base/kr_memory.h"

// KR_Malloc of count elements of `size` bytes; null (and a report) for a negative count or a
// total that does not fit KR_Malloc's 32-bit size.
inline void* KR_MallocArray(std::int64_t count, std::int64_t size, const char* label) {
  if (count < 0 || size <= 0 || count > INT32_MAX / size) {
    KR_Error("KR_Malloc - failed to allocate %lld x %lld bytes for %s", static_cast<long long>(count),
             static_cast<long long>(size), label ? label : "");
    return nullptr;
  }
  return KR_Malloc(static_cast<std::int32_t>(count * size), label);
}
