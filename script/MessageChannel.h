#pragma once
// One named message channel: its subscribers by unique id, so a message goes
// out in ascending unique id whatever the order of subscription.
#include <cstdint>
#include <map>
#include <vector>

#include "core/GameObject.h"
#include "core/ObjectLockPtr.h"

namespace Orv {

class MessageChannel {
 public:
  // One entry per unique id: a later subscriber under the same id (ids are
  // handed out again) takes the place of the earlier one.
  void Subscribe(std::uint32_t uniqueId, ObjectLockPtr<GameObject> object);
  void Unsubscribe(std::uint32_t uniqueId);
  bool IsSubscribed(std::uint32_t uniqueId) const;
  // The handles in ascending unique id, taken before a delivery starts, so a
  // receiver may change the channel while the message is on its way.
  std::vector<ObjectLockPtr<GameObject>> Receivers() const;
  // Empties the handles of objects already freed. Their entries stay (a later
  // object under the same id reads as subscribed), but a handle would keep
  // the freed object's memory until then.
  void ReleaseGoneHandles();

  // Entries of destroyed objects stay until their id unsubscribes.
  std::map<std::uint32_t, ObjectLockPtr<GameObject>> subscribers;
};

}  // namespace Orv
