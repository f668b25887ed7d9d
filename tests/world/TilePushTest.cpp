// The choice of one push among the candidates of the solid cells a collider
// overlaps, case by case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "world/TilePush.h"

using namespace Orv;

namespace {

struct PushCase {
  std::string name;
  std::vector<TileCandidate> candidates;
  Vec2 push, normal;
};

TileCandidate Entered(double dx, double dy, double nx, double ny) { return {dx, dy, nx, ny, true}; }

}  // namespace

TEST(TilePush, EachCaseTakesThePushThatLeavesTheCells) {
  const std::vector<PushCase> cases = {
      {"one cell entered from above", {Entered(0, -5, 0, -1)}, {0, -5}, {0, -1}},
      // Fast enough to reach the second row: back over the first as well.
      {"two rows entered from above", {Entered(0, -30, 0, -1), Entered(0, -2, 0, -1)}, {0, -30}, {0, -1}},
      {"floor and wall entered at a corner",
       {Entered(0, -3, 0, -1), Entered(-4, 0, -1, 0), Entered(0, -3, 0, -1)},
       {-4, -3},
       {-1, -1}},
      // Inside: a centre on a column's centre line over a floor two rows
      // thick, above both rows' centres: out of both at once.
      {"centre line over two rows", {{0, -33.99, 0, -1}, {0, -1.99, 0, -1}}, {0, -33.99}, {0, -1}},
      // Inside, between the rows' centres: the nearer way out.
      {"centre line between two rows", {{0, 14, 0, 1}, {0, -18, 0, -1}}, {0, 14}, {0, 1}},
      // Inside two cells side by side, on their border: up, not sideways,
      // however deep.
      {"border of two cells", {{11.99, -20, 1, -1}, {-11.99, -20, -1, -1}}, {0, -20}, {0, -1}},
      // One cell entered, one already inside: the inside rules for both.
      {"entered and inside", {Entered(0, -2, 0, -1), {-3, -6, -1, -1}}, {0, -2}, {0, 0}},
      {"one cell inside, the smaller push", {{-3, -6, -1, -1}}, {-3, 0}, {-1, 0}},
  };
  for (const PushCase& c : cases) {
    const TilePush chosen = ChoosePush(c.candidates);
    EXPECT_EQ(chosen.push, c.push) << c.name << ": " << chosen.push.x << ", " << chosen.push.y;
    EXPECT_EQ(chosen.normal, c.normal) << c.name << ": " << chosen.normal.x << ", " << chosen.normal.y;
  }
}
