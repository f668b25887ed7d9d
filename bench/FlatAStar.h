#pragma once
// The grid search written lean, as a baseline: A* over flat arrays (cost so
// far and the cell each was reached from, by cell index) and a binary heap
// of open cells whose stale entries are skipped when they come up. Its moves
// are the engine's: eight directions, 10 for a straight step and 14 for a
// diagonal one, no diagonal step where the engine's rule finds a solid cell,
// the Manhattan distance in cells as its estimate; so it searches the same
// graph with the same estimate. Unlike the engine it lowers an open cell's
// cost when a cheaper way reaches it, so its path is never dearer.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

namespace OrvBench {

class FlatAStar {
 public:
  FlatAStar(const char* cells, int width, int height) : cells_(cells), width_(width), height_(height) {}

  // From the goal back to the start, both included; empty when the goal is
  // not reached. Both cells must lie inside the grid.
  std::vector<std::pair<int, int>> Find(int sx, int sy, int gx, int gy) {
    const std::size_t count = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
    std::vector<int> cost(count, kUnreached);
    std::vector<int> from(count, -1);
    // (f, order queued, cell): among equal f the cell queued first.
    using Entry = std::pair<std::pair<int, std::uint32_t>, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> open;
    std::uint32_t queued = 0;
    const int start = Index(sx, sy), goal = Index(gx, gy);
    cost[start] = 0;
    open.push({{Estimate(sx, sy, gx, gy), queued++}, start});
    while (!open.empty()) {
      const auto [key, cell] = open.top();
      open.pop();
      const int x = cell % width_, y = cell / width_;
      // A stale entry: the cell was queued again at a lower cost.
      if (key.first != cost[cell] + Estimate(x, y, gx, gy)) continue;
      if (cell == goal) break;
      for (int i = 0; i < 8; ++i) {
        const int nx = x + kDx[i], ny = y + kDy[i];
        if (nx < 0 || ny < 0 || nx >= width_ || ny >= height_ || !Admits(nx, ny, i)) continue;
        const int next = Index(nx, ny);
        const int g = cost[cell] + kCost[i];
        if (g >= cost[next]) continue;
        cost[next] = g;
        from[next] = cell;
        open.push({{g + Estimate(nx, ny, gx, gy), queued++}, next});
      }
    }
    std::vector<std::pair<int, int>> path;
    if (cost[goal] == kUnreached) return path;
    for (int cell = goal; cell != -1; cell = from[cell]) path.emplace_back(cell % width_, cell / width_);
    return path;
  }

  // The cost of a path as the search counts it; -1 when a step is not one
  // the search may take.
  int Cost(const std::vector<std::pair<int, int>>& path) const {
    int total = 0;
    for (std::size_t i = path.size(); i-- > 1;) {
      const auto [x, y] = path[i];
      const auto [nx, ny] = path[i - 1];
      int direction = -1;
      for (int d = 0; d < 8; ++d) {
        if (x + kDx[d] == nx && y + kDy[d] == ny) direction = d;
      }
      if (direction < 0 || nx < 0 || ny < 0 || nx >= width_ || ny >= height_ || !Admits(nx, ny, direction)) return -1;
      total += kCost[direction];
    }
    return total;
  }

 private:
  static constexpr int kUnreached = 1 << 30;
  static constexpr int kDx[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
  static constexpr int kDy[8] = {1, 1, 1, 0, -1, -1, -1, 0};
  static constexpr int kCost[8] = {14, 10, 14, 10, 14, 10, 14, 10};

  int Index(int x, int y) const { return y * width_ + x; }
  static int Estimate(int x, int y, int gx, int gy) { return std::abs(gx - x) + std::abs(gy - y); }
  bool Blocked(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_ && cells_[Index(x, y)] != 0; }
  // The engine's rule for a step onto (nx, ny) in the direction given.
  bool Admits(int nx, int ny, int direction) const {
    if (Blocked(nx, ny)) return false;
    return direction % 2 != 0 ||
           !(Blocked(nx + kDy[direction], ny + 1) || Blocked(nx + 1, ny) || Blocked(nx, ny - 1) || Blocked(nx - 1, ny));
  }

  const char* cells_;
  int width_;
  int height_;
};

}  // namespace OrvBench
