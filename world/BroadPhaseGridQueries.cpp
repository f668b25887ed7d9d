// The grid's queries: which slots share a cell with a slot, or lie around a box.
#include <algorithm>

#include "world/BroadPhaseGrid.h"

namespace Orv {

namespace {

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
  NewQuery();
  const std::int64_t cells = (range.x1 - range.x0 + 1) * (range.y1 - range.y0 + 1);
  const std::uint32_t* held = &slotCells_[std::size_t{slot} * kCellsHeld];
  for (std::int64_t k = 0; k < cells; ++k) List(cells_[held[k]], after + 1, active, out);
  List(wide_, after + 1, active, out);
  SortSlots(out);
}

void BroadPhaseGrid::Around(const GridBox& box, std::vector<std::uint32_t>& out) {
  out.clear();
  // A box over more cells than a few slots each, as a fast body's swept box
  // over small colliders, reads every slot instead; its cells need not exist.
  const CellRange range = CornersOf(box);
  if (!Spans(range, std::max<std::int64_t>(kMostCellsPerBox, static_cast<std::int64_t>(count_ / 4)))) {
    for (std::size_t s = 0; s < count_; ++s) out.push_back(static_cast<std::uint32_t>(s));
    return;
  }
  NewQuery();
  for (std::int64_t y = range.y0; y <= range.y1; ++y) {
    for (std::int64_t x = range.x0; x <= range.x1; ++x) {
      if (const Cell* cell = FindCell(x, y)) List(*cell, 0, true, out);
    }
  }
  List(wide_, 0, true, out);
}

}  // namespace Orv
