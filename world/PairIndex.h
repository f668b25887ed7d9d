#pragma once
// Where the first manifold of each pair of bodies lies. A pile makes and
// looks up thousands of pairs a frame: the table is one flat array probed in
// a line, so a look-up costs no allocation and seldom more than one cache line.
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace Orv {

class CollisionComponent;

// Who a manifold joins: both bodies and their serials.
struct PairKey {
  const CollisionComponent* a;
  const CollisionComponent* b;
  std::uint64_t serialA;
  std::uint64_t serialB;
  bool operator==(const PairKey&) const = default;
};

class PairIndex {
 public:
  // The position stored for key, or null.
  std::size_t* Find(const PairKey& key);
  // Stores position for key unless the key is there already; either way the
  // stored position, and true when it was added.
  std::pair<std::size_t*, bool> Emplace(const PairKey& key, std::size_t position);
  // Forgets key, when its stored position is position.
  void Erase(const PairKey& key, std::size_t position);
  void Clear();
  std::size_t Size() const { return size_; }

 private:
  struct Entry {
    PairKey key;
    std::size_t position;
  };
  // A key with no first body marks an empty entry: those are never stored.
  static bool Empty(const Entry& entry) { return entry.key.a == nullptr; }
  std::size_t Home(const PairKey& key) const;
  // The entry holding key, or the size of the table.
  std::size_t EntryOf(const PairKey& key) const;
  void Grow();

  std::vector<Entry> entries_;
  std::size_t size_ = 0;
};

}  // namespace Orv
