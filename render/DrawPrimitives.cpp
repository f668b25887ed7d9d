#include "render/DrawPrimitives.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

namespace Orv {

namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;

// A software driver starts to rasterise what it was given only at a flush or
// at the swap. Handed over every few hundred sprites, the frame is drawn by
// the driver's threads while the pass goes on calling scripts; a hardware
// driver takes a flush this rare at no cost.
constexpr unsigned kSpritesPerFlush = 256;
unsigned spritesSinceFlush = 0;

void DrawTexturedQuad(float width, float height, const SpriteFrame& frame, const SpriteSheet& sheet) {
  // A sheet whose upload failed has no size to take coordinates from.
  if (sheet.GetTextureWidth() == 0 || sheet.GetTextureHeight() == 0) return;
  glBindTexture(GL_TEXTURE_2D, sheet.GetTexture());
  const float inverseW = 1.0f / static_cast<float>(sheet.GetTextureWidth());
  const float inverseH = 1.0f / static_cast<float>(sheet.GetTextureHeight());
  const SpriteQuad& q = frame.quad;
  const float s0 = static_cast<float>(q.x) * inverseW;
  const float s1 = static_cast<float>(q.x + q.sizeX) * inverseW;
  const float t0 = static_cast<float>(q.y) * inverseH;
  const float t1 = static_cast<float>(q.y + q.sizeY) * inverseH;
  glScalef(width, height, 1.0f);
  glBegin(GL_QUADS);
  glTexCoord2f(s0, t1);
  glVertex3f(-0.5f, 0.5f, 0.0f);
  glTexCoord2f(s1, t1);
  glVertex3f(0.5f, 0.5f, 0.0f);
  glTexCoord2f(s1, t0);
  glVertex3f(0.5f, -0.5f, 0.0f);
  glTexCoord2f(s0, t0);
  glVertex3f(-0.5f, -0.5f, 0.0f);
  glEnd();
  glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace

void DrawCircleOutline(float cx, float cy, float radius, int segments) {
  const int step = 360 / std::clamp(segments, 1, 360);
  glBegin(GL_LINE_LOOP);
  for (int a = 0; a < 360; a += step) {
    const double angle = a * kDegreesToRadians;
    glVertex2d(cx + std::cos(angle) * radius, cy + std::sin(angle) * radius);
  }
  glEnd();
}

void DrawFilledCircle(float cx, float cy) {
  glBegin(GL_TRIANGLE_FAN);
  glVertex2d(cx, cy);
  for (int a = 0; a < 360; a += 10) {
    const double angle = a * kDegreesToRadians;
    glVertex2d(cx + std::cos(angle) * 5.0, cy + std::sin(angle) * 5.0);
  }
  glEnd();
}

void DrawUnitQuad() {
  glBegin(GL_QUADS);
  glVertex3f(-0.5f, 0.5f, 0.0f);
  glVertex3f(0.5f, 0.5f, 0.0f);
  glVertex3f(0.5f, -0.5f, 0.0f);
  glVertex3f(-0.5f, -0.5f, 0.0f);
  glEnd();
}

void DrawStencilPolygon(const std::vector<float>& points, float& z) {
  glBegin(GL_POLYGON);
  for (std::size_t i = 0; i + 1 < points.size(); i += 2) glVertex3f(points[i], points[i + 1], z);
  glEnd();
}

void DrawPolygon(const std::vector<Vec2>& points) {
  glBegin(GL_POLYGON);
  for (const Vec2& p : points) glVertex4f(static_cast<float>(p.x), static_cast<float>(p.y), 1.0f, 1.0f);
  glEnd();
}

void DrawSpriteQuad(ObjectLockPtr<SpriteFrame> frame) {
  auto locked = frame.Lock();
  if (!locked) return;
  auto sheet = locked->sheet.Lock();
  if (!sheet) return;
  DrawTexturedQuad(static_cast<float>(locked->quad.sizeX), static_cast<float>(locked->quad.sizeY), *locked, *sheet);
}

void DrawSpriteQuadSized(float width, float height, ObjectLockPtr<SpriteFrame> frame) {
  auto locked = frame.Lock();
  if (!locked) return;
  auto sheet = locked->sheet.Lock();
  if (!sheet) return;
  DrawTexturedQuad(width, height, *locked, *sheet);
}

void DrawPlacedSpriteQuad(const ObjectLockPtr<SpriteFrame>& frame, const SpritePlacement& placement) {
  auto locked = frame.Lock();
  if (!locked) return;
  auto sheet = locked->sheet.Lock();
  if (!sheet || sheet->GetTextureWidth() == 0 || sheet->GetTextureHeight() == 0) return;
  // Bound again for every sprite: anything drawn in between may have bound
  // another; the driver skips a bind of what is bound already.
  glBindTexture(GL_TEXTURE_2D, sheet->GetTexture());
  const float inverseW = 1.0f / static_cast<float>(sheet->GetTextureWidth());
  const float inverseH = 1.0f / static_cast<float>(sheet->GetTextureHeight());
  const SpriteQuad& q = locked->quad;
  const float s0 = static_cast<float>(q.x) * inverseW;
  const float s1 = static_cast<float>(q.x + q.sizeX) * inverseW;
  const float t0 = static_cast<float>(q.y) * inverseH;
  const float t1 = static_cast<float>(q.y + q.sizeY) * inverseH;
  const float halfX = static_cast<float>(q.sizeX) * placement.scaleX * 0.5f;
  const float halfY = static_cast<float>(q.sizeY) * placement.scaleY * 0.5f;
  float c = 1.0f;
  float s = 0.0f;
  if (placement.degrees != 0.0f) {
    const double radians = placement.degrees * kDegreesToRadians;
    c = static_cast<float>(std::cos(radians));
    s = static_cast<float>(std::sin(radians));
  }
  // The same corners, in the same order, as the quad drawn under a matrix.
  const auto corner = [&](float u, float v, float cornerX, float cornerY) {
    const float dx = cornerX * halfX;
    const float dy = cornerY * halfY;
    glTexCoord2f(u, v);
    glVertex3f(placement.x + c * dx - s * dy, placement.y + s * dx + c * dy, 0.0f);
  };
  glBegin(GL_QUADS);
  corner(s0, t1, -1.0f, 1.0f);
  corner(s1, t1, 1.0f, 1.0f);
  corner(s1, t0, 1.0f, -1.0f);
  corner(s0, t0, -1.0f, -1.0f);
  glEnd();
  if (++spritesSinceFlush == kSpritesPerFlush) {
    spritesSinceFlush = 0;
    glFlush();
  }
}

void Translate2D(float x, float y) { glTranslatef(x, y, 0.0f); }

void Rotate2D(float degrees) { glRotatef(degrees, 0.0f, 0.0f, 1.0f); }

void Scale2D(float x, float y) { glScalef(x, y, 1.0f); }

}  // namespace Orv
