#pragma once
// The collision engine with the broad phase it had before the grid: every
// pair of the list in order, one of the two with a body. The snapshot, the
// narrow phase with the answers, the settling and the records are the
// engine's own, so the two differ only in how they find their pairs (it lays
// the grid all the same: the settling asks it for walls). The benchmarks
// measure the engine's pass beside it.
#include <cstddef>

#include "world/CollisionEngine.h"

namespace OrvBench {

class AllPairsCollisionEngine : public Orv::CollisionEngine {
 public:
  using CollisionEngine::CollisionEngine;

 protected:
  void FindAndAnswerPairs(Orv::PairPass& pass) override {
    pass.BuildGrid();
    const std::size_t count = pass.ObjectCount();
    for (std::size_t i = 0; i < count; ++i) {
      for (std::size_t j = i + 1; j < count; ++j) {
        if (!pass.HasBody(i) && !pass.HasBody(j)) continue;
        const Orv::PairMoves moved = pass.AnswerPair(i, j);
        // Only the pair's own colliders can have moved.
        if (moved.a) pass.RereadBox(i);
        if (moved.b) pass.RereadBox(j);
      }
    }
  }
};

}  // namespace OrvBench
