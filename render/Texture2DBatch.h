#pragma once
// Textured, tinted, rotated and scaled quads through a shader program: the
// vertices are placed on the CPU, consecutive quads of one texture form a run,
// and each run is one draw call. With lights enabled the batch also fills the
// program's uniform block "LightBlocks".
#include <GL/glew.h>

#include <cstdint>
#include <vector>

#include "core/ObjectLockPtr.h"
#include "render/LightMath.h"
#include "resources/SpriteSheet.h"

namespace Orv {

class Texture2DBatch {
 public:
  // Bytes of the light block's buffer; the shader's block must fit.
  static constexpr GLsizeiptr kLightBufferSize = 1632;
  static constexpr unsigned kVertexBytes = 40;
  static constexpr unsigned kQuadBytes = 6 * kVertexBytes;

  explicit Texture2DBatch(unsigned capacity = 3) : capacity_(capacity == 0 ? 1 : capacity) {}
  ~Texture2DBatch();
  Texture2DBatch(const Texture2DBatch&) = delete;
  Texture2DBatch& operator=(const Texture2DBatch&) = delete;

  // Before Init.
  void SetEnableLightUniformFills(bool on) { lightsEnabled_ = on; }
  // The projection maps x from [0, width] and y from [0, height] (downwards)
  // onto the whole target.
  void Init(GLuint program, float width, float height);
  void Begin();
  void Render(ObjectLockPtr<SpriteFrame> frame, float x, float y, float scaleX, float scaleY, float angle, float r,
              float g, float b, float alpha);
  void End();

  void BeginLightBuffer();
  void RemoveAllLightUniforms();
  // Lights past what the shader's array holds are dropped.
  void AddLightUniform(float x, float y, float radius);
  void EndLightBuffer();

  bool IsBegun() const { return begun_; }
  std::int32_t GetLightCount() const { return lightCount_; }
  // How many lights the shader's array holds; 0 until a Begin has read it.
  std::int32_t GetLightCapacity() const { return lightCapacity_; }

 private:
  struct Run {
    ObjectLockPtr<SpriteSheet> sheet;
    unsigned quads = 0;
  };

  // Sets up the program for drawing and, with lights, finds the block's
  // layout and binds its buffer. Runs at every Begin.
  void InitLightBlock();
  void WriteLightCount();

  bool initialised_ = false;
  bool begun_ = false;
  bool lightBufferOpen_ = false;
  bool lightsEnabled_ = false;
  Matrix4 projection_ = kIdentity4;
  unsigned capacity_;
  GLuint program_ = 0;
  GLuint vertexArray_ = 0;
  GLuint vertexBuffer_ = 0;
  GLuint lightBuffer_ = 0;
  unsigned quadCount_ = 0;
  std::int32_t lightCount_ = 0;
  Matrix4 scaleMatrix_ = kIdentity4;
  Matrix4 translationMatrix_ = kIdentity4;
  GLint lightArrayOffset_ = -1;
  GLint countOffset_ = -1;
  GLint lightArrayStride_ = -1;
  // Found with the offsets: the array's length and the block's size.
  std::int32_t lightCapacity_ = 0;
  bool blockReady_ = false;
  std::vector<Run> runs_;
  // The quads since Begin, placed on the CPU; End uploads them at once.
  std::vector<std::uint8_t> staged_;
};

}  // namespace Orv
