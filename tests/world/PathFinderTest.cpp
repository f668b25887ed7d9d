#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ReferencePathFinder.h"
#include "world/PathFinder.h"

namespace Orv {
namespace {

// A grid from rows of text, row 0 first: '#' is solid, anything else free.
struct Grid {
  explicit Grid(const std::vector<std::string>& rows) : width(rows.empty() ? 0 : rows[0].size()), height(rows.size()) {
    for (const std::string& row : rows) {
      for (char c : row) cells.push_back(c == '#' ? 1 : 0);
    }
  }
  PathGrid View() const { return {cells.data(), width, height}; }
  std::vector<char> cells;
  unsigned width, height;
};

std::vector<PathCell> Cells(std::initializer_list<PathCell> cells) { return cells; }

TEST(PathFinder, ExpandsInTheHandTracedOrderAroundAWall) {
  // A wall in column 2, rows 1 to 3: the way goes round it above or below.
  const Grid wall({".....", "..#..", "..#..", "..#..", "....."});
  PathFinder finder;
  finder.Init(wall.View());
  finder.SetStartGoal(0, 2, 4, 2);
  std::vector<PathCell> expanded;
  while (finder.Step() == PathFinder::Searching) expanded.push_back({finder.GetCurrent().x, finder.GetCurrent().y});
  expanded.push_back({finder.GetCurrent().x, finder.GetCurrent().y});
  EXPECT_EQ(finder.GetState(), PathFinder::GoalReached);
  EXPECT_EQ(expanded, Cells({{0, 2}, {1, 2}, {0, 1}, {0, 3}, {1, 1}, {1, 3}, {0, 0}, {0, 4}, {1, 0}, {1, 4}, {2, 0},
                             {2, 4}, {3, 0}, {3, 4}, {4, 0}, {3, 1}, {3, 3}, {4, 4}, {4, 1}, {4, 3}, {3, 2}, {4, 2}}));
  EXPECT_EQ(finder.GetCurrent().g, 68);
  EXPECT_EQ(finder.GetPath(), Cells({{4, 2}, {3, 1}, {3, 0}, {2, 0}, {1, 1}, {1, 2}, {0, 2}}));
}

TEST(PathFinder, EdgeCasesOfTheSearch) {
  PathFinder finder;
  const Grid row({"...."});
  finder.Init(row.View());
  finder.SetStartGoal(0, 0, 3, 0);
  EXPECT_EQ(finder.Run(100), PathFinder::GoalReached);
  EXPECT_EQ(finder.GetPath(), Cells({{3, 0}, {2, 0}, {1, 0}, {0, 0}}));

  finder.SetStartGoal(0, 0, 3, 0);
  EXPECT_EQ(finder.Run(0), PathFinder::Searching) << "no step at all";
  EXPECT_TRUE(finder.GetPath().empty());
  finder.SetStartGoal(0, 0, 3, 0);
  EXPECT_EQ(finder.Run(2), PathFinder::Searching) << "the budget ran out";
  EXPECT_TRUE(finder.GetPath().empty());

  finder.SetStartGoal(-1, 0, 2, 0);
  EXPECT_EQ(finder.Run(100), PathFinder::GoalReached) << "a start outside may step in";
  EXPECT_EQ(finder.GetPath(), Cells({{2, 0}, {1, 0}, {0, 0}, {-1, 0}}));

  const Grid blockedGoal({"...#"});
  finder.Init(blockedGoal.View());
  finder.SetStartGoal(0, 0, 3, 0);
  EXPECT_EQ(finder.Run(4000000000u), PathFinder::Failed);
  EXPECT_TRUE(finder.GetPath().empty());
  finder.SetStartGoal(0, 0, 9, 0);
  EXPECT_EQ(finder.Run(100), PathFinder::Failed) << "a goal outside is never reached";
  EXPECT_EQ(finder.GetCell(3, 0), 1);
  EXPECT_EQ(finder.GetCell(4, 0), -1);
  EXPECT_EQ(finder.GetCell(-1, 0), -1);

  PathFinder noMap;
  noMap.SetStartGoal(0, 0, 1, 0);
  EXPECT_EQ(noMap.Run(10), PathFinder::NoMap);
  EXPECT_TRUE(noMap.GetPath().empty());
  finder.Free();
  finder.SetStartGoal(0, 0, 1, 0);
  EXPECT_EQ(finder.Step(), PathFinder::NoMap);
}

TEST(PathFinder, ADiagonalStepIsRefusedBesideTheCellsTheRuleNames) {
  // From (1,1) to (2,2), direction 2: the rule looks at (3,3), (3,2), (2,1)
  // and (1,2); the cell below the target, (2,3), is not among them.
  struct Case {
    int wallX, wallY;
    bool refused;
  };
  const Case cases[] = {{3, 3, true}, {3, 2, true}, {2, 1, true}, {1, 2, true}, {2, 3, false}, {1, 3, false}};
  for (const Case& c : cases) {
    Grid grid({".....", ".....", ".....", ".....", "....."});
    grid.cells[c.wallY * 5 + c.wallX] = 1;
    PathFinder finder;
    finder.Init(grid.View());
    std::vector<PathNode> candidates;
    finder.ExpandNeighbours({1, 1, 0, 0, 0}, candidates);
    bool found = false;
    for (const PathNode& n : candidates) found = found || (n.x == 2 && n.y == 2 && n.g == 14);
    EXPECT_EQ(found, !c.refused) << "wall at " << c.wallX << "," << c.wallY;
  }
}

TEST(PathFinder, MatchesThePlainSearchOnRandomMaps) {
  std::mt19937 random(20261207);
  int reached = 0;
  for (int round = 0; round < 400; ++round) {
    const unsigned width = 1 + random() % 24, height = 1 + random() % 24;
    const unsigned walls = random() % 45;
    std::vector<char> cells(width * height);
    for (char& cell : cells) cell = random() % 100 < walls ? static_cast<char>(1 + random() % 255) : 0;
    const auto coordinate = [&](unsigned size) { return static_cast<int>(random() % (size + 2)) - 1; };
    const int sx = coordinate(width), sy = coordinate(height);
    // Now and then a goal far outside, whose estimate dwarfs the step costs.
    const int gx = round % 7 == 0 ? -300 : coordinate(width), gy = round % 11 == 0 ? 500 : coordinate(height);
    const unsigned maxSteps = round % 5 == 0 ? random() % 40 : 100000;

    PathFinder finder;
    finder.Init({cells.data(), width, height});
    finder.SetStartGoal(sx, sy, gx, gy);
    OrvTest::ReferencePathFinder reference(cells.data(), width, height);
    reference.SetStartGoal(sx, sy, gx, gy);
    for (unsigned step = 0; step < maxSteps; ++step) {
      const int state = reference.Step();
      ASSERT_EQ(finder.Step(), state) << "round " << round << " step " << step;
      ASSERT_EQ(finder.GetCurrent().x, reference.Current().x) << "round " << round << " step " << step;
      ASSERT_EQ(finder.GetCurrent().y, reference.Current().y) << "round " << round << " step " << step;
      ASSERT_EQ(finder.GetCurrent().f, reference.Current().f) << "round " << round << " step " << step;
      ASSERT_EQ(finder.GetCurrent().g, reference.Current().g) << "round " << round << " step " << step;
      if (state != PathFinder::Searching) break;
    }
    const std::vector<PathCell> path = finder.GetPath();
    const auto expected = reference.GetPath();
    ASSERT_EQ(path.size(), expected.size()) << "round " << round;
    for (std::size_t i = 0; i < path.size(); ++i) {
      EXPECT_EQ(path[i], (PathCell{expected[i].first, expected[i].second})) << "round " << round << " entry " << i;
    }
    reached += finder.GetState() == PathFinder::GoalReached;
  }
  EXPECT_GT(reached, 100) << "enough searches end at their goal to compare paths";
}

}  // namespace
}  // namespace Orv
