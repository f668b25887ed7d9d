// The render system's script functions: an object's own sprite and light,
// drawing sprites and text from a script's Render, the lighting switch and
// the pause of every sprite animation.

#include <algorithm>
#include <cmath>
#include <string>

#include "core/App.h"
#include "core/Report.h"
#include "core/ReportOnce.h"
#include "core/TransformComponent.h"
#include "render/DrawPrimitives.h"
#include "render/GLRenderSystem.h"
#include "render/GLRenderSystemScript.h"
#include "render/LayeredDraw.h"
#include "render/LightComponent.h"
#include "render/SpriteAnimComponent.h"
#include "resources/Font.h"
#include "resources/ResourceManager.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

float g_opaqueLightDecay = 0.8f;
float g_nonOpaqueLightDecay = 1.0f;

void GLRenderSystem::OnRegistered() { AddScriptRegistration(this, &GLRenderSystem::RegisterScriptFunctions); }

void GLRenderSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  script.RegisterNewFunctor<RotateSpriteTo>("SetSpriteRotationTo", object);
  script.RegisterNewFunctor<RotateSprite>("SetSpriteRotation", object);
  script.RegisterNewFunctor<SetSprite>("SetSpriteSet", object);
  script.RegisterNewFunctor<SetSpriteScaleX>("SetSpriteScaleX", object);
  script.RegisterNewFunctor<SetSpriteScaleY>("SetSpriteScaleY", object);
  script.RegisterNewFunctor<GetSpriteRot>("GetSpriteRotation", object);
  script.RegisterNewFunctor<SetSpriteIntervalFunc>("SetSpriteInterval", object);
  script.RegisterNewFunctor<SetTintRGBA>("SetRGBTint", object);
  script.RegisterNewFunctor<SetAlphaFunctor>("SetAlpha", object);
  script.RegisterNewFunctor<SetLightIntensity>("SetLightIntensity", object);
  script.RegisterNewFunctor<EnableLightToggle>("SetLightToggle", object);
  script.RegisterNewFunctor<GetLightToggle>("IsLightToggled", object);
  script.RegisterNewFunctor<GetCurrentFrameFunc>("GetCurrentFrameIndex", object);
  script.RegisterNewFunctor<DrawSpriteRelativeTo>("DrawRelativeSprite", this, object);
  script.RegisterNewFunctor<DrawSpriteRelativeToParams>("DrawRelativeSpriteUsing", this, object);
  script.RegisterDirect("DrawSprite", this, &GLRenderSystem::DrawSprite);
  script.RegisterDirect("DrawSpriteRot", this, &GLRenderSystem::DrawSpriteRot);
  script.RegisterDirect("DrawSpriteSca", this, &GLRenderSystem::DrawSpriteSca);
  script.RegisterDirect("DrawSpriteUsingColorInfo", this, &GLRenderSystem::DrawSpriteUsingColorInfo);
  script.RegisterDirect("DrawSpriteRotUsingColorInfo", this, &GLRenderSystem::DrawSpriteRotUsingColorInfo);
  script.RegisterDirect("DrawSpriteScaUsingColorInfo", this, &GLRenderSystem::DrawSpriteScaUsingColorInfo);
  script.RegisterDirect("DrawText", this, &GLRenderSystem::DrawText);
  script.RegisterDirect("DrawColorText", this, &GLRenderSystem::DrawColorText);
  script.RegisterDirect("SetEnableLighting", this, &GLRenderSystem::SetEnableLighting);
  script.RegisterDirect("SetOpaqueLightDecay", this, &GLRenderSystem::SetOpaqueLightDecay);
  script.RegisterDirect("SetNonOpaqueLightDecay", this, &GLRenderSystem::SetNonOpaqueLightDecay);
  script.RegisterNewFunctor<GetTextureNameFromAnim>("GetTextureNameFromAnimation", object);
  script.RegisterDirect("PauseSpriteAnims", this, &GLRenderSystem::PauseSpriteAnims);
  script.RegisterDirect("ResumeSpriteAnims", this, &GLRenderSystem::ResumeSpriteAnims);
  auto locked = object.Lock();
  auto sprite = locked ? locked->LockComponent<SpriteAnimComponent>() : nullptr;
  if (!sprite) return;
  // The component outlives the state: the object closes its script first.
  script.RegisterDirect("SetSpriteInterval", sprite.get(), &SpriteAnimComponent::SetInterval);
  script.RegisterDirect("SetSpriteCurrentFrame", sprite.get(), &SpriteAnimComponent::SetCurrentFrame);
  script.RegisterDirect("GetSpriteCurrentFrame", sprite.get(), &SpriteAnimComponent::GetCurrentFrameIndex);
}

