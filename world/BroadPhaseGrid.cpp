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
// Boxes sampled for the medians.
constexpr std::size_t kSample = 512;
// The cell side stays a normal number with a normal inverse, so that a
// corner scaled to cells is a number, never 0 times infinity.
const double kSmallestCell = std::ldexp(1.0, -1000);
const double kLargestCell = std::ldexp(1.0, 1020);

bool Finite(const GridBox& box) {
  return std::isfinite(box.minX) && std::isfinite(box.minY) && std::isfinite(box.maxX) && std::isfinite(box.maxY);
}

// The median of values, which it reorders.
double Median(std::vector<double>& values) {
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

std::size_t Hash(std::int64_t x, std::int64_t y, int level) {
  const std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull ^
                          (static_cast<std::uint64_t>(y) + 0x632BE59BD9B4E019ull) * 0xC2B2AE3D27D4EB4Full ^
                          static_cast<std::uint64_t>(level) * 0xD6E8FEB86659FD93ull;
  return static_cast<std::size_t>(h ^ (h >> 31));
}

}  // namespace

void BroadPhaseGrid::Build(const std::vector<GridBox>& boxes) { Build(boxes, {}); }

void BroadPhaseGrid::Build(const std::vector<GridBox>& boxes, const std::vector<std::uint8_t>& active) {
  count_ = boxes.size();
  boxes_.assign(boxes.begin(), boxes.end());
  nearSlot_ = kNoSlot;
  active_.assign(active.begin(), active.end());
  active_.resize(count_, 1);
  // Multiplying keeps the cells in the order of the coordinates, as dividing
  // does; a power of 2 apart, each level's cells split exactly into the finer ones.
  const double inverse = 1.0 / Measure(boxes);
  for (int level = 0; level < kLevels; ++level) inverseCellSize_[level] = std::ldexp(inverse, -kLevelShift * level);
  for (std::size_t c = 0; c < cellsInUse_; ++c) cells_[c].Clear();
  cellsInUse_ = 0;
  std::fill(places_.begin(), places_.begin() + static_cast<std::ptrdiff_t>(placesInUse_), 0);
  placesInUse_ = 0;
  blockCount_ = 0;
  lastFirst_ = 0;
  wide_.Clear();
  level_.resize(count_);
  std::fill(std::begin(inUse_), std::end(inUse_), false);
  for (std::size_t i = 0; i < count_; ++i) {
    level_[i] = LevelOf(boxes[i]);
    if (level_[i] != kWide) inUse_[level_[i]] = true;
  }
  levelsInUse_.clear();
  for (int level = 0; level < kLevels; ++level) {
    levelIndex_[level] = static_cast<std::uint8_t>(levelsInUse_.size());
    if (inUse_[level]) levelsInUse_.push_back(level);
  }
  // A block mostly holds a few boxes at each level in use; the table grows
  // when it holds more.
  std::size_t capacity = 16;
  while (capacity < count_ / 2 * levelsInUse_.size()) capacity *= 2;
  table_.assign(capacity, Entry{});
  tableMask_ = capacity - 1;
  // Room for each slot's cells at its level and each coarser one in use.
  ranges_.resize(count_ * levelsInUse_.size());
  slotFirst_.resize(count_);
  std::size_t room = 0;
  for (std::size_t i = 0; i < count_; ++i) {
    slotFirst_[i] = room;
    if (level_[i] == kWide) continue;
    room += kMostCellsPerBox * (levelsInUse_.size() - levelIndex_[level_[i]]);
  }
  slotCells_.resize(room);
  seen_.assign(count_, 0);
  nearby_.resize(count_);
  query_ = 0;
  for (std::size_t i = 0; i < count_; ++i) Insert(static_cast<std::uint32_t>(i), boxes[i]);
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

std::uint8_t BroadPhaseGrid::LevelOf(const GridBox& box) const {
  for (int level = 0; level < kLevels; ++level) {
    const CellRange range = CornersOf(box, level);
    if (range.wide) return kWide;
    if (Spans(range, level == 0 ? kMostCellsPerBox : kMostCellsAbove)) return static_cast<std::uint8_t>(level);
  }
  return kWide;
}

bool BroadPhaseGrid::Spans(const CellRange& range, std::int64_t most) {
  if (range.wide) return false;
  // Each side at most 2^62 cells, so the widths are numbers.
  const std::int64_t columns = range.x1 - range.x0 + 1, rows = range.y1 - range.y0 + 1;
  return columns <= most && rows <= most && columns * rows <= most;
}

std::size_t BroadPhaseGrid::MakePlace(int level, std::int64_t bx, std::int64_t by) {
  for (std::size_t at = Hash(bx, by, level) & tableMask_;; at = (at + 1) & tableMask_) {
    Entry& entry = table_[at];
    if (entry.first == 0) {
      // The finest level has no finer slots to list.
      const std::size_t places = level == 0 ? kFinerCells : 2 * kFinerCells;
      if (placesInUse_ + places > places_.size()) places_.resize(placesInUse_ + places, 0);
      entry = {bx, by, level, static_cast<std::uint32_t>(placesInUse_ + 1)};
      placesInUse_ += places;
      lastFirst_ = entry.first;
      if (2 * ++blockCount_ > table_.size()) Rehash(2 * table_.size());
      break;
    }
    if (entry.x == bx && entry.y == by && entry.level == level) {
      lastFirst_ = entry.first;
      break;
    }
  }
  lastX_ = bx;
  lastY_ = by;
  lastLevel_ = level;
  return lastFirst_ - 1;
}

std::size_t BroadPhaseGrid::FindPlace(int level, std::int64_t x, std::int64_t y) {
  const std::int64_t bx = x >> kBlockShift, by = y >> kBlockShift, mask = (1 << kBlockShift) - 1;
  const std::uint32_t within = static_cast<std::uint32_t>(((y & mask) << kBlockShift) | (x & mask));
  if (lastFirst_ != 0 && bx == lastX_ && by == lastY_ && level == lastLevel_) return lastFirst_ - 1 + within;
  for (std::size_t at = Hash(bx, by, level) & tableMask_;; at = (at + 1) & tableMask_) {
    const Entry& entry = table_[at];
    if (entry.first == 0) return kNoPlace;
    if (entry.x == bx && entry.y == by && entry.level == level) {
      lastX_ = bx;
      lastY_ = by;
      lastLevel_ = level;
      lastFirst_ = entry.first;
      return lastFirst_ - 1 + within;
    }
  }
}

void BroadPhaseGrid::Rehash(std::size_t capacity) {
  std::vector<Entry> old(capacity);
  old.swap(table_);
  tableMask_ = capacity - 1;
  for (const Entry& entry : old) {
    if (entry.first == 0) continue;
    std::size_t at = Hash(entry.x, entry.y, entry.level) & tableMask_;
    while (table_[at].first != 0) at = (at + 1) & tableMask_;
    table_[at] = entry;
  }
}

void BroadPhaseGrid::MakeWide(std::uint32_t slot) {
  level_[slot] = kWide;
  wide_.Add(slot, active_[slot] != 0);
}

void BroadPhaseGrid::Insert(std::uint32_t slot, const GridBox& box) {
  const int own = level_[slot];
  if (own == kWide) {
    MakeWide(slot);
    return;
  }
  CellRange* ranges = &ranges_[std::size_t{slot} * levelsInUse_.size()];
  for (std::size_t k = levelIndex_[own]; k < levelsInUse_.size(); ++k) {
    const int level = levelsInUse_[k];
    ranges[k] = CornersOf(box, level);
    // Moved a long way out, where the cells are clamped, or grown.
    if (!Spans(ranges[k], kMostCellsPerBox)) {
      MakeWide(slot);
      return;
    }
  }
  const bool active = active_[slot] != 0;
  std::uint32_t* held = &slotCells_[slotFirst_[slot]];
  for (std::size_t k = levelIndex_[own]; k < levelsInUse_.size(); ++k) {
    const int level = levelsInUse_[k];
    const CellRange& range = ranges[k];
    // Above its own level, a slot is listed with the finer ones.
    const std::uint32_t finer = level == own ? 0 : kFinerCells;
    for (std::int64_t y = range.y0; y <= range.y1; ++y) {
      for (std::int64_t x = range.x0; x <= range.x1; ++x) {
        const std::size_t place = PlaceAt(level, x, y) + finer;
        CellIn(place).Add(slot, active);
        *held++ = static_cast<std::uint32_t>(place);
      }
    }
  }
}

void BroadPhaseGrid::Remove(std::uint32_t slot) {
  const int own = level_[slot];
  if (own == kWide) {
    wide_.Take(slot);
    return;
  }
  const CellRange* ranges = &ranges_[std::size_t{slot} * levelsInUse_.size()];
  const std::uint32_t* held = &slotCells_[slotFirst_[slot]];
  for (std::size_t k = levelIndex_[own]; k < levelsInUse_.size(); ++k) {
    const CellRange& range = ranges[k];
    const std::int64_t cells = (range.x1 - range.x0 + 1) * (range.y1 - range.y0 + 1);
    for (std::int64_t c = 0; c < cells; ++c) cells_[places_[*held++] - 1].Take(slot);
  }
}

bool BroadPhaseGrid::Move(std::size_t slot, const GridBox& box) {
  boxes_[slot] = box;
  // Not a number fails every test: it left.
  const bool left = slot == nearSlot_ && !(box.minX >= near_.minX && box.maxX <= near_.maxX && box.minY >= near_.minY &&
                                           box.maxY <= near_.maxY);
  const int own = level_[slot];
  if (own == kWide) return left;
  // A box still inside the cells it is listed in stays listed there: more
  // cells only offer pairs that are tested anyway, and a box that shakes
  // across a cell's edge in a pile is not taken out and put back each time.
  const CellRange* ranges = &ranges_[slot * levelsInUse_.size()];
  bool inside = true;
  for (std::size_t k = levelIndex_[own]; k < levelsInUse_.size(); ++k) {
    const int level = levelsInUse_[k];
    const CellRange range = CornersOf(box, level);
    const CellRange& held = ranges[k];
    if (range.wide || range.x0 < held.x0 || range.x1 > held.x1 || range.y0 < held.y0 || range.y1 > held.y1) {
      inside = false;
      break;
    }
  }
  if (inside) return left;
  Remove(static_cast<std::uint32_t>(slot));
  Insert(static_cast<std::uint32_t>(slot), box);
  return true;
}

}  // namespace Orv
