#include "resources/SpriteSheet.h"

#include <GL/glu.h>
#include <IL/il.h>
#include <IL/ilu.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/Report.h"

namespace Orv {

namespace {

const char* GLErrorText(GLenum error) { return reinterpret_cast<const char*>(gluErrorString(error)); }

void ReportPixelUploadError(const void* pixels, GLenum error) {
  char line[512];
  std::snprintf(line, sizeof line, "Error loading texture from %p pixels! %s\n", pixels, GLErrorText(error));
  Print(line);
}

// Both texture builders refuse a second texture and an empty pixel array.
bool CanMakeTexture(GLuint texture, bool hasPixels) {
  if (texture == 0 && hasPixels) return true;
  Print("Cannot load texture from current pixels! ");
  Print(texture != 0 ? "A texture is already loaded!\n" : "No pixels to create texture from!\n");
  return false;
}

// The image library counts an image's bytes in 32 bits and the driver has a
// largest side: a padded image beyond either cannot be built or uploaded.
bool PaddedSizeFits(const std::string& path, unsigned width, unsigned height) {
  const uint64_t paddedW = NextPowerOfTwo(width);
  const uint64_t paddedH = NextPowerOfTwo(height);
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  const bool sideFits =
      maxSide <= 0 || (paddedW <= static_cast<uint64_t>(maxSide) && paddedH <= static_cast<uint64_t>(maxSide));
  const bool bytesFit = paddedW * paddedH * 4 <= UINT32_MAX;
  // The next power of two of a side above 2^31 wraps to 0.
  const bool padded = (width == 0 || paddedW != 0) && (height == 0 || paddedH != 0);
  if (sideFits && bytesFit && padded) return true;
  PrintLine("Image too large for a texture: " + path + " is " + std::to_string(width) + " x " + std::to_string(height) +
            " pixels, padded " + std::to_string(paddedW) + " x " + std::to_string(paddedH) + " (largest side " +
            std::to_string(maxSide) + ", at most 4 GB)");
  return false;
}

}  // namespace

unsigned NextPowerOfTwo(unsigned n) {
  if (n == 0) return 0;
  --n;
  n |= n >> 1;
  n |= n >> 2;
  n |= n >> 4;
  n |= n >> 8;
  n |= n >> 16;
  return n + 1;
}

SpriteSheet::~SpriteSheet() {
  FreeVBO();
  clips_.shrink_to_fit();
  FreeTexture();
}

void SpriteSheet::DropTextureAndPixels() {
  if (texture_ != 0) {
    glDeleteTextures(1, &texture_);
    texture_ = 0;
  }
  pixels32_.clear();
  pixels32_.shrink_to_fit();
  pixels8_.clear();
  pixels8_.shrink_to_fit();
}

void SpriteSheet::FreeTexture() {
  DropTextureAndPixels();
  textureWidth_ = 0;
  textureHeight_ = 0;
}

bool SpriteSheet::LoadPixelsFromFile(const std::string& path) {
  FreeTexture();

  // Frames and clips count rows from the image's top; formats stored bottom
  // row first (BMP, TGA) would otherwise land upside down below the padding.
  ilEnable(IL_ORIGIN_SET);
  ilOriginFunc(IL_ORIGIN_UPPER_LEFT);

  ILuint image = 0;
  ilGenImages(1, &image);
  ilBindImage(image);
  bool loaded = ilLoadImage(path.c_str()) == IL_TRUE;
  // Checked before converting: the converted and padded copies are the ones
  // that would not fit.
  loaded = loaded && PaddedSizeFits(path, static_cast<unsigned>(ilGetInteger(IL_IMAGE_WIDTH)),
                                    static_cast<unsigned>(ilGetInteger(IL_IMAGE_HEIGHT)));
  loaded = loaded && ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE) == IL_TRUE;
  if (loaded) {
    const unsigned w = static_cast<unsigned>(ilGetInteger(IL_IMAGE_WIDTH));
    const unsigned h = static_cast<unsigned>(ilGetInteger(IL_IMAGE_HEIGHT));
    const unsigned textureW = NextPowerOfTwo(w);
    const unsigned textureH = NextPowerOfTwo(h);
    if (textureW != w || textureH != h) {
      // The image stays at the upper-left; the new area takes the clear
      // colour, transparent white.
      iluImageParameter(ILU_PLACEMENT, ILU_UPPER_LEFT);
      loaded = iluEnlargeCanvas(textureW, textureH, 1) == IL_TRUE;
    }
    const ILubyte* data = loaded ? ilGetData() : nullptr;
    if (data != nullptr) {
      pixels32_.resize(static_cast<size_t>(textureW) * textureH);
      std::memcpy(pixels32_.data(), data, pixels32_.size() * 4);
      textureWidth_ = textureW;
      textureHeight_ = textureH;
      imageWidth_ = w;
      imageHeight_ = h;
    } else {
      loaded = false;
    }
  }
  // The decoded image goes whether or not it could be used.
  ilDeleteImages(1, &image);
  if (loaded) return true;

  PrintLine("Error loading texture from: " + path);
  ShowMessage("Error loading texture from file\n" + path);
  return false;
}

