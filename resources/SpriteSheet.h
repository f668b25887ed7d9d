#pragma once
// The engine's texture: an image decoded into RGBA pixels (or an alpha image
// built in memory) turned into one power-of-two OpenGL texture, with optional
// clip rectangles drawn from vertex and index buffers.
#include <GL/glew.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ObjectLockPtr.h"

namespace Orv {

// The smallest power of two not below n; 0 stays 0.
unsigned NextPowerOfTwo(unsigned n);

// A rectangle in texture pixels, y downwards from the first pixel row.
struct SpriteClip {
  float x = 0.0f;
  float y = 0.0f;
  float w = 0.0f;
  float h = 0.0f;
};

// A sprite frame's rectangle in image pixels, as its texture pack gives it.
struct SpriteQuad {
  int32_t x = 0;
  int32_t y = 0;
  int32_t sizeX = 0;
  int32_t sizeY = 0;
};

class SpriteSheet {
 public:
  SpriteSheet() = default;
  ~SpriteSheet();
  SpriteSheet(const SpriteSheet&) = delete;
  SpriteSheet& operator=(const SpriteSheet&) = delete;

  void FreeTexture();
  // Decodes the image into RGBA pixels, padded to power-of-two sides.
  bool LoadPixelsFromFile(const std::string& path);
  bool LoadTextureFromPixels32();
  bool LoadTextureFromPixels8();
  // Pads the alpha pixels to power-of-two sides.
  void CopyPixels8();
  // An empty RGBA texture of exactly this size: a frame buffer's colour target.
  bool CreateFromPixels(unsigned width, unsigned height);
  bool GenerateDataBuffer();
  void FreeVBO();

  GLuint GetTexture() const { return texture_; }
  GLenum GetFormat() const { return format_; }
  unsigned GetTextureWidth() const { return textureWidth_; }
  unsigned GetTextureHeight() const { return textureHeight_; }
  unsigned GetImageWidth() const { return imageWidth_; }
  unsigned GetImageHeight() const { return imageHeight_; }
  bool HasPixels32() const { return !pixels32_.empty(); }
  const std::vector<SpriteClip>& GetClips() const { return clips_; }
  void AddClip(const SpriteClip& clip) { clips_.push_back(clip); }
  GLuint GetVertexBuffer() const { return vertexBuffer_; }
  GLuint GetIndexBuffer(size_t clip) const { return clip < indexBuffers_.size() ? indexBuffers_[clip] : 0; }

 protected:
  // Deletes the texture and frees both pixel arrays; the sizes are the caller's.
  void DropTextureAndPixels();

  GLuint texture_ = 0;
  std::vector<uint32_t> pixels32_;
  std::vector<uint8_t> pixels8_;
  GLenum format_ = 0;
  unsigned textureWidth_ = 0;
  unsigned textureHeight_ = 0;
  unsigned imageWidth_ = 0;
  unsigned imageHeight_ = 0;
  std::vector<SpriteClip> clips_;
  GLuint vertexBuffer_ = 0;
  std::vector<GLuint> indexBuffers_;
};

// One sprite of a sheet: the sheet belongs to the resource manager, so the
// frame only watches it and draws nothing once it is gone.
struct SpriteFrame {
  SpriteQuad quad;
  ObjectLockPtr<SpriteSheet> sheet;
};

}  // namespace Orv
