#include "render/LevelShadowDraw.h"

#include <GL/glew.h>

#include <algorithm>
#include <memory>

#include "core/App.h"
#include "core/Report.h"
#include "core/ReportOnce.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "render/DrawPrimitives.h"
#include "render/LevelRenderer.h"
#include "render/LightComponent.h"
#include "render/SpriteAnimComponent.h"
#include "resources/ResourceManager.h"
#include "script/ScriptComponent.h"
#include "world/CollisionComponent.h"
#include "world/TileMapComponent.h"

namespace Orv {

namespace {

constexpr double kShadowLength = 1000.0;

Vec2 NormaliseOrZero(const Vec2& v) {
  const double squared = v.LengthSquared();
  if (!(squared > 1e-8)) return {};
  return v / std::sqrt(squared);
}

ShadowEdge MakeEdge(const Vec2& start, const Vec2& end) {
  return {start, end, Vec2{-(end.y - start.y), end.x - start.x}};
}

void FillShadows(const std::vector<ShadowPolygon>& shadows) {
  for (const ShadowPolygon& shadow : shadows) {
    if (shadow.points.empty()) continue;
    SetColour(0.0f, 0.0f, 0.0f, 1.0f);
    DrawPolygon(shadow.points);
    SetColour(1.0f, 1.0f, 1.0f, 1.0f);
  }
}

void OutlineShadows(const std::vector<ShadowPolygon>& shadows) {
  for (const ShadowPolygon& shadow : shadows) {
    if (shadow.points.empty()) continue;
    glBegin(GL_LINE_STRIP);
    for (const Vec2& p : shadow.points) glVertex2d(p.x, p.y);
    glVertex2d(shadow.points.front().x, shadow.points.front().y);
    glEnd();
  }
}

}  // namespace

ShadowPolygon BuildRectPolygon(const OrientedRect& rect) {
  ShadowPolygon polygon;
  const double cx = rect.centreX;
  const double cy = rect.centreY;
  const double hx = rect.halfX;
  const double hy = rect.halfY;
  polygon.points = {{cx - hx, cy - hy}, {cx - hx, cy + hy}, {cx + hx, cy + hy}, {cx + hx, cy - hy}};
  return polygon;
}

void BuildEdges(ShadowPolygon& polygon) {
  const std::size_t count = polygon.points.size();
  if (count < 2) return;
  for (std::size_t i = 0; i < count; ++i) {
    const Vec2& start = polygon.points[i == 0 ? count - 1 : i - 1];
    polygon.edges.push_back(MakeEdge(start, polygon.points[i]));
  }
}

ShadowPolygon EdgeShadow(const ShadowEdge& edge, const Vec2& light) {
  ShadowPolygon shadow;
  if (edge.normal.Dot(light - edge.start) >= 0.0) return shadow;
  const Vec2 u = NormaliseOrZero(edge.start - light);
  const Vec2 w = NormaliseOrZero(edge.end - light);
  shadow.points = {edge.start, edge.start + u * kShadowLength, edge.end + w * kShadowLength, edge.end};
  BuildEdges(shadow);
  return shadow;
}

std::vector<ShadowPolygon> PolygonShadows(const ShadowPolygon& polygon, const Vec2& light) {
  std::vector<ShadowPolygon> shadows;
  shadows.reserve(polygon.edges.size());
  for (const ShadowEdge& edge : polygon.edges) shadows.push_back(EdgeShadow(edge, light));
  return shadows;
}

std::vector<ShadowPolygon> PointShadow(const Vec2& point, const Vec2& light, double size) {
  const Vec2 d = point - light;
  const Vec2 side = NormaliseOrZero(Vec2{-d.y, d.x}) * size;
  return {EdgeShadow(MakeEdge(point + side, point - side), light)};
}

void LevelShadowDraw::Init(unsigned, unsigned) {
  requiredTypes.push_back(TypeKey<TileMapComponent>());
  requiredTypes.push_back(TypeKey<LightComponent>());
}

void LevelShadowDraw::SetHighlightTileTexture(const char* frameId) {
  highlightFrame_ = ResourceManager::GetInstance().GetSprite(frameId != nullptr ? frameId : "");
}

void LevelShadowDraw::OnEntityAdded(EntityRecord& entity) {
  auto object = entity.object.Lock();
  if (!Lives(object)) return;
  auto light = object->LockComponent<LightComponent>();
  if (light && light->shadowcast) shadowLights_.push_back(entity);
}

void LevelShadowDraw::OnGameObjectOffered(ObjectLockPtr<GameObject> object) {
  auto locked = object.Lock();
  if (!Lives(locked)) return;
  auto collision = locked->LockComponent<CollisionComponent>();
  if (!collision || !collision->occluding) return;
  auto sprite = locked->LockComponent<SpriteAnimComponent>();
  if (!sprite || sprite->layer == 0) return;
  if (!locked->GetComponent<TransformComponent>().Exists()) return;
  occluderObjects_.push_back(std::move(object));
}

void LevelShadowDraw::DropDeadLights() {
  std::erase_if(shadowLights_, [](const EntityRecord& light) { return !Lives(light.object); });
}

void LevelShadowDraw::LateUpdateEntity(EntityRecord&, float) { DropDeadLights(); }

void LevelShadowDraw::OnLateUpdate(float) {
  DropDeadLights();
  std::erase_if(occluderObjects_, [](const ObjectLockPtr<GameObject>& object) { return !Lives(object); });
}

std::vector<Vec2> LevelShadowDraw::CollectLights() {
  std::vector<Vec2> lights;
  for (const EntityRecord& light : shadowLights_) {
    auto transform = GetHandleComponent<TransformComponent>(light.object).Lock();
    if (!transform) continue;
    if (lights.size() == kMaxShadowLights) {
      if (FirstReport("shadow light count")) {
        PrintErrorLine("Shadows: more than 255 shadow-casting lights; the lights past the 255th cast no shadows");
      }
      break;
    }
    lights.push_back({transform->posX, transform->posY});
  }
  return lights;
}

void LevelShadowDraw::CastShadows(const TileMapComponent& component, const Vec2& light,
                                  std::vector<ShadowPolygon>& shadows) const {
  for (const OrientedRect& run : component.occluderRuns) {
    ShadowPolygon polygon = BuildRectPolygon(run);
    BuildEdges(polygon);
    for (ShadowPolygon& shadow : PolygonShadows(polygon, light)) shadows.push_back(std::move(shadow));
  }
  // Objects cast shadows only over a map that has runs; once per light is
  // enough, since another pass adds nothing under the equal test.
  if (component.occluderRuns.empty()) return;
  for (const auto& object : occluderObjects_) {
    if (!Lives(object)) continue;
    auto transform = GetHandleComponent<TransformComponent>(object).Lock();
    auto collision = GetHandleComponent<CollisionComponent>(object).Lock();
    if (!transform || !collision || !collision->occluding) continue;
    const Collider* collider = collision->GetCollider();
    if (collider == nullptr) continue;
    const Vec2 p{transform->posX, transform->posY};
    std::vector<ShadowPolygon> cast;
    if (collider->GetType() == Collider::TypeCircle2D) {
      cast = PointShadow(p, light, static_cast<const Circle2D*>(collider)->GetRadius());
    } else if (collider->GetType() == Collider::TypeAABB) {
      const auto* box = static_cast<const AABB*>(collider);
      OrientedRect rect{};
      rect.centreX = p.x;
      rect.centreY = p.y;
      rect.halfX = static_cast<float>(box->GetWidth()) / 2.0f;
      rect.halfY = static_cast<float>(box->GetHeight()) / 2.0f;
      ShadowPolygon polygon = BuildRectPolygon(rect);
      BuildEdges(polygon);
      cast = PolygonShadows(polygon, light);
    }
    for (ShadowPolygon& shadow : cast) shadows.push_back(std::move(shadow));
  }
}

void LevelShadowDraw::DrawShadows(TileMapComponent& component, const std::vector<Vec2>& lights, bool console) {
  SetColourWrites(false);
  EnableCapability(GL_STENCIL_TEST);
  // The count starts at 0 everywhere: a stencil window left by the stencil
  // pass would otherwise be counted as one light already.
  SetStencilMask(0xFF);
  ClearBuffers(GL_STENCIL_BUFFER_BIT);
  SetStencilFunction(GL_ALWAYS, 0, 0xFF);
  std::vector<std::vector<ShadowPolygon>> outlines;
  for (std::size_t k = 0; k < lights.size(); ++k) {
    SetStencilFunction(GL_EQUAL, static_cast<GLint>(k), 0xFF);
    SetStencilOperation(GL_KEEP, GL_INCR_WRAP, GL_INCR_WRAP);
    std::vector<ShadowPolygon> shadows;
    CastShadows(component, lights[k], shadows);
    FillShadows(shadows);
    if (console) outlines.push_back(std::move(shadows));
  }
  SetColourWrites(true);
  SetStencilFunction(GL_EQUAL, static_cast<GLint>(lights.size()), 0xFF);
  SetStencilOperation(GL_KEEP, GL_KEEP, GL_KEEP);
  const float w = static_cast<float>(owner_->GetWidth());
  const float h = static_cast<float>(owner_->GetHeight());
  LoadIdentity();
  if (auto shadowMap = component.GetShadowMap(); shadowMap.Exists()) {
    Translate2D(w / 2.0f, h / 2.0f);
    Scale2D(w / 2.0f, h / 2.0f);
    DrawSpriteQuad(shadowMap);
    LoadIdentity();
  } else {
    DisableCapability(GL_TEXTURE_2D);
    SetColour(0.0f, 0.0f, 0.0f, 1.0f);
    DrawPolygon({{0.0, 0.0}, {0.0, h}, {w, h}, {w, 0.0}});
    SetColour(1.0f, 1.0f, 1.0f, 1.0f);
    EnableCapability(GL_TEXTURE_2D);
  }
  if (console) {
    DisableCapability(GL_TEXTURE_2D);
    SetColour(0.0f, 0.0f, 1.0f, 1.0f);
    for (const auto& shadows : outlines) OutlineShadows(shadows);
    SetColour(1.0f, 1.0f, 1.0f, 1.0f);
    EnableCapability(GL_TEXTURE_2D);
  }
  DisableCapability(GL_STENCIL_TEST);
}

void LevelShadowDraw::DrawWalls(TileMapComponent& component) {
  auto tileSet = component.GetTileSet().Lock();
  if (!tileSet) {
    // Nothing can draw them; left queued they would reappear at stale places.
    component.wallTiles.clear();
    return;
  }
  const auto map = component.GetTilemap();
  std::shared_ptr<TileSet> overlay;
  if (component.writeLayer == 1) {
    overlay = ResourceManager::GetInstance().GetTileSet(ResourceManager::GetInstance().GetCollisionLayerName()).Lock();
  }
  for (const WallTile& wall : component.wallTiles) {
    const float turn = map ? static_cast<float>(ReadCell(*map, 2, wall.column, wall.row)) * 90.0f : 0.0f;
    SetColour(1.0f, 1.0f, 1.0f, 1.0f);
    LoadIdentity();
    Translate2D(wall.screenX, wall.screenY);
    Rotate2D(turn);
    DrawSpriteQuadSized(static_cast<float>(wall.width), static_cast<float>(wall.height),
                        tileSet->GetFrame(static_cast<char>(wall.tile)));
    LoadIdentity();
    SetColour(1.0f, 1.0f, 1.0f, 1.0f);
    // Without a tile set under the collision-layer name the overlay is left
    // out; the component's own set is never unbound.
    if (!overlay || !map) continue;
    Translate2D(wall.screenX, wall.screenY);
    Rotate2D(turn);
    DrawSpriteQuadSized(static_cast<float>(component.tileWidth + 2), static_cast<float>(component.tileHeight + 2),
                        overlay->GetFrame(static_cast<char>(ReadCell(*map, 1, wall.column, wall.row))));
    LoadIdentity();
  }
  component.wallTiles.clear();
}

void LevelShadowDraw::DrawHighlight(const TileMapComponent& component, bool console) {
  const float x = component.markedCellScreenX;
  const float y = component.markedCellScreenY;
  const float width = static_cast<float>(component.tileWidth + 2);
  const float height = static_cast<float>(component.tileHeight + 2);
  if (highlightFrame_.Exists()) {
    LoadIdentity();
    Translate2D(x, y);
    DrawSpriteQuadSized(width, height, highlightFrame_);
    LoadIdentity();
  }
  if (previewEnabled_) {
    auto tileSet = component.GetTileSet().Lock();
    ObjectLockPtr<SpriteFrame> frame;
    if (tileSet) frame = tileSet->GetFrame(static_cast<char>(highlightTile_));
    if (frame.Exists()) {
      const auto map = component.GetTilemap();
      const float turn = map ? static_cast<float>(map->GetLayer2Value()) * 90.0f : 0.0f;
      SetColour(1.0f, 0.0f, 0.0f, 0.95f);
      LoadIdentity();
      Translate2D(x, y);
      Rotate2D(turn);
      DrawSpriteQuadSized(width, height, frame);
      LoadIdentity();
      SetColour(1.0f, 1.0f, 1.0f, 1.0f);
    }
  }
  if (console) {
    DisableCapability(GL_TEXTURE_2D);
    SetColour(1.0f, 0.0f, 0.0f, 1.0f);
    DrawCircleOutline(x, y, static_cast<float>(component.tileWidth / 2), 120);
    LoadIdentity();
    EnableCapability(GL_TEXTURE_2D);
  }
}

void LevelShadowDraw::RenderEntity(EntityRecord& entity) {
  if (!Lives(entity.object)) return;
  auto component = GetHandleComponent<TileMapComponent>(entity.object).Lock();
  if (!component) return;
  const bool console = owner_ != nullptr && owner_->IsConsoleEnabled();
  const std::vector<Vec2> lights = CollectLights();
  if (component->shadowsEnabled) DrawShadows(*component, lights, console);
  component->occluderRuns.clear();
  DrawWalls(*component);
  if (highlightEnabled_) DrawHighlight(*component, console);
  SetColour(1.0f, 1.0f, 1.0f, 1.0f);
}

}  // namespace Orv
