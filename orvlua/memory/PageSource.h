#pragma once
// Whole pages for the Lua states, carved from regions the kernel may back
// with huge pages. Every frame calls into a thousand states whose few hot
// lines lie spread over a hundred megabytes and more: on small pages nearly
// each of those lines also missed the address cache, and a new state faulted
// in every small page it touched first, one by one.
#include <cstddef>

namespace OrvLua::Detail {

class PageSource {
 public:
  static constexpr std::size_t kPageSize = 4096;
  // Runs of up to this many pages come from the regions; a larger block is
  // the heap's.
  static constexpr std::size_t kLargestRun = 16;
  static constexpr std::size_t kRegionSize = std::size_t{2} << 20;

  static constexpr std::size_t PagesFor(std::size_t bytes) { return (bytes + kPageSize - 1) / kPageSize; }

  // A page-aligned run of 1 to kLargestRun pages; null when no memory is left.
  static void* Take(std::size_t pages);
  // pages is the count the run was taken with.
  static void Give(void* run, std::size_t pages);

  // Bytes of the runs taken and not given back.
  static std::size_t BytesInUse();
  static std::size_t RegionsMapped();
  // Unmaps the emptied regions, as a heap trim gives back its free pages.
  static void Trim();
};

}  // namespace OrvLua::Detail
