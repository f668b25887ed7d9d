#pragma once
// The shadow pass of the level. For every tile map it counts in the stencil
// buffer, light by light, the pixels hidden from each shadow-casting light by
// the runs of solid cells and by the occluding objects, darkens the pixels
// hidden from all of them, draws the queued walls above, then the tile
// highlight and preview that editing scripts use.
#include <vector>

#include "core/BasicEntitySystem.h"
#include "core/ObjectLockPtr.h"
#include "core/OrientedRect.h"
#include "core/Vec2.h"
#include "resources/SpriteSheet.h"

namespace Orv {

class ScriptComponent;
class TileMapComponent;

// Start to end; the normal (-(end.y - start.y), end.x - start.x) points out
// of a polygon whose points go round as BuildRectPolygon lays them. Not unit
// length.
struct ShadowEdge {
  Vec2 start;
  Vec2 end;
  Vec2 normal;
};

struct ShadowPolygon {
  std::vector<Vec2> points;
  std::vector<ShadowEdge> edges;
};

ShadowPolygon BuildRectPolygon(const OrientedRect& rect);
void BuildEdges(ShadowPolygon& polygon);
// The quad an edge throws away from the light, 1000 pixels long; empty when
// the light is on the edge's outer side.
ShadowPolygon EdgeShadow(const ShadowEdge& edge, const Vec2& light);
// One entry per edge, the empty ones too.
std::vector<ShadowPolygon> PolygonShadows(const ShadowPolygon& polygon, const Vec2& light);
// The shadow of a segment 2 x size long, across the light's direction.
std::vector<ShadowPolygon> PointShadow(const Vec2& point, const Vec2& light, double size);

class LevelShadowDraw : public BasicEntitySystem {
 public:
  // The stencil holds 8 bits: a count past this wraps and darkens the wrong
  // pixels, so the lights after it cast nothing.
  static constexpr std::size_t kMaxShadowLights = 255;

  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override;
  void Init(unsigned width, unsigned height) override;
  void Start() override {}

  // Script functions.
  void SetEnableTileHighlight(bool on) { highlightEnabled_ = on; }
  void SetHighlightTile(unsigned char tile) { highlightTile_ = tile; }
  void SetHighlightTileTexture(const char* frameId);
  void SetEnableTilePreview(bool on) { previewEnabled_ = on; }

  const std::vector<EntityRecord>& GetShadowLights() const { return shadowLights_; }
  const std::vector<ObjectLockPtr<GameObject>>& GetOccluderObjects() const { return occluderObjects_; }
  bool IsHighlightEnabled() const { return highlightEnabled_; }
  bool IsPreviewEnabled() const { return previewEnabled_; }
  unsigned char GetHighlightTile() const { return highlightTile_; }
  ObjectLockPtr<SpriteFrame> GetHighlightFrame() const { return highlightFrame_; }

 protected:
  void LateUpdateEntity(EntityRecord& entity, float dt) override;
  void RenderEntity(EntityRecord& entity) override;
  void OnEntityAdded(EntityRecord& entity) override;
  void OnLateUpdate(float dt) override;
  void OnGameObjectOffered(ObjectLockPtr<GameObject> object) override;

 private:
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);
  void DropDeadLights();
  std::vector<Vec2> CollectLights();
  // The shadow polygons light throws from the runs and the occluding objects.
  void CastShadows(const TileMapComponent& component, const Vec2& light, std::vector<ShadowPolygon>& shadows) const;
  void DrawShadows(TileMapComponent& component, const std::vector<Vec2>& lights, bool console);
  void DrawWalls(TileMapComponent& component);
  void DrawHighlight(const TileMapComponent& component, bool console);

  std::vector<EntityRecord> shadowLights_;
  std::vector<ObjectLockPtr<GameObject>> occluderObjects_;
  ObjectLockPtr<SpriteFrame> highlightFrame_;
  unsigned char highlightTile_ = 0;
  bool highlightEnabled_ = false;
  bool previewEnabled_ = false;
};

}  // namespace Orv
