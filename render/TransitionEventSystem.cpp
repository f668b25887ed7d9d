#include "render/TransitionEventSystem.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

#include "core/App.h"
#include "render/DrawPrimitives.h"

namespace Orv {

namespace {

void DrawBlackQuad(unsigned width, unsigned height, float alpha) {
  DisableCapability(GL_TEXTURE_2D);
  SetColour(0.0f, 0.0f, 0.0f, alpha);
  Translate2D(static_cast<float>(width / 2), static_cast<float>(height / 2));
  Scale2D(static_cast<float>(width), static_cast<float>(height));
  DrawUnitQuad();
  LoadIdentity();
  ResetColour();
  EnableCapability(GL_TEXTURE_2D);
}

}  // namespace

float Transition::Progress() const {
  // A duration of 0 shows the end state at once instead of dividing by it.
  if (!(duration > 0.0f)) return 1.0f;
  return std::min(elapsed / duration, 1.0f);
}

void Fade2BlackTransition::Draw(unsigned width, unsigned height, float t) { DrawBlackQuad(width, height, t); }

void FadeFrmBlackTransition::Draw(unsigned width, unsigned height, float t) { DrawBlackQuad(width, height, 1.0f - t); }

void TransitionEventSystem::Update(float dt) {
  for (auto& transition : active_) {
    if (transition->elapsed < transition->duration) transition->elapsed += dt;
  }
}

void TransitionEventSystem::LateUpdate(float) {
  std::erase_if(active_, [](const auto& transition) { return transition->elapsed >= transition->duration; });
}

void TransitionEventSystem::Render() {
  const unsigned width = owner_->GetWidth();
  const unsigned height = owner_->GetHeight();
  for (auto& transition : active_) transition->Draw(width, height, transition->Progress());
}

void TransitionEventSystem::StartTransition(int type, int id, float duration) {
  // A duration that is not a number would never end.
  if (std::isnan(duration)) duration = 0.0f;
  if (type == kFadeToBlack) {
    active_.push_back(std::make_unique<Fade2BlackTransition>(id, duration));
  } else if (type == kFadeFromBlack) {
    active_.push_back(std::make_unique<FadeFrmBlackTransition>(id, duration));
  }
}

bool TransitionEventSystem::IsTransitionEnd(int id) {
  return std::none_of(active_.begin(), active_.end(), [id](const auto& transition) { return transition->id == id; });
}

void TransitionEventSystem::StopTransition(int id) {
  std::erase_if(active_, [id](const auto& transition) { return transition->id == id; });
}

void TransitionEventSystem::StartUniqueTransition(int type, int id, float duration) {
  if (IsTransitionEnd(id)) StartTransition(type, id, duration);
}

}  // namespace Orv
