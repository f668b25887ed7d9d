#pragma once

namespace Orv {

// A rectangle by its four corners, turned about its centre. Built in place by
// its users from a centre and half extents: corner0 (cx - hx, cy + hy), then
// (cx + hx, cy + hy), (cx + hx, cy - hy), (cx - hx, cy - hy).
struct OrientedRect {
  double corner0[2];
  double corner1[2];
  double corner2[2];
  double corner3[2];
  double halfX;
  double halfY;
  double centreX;
  double centreY;

  // Turns accumulate: each call turns the current corners further.
  void Rotate(float degrees);
  // A closed line through the corners in the current GL context.
  void DrawOutline() const;
};

}  // namespace Orv
