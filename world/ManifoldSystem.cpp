#include "world/ManifoldSystem.h"

#include <algorithm>

#include "world/CollisionComponent.h"

namespace Orv {

namespace {

// The lifetimes of the stores that hold manifolds now: one for each
// collision engine, seldom more.
std::vector<std::uint64_t>& LiveLifetimes() {
  static std::vector<std::uint64_t> live;
  return live;
}

std::uint64_t BeginLifetime() {
  static std::uint64_t next = 0;
  LiveLifetimes().push_back(++next);
  return next;
}

void EndLifetime(std::uint64_t lifetime) {
  std::vector<std::uint64_t>& live = LiveLifetimes();
  live.erase(std::remove(live.begin(), live.end(), lifetime), live.end());
}

}  // namespace

ManifoldSystem::ManifoldSystem() : lifetime_(BeginLifetime()) {}

ManifoldSystem::~ManifoldSystem() {
  ClearManifolds();
  EndLifetime(lifetime_);
}

bool ManifoldSystem::Holds(std::uint64_t lifetime) {
  const std::vector<std::uint64_t>& live = LiveLifetimes();
  return std::find(live.begin(), live.end(), lifetime) != live.end();
}

std::size_t ManifoldSystem::ScanForManifold(const PairKey& key) const {
  for (std::size_t i = 0; i < manifolds_.size(); ++i) {
    if (KeyOf(At(i)) == key) return i;
  }
  return manifolds_.size();
}

std::size_t ManifoldSystem::FindManifold(const Manifold& working) const {
  // Serials as well as addresses: a component made where a dead one was
  // must not inherit its contact.
  const PairKey key = KeyOf(working);
  // Freed manifolds have no bodies and are never indexed.
  if (key.a == nullptr || key.b == nullptr) return ScanForManifold(key);
  std::size_t* first = firstOfPair_.Find(key);
  if (first == nullptr) return manifolds_.size();
  if (*first < manifolds_.size() && KeyOf(At(*first)) == key) return *first;
  const std::size_t found = ScanForManifold(key);
  if (found == manifolds_.size()) {
    firstOfPair_.Erase(key, *first);
  } else {
    *first = found;
  }
  return found;
}

void ManifoldSystem::RebuildIndex() {
  firstOfPair_.Clear();
  duplicatePairs_ = false;
  for (std::size_t i = 0; i < manifolds_.size(); ++i) {
    const PairKey key = KeyOf(At(i));
    if (key.a != nullptr && key.b != nullptr) duplicatePairs_ |= !firstOfPair_.Emplace(key, i).second;
  }
}

void ManifoldSystem::ForgetFirst(const PairKey& key, std::size_t position) { firstOfPair_.Erase(key, position); }

bool ManifoldSystem::FreedBehindTheStore() {
  if (Manifold::FreeCount() == freesSeen_) return false;
  freesSeen_ = Manifold::FreeCount();
  return true;
}

void ManifoldSystem::BeginPass() {
  inPass_ = true;
  std::swap(passOrder_, lastPassOrder_);
  passOrder_.clear();
  passCursor_ = 0;
  placeInLastPass_.assign(manifolds_.size(), kNoPlace);
  for (std::size_t k = 0; k < lastPassOrder_.size(); ++k) {
    if (lastPassOrder_[k] < placeInLastPass_.size())
      placeInLastPass_[lastPassOrder_[k]] = static_cast<std::uint32_t>(k);
  }
}

void ManifoldSystem::NoteInPass(std::size_t position) {
  if (inPass_) passOrder_.push_back(static_cast<std::uint32_t>(position));
}

std::size_t ManifoldSystem::FindInPass(const Manifold& working) {
  // With two manifolds for a pair the first must be found, which only the
  // index knows.
  if (!inPass_ || duplicatePairs_) return FindManifold(working);
  const PairKey key = KeyOf(working);
  if (key.a == nullptr || key.b == nullptr) return FindManifold(working);
  // The next pair of the last pass, or the one after when the next one has
  // ended; a pair has only the one manifold, so a match is the first.
  for (std::size_t k = passCursor_; k < lastPassOrder_.size() && k < passCursor_ + 2; ++k) {
    const std::size_t position = lastPassOrder_[k];
    if (position < manifolds_.size() && KeyOf(At(position)) == key) {
      passCursor_ = k + 1;
      return position;
    }
  }
  const std::size_t found = FindManifold(working);
  // Found elsewhere in the last pass's order: go on from there.
  if (found < placeInLastPass_.size() && placeInLastPass_[found] != kNoPlace) {
    passCursor_ = placeInLastPass_[found] + 1;
  }
  return found;
}

bool ManifoldSystem::RefreshManifold(Manifold& working) {
  const std::size_t found = FindInPass(working);
  if (found == manifolds_.size()) return false;
  Manifold& stored = At(found);
  if (stored.state != ManifoldStale) return false;
  stored.CopyContact(working);
  if (stored.bodyA != nullptr) stored.bodyA->AddFrameManifold(&stored, lifetime_);
  if (stored.bodyB != nullptr) stored.bodyB->AddFrameManifold(&stored, lifetime_);
  stored.state = ManifoldRefreshed;
  working.state = ManifoldRefreshed;
  NoteInPass(found);
  return true;
}

void ManifoldSystem::AddManifold(Manifold& working) {
  working.state = ManifoldNew;
  if (FreedBehindTheStore()) freeCursor_ = 0;
  while (freeCursor_ < manifolds_.size() && At(freeCursor_).state != ManifoldFree) ++freeCursor_;
  const std::size_t position = freeCursor_++;
  if (position < manifolds_.size()) {
    At(position).CopyContact(working);
  } else {
    manifolds_.push_back(std::make_shared<Manifold>(working));
    observers_.push_back(manifolds_.back());
  }
  NoteInPass(position);
  const PairKey key = KeyOf(working);
  if (key.a == nullptr || key.b == nullptr) return;
  auto [first, added] = firstOfPair_.Emplace(key, position);
  if (added) return;
  // A pair met twice in one frame has two manifolds: the index keeps the first.
  if (*first >= manifolds_.size() || !(KeyOf(At(*first)) == key)) {
    *first = ScanForManifold(key);
  } else if (position < *first) {
    *first = position;
  }
  duplicatePairs_ = true;
}

void ManifoldSystem::AgeManifolds() {
  // Frees by shut-down bodies left index entries whose keys are gone.
  const bool rebuild = FreedBehindTheStore() || duplicatePairs_;
  std::size_t lowestFree = manifolds_.size();
  for (std::size_t i = 0; i < manifolds_.size(); ++i) {
    Manifold& m = At(i);
    if (m.state == ManifoldStale) {
      if (!rebuild) ForgetFirst(KeyOf(m), i);
      m.Free();
    } else if (m.state == ManifoldNew || m.state == ManifoldRefreshed) {
      m.state = ManifoldStale;
    }
    if (m.state == ManifoldFree && lowestFree == manifolds_.size()) lowestFree = i;
  }
  if (rebuild) RebuildIndex();
  freeCursor_ = lowestFree;
  freesSeen_ = Manifold::FreeCount();
}

void ManifoldSystem::ClearManifolds() {
  // What the bodies still list from before is no longer held.
  if (!manifolds_.empty()) {
    EndLifetime(lifetime_);
    lifetime_ = BeginLifetime();
  }
  observers_.clear();
  manifolds_.clear();
  firstOfPair_.Clear();
  duplicatePairs_ = false;
  freeCursor_ = 0;
  freesSeen_ = Manifold::FreeCount();
}

}  // namespace Orv
