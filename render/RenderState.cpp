#include "render/RenderState.h"

#include <GL/glew.h>

#include <iterator>
#include <vector>

namespace Orv {

namespace {

struct SpriteBatch {
  bool open = false;
  GLuint texture = 0;
  std::vector<SpriteCorner> corners;
};

SpriteBatch& Batch() {
  static SpriteBatch batch;
  return batch;
}

// Signalled once the driver has drawn the last hand-over.
GLsync lastHandOver = nullptr;

}  // namespace

void SetColour(float r, float g, float b, float a) {
  DrawQueuedSprites();
  glColor4f(r, g, b, a);
}

void ResetColour() { SetColour(1.0f, 1.0f, 1.0f, 1.0f); }

void BindTexture2D(unsigned texture) {
  DrawQueuedSprites();
  glBindTexture(GL_TEXTURE_2D, texture);
}

void EnableCapability(unsigned capability) {
  DrawQueuedSprites();
  glEnable(capability);
}

void DisableCapability(unsigned capability) {
  DrawQueuedSprites();
  glDisable(capability);
}

void UseProgram(unsigned program) {
  DrawQueuedSprites();
  glUseProgram(program);
}

void SetViewport(int x, int y, int width, int height) {
  DrawQueuedSprites();
  glViewport(x, y, width, height);
}

void SetBlendFunction(unsigned source, unsigned destination) {
  DrawQueuedSprites();
  glBlendFunc(source, destination);
}

void SetAlphaFunction(unsigned function, float reference) {
  DrawQueuedSprites();
  glAlphaFunc(function, reference);
}

void SetFrontFace(unsigned winding) {
  DrawQueuedSprites();
  glFrontFace(winding);
}

void SetColourWrites(bool on) {
  DrawQueuedSprites();
  const GLboolean write = on ? GL_TRUE : GL_FALSE;
  glColorMask(write, write, write, write);
}

void SetStencilFunction(unsigned function, int reference, unsigned mask) {
  DrawQueuedSprites();
  glStencilFunc(function, reference, mask);
}

void SetStencilOperation(unsigned stencilFails, unsigned depthFails, unsigned passes) {
  DrawQueuedSprites();
  glStencilOp(stencilFails, depthFails, passes);
}

void SetStencilMask(unsigned mask) {
  DrawQueuedSprites();
  glStencilMask(mask);
}

void SetClearColour(float r, float g, float b, float a) {
  DrawQueuedSprites();
  glClearColor(r, g, b, a);
}

void SetClearStencil(int value) {
  DrawQueuedSprites();
  glClearStencil(value);
}

void ClearBuffers(unsigned mask) {
  DrawQueuedSprites();
  glClear(mask);
}

void SetScreenProjection(double width, double height) {
  DrawQueuedSprites();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, width, height, 0.0, 1.0, -1.0);
  glMatrixMode(GL_MODELVIEW);
}

void SetMatrixMode(unsigned mode) {
  DrawQueuedSprites();
  glMatrixMode(mode);
}

void LoadIdentity() {
  DrawQueuedSprites();
  glLoadIdentity();
}

void Translate2D(float x, float y) {
  DrawQueuedSprites();
  glTranslatef(x, y, 0.0f);
}

void Rotate2D(float degrees) {
  DrawQueuedSprites();
  glRotatef(degrees, 0.0f, 0.0f, 1.0f);
}

void Scale2D(float x, float y) {
  DrawQueuedSprites();
  glScalef(x, y, 1.0f);
}

void OpenSpriteBatch() {
  DrawQueuedSprites();
  Batch().open = true;
}

void CloseSpriteBatch() {
  DrawQueuedSprites();
  Batch().open = false;
}

bool IsSpriteBatchOpen() { return Batch().open; }

void QueueSprite(unsigned texture, const SpriteCorner (&corners)[4]) {
  SpriteBatch& batch = Batch();
  if (texture != batch.texture) DrawQueuedSprites();
  batch.texture = texture;
  batch.corners.insert(batch.corners.end(), std::begin(corners), std::end(corners));
  if (batch.corners.size() == kSpritesPerFlush * 4) {
    DrawQueuedSprites();
    HandSpritesToDriver();
  }
}

void HandSpritesToDriver() {
  if (glFenceSync == nullptr) {
    glFlush();
    return;
  }
  if (lastHandOver != nullptr) {
    if (glClientWaitSync(lastHandOver, 0, 0) == GL_TIMEOUT_EXPIRED) return;
    glDeleteSync(lastHandOver);
  }
  lastHandOver = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
  glFlush();
}

void EndSpriteHandOvers() {
  if (lastHandOver != nullptr) glDeleteSync(lastHandOver);
  lastHandOver = nullptr;
}

void DrawQueuedSprites() {
  SpriteBatch& batch = Batch();
  if (batch.corners.empty()) return;
  glBindTexture(GL_TEXTURE_2D, batch.texture);
  // Arrays in client memory: no buffer or vertex array object of a batch may
  // be bound, and those bound are left as they were.
  GLint arrayBuffer = 0;
  GLint vertexArray = 0;
  glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &arrayBuffer);
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vertexArray);
  if (vertexArray != 0) glBindVertexArray(0);
  if (arrayBuffer != 0) glBindBuffer(GL_ARRAY_BUFFER, 0);
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glClientActiveTexture(GL_TEXTURE0);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glTexCoordPointer(2, GL_FLOAT, sizeof(SpriteCorner), &batch.corners[0].s);
  glVertexPointer(2, GL_FLOAT, sizeof(SpriteCorner), &batch.corners[0].x);
  glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(batch.corners.size()));
  glPopClientAttrib();
  if (arrayBuffer != 0) glBindBuffer(GL_ARRAY_BUFFER, static_cast<GLuint>(arrayBuffer));
  if (vertexArray != 0) glBindVertexArray(static_cast<GLuint>(vertexArray));
  batch.corners.clear();
}

void DrawBufferQuads(unsigned texture, unsigned vertexBuffer, const std::vector<BufferQuad>& quads) {
  if (quads.empty()) return;
  BindTexture2D(texture);
  // The vertex array object and the buffers bound come back with the client
  // arrays.
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
  glBindVertexArray(0);
  glClientActiveTexture(GL_TEXTURE0);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
  constexpr GLsizei kCorner = 4 * sizeof(GLfloat);
  glVertexPointer(2, GL_FLOAT, kCorner, nullptr);
  glTexCoordPointer(2, GL_FLOAT, kCorner, reinterpret_cast<const void*>(2 * sizeof(GLfloat)));
  for (const BufferQuad& quad : quads) {
    // No index buffer would read the indices from address 0.
    if (quad.indexBuffer == 0) continue;
    glPushMatrix();
    glTranslatef(quad.x, quad.y, 0.0f);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, quad.indexBuffer);
    glDrawElements(GL_QUADS, 4, GL_UNSIGNED_INT, nullptr);
    glPopMatrix();
  }
  glPopClientAttrib();
}

}  // namespace Orv