// ---- the render system's own functions

namespace {

void ClampSetting(float& setting, float value) {
  if (std::isnan(value)) return;
  setting = std::clamp(value, 0.0f, 1.0f);
}

}  // namespace

void GLRenderSystem::SetOpaqueLightDecay(float value) { ClampSetting(g_opaqueLightDecay, value); }

void GLRenderSystem::SetNonOpaqueLightDecay(float value) { ClampSetting(g_nonOpaqueLightDecay, value); }

void GLRenderSystem::PauseSpriteAnims() {
  pausedByScript_ = true;
  Pause();
}

void GLRenderSystem::ResumeSpriteAnims() {
  pausedByScript_ = false;
  Resume();
}

bool GLRenderSystem::IsSpriteOnScreen(const ObjectLockPtr<SpriteFrame>& frame, float x, float y, float scaleX,
                                      float scaleY) const {
  return IsRotatedSpriteOnScreen(frame, x, y, scaleX, scaleY, 0.0f);
}

bool GLRenderSystem::IsRotatedSpriteOnScreen(const ObjectLockPtr<SpriteFrame>& frame, float x, float y, float scaleX,
                                             float scaleY, float degrees) const {
  auto locked = frame.Lock();
  if (!locked) return false;
  return IsBoxOnScreen(static_cast<float>(locked->quad.sizeX), static_cast<float>(locked->quad.sizeY), x, y, scaleX,
                       scaleY, degrees, owner_->GetWidth(), owner_->GetHeight());
}

std::array<float, 4> GLRenderSystem::ReadColorInfo(const OrvLua::LuaObject& value) {
  Colour colour{1.0f, 1.0f, 1.0f, 1.0f};
  if (value.IsTable()) {
    const std::pair<const char*, int> channels[] = {{"a", 3}, {"r", 0}, {"g", 1}, {"b", 2}};
    for (const auto& [key, channel] : channels) {
      const OrvLua::LuaObject field = value[key];
      if (field.IsNumber()) colour[channel] = field.GetFloat();
    }
  }
  // A NaN channel would survive the clamp.
  for (float& channel : colour) {
    if (std::isnan(channel)) channel = 1.0f;
  }
  ClampColour(colour);
  return colour;
}

namespace {

ObjectLockPtr<SpriteFrame> Frame(const char* frameId) {
  ObjectLockPtr<SpriteFrame> frame = ResourceManager::GetInstance().GetSprite(frameId);
  // Once per name; the report-once set is bounded, so a script making new
  // names does not grow it past its limit.
  if (!frame.Exists()) {
    PrintErrorLineOnce("DrawSprite: no sprite frame", frameId,
                       "DrawSprite: no sprite frame is named \"" + QuotedName(frameId) + "\"; nothing is drawn for it");
  }
  return frame;
}

void WithColour(const Colour& colour, auto&& draw) {
  SetColour(colour[0], colour[1], colour[2], colour[3]);
  draw();
  ResetColour();
}

}  // namespace

void GLRenderSystem::DrawSprite(const char* frameId, float x, float y) {
  const auto frame = Frame(frameId);
  if (!IsSpriteOnScreen(frame, x, y, 1.0f, 1.0f)) return;
  PlaceSprite(frame, {x, y});
}

void GLRenderSystem::DrawSpriteRot(const char* frameId, float x, float y, float degrees) {
  const auto frame = Frame(frameId);
  if (!IsRotatedSpriteOnScreen(frame, x, y, 1.0f, 1.0f, degrees)) return;
  PlaceSprite(frame, {x, y, degrees});
}

