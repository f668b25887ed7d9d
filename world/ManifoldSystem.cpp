#include "world/ManifoldSystem.h"

#include "world/CollisionComponent.h"

namespace Orv {

ManifoldSystem::~ManifoldSystem() { ClearManifolds(); }

std::size_t ManifoldSystem::FindManifold(const Manifold& working) const {
  for (std::size_t i = 0; i < observers_.size(); ++i) {
    const Manifold& m = At(i);
    // Serials as well as addresses: a component made where a dead one was
    // must not inherit its contact.
    if (m.bodyA == working.bodyA && m.bodyB == working.bodyB && m.serialA == working.serialA &&
        m.serialB == working.serialB) {
      return i;
    }
  }
  return observers_.size();
}

bool ManifoldSystem::RefreshManifold(Manifold& working) {
  const std::size_t found = FindManifold(working);
  if (found == observers_.size()) return false;
  Manifold& stored = At(found);
  if (stored.state != ManifoldStale) return false;
  stored.CopyContact(working);
  const std::shared_ptr<Manifold> handle = std::static_pointer_cast<Manifold>(observers_[found]);
  if (stored.bodyA != nullptr) stored.bodyA->AddFrameManifold(handle);
  if (stored.bodyB != nullptr) stored.bodyB->AddFrameManifold(handle);
  stored.state = ManifoldRefreshed;
  working.state = ManifoldRefreshed;
  return true;
}

void ManifoldSystem::AddManifold(Manifold& working) {
  working.state = ManifoldNew;
  for (std::size_t i = 0; i < observers_.size(); ++i) {
    if (At(i).state == ManifoldFree) {
      At(i).CopyContact(working);
      return;
    }
  }
  observers_.push_back(std::make_shared<Manifold>(working));
}

void ManifoldSystem::AgeManifolds() {
  for (std::size_t i = 0; i < observers_.size(); ++i) {
    Manifold& m = At(i);
    if (m.state == ManifoldStale) {
      m.Free();
    } else if (m.state == ManifoldNew || m.state == ManifoldRefreshed) {
      m.state = ManifoldStale;
    }
  }
}

void ManifoldSystem::ClearManifolds() { observers_.clear(); }

}  // namespace Orv
