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
  for (Bucket& bucket : open_) bucket = Bucket{};
  openCount_ = 0;
  marks_ = {};
  arrivals_ = {};
  touched_ = {};
  closedCount_ = 0;
}

void PathFinder::ClearOpen() {
  for (Bucket& bucket : open_) {
    bucket.entries.clear();
    bucket.head = 0;
  }
  openCount_ = 0;
  lowestF_ = 0;
}

void PathFinder::Push(long long f, const OpenEntry& entry) {
  open_[f % kBuckets].entries.push_back(entry);
  ++openCount_;
}

void PathFinder::SetStartGoal(int sx, int sy, int gx, int gy) {
  ClearOpen();
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
  Push(0, {sx, sy, 0});
  if (Inside(sx, sy)) {
    marks_[Index(sx, sy)] = Open;
    touched_.push_back(Index(sx, sy));
  }
  state_ = Searching;
}

signed char PathFinder::GetCell(int x, int y) const {
  if (!hasGrid_ || !Inside(x, y)) return -1;
  return static_cast<signed char>(cells_[Index(x, y)]);
}

bool PathFinder::IsBlocked(long long x, long long y) const { return hasGrid_ && Blocked(x, y); }

bool PathFinder::Admits(long long nx, long long ny, int direction) const {
  if (Blocked(nx, ny)) return false;
  // The first cell takes the direction's dy as its x offset; the rule has
  // always read so, and the paths it gives are the ones levels rely on.
  return direction % 2 != 0 || !(Blocked(nx + kDirections[direction].dy, ny + 1) || Blocked(nx + 1, ny) ||
                                 Blocked(nx, ny - 1) || Blocked(nx - 1, ny));
}

void PathFinder::ExpandNeighbours(const PathNode& node, std::vector<PathNode>& candidates) const {
  if (!hasGrid_) return;
  for (int i = 0; i < 8; ++i) {
    const long long nx = static_cast<long long>(node.x) + kDirections[i].dx;
    const long long ny = static_cast<long long>(node.y) + kDirections[i].dy;
    if (Admits(nx, ny, i) && Inside(nx, ny)) {
      candidates.push_back({static_cast<int>(nx), static_cast<int>(ny), 0, node.g + kDirections[i].cost, 0});
    }
  }
}

int PathFinder::Step() {
  if (state_ != Searching && state_ != Failed) return state_;
  if (!hasGrid_) return state_ = NoMap;
  if (openCount_ == 0) return state_ = Failed;

  Bucket* bucket = &open_[lowestF_ % kBuckets];
  while (bucket->head == bucket->entries.size()) bucket = &open_[++lowestF_ % kBuckets];
  const OpenEntry entry = bucket->entries[bucket->head++];
  if (bucket->head == bucket->entries.size()) {
    bucket->entries.clear();
    bucket->head = 0;
  }
  --openCount_;
  const long long h = Distance(goal_.x, entry.x) + Distance(goal_.y, entry.y);
  current_ = {entry.x, entry.y, static_cast<int>(lowestF_), entry.g, static_cast<int>(h)};
  // The start is queued with f 0 rather than its estimate; once it is out,
  // its neighbours are near g + h, where the buckets must start.
  if (openCount_ == 0) lowestF_ = std::max(lowestF_, entry.g + h);
  if (current_.x == goal_.x && current_.y == goal_.y) return state_ = GoalReached;

  // The neighbours are queued from the last direction to the first.
  for (int i = 7; i >= 0; --i) {
    const Direction& d = kDirections[i];
    const long long nx = static_cast<long long>(current_.x) + d.dx;
    const long long ny = static_cast<long long>(current_.y) + d.dy;
    if (!Inside(nx, ny) || !Admits(nx, ny, i)) continue;
    const int x = static_cast<int>(nx), y = static_cast<int>(ny);
    const std::size_t index = Index(x, y);
    if (marks_[index] != Unseen) continue;
    marks_[index] = Open;
    touched_.push_back(index);
    arrivals_[index] = static_cast<std::uint8_t>(i);
    const int g = current_.g + d.cost;
    Push(g + Distance(goal_.x, x) + Distance(goal_.y, y), {x, y, g});
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
