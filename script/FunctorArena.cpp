#include "script/FunctorArena.h"

#include <algorithm>

namespace Orv {

namespace {

// An object's functors fit in a couple of these.
constexpr std::size_t kBlockSize = 2048;

constexpr std::size_t RoundUp(std::size_t size, std::size_t step) { return (size + step - 1) / step * step; }

}  // namespace

FunctorArena::~FunctorArena() {
  for (Record* record = last_; record != nullptr; record = record->previous) record->destroy(record + 1);
  while (block_ != nullptr) {
    void* previous = *static_cast<void**>(block_);
    ::operator delete(block_);
    block_ = previous;
  }
}

void* FunctorArena::Reserve(std::size_t size) {
  const std::size_t needed = sizeof(Record) + RoundUp(size, kAlign);
  if (left_ < needed) {
    const std::size_t header = RoundUp(sizeof(void*), kAlign);
    const std::size_t bytes = std::max(kBlockSize, header + needed);
    void* block = ::operator new(bytes);
    *static_cast<void**>(block) = block_;
    block_ = block;
    free_ = static_cast<char*>(block) + header;
    left_ = bytes - header;
  }
  return free_ + sizeof(Record);
}

void FunctorArena::Commit(void* place, std::size_t size, void (*destroy)(void*)) {
  auto* record = reinterpret_cast<Record*>(static_cast<char*>(place) - sizeof(Record));
  record->destroy = destroy;
  record->previous = last_;
  last_ = record;
  const std::size_t used = sizeof(Record) + RoundUp(size, kAlign);
  free_ += used;
  left_ -= used;
}

}  // namespace Orv
