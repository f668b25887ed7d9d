// The grid must offer every pair whose boxes overlap as the pair pass tests
// them, whatever the boxes: tiny, huge, inside out, not finite, moved.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <iterator>
#include <limits>
#include <random>
#include <vector>

#include "world/BroadPhaseGrid.h"

using namespace Orv;

namespace {

bool Overlap(const GridBox& a, const GridBox& b) {
  return !(b.minX > a.maxX || a.minX > b.maxX || b.minY > a.maxY || a.minY > b.maxY);
}

// Scattered boxes of every kind, a crowd in which many cells hold more slots
// than they keep in themselves, and boxes of every extent a double holds:
// denormal, zero, huge and endless, near the origin and far from it. A third
// of the slots have no body: two of those are never offered to each other.
TEST(BroadPhaseGrid, EveryOverlappingPairAboveASlotInOrderOrAroundABoxIsACandidate) {
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
  const double extents[] = {0, 4.9e-324, 1e-310, 2.2e-308, 1, 1e30, 1e300, 1.7e308, inf};
  const auto extreme = [&] {
    const double pick = unit(random);
    const double scale = pick < 0.4 ? 1e-310 : pick < 0.6 ? 1 : pick < 0.8 ? 1e6 : 1e300;
    const double x = scale * (2 * unit(random) - 1), y = scale * (2 * unit(random) - 1);
    const double side = extents[static_cast<std::size_t>(unit(random) * std::size(extents))];
    return GridBox{x - side, y - side, x + side, y + side};
  };
  // Alone, the smallest ask for cells whose inverse is infinite.
  const auto tiny = [&] {
    const double x = 1e-310 * unit(random), y = 1e-310 * unit(random);
    const double side = extents[static_cast<std::size_t>(unit(random) * 3)];
    return GridBox{x - side, y - side, x + side, y + side};
  };
  for (const auto& randomBox : {std::function<GridBox()>(scattered), std::function<GridBox()>(crowded),
                                std::function<GridBox()>(extreme), std::function<GridBox()>(tiny)}) {
    std::vector<GridBox> boxes(400);
    for (GridBox& box : boxes) box = randomBox();
    std::vector<std::uint8_t> active(boxes.size());
    for (std::size_t i = 0; i < active.size(); ++i) active[i] = i % 3 != 0;
    BroadPhaseGrid grid;
    grid.Build(boxes, active);
    std::vector<std::uint32_t> candidates;
    std::size_t offered = 0;
    for (int round = 0; round < 3; ++round) {
      for (std::size_t i = 0; i < boxes.size(); ++i) {
        grid.Candidates(i, i, candidates);
        EXPECT_TRUE(std::is_sorted(candidates.begin(), candidates.end()));
        EXPECT_TRUE(std::adjacent_find(candidates.begin(), candidates.end()) == candidates.end()) << "listed twice";
        for (std::size_t j = i + 1; j < boxes.size(); ++j) {
          if (!active[i] && !active[j]) {
            EXPECT_FALSE(std::binary_search(candidates.begin(), candidates.end(), j)) << i << " and " << j;
            continue;
          }
          if (!Overlap(boxes[i], boxes[j])) continue;
          ++offered;
          EXPECT_TRUE(std::binary_search(candidates.begin(), candidates.end(), j)) << i << " meets " << j;
        }
      }
      // Any box, a third swept far across many cells, is offered every slot
      // its box overlaps, with a body or without.
      for (int q = 0; q < 100; ++q) {
        GridBox query = randomBox();
        const double sweep = q % 3 == 0 ? 80 * unit(random) : 0;
        query.minX -= sweep, query.maxY += sweep;
        grid.Around(query, candidates);
        std::sort(candidates.begin(), candidates.end());
        EXPECT_TRUE(std::adjacent_find(candidates.begin(), candidates.end()) == candidates.end()) << "listed twice";
        for (std::size_t j = 0; j < boxes.size(); ++j) {
          if (!Overlap(query, boxes[j])) continue;
          ++offered;
          EXPECT_TRUE(std::binary_search(candidates.begin(), candidates.end(), j)) << "query " << q << " meets " << j;
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

// The pair pass answers a slot's candidates in order, moving the slot and
// each one it meets, and asks again from the last one answered when Move
// says so: until then the rest of the list holds every slot above that the
// slot's box meets, however it was pushed.
TEST(BroadPhaseGrid, ASlotPushedWhileItsCandidatesAreAnsweredIsOfferedAllItMeets) {
  std::mt19937 random(12);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<GridBox> boxes(600);
  for (GridBox& box : boxes) {
    const double x = 120 * unit(random), y = 120 * unit(random), side = unit(random) < 0.95 ? 4 : 30;
    box = {x - side, y - side, x + side, y + side};
  }
  const auto push = [&](GridBox& box) {
    const double most = unit(random) < 0.8 ? 1.5 : 8;
    const double dx = most * (2 * unit(random) - 1), dy = most * (2 * unit(random) - 1);
    box = {box.minX + dx, box.minY + dy, box.maxX + dx, box.maxY + dy};
  };
  BroadPhaseGrid grid;
  grid.Build(boxes);
  std::vector<std::uint32_t> candidates;
  std::size_t checked = 0;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    std::size_t after = i;
    for (bool again = true; again;) {
      again = false;
      grid.Candidates(i, after, candidates);
      for (std::size_t c = 0; c < candidates.size() && !again; ++c) {
        const std::uint32_t j = candidates[c];
        if (!Overlap(boxes[i], boxes[j])) continue;
        push(boxes[j]);
        grid.Move(j, boxes[j]);
        push(boxes[i]);
        if (grid.Move(i, boxes[i])) {
          after = j;
          again = true;
          continue;
        }
        for (std::size_t k = j + 1; k < boxes.size(); ++k) {
          if (!Overlap(boxes[i], boxes[k])) continue;
          ++checked;
          EXPECT_TRUE(std::find(candidates.begin() + static_cast<std::ptrdiff_t>(c) + 1, candidates.end(), k) !=
                      candidates.end())
              << i << " pushed onto " << k << " after " << j;
        }
      }
    }
  }
  EXPECT_GT(checked, 1000u);
}

// Two circles of radius 1e-310 and a point: cells sized from them alone
// would have an infinite inverse, and the point's corner, 0 cells from the
// origin, would lie in cell 0 times infinity.
TEST(BroadPhaseGrid, DenormalBoxesMeetAsTheirCornersSay) {
  const std::vector<GridBox> boxes = {
      {-1e-310, -1e-310, 1e-310, 1e-310}, {0, 0, 2e-310, 2e-310}, {-1e-310, -1e-310, -1e-310, -1e-310}};
  BroadPhaseGrid grid;
  grid.Build(boxes);
  std::vector<std::uint32_t> candidates;
  grid.Candidates(0, 0, candidates);
  EXPECT_EQ(candidates, (std::vector<std::uint32_t>{1, 2}));
  grid.Candidates(1, 1, candidates);
  // The point is offered or not, as the cells fall; both are sound.
  EXPECT_LE(candidates.size(), 1u);
  grid.Move(2, {3e-310, 3e-310, 3e-310, 3e-310});
  grid.Candidates(1, 1, candidates);
  EXPECT_EQ(candidates, (std::vector<std::uint32_t>{2}));
}

// Candidates offered over all slots of a scene.
std::size_t Offered(const std::vector<GridBox>& boxes, const std::vector<std::uint8_t>& active = {}) {
  BroadPhaseGrid grid;
  grid.Build(boxes, active);
  std::vector<std::uint32_t> candidates;
  std::size_t offered = 0;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    grid.Candidates(i, i, candidates);
    offered += candidates.size();
  }
  return offered;
}

// A collider parked far away, or many, costs what it meets where it is
// listed, in the edge cells: the crowd's cells keep their size.
TEST(BroadPhaseGrid, FarBoxesLeaveTheCellsOfTheRestAsTheyWere) {
  std::vector<GridBox> lattice;
  for (int i = 0; i < 10000; ++i) {
    const double x = 20.0 * (i % 100), y = 20.0 * (i / 100);
    lattice.push_back({x - 8, y - 8, x + 8, y + 8});
  }
  std::mt19937 random(3);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<GridBox> patch;
  for (int i = 0; i < 5000; ++i) {
    const double x = 3.5 * unit(random), y = 3.5 * unit(random);
    patch.push_back({x - 0.01, y - 0.01, x + 0.01, y + 0.01});
  }
  // A row of bullets that flew off, and many scattered far out, some of
  // them on every side.
  std::vector<GridBox> row, scattered;
  for (int i = 0; i < 100; ++i) row.push_back({1e7 * i, 5e8, 1e7 * i + 16, 5e8 + 16});
  for (int i = 0; i < 1500; ++i) {
    const double x = (unit(random) < 0.5 ? -1 : 1) * (1e6 + 1e9 * unit(random));
    const double y = (unit(random) < 0.5 ? -1 : 1) * (1e6 + 1e9 * unit(random));
    scattered.push_back({x, y, x + 16, y + 16});
  }
  struct Case {
    const char* name;
    const std::vector<GridBox>& near;
    std::vector<GridBox> far;
  };
  const Case cases[] = {
      {"one at 1e9", lattice, {{1e9 - 8, 1e9 - 8, 1e9 + 8, 1e9 + 8}}},
      {"one at -1e300", lattice, {{-1e300, -1e300, -1e300 + 1e285, -1e300 + 1e285}}},
      {"a row of 100 far out", lattice, row},
      {"1500 scattered far out", lattice, scattered},
      {"two at +-1e6", patch, {{1e6, 1e6, 1e6 + 0.02, 1e6 + 0.02}, {-1e6, -1e6, -1e6 + 0.02, -1e6 + 0.02}}},
  };
  for (const Case& c : cases) {
    const std::vector<GridBox>& far = c.far;
    std::vector<GridBox> with = c.near;
    with.insert(with.begin() + static_cast<std::ptrdiff_t>(with.size() / 2), far.begin(), far.end());
    const std::size_t alone = Offered(c.near), together = Offered(with);
    std::printf("%s: %zu candidates alone, %zu with the far ones\n", c.name, alone, together);
    // The far ones lie in the edge cells, where they may meet one another.
    EXPECT_LE(together, alone + alone / 4 + far.size() * far.size() / 2) << c.name;
  }
}

}  // namespace

// Coins among characters: bodies twenty times the side of most colliders
// are offered what lies near them, as bodies among colliders of their own
// size are, not every slot; and each pair that meets is still offered, the
// bodies moved across the cells of every level.
TEST(BroadPhaseGrid, BodiesMuchLargerThanMostAreOfferedOnlyWhatLiesNear) {
  const auto scene = [](double pebble) {
    std::vector<GridBox> boxes;
    std::vector<std::uint8_t> active;
    for (int i = 0; i < 5000; ++i) {
      const double x = 50.0 * (i % 100), y = 50.0 * (i / 100), r = i % 5 < 2 ? 20 : pebble;
      boxes.push_back({x - r, y - r, x + r, y + r});
      active.push_back(i % 5 < 2 ? 1 : 0);
    }
    return std::make_pair(boxes, active);
  };
  const auto [small, smallActive] = scene(1);
  const auto [large, largeActive] = scene(20);
  const std::size_t coins = Offered(small, smallActive), alike = Offered(large, largeActive);
  std::printf("pebbles of radius 1: %zu candidates; of radius 20: %zu\n", coins, alike);
  EXPECT_LE(coins, alike + alike / 2);
  // Every body moved by up to 60 px each way, its pairs asked for again.
  std::mt19937 random(4);
  std::uniform_real_distribution<double> shift(-60, 60);
  std::vector<GridBox> boxes = small;
  BroadPhaseGrid grid;
  grid.Build(boxes, smallActive);
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    if (!smallActive[i]) continue;
    const double dx = shift(random), dy = shift(random);
    boxes[i] = {boxes[i].minX + dx, boxes[i].minY + dy, boxes[i].maxX + dx, boxes[i].maxY + dy};
    grid.Move(i, boxes[i]);
  }
  std::vector<std::uint32_t> candidates, around;
  std::size_t met = 0;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    grid.Candidates(i, i, candidates);
    grid.Around(boxes[i], around);
    std::sort(around.begin(), around.end());
    EXPECT_LE(around.size(), 40u) << i;
    for (std::size_t j = 0; j < boxes.size(); ++j) {
      if (j == i || !Overlap(boxes[i], boxes[j])) continue;
      EXPECT_TRUE(std::binary_search(around.begin(), around.end(), j)) << "around " << i << " misses " << j;
      if (j < i || (!smallActive[i] && !smallActive[j])) continue;
      ++met;
      EXPECT_TRUE(std::binary_search(candidates.begin(), candidates.end(), j)) << i << " meets " << j;
    }
  }
  EXPECT_GT(met, 500u);
}

// Two equal crowds cost what they cost side by side wherever they lie, and a
// heap of colliders without bodies on one point costs nothing until a body
// comes: the cells are the boxes' own size, and only those holding one exist.
TEST(BroadPhaseGrid, WhereTheBoxesLieChangesNothingOffered) {
  std::mt19937 random(9);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<GridBox> crowd;
  for (int i = 0; i < 4000; ++i) {
    const double x = 2500 * unit(random), y = 2500 * unit(random), r = 4 + 6 * unit(random);
    crowd.push_back({x - r, y - r, x + r, y + r});
  }
  const auto twoCrowds = [&](double dx, double dy) {
    std::vector<GridBox> both = crowd;
    for (const GridBox& b : crowd) both.push_back({b.minX + dx, b.minY + dy, b.maxX + dx, b.maxY + dy});
    return both;
  };
  const std::size_t sideBySide = Offered(twoCrowds(2600, 0));
  for (const double apart : {1e5, 1e6, 1e12, -1e15}) {
    const std::size_t far = Offered(twoCrowds(apart, apart));
    std::printf("two crowds %g apart: %zu candidates; side by side %zu\n", apart, far, sideBySide);
    EXPECT_LE(far, sideBySide + sideBySide / 10) << apart;
  }
  std::vector<GridBox> heap(10000, GridBox{5, 5, 15, 15});
  std::vector<std::uint8_t> active(heap.size(), 0);
  EXPECT_EQ(Offered(heap, active), 0u) << "no body, no candidate";
  // One body among them meets each; the rest are offered none of their own.
  active[0] = 1;
  EXPECT_EQ(Offered(heap, active), heap.size() - 1);
}
