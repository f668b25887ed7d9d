// The page runs behind the Lua states: aligned, never overlapping whatever
// the order of takes and gives, counted while taken, and emptied regions
// kept for the next wave until a trim.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "orvlua/memory/PageSource.h"

namespace {

using OrvLua::Detail::PageSource;

struct PageRun {
  unsigned char* bytes;
  std::size_t pages;
  unsigned char mark;
};

void Fill(const PageRun& run) { std::memset(run.bytes, run.mark, run.pages * PageSource::kPageSize); }

void ExpectIntact(const PageRun& run) {
  for (std::size_t at = 0; at < run.pages * PageSource::kPageSize; at += 509)
    ASSERT_EQ(run.bytes[at], run.mark) << run.pages << " pages, byte " << at;
}

TEST(PageSourceTest, RunsOfEverySizeAcrossRegionsStayApartAndEmptiedRegionsServeAgainUntilATrim) {
  const std::size_t bytesBefore = PageSource::BytesInUse();
  const std::size_t regionsBefore = PageSource::RegionsMapped();
  std::vector<PageRun> runs;
  std::size_t taken = 0;
  std::uint32_t seed = 12345;
  const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
  // Five regions' worth in mixed sizes, every third given back on the way, so
  // freed runs are taken again whole and split.
  while (taken < 5 * PageSource::kRegionSize / PageSource::kPageSize) {
    const std::size_t pages = 1 + (next() >> 8) % PageSource::kLargestRun;
    PageRun run{static_cast<unsigned char*>(PageSource::Take(pages)), pages,
                static_cast<unsigned char>(runs.size() % 251)};
    ASSERT_NE(run.bytes, nullptr);
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(run.bytes) % PageSource::kPageSize, 0u);
    Fill(run);
    runs.push_back(run);
    taken += pages;
    if (runs.size() % 3 == 0) {
      PageRun& old = runs[(next() >> 8) % runs.size()];
      if (old.bytes) {
        PageSource::Give(old.bytes, old.pages);
        taken -= old.pages;
        old.bytes = nullptr;
      }
    }
  }
  EXPECT_EQ(PageSource::BytesInUse(), bytesBefore + taken * PageSource::kPageSize);
  EXPECT_GE(PageSource::RegionsMapped(), regionsBefore + 4);
  for (const PageRun& run : runs) {
    if (run.bytes) ExpectIntact(run);
  }
  for (const PageRun& run : runs) {
    if (run.bytes) PageSource::Give(run.bytes, run.pages);
  }
  EXPECT_EQ(PageSource::BytesInUse(), bytesBefore);

  // Emptied regions stay mapped and serve the next wave from their start.
  const std::size_t regionsKept = PageSource::RegionsMapped();
  EXPECT_GE(regionsKept, regionsBefore + 4);
  std::vector<PageRun> wave;
  for (std::size_t pages = 0; pages < 4 * PageSource::kRegionSize / PageSource::kPageSize;
       pages += PageSource::kLargestRun) {
    wave.push_back({static_cast<unsigned char*>(PageSource::Take(PageSource::kLargestRun)), PageSource::kLargestRun,
                    static_cast<unsigned char>(wave.size() % 251)});
    ASSERT_NE(wave.back().bytes, nullptr);
    Fill(wave.back());
  }
  EXPECT_EQ(PageSource::RegionsMapped(), regionsKept);
  for (const PageRun& run : wave) ExpectIntact(run);
  for (const PageRun& run : wave) PageSource::Give(run.bytes, run.pages);
  EXPECT_EQ(PageSource::BytesInUse(), bytesBefore);

  // A trim gives back all but the current region.
  PageSource::Trim();
  EXPECT_LE(PageSource::RegionsMapped(), regionsBefore + 1);
}

}  // namespace