void GLRenderSystem::DrawSpriteSca(const char* frameId, float x, float y, float degrees, float scaleX, float scaleY) {
  const auto frame = Frame(frameId);
  if (!IsSpriteOnScreen(frame, x, y, scaleX, scaleY)) return;
  PlaceSprite(frame, {x, y, degrees, scaleX, scaleY});
}

void GLRenderSystem::DrawSpriteUsingColorInfo(const char* frameId, float x, float y, OrvLua::LuaObject colour) {
  if (!IsSpriteOnScreen(Frame(frameId), x, y, 1.0f, 1.0f)) return;
  WithColour(ReadColorInfo(colour), [&] { DrawSprite(frameId, x, y); });
}

void GLRenderSystem::DrawSpriteRotUsingColorInfo(const char* frameId, float x, float y, float degrees,
                                                 OrvLua::LuaObject colour) {
  if (!IsRotatedSpriteOnScreen(Frame(frameId), x, y, 1.0f, 1.0f, degrees)) return;
  WithColour(ReadColorInfo(colour), [&] { DrawSpriteRot(frameId, x, y, degrees); });
}

void GLRenderSystem::DrawSpriteScaUsingColorInfo(const char* frameId, float x, float y, float degrees, float scaleX,
                                                 float scaleY, OrvLua::LuaObject colour) {
  if (!IsRotatedSpriteOnScreen(Frame(frameId), x, y, scaleX, scaleY, degrees)) return;
  WithColour(ReadColorInfo(colour), [&] { DrawSpriteSca(frameId, x, y, degrees, scaleX, scaleY); });
}

void GLRenderSystem::DrawText(const char* fontId, const char* text, float x, float y) {
  if (auto font = ResourceManager::GetInstance().GetFont(fontId).Lock()) DrawFontText(*font, x, y, text);
}

void GLRenderSystem::DrawColorText(const char* fontId, const char* text, float x, float y, float r, float g, float b,
                                   float a) {
  WithColour({r, g, b, a}, [&] { DrawText(fontId, text, x, y); });
}

// ---- the per-object functors

void GLRenderSystem::RotateSpriteTo::operator()(float x1, float y1, float x2, float y2) {
  auto object = LiveObject();
  auto transform = object ? object->LockComponent<TransformComponent>() : nullptr;
  if (!transform) return;
  const double degrees = std::atan2(static_cast<double>(y2) - y1, static_cast<double>(x2) - x1) * 57.295779513260925;
  if (!std::isfinite(degrees)) return ReportNotFiniteIgnored("SetSpriteRotationTo", ObjectName(*object));
  transform->rotdeg = static_cast<float>(degrees) + 90.0f;
}

void GLRenderSystem::RotateSprite::operator()(OrvCall::Finite<float> degrees) {
  if (auto transform = LiveComponent<TransformComponent>()) transform->rotdeg = degrees + 90.0f;
}

void GLRenderSystem::SetSprite::operator()(const char* animation) {
  if (auto sprite = LiveComponent<SpriteAnimComponent>()) sprite->SetAnimation(animation);
}

void GLRenderSystem::SetSpriteScaleX::operator()(OrvCall::Finite<float> scale) {
  if (auto transform = LiveComponent<TransformComponent>()) transform->scaleX = scale;
}

void GLRenderSystem::SetSpriteScaleY::operator()(OrvCall::Finite<float> scale) {
  if (auto transform = LiveComponent<TransformComponent>()) transform->scaleY = scale;
}

float GLRenderSystem::GetSpriteRot::operator()() {
  auto transform = LiveComponent<TransformComponent>();
  return transform ? transform->rotdeg : 0.0f;
}

void GLRenderSystem::SetSpriteIntervalFunc::operator()(OrvCall::Finite<float> seconds) {
  if (auto sprite = LiveComponent<SpriteAnimComponent>()) sprite->interval = seconds;
}

void GLRenderSystem::SetTintRGBA::operator()(OrvCall::Finite<float> r, OrvCall::Finite<float> g,
                                             OrvCall::Finite<float> b) {
  if (auto sprite = LiveComponent<SpriteAnimComponent>()) sprite->SetTint(r, g, b);
}

