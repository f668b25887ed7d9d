#include "world/ManifoldSystem.h"

#include <functional>

#include "world/CollisionComponent.h"

namespace Orv {

ManifoldSystem::~ManifoldSystem() { ClearManifolds(); }

std::size_t ManifoldSystem::PairKeyHash::operator()(const PairKey& key) const {
  std::size_t h = std::hash<const void*>()(key.a);
  h = h * 1000003u ^ std::hash<const void*>()(key.b);
  h = h * 1000003u ^ std::hash<std::uint64_t>()(key.serialA);
  return h * 1000003u ^ std::hash<std::uint64_t>()(key.serialB);
}

std::size_t ManifoldSystem::ScanForManifold(const PairKey& key) const {
  for (std::size_t i = 0; i < observers_.size(); ++i) {
    if (KeyOf(At(i)) == key) return i;
  }
  return observers_.size();
}

std::size_t ManifoldSystem::FindManifold(const Manifold& working) const {
  // Serials as well as addresses: a component made where a dead one was
  // must not inherit its contact.
  const PairKey key = KeyOf(working);
  // Freed manifolds have no bodies and are never indexed.
  if (key.a == nullptr || key.b == nullptr) return ScanForManifold(key);
  auto entry = firstOfPair_.find(key);
  if (entry == firstOfPair_.end()) return observers_.size();
  if (entry->second < observers_.size() && KeyOf(At(entry->second)) == key) return entry->second;
  const std::size_t found = ScanForManifold(key);
  if (found == observers_.size()) {
    firstOfPair_.erase(entry);
  } else {
    entry->second = found;
  }
  return found;
}

void ManifoldSystem::RebuildIndex() {
  firstOfPair_.clear();
  duplicatePairs_ = false;
  for (std::size_t i = 0; i < observers_.size(); ++i) {
    const PairKey key = KeyOf(At(i));
    if (key.a != nullptr && key.b != nullptr) duplicatePairs_ |= !firstOfPair_.emplace(key, i).second;
  }
}

void ManifoldSystem::ForgetFirst(const PairKey& key, std::size_t position) {
  auto entry = firstOfPair_.find(key);
  if (entry != firstOfPair_.end() && entry->second == position) firstOfPair_.erase(entry);
}

bool ManifoldSystem::FreedBehindTheStore() {
  if (Manifold::FreeCount() == freesSeen_) return false;
  freesSeen_ = Manifold::FreeCount();
  return true;
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
  if (FreedBehindTheStore()) freeCursor_ = 0;
  while (freeCursor_ < observers_.size() && At(freeCursor_).state != ManifoldFree) ++freeCursor_;
  const std::size_t position = freeCursor_++;
  if (position < observers_.size()) {
    At(position).CopyContact(working);
  } else {
    observers_.push_back(std::make_shared<Manifold>(working));
  }
  const PairKey key = KeyOf(working);
  if (key.a == nullptr || key.b == nullptr) return;
  auto [entry, added] = firstOfPair_.emplace(key, position);
  if (added) return;
  // A pair met twice in one frame has two manifolds: the index keeps the first.
  if (entry->second >= observers_.size() || !(KeyOf(At(entry->second)) == key)) {
    entry->second = ScanForManifold(key);
  } else if (position < entry->second) {
    entry->second = position;
  }
  duplicatePairs_ = true;
}

void ManifoldSystem::AgeManifolds() {
  // Frees by shut-down bodies left index entries whose keys are gone.
  const bool rebuild = FreedBehindTheStore() || duplicatePairs_;
  std::size_t lowestFree = observers_.size();
  for (std::size_t i = 0; i < observers_.size(); ++i) {
    Manifold& m = At(i);
    if (m.state == ManifoldStale) {
      if (!rebuild) ForgetFirst(KeyOf(m), i);
      m.Free();
    } else if (m.state == ManifoldNew || m.state == ManifoldRefreshed) {
      m.state = ManifoldStale;
    }
    if (m.state == ManifoldFree && lowestFree == observers_.size()) lowestFree = i;
  }
  if (rebuild) RebuildIndex();
  freeCursor_ = lowestFree;
  freesSeen_ = Manifold::FreeCount();
}

void ManifoldSystem::ClearManifolds() {
  observers_.clear();
  firstOfPair_.clear();
  duplicatePairs_ = false;
  freeCursor_ = 0;
  freesSeen_ = Manifold::FreeCount();
}

}  // namespace Orv
