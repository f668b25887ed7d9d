#include "script/MessageChannel.h"

namespace Orv {

void MessageChannel::Subscribe(std::uint32_t uniqueId, ObjectLockPtr<GameObject> object) {
  subscribers[uniqueId] = std::move(object);
}

void MessageChannel::Unsubscribe(std::uint32_t uniqueId) { subscribers.erase(uniqueId); }

bool MessageChannel::IsSubscribed(std::uint32_t uniqueId) const { return subscribers.count(uniqueId) != 0; }

void MessageChannel::ReleaseGoneHandles() {
  for (auto& [uniqueId, object] : subscribers) {
    if (object.Weak().expired()) object = ObjectLockPtr<GameObject>();
  }
}

std::vector<ObjectLockPtr<GameObject>> MessageChannel::Receivers() const {
  std::vector<ObjectLockPtr<GameObject>> receivers;
  receivers.reserve(subscribers.size());
  for (const auto& [uniqueId, object] : subscribers) receivers.push_back(object);
  return receivers;
}

}  // namespace Orv
