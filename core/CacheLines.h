#pragma once
// Memory to fetch ahead of its use, as whole cache lines. Walks over
// thousands of objects ask for what an entry will read a few entries before
// its turn: each of those reads would otherwise be a wait on memory. The
// addresses are only ever prefetched, never read through: lines gone stale
// since cost a useless fetch, no more.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace Orv {

// One word, as every walk keeps some per entry: the first line, with the
// count of lines, up to kMostLines, in the low bits a line's address leaves
// free.
class CacheLines {
 public:
  static constexpr std::uintptr_t kLine = 64;
  static constexpr std::uintptr_t kMostLines = kLine;
  CacheLines() = default;
  CacheLines(const void* at, std::uint32_t bytes) {
    if (at == nullptr || bytes == 0) return;
    const auto from = reinterpret_cast<std::uintptr_t>(at);
    const std::uintptr_t first = from & ~(kLine - 1);
    const std::uintptr_t lines = std::min((from + bytes - first + kLine - 1) / kLine, kMostLines);
    packed_ = first | (lines - 1);
  }
  // Null for no lines.
  const void* FirstLine() const { return reinterpret_cast<const void*>(packed_ & ~(kLine - 1)); }
  std::size_t Lines() const { return packed_ == 0 ? 0 : (packed_ & (kLine - 1)) + 1; }
  // Whether the bytes [at, at + bytes) lie in these lines.
  bool Covers(const void* at, std::size_t bytes) const {
    const auto from = reinterpret_cast<std::uintptr_t>(at);
    const auto first = reinterpret_cast<std::uintptr_t>(FirstLine());
    return packed_ != 0 && first <= from && from + bytes <= first + Lines() * kLine;
  }
  void Prefetch() const {
    const auto* line = static_cast<const char*>(FirstLine());
    for (std::size_t i = 0; i < Lines(); ++i) {
      __builtin_prefetch(line + i * kLine);
      // A loop that only prefetches counts as doing nothing: the optimizer
      // drops it whole. The empty statement keeps it.
      asm volatile("" : : "r"(line + i * kLine));
    }
  }

 private:
  std::uintptr_t packed_ = 0;
};

// What a walk's hook asked to have fetched before an entry's next turn,
// kept by the entry. Only the walks that ask hold any: a copy starts empty.
class PrefetchList {
 public:
  PrefetchList() = default;
  PrefetchList(const PrefetchList&) {}
  PrefetchList& operator=(const PrefetchList&) { return *this; }
  PrefetchList(PrefetchList&&) = default;
  PrefetchList& operator=(PrefetchList&&) = default;

  // lead and then rest, in place of what was set before. stamp names
  // this set of lines (0 for none): setting again with the stamp it has copies
  // nothing.
  void Set(std::uint64_t stamp, CacheLines lead, std::span<const CacheLines> rest) {
    if (stamp == stamp_) return;
    stamp_ = stamp;
    if (stamp == 0) {
      count_ = 0;
      return;
    }
    const std::size_t count = 1 + rest.size();
    if (count > capacity_) {
      lines_ = std::make_unique<CacheLines[]>(count);
      capacity_ = static_cast<std::uint32_t>(count);
    }
    lines_[0] = lead;
    std::copy(rest.begin(), rest.end(), lines_.get() + 1);
    count_ = static_cast<std::uint32_t>(count);
  }
  std::span<const CacheLines> Lines() const { return {lines_.get(), count_}; }
  // The block the lines are kept in, for fetching it ahead of reading them.
  CacheLines Block() const { return {lines_.get(), static_cast<std::uint32_t>(count_ * sizeof(CacheLines))}; }
  std::uint64_t Stamp() const { return stamp_; }

 private:
  std::unique_ptr<CacheLines[]> lines_;
  std::uint32_t count_ = 0;
  std::uint32_t capacity_ = 0;
  std::uint64_t stamp_ = 0;
};

}  // namespace Orv
