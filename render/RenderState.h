#pragma once
// The drawing state the passes share (colour, bound texture, capabilities,
// matrices, viewport, program, blending, the alpha and stencil tests, colour
// writes, clears) and the sprites queued to be drawn together. Nothing else
// changes that state: the layer test names any GL state call made elsewhere.
// A queued sprite is drawn with the state current when it is drawn, so every
// change of that state made here draws the queued sprites first, and
// so must any draw that does not queue its own: nothing then overtakes a
// queued sprite or changes how it looks.
//
// What changes no state a queued sprite is drawn with needs no care: a texture
// or buffer made or filled (a sheet or font loaded mid-walk), since queued
// sprites bind their own texture and draw from client arrays with no buffer
// bound.

#include <vector>

namespace Orv {

void SetColour(float r, float g, float b, float a);
// Back to opaque white, the colour every draw expects to find.
void ResetColour();
void BindTexture2D(unsigned texture);
void EnableCapability(unsigned capability);
void DisableCapability(unsigned capability);
void UseProgram(unsigned program);
void SetViewport(int x, int y, int width, int height);
void SetBlendFunction(unsigned source, unsigned destination);
void SetAlphaFunction(unsigned function, float reference);
void SetFrontFace(unsigned winding);
// All four channels written or none.
void SetColourWrites(bool on);
void SetStencilFunction(unsigned function, int reference, unsigned mask);
void SetStencilOperation(unsigned stencilFails, unsigned depthFails, unsigned passes);
void SetStencilMask(unsigned mask);
void SetClearColour(float r, float g, float b, float a);
void SetClearStencil(int value);
// Clears the buffers named by the mask of the bound target; sprites queued
// before belong under what comes after the clear, not over it.
void ClearBuffers(unsigned mask);
// Pixel coordinates with y down, on a width x height screen; the model-view
// matrix is current afterwards.
void SetScreenProjection(double width, double height);

void SetMatrixMode(unsigned mode);
void LoadIdentity();
void Translate2D(float x, float y);
// Degrees, about the z axis.
void Rotate2D(float degrees);
void Scale2D(float x, float y);

// A software driver starts to rasterise what it was given only at a flush or
// at the swap. Handed over every few hundred sprites, the frame is drawn by
// the driver's threads while the pass goes on calling scripts; a hardware
// driver takes a flush this rare at no cost.
inline constexpr unsigned kSpritesPerFlush = 256;
// Hands what was drawn to the driver, unless it is still drawing the last
// hand-over: a flush then would wake every one of its threads for nothing,
// and the sprites wait for the next.
void HandSpritesToDriver();
// Forgets the last hand-over, before the context that knows it goes.
void EndSpriteHandOvers();

// One corner of a sprite: texture, then position.
struct SpriteCorner {
  float s;
  float t;
  float x;
  float y;
};

// A pass whose scripts draw many sprites opens a batch for its walk: the
// sprites queued meanwhile are drawn together, from arrays, in one draw per
// run of one texture. They are drawn when the batch closes, when a sprite
// of another texture comes, every few hundred sprites, and before any state
// change or draw above.
void OpenSpriteBatch();
void CloseSpriteBatch();
bool IsSpriteBatchOpen();
// Queues the quad for the open batch.
void QueueSprite(unsigned texture, const SpriteCorner (&corners)[4]);
// Draws the sprites queued, if any: a draw of its own calls this first.
void DrawQueuedSprites();

// One quad of a vertex buffer: the four corners its index buffer names,
// moved by (x, y).
struct BufferQuad {
  unsigned indexBuffer;
  float x;
  float y;
};
// Draws quads of one texture from a vertex buffer of corners (position, then
// texture, four floats each) under the current matrix, after the queued
// sprites. The texture stays bound; the matrix, the buffers bound and the
// client arrays are as they were.
void DrawBufferQuads(unsigned texture, unsigned vertexBuffer, const std::vector<BufferQuad>& quads);

}  // namespace Orv
