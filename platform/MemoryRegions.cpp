#include "platform/MemoryRegions.h"

#include <sys/mman.h>

#include <cstdint>

namespace Orv::Platform {

void* MapAlignedRegion(std::size_t bytes, std::size_t alignment) {
  // Twice the size, then the ends outside the aligned part go back.
  const std::size_t mappedBytes = bytes + alignment;
  void* mapped = mmap(nullptr, mappedBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  char* start = static_cast<char*>(mapped);
  char* base = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(start) + alignment - 1) & ~(alignment - 1));
  if (base > start) munmap(start, static_cast<std::size_t>(base - start));
  char* end = start + mappedBytes;
  if (end > base + bytes) munmap(base + bytes, static_cast<std::size_t>(end - (base + bytes)));
  return base;
}

void UnmapRegion(void* at, std::size_t bytes) { munmap(at, bytes); }

void PreferHugePages(void* at, std::size_t bytes) { madvise(at, bytes, MADV_HUGEPAGE); }

void ReleaseWhenNeeded(void* at, std::size_t bytes) { madvise(at, bytes, MADV_FREE); }

}  // namespace Orv::Platform
