#pragma once
// A step-wise A* search over a grid of collision bytes: eight directions,
// 10 for a straight step and 14 for a diagonal one, no entering a solid
// cell, no diagonal step onto a cell that has a solid cell beside it.
// Among open cells of equal cost the one queued first is expanded first,
// and an open cell is never updated, so the path found is fixed by the
// grid alone. It knows nothing of the engine: the caller hands it the grid.
#include <cstdint>
#include <vector>

namespace Orv {

struct PathNode {
  int x = 0;
  int y = 0;
  int f = 0;
  int g = 0;
  int h = 0;
};

struct PathCell {
  int x;
  int y;
  bool operator==(const PathCell&) const = default;
};

// Row-major collision bytes (y * width + x), 0 for a free cell. The bytes
// are read, never kept past the search.
struct PathGrid {
  const char* cells = nullptr;
  unsigned width = 0;
  unsigned height = 0;
};

class PathFinder {
 public:
  enum State : int { Idle = 0, Searching = 1, GoalReached = 2, Failed = 3, NoMap = 4 };

  // The grid searched from now on; until then every search has no map.
  void Init(const PathGrid& grid);
  // Forgets the last search and queues the start. Neither cell needs to be
  // free or inside the grid: such a goal is simply never reached.
  void SetStartGoal(int sx, int sy, int gx, int gy);
  // Expands the open cell of lowest cost; the new state.
  int Step();
  // Steps while searching, at most maxSteps times (0 makes no step).
  int Run(unsigned maxSteps);
  // From the goal back to the start, both included; empty unless the goal
  // was reached.
  std::vector<PathCell> GetPath() const;
  // Lets go of the grid and of everything the search holds.
  void Free();

  // The collision byte, or -1 outside the grid (or without one).
  signed char GetCell(int x, int y) const;
  // Inside the grid and not free. A cell outside is never blocked, though
  // no search enters it.
  bool IsBlocked(long long x, long long y) const;
  // Appends the cells a step from node may go to, in direction order.
  void ExpandNeighbours(const PathNode& node, std::vector<PathNode>& candidates) const;

  int GetState() const { return state_; }
  // The cell expanded last.
  const PathNode& GetCurrent() const { return current_; }

 private:
  // The open cells in buckets by cost f, each bucket first in, first out,
  // which is the order (f, queue order) asks for. The cost estimate to the
  // goal changes by at most 2 a step while a step costs at least 10, so f
  // never falls from one expansion to the next, and every open cell's f lies
  // within 16 of the lowest: a ring of 32 buckets holds them all.
  struct OpenEntry {
    int x;
    int y;
    int g;
  };
  struct Bucket {
    std::vector<OpenEntry> entries;
    std::size_t head = 0;
  };
  static constexpr int kBuckets = 32;
  enum Mark : std::uint8_t { Unseen = 0, Open = 1, Closed = 2 };

  bool Inside(long long x, long long y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  std::size_t Index(int x, int y) const { return static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x); }
  bool Blocked(long long x, long long y) const {
    return static_cast<unsigned long long>(x) < static_cast<unsigned long long>(width_) &&
           static_cast<unsigned long long>(y) < static_cast<unsigned long long>(height_) &&
           cells_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)] != 0;
  }
  // The direction's step may be taken from the node: not solid, and for a
  // diagonal no solid cell where the rule looks.
  bool Admits(long long nx, long long ny, int direction) const;
  void Push(long long f, const OpenEntry& entry);
  void ClearOpen();

  const char* cells_ = nullptr;
  long long width_ = 0;
  long long height_ = 0;
  bool hasGrid_ = false;
  int state_ = Idle;
  PathNode start_;
  PathNode goal_;
  PathNode current_;
  Bucket open_[kBuckets];
  std::size_t openCount_ = 0;
  // The lowest f any open cell may have.
  long long lowestF_ = 0;
  // Per cell: its mark and the direction it was first reached by.
  std::vector<std::uint8_t> marks_;
  std::vector<std::uint8_t> arrivals_;
  // Cells marked by this search, so the next one clears only those.
  std::vector<std::size_t> touched_;
  std::size_t closedCount_ = 0;
};

}  // namespace Orv
