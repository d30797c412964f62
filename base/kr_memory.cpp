// Labelled allocation, the scratch cache and the engine start-up.
#include "base/kr_memory.h"

#include <cstdlib>

#include "base/kr_error.h"
#include "base/kr_timer.h"

namespace {

struct Cache {
  std::uint8_t* base;
  std::int32_t capacity;
  std::int32_t used;
  int initialised;
};

Cache g_cache{};

}  // namespace

void* KR_Malloc(std::int32_t size, const char* label) {
  // A negative size is a caller's arithmetic gone wrong; never let it become a huge request.
  void* p = size >= 0 ? std::malloc(size > 0 ? std::size_t(size) : 1) : nullptr;
  if (!p) KR_Error("KR_Malloc - failed to allocate %d bytes for %s", size, label ? label : "");
  return p;
}

int KR_Free(void* p) {
  if (!p) {
    KR_Error("KR_Free - data is NULL!");
    return 0;
  }
  std::free(p);
  return 1;
}

int KR_CacheInitialise(std::int32_t size) {
  if (g_cache.initialised) KR_CacheFree();
  g_cache.base = static_cast<std::uint8_t*>(KR_Malloc(size, "KR_CacheInitialise - kr_cachedata"));
  if (!g_cache.base) return 0;
  g_cache.initialised = 1;
  g_cache.capacity = size;
  g_cache.used = 0;
  return KR_CacheReset();
}

void* KR_CacheMalloc(std::int32_t size, const char* label) {
  if (!g_cache.initialised) {
    KR_Error("KR_CacheMalloc - cache not initialised");
    return nullptr;
  }
  // A negative request would move the top backwards over live blocks.
  if (size < 0 || size > g_cache.capacity - g_cache.used) {
    KR_Error("KR_CacheMalloc - failed to allocate %d bytes for %s", size, label ? label : "");
    return nullptr;
  }
  void* p = g_cache.base + g_cache.used;
  g_cache.used += size;
  return p;
}

int KR_CacheReset(void) {
  if (!g_cache.initialised) return 0;
  g_cache.used = 0;
  return 1;
}

int KR_CacheFree(void) {
  if (!g_cache.initialised) return 0;
  KR_Free(g_cache.base);
  g_cache = Cache{};
  return 1;
}

std::int32_t KR_CacheUsed(void) { return g_cache.used; }
std::int32_t KR_CacheCapacity(void) { return g_cache.capacity; }

int KR_Initialise(void) {
  if (KR_TimerInitialise() != 1) return 0;
  return KR_CacheInitialise(0xA00000);
}
