#pragma once
// The functors the render system makes for each scripted object: its sprite,
// its light and the draws relative to it. Each does nothing, and gives its
// missing result, once its object is gone or dead.
#include <utility>

#include "FiniteArg.h"
#include "LuaObject.h"
#include "core/ObjectFunc.h"
#include "render/GLRenderSystem.h"

namespace Orv {

class GLRenderSystem::RotateSpriteTo : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(float x1, float y1, float x2, float y2);
};

class GLRenderSystem::RotateSprite : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(OrvCall::Finite<float> degrees);
};

class GLRenderSystem::SetSprite : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(const char* animation);
};

class GLRenderSystem::SetSpriteScaleX : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(OrvCall::Finite<float> scale);
};

class GLRenderSystem::SetSpriteScaleY : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(OrvCall::Finite<float> scale);
};

class GLRenderSystem::GetSpriteRot : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  float operator()();
};

class GLRenderSystem::SetSpriteIntervalFunc : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(OrvCall::Finite<float> seconds);
};

class GLRenderSystem::SetTintRGBA : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(OrvCall::Finite<float> r, OrvCall::Finite<float> g, OrvCall::Finite<float> b);
};

class GLRenderSystem::SetAlphaFunctor : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(OrvCall::Finite<float> alpha);
};

class GLRenderSystem::SetLightIntensity : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(OrvCall::Finite<double> intensity);
};

class GLRenderSystem::EnableLightToggle : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  void operator()(bool on);
};

class GLRenderSystem::GetLightToggle : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  bool operator()(bool unused);
};

// Tests only that the object has not expired: a dead object still tells its
// frame until the sweep.
class GLRenderSystem::GetCurrentFrameFunc : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  int operator()();
};

// The relative draws also hold the system, for the screen's size.
class GLRenderSystem::DrawSpriteRelativeTo : public SystemObjectFunc<GLRenderSystem> {
 public:
  using SystemObjectFunc::SystemObjectFunc;
  void operator()(const char* frameId, float dx, float dy);
};

class GLRenderSystem::DrawSpriteRelativeToParams : public SystemObjectFunc<GLRenderSystem> {
 public:
  using SystemObjectFunc::SystemObjectFunc;
  void operator()(const char* frameId, OrvLua::LuaObject parameters);
};

// The frame id as a string in the object's state; "" for an unknown
// animation or an index outside it, nil without a live scripted object.
class GLRenderSystem::GetTextureNameFromAnim : public ObjectFunc {
 public:
  using ObjectFunc::ObjectFunc;
  OrvLua::LuaObject operator()(const char* animation, double index);
};

}  // namespace Orv
