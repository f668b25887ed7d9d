#pragma once
// A hashed grid over the bounding boxes of one frame's pair pass. It answers
// which boxes may meet a given one, and follows the boxes the pass moves, so
// that the pass can keep the all-pairs order while testing only neighbours.
// The finest cells are sized from the boxes themselves, coarser levels hold
// the boxes much larger than most, and cells are made, a small block at a
// time, only where a box lies, so where the boxes lie, near one another or
// far apart, and how their sizes differ, costs little. Two boxes that
// overlap (touching counts) always share a cell at the coarser level of the
// two: cell indices are a monotone function of the coordinates, clamped at
// the ends, and each level's cells split exactly into the finer ones.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Orv {

struct GridBox {
  double minX, minY, maxX, maxY;
};

class BroadPhaseGrid {
 public:
  // Sizes the cells from the boxes and places box i as slot i. A slot whose
  // active flag is 0 is offered only active ones (two objects without bodies
  // never pair); without flags every slot is active.
  void Build(const std::vector<GridBox>& boxes);
  void Build(const std::vector<GridBox>& boxes, const std::vector<std::uint8_t>& active);
  // Places slot at box; true when the cells it is listed in changed, or
  // when it is the slot candidates were last asked for and it left the box
  // they were listed for. Until the next Build a box inside its cells keeps
  // them, a box keeps its level, and a wide one stays wide.
  bool Move(std::size_t slot, const GridBox& box);
  // The slots above after that share a cell with slot and lie near its box,
  // in ascending order: each that meets slot's box, as long as slot is not
  // moved out of the box they were listed for and the others stay where
  // they are.
  void Candidates(std::size_t slot, std::size_t after, std::vector<std::uint32_t>& out);
  // Every slot listed in a cell that box lies in, each once, in no order:
  // each slot whose box, as last placed, overlaps it. Makes no cell.
  void Around(const GridBox& box, std::vector<std::uint32_t>& out);

 private:
  // Levels of cells, each this many times coarser than the one below: a box
  // is listed at the finest level where it lies over few cells, so a body
  // among pebbles a twentieth its size is listed in a few coarse cells, not
  // met by every query.
  static constexpr int kLevels = 8;
  static constexpr int kLevelShift = 2;
  // A box is listed in at most this many cells at any level; one that lies
  // over more at every level is met by every query instead: listing a huge
  // collider costs more than testing it against all.
  static constexpr std::int64_t kMostCellsPerBox = 16;
  // A box is listed at the finest level if it lies over at most
  // kMostCellsPerBox there, else at the first coarser one where it lies
  // over at most this many: a body among pebbles is listed in a few cells,
  // each holding few pebbles.
  static constexpr std::int64_t kMostCellsAbove = 4;
  static constexpr std::uint8_t kWide = 0xff;
  // Cell indices stop here, so that the width of any range is a 64-bit
  // number: colliders beyond share the last cells.
  static constexpr double kLastCell = 0x1p61;
  struct CellRange {
    std::int64_t x0, y0, x1, y1;
    // Everywhere: not a number, or too large to list in its cells.
    bool wide;
    bool operator==(const CellRange&) const = default;
  };
  // The cells box lies in at level, however many; wide only for a NaN corner.
  CellRange CornersOf(const GridBox& box, int level) const;
  // Whether range is no wider than most cells in all.
  static bool Spans(const CellRange& range, std::int64_t most);
  // The cell side the boxes ask for at the finest level.
  double Measure(const std::vector<GridBox>& boxes);
  // The finest level where box lies over few cells, or kWide.
  std::uint8_t LevelOf(const GridBox& box) const;
  std::int64_t CellOf(double coordinate, int level) const;

  // The slots of a cell: the first few lie in the cell itself, so that a
  // query reads one line of memory; a crowded cell goes on in more. Active
  // slots come first, so that a query from an inactive slot reads only
  // those, and a heap of static colliders in one cell costs nothing until a
  // body comes near. The order within each part means nothing.
  struct Cell {
    static constexpr std::uint32_t kInside = 8;
    std::uint32_t count = 0;
    std::uint32_t activeCount = 0;
    std::uint32_t inside[kInside];
    std::vector<std::uint32_t> more;
    std::uint32_t& At(std::uint32_t k) { return k < kInside ? inside[k] : more[k - kInside]; }
    void Append(std::uint32_t slot);
    void Add(std::uint32_t slot, bool active);
    void Take(std::uint32_t slot);
    void Clear();
  };
  // Cells are made in square blocks of 2^kBlockShift a side: a box over a
  // few cells mostly finds them all in the block it looked up. A block
  // above the finest level holds, after its own cells, as many cells
  // listing the slots of the finer levels that lie there.
  static constexpr int kBlockShift = 2;
  static constexpr std::uint32_t kFinerCells = 1u << (2 * kBlockShift);
  // The place of the cell at (x, y) of level, its block made when missing;
  // the place of its cell of finer slots is kFinerCells on.
  std::size_t PlaceAt(int level, std::int64_t x, std::int64_t y);
  // The first place of the block (bx, by) of level, made when missing.
  std::size_t MakePlace(int level, std::int64_t bx, std::int64_t by);
  // The place of the cell at (x, y) of level, or kNoPlace when its block
  // was never made.
  static constexpr std::size_t kNoPlace = ~std::size_t{0};
  std::size_t FindPlace(int level, std::int64_t x, std::int64_t y);
  // The cell at place, made when missing.
  Cell& CellIn(std::size_t place);
  // Lists the cell at place, if it was made.
  void ListPlace(std::size_t place, std::size_t first, bool all, std::vector<std::uint32_t>& out) {
    if (places_[place] != 0) List(cells_[places_[place] - 1], first, all, out);
  }
  // Starts a query: no slot is listed yet.
  void NewQuery();
  // Appends the slots of cell from first on not yet listed, the inactive ones
  // only when all.
  void List(const Cell& cell, std::size_t first, bool all, std::vector<std::uint32_t>& out);
  // The same into nearby_, only the slots whose box meets near_.
  void ListNear(const Cell& cell, std::size_t first, bool all);
  // Appends every slot from first on, the inactive ones only when all.
  void ListAll(std::size_t first, bool all, std::vector<std::uint32_t>& out) const;
  void Rehash(std::size_t capacity);
  // Lists slot in the cells of box, at its level and in the cells of finer
  // slots at each coarser level in use; a box that has outgrown its level
  // goes wide.
  void Insert(std::uint32_t slot, const GridBox& box);
  void Remove(std::uint32_t slot);
  void MakeWide(std::uint32_t slot);

