// How the grid measures its boxes: where its cells lie and how large they
// are, from the median box and, when a few boxes lie far from the rest, from
// the crowd alone.
#include <algorithm>
#include <array>
#include <cmath>

#include "world/BroadPhaseGrid.h"

namespace Orv {

namespace {

// A cell is this many times the median box side, and no smaller than the
// area each box has on average: in a pile smaller cells list fewer boxes
// that do not meet; scattered, larger ones walk fewer cells, which costs more.
constexpr double kCellPerSide = 1.5;
// The cells cover where most boxes are: from the quartiles of their corners
// outwards up to the first empty step of this share of the span between the
// quartiles; boxes beyond lie in the edge cells. A far object then costs what
// it meets there, instead of cells the size of its distance for all.
constexpr double kStepShare = 0.125;
// Steps walked outwards at most: a crowd that goes on past them has no far
// objects worth leaving out.
constexpr std::size_t kSteps = 64;
// Fewer boxes than this cost little even in one cell.
constexpr std::size_t kLeastForOutliers = 64;
// Boxes sampled for the quartiles and the steps.
constexpr std::size_t kOutlierSample = 1024;
// Outliers are looked for only when cells from the whole span would be this
// many times larger than the boxes ask for.
constexpr double kSpreadBeforeOutliers = 4;

bool Finite(const GridBox& box) {
  return std::isfinite(box.minX) && std::isfinite(box.minY) && std::isfinite(box.maxX) && std::isfinite(box.maxY);
}

}  // namespace

BroadPhaseGrid::Region BroadPhaseGrid::Measure(const std::vector<GridBox>& boxes) {
  Region region{0, 0, 0, 0, 1};
  std::size_t measured = 0;
  sides_.clear();
  for (const GridBox& box : boxes) {
    if (!Finite(box)) continue;
    const double lowX = std::min(box.minX, box.maxX), highX = std::max(box.minX, box.maxX);
    const double lowY = std::min(box.minY, box.maxY), highY = std::max(box.minY, box.maxY);
    if (measured == 0) {
      region = {lowX, lowY, highX, highY, 1};
    } else {
      region.minX = std::min(region.minX, lowX), region.minY = std::min(region.minY, lowY);
      region.maxX = std::max(region.maxX, highX), region.maxY = std::max(region.maxY, highY);
    }
    sides_.push_back(std::max(highX - lowX, highY - lowY));
    ++measured;
  }
  if (measured == 0) return region;
  auto middle = sides_.begin() + static_cast<std::ptrdiff_t>(measured / 2);
  std::nth_element(sides_.begin(), middle, sides_.end());
  const double side = kCellPerSide * *middle;
  const double perBox = 2 * std::sqrt(HalfSpan(region.minX, region.maxX)) *
                        std::sqrt(HalfSpan(region.minY, region.maxY)) / std::sqrt(static_cast<double>(measured));
  if (measured >= kLeastForOutliers && perBox > kSpreadBeforeOutliers * side) {
    return MeasureCrowd(boxes, measured, side);
  }
  region.cell = std::max(side, perBox);
  return region;
}

std::size_t BroadPhaseGrid::SampleCorners(const std::vector<GridBox>& boxes, std::size_t measured) {
  // Shares of a sample are close enough, and cost the same at any size. The
  // high corners are negated, so that each block's smallest values are the
  // outside.
  const std::size_t stride = std::max<std::size_t>(1, measured / kOutlierSample);
  const std::size_t size = (measured + stride - 1) / stride;
  sample_.resize(4 * size);
  std::size_t at = 0, skip = 0;
  for (const GridBox& box : boxes) {
    if (!Finite(box)) continue;
    if (skip-- > 0) continue;
    skip = stride - 1;
    sample_[at] = std::min(box.minX, box.maxX);
    sample_[size + at] = -std::max(box.minX, box.maxX);
    sample_[2 * size + at] = std::min(box.minY, box.maxY);
    sample_[3 * size + at] = -std::max(box.minY, box.maxY);
    ++at;
  }
  return size;
}

BroadPhaseGrid::Region BroadPhaseGrid::MeasureCrowd(const std::vector<GridBox>& boxes, std::size_t measured,
                                                    double side) {
  const std::size_t size = SampleCorners(boxes, measured);
  // Each block's quartile, with the quarter beyond it before it.
  const std::size_t k = size / 4;
  double quartile[4];
  for (int block = 0; block < 4; ++block) {
    const auto first = sample_.begin() + static_cast<std::ptrdiff_t>(block * size);
    std::nth_element(first, first + static_cast<std::ptrdiff_t>(k), first + static_cast<std::ptrdiff_t>(size));
    quartile[block] = first[static_cast<std::ptrdiff_t>(k)];
  }
  // From each quartile outwards, in steps of an eighth of what the middle
  // half spans, up to the first step in which no box lies: the edge of the
  // crowd, short of what lies far beyond it. Steps, not the sorted gaps, so
  // that the quarter need not be sorted.
  double bound[4];
  double within[2] = {1, 1};
  for (int block = 0; block < 4; ++block) {
    const double middle = HalfSpan(quartile[block & 2], -quartile[block | 1]) * 2;
    const double step = std::max(middle * kStepShare, side);
    std::array<double, kSteps + 1> outmost;
    std::array<std::size_t, kSteps + 1> count{};
    outmost.fill(quartile[block]);
    const double* first = sample_.data() + block * size;
    for (std::size_t i = 0; i < k; ++i) {
      const double out = quartile[block] - first[i];
      const std::size_t ring = !(out > 0) ? 0 : out < step * kSteps ? static_cast<std::size_t>(out / step) : kSteps;
      outmost[ring] = std::min(outmost[ring], first[i]);
      ++count[ring];
    }
    bound[block] = quartile[block];
    std::size_t beyond = k;
    for (std::size_t ring = 0; ring < kSteps && count[ring] > 0; ++ring) {
      bound[block] = outmost[ring];
      beyond -= count[ring];
    }
    within[block / 2] -= static_cast<double>(beyond) / static_cast<double>(size);
  }
  Region region{bound[0], bound[2], std::max(bound[0], -bound[1]), std::max(bound[2], -bound[3]), 0};
  // The density is that of the boxes inside.
  const double inside = std::max(1.0, static_cast<double>(measured) * within[0] * within[1]);
  region.cell = std::max(side, 2 * std::sqrt(HalfSpan(region.minX, region.maxX)) *
                                   std::sqrt(HalfSpan(region.minY, region.maxY)) / std::sqrt(inside));
  return region;
}

}  // namespace Orv
