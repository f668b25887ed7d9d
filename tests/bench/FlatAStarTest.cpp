// The lean search the benchmark times the engine's beside must search the
// engine's own graph and find a cheapest path on it, or the comparison means
// nothing: checked against a cheapest-cost search over the engine's moves.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bench/FlatAStar.h"
#include "world/PathFinder.h"

namespace {

constexpr int kSide = 40;

std::vector<char> RandomMap(unsigned seed, unsigned wallPercent) {
  std::mt19937 random(seed);
  std::vector<char> cells(kSide * kSide, 0);
  for (char& cell : cells) cell = random() % 100 < wallPercent ? 1 : 0;
  cells.front() = cells.back() = 0;
  return cells;
}

// The cheapest cost from the corner to the far corner over the moves the
// engine's search lists, or -1 when it is not reached.
int CheapestCost(const std::vector<char>& cells) {
  Orv::PathFinder engine;
  engine.Init({cells.data(), kSide, kSide});
  std::map<std::pair<int, int>, int> best{{{0, 0}, 0}};
  std::set<std::pair<int, std::pair<int, int>>> open{{0, {0, 0}}};
  std::vector<Orv::PathNode> moves;
  while (!open.empty()) {
    const auto [cost, cell] = *open.begin();
    open.erase(open.begin());
    if (cell == std::make_pair(kSide - 1, kSide - 1)) return cost;
    moves.clear();
    engine.ExpandNeighbours({cell.first, cell.second, 0, cost, 0}, moves);
    for (const Orv::PathNode& next : moves) {
      const auto found = best.find({next.x, next.y});
      if (found != best.end() && found->second <= next.g) continue;
      if (found != best.end()) open.erase({found->second, found->first});
      best[{next.x, next.y}] = next.g;
      open.insert({next.g, {next.x, next.y}});
    }
  }
  return -1;
}

TEST(FlatAStar, FindsACheapestPathOverTheEnginesMovesAndNoneWhereThereIsNone) {
  int reached = 0, unreached = 0;
  for (unsigned seed = 1; seed <= 40; ++seed) {
    const std::vector<char> cells = RandomMap(seed, seed % 4 * 12);
    OrvBench::FlatAStar lean(cells.data(), kSide, kSide);
    const std::vector<std::pair<int, int>> path = lean.Find(0, 0, kSide - 1, kSide - 1);
    const int cheapest = CheapestCost(cells);
    SCOPED_TRACE("seed " + std::to_string(seed));
    if (cheapest < 0) {
      EXPECT_TRUE(path.empty());
      ++unreached;
      continue;
    }
    ++reached;
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), std::make_pair(kSide - 1, kSide - 1));
    EXPECT_EQ(path.back(), std::make_pair(0, 0));
    // Every step one the engine may take, and the whole no dearer than the
    // cheapest.
    EXPECT_EQ(lean.Cost(path), cheapest);
    // The engine's own path is a valid one, never cheaper.
    Orv::PathFinder engine;
    engine.Init({cells.data(), kSide, kSide});
    engine.SetStartGoal(0, 0, kSide - 1, kSide - 1);
    ASSERT_EQ(engine.Run(kSide * kSide + 1), Orv::PathFinder::GoalReached);
    std::vector<std::pair<int, int>> enginePath;
    for (const Orv::PathCell& cell : engine.GetPath()) enginePath.emplace_back(cell.x, cell.y);
    EXPECT_GE(lean.Cost(enginePath), cheapest);
  }
  // The maps give both cases.
  EXPECT_GT(reached, 10);
  EXPECT_GT(unreached, 0);
}

TEST(FlatAStar, CountsAStepTheEngineRefusesAsNoPath) {
  // A wall cell right of (1, 1): the engine's rule refuses the diagonal step
  // from (0, 0) onto (1, 1).
  std::vector<char> cells(kSide * kSide, 0);
  cells[1 * kSide + 2] = 1;
  const OrvBench::FlatAStar lean(cells.data(), kSide, kSide);
  EXPECT_EQ(lean.Cost({{1, 1}, {0, 0}}), -1);
  EXPECT_EQ(lean.Cost({{1, 0}, {0, 0}}), 10);
  EXPECT_EQ(lean.Cost({{0, 1}, {1, 0}, {0, 0}}), 24);
  // Two cells at once is no step.
  EXPECT_EQ(lean.Cost({{2, 0}, {0, 0}}), -1);
}

}  // namespace
