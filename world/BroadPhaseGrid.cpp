#include "world/BroadPhaseGrid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Orv {

namespace {

// A box over more cells than this is met by every query instead: listing a
// large collider in each of its cells costs more than testing it against all.
constexpr double kMostCellsPerBox = 16;
// Cells per box: the grid never has more than this many cells for each box.
constexpr double kCellsPerBox = 4;
// Candidate lists up to this long are sorted by insertion.
constexpr std::size_t kInsertionSortMost = 24;
// The cell side stays a normal number with a normal inverse, so that a
// corner scaled to cells is a number, never 0 times infinity: boxes smaller
// than the smallest side share a cell, as they would share any.
const double kSmallestCell = std::ldexp(1.0, -1000);
const double kLargestCell = std::ldexp(1.0, 1020);

}  // namespace

void BroadPhaseGrid::Build(const std::vector<GridBox>& boxes) { Build(boxes, {}); }

void BroadPhaseGrid::Build(const std::vector<GridBox>& boxes, const std::vector<std::uint8_t>& active) {
  count_ = boxes.size();
  active_.assign(active.begin(), active.end());
  active_.resize(count_, 1);
  const Region region = Measure(boxes);
  originX_ = region.minX;
  originY_ = region.minY;
  const double halfX = HalfSpan(region.minX, region.maxX), halfY = HalfSpan(region.minY, region.maxY);
  // No more cells than the boxes warrant, however small a side they ask.
  const double most = kCellsPerBox * static_cast<double>(count_) + 16;
  double cell = std::max({region.cell, kSmallestCell, 2 * std::sqrt(halfX) * std::sqrt(halfY) / std::sqrt(most),
                          2 * std::max(halfX, halfY) / most});
  cell = std::min(cell, kLargestCell);
  double columns = 1, rows = 1;
  for (;;) {
    columns = std::floor(halfX / (cell * 0.5)) + 1;
    rows = std::floor(halfY / (cell * 0.5)) + 1;
    if (columns * rows <= most || cell >= kLargestCell) break;
    cell = std::min(cell * std::sqrt(columns * rows / most) * 1.01, kLargestCell);
  }
  cellSize_ = cell;
  // Multiplying keeps the cells in the order of the coordinates, as dividing does.
  inverseCellSize_ = 1.0 / cellSize_;
  lastColumn_ = columns - 1;
  lastRow_ = rows - 1;
  columns_ = static_cast<int>(columns);
  rows_ = static_cast<int>(rows);
  cells_.resize(static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_));
  for (Cell& each : cells_) {
    each.count = 0;
    each.more.clear();
  }
  wide_.clear();
  ranges_.resize(count_);
  seen_.assign(count_, 0);
  query_ = 0;
  for (std::size_t i = 0; i < count_; ++i) {
    ranges_[i] = RangeOf(boxes[i]);
    Insert(static_cast<std::uint32_t>(i), ranges_[i]);
  }
}

// Clamped first, then cut towards zero: the same cell as the floor would give,
// without a call into the maths library for each corner. Never given a NaN.
int BroadPhaseGrid::Column(double x) const {
  return static_cast<int>(std::clamp((x - originX_) * inverseCellSize_, 0.0, lastColumn_));
}

int BroadPhaseGrid::Row(double y) const {
  return static_cast<int>(std::clamp((y - originY_) * inverseCellSize_, 0.0, lastRow_));
}

BroadPhaseGrid::CellRange BroadPhaseGrid::RangeOf(const GridBox& box) const {
  // A NaN corner makes every overlap test pass.
  if (std::isnan(box.minX) || std::isnan(box.minY) || std::isnan(box.maxX) || std::isnan(box.maxY)) {
    return {0, 0, 0, 0, true};
  }
  // A box turned inside out (a negative size) still meets what spans it.
  const CellRange range{Column(std::min(box.minX, box.maxX)), Row(std::min(box.minY, box.maxY)),
                        Column(std::max(box.minX, box.maxX)), Row(std::max(box.minY, box.maxY)), false};
  // In 64 bits: no count of cells in a grid overflows them.
  const std::int64_t cells = (std::int64_t{range.x1} - range.x0 + 1) * (std::int64_t{range.y1} - range.y0 + 1);
  if (cells > kMostCellsPerBox) return {0, 0, 0, 0, true};
  return range;
}

