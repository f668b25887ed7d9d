#pragma once
// A uniform grid over the bounding boxes of one frame's pair pass. It answers
// which boxes may meet a given one, and follows the boxes the pass moves, so
// that the pass can keep the all-pairs order while testing only neighbours.
// Two boxes that overlap (touching counts) always share a cell: cell indices
// are a monotone function of the coordinates, clamped to the grid's edges.
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

 private:
  struct CellRange {
    int x0, y0, x1, y1;
    // Everywhere: not finite, or too large to list in its cells.
    bool wide;
    bool operator==(const CellRange&) const = default;
  };
  CellRange RangeOf(const GridBox& box) const;
  // Where the cells lie and the side the boxes ask for.
  struct Region {
    double minX, minY, maxX, maxY;
    double cell;
  };
  Region Measure(const std::vector<GridBox>& boxes);
  // The region of the crowd, without the far boxes, from a sample of the
  // corners; side is the one the median box asks for.
  Region MeasureCrowd(const std::vector<GridBox>& boxes, std::size_t measured, double side);
  // Every stride-th finite box's four corner coordinates into sample_, in four
  // blocks; the size of one block.
  std::size_t SampleCorners(const std::vector<GridBox>& boxes, std::size_t measured);
  // Half of high - low, which cannot overflow.
  static double HalfSpan(double low, double high) { return high * 0.5 - low * 0.5; }
  // Whether the box lies in the cells of held, which is not wide, found
  // without turning a corner into a cell: most moves in a pile stay inside.
  bool InsideHeld(const CellRange& held, const GridBox& box) const;
  int Column(double x) const;
  int Row(double y) const;
  // A cell's first slots lie in the cell itself, so that a query over
  // neighbouring cells reads neighbouring memory; a crowded cell goes on in
  // more. The order of slots in a cell means nothing.
  struct Cell {
    static constexpr std::uint32_t kInside = 9;
    std::uint32_t count = 0;
    std::uint32_t inside[kInside];
    std::vector<std::uint32_t> more;
  };
  void Insert(std::uint32_t slot, const CellRange& range);
  void Remove(std::uint32_t slot, const CellRange& range);
  Cell& CellAt(int x, int y) { return cells_[static_cast<std::size_t>(y) * columns_ + x]; }

  double originX_ = 0, originY_ = 0;
  double cellSize_ = 1;
  double inverseCellSize_ = 1;
  double lastColumn_ = 0, lastRow_ = 0;
  int columns_ = 1, rows_ = 1;
  std::vector<Cell> cells_;
  std::vector<CellRange> ranges_;
  std::vector<std::uint8_t> active_;
  // Slots met by every query.
  std::vector<std::uint32_t> wide_;
  // Scratch for the median side, and for the corners sampled for outliers.
  std::vector<double> sides_;
  std::vector<double> sample_;
  // A slot already listed by the current query carries its number.
  std::vector<std::uint32_t> seen_;
  std::uint32_t query_ = 0;
  std::size_t count_ = 0;
};

}  // namespace Orv
