// Labelled heap allocation and the per-frame scratch cache.
#pragma once

#include <cstdint>

void* KR_Malloc(std::int32_t size, const char* label);
int KR_Free(void* p);

// The scratch cache hands out unpadded blocks one after another until the next reset.
// Callers that keep pointers, floats or records in a block round its size up with
// KR_CacheRound so that every block stays 8-byte aligned.
int KR_CacheInitialise(std::int32_t size);
void* KR_CacheMalloc(std::int32_t size, const char* label);
int KR_CacheReset(void);
int KR_CacheFree(void);

// Bytes handed out since the last reset, and the capacity; for tests and statistics.
std::int32_t KR_CacheUsed(void);
std::int32_t KR_CacheCapacity(void);

constexpr std::int32_t KR_CacheRound(std::int32_t size) { return (size + 7) & ~7; }

// Starts the engine: the clock, then a 10 MiB scratch cache.
int KR_Initialise(void);
