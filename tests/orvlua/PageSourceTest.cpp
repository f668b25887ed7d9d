// The page runs behind the Lua states: aligned, never overlapping whatever
// the order of takes and gives, counted while taken, and emptied regions
// given back to the system but for one.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "orvlua/PageSource.h"

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

TEST(PageSourceTest, RunsOfEverySizeAcrossRegionsStayApartAndRegionsGoBackWhenEmptied) {
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
    PageRun run{static_cast<unsigned char*>(PageSource::Take(pages)), pages, static_cast<unsigned char>(runs.size() % 251)};
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
  // The current region and one spare stay mapped.
  EXPECT_LE(PageSource::RegionsMapped(), regionsBefore + 2);

  // Emptied regions serve again from their start.
  PageRun again{static_cast<unsigned char*>(PageSource::Take(PageSource::kLargestRun)), PageSource::kLargestRun, 7};
  ASSERT_NE(again.bytes, nullptr);
  Fill(again);
  ExpectIntact(again);
  PageSource::Give(again.bytes, again.pages);
  EXPECT_EQ(PageSource::BytesInUse(), bytesBefore);
}

}  // namespace
