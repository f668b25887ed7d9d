#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "resources/Tilemap.h"

namespace Orv {
namespace {

TEST(TilemapCells, OutsideReadsMinusOneAndWritesNothingButALine) {
  Tilemap empty;
  EXPECT_EQ(empty.GetName(), "empty");
  EXPECT_EQ(empty.GetCell(0, 0, 0), -1);
  ::testing::internal::CaptureStdout();
  empty.SetCell(0, 0, 0, '1');
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Tile map coordinates out of range!: 0 , 0\n");

  Tilemap map;
  map.SetSize(3, 2);
  map.SetCell(1, 2, 1, 'x');
  EXPECT_EQ(map.GetCell(1, 2, 1), 'x');
  EXPECT_EQ(map.GetCell(1, 3, 1), -1);
  EXPECT_EQ(map.GetCell(1, 0, 2), -1);
  EXPECT_EQ(map.GetCell(1, static_cast<unsigned>(-1), 0), -1) << "negative cells are outside";
  EXPECT_EQ(map.GetCell(0, 1, 1), 0) << "a cell never written reads 0";
  map.SetCell(5, 1, 1, 'a');
  EXPECT_EQ(map.GetCell(2, 1, 1), 'a') << "any layer past 1 is layer 2";
  map.SetCell(0, 0, 0, static_cast<char>(200));
  EXPECT_EQ(map.GetCell(0, 0, 0), static_cast<signed char>(200)) << "cells are signed bytes";
}

// Records the cells a walk visits and refuses the ones marked solid.
struct Recorder : Line::LinePlot {
  std::vector<std::pair<unsigned, unsigned>> visited;
  std::vector<std::pair<unsigned, unsigned>> solid;
  bool IsCellClear(unsigned x, unsigned y) override {
    visited.emplace_back(x, y);
    for (const auto& cell : solid) {
      if (cell == std::make_pair(x, y)) return false;
    }
    return true;
  }
};

TEST(TilemapCells, PlotWalksTheDigitalLineAndStopsAtTheFirstSolidCell) {
  using Cells = std::vector<std::pair<unsigned, unsigned>>;
  struct Case {
    int x0, y0, x1, y1;
    Cells solid;
    bool clear;
    Cells visited;
  };
  const Case cases[] = {
      {0, 0, 3, 1, {}, true, {{0, 0}, {1, 0}, {2, 1}, {3, 1}}},
      {0, 0, 2, 2, {}, true, {{0, 0}, {1, 1}, {2, 2}}},
      {0, 0, 1, 3, {}, true, {{0, 0}, {0, 1}, {1, 2}, {1, 3}}},
      {3, 1, 0, 0, {}, true, {{3, 1}, {2, 1}, {1, 0}, {0, 0}}},
      {4, 4, 4, 4, {}, true, {{4, 4}}},
      {0, 0, 3, 1, {{1, 0}}, false, {{0, 0}, {1, 0}}},
  };
  for (const Case& c : cases) {
    Recorder recorder;
    recorder.solid = c.solid;
    EXPECT_EQ(Line::LinePlot::Plot(c.x0, c.y0, c.x1, c.y1, recorder), c.clear);
    EXPECT_EQ(recorder.visited, c.visited) << c.x0 << "," << c.y0 << " to " << c.x1 << "," << c.y1;
  }

  Tilemap map;
  map.SetSize(4, 2);
  EXPECT_TRUE(Line::LinePlot::Plot(0, 0, 3, 1, map));
  map.SetCell(1, 2, 1, '#');
  EXPECT_FALSE(Line::LinePlot::Plot(0, 0, 3, 1, map)) << "a solid collision cell on the way";
  EXPECT_TRUE(Line::LinePlot::Plot(0, 0, 3, 0, map));
  map.SetCell(0, 1, 0, '#');
  map.SetCell(2, 1, 0, '#');
  EXPECT_TRUE(Line::LinePlot::Plot(0, 0, 3, 0, map)) << "only the collision layer stops a walk";
  EXPECT_FALSE(Line::LinePlot::Plot(-1, 0, 3, 0, map)) << "outside the map";
  EXPECT_FALSE(Line::LinePlot::Plot(0, 0, 4, 0, map));
}

}  // namespace
}  // namespace Orv
