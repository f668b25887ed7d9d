#pragma once
// The grid search written the plain way, every per-cell record in ordered
// maps keyed by x then y: slow, but easy to check against the rules by eye.
// Tests and the benchmark compare the engine's search with it.
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

namespace OrvTest {

class ReferencePathFinder {
 public:
  struct Node {
    int x = 0, y = 0, f = 0, g = 0, h = 0;
  };

  ReferencePathFinder(const char* cells, unsigned width, unsigned height)
      : cells_(cells), width_(width), height_(height) {}

  void SetStartGoal(int sx, int sy, int gx, int gy) {
    open_.clear();
    inOpen_.clear();
    closed_.clear();
    parents_.clear();
    start_ = {sx, sy, 0, 0, 0};
    goal_ = {gx, gy, 0, 0, 0};
    current_ = Node{};
    open_.insert({0, start_});
    inOpen_[sx][sy] = 1;
    state_ = 1;
  }

  int Step() {
    if (state_ != 1 && state_ != 3) return state_;
    if (open_.empty()) return state_ = 3;
    current_ = open_.begin()->second;
    open_.erase(open_.begin());
    inOpen_[current_.x][current_.y] = 0;
    if (current_.x == goal_.x && current_.y == goal_.y) return state_ = 2;
    std::vector<Node> candidates;
    Expand(current_, candidates);
    while (!candidates.empty()) {
      Node n = candidates.back();
      candidates.pop_back();
      if (closed_[n.x][n.y] != 0) continue;
      if (inOpen_[n.x][n.y] != 0) continue;
      parents_[n.x][n.y] = current_;
      n.h = std::abs(goal_.x - n.x) + std::abs(goal_.y - n.y);
      n.f = n.g + n.h;
      open_.insert({n.f, n});
      inOpen_[n.x][n.y] = 1;
    }
    closed_[current_.x][current_.y] = 1;
    return state_ = 1;
  }

  int Run(unsigned maxSteps) {
    for (unsigned i = 0; i < maxSteps; ++i) {
      if (Step() != 1) break;
    }
    return state_;
  }

  std::vector<std::pair<int, int>> GetPath() {
    std::vector<std::pair<int, int>> path;
    if (state_ != 2) return path;
    Node n = current_;
    path.push_back({n.x, n.y});
    while (!(n.x == start_.x && n.y == start_.y)) {
      n = parents_[n.x][n.y];
      path.push_back({n.x, n.y});
    }
    return path;
  }

  const Node& Current() const { return current_; }

 private:
  bool Blocked(int x, int y) const {
    return static_cast<unsigned>(x) < width_ && static_cast<unsigned>(y) < height_ &&
           cells_[static_cast<std::size_t>(y) * width_ + static_cast<unsigned>(x)] != 0;
  }

  void Expand(const Node& node, std::vector<Node>& out) const {
    static const int dx[8] = {-1, 0, 1, 1, 1, 0, -1, -1};
    static const int dy[8] = {1, 1, 1, 0, -1, -1, -1, 0};
    static const int cost[8] = {14, 10, 14, 10, 14, 10, 14, 10};
    for (int i = 0; i < 8; ++i) {
      const int nx = node.x + dx[i], ny = node.y + dy[i];
      if (Blocked(nx, ny)) continue;
      if (i % 2 == 0 &&
          (Blocked(nx + dy[i], ny + 1) || Blocked(nx + 1, ny) || Blocked(nx, ny - 1) || Blocked(nx - 1, ny))) {
        continue;
      }
      if (nx >= 0 && nx < static_cast<int>(width_) && ny >= 0 && ny < static_cast<int>(height_)) {
        out.push_back({nx, ny, 0, node.g + cost[i], 0});
      }
    }
  }

  const char* cells_;
  unsigned width_, height_;
  Node start_, goal_, current_;
  int state_ = 0;
  std::multimap<int, Node> open_;
  std::map<int, std::map<int, char>> inOpen_;
  std::map<int, std::map<int, char>> closed_;
  std::map<int, std::map<int, Node>> parents_;
};

}  // namespace OrvTest
