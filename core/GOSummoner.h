#pragma once
#include "core/System.h"

namespace Orv {

struct OverrideLists;

// Creates the objects of the spawn list, data/summoner.ini, when the engine
// starts; each is announced to every system before the next is made.
class GOSummoner : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
  void Start() override;
};

}  // namespace Orv
