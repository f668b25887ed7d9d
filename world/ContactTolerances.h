#pragma once
// The margins by which the pair pass, the look-ahead and the tile pass tell
// touching from overlapping, resting from arriving: each value once, since
// the rules that read them must agree with one another.

namespace Orv {

// Shapes this close count as touching: rounding leaves touching shapes a
// hair apart or a hair inside.
inline constexpr double kTouchingGap = 1e-6;

// How far into a face a push out of a wall or a tile cell, the push apart of
// two bodies and the look-ahead leave a body: the next pass still meets the
// face and records the contact, so a body at rest stays in contact.
inline constexpr double kLeftOverlap = 0.01;

// An overlap no deeper than this is a body resting on a face, not one
// inside: kLeftOverlap, with room for the rounding of a cell's
// single-precision edges.
inline constexpr double kRestingWallOverlap = 0.05;

// Bodies that meet closing slower than this, in px per second, do not bounce:
// what one step of gravity hands a body at rest is not thrown back, and a
// bouncing ball comes to rest instead of hopping for ever.
inline constexpr double kRestingApproach = 40.0;

// A body turns at most this many degrees a second: every step holds it
// there, so the look-ahead knows how far a step can turn a box's corner.
inline constexpr double kMostTurn = 60.0;

}  // namespace Orv
