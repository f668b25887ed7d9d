#pragma once
// The collision engine's store of manifolds: made on first contact, recycled
// through the free state, deleted only all together.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "world/Manifold.h"
#include "world/PairIndex.h"

namespace Orv {

class Subject {
 public:
  virtual ~Subject() = default;

 protected:
  // In insertion order.
  std::vector<std::shared_ptr<Observer>> observers_;
};

class ManifoldSystem : public Subject {
 public:
  ManifoldSystem();
  ~ManifoldSystem() override;
  ManifoldSystem(const ManifoldSystem&) = delete;
  ManifoldSystem& operator=(const ManifoldSystem&) = delete;

  // The position of the first manifold joining working's bodies in the same
  // order; Count() when there is none.
  std::size_t FindManifold(const Manifold& working) const;
  // A stale manifold of the pair takes working's contact and is listed with
  // both bodies as refreshed for this frame; working becomes refreshed too.
  // False when the pair has no stale manifold.
  bool RefreshManifold(Manifold& working);
  // Working becomes new and is copied into the lowest free slot, or a new
  // one at the end. New manifolds are not listed with their bodies.
  void AddManifold(Manifold& working);
  // Around a pair pass: within it, a pair is first looked for where the
  // same pair's manifold lay at the same point of the last pass, as a pass
  // meets its pairs in the same order frame after frame.
  void BeginPass();
  void EndPass() { inPass_ = false; }
  // Once a frame: stale ones are freed, new and refreshed ones go stale.
  void AgeManifolds();
  // Deletes every manifold. The bodies hold only weak handles to them, so
  // their frame lists read empty afterwards.
  void ClearManifolds();

  // True while the store that had this lifetime holds its manifolds: from
  // its making or last clearing to its next clearing or its end. Lifetimes
  // are never reused.
  static bool Holds(std::uint64_t lifetime);

  std::size_t Count() const { return manifolds_.size(); }
  Manifold& At(std::size_t position) const { return *manifolds_[position]; }

 private:
  static PairKey KeyOf(const Manifold& m) { return {m.bodyA, m.bodyB, m.serialA, m.serialB}; }
  std::size_t ScanForManifold(const PairKey& key) const;
  // FindManifold, trying the last pass's order first; notes what it found.
  std::size_t FindInPass(const Manifold& working);
  void NoteInPass(std::size_t position);
  void RebuildIndex();
  // Drops the index entry of a pair whose first manifold at position is freed.
  void ForgetFirst(const PairKey& key, std::size_t position);
  // True once after some manifold was freed by a body being shut down.
  bool FreedBehindTheStore();

  // The first position of every pair that has a manifold, so that finding a
  // pair's manifold does not walk the whole list for each contact. Kept as
  // the manifolds age; a manifold freed meanwhile (its body was shut down)
  // is caught when its position no longer joins the pair.
  mutable PairIndex firstOfPair_;
  // The list's manifolds again, as themselves, in the same order: the store
  // reads them here, and a refresh hands one to both bodies without making a
  // handle of its own.
  std::vector<std::shared_ptr<Manifold>> manifolds_;
  // Some pair has two manifolds: freeing the first must find the second, so
  // the index is then rebuilt rather than kept.
  bool duplicatePairs_ = false;
  // Every slot below it is taken, so adding resumes the search for the
  // lowest free slot there instead of at the start.
  std::size_t freeCursor_ = 0;
  // Manifold::FreeCount() when the cursor and the index were last right.
  std::uint64_t freesSeen_ = 0;
  // What the bodies list a refreshed manifold under.
  std::uint64_t lifetime_ = 0;
  // The positions the pass found or added, in its order: this pass's, the
  // last one's, and for each position its place in the last one's
  // (kNoPlace for none); where this pass has got to in the last one's.
  static constexpr std::uint32_t kNoPlace = 0xffffffffu;
  bool inPass_ = false;
  std::vector<std::uint32_t> passOrder_;
  std::vector<std::uint32_t> lastPassOrder_;
  std::vector<std::uint32_t> placeInLastPass_;
  std::size_t passCursor_ = 0;
};

}  // namespace Orv
