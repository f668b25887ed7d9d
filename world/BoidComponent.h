#pragma once
// The flocking parameters of an object: kept for game data, moved by nothing.
#include <cstdint>
#include <string_view>

#include "core/Component.h"
#include "core/NotFiniteRefusal.h"
#include "core/Vec2.h"

namespace Orv {

class BoidComponent : public Component {
 public:
  static constexpr std::string_view RunTimeName = "class Orv::BoidComponent";

  enum Property : unsigned { GroupID, Radius, Angle, PosX, PosY, PropertyCount };

  void Setup() override;
  void Shutdown() override {}
  void OnAttach(GameObject* owner) override;
  void OnIntProperty(unsigned index, int value) override;
  // "angle", "posX" and "posY" all write vector A: the last one given wins.
  void OnRealProperty(unsigned index, double value) override;

  std::int32_t groupID = -1;
  float radius = 1.0f;
  Vec2 vectorA;
  Vec2 vectorB{1, 0};
  Vec2 vectorC{1, 0};
  Vec2 vectorD;

 private:
  // A value that is not finite, even once in single precision, is ignored.
  NotFiniteRefusal refusal_{"Boid"};
};

}  // namespace Orv