void GLRenderSystem::SetAlphaFunctor::operator()(OrvCall::Finite<float> alpha) {
  if (auto sprite = LiveComponent<SpriteAnimComponent>()) sprite->SetAlpha(alpha);
}

void GLRenderSystem::SetLightIntensity::operator()(OrvCall::Finite<double> intensity) {
  if (auto light = LiveComponent<LightComponent>()) light->intensity = intensity;
}

void GLRenderSystem::EnableLightToggle::operator()(bool on) {
  if (auto light = LiveComponent<LightComponent>()) light->lightToggle = on;
}

bool GLRenderSystem::GetLightToggle::operator()(bool) {
  auto light = LiveComponent<LightComponent>();
  return light && light->lightToggle;
}

int GLRenderSystem::GetCurrentFrameFunc::operator()() {
  auto object = object_.Lock();
  auto sprite = object ? object->LockComponent<SpriteAnimComponent>() : nullptr;
  return sprite ? sprite->GetCurrentFrameIndex() : -1;
}

void GLRenderSystem::DrawSpriteRelativeTo::operator()(const char* frameId, float dx, float dy) {
  auto object = LiveObject();
  if (!object) return;
  auto transform = object->LockComponent<TransformComponent>();
  const float x = (transform ? transform->posX : 0.0f) + dx;
  const float y = (transform ? transform->posY : 0.0f) + dy;
  const auto frame = ResourceManager::GetInstance().GetSprite(frameId);
  if (!system_->IsSpriteOnScreen(frame, x, y, 1.0f, 1.0f)) return;
  Colour colour{1.0f, 1.0f, 1.0f, 1.0f};
  if (auto sprite = object->LockComponent<SpriteAnimComponent>()) colour = sprite->tint;
  ClampColour(colour);
  WithColour(colour, [&] { DrawPlacedSpriteQuad(frame, {x, y}); });
}

void GLRenderSystem::DrawSpriteRelativeToParams::operator()(const char* frameId, OrvLua::LuaObject parameters) {
  auto object = LiveObject();
  if (!object) return;
  const auto frame = ResourceManager::GetInstance().GetSprite(frameId);
  if (!frame.Exists()) return;
  if (!parameters.IsTable()) {
    DrawPlacedSpriteQuad(frame, {});
    return;
  }
  auto transform = object->LockComponent<TransformComponent>();
  float x = transform ? transform->posX : 0.0f;
  float y = transform ? transform->posY : 0.0f;
  float rotation = transform ? transform->rotdeg : 0.0f;
  float scaleX = transform ? transform->scaleX : 1.0f;
  float scaleY = transform ? transform->scaleY : 1.0f;
  const auto take = [&](const char* key, auto&& apply) {
    const OrvLua::LuaObject field = parameters[key];
    if (field.IsNumber() &&
        OrvCall::FiniteOrReport(parameters.GetCState(), field.GetNumber(), "DrawRelativeSpriteUsing"))
      apply(field.GetFloat());
  };
  take("x", [&](float v) { x += v; });
  take("y", [&](float v) { y += v; });
  take("rotation", [&](float v) { rotation += v; });
  take("scaleX", [&](float v) { scaleX = v; });
  take("scaleY", [&](float v) { scaleY = v; });
  if (!system_->IsRotatedSpriteOnScreen(frame, x, y, scaleX, scaleY, rotation)) return;
  DrawPlacedSpriteQuad(frame, {x, y, rotation, scaleX, scaleY});
}

OrvLua::LuaObject GLRenderSystem::GetTextureNameFromAnim::operator()(const char* animation, double index) {
  auto script = LiveComponent<ScriptComponent>();
  if (!script) return {};
  // Taken whole, so that no negative index wraps onto a real frame.
  std::string name;
  if (index >= 0.0 && index < 4294967296.0) {
    name = ResourceManager::GetInstance().GetAnimFrameName(animation, static_cast<unsigned>(index));
  }
  return script->MakeString(name.c_str());
}

}  // namespace Orv
