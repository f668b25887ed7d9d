#pragma once
// A walk over the cells of a digital line, asking at each cell whether to go on.
#include <utility>

namespace Orv::Line {

class LinePlot {
 public:
  virtual ~LinePlot() = default;

  // True to walk on, false to stop the walk at this cell.
  virtual bool IsCellClear(unsigned x, unsigned y) = 0;

  // Visits the cells from (x0, y0) to (x1, y1), both ends included; false at
  // the first cell the plotter refuses. Negative cells reach the plotter as
  // large unsigned values, which a grid treats as outside.
  static bool Plot(int x0, int y0, int x1, int y1, LinePlot& plotter) {
    // Wide arithmetic: the ends may lie anywhere in the int range.
    const long long dx = static_cast<long long>(x1) - x0;
    const long long dy = static_cast<long long>(y1) - y0;
    const long long sx = dx > 0 ? 1 : (dx < 0 ? -1 : 0);
    const long long sy = dy > 0 ? 1 : (dy < 0 ? -1 : 0);
    long long longest = dx < 0 ? -dx : dx;
    long long shortest = dy < 0 ? -dy : dy;
    long long straightX = sx, straightY = 0;
    if (longest <= shortest) {
      std::swap(longest, shortest);
      straightX = 0;
      straightY = sy;
    }
    long long numerator = longest >> 1;
    long long x = x0, y = y0;
    for (long long i = 0; i <= longest; ++i) {
      if (!plotter.IsCellClear(static_cast<unsigned>(x), static_cast<unsigned>(y))) return false;
      numerator += shortest;
      if (numerator < longest) {
        x += straightX;
        y += straightY;
      } else {
        numerator -= longest;
        x += sx;
        y += sy;
      }
    }
    return true;
  }
};

}  // namespace Orv::Line