// Uploads the pixels as the sheet's texture: nearest filtering, the wrap given.
// Rows are packed tight: the default alignment of 4 would read past the end of
// a 1 or 2 pixel wide alpha image.
template <typename Pixel>
static bool UploadTexture(GLuint& texture, unsigned width, unsigned height, GLenum format, GLint wrap,
                          std::vector<Pixel>& pixels) {
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), static_cast<GLsizei>(width), static_cast<GLsizei>(height),
               0, format, GL_UNSIGNED_BYTE, pixels.data());
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
  glBindTexture(GL_TEXTURE_2D, 0);

  if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
    ReportPixelUploadError(pixels.data(), error);
    return false;
  }
  pixels.clear();
  pixels.shrink_to_fit();
  return true;
}

bool SpriteSheet::LoadTextureFromPixels32() {
  if (!CanMakeTexture(texture_, !pixels32_.empty())) return false;
  if (!UploadTexture(texture_, textureWidth_, textureHeight_, GL_RGBA, GL_CLAMP_TO_EDGE, pixels32_)) return false;
  format_ = GL_RGBA;
  return true;
}

bool SpriteSheet::LoadTextureFromPixels8() {
  if (!CanMakeTexture(texture_, !pixels8_.empty())) return false;
  if (!UploadTexture(texture_, textureWidth_, textureHeight_, GL_ALPHA, GL_REPEAT, pixels8_)) return false;
  format_ = GL_ALPHA;
  return true;
}

void SpriteSheet::CopyPixels8() {
  if (pixels8_.empty()) return;
  const unsigned oldStride = textureWidth_;
  textureWidth_ = NextPowerOfTwo(imageWidth_);
  textureHeight_ = NextPowerOfTwo(imageHeight_);
  if (textureWidth_ == imageWidth_ && textureHeight_ == imageHeight_) return;

  std::vector<uint8_t> padded(static_cast<size_t>(textureWidth_) * textureHeight_, 0);
  for (unsigned row = 0; row < imageHeight_; ++row) {
    const size_t from = static_cast<size_t>(row) * oldStride;
    if (from + imageWidth_ > pixels8_.size()) break;
    std::memcpy(padded.data() + static_cast<size_t>(row) * textureWidth_, pixels8_.data() + from, imageWidth_);
  }
  pixels8_ = std::move(padded);
}

bool SpriteSheet::CreateFromPixels(unsigned width, unsigned height) {
  DropTextureAndPixels();
  textureWidth_ = width;
  textureHeight_ = height;

  glGenTextures(1, &texture_);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_RGBA,
               GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glBindTexture(GL_TEXTURE_2D, 0);

  if (const GLenum error = glGetError(); error != GL_NO_ERROR) {
    PrintLine(std::string("Error loading a texture from pixels, ") + GLErrorText(error));
    ShowMessage("Error loading texture!");
    return false;
  }
  return true;
}

bool SpriteSheet::GenerateDataBuffer() {
  const bool noTexture = texture_ == 0;
  const bool noClips = clips_.empty();
  if (noTexture) Print("No texture to render with!\n");
  if (noClips) Print("No clips to generate vertex data from!\n");
  if (noTexture || noClips) return false;

  // Buffers of an earlier call would otherwise be lost to the driver.
  if (vertexBuffer_ != 0) glDeleteBuffers(1, &vertexBuffer_);
  if (!indexBuffers_.empty()) glDeleteBuffers(static_cast<GLsizei>(indexBuffers_.size()), indexBuffers_.data());

  const size_t n = clips_.size();
  indexBuffers_.assign(n, 0);
  glGenBuffers(1, &vertexBuffer_);
  glGenBuffers(static_cast<GLsizei>(n), indexBuffers_.data());

  const float tw = static_cast<float>(textureWidth_);
  const float th = static_cast<float>(textureHeight_);
  std::vector<GLfloat> vertices(n * 16);
  for (size_t i = 0; i < n; ++i) {
    const SpriteClip& c = clips_[i];
    // Position from the clip's own top-left corner, then texture s and t.
    const GLfloat quad[16] = {0.0f, 0.0f, c.x / tw,         c.y / th,          //
                              c.w,  0.0f, (c.x + c.w) / tw, c.y / th,          //
                              c.w,  c.h,  (c.x + c.w) / tw, (c.y + c.h) / th,  //
                              0.0f, c.h,  c.x / tw,         (c.y + c.h) / th};
    std::memcpy(vertices.data() + i * 16, quad, sizeof quad);

    const GLuint base = static_cast<GLuint>(i * 4);
    const GLuint indices[4] = {base, base + 1, base + 2, base + 3};
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffers_[i]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, sizeof indices, indices, GL_STATIC_DRAW);
  }
  glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer_);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices.size() * sizeof(GLfloat)), vertices.data(),
               GL_STATIC_DRAW);
  return true;
}

void SpriteSheet::FreeVBO() {
  if (vertexBuffer_ != 0) {
    glDeleteBuffers(1, &vertexBuffer_);
    vertexBuffer_ = 0;
  }
  if (!indexBuffers_.empty()) {
    glDeleteBuffers(static_cast<GLsizei>(indexBuffers_.size()), indexBuffers_.data());
    indexBuffers_.clear();
  }
  clips_.clear();
}

}  // namespace Orv
