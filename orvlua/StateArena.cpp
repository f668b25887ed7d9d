#include "StateArena.h"

#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define ORV_POISON(addr, size) ASAN_POISON_MEMORY_REGION(addr, size)
#define ORV_UNPOISON(addr, size) ASAN_UNPOISON_MEMORY_REGION(addr, size)
#else
#define ORV_POISON(addr, size) ((void)(addr), (void)(size))
#define ORV_UNPOISON(addr, size) ((void)(addr), (void)(size))
#endif

namespace OrvLua::Detail {

void* StateArena::AllocateSmall(std::size_t size) {
  const std::size_t cls = ClassOf(size);
  if (FreeBlock* block = freeLists_[cls]) {
    ORV_UNPOISON(block, sizeof(FreeBlock));
    freeLists_[cls] = block->next;
    ORV_POISON(block, ClassSize(cls));
    ORV_UNPOISON(block, size);
    return block;
  }
  const std::size_t bytes = ClassSize(cls);
  if (static_cast<std::size_t>(bumpEnd_ - bump_) < bytes) {
    // The rest of the current chunk is too small for this class: it stays
    // unused rather than being split up, which keeps this path short.
    auto* chunk = static_cast<Chunk*>(std::malloc(kChunkSize));
    if (!chunk) return nullptr;
    chunk->next = chunks_;
    chunks_ = chunk;
    chunkBytes_ += kChunkSize;
    bump_ = reinterpret_cast<char*>(chunk + 1);
    bumpEnd_ = reinterpret_cast<char*>(chunk) + kChunkSize;
    ORV_POISON(bump_, bumpEnd_ - bump_);
  }
  void* block = bump_;
  bump_ += bytes;
  ORV_UNPOISON(block, size);
  return block;
}

void StateArena::FreeSmall(void* block, std::size_t size) {
  const std::size_t cls = ClassOf(size);
  ORV_UNPOISON(block, sizeof(FreeBlock));
  auto* freed = static_cast<FreeBlock*>(block);
  freed->next = freeLists_[cls];
  freeLists_[cls] = freed;
  ORV_POISON(block, ClassSize(cls));
}

void StateArena::Free(void* block, std::size_t size) {
  if (!block) return;
  if (IsSmall(size)) {
    FreeSmall(block, size);
  } else {
    std::free(block);
  }
}

void* StateArena::Reallocate(void* block, std::size_t oldSize, std::size_t newSize) {
  if (newSize == 0) {
    Free(block, oldSize);
    return nullptr;
  }
  if (!block) return IsSmall(newSize) ? AllocateSmall(newSize) : std::malloc(newSize);
  const bool wasSmall = IsSmall(oldSize);
  if (!wasSmall && !IsSmall(newSize)) return std::realloc(block, newSize);
  if (wasSmall && IsSmall(newSize) && ClassOf(oldSize) == ClassOf(newSize)) {
    ORV_POISON(block, ClassSize(ClassOf(oldSize)));
    ORV_UNPOISON(block, newSize);
    return block;
  }
  void* moved = IsSmall(newSize) ? AllocateSmall(newSize) : std::malloc(newSize);
  if (!moved) return nullptr;
  std::memcpy(moved, block, oldSize < newSize ? oldSize : newSize);
  Free(block, oldSize);
  return moved;
}

void StateArena::ReleaseAll() {
  while (chunks_) {
    Chunk* next = chunks_->next;
    ORV_UNPOISON(chunks_, kChunkSize);
    std::free(chunks_);
    chunks_ = next;
  }
  for (FreeBlock*& list : freeLists_) list = nullptr;
  bump_ = bumpEnd_ = nullptr;
  chunkBytes_ = 0;
}

}  // namespace OrvLua::Detail
