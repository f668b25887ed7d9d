#pragma once
// The object's collider and its contact records.
#include <string_view>

#include "core/Component.h"

namespace Orv {

class CollisionComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::CollisionComponent";

  void Setup() override {}
  void Shutdown() override {}
  // Forgets the contacts recorded this frame; the script engine calls it once
  // the object's script has had its Update. There are no records to forget
  // until the collision engine keeps them.
  void ClearContacts() {}

  // With either flag set on one object of a pair, the pair's contact is still
  // recorded but neither is pushed away; avoidTileTrigger keeps the object out
  // of the push out of solid tiles. A mounted child carries both.
  bool avoidTrigger = false;
  bool avoidTileTrigger = false;
};

}  // namespace Orv
