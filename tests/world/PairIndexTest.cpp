// The pair index against a plain map on random adds, look-ups and removals:
// keys that crowd one stretch of the table, growth, and removals that must
// leave every other key findable.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <utility>

#include "world/PairIndex.h"

using namespace Orv;

namespace {

TEST(PairIndex, AgreesWithAPlainMapThroughAddsLookUpsAndRemovals) {
  std::mt19937 random(11);
  // Few bodies, so that pairs come back after their removal.
  std::uniform_int_distribution<int> body(1, 40);
  std::uniform_int_distribution<int> action(0, 9);
  const auto keyOf = [](int a, int b) {
    return PairKey{reinterpret_cast<const CollisionComponent*>(static_cast<std::uintptr_t>(a * 16)),
                   reinterpret_cast<const CollisionComponent*>(static_cast<std::uintptr_t>(b * 16)),
                   static_cast<std::uint64_t>(a), static_cast<std::uint64_t>(b)};
  };
  PairIndex index;
  std::map<std::pair<int, int>, std::size_t> plain;
  for (std::size_t step = 0; step < 20000; ++step) {
    const int a = body(random), b = body(random);
    const PairKey key = keyOf(a, b);
    const int what = action(random);
    if (what < 5) {
      const auto [stored, added] = index.Emplace(key, step);
      const auto [kept, plainAdded] = plain.emplace(std::make_pair(a, b), step);
      ASSERT_EQ(added, plainAdded);
      ASSERT_EQ(*stored, kept->second);
    } else if (what < 8) {
      // Only the position stored for the key is removed: another leaves it.
      const auto found = plain.find({a, b});
      if (found == plain.end()) {
        index.Erase(key, step);
      } else if (what == 5) {
        index.Erase(key, found->second + 1);
      } else {
        index.Erase(key, found->second);
        plain.erase(found);
      }
    } else {
      const std::size_t* stored = index.Find(key);
      const auto found = plain.find({a, b});
      ASSERT_EQ(stored != nullptr, found != plain.end());
      if (stored != nullptr) {
        ASSERT_EQ(*stored, found->second);
      }
    }
    ASSERT_EQ(index.Size(), plain.size());
  }
  // Every key left is found at its position.
  for (const auto& [pair, position] : plain) {
    const std::size_t* stored = index.Find(keyOf(pair.first, pair.second));
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(*stored, position);
  }
  index.Clear();
  EXPECT_EQ(index.Find(keyOf(1, 2)), nullptr);
  EXPECT_EQ(index.Size(), 0u);
}

}  // namespace
