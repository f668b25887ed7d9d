#pragma once
// The render system for a windowless engine.
#include "render/GLRenderSystem.h"

namespace OrvTest {

// Without a GL context: the update's frame buffer work is left out.
class RenderWithoutGL : public Orv::GLRenderSystem {
 public:
  using Orv::GLRenderSystem::GLRenderSystem;
  void Update(float) override {}
};

}  // namespace OrvTest
