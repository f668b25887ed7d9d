#include "render/BackParticleSystem.h"

#include "core/App.h"

namespace Orv {

void BackParticleSystem::Update(float dt) {
  bursts_.Update(dt, owner_->IsPaused(), owner_->GetWidth(), owner_->GetHeight());
}

void BackParticleSystem::Render() { bursts_.Render(owner_->GetWidth(), owner_->GetHeight()); }

}  // namespace Orv
