#include "render/FrontParticleSystem.h"

#include "core/App.h"

namespace Orv {

void FrontParticleSystem::Update(float dt) {
  bursts_.Update(dt, owner_->IsPaused(), owner_->GetWidth(), owner_->GetHeight());
}

void FrontParticleSystem::Render() { bursts_.Render(owner_->GetWidth(), owner_->GetHeight()); }

}  // namespace Orv
