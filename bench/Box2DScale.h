#pragma once
// Box2D is made for bodies of about a metre: each scene's side in Box2D is
// the scene in pixels divided by this.
inline constexpr double kPixelsPerMetre = 32;

inline float Metres(double pixels) { return static_cast<float>(pixels / kPixelsPerMetre); }
