#include "render/BackTrailSystem.h"

#include <GL/glew.h>

#include <cmath>
#include <string>

#include "core/App.h"
#include "core/GameObject.h"
#include "core/ReportOnce.h"
#include "core/TransformComponent.h"
#include "render/CameraSystem.h"
#include "render/DrawPrimitives.h"
#include "render/SpriteAnimComponent.h"

namespace Orv {

namespace {

bool SameObject(const ObjectLockPtr<GameObject>& a, const ObjectLockPtr<GameObject>& b) {
  auto la = a.Lock();
  return la && la == b.Lock();
}

}  // namespace

int BackTrailSystem::TrailsOn(const ObjectLockPtr<GameObject>& object) const {
  int count = 0;
  for (const Trail& trail : trails_) count += SameObject(trail.object, object) ? 1 : 0;
  return count;
}

void BackTrailSystem::LateUpdate(float dt) {
  for (Trail& trail : trails_) {
    const bool alive = Lives(trail.object);
    if (alive) {
      trail.elapsed += dt;
      auto transform = GetHandleComponent<TransformComponent>(trail.object).Lock();
      if (transform) {
        trail.currentX = transform->worldX;
        trail.currentY = transform->worldY;
      }
      if (trail.elapsed >= trail.interval) {
        if (transform && transform->trailEnabled) {
          trail.points.push_back({trail.previousX, trail.previousY, transform->worldX, transform->worldY, 0.0f, 1.0f});
          trail.previousX = transform->worldX;
          trail.previousY = transform->worldY;
        }
        trail.elapsed = 0.0f;
      }
    } else if (trail.finalSegmentPending) {
      const float lifetime = trail.elapsed >= trail.interval ? 1.0f : 0.0f;
      trail.points.push_back({trail.previousX, trail.previousY, trail.currentX, trail.currentY, 0.0f, lifetime});
      trail.finalSegmentPending = false;
    }
    std::erase_if(trail.points, [dt](TrailPoint& point) {
      if (point.age < point.lifetime) point.age += dt;
      return point.age >= point.lifetime;
    });
  }

  trails_.remove_if([](const Trail& trail) {
    if (!trail.points.empty()) return false;
    if (!Lives(trail.object)) return true;
    auto transform = GetHandleComponent<TransformComponent>(trail.object).Lock();
    return !transform || !transform->trailEnabled;
  });

  std::vector<TrailRequest> requests;
  requests.swap(requests_);
  for (TrailRequest& request : requests) {
    if (!Lives(request.object)) continue;
    auto transform = GetHandleComponent<TransformComponent>(request.object).Lock();
    if (!transform) continue;
    if (TrailsOn(request.object) >= kMaxTrailsPerObject) {
      const std::string id = std::to_string(GetGameObjectID(request.object));
      PrintLineOnce("EnableTrailingEffect: trails full", id,
                    "EnableTrailingEffect: object " + id + " already has " + std::to_string(kMaxTrailsPerObject) +
                        " trails; no more are started");
      continue;
    }
    Trail trail;
    trail.object = request.object;
    trail.interval = request.interval;
    trail.halfWidth = request.halfWidth;
    trail.previousX = trail.currentX = transform->worldX;
    trail.previousY = trail.currentY = transform->worldY;
    trail.frame = std::move(request.frame);
    trail.alpha = request.alpha;
    transform->trailEnabled = true;
    trails_.push_back(std::move(trail));
  }
}

void BackTrailSystem::DrawSegment(const Trail& trail, double ax, double ay, double bx, double by, float fade) const {
  // A trail whose texture names a frame is never drawn.
  if (trail.frame.Exists()) return;
  const double dx = bx - ax, dy = by - ay;
  const double length2 = dx * dx + dy * dy;
  double ox = 0.0, oy = 0.0;
  if (length2 > 1e-8) {
    const double length = std::sqrt(length2);
    ox = -dy / length * trail.halfWidth;
    oy = dx / length * trail.halfWidth;
  }
  float r = 0.55f, g = 0.55f, b = 0.55f;
  if (Lives(trail.object)) {
    if (auto anim = GetHandleComponent<SpriteAnimComponent>(trail.object).Lock()) {
      r = anim->trailTint[0];
      g = anim->trailTint[1];
      b = anim->trailTint[2];
    }
  }
  DisableCapability(GL_TEXTURE_2D);
  SetColour(r, g, b, trail.alpha * fade);
  DrawPolygon({Vec2(ax - ox, ay - oy), Vec2(ax + ox, ay + oy), Vec2(bx + ox, by + oy), Vec2(bx - ox, by - oy)});
  SetColour(1.0f, 1.0f, 1.0f, 1.0f);
  EnableCapability(GL_TEXTURE_2D);
}

void BackTrailSystem::Render() {
  const unsigned halfWidth = owner_->GetWidth() / 2, halfHeight = owner_->GetHeight() / 2;
  const double offsetX = halfWidth - static_cast<double>(g_cameraCentreX);
  const double offsetY = halfHeight - static_cast<double>(g_cameraCentreY);
  // The corners are screen pixels: whatever the pass before left on the
  // matrix (a sprite's scale) would move and stretch the ribbon.
  LoadIdentity();
  for (const Trail& trail : trails_) {
    for (const TrailPoint& point : trail.points) {
      DrawSegment(trail, point.fromX + offsetX, point.fromY + offsetY, point.toX + offsetX, point.toY + offsetY,
                  1.0f - point.age / point.lifetime);
    }
    if (!Lives(trail.object)) continue;
    auto transform = GetHandleComponent<TransformComponent>(trail.object).Lock();
    if (!transform || !transform->trailEnabled) continue;
    const float toX = transform->worldX - g_cameraCentreX + static_cast<float>(halfWidth);
    const float toY = transform->worldY - g_cameraCentreY + static_cast<float>(halfHeight);
    DrawSegment(trail, trail.previousX + offsetX, trail.previousY + offsetY, toX, toY, 1.0f);
  }
  SetColour(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace Orv
