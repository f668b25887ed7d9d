#include "editor/EditorObjectStore.h"

#include <algorithm>
#include <sstream>

#include "core/GameObject.h"
#include "core/Report.h"
#include "world/CollisionComponent.h"

namespace Orv {

namespace {

std::string Describe(const char* head, const EditorObjectRecord& record) {
  std::ostringstream line;
  line << head << record.name << " | ID: " << record.savedId << " | Position: " << record.x << ", " << record.y;
  return line.str();
}

}  // namespace

EditorObjectStore& EditorObjectStore::GetInstance() {
  static EditorObjectStore store;
  return store;
}

bool EditorObjectStore::Contains(const EditorObjectRecord& record, float x, float y) {
  const float dx = x - record.x;
  const float dy = y - record.y;
  if (record.shape == "Circle") return record.radius * record.radius > dx * dx + dy * dy;
  if (record.shape == "AABB" || record.shape == "OBB") {
    return record.x - record.halfWidth < x && x < record.x + record.halfWidth && record.y - record.halfHeight < y &&
           y < record.y + record.halfHeight;
  }
  return false;
}

const std::uint32_t* EditorObjectStore::FirstContaining(float x, float y) const {
  for (const auto& [key, record] : records_) {
    if (Contains(record, x, y)) return &key;
  }
  return nullptr;
}

void EditorObjectStore::TakeKey(std::uint32_t key) {
  if (key != lowestFree_) return;
  // Walks only the run of taken keys that follows.
  auto it = records_.find(key);
  while (it != records_.end() && it->first == lowestFree_) {
    ++lowestFree_;
    ++it;
  }
}

void EditorObjectStore::AddRecord(const EditorObjectRecord& record) {
  PrintLine(Describe("Object added:  Name: ", record));
  // The next key is free unless something filled it since; then the lowest
  // free one takes the record, which is never dropped.
  const std::uint32_t key = records_.count(nextKey_) == 0 ? nextKey_ : lowestFree_;
  const EditorObjectRecord& stored = records_.emplace(key, record).first->second;
  keysByObject_.emplace(stored.objectId, key);
  TakeKey(key);
  PrintLine(Describe("Object stored: Name: ", stored));
  nextKey_ = lowestFree_;
}

std::uint32_t EditorObjectStore::RemoveAt(float x, float y) {
  const std::uint32_t* found = FirstContaining(x, y);
  if (found == nullptr) return 0;
  const std::uint32_t key = *found;
  const std::uint32_t objectId = records_.at(key).objectId;
  auto [first, last] = keysByObject_.equal_range(objectId);
  for (auto it = first; it != last; ++it) {
    if (it->second == key) {
      keysByObject_.erase(it);
      break;
    }
  }
  records_.erase(key);
  lowestFree_ = std::min(lowestFree_, key);
  return objectId;
}

std::uint32_t EditorObjectStore::Pick(std::uint32_t& held, bool begin, float x, float y) {
  if (begin) {
    if (const std::uint32_t* key = FirstContaining(x, y)) held = records_.at(*key).objectId;
  }
  pickX_ = x;
  pickY_ = y;
  return held;
}

std::uint32_t EditorObjectStore::PickForMove(bool begin, float x, float y) { return Pick(movedObject_, begin, x, y); }

std::uint32_t EditorObjectStore::PickForRotate(bool begin, float x, float y) {
  return Pick(rotatedObject_, begin, x, y);
}

void EditorObjectStore::UpdateFromObject(const GameObject& object, bool released) {
  auto collision = object.LockComponent<CollisionComponent>();
  const Collider* collider = collision ? collision->GetCollider() : nullptr;
  if (collider != nullptr) {
    const Vec2 centre = collider->GetPosition();
    auto [first, last] = keysByObject_.equal_range(object.GetUniqueId());
    for (auto it = first; it != last; ++it) {
      EditorObjectRecord& record = records_.at(it->second);
      record.x = static_cast<float>(centre.x);
      record.y = static_cast<float>(centre.y);
      record.rotation = static_cast<float>(collider->GetRotation());
    }
  }
  if (released) movedObject_ = rotatedObject_ = 0;
}

void EditorObjectStore::ClearRecords() {
  records_.clear();
  keysByObject_.clear();
  lowestFree_ = 0;
}

}  // namespace Orv