bool BroadPhaseGrid::InsideHeld(const CellRange& held, const GridBox& box) const {
  // For a corner scaled as Column and Row scale it, t at or above 0, the cell
  // (int) min(t, last) is at least x0 exactly when t >= x0, and at most
  // x1 < last exactly when t < x1 + 1; the first and last cells take all
  // beyond them. Each corner is tested, so a box turned inside out is too,
  // and a NaN fails.
  constexpr double kOpen = std::numeric_limits<double>::infinity();
  const double lowX = held.x0 == 0 ? -kOpen : held.x0, highX = held.x1 >= lastColumn_ ? kOpen : held.x1 + 1.0;
  const double lowY = held.y0 == 0 ? -kOpen : held.y0, highY = held.y1 >= lastRow_ ? kOpen : held.y1 + 1.0;
  const auto inside = [](double t, double low, double high) { return t >= low && t < high; };
  return inside((box.minX - originX_) * inverseCellSize_, lowX, highX) &&
         inside((box.maxX - originX_) * inverseCellSize_, lowX, highX) &&
         inside((box.minY - originY_) * inverseCellSize_, lowY, highY) &&
         inside((box.maxY - originY_) * inverseCellSize_, lowY, highY);
}

void BroadPhaseGrid::Insert(std::uint32_t slot, const CellRange& range) {
  if (range.wide) {
    wide_.push_back(slot);
    return;
  }
  for (int y = range.y0; y <= range.y1; ++y) {
    for (int x = range.x0; x <= range.x1; ++x) {
      Cell& cell = CellAt(x, y);
      if (cell.count < Cell::kInside) {
        cell.inside[cell.count] = slot;
      } else {
        cell.more.push_back(slot);
      }
      ++cell.count;
    }
  }
}

void BroadPhaseGrid::Remove(std::uint32_t slot, const CellRange& range) {
  if (range.wide) {
    *std::find(wide_.begin(), wide_.end(), slot) = wide_.back();
    wide_.pop_back();
    return;
  }
  for (int y = range.y0; y <= range.y1; ++y) {
    for (int x = range.x0; x <= range.x1; ++x) {
      // The last slot of the cell takes the place of the one removed.
      Cell& cell = CellAt(x, y);
      const std::uint32_t inside = std::min(cell.count, Cell::kInside);
      std::uint32_t* found = std::find(cell.inside, cell.inside + inside, slot);
      if (found == cell.inside + inside) found = &*std::find(cell.more.begin(), cell.more.end(), slot);
      if (cell.more.empty()) {
        *found = cell.inside[inside - 1];
      } else {
        *found = cell.more.back();
        cell.more.pop_back();
      }
      --cell.count;
    }
  }
}

bool BroadPhaseGrid::Move(std::size_t slot, const GridBox& box) {
  const CellRange& held = ranges_[slot];
  if (!held.wide && InsideHeld(held, box)) return false;
  const CellRange range = RangeOf(box);
  // A box still inside the cells it is listed in stays listed there: more
  // cells only offer pairs that are tested anyway, and a box that shakes
  // across a cell's edge in a pile is not taken out and put back each time.
  if (held.wide ||
      (!range.wide && range.x0 >= held.x0 && range.x1 <= held.x1 && range.y0 >= held.y0 && range.y1 <= held.y1)) {
    return false;
  }
  Remove(static_cast<std::uint32_t>(slot), ranges_[slot]);
  Insert(static_cast<std::uint32_t>(slot), range);
  ranges_[slot] = range;
  return true;
}

void BroadPhaseGrid::Candidates(std::size_t slot, std::size_t after, std::vector<std::uint32_t>& out) {
  out.clear();
  const CellRange& range = ranges_[slot];
  // A slot without a body is offered none without one: such pairs never
  // respond, and are not listed to be sorted and turned away.
  const bool active = active_[slot] != 0;
  if (range.wide) {
    for (std::size_t s = after + 1; s < count_; ++s) {
      if (active || active_[s] != 0) out.push_back(static_cast<std::uint32_t>(s));
    }
    return;
  }
  if (++query_ == 0) {
    std::fill(seen_.begin(), seen_.end(), 0);
    query_ = 1;
  }
  const auto list = [&](const std::uint32_t* slots, std::size_t count) {
    for (std::size_t k = 0; k < count; ++k) {
      const std::uint32_t s = slots[k];
      if (s <= after || seen_[s] == query_ || (!active && active_[s] == 0)) continue;
      seen_[s] = query_;
      out.push_back(s);
    }
  };
  for (int y = range.y0; y <= range.y1; ++y) {
    for (int x = range.x0; x <= range.x1; ++x) {
      const Cell& cell = CellAt(x, y);
      list(cell.inside, std::min(cell.count, Cell::kInside));
      list(cell.more.data(), cell.more.size());
    }
  }
  list(wide_.data(), wide_.size());
  // A handful of neighbours, as in a pile, sort fastest by insertion.
  if (out.size() > kInsertionSortMost) {
    std::sort(out.begin(), out.end());
    return;
  }
  for (std::size_t k = 1; k < out.size(); ++k) {
    const std::uint32_t s = out[k];
    std::size_t at = k;
    for (; at > 0 && out[at - 1] > s; --at) out[at] = out[at - 1];
    out[at] = s;
  }
}

}  // namespace Orv
