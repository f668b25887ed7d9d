#include "world/BroadPhaseGrid.h"

#include <algorithm>
#include <cmath>

namespace Orv {

namespace {

// A cell is this many times the median box side: in a pile smaller cells list
// fewer boxes that do not meet, while larger ones list each box in fewer.
constexpr double kCellPerSide = 2.5;
// Cells are never finer than this share of where the boxes lie (the median
// of their coordinates' size), a few units of a double's last place there:
// points spread out far from the origin get a cell each, not the last cells.
const double kFinestShareOfPlace = std::ldexp(1.0, -50);
// Cells are made in square blocks of this many a side (a power of 2): a box
// over a few cells mostly finds them all in the block it looked up.
constexpr int kBlockShift = 2;
constexpr std::int64_t kBlockMask = (1 << kBlockShift) - 1;
constexpr std::uint32_t kBlockCells = 1u << (2 * kBlockShift);
// Boxes sampled for the medians.
constexpr std::size_t kSample = 512;
// The cell side stays a normal number with a normal inverse, so that a
// corner scaled to cells is a number, never 0 times infinity.
const double kSmallestCell = std::ldexp(1.0, -1000);
const double kLargestCell = std::ldexp(1.0, 1020);
// Cell indices stop here, so that the width of any range is a 64-bit number:
// colliders beyond share the last cells.
const double kLastCell = std::ldexp(1.0, 61);

bool Finite(const GridBox& box) {
  return std::isfinite(box.minX) && std::isfinite(box.minY) && std::isfinite(box.maxX) && std::isfinite(box.maxY);
}

// The median of values, which it reorders.
double Median(std::vector<double>& values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

std::size_t Hash(std::int64_t x, std::int64_t y) {
  const std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull ^
                          (static_cast<std::uint64_t>(y) + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full;
  return static_cast<std::size_t>(h ^ (h >> 31));
}

}  // namespace

void BroadPhaseGrid::Cell::Append(std::uint32_t slot) {
  if (count < kInside) {
    inside[count] = slot;
  } else {
    more.push_back(slot);
  }
  ++count;
}

void BroadPhaseGrid::Cell::Add(std::uint32_t slot, bool active) {
  if (!active || activeCount == count) {
    Append(slot);
  } else {
    // The first inactive slot makes room at the end.
    Append(At(activeCount));
    At(activeCount) = slot;
  }
  if (active) ++activeCount;
}

void BroadPhaseGrid::Cell::Take(std::uint32_t slot) {
  std::uint32_t at = 0;
  while (At(at) != slot) ++at;
  if (at < activeCount) {
    // The last active slot fills the gap, the last slot fills its place.
    --activeCount;
    At(at) = At(activeCount);
    at = activeCount;
  }
  At(at) = At(count - 1);
  if (count > kInside) more.pop_back();
  --count;
}

void BroadPhaseGrid::Cell::Clear() {
  count = 0;
  activeCount = 0;
  more.clear();
}

void BroadPhaseGrid::Build(const std::vector<GridBox>& boxes) { Build(boxes, {}); }

void BroadPhaseGrid::Build(const std::vector<GridBox>& boxes, const std::vector<std::uint8_t>& active) {
  count_ = boxes.size();
  active_.assign(active.begin(), active.end());
  active_.resize(count_, 1);
  // Multiplying keeps the cells in the order of the coordinates, as dividing does.
  inverseCellSize_ = 1.0 / Measure(boxes);
  for (std::size_t c = 0; c < blockCount_ * kBlockCells; ++c) {
    cells_[c].Clear();
  }
  blockCount_ = 0;
  lastBlock_ = 0;
  // A block mostly holds a few boxes; the table grows when it holds more.
  std::size_t capacity = 16;
  while (capacity < count_ / 2) capacity *= 2;
  table_.assign(capacity, Entry{});
  tableMask_ = capacity - 1;
  wide_.Clear();
  ranges_.resize(count_);
  slotCells_.resize(count_ * kCellsHeld);
  seen_.assign(count_, 0);
  query_ = 0;
  for (std::size_t i = 0; i < count_; ++i) {
    ranges_[i] = RangeOf(boxes[i]);
    Insert(static_cast<std::uint32_t>(i), ranges_[i]);
  }
}

double BroadPhaseGrid::Measure(const std::vector<GridBox>& boxes) {
  // A sample's medians are close enough, and cost the same at any size.
  const std::size_t stride = std::max<std::size_t>(1, boxes.size() / kSample);
  sides_.clear();
  sizes_.clear();
  for (std::size_t i = 0; i < boxes.size(); i += stride) {
    const GridBox& box = boxes[i];
    if (!Finite(box)) continue;
    sides_.push_back(std::max(std::fabs(box.maxX - box.minX), std::fabs(box.maxY - box.minY)));
    sizes_.push_back(std::max({std::fabs(box.minX), std::fabs(box.maxX), std::fabs(box.minY), std::fabs(box.maxY)}));
  }
  if (sides_.empty()) return 1;
  // A side of infinity (a box from -1.7e308 to 1.7e308) stays in range.
  const double cell = std::max({kCellPerSide * Median(sides_), kFinestShareOfPlace * Median(sizes_), kSmallestCell});
  return std::min(cell, kLargestCell);
}

// Clamped first, then cut towards zero: a monotone index, without a call into
// the maths library for each corner. Never given a NaN.
std::int64_t BroadPhaseGrid::CellOf(double coordinate) const {
  return static_cast<std::int64_t>(std::clamp(coordinate * inverseCellSize_, -kLastCell, kLastCell));
}

BroadPhaseGrid::CellRange BroadPhaseGrid::CornersOf(const GridBox& box) const {
  // A NaN corner makes every overlap test pass.
  if (std::isnan(box.minX) || std::isnan(box.minY) || std::isnan(box.maxX) || std::isnan(box.maxY)) {
    return {0, 0, 0, 0, true};
  }
  // A box turned inside out (a negative size) still meets what spans it.
  return {CellOf(std::min(box.minX, box.maxX)), CellOf(std::min(box.minY, box.maxY)),
          CellOf(std::max(box.minX, box.maxX)), CellOf(std::max(box.minY, box.maxY)), false};
}

BroadPhaseGrid::CellRange BroadPhaseGrid::RangeOf(const GridBox& box) const {
  const CellRange range = CornersOf(box);
  return Spans(range, kMostCellsPerBox) ? range : CellRange{0, 0, 0, 0, true};
}

bool BroadPhaseGrid::Spans(const CellRange& range, std::int64_t most) {
  if (range.wide) return false;
  // Each side at most 2^62 cells, so the widths are numbers.
  const std::int64_t columns = range.x1 - range.x0 + 1, rows = range.y1 - range.y0 + 1;
  return columns <= most && rows <= most && columns * rows <= most;
}

std::uint32_t BroadPhaseGrid::CellAt(std::int64_t x, std::int64_t y) {
  // Shifts and masks of two's complement numbers: the block's corner cell
  // lies at or below, as a floor would give.
  const std::int64_t bx = x >> kBlockShift, by = y >> kBlockShift;
  const std::uint32_t within = static_cast<std::uint32_t>(((y & kBlockMask) << kBlockShift) | (x & kBlockMask));
  if (lastBlock_ != 0 && bx == lastX_ && by == lastY_) return (lastBlock_ - 1) * kBlockCells + within;
  for (std::size_t at = Hash(bx, by) & tableMask_;; at = (at + 1) & tableMask_) {
    Entry& entry = table_[at];
    if (entry.block == 0) {
      if (blockCount_ * kBlockCells == cells_.size()) cells_.resize(cells_.size() + kBlockCells);
      entry = {bx, by, static_cast<std::uint32_t>(++blockCount_)};
      lastBlock_ = entry.block;
      if (2 * blockCount_ > table_.size()) Rehash(2 * table_.size());
      break;
    }
    if (entry.x == bx && entry.y == by) {
      lastBlock_ = entry.block;
      break;
    }
  }
  lastX_ = bx;
  lastY_ = by;
  return (lastBlock_ - 1) * kBlockCells + within;
}

const BroadPhaseGrid::Cell* BroadPhaseGrid::FindCell(std::int64_t x, std::int64_t y) {
  const std::int64_t bx = x >> kBlockShift, by = y >> kBlockShift;
  const std::uint32_t within = static_cast<std::uint32_t>(((y & kBlockMask) << kBlockShift) | (x & kBlockMask));
  if (lastBlock_ != 0 && bx == lastX_ && by == lastY_) return &cells_[(lastBlock_ - 1) * kBlockCells + within];
  for (std::size_t at = Hash(bx, by) & tableMask_;; at = (at + 1) & tableMask_) {
    const Entry& entry = table_[at];
    if (entry.block == 0) return nullptr;
    if (entry.x == bx && entry.y == by) {
      lastX_ = bx;
      lastY_ = by;
      lastBlock_ = entry.block;
      return &cells_[(lastBlock_ - 1) * kBlockCells + within];
    }
  }
}

void BroadPhaseGrid::Rehash(std::size_t capacity) {
  std::vector<Entry> old(capacity);
  old.swap(table_);
  tableMask_ = capacity - 1;
  for (const Entry& entry : old) {
    if (entry.block == 0) continue;
    std::size_t at = Hash(entry.x, entry.y) & tableMask_;
    while (table_[at].block != 0) at = (at + 1) & tableMask_;
    table_[at] = entry;
  }
}

void BroadPhaseGrid::Insert(std::uint32_t slot, const CellRange& range) {
  if (range.wide) {
    wide_.Add(slot, active_[slot] != 0);
    return;
  }
  std::uint32_t* held = &slotCells_[std::size_t{slot} * kCellsHeld];
  for (std::int64_t y = range.y0; y <= range.y1; ++y) {
    for (std::int64_t x = range.x0; x <= range.x1; ++x) {
      const std::uint32_t c = CellAt(x, y);
      cells_[c].Add(slot, active_[slot] != 0);
      *held++ = c;
    }
  }
}

void BroadPhaseGrid::Remove(std::uint32_t slot) {
  const CellRange& range = ranges_[slot];
  if (range.wide) {
    wide_.Take(slot);
    return;
  }
  const std::int64_t cells = (range.x1 - range.x0 + 1) * (range.y1 - range.y0 + 1);
  const std::uint32_t* held = &slotCells_[std::size_t{slot} * kCellsHeld];
  for (std::int64_t k = 0; k < cells; ++k) cells_[held[k]].Take(slot);
}

bool BroadPhaseGrid::Move(std::size_t slot, const GridBox& box) {
  const CellRange& held = ranges_[slot];
  if (held.wide) return false;
  const CellRange range = RangeOf(box);
  // A box still inside the cells it is listed in stays listed there: more
  // cells only offer pairs that are tested anyway, and a box that shakes
  // across a cell's edge in a pile is not taken out and put back each time.
  if (!range.wide && range.x0 >= held.x0 && range.x1 <= held.x1 && range.y0 >= held.y0 && range.y1 <= held.y1) {
    return false;
  }
  Remove(static_cast<std::uint32_t>(slot));
  Insert(static_cast<std::uint32_t>(slot), range);
  ranges_[slot] = range;
  return true;
}

}  // namespace Orv
