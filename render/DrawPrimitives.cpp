#include "render/DrawPrimitives.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

#include "render/RenderState.h"
#include "resources/Font.h"

namespace Orv {

namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;

unsigned spritesSinceFlush = 0;

void DrawTexturedQuad(float width, float height, const SpriteFrame& frame, const SpriteSheet& sheet) {
  // A sheet whose upload failed has no size to take coordinates from.
  if (sheet.GetTextureWidth() == 0 || sheet.GetTextureHeight() == 0) return;
  BindTexture2D(sheet.GetTexture());
  const float inverseW = 1.0f / static_cast<float>(sheet.GetTextureWidth());
  const float inverseH = 1.0f / static_cast<float>(sheet.GetTextureHeight());
  const SpriteQuad& q = frame.quad;
  const float s0 = static_cast<float>(q.x) * inverseW;
  const float s1 = static_cast<float>(q.x + q.sizeX) * inverseW;
  const float t0 = static_cast<float>(q.y) * inverseH;
  const float t1 = static_cast<float>(q.y + q.sizeY) * inverseH;
  Scale2D(width, height);
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
  BindTexture2D(0);
}

}  // namespace

void DrawCircleOutline(float cx, float cy, float radius, int segments) {
  DrawQueuedSprites();
  const int step = 360 / std::clamp(segments, 1, 360);
  glBegin(GL_LINE_LOOP);
  for (int a = 0; a < 360; a += step) {
    const double angle = a * kDegreesToRadians;
    glVertex2d(cx + std::cos(angle) * radius, cy + std::sin(angle) * radius);
  }
  glEnd();
}

void DrawFilledCircle(float cx, float cy) {
  DrawQueuedSprites();
  glBegin(GL_TRIANGLE_FAN);
  glVertex2d(cx, cy);
  for (int a = 0; a < 360; a += 10) {
    const double angle = a * kDegreesToRadians;
    glVertex2d(cx + std::cos(angle) * 5.0, cy + std::sin(angle) * 5.0);
  }
  glEnd();
}

void DrawUnitQuad() {
  DrawQueuedSprites();
  glBegin(GL_QUADS);
  glVertex3f(-0.5f, 0.5f, 0.0f);
  glVertex3f(0.5f, 0.5f, 0.0f);
  glVertex3f(0.5f, -0.5f, 0.0f);
  glVertex3f(-0.5f, -0.5f, 0.0f);
  glEnd();
}

void DrawStencilPolygon(const std::vector<float>& points, float& z) {
  DrawQueuedSprites();
  glBegin(GL_POLYGON);
  for (std::size_t i = 0; i + 1 < points.size(); i += 2) glVertex3f(points[i], points[i + 1], z);
  glEnd();
}

void DrawPolygon(const std::vector<Vec2>& points) {
  DrawQueuedSprites();
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

namespace {

// The texture and the four corners of the frame placed; false when there is
// nothing to draw.
bool PlaceCorners(const ObjectLockPtr<SpriteFrame>& frame, const SpritePlacement& placement, GLuint& texture,
                  SpriteCorner* corners) {
  auto locked = frame.Lock();
  if (!locked) return false;
  auto sheet = locked->sheet.Lock();
  if (!sheet || sheet->GetTextureWidth() == 0 || sheet->GetTextureHeight() == 0) return false;
  texture = sheet->GetTexture();
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
    return SpriteCorner{u, v, placement.x + c * dx - s * dy, placement.y + s * dx + c * dy};
  };
  corners[0] = corner(s0, t1, -1.0f, 1.0f);
  corners[1] = corner(s1, t1, 1.0f, 1.0f);
  corners[2] = corner(s1, t0, 1.0f, -1.0f);
  corners[3] = corner(s0, t0, -1.0f, -1.0f);
  return true;
}

void CountSpriteForFlush() {
  if (++spritesSinceFlush == kSpritesPerFlush) {
    spritesSinceFlush = 0;
    HandSpritesToDriver();
  }
}

}  // namespace

void DrawPlacedSpriteQuad(const ObjectLockPtr<SpriteFrame>& frame, const SpritePlacement& placement) {
  DrawQueuedSprites();
  GLuint texture = 0;
  SpriteCorner corners[4];
  if (!PlaceCorners(frame, placement, texture, corners)) return;
  // Bound again for every sprite: anything drawn in between may have bound
  // another; the driver skips a bind of what is bound already.
  BindTexture2D(texture);
  glBegin(GL_QUADS);
  for (const SpriteCorner& corner : corners) {
    glTexCoord2f(corner.s, corner.t);
    glVertex3f(corner.x, corner.y, 0.0f);
  }
  glEnd();
  CountSpriteForFlush();
}

void PlaceSprite(const ObjectLockPtr<SpriteFrame>& frame, const SpritePlacement& placement) {
  if (!IsSpriteBatchOpen()) return DrawPlacedSpriteQuad(frame, placement);
  GLuint texture = 0;
  SpriteCorner corners[4];
  if (PlaceCorners(frame, placement, texture, corners)) QueueSprite(texture, corners);
}

void DrawFontText(const Font& font, float x, float y, const std::string& text) {
  if (font.GetTexture() == 0 || font.GetVertexBuffer() == 0) return;
  std::vector<BufferQuad> quads;
  float penX = x;
  float penY = y;
  for (const char ch : text) {
    // Bytes above 127 are glyphs of their own, not negative indices.
    const auto code = static_cast<unsigned char>(ch);
    if (code == '\n') {
      penX = x;
      penY += font.GetAscent();
      continue;
    }
    if (code != ' ') quads.push_back({font.GetIndexBuffer(code), penX, penY});
    penX += font.Advance(code);
  }
  DrawBufferQuads(font.GetTexture(), font.GetVertexBuffer(), quads);
  LoadIdentity();
}

}  // namespace Orv
