// The grid must offer every pair whose boxes overlap as the pair pass tests
// them, whatever the boxes: tiny, huge, inside out, not finite, moved.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <random>
#include <vector>

#include "world/BroadPhaseGrid.h"

using namespace Orv;

namespace {

bool Overlap(const GridBox& a, const GridBox& b) {
  return !(b.minX > a.maxX || a.minX > b.maxX || b.minY > a.maxY || a.minY > b.maxY);
}

// Scattered boxes of every kind, then a crowd in which many cells hold more
// slots than they keep in themselves.
TEST(BroadPhaseGrid, EveryOverlappingPairAboveASlotIsACandidateInOrder) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const auto scattered = [&] {
    const double x = 1000 * unit(random), y = 1000 * unit(random);
    const double pick = unit(random), side = pick < 0.1 ? 600 * unit(random) : pick < 0.3 ? 0.5 : 20 * unit(random);
    GridBox box{x - side, y - side, x + side, y + side};
    if (pick > 0.97) box = {x, y, x - 30, y - 30};
    if (pick > 0.985) box.maxX = pick > 0.992 ? nan : inf;
    return box;
  };
  // A few wide ones keep the cells larger than the crowded boxes.
  const auto crowded = [&] {
    const double x = 60 * unit(random), y = 60 * unit(random), side = unit(random) < 0.9 ? 4 : 40;
    return GridBox{x - side, y - side, x + side, y + side};
  };
  for (const auto& randomBox : {std::function<GridBox()>(scattered), std::function<GridBox()>(crowded)}) {
    std::vector<GridBox> boxes(400);
    for (GridBox& box : boxes) box = randomBox();
    BroadPhaseGrid grid;
    grid.Build(boxes);
    std::vector<std::uint32_t> candidates;
    std::size_t offered = 0;
    for (int round = 0; round < 3; ++round) {
      for (std::size_t i = 0; i < boxes.size(); ++i) {
        grid.Candidates(i, i, candidates);
        EXPECT_TRUE(std::is_sorted(candidates.begin(), candidates.end()));
        EXPECT_TRUE(std::adjacent_find(candidates.begin(), candidates.end()) == candidates.end()) << "listed twice";
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
          if (!Overlap(boxes[i], boxes[j])) continue;
          ++offered;
          EXPECT_TRUE(std::binary_search(candidates.begin(), candidates.end(), j)) << i << " meets " << j;
        }
      }
      // Boxes moved after the grid was built are followed, far and, as in a
      // pile, by a little across the edges of their cells.
      for (std::size_t i = 0; i < boxes.size(); i += 3) grid.Move(i, boxes[i] = randomBox());
      for (std::size_t i = 1; i < boxes.size(); i += 3) {
        const double dx = 6 * unit(random) - 3, dy = 6 * unit(random) - 3;
        GridBox& box = boxes[i];
        box = {box.minX + dx, box.minY + dy, box.maxX + dx, box.maxY + dy};
        grid.Move(i, box);
      }
    }
    EXPECT_GT(offered, 1000u);
  }
}

}  // namespace
