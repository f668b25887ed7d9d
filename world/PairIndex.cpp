#include "world/PairIndex.h"

namespace Orv {

namespace {

// Kept at most half full, so that a missing key ends its probe early.
constexpr std::size_t kFirstCapacity = 64;

std::uint64_t Mix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53ULL;
  return h ^ (h >> 33);
}

}  // namespace

std::size_t PairIndex::Home(const PairKey& key) const {
  // Serials are never reused, so they alone tell pairs apart; equal keys have
  // equal serials and so the same home.
  const std::uint64_t h = Mix(key.serialA * 0x9e3779b97f4a7c15ULL ^ key.serialB);
  return static_cast<std::size_t>(h) & (entries_.size() - 1);
}

std::size_t PairIndex::EntryOf(const PairKey& key) const {
  if (size_ == 0 || key.a == nullptr) return entries_.size();
  const std::size_t mask = entries_.size() - 1;
  for (std::size_t i = Home(key);; i = (i + 1) & mask) {
    const Entry& entry = entries_[i];
    if (Empty(entry)) return entries_.size();
    if (entry.key == key) return i;
  }
}

std::size_t* PairIndex::Find(const PairKey& key) {
  const std::size_t i = EntryOf(key);
  return i < entries_.size() ? &entries_[i].position : nullptr;
}

std::pair<std::size_t*, bool> PairIndex::Emplace(const PairKey& key, std::size_t position) {
  if (key.a == nullptr) return {nullptr, false};
  if (2 * (size_ + 1) > entries_.size()) Grow();
  const std::size_t mask = entries_.size() - 1;
  for (std::size_t i = Home(key);; i = (i + 1) & mask) {
    Entry& entry = entries_[i];
    if (entry.key == key) return {&entry.position, false};
    if (Empty(entry)) {
      entry = {key, position};
      ++size_;
      return {&entry.position, true};
    }
  }
}

void PairIndex::Erase(const PairKey& key, std::size_t position) {
  std::size_t hole = EntryOf(key);
  if (hole == entries_.size() || entries_[hole].position != position) return;
  const std::size_t mask = entries_.size() - 1;
  // Later entries of the same run move back into the hole when the hole lies
  // between their home and where they stand, so no probe stops short of them.
  for (std::size_t next = (hole + 1) & mask; !Empty(entries_[next]); next = (next + 1) & mask) {
    const std::size_t home = Home(entries_[next].key);
    if (((next - home) & mask) >= ((next - hole) & mask)) {
      entries_[hole] = entries_[next];
      hole = next;
    }
  }
  entries_[hole] = Entry{};
  --size_;
}

void PairIndex::Clear() {
  if (size_ == 0) return;
  for (Entry& entry : entries_) entry = Entry{};
  size_ = 0;
}

void PairIndex::Grow() {
  std::vector<Entry> old = std::move(entries_);
  entries_.assign(old.empty() ? kFirstCapacity : 2 * old.size(), Entry{});
  size_ = 0;
  for (const Entry& entry : old) {
    if (!Empty(entry)) Emplace(entry.key, entry.position);
  }
}

}  // namespace Orv
