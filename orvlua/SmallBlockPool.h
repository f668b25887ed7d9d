#pragma once
// The small blocks of one Lua state, carved from chunks the state owns and
// freed with it. States come and go by the thousand while others live on;
// their many small blocks, taken from the one process heap, would leave it
// ever more fragmented. Kept apart, a closed state gives back whole chunks
// that the next state takes again.
#include <cstddef>
#include <vector>

namespace OrvLua::Detail {

class SmallBlockPool {
 public:
  // Blocks up to this size come from the pool, in steps of 16 bytes.
  static constexpr std::size_t kLargest = 256;

  SmallBlockPool() = default;
  ~SmallBlockPool();
  SmallBlockPool(const SmallBlockPool&) = delete;
  SmallBlockPool& operator=(const SmallBlockPool&) = delete;

  // Null when no memory is left.
  void* Allocate(std::size_t size);
  // size is the one the block was allocated or last resized with.
  void Free(void* block, std::size_t size);
  static bool SameStep(std::size_t a, std::size_t b) { return Step(a) == Step(b); }

 private:
  static std::size_t Step(std::size_t size) { return (size + 15) / 16; }

  void* freeBlocks_[kLargest / 16 + 1] = {};
  std::vector<void*> chunks_;
  char* unused_ = nullptr;
  std::size_t unusedSize_ = 0;
};

}  // namespace OrvLua::Detail
