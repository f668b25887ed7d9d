#pragma once
// Box2D is made for bodies of about a metre: each scene's side in Box2D is
// the scene in pixels divided by this.
inline constexpr double kPixelsPerMetre = 32;

inline float Metres(double pixels) { return static_cast<float>(pixels / kPixelsPerMetre); }

#ifdef ORV_BENCH_BOX2D
#include <box2d/box2d.h>

#include "core/Vec2.h"

inline b2Vec2 Metres(Orv::Vec2 pixels) { return {Metres(pixels.x), Metres(pixels.y)}; }
inline Orv::Vec2 Pixels(const b2Vec2& metres) { return {metres.x * kPixelsPerMetre, metres.y * kPixelsPerMetre}; }
#endif
