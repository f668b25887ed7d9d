#include "render/DebugDraw.h"

#include <GL/glew.h>

#include "core/App.h"
#include "core/OrientedRect.h"
#include "core/TransformComponent.h"
#include "render/DrawPrimitives.h"
#include "world/Collider.h"
#include "world/CollisionComponent.h"

namespace Orv {

namespace {

constexpr int kCircleSegments = 150;

void DrawBox(float x, float y, double width, double height, double rotation) {
  OrientedRect rect{};
  rect.centreX = x;
  rect.centreY = y;
  rect.halfX = static_cast<float>(width) / 2.0f;
  rect.halfY = static_cast<float>(height) / 2.0f;
  const double corners[4][2] = {{x - rect.halfX, y - rect.halfY},
                                {x + rect.halfX, y - rect.halfY},
                                {x + rect.halfX, y + rect.halfY},
                                {x - rect.halfX, y + rect.halfY}};
  double* targets[4] = {rect.corner0, rect.corner1, rect.corner2, rect.corner3};
  for (int i = 0; i < 4; ++i) {
    targets[i][0] = corners[i][0];
    targets[i][1] = corners[i][1];
  }
  if (rotation != 0.0) rect.Rotate(static_cast<float>(rotation));
  SetColour(1.0f, 0.0f, 0.0f, 1.0f);
  rect.DrawOutline();
}

}  // namespace

void DebugDraw::Init(unsigned, unsigned) {
  requiredTypes.push_back(TypeKey<CollisionComponent>());
  paused = true;
}

void DebugDraw::RenderEntity(EntityRecord& entity) {
  if (!owner_->IsConsoleEnabled() || !Lives(entity.object)) return;
  auto collision = GetHandleComponent<CollisionComponent>(entity.object).Lock();
  // An unrecognised collider type name leaves the component without one.
  const Collider* collider = collision ? collision->GetCollider() : nullptr;
  if (!collider) return;

  DisableCapability(GL_TEXTURE_2D);
  float x = 0.0f, y = 0.0f;
  if (auto transform = GetHandleComponent<TransformComponent>(entity.object).Lock()) {
    x = transform->posX;
    y = transform->posY;
  }
  switch (collider->GetType()) {
    case Collider::TypeAABB: {
      const auto& box = static_cast<const AABB&>(*collider);
      DrawBox(x, y, box.GetWidth(), box.GetHeight(), 0.0);
      LoadIdentity();
      break;
    }
    case Collider::TypeCircle2D:
      SetColour(1.0f, 0.0f, 0.0f, 1.0f);
      DrawCircleOutline(x, y, static_cast<float>(static_cast<const Circle2D&>(*collider).GetRadius()), kCircleSegments);
      LoadIdentity();
      break;
    case Collider::TypeOBB: {
      const auto& box = static_cast<const OBB&>(*collider);
      DrawBox(x, y, box.GetWidth(), box.GetHeight(), box.GetRotation());
      LoadIdentity();
      break;
    }
    default: break;
  }
  SetColour(1.0f, 1.0f, 1.0f, 1.0f);
  EnableCapability(GL_TEXTURE_2D);
}

}  // namespace Orv
