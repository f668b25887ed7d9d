#include "PageSource.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "Poison.h"
#include "platform/MemoryRegions.h"

namespace OrvLua::Detail {

namespace {

constexpr std::size_t kRegionPages = PageSource::kRegionSize / PageSource::kPageSize;

// Kept at the start of a free run. Free runs stay poisoned under the address
// sanitizer but for the moment their header is read or written.
struct FreeRun {
  FreeRun* prev;
  FreeRun* next;
  std::size_t pages;
};

FreeRun ReadHeader(const char* run) {
  FreeRun header;
  ORVLUA_UNPOISON(run, sizeof header);
  std::memcpy(&header, run, sizeof header);
  ORVLUA_POISON(run, sizeof header);
  return header;
}

void WriteHeader(char* run, const FreeRun& header) {
  ORVLUA_UNPOISON(run, sizeof header);
  std::memcpy(run, &header, sizeof header);
  ORVLUA_POISON(run, sizeof header);
}

struct Region {
  std::size_t used = 0;  // pages taken and not given back
  std::size_t bump = 0;  // pages below this were handed out at least once
};

class Source {
 public:
  void* Take(std::size_t pages) {
    std::lock_guard<std::mutex> lock(mutex_);
    char* run = Pop(pages);
    if (!run && current_ && regions_[current_].bump + pages <= kRegionPages) {
      Region& region = regions_[current_];
      run = current_ + region.bump * PageSource::kPageSize;
      region.bump += pages;
    }
    for (std::size_t larger = pages + 1; !run && larger <= PageSource::kLargestRun; ++larger) {
      run = Pop(larger);
      if (run) Push(run + pages * PageSource::kPageSize, larger - pages);
    }
    if (!run) {
      if (!NewCurrent()) return nullptr;
      run = current_;
      regions_[current_].bump = pages;
    }
    RegionOf(run).used += pages;
    bytesInUse_ += pages * PageSource::kPageSize;
    ORVLUA_UNPOISON(run, pages * PageSource::kPageSize);
    return run;
  }

  void Give(void* block, std::size_t pages) {
    std::lock_guard<std::mutex> lock(mutex_);
    char* run = static_cast<char*>(block);
    ORVLUA_POISON(run, pages * PageSource::kPageSize);
    Push(run, pages);
    bytesInUse_ -= pages * PageSource::kPageSize;
    char* base = BaseOf(run);
    Region& region = regions_[base];
    region.used -= pages;
    if (region.used == 0) Emptied(base, region);
  }

  std::size_t BytesInUse() {
    std::lock_guard<std::mutex> lock(mutex_);
    return bytesInUse_;
  }

  std::size_t RegionsMapped() {
    std::lock_guard<std::mutex> lock(mutex_);
    return regions_.size();
  }

  void Trim() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (char* base : empty_) {
      ORVLUA_UNPOISON(base, PageSource::kRegionSize);
      Orv::Platform::UnmapRegion(base, PageSource::kRegionSize);
      regions_.erase(base);
    }
    empty_.clear();
  }

 private:
  static char* BaseOf(const char* run) {
    return reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(run) & ~(PageSource::kRegionSize - 1));
  }
  Region& RegionOf(const char* run) { return regions_[BaseOf(run)]; }

  char* Pop(std::size_t pages) {
    char* run = reinterpret_cast<char*>(free_[pages]);
    if (run) Unlink(run);
    return run;
  }

  void Push(char* run, std::size_t pages) {
    FreeRun* head = free_[pages];
    WriteHeader(run, {nullptr, head, pages});
    if (head) {
      FreeRun next = ReadHeader(reinterpret_cast<char*>(head));
      next.prev = reinterpret_cast<FreeRun*>(run);
      WriteHeader(reinterpret_cast<char*>(head), next);
    }
    free_[pages] = reinterpret_cast<FreeRun*>(run);
  }

  void Unlink(char* run) {
    const FreeRun header = ReadHeader(run);
    if (header.prev) {
      FreeRun prev = ReadHeader(reinterpret_cast<char*>(header.prev));
      prev.next = header.next;
      WriteHeader(reinterpret_cast<char*>(header.prev), prev);
    } else {
      free_[header.pages] = header.next;
    }
    if (header.next) {
      FreeRun next = ReadHeader(reinterpret_cast<char*>(header.next));
      next.prev = header.prev;
      WriteHeader(reinterpret_cast<char*>(header.next), next);
    }
  }

  // Every page below the bump mark is now in a free run: take them all off
  // the lists. The region stays mapped for the next wave of states, its pages
  // free for the system to take back when it needs them; until it does, the
  // next state finds them without faulting them in again.
  void Emptied(char* base, Region& region) {
    for (std::size_t page = 0; page < region.bump;) {
      char* run = base + page * PageSource::kPageSize;
      page += ReadHeader(run).pages;
      Unlink(run);
    }
    region.bump = 0;
    if (base == current_) return;
    Orv::Platform::ReleaseWhenNeeded(base, PageSource::kRegionSize);
    empty_.push_back(base);
  }

  // The rest of the current region goes onto the free lists, and an emptied
  // or a newly mapped region becomes the current one.
  bool NewCurrent() {
    char* next = nullptr;
    if (empty_.empty()) {
      next = Map();
    } else {
      next = empty_.back();
      empty_.pop_back();
    }
    if (!next) return false;
    if (current_) {
      Region& region = regions_[current_];
      while (region.bump < kRegionPages) {
        const std::size_t pages = std::min(PageSource::kLargestRun, kRegionPages - region.bump);
        Push(current_ + region.bump * PageSource::kPageSize, pages);
        region.bump += pages;
      }
    }
    current_ = next;
    return true;
  }

  // A region aligned to its size, so a huge page can back it whole and a run
  // finds its region by its address alone.
  char* Map() {
    const std::size_t size = PageSource::kRegionSize;
    auto* base = static_cast<char*>(Orv::Platform::MapAlignedRegion(size, size));
    if (!base) return nullptr;
    Orv::Platform::PreferHugePages(base, size);
    ORVLUA_POISON(base, size);
    regions_[base] = Region{};
    return base;
  }

  std::mutex mutex_;
  FreeRun* free_[PageSource::kLargestRun + 1] = {};
  std::unordered_map<char*, Region> regions_;
  char* current_ = nullptr;
  std::vector<char*> empty_;
  std::size_t bytesInUse_ = 0;
};

// Never destroyed: a state closed by another static's destructor still
// gives its pages back.
Source& TheSource() {
  static Source* source = new Source;
  return *source;
}

}  // namespace

void* PageSource::Take(std::size_t pages) { return TheSource().Take(pages); }

void PageSource::Give(void* run, std::size_t pages) { TheSource().Give(run, pages); }

std::size_t PageSource::BytesInUse() { return TheSource().BytesInUse(); }

std::size_t PageSource::RegionsMapped() { return TheSource().RegionsMapped(); }

void PageSource::Trim() { TheSource().Trim(); }

}  // namespace OrvLua::Detail
