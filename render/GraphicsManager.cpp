#include "render/GraphicsManager.h"

#include "NumberConversion.h"
#include "core/Report.h"
#include "core/ReportOnce.h"
#include "render/ShaderProgram.h"

namespace Orv {

GraphicsManager& GraphicsManager::GetInstance() {
  // Never destroyed: at process exit the context its objects lived in is gone.
  static GraphicsManager* instance = [] {
    auto* manager = new GraphicsManager();
    manager->LoadShaders();
    return manager;
  }();
  return *instance;
}

void GraphicsManager::LoadShaders() {
  texture2DProgram_ = LoadShaderProgram("shaders/texture2D.vert", "shaders/texture2D.frag", &texture2DKnown_);
  fontColorProgram_ = LoadShaderProgram("shaders/font_color.vert", "shaders/font_color.frag");
  pointLightProgram_ = LoadShaderProgram("shaders/pointlight.vert", "shaders/pointlight.frag", &pointLightKnown_);
  shapeProgram_ = LoadShaderProgram("shaders/shape.vert", "shaders/shape.frag");
  texture2DBloomProgram_ =
      LoadShaderProgram("shaders/texture2D.vert", "shaders/texture2DBloom.frag", &texture2DBloomKnown_);
}

FrameBuffer* GraphicsManager::CreateFrameBuffer(GLuint program, KnownShader known, float width, float height,
                                                bool lights) {
  auto frameBuffer = std::make_unique<FrameBuffer>();
  frameBuffer->Init(program, OrvLua::SaturateTo<int>(width), OrvLua::SaturateTo<int>(height), lights);
  frameBuffer->SetKnownProgram(known, texture2DKnown_ == KnownShader::PassThrough ? texture2DProgram_ : 0);
  frameBuffers_.push_back(std::move(frameBuffer));
  return frameBuffers_.back().get();
}

FrameBuffer* GraphicsManager::CreateTexture2DFrameBuffer(float width, float height) {
  return CreateFrameBuffer(texture2DProgram_, texture2DKnown_, width, height, false);
}

FrameBuffer* GraphicsManager::CreatePointLightFrameBuffer(float width, float height) {
  return CreateFrameBuffer(pointLightProgram_, pointLightKnown_, width, height, true);
}

FrameBuffer* GraphicsManager::CreateBloomFrameBuffer(float width, float height) {
  return CreateFrameBuffer(texture2DBloomProgram_, texture2DBloomKnown_, width, height, false);
}

FrameBuffer* GraphicsManager::GetFrameBuffer(unsigned index) {
  if (frameBuffers_.empty()) {
    ShowMessageOnce("no frame buffer", "GraphicsManager Error! FrameBuffer Object index invalid!");
    return nullptr;
  }
  return frameBuffers_[index < frameBuffers_.size() ? index : frameBuffers_.size() - 1].get();
}

}  // namespace Orv
