#include "render/FrameBuffer.h"

#include <cstdint>
#include <string>

#include "core/Report.h"
#include "core/ReportOnce.h"
#include "render/RenderState.h"

namespace Orv {

FrameBuffer::~FrameBuffer() {
  if (renderBuffer_ != 0) glDeleteRenderbuffers(1, &renderBuffer_);
  if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
}

void FrameBuffer::Init(GLuint program, int width, int height, bool lights) {
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  texture_ = std::make_shared<SpriteSheet>();
  textureRef_ = texture_;
  // The texture's upload reads the error flag: an older error is not its own.
  while (glGetError() != GL_NO_ERROR) {
  }
  if (width <= 0 || height <= 0 ||
      !texture_->CreateFromPixels(static_cast<unsigned>(width), static_cast<unsigned>(height)) ||
      texture_->GetTexture() == 0) {
    ShowMessage("Error! FrameBUffer Texture cannot be allocated");
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return;
  }
  width_ = width;
  height_ = height;
  frame_ = std::make_shared<SpriteFrame>();
  frame_->quad = {0, 0, static_cast<int32_t>(texture_->GetTextureWidth()),
                  static_cast<int32_t>(texture_->GetTextureHeight())};
  frame_->sheet = textureRef_;
  frameRef_ = frame_;

  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_->GetTexture(), 0);
  const GLenum drawBuffers[1] = {GL_COLOR_ATTACHMENT0};
  glDrawBuffers(1, drawBuffers);
  glGenRenderbuffers(1, &renderBuffer_);
  glBindRenderbuffer(GL_RENDERBUFFER, renderBuffer_);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, static_cast<GLsizei>(texture_->GetTextureWidth()),
                        static_cast<GLsizei>(texture_->GetTextureHeight()));
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderBuffer_);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, renderBuffer_);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
    PrintLine("framebuffer good!");
  } else {
    ShowMessage("ERROR Framebuffer CreateOP, Please update your video drivers to play this game properly");
  }
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);

  lightsEnabled_ = lights;
  batch_.SetEnableLightUniformFills(lights);
  batch_.Init(program, static_cast<float>(width), static_cast<float>(height));
  initialised_ = true;
}

void FrameBuffer::Begin(Previous previous, Target target) {
  if (!initialised_) {
    ShowMessageOnce("FrameBuffer Begin uninitialised " + std::to_string(reinterpret_cast<std::uintptr_t>(this)),
                    "ERROR! FrameBuffer Object is not initialized!! Call Init() Before Begin()");
  }
  glGetIntegerv(GL_VIEWPORT, savedViewport_.data());
  glGetFloatv(GL_COLOR_CLEAR_VALUE, savedClearColour_.data());
  SetClearColour(clearColour_[0], clearColour_[1], clearColour_[2], 0.0f);
  SetViewport(0, 0, width_, height_);
  // The target bound before (the window, in the frame's chain) is cleared as
  // well as this one: the window's letterbox bars are never drawn over.
  if (previous == Previous::Clear) ClearBuffers(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  glBindFramebuffer(GL_FRAMEBUFFER, standsForWindow_ ? 0 : framebuffer_);
  // Cleared after the bind too: this target's last picture must not show
  // through the next one.
  if (initialised_ && target == Target::Clear)
    ClearBuffers(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  begun_ = true;
}

void FrameBuffer::End() {
  if (!begun_) {
    ShowMessageOnce("FrameBuffer End before Begin " + std::to_string(reinterpret_cast<std::uintptr_t>(this)),
                    "Error! Cannot End Frame buffer before Begin! Call Begin() before End()!!");
  }
  // Sprites queued for this target are drawn into it, not into the next.
  DrawQueuedSprites();
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  SetViewport(savedViewport_[0], savedViewport_[1], savedViewport_[2], savedViewport_[3]);
  SetClearColour(savedClearColour_[0], savedClearColour_[1], savedClearColour_[2], savedClearColour_[3]);
  begun_ = false;
}

void FrameBuffer::SetKnownProgram(KnownShader known, GLuint plainProgram) {
  known_ = known;
  if (known_ == KnownShader::Lit && plainProgram != 0 && !plainReady_ && initialised_) {
    plainBatch_.Init(plainProgram, static_cast<float>(width_), static_cast<float>(height_));
    plainReady_ = true;
  }
}

bool FrameBuffer::CopiesTexelForPixel() const {
  return initialised_ && known_ == KnownShader::PassThrough &&
         texture_->GetTextureWidth() == static_cast<unsigned>(width_) &&
         texture_->GetTextureHeight() == static_cast<unsigned>(height_);
}

bool FrameBuffer::Draw(Copy copy) {
  if (standsForWindow_) {
    // The picture is in the window already; drawn anywhere else it would be
    // this texture's stale one.
    GLint bound = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &bound);
    return bound == 0;
  }
  if (copy == Copy::ColourOnly && known_ == KnownShader::PassThrough && Blit()) return true;
  if (copy != Copy::Shaded && known_ == KnownShader::Lit && lights_.empty() && plainReady_) {
    plainBatch_.Begin();
    if (plainBatch_.IsBegun()) {
      DrawWhole(plainBatch_, kLitShaderAmbient);
      return true;
    }
  }
  batch_.Begin();
  // A program that failed to build draws nothing, and says so only once, when built.
  if (!batch_.IsBegun()) return false;
  if (lightsEnabled_) {
    batch_.BeginLightBuffer();
    batch_.RemoveAllLightUniforms();
    for (const Light& light : lights_) batch_.AddLightUniform(light.x, light.y, light.radius);
    batch_.EndLightBuffer();
  }
  DrawWhole(batch_, 1.0f);
  return true;
}

void FrameBuffer::DrawWhole(Texture2DBatch& batch, float level) {
  // The engine's own programs write opaque: blending would give their colour
  // back unchanged, after reading every pixel of the target.
  const bool unblended = known_ != KnownShader::None && glIsEnabled(GL_BLEND);
  if (unblended) DisableCapability(GL_BLEND);
  const float w = static_cast<float>(texture_->GetTextureWidth());
  const float h = static_cast<float>(texture_->GetTextureHeight());
  batch.Render(frameRef_, w * 0.5f, h * 0.5f, w, -h, 0.0f, drawTint_[0] * level, drawTint_[1] * level,
               drawTint_[2] * level, drawTint_[3]);
  batch.End();
  if (unblended) EnableCapability(GL_BLEND);
}

bool FrameBuffer::Blit() {
  if (!CopiesTexelForPixel()) return false;
  // The program's quad covers the viewport: a copy is the same picture only
  // texel for pixel, and only where the quad would not be cut or masked.
  GLint viewport[4] = {0, 0, 0, 0};
  glGetIntegerv(GL_VIEWPORT, viewport);
  if (viewport[2] != width_ || viewport[3] != height_) return false;
  if (glIsEnabled(GL_SCISSOR_TEST) || glIsEnabled(GL_STENCIL_TEST)) return false;
  GLboolean mask[4] = {GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE};
  glGetBooleanv(GL_COLOR_WRITEMASK, mask);
  if (!mask[0] || !mask[1] || !mask[2]) return false;
  DrawQueuedSprites();
  GLint read = 0;
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
  glBlitFramebuffer(0, 0, width_, height_, viewport[0], viewport[1], viewport[0] + width_, viewport[1] + height_,
                    GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(read));
  // As the batch leaves it.
  BindTexture2D(0);
  return true;
}

}  // namespace Orv
