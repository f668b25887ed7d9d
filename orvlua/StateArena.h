#pragma once
// The memory of one Lua state. A scripted object's state makes a few
// thousand small blocks (strings, closures, table parts) that mostly live as
// long as the state: taking them from the C heap one by one costs a header
// each and, at close, thousands of frees the heap then has to merge. Here
// small blocks are carved from a few chunks the state owns, freed blocks are
// reused by size within the state, and closing the state returns the chunks
// whole. Larger blocks go to the C heap directly.
#include <cstddef>

namespace OrvLua::Detail {

class StateArena {
 public:
  StateArena() = default;
  StateArena(const StateArena&) = delete;
  StateArena& operator=(const StateArena&) = delete;
  ~StateArena() { ReleaseAll(); }

  // The core's allocation contract: block of oldSize becomes newSize bytes;
  // null on failure with the old block untouched.
  void* Reallocate(void* block, std::size_t oldSize, std::size_t newSize);
  void Free(void* block, std::size_t size);
  // Gives every chunk back; blocks still carved from them die with them.
  void ReleaseAll();
  // Bytes taken from the C heap for this state's small blocks.
  std::size_t ChunkBytes() const { return chunkBytes_; }

 private:
  static constexpr std::size_t kGrain = 16;
  static constexpr std::size_t kLargestSmall = 512;
  static constexpr std::size_t kClasses = kLargestSmall / kGrain;
  static constexpr std::size_t kChunkSize = 8192;

  static bool IsSmall(std::size_t size) { return size <= kLargestSmall; }
  static std::size_t ClassOf(std::size_t size) { return (size + kGrain - 1) / kGrain - 1; }
  static std::size_t ClassSize(std::size_t cls) { return (cls + 1) * kGrain; }

  void* AllocateSmall(std::size_t size);
  void FreeSmall(void* block, std::size_t size);

  struct FreeBlock {
    FreeBlock* next;
  };
  struct Chunk {
    Chunk* next;
    std::size_t pad;  // keeps the blocks after the header on the grain
  };

  FreeBlock* freeLists_[kClasses] = {};
  Chunk* chunks_ = nullptr;
  char* bump_ = nullptr;
  char* bumpEnd_ = nullptr;
  std::size_t chunkBytes_ = 0;
};

}  // namespace OrvLua::Detail
