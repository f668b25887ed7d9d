#pragma once
// An off-screen render target: a framebuffer object with a colour texture and
// a depth-and-stencil render buffer, and the batch that draws its texture
// into whatever target is bound next, lit by its light list when lights are
// enabled.
#include <GL/glew.h>

#include <array>
#include <memory>
#include <vector>

#include "core/ObjectLockPtr.h"
#include "render/ShaderProgram.h"
#include "render/Texture2DBatch.h"
#include "resources/SpriteSheet.h"

namespace Orv {

class FrameBuffer {
 public:
  struct Light {
    float x = 0.0f;
    float y = 0.0f;
    float radius = 0.0f;
  };

  FrameBuffer() = default;
  ~FrameBuffer();
  FrameBuffer(const FrameBuffer&) = delete;
  FrameBuffer& operator=(const FrameBuffer&) = delete;

  void Init(GLuint program, int width, int height, bool lights);
  // What Begin does to the target bound before it, and to this one.
  enum class Previous { Clear, Keep };
  enum class Target { Clear, Keep };
  // Binds this target and clears it; the window's viewport and clear colour
  // are kept for End. The target bound before is cleared too, unless the
  // caller knows nothing has been drawn on it since it was. This target is
  // kept only by a caller whose first draw covers all of it opaquely and who
  // tests neither its depth nor its stencil: a clear would change no pixel.
  void Begin(Previous previous = Previous::Clear, Target target = Target::Clear);
  // Back to the window, with its viewport and clear colour.
  void End();
  // The program is one of the engine's own (see RecogniseShader); a plain
  // program, when not 0, draws texel x tint opaque. After Init.
  void SetKnownProgram(KnownShader known, GLuint plainProgram);
  // The program shows nothing of this target's alpha.
  bool IgnoresOwnAlpha() const { return known_ != KnownShader::None; }
  // Its copy into a viewport of its own size gives each pixel its texel.
  bool CopiesTexelForPixel() const;
  // Between Begin and the copy that ends its part of the frame, the window
  // itself is the target: drawn straight into, the window gets the pixels the
  // copy would have given it, and the copy has nothing left to do. Only for a
  // target that copies texel for pixel onto a window of its size.
  void StandForWindow(bool stand) { standsForWindow_ = stand; }

  // How Draw may reach its pixels. Shaded: through the program, always (what
  // builds it ahead of the first frame). Exact: any way that leaves each pixel
  // of the target as the program would. ColourOnly: as Exact, but the target
  // may keep this texture's alpha where the program writes 1, for a target
  // whose alpha nothing shows.
  enum class Copy { Shaded, Exact, ColourOnly };
  // The colour texture as one quad over the bound target's viewport, lights
  // and all; false when the program cannot draw it.
  bool Draw(Copy copy = Copy::Exact);

  void AddLight(const Light& light) { lights_.push_back(light); }
  // Keeps the storage: the list is refilled every frame.
  void ClearLights() { lights_.clear(); }
  const std::vector<Light>& GetLights() const { return lights_; }

  bool IsInitialised() const { return initialised_; }
  bool IsBegun() const { return begun_; }
  GLuint GetFramebufferObject() const { return framebuffer_; }
  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  ObjectLockPtr<SpriteSheet> GetTexture() const { return textureRef_; }
  ObjectLockPtr<SpriteFrame> GetFrame() const { return frameRef_; }
  Texture2DBatch& GetBatch() { return batch_; }

 private:
  GLuint framebuffer_ = 0;
  GLuint renderBuffer_ = 0;
  int width_ = 1;
  int height_ = 1;
  bool lightsEnabled_ = false;
  // A copy of texel to pixel in the bound target, when one is the picture
  // the program would draw.
  bool Blit();
  // The whole texture through batch, every texel times level.
  void DrawWhole(Texture2DBatch& batch, float level);

  std::array<GLint, 4> savedViewport_{};
  std::array<GLfloat, 4> savedClearColour_{};
  std::shared_ptr<SpriteSheet> texture_;
  ObjectLockPtr<SpriteSheet> textureRef_;
  std::shared_ptr<SpriteFrame> frame_;
  ObjectLockPtr<SpriteFrame> frameRef_;
  Texture2DBatch batch_{3};
  std::array<float, 3> clearColour_{0.0f, 0.0f, 0.0f};
  std::array<float, 4> drawTint_{1.0f, 1.0f, 1.0f, 1.0f};
  bool begun_ = false;
  bool initialised_ = false;
  std::vector<Light> lights_;
  KnownShader known_ = KnownShader::None;
  bool standsForWindow_ = false;
  // The lit program with no light is the ambient level alone: texel x tint
  // through the plain program.
  Texture2DBatch plainBatch_{3};
  bool plainReady_ = false;
};

}  // namespace Orv
