#pragma once
// Immediate-mode drawing for the passes, widgets, cursor and effects. None of
// these sets a colour or a capability or resets a matrix: the caller sets the
// colour and the model-view matrix (identity, Translate2D, Rotate2D, draw,
// identity again), through the render state. Each draws the queued sprites
// before its own. The two sprite quads bind their texture and leave the
// matrix scaled to the quad's size. A placed sprite quad instead takes its
// place as numbers and leaves the matrix alone.
#include <string>
#include <vector>

#include "core/ObjectLockPtr.h"
#include "core/Vec2.h"
#include "render/RenderState.h"
#include "resources/SpriteSheet.h"

namespace Orv {

class Font;

// A line loop of n vertices one step (360 / n whole degrees) apart. n is
// taken into 1..360: 0 has no step and above 360 the step would be 0.
void DrawCircleOutline(float cx, float cy, float radius, int segments);
// A fan of radius 5 around the centre, 36 rim points 10 degrees apart.
void DrawFilledCircle(float cx, float cy);
// The square from -0.5 to 0.5, untextured.
void DrawUnitQuad();
// Pairs x, y at depth z; a trailing unpaired value is left out.
void DrawStencilPolygon(const std::vector<float>& points, float& z);
// A convex polygon, each vertex at z 1, w 1.
void DrawPolygon(const std::vector<Vec2>& points);
// The frame centred on the origin at its own pixel size; nothing when the
// frame or its sheet is gone.
void DrawSpriteQuad(ObjectLockPtr<SpriteFrame> frame);
// The same at width x height.
void DrawSpriteQuadSized(float width, float height, ObjectLockPtr<SpriteFrame> frame);

// Where a sprite goes: its centre, its turn in degrees about the centre and
// its scale on top of the frame's own pixel size.
struct SpritePlacement {
  float x = 0.0f;
  float y = 0.0f;
  float degrees = 0.0f;
  float scaleX = 1.0f;
  float scaleY = 1.0f;
};
// The frame's quad with its corners placed here, drawn under the current
// matrix, which it does not touch; its texture stays bound afterwards. With
// no matrix change and no unbinding between them, consecutive sprites of one
// texture reach the driver as one run of vertices instead of one draw each.
void DrawPlacedSpriteQuad(const ObjectLockPtr<SpriteFrame>& frame, const SpritePlacement& placement);

// Placed as DrawPlacedSpriteQuad places it: queued while a sprite batch is
// open, drawn at once otherwise.
void PlaceSprite(const ObjectLockPtr<SpriteFrame>& frame, const SpritePlacement& placement);

// The text with its top left at (x, y) under the current matrix, in the
// current colour; a line feed starts the next line the font's ascent lower.
// Leaves the identity as the current matrix.
void DrawFontText(const Font& font, float x, float y, const std::string& text);

}  // namespace Orv
