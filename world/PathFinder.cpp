#include "world/PathFinder.h"

#include <algorithm>

namespace Orv {

namespace {

struct Direction {
  int dx;
  int dy;
  int cost;
};
// The order in which neighbours are listed; the even ones are diagonal.
constexpr Direction kDirections[8] = {{-1, 1, 14}, {0, 1, 10}, {1, 1, 14}, {1, 0, 10},
                                      {1, -1, 14}, {0, -1, 10}, {-1, -1, 14}, {-1, 0, 10}};

int DirectionOf(int dx, int dy) {
  for (int i = 0; i < 8; ++i) {
    if (kDirections[i].dx == dx && kDirections[i].dy == dy) return i;
  }
  return -1;
}

long long Distance(long long a, long long b) { return a > b ? a - b : b - a; }

}  // namespace

void PathFinder::Init(const PathGrid& grid) {
  Free();
  cells_ = grid.cells;
  width_ = grid.width;
  height_ = grid.height;
  hasGrid_ = true;
}

void PathFinder::Free() {
  cells_ = nullptr;
  width_ = height_ = 0;
  hasGrid_ = false;
  state_ = Idle;
  start_ = goal_ = current_ = PathNode{};
  open_ = {};
  marks_ = {};
  arrivals_ = {};
  touched_ = {};
  candidates_ = {};
  closedCount_ = 0;
}

void PathFinder::SetStartGoal(int sx, int sy, int gx, int gy) {
  open_.clear();
  queued_ = 0;
  for (std::size_t index : touched_) marks_[index] = Unseen;
  touched_.clear();
  closedCount_ = 0;
  const std::size_t cells = static_cast<std::size_t>(width_ * height_);
  if (marks_.size() != cells) {
    marks_.assign(cells, Unseen);
    arrivals_.assign(cells, 0);
  }
  start_ = {sx, sy, 0, 0, 0};
  goal_ = {gx, gy, 0, 0, 0};
  current_ = PathNode{};
  if (!hasGrid_) {
    state_ = NoMap;
    return;
  }
  Push({0, queued_++, sx, sy, 0});
  if (Inside(sx, sy)) {
    marks_[Index(sx, sy)] = Open;
    touched_.push_back(Index(sx, sy));
  }
  state_ = Searching;
}

void PathFinder::Push(const OpenEntry& entry) {
  open_.push_back(entry);
  std::push_heap(open_.begin(), open_.end(), [](const OpenEntry& a, const OpenEntry& b) {
    return a.f != b.f ? a.f > b.f : a.order > b.order;
  });
}

PathFinder::OpenEntry PathFinder::Pop() {
  std::pop_heap(open_.begin(), open_.end(), [](const OpenEntry& a, const OpenEntry& b) {
    return a.f != b.f ? a.f > b.f : a.order > b.order;
  });
  const OpenEntry entry = open_.back();
  open_.pop_back();
  return entry;
}

signed char PathFinder::GetCell(int x, int y) const {
  if (!hasGrid_ || !Inside(x, y)) return -1;
  return static_cast<signed char>(cells_[Index(x, y)]);
}

bool PathFinder::IsBlocked(long long x, long long y) const {
  return hasGrid_ && Inside(x, y) && cells_[Index(static_cast<int>(x), static_cast<int>(y))] != 0;
}

void PathFinder::ExpandNeighbours(const PathNode& node, std::vector<PathNode>& candidates) const {
  for (int i = 0; i < 8; ++i) {
    const Direction& d = kDirections[i];
    const long long nx = static_cast<long long>(node.x) + d.dx;
    const long long ny = static_cast<long long>(node.y) + d.dy;
    if (IsBlocked(nx, ny)) continue;
    // The first cell takes the direction's dy as its x offset; the rule has
    // always read so, and the paths it gives are the ones levels rely on.
    if (i % 2 == 0 && (IsBlocked(nx + d.dy, ny + 1) || IsBlocked(nx + 1, ny) || IsBlocked(nx, ny - 1) ||
                       IsBlocked(nx - 1, ny))) {
      continue;
    }
    if (Inside(nx, ny)) {
      candidates.push_back({static_cast<int>(nx), static_cast<int>(ny), 0, node.g + d.cost, 0});
    }
  }
}

int PathFinder::Step() {
  if (state_ != Searching && state_ != Failed) return state_;
  if (!hasGrid_) return state_ = NoMap;
  if (open_.empty()) return state_ = Failed;

  const OpenEntry entry = Pop();
  const long long h = Distance(goal_.x, entry.x) + Distance(goal_.y, entry.y);
  current_ = {entry.x, entry.y, static_cast<int>(entry.f), entry.g, static_cast<int>(h)};
  if (current_.x == goal_.x && current_.y == goal_.y) return state_ = GoalReached;

  candidates_.clear();
  ExpandNeighbours(current_, candidates_);
  for (auto it = candidates_.rbegin(); it != candidates_.rend(); ++it) {
    const std::size_t index = Index(it->x, it->y);
    if (marks_[index] != Unseen) continue;
    marks_[index] = Open;
    touched_.push_back(index);
    arrivals_[index] = static_cast<std::uint8_t>(DirectionOf(it->x - current_.x, it->y - current_.y));
    const long long toGoal = Distance(goal_.x, it->x) + Distance(goal_.y, it->y);
    Push({it->g + toGoal, queued_++, it->x, it->y, it->g});
  }
  if (Inside(current_.x, current_.y)) marks_[Index(current_.x, current_.y)] = Closed;
  ++closedCount_;
  return state_ = Searching;
}

int PathFinder::Run(unsigned maxSteps) {
  // Each step closes a cell, and only the start may lie outside the grid,
  // so more steps than cells can change nothing.
  const unsigned long long limit =
      std::min<unsigned long long>(maxSteps, static_cast<unsigned long long>(width_ * height_) + 1);
  for (unsigned long long steps = 0; steps < limit; ++steps) {
    if (Step() != Searching) break;
  }
  return state_;
}

std::vector<PathCell> PathFinder::GetPath() const {
  std::vector<PathCell> path;
  if (state_ != GoalReached) return path;
  PathCell cell{current_.x, current_.y};
  path.push_back(cell);
  // A path visits each closed cell at most once.
  while (!(cell.x == start_.x && cell.y == start_.y)) {
    if (path.size() > closedCount_ + 1 || !Inside(cell.x, cell.y)) return {};
    const Direction& d = kDirections[arrivals_[Index(cell.x, cell.y)]];
    cell = {cell.x - d.dx, cell.y - d.dy};
    path.push_back(cell);
  }
  return path;
}

}  // namespace Orv
