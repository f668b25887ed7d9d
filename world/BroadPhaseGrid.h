#pragma once
// A hashed grid over the bounding boxes of one frame's pair pass. It answers
// which boxes may meet a given one, and follows the boxes the pass moves, so
// that the pass can keep the all-pairs order while testing only neighbours.
// The cells are sized from the boxes themselves and made, a small block at a
// time, only where a box lies, so where the boxes lie, near one another or
// far apart, costs nothing. Two boxes that overlap (touching counts) always
// share a cell: cell indices are a monotone function of the coordinates,
// clamped at the ends.
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
  // Places slot at box; true when the cells it is listed in changed. Until
  // the next Build a box inside its cells keeps them, and a wide one stays wide.
  bool Move(std::size_t slot, const GridBox& box);
  // The slots above after that share a cell with slot, in ascending order.
  void Candidates(std::size_t slot, std::size_t after, std::vector<std::uint32_t>& out);
  // Every slot listed in a cell that box lies in, each once, in no order:
  // each slot whose box, as last placed, overlaps it. Makes no cell.
  void Around(const GridBox& box, std::vector<std::uint32_t>& out);

 private:
  // A box over more cells than this is met by every query instead: listing a
  // large collider in each of its cells costs more than testing it against all.
  static constexpr std::int64_t kMostCellsPerBox = 16;
  // Room for each slot's cells.
  static constexpr std::size_t kCellsHeld = kMostCellsPerBox;
  struct CellRange {
    std::int64_t x0, y0, x1, y1;
    // Everywhere: not a number, or too large to list in its cells.
    bool wide;
    bool operator==(const CellRange&) const = default;
  };
  // The cells box lies in, however many; wide only for a NaN corner.
  CellRange CornersOf(const GridBox& box) const;
  // The cells a box is listed in, wide when more than kMostCellsPerBox.
  CellRange RangeOf(const GridBox& box) const;
  // Whether range is no wider than most cells in all.
  static bool Spans(const CellRange& range, std::int64_t most);
  // The cell side the boxes ask for.
  double Measure(const std::vector<GridBox>& boxes);
  std::int64_t CellOf(double coordinate) const;

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
  // The cell at (x, y), made with its block when missing.
  std::uint32_t CellAt(std::int64_t x, std::int64_t y);
  // The cell at (x, y), or null when its block was never made.
  const Cell* FindCell(std::int64_t x, std::int64_t y);
  // Starts a query: no slot is listed yet.
  void NewQuery();
  // Appends the slots of cell from first on not yet listed, the inactive ones
  // only when all.
  void List(const Cell& cell, std::size_t first, bool all, std::vector<std::uint32_t>& out);
  void Rehash(std::size_t capacity);
  void Insert(std::uint32_t slot, const CellRange& range);
  void Remove(std::uint32_t slot);

  double inverseCellSize_ = 1;
  // The cells of the blocks in use, a block after another; the rest keep
  // their storage.
  std::vector<Cell> cells_;
  std::size_t blockCount_ = 0;
  // Open addressing over the blocks in use by their place: number + 1, 0 for none.
  struct Entry {
    std::int64_t x = 0, y = 0;
    std::uint32_t block = 0;
  };
  std::vector<Entry> table_;
  std::size_t tableMask_ = 0;
  // The block found last, which the next cell most often lies in.
  std::int64_t lastX_ = 0, lastY_ = 0;
  std::uint32_t lastBlock_ = 0;
  std::vector<CellRange> ranges_;
  // Each slot's cells, at a fixed stride, so that a query need not look them up.
  std::vector<std::uint32_t> slotCells_;
  std::vector<std::uint8_t> active_;
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

}  // namespace Orv
