// The KRK keyframe loader. Fields are read little-endian one by one, counts are checked
// against the bytes left, and a nodes chunk that fails ends loading with the nodes read so far.
#include "engine/kr_krk.h"

#include <cstdarg>
#include <cstdio>

#include "base/kr_error.h"
#include "base/kr_file.h"
#include "base/kr_memory.h"
#include "base/kr_read.h"

namespace {

constexpr std::int64_t kNodeBytes = 1 + 4;
constexpr std::int64_t kRotationKeyBytes = 4 + 4 + 9 * 2;
constexpr std::int64_t kPositionKeyBytes = 4 + 4 + 12;

int fail(const char* format, ...) __attribute__((format(printf, 1, 2)));

int fail(const char* format, ...) {
  char note[200];
  va_list args;
  va_start(args, format);
  std::vsnprintf(note, sizeof note, format, args);
  va_end(args);
  KR_Error("KR_ImpLoadKrk - nodes chunk: %s", note);
  return 0;
}

int truncated(const KR_Reader& r) {
  return fail("%s", r.longString ? "name longer than 255 characters" : "file ends inside a record");
}

// Key count and the word after it; the count must fit in the bytes left.
int read_key_count(KR_Reader& r, std::int64_t keyBytes, int* count) {
  std::int32_t k = KR_ReadI32(&r);
  KR_ReadI32(&r);
  if (!r.ok) return truncated(r);
  if (k < 0 || k > KR_ReadRemaining(&r) / keyBytes) return fail("key count out of range (%d)", k);
  *count = k;
  return 1;
}

int read_rotation(KR_Reader& r, KR_Node* n) {
  int keys;
  if (!read_key_count(r, kRotationKeyBytes, &keys)) return 0;
  if (!KR_TrackMatRotCreate(&n->rotation, keys)) return 0;
  n->hasRotation = 1;
  for (int k = 0; k < keys; k++) {
    KR_TrackMatRotKey key;
    key.time = float(KR_ReadI32(&r));
    std::int32_t packed = KR_ReadI32(&r);
    float e[9];
    // Packed elements are signed 8.8 fixed point.
    for (float& x : e) x = packed ? float(KR_ReadI16(&r)) / 256.0f : KR_ReadF32(&r);
    if (!r.ok) return truncated(r);
    KR_VecSet(&key.row0, e[0], e[1], e[2]);
    KR_VecSet(&key.row1, e[3], e[4], e[5]);
    KR_VecSet(&key.row2, e[6], e[7], e[8]);
    KR_TrackMatRotAddKey(&n->rotation, &key);
  }
  return 1;
}

int read_position(KR_Reader& r, KR_Node* n) {
  int keys;
  if (!read_key_count(r, kPositionKeyBytes, &keys)) return 0;
  if (!KR_TrackVecCreate(&n->position, keys)) return 0;
  n->hasPosition = 1;
  for (int k = 0; k < keys; k++) {
    KR_TrackVecKey key;
    key.time = float(KR_ReadI32(&r));
    KR_ReadI32(&r);
    key.value = KR_ReadVec3(&r);
    if (!r.ok) return truncated(r);
    KR_TrackVecAddKey(&n->position, &key);
  }
  return 1;
}

void free_node(KR_Node* n) {
  if (n->rotation.keys) KR_Free(n->rotation.keys);
  if (n->position.keys) KR_Free(n->position.keys);
  KR_Free(n);
}

int read_nodes(KR_Reader& r, KR_KfScene* s) {
  KR_ReadI32(&r);
  std::int32_t count = KR_ReadI32(&r);
  std::int32_t skip = KR_ReadI32(&r);
  if (!r.ok) return truncated(r);
  if (!KR_ReadSkip(&r, skip)) return fail("skip length out of range (%d)", skip);
  if (count < 0 || count > KR_ReadRemaining(&r) / kNodeBytes) return fail("node count out of range (%d)", count);
  if (!KR_KfSceneCreateNodes(s, count)) return 0;
  for (int i = 0; i < count; i++) {
    char name[KR_STRING_SIZE];
    if (!KR_ReadString(&r, name)) return truncated(r);
    KR_Node* n = KR_NodeNew(name);
    if (!n) return 0;
    std::int32_t flags = KR_ReadI32(&r);
    if (!r.ok) {
      free_node(n);
      return truncated(r);
    }
    // A node that fails half-way is not kept: the scene holds complete nodes only.
    if (((flags & KR_KRK_ROTATION) && !read_rotation(r, n)) || ((flags & KR_KRK_POSITION) && !read_position(r, n))) {
      free_node(n);
      return 0;
    }
    if (!KR_KfSceneAddNode(s, n)) {
      free_node(n);
      return 0;
    }
  }
  return 1;
}

}  // namespace

KR_KfScene* KR_ImpLoadKrk(const char* fileName, const char* kfSceneName) {
  KR_File* f = fileName ? KR_Fopen(fileName, "rb") : nullptr;
  if (!f) {
    KR_Error("KR_ImpLoadKrk - unable to open (%s)", fileName ? fileName : "");
    return nullptr;
  }
  KR_Reader r{f, 1, 0};
  std::uint16_t magic = KR_ReadU16(&r);
  if (!r.ok || magic != KR_KRK_MAGIC) {
    KR_Fclose(f);
    KR_Error("KR_ImpLoadKrk - magic number mismatch (%s)", fileName);
    return nullptr;
  }
  std::uint16_t version = KR_ReadU16(&r);
  if (!r.ok || version != KR_KRK_VERSION) {
    KR_Fclose(f);
    return nullptr;
  }
  KR_ReadI32(&r);
  if (!KR_ReadExtension(&r)) {
    KR_Fclose(f);
    KR_Error("KR_ImpLoadKrk - header incomplete (%s)", fileName);
    return nullptr;
  }
  KR_KfScene* s = KR_KfSceneNew(kfSceneName ? kfSceneName : fileName);
  if (!s) {
    KR_Fclose(f);
    return nullptr;
  }
  // The first nodes chunk is the file's animation; anything else is passed over two bytes at
  // a time, and nothing after that chunk is read.
  for (;;) {
    std::uint16_t id = KR_ReadU16(&r);
    if (!r.ok) break;
    if (id == KR_KRK_NODES) {
      read_nodes(r, s);
      break;
    }
    if (KR_Feof(f)) break;
  }
  KR_Fclose(f);
  return s;
}
