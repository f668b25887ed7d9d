// A cell's list of slots: the active ones first, a few inline and the rest
// beside them.
#include "world/BroadPhaseGrid.h"

namespace Orv {

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

}  // namespace Orv
