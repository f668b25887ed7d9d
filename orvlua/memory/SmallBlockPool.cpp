#include "SmallBlockPool.h"

#include "PageSource.h"
#include "Poison.h"

namespace OrvLua::Detail {

namespace {

// A page: what is left at a chunk's end is small, and the calls into a
// thousand states each frame ran markedly slower with larger chunks (8, 12,
// 16 and 32 KB were all measured).
constexpr std::size_t kChunkSize = PageSource::kPageSize;

}  // namespace

SmallBlockPool::~SmallBlockPool() {
  for (void* chunk : chunks_) {
    ORVLUA_UNPOISON(chunk, kChunkSize);
    PageSource::Give(chunk, 1);
  }
}

void* SmallBlockPool::Allocate(std::size_t size) {
  const std::size_t step = Step(size);
  const std::size_t bytes = StepBytes(step);
  if (void* block = freeBlocks_[step]) {
    ORVLUA_UNPOISON(block, bytes);
    freeBlocks_[step] = *static_cast<void**>(block);
    return block;
  }
  if (unusedSize_ < bytes) {
    // The rest of the old chunk is kept as a free block of the largest step
    // that fits in it.
    if (unusedSize_ >= kGrain) {
      const std::size_t rest = StepWithin(unusedSize_);
      ORVLUA_UNPOISON(unused_, sizeof(void*));
      *reinterpret_cast<void**>(unused_) = freeBlocks_[rest];
      freeBlocks_[rest] = unused_;
      ORVLUA_POISON(unused_, sizeof(void*));
    }
    auto* chunk = static_cast<char*>(PageSource::Take(1));
    if (chunk == nullptr) return nullptr;
    chunks_.push_back(chunk);
    ORVLUA_POISON(chunk, kChunkSize);
    unused_ = chunk;
    unusedSize_ = kChunkSize;
  }
  void* block = unused_;
  unused_ += bytes;
  unusedSize_ -= bytes;
  ORVLUA_UNPOISON(block, bytes);
  return block;
}

void SmallBlockPool::Free(void* block, std::size_t size) {
  const std::size_t step = Step(size);
  *static_cast<void**>(block) = freeBlocks_[step];
  freeBlocks_[step] = block;
  ORVLUA_POISON(block, StepBytes(step));
}

}  // namespace OrvLua::Detail
