#pragma once
// The process's shader programs, built from shaders/ on first use, and its
// off-screen frame buffers: 0 the plain scene, 1 the lit scene, 2 the picture
// that goes onto the window.
#include <GL/glew.h>

#include <memory>
#include <vector>

#include "render/FrameBuffer.h"

namespace Orv {

class GraphicsManager {
 public:
  // The first call builds the programs: the OpenGL context must be current.
  static GraphicsManager& GetInstance();

  GraphicsManager(const GraphicsManager&) = delete;
  GraphicsManager& operator=(const GraphicsManager&) = delete;

  void LoadShaders();

  // One per frame-buffer role, in the order the render system makes them;
  // sizes are truncated to whole pixels.
  FrameBuffer* CreateTexture2DFrameBuffer(float width, float height);
  FrameBuffer* CreatePointLightFrameBuffer(float width, float height);
  FrameBuffer* CreateBloomFrameBuffer(float width, float height);

  // The frame buffer at index, or the last one when there are fewer; null
  // (after a message) when there is none.
  FrameBuffer* GetFrameBuffer(unsigned index);
  std::size_t GetFrameBufferCount() const { return frameBuffers_.size(); }
  // Lets the frame buffers and their GL objects go, while the context is
  // still current.
  void ReleaseFrameBuffers() { frameBuffers_.clear(); }
  // Every frame buffer is its own target again, until a frame chooses which
  // the window stands in for.
  void EndWindowStandIns() {
    for (const auto& frameBuffer : frameBuffers_) frameBuffer->StandForWindow(false);
  }

  GLuint GetTexture2DProgram() const { return texture2DProgram_; }
  GLuint GetPointLightProgram() const { return pointLightProgram_; }
  GLuint GetTexture2DBloomProgram() const { return texture2DBloomProgram_; }

 private:
  GraphicsManager() = default;
  FrameBuffer* CreateFrameBuffer(GLuint program, KnownShader known, float width, float height, bool lights);

  GLuint texture2DProgram_ = 0;
  GLuint fontColorProgram_ = 0;
  GLuint shapeProgram_ = 0;
  GLuint pointLightProgram_ = 0;
  GLuint texture2DBloomProgram_ = 0;
  KnownShader texture2DKnown_ = KnownShader::None;
  KnownShader pointLightKnown_ = KnownShader::None;
  KnownShader texture2DBloomKnown_ = KnownShader::None;
  std::vector<std::unique_ptr<FrameBuffer>> frameBuffers_;
};

}  // namespace Orv
