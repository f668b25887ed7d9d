// The grid's queries: which slots share a cell with a slot, or lie around a box.
#include <algorithm>

#include "world/BroadPhaseGrid.h"

namespace Orv {

namespace {

// A slot's candidates are listed for its box grown by this share of its
// cell's side each way: a slot pushed about in a pile asks again only once
// it leaves that, and is offered few that it does not meet.
constexpr double kNearShareOfCell = 0.25;
// Candidate lists up to this long are sorted by insertion.
constexpr std::size_t kInsertionSortMost = 24;

// In ascending order; a handful of neighbours, as in a pile, sort fastest by
// insertion.
void SortSlots(std::vector<std::uint32_t>& out) {
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

}  // namespace

void BroadPhaseGrid::NewQuery() {
  if (++query_ == 0) {
    std::fill(seen_.begin(), seen_.end(), 0);
    query_ = 1;
  }
}

void BroadPhaseGrid::List(const Cell& cell, std::size_t first, bool all, std::vector<std::uint32_t>& out) {
  const std::uint32_t count = all ? cell.count : cell.activeCount;
  const auto each = [&](const std::uint32_t* slots, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint32_t s = slots[k];
      if (s < first || seen_[s] == query_) continue;
      seen_[s] = query_;
      out.push_back(s);
    }
  };
  each(cell.inside, std::min(count, Cell::kInside));
  if (count > Cell::kInside) each(cell.more.data(), count - Cell::kInside);
}

void BroadPhaseGrid::ListNear(const Cell& cell, std::size_t first, bool all) {
  const std::uint32_t count = all ? cell.count : cell.activeCount;
  const GridBox near = near_;
  // Most slots of a crowded cell lie apart from near_: each is written and
  // kept only when it meets, without a branch to mispredict. A slot is
  // written once a query at most, so nearby_ has room for all.
  const auto each = [&](const std::uint32_t* slots, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint32_t s = slots[k];
      if (s < first || seen_[s] == query_) continue;
      seen_[s] = query_;
      const GridBox& box = boxes_[s];
      // As the pair pass tests boxes: touching meets.
      const bool apart =
          (box.minX > near.maxX) | (near.minX > box.maxX) | (box.minY > near.maxY) | (near.minY > box.maxY);
      nearby_[nearbyCount_] = s;
      nearbyCount_ += apart ? 0 : 1;
    }
  };
  each(cell.inside, std::min(count, Cell::kInside));
  if (count > Cell::kInside) each(cell.more.data(), count - Cell::kInside);
}

void BroadPhaseGrid::ListAll(std::size_t first, bool all, std::vector<std::uint32_t>& out) const {
  for (std::size_t s = first; s < count_; ++s) {
    if (all || active_[s] != 0) out.push_back(static_cast<std::uint32_t>(s));
  }
}

void BroadPhaseGrid::Candidates(std::size_t slot, std::size_t after, std::vector<std::uint32_t>& out) {
  out.clear();
  // A slot without a body is offered none without one: such pairs never
  // respond, and are not listed to be sorted and turned away.
  const bool active = active_[slot] != 0;
  const int own = level_[slot];
  if (own == kWide) {
    nearSlot_ = kNoSlot;
    ListAll(after + 1, active, out);
    return;
  }
  NewQuery();
  // A box turned inside out stays so; any box met by one inside near_ meets near_.
  const double margin = kNearShareOfCell / inverseCellSize_[own];
  const GridBox& box = boxes_[slot];
  nearSlot_ = slot;
  near_ = {box.minX - margin, box.minY - margin, box.maxX + margin, box.maxY + margin};
  nearbyCount_ = 0;
  // At its own level, the slots of that level and of the finer ones; above
  // it, the coarser slots of each level in the cells it is listed in there.
  const bool finerInUse = levelsInUse_.front() < own;
  const CellRange* ranges = &ranges_[slot * levelsInUse_.size()];
  const std::uint32_t* held = &slotCells_[slotFirst_[slot]];
  for (std::size_t k = levelIndex_[own]; k < levelsInUse_.size(); ++k) {
    const int level = levelsInUse_[k];
    const CellRange& range = ranges[k];
    const std::int64_t cells = (range.x1 - range.x0 + 1) * (range.y1 - range.y0 + 1);
    for (std::int64_t c = 0; c < cells; ++c, ++held) {
      if (level > own) {
        if (places_[*held - kFinerCells] != 0) ListNear(cells_[places_[*held - kFinerCells] - 1], after + 1, active);
        continue;
      }
      ListNear(cells_[places_[*held] - 1], after + 1, active);
      if (finerInUse && places_[*held + kFinerCells] != 0) {
        ListNear(cells_[places_[*held + kFinerCells] - 1], after + 1, active);
      }
    }
  }
  ListNear(wide_, after + 1, active);
  out.assign(nearby_.begin(), nearby_.begin() + static_cast<std::ptrdiff_t>(nearbyCount_));
  SortSlots(out);
}

void BroadPhaseGrid::Around(const GridBox& box, std::vector<std::uint32_t>& out) {
  out.clear();
  // It reads the level in use where a slot of its size would be listed,
  // with the slots of the finer levels listed there, and each coarser one;
  // above every level in use, the coarsest. A box over more cells than a
  // few slots each there, as a fast body's swept box over small colliders,
  // reads every slot instead; its cells need not exist.
  const std::int64_t most = std::max<std::int64_t>(kMostCellsPerBox, static_cast<std::int64_t>(count_ / 4));
  std::size_t first = 0;
  while (first + 1 < levelsInUse_.size() && !Spans(CornersOf(box, levelsInUse_[first]), kMostCellsPerBox)) ++first;
  if (!levelsInUse_.empty() && !Spans(CornersOf(box, levelsInUse_[first]), most)) {
    ListAll(0, true, out);
    return;
  }
  NewQuery();
  for (std::size_t k = first; k < levelsInUse_.size(); ++k) {
    const int level = levelsInUse_[k];
    const CellRange range = CornersOf(box, level);
    if (!Spans(range, most)) {
      out.clear();
      ListAll(0, true, out);
      return;
    }
    for (std::int64_t y = range.y0; y <= range.y1; ++y) {
      for (std::int64_t x = range.x0; x <= range.x1; ++x) {
        const std::size_t place = FindPlace(level, x, y);
        if (place == kNoPlace) continue;
        ListPlace(place, 0, true, out);
        if (k == first && k > 0) ListPlace(place + kFinerCells, 0, true, out);
      }
    }
  }
  List(wide_, 0, true, out);
}

}  // namespace Orv
