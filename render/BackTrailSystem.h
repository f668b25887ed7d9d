#pragma once
// Fading ribbons behind moving objects. A script starts a trail on its own
// object; the object's world position is then sampled at a fixed interval,
// each segment between samples fades out over one second, and a live segment
// joins the last sample to where the object is now.
#include <list>
#include <memory>
#include <vector>

#include "core/ObjectLockPtr.h"
#include "core/System.h"
#include "resources/SpriteSheet.h"

namespace Orv {

class ScriptComponent;

struct TrailPoint {
  double fromX, fromY, toX, toY;
  float age = 0.0f;
  float lifetime = 1.0f;
};

struct TrailRequest {
  ObjectLockPtr<GameObject> object;
  float interval;
  float halfWidth;
  float alpha;
  ObjectLockPtr<SpriteFrame> frame;
};

struct Trail {
  ObjectLockPtr<GameObject> object;
  float elapsed = 0.0f;
  float interval = 0.0f;
  float halfWidth = 0.0f;
  double previousX = 0.0, previousY = 0.0;
  double currentX = 0.0, currentY = 0.0;
  bool finalSegmentPending = true;
  ObjectLockPtr<SpriteFrame> frame;
  float alpha = 1.0f;
  std::vector<TrailPoint> points;
};

class BackTrailSystem : public PlainSystem {
 public:
  // More live trails on one object are not started: a script that starts one
  // every frame would otherwise grow the list for ever.
  static constexpr int kMaxTrailsPerObject = 64;

  using PlainSystem::PlainSystem;

  void OnRegistered() override;
  void LateUpdate(float dt) override;
  void Render() override;
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);

  // Started at the next late update.
  void RequestTrail(TrailRequest request) { requests_.push_back(std::move(request)); }
  const std::list<Trail>& Trails() const { return trails_; }

 private:
  // The functors made for each scripted object, in BackTrailSystemScript.h.
  class EnableTrailingEffectFunc;
  class SetTrailTintFunc;

  void DrawSegment(const Trail& trail, double ax, double ay, double bx, double by, float fade) const;
  int TrailsOn(const ObjectLockPtr<GameObject>& object) const;

  std::list<Trail> trails_;
  std::vector<TrailRequest> requests_;
};

}  // namespace Orv
