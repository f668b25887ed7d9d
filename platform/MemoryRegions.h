#pragma once
// Regions of memory taken straight from the system, in whole pages, outside
// the heap: the script states' page source carves its runs from them.
#include <cstddef>

namespace Orv::Platform {

// A zeroed, readable and writable region of bytes, aligned to alignment (a
// power of two, a multiple of the page size); null when the system has none.
void* MapAlignedRegion(std::size_t bytes, std::size_t alignment);
// Gives [at, at + bytes) back to the system.
void UnmapRegion(void* at, std::size_t bytes);
// Asks for huge pages behind the region; without them (switched off, or not
// built into the kernel) the region still serves, page by page.
void PreferHugePages(void* at, std::size_t bytes);
// The system may take the pages back when it needs them; until it does, they
// keep their contents and are found without faulting them in again.
void ReleaseWhenNeeded(void* at, std::size_t bytes);

}  // namespace Orv::Platform