  double inverseCellSize_[kLevels] = {};
  // Levels that list at least one slot, finest first.
  std::vector<int> levelsInUse_;
  bool inUse_[kLevels] = {};
  // Each level's place in levelsInUse_, or that of the next coarser one in use.
  std::uint8_t levelIndex_[kLevels] = {};
  // The places of the blocks in use, a block after another: the number of
  // the cell at each + 1, 0 while no slot was listed there. Cells are made
  // one at a time, in the order the slots come, so that small boxes far
  // apart do not each hold a block's worth of cells; the rest of the cells
  // keep their storage.
  std::vector<std::uint32_t> places_;
  std::size_t placesInUse_ = 0;
  std::vector<Cell> cells_;
  std::size_t cellsInUse_ = 0;
  // Open addressing over the blocks in use by level and place: first place + 1, 0 for none.
  struct Entry {
    std::int64_t x = 0, y = 0;
    std::int32_t level = 0;
    std::uint32_t first = 0;
  };
  std::vector<Entry> table_;
  std::size_t tableMask_ = 0;
  std::size_t blockCount_ = 0;
  // The block found last, which the next cell most often lies in.
  std::int64_t lastX_ = 0, lastY_ = 0;
  int lastLevel_ = 0;
  std::uint32_t lastFirst_ = 0;
  // Each slot's level, and its cells at each level in use from its own on
  // as it is listed (at coarser levels, in the cells of finer slots), at a
  // stride of the levels in use.
  std::vector<std::uint8_t> level_;
  std::vector<CellRange> ranges_;
  // The places of each slot's cells, the own level's first, at the offset
  // slotFirst_ gives.
  std::vector<std::uint32_t> slotCells_;
  std::vector<std::size_t> slotFirst_;
  std::vector<std::uint8_t> active_;
  // Each slot's box as last placed.
  std::vector<GridBox> boxes_;
  // The slot whose candidates were asked for last, and the box they were
  // listed for: its own, a little larger, so that a slot nudged in a pile
  // need not ask again. Every other slot's box lies outside it or was listed.
  static constexpr std::size_t kNoSlot = ~std::size_t{0};
  std::size_t nearSlot_ = kNoSlot;
  GridBox near_{};
  // The slots listed for near_, nearbyCount_ of them; room for every slot.
  std::vector<std::uint32_t> nearby_;
  std::size_t nearbyCount_ = 0;
  // Slots met by every query.
  Cell wide_;
  // Scratch for the median side and the coordinates' size.
  std::vector<double> sides_;
  std::vector<double> sizes_;
  // A slot already listed by the current query carries its number.
  std::vector<std::uint32_t> seen_;
  std::uint32_t query_ = 0;
  std::size_t count_ = 0;
};

// Clamped first, then cut towards zero: a monotone index, without a call into
// the maths library for each corner. Never given a NaN. Inline: the grid
// turns every corner of every box into cells.
inline std::int64_t BroadPhaseGrid::CellOf(double coordinate, int level) const {
  return static_cast<std::int64_t>(std::clamp(coordinate * inverseCellSize_[level], -kLastCell, kLastCell));
}

inline BroadPhaseGrid::CellRange BroadPhaseGrid::CornersOf(const GridBox& box, int level) const {
  // A NaN corner makes every overlap test pass.
  if (std::isnan(box.minX) || std::isnan(box.minY) || std::isnan(box.maxX) || std::isnan(box.maxY)) {
    return {0, 0, 0, 0, true};
  }
  // A box turned inside out (a negative size) still meets what spans it.
  return {CellOf(std::min(box.minX, box.maxX), level), CellOf(std::min(box.minY, box.maxY), level),
          CellOf(std::max(box.minX, box.maxX), level), CellOf(std::max(box.minY, box.maxY), level), false};
}

inline std::size_t BroadPhaseGrid::PlaceAt(int level, std::int64_t x, std::int64_t y) {
  // Shifts and masks of two's complement numbers: the block's corner cell
  // lies at or below, as a floor would give.
  const std::int64_t bx = x >> kBlockShift, by = y >> kBlockShift, mask = (1 << kBlockShift) - 1;
  const std::size_t within = static_cast<std::size_t>(((y & mask) << kBlockShift) | (x & mask));
  // Most cells lie in the block found last.
  if (lastFirst_ != 0 && bx == lastX_ && by == lastY_ && level == lastLevel_) return lastFirst_ - 1 + within;
  return MakePlace(level, bx, by) + within;
}

inline BroadPhaseGrid::Cell& BroadPhaseGrid::CellIn(std::size_t place) {
  if (places_[place] == 0) {
    if (cellsInUse_ == cells_.size()) cells_.emplace_back();
    places_[place] = static_cast<std::uint32_t>(++cellsInUse_);
  }
  return cells_[places_[place] - 1];
}

}  // namespace Orv
