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
  // Blocks up to this size come from the pool: up to kFine in steps of
  // kGrain bytes (the core's strings, closures and small tables, 8-byte
  // aligned as it needs), above that in steps of kCoarse (table parts, the
  // stack, function code).
  static constexpr std::size_t kLargest = 2048;
  static constexpr std::size_t kFine = 256;
  static constexpr std::size_t kGrain = 8;
  static constexpr std::size_t kCoarse = 64;

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
  static constexpr std::size_t Step(std::size_t size) {
    return size <= kFine ? (size + kGrain - 1) / kGrain : kFine / kGrain + (size - kFine + kCoarse - 1) / kCoarse;
  }
  // The largest step whose blocks fit in size bytes (at least kGrain).
  static constexpr std::size_t StepWithin(std::size_t size) {
    return size <= kFine ? size / kGrain : kFine / kGrain + (size - kFine) / kCoarse;
  }
  static constexpr std::size_t StepBytes(std::size_t step) {
    return step <= kFine / kGrain ? step * kGrain : kFine + (step - kFine / kGrain) * kCoarse;
  }

  static constexpr std::size_t kSteps = kFine / kGrain + (kLargest - kFine) / kCoarse;

  void* freeBlocks_[kSteps + 1] = {};
  std::vector<void*> chunks_;
  char* unused_ = nullptr;
  std::size_t unusedSize_ = 0;
};

}  // namespace OrvLua::Detail
