// What lies beneath the level passes: shadow geometry, occluder runs, the
// stencil component's data and the script functions of the shadow pass.
#include <gtest/gtest.h>
#include <lua.hpp>

#include "ChunkLoader.h"
#include "render/LevelLightingSystem.h"
#include "render/LevelRenderer.h"
#include "render/LevelShadowDraw.h"
#include "render/StencilComponent.h"
#include "resources/Tilemap.h"
#include "script/ScriptBegin.h"
#include "script/ScriptComponent.h"
#include "support/EngineFixture.h"
#include "world/TileMapComponent.h"

using namespace Orv;

namespace OrvTest {
namespace {

TEST(ShadowGeometry, EdgesThrowShadowsAwayFromTheLightOnly) {
  OrientedRect rect{};
  rect.centreX = 100.0;
  rect.centreY = 50.0;
  rect.halfX = 20.0;
  rect.halfY = 10.0;
  ShadowPolygon box = BuildRectPolygon(rect);
  BuildEdges(box);
  ASSERT_EQ(box.edges.size(), 4u);
  struct {
    Vec2 light;
    int shadows;
  } cases[] = {
      {{0.0, 50.0}, 3},    // left of the box: every edge but the one facing it
      {{100.0, 0.0}, 3},   // above
      {{0.0, 0.0}, 2},     // beyond a corner: the two far edges
      {{100.0, 50.0}, 4},  // inside: all four
  };
  for (const auto& c : cases) {
    int cast = 0;
    for (const ShadowPolygon& shadow : PolygonShadows(box, c.light)) {
      if (shadow.points.empty()) continue;
      ++cast;
      ASSERT_EQ(shadow.points.size(), 4u);
      EXPECT_EQ(shadow.edges.size(), 4u);
      // The far side lies 1000 pixels further from the light than the edge.
      const double near = (shadow.points[0] - c.light).Length();
      const double far = (shadow.points[1] - c.light).Length();
      EXPECT_NEAR(far - near, near > 1e-4 ? 1000.0 : 0.0, 1e-6);
    }
    EXPECT_EQ(cast, c.shadows) << c.light.x << ", " << c.light.y;
  }
  // A light on a corner lies on the line of both edges there: neither casts.
  EXPECT_TRUE(EdgeShadow(box.edges[0], box.points[0]).points.empty());
  EXPECT_TRUE(EdgeShadow(box.edges[1], box.points[0]).points.empty());
  // A point shadow is a segment across the light's direction, thrown away from it.
  const auto point = PointShadow({10.0, 0.0}, {0.0, 0.0}, 5.0);
  ASSERT_EQ(point.size(), 1u);
  ASSERT_EQ(point[0].points.size(), 4u);
  EXPECT_NEAR(point[0].points[0].y, 5.0, 1e-9);
  EXPECT_NEAR(point[0].points[3].y, -5.0, 1e-9);
  EXPECT_NEAR(point[0].points[1].x, 10.0 + 1000.0 * 10.0 / std::sqrt(125.0), 1e-6);
}

TEST(OccluderRuns, SolidCellsAndTheOutsideMergeIntoRowRuns) {
  Tilemap map;
  ASSERT_TRUE(map.SetSize(6, 2));
  map.SetCell(1, 2, 0, 1);
  map.SetCell(1, 3, 0, 5);
  TileMapComponent component;
  component.Setup();
  component.tileWidth = component.tileHeight = 10;
  component.viewHalfWidth = 20;
  component.viewHalfHeight = 5;
  component.viewCentreX = 20.0f;  // columns 0 to 4 seen, scanned to 6
  component.viewCentreY = 5.0f;
  TileViewWindow window;
  ASSERT_TRUE(ComputeTileViewWindow(component, window));
  EXPECT_EQ(window.x0, 0);
  EXPECT_EQ(window.xEnd, 4);
  BuildOccluderRuns(map, window, component);
  // Row 0: cells 2-3, then 6 (outside); row 1: 6; rows 2 to 4 lie outside whole.
  ASSERT_EQ(component.occluderRuns.size(), 6u);
  const OrientedRect& wall = component.occluderRuns[0];
  EXPECT_DOUBLE_EQ(wall.centreX, 25.0);
  EXPECT_DOUBLE_EQ(wall.halfX, 10.0);
  EXPECT_DOUBLE_EQ(wall.centreY, 0.0);
  EXPECT_DOUBLE_EQ(wall.halfY, 5.0);
  EXPECT_DOUBLE_EQ(wall.corner0[0], 15.0);
  EXPECT_DOUBLE_EQ(wall.corner2[1], -5.0);
  EXPECT_DOUBLE_EQ(component.occluderRuns[1].centreX, 60.0);  // ends at xEnd + 2
  EXPECT_DOUBLE_EQ(component.occluderRuns[3].halfX, 35.0);    // a whole row outside

  // A view far outside the map still yields runs; a view that is not a number none.
  component.occluderRuns.clear();
  component.viewCentreX = -500.0f;
  ASSERT_TRUE(ComputeTileViewWindow(component, window));
  BuildOccluderRuns(map, window, component);
  EXPECT_EQ(component.occluderRuns.size(), 5u);  // rows 0 to yEnd + 3, whole
  component.viewCentreX = std::nanf("");
  EXPECT_FALSE(ComputeTileViewWindow(component, window));
}

TEST(StencilComponentData, RealsFromIndexTwoAreTheShapeAndIntegersAreNot) {
  StencilComponent stencil;
  stencil.Setup();
  stencil.SetStringProperty(0, "window");
  stencil.SetStringProperty(1, "triangle");
  stencil.SetStringProperty(1, "hexagon");  // unknown: left as it was
  for (double v : {-50.0, -50.0, 50.0}) stencil.SetRealProperty(2, v);
  stencil.SetIntProperty(3, 50);
  stencil.SetRealProperty(1, 7.0);
  stencil.SetRealProperty(3, std::nan(""));
  stencil.SetRealPropertyByName("vertstart", 1e-3);
  EXPECT_EQ(stencil.name, "window");
  EXPECT_EQ(stencil.geometry, 0x0004);  // GL_TRIANGLES
  EXPECT_EQ(stencil.vertices, (std::vector<float>{-50.0f, -50.0f, 50.0f, 1e-3f}));
}

class ShadowScriptFunctions : public EngineFixture {
 protected:
  ShadowScriptFunctions() {
    shadow = std::make_shared<LevelShadowDraw>(&engine);
    lighting = std::make_shared<LevelLightingSystem>(&engine);
    Start({{shadow, RoleLateUpdate}, {lighting, RoleNone}, {std::make_shared<ScriptBegin>(&engine), RoleLateUpdate}});
  }
  static std::string Run(const std::shared_ptr<GameObject>& object, const std::string& code) {
    lua_State* L = object->GetComponent<ScriptComponent>().Lock()->GetState()->GetCState();
    const int top = lua_gettop(L);
    std::string text = "ran";
    if (OrvLua::LoadBuffer(L, code.data(), code.size(), "=test") != 0 || lua_pcall(L, 0, 0, 0) != 0) {
      text = lua_tostring(L, -1);
    }
    lua_settop(L, top);
    return text;
  }
  std::shared_ptr<LevelShadowDraw> shadow;
  std::shared_ptr<LevelLightingSystem> lighting;
};

TEST_F(ShadowScriptFunctions, SetTheSharedHighlightAndTheShadowSizeAndRefuseWrongTypes) {
  auto object = SpawnType(R"([{"type":"script","data":[]}])", "");
  ASSERT_TRUE(object);
  EXPECT_EQ(lighting->GetShadowWidth(), 32);
  EXPECT_EQ(Run(object,
                "SetEnableTileHighlight(true) SetHighlightTile(257.9) SetEnableTilePreview(true) "
                "SetShadowSize(12.7, -3) SetHighlightTileTexture('nothing')"),
            "ran");
  EXPECT_TRUE(shadow->IsHighlightEnabled());
  EXPECT_TRUE(shadow->IsPreviewEnabled());
  EXPECT_EQ(shadow->GetHighlightTile(), 1);
  EXPECT_FALSE(shadow->GetHighlightFrame().Exists());
  EXPECT_EQ(lighting->GetShadowWidth(), 12);
  EXPECT_EQ(lighting->GetShadowHeight(), -3);
  const std::pair<const char*, const char*> refused[] = {
      {"SetEnableTileHighlight(1)", "argument #1"},
      {"SetHighlightTile('3')", "argument #1"},
      {"SetHighlightTileTexture(3)", "argument #1"},
      {"SetShadowSize(1, nil)", "argument #2"},
  };
  for (const auto& [code, where] : refused) {
    const std::string message = Run(object, code);
    EXPECT_NE(message.find("bad argument"), std::string::npos) << code << ": " << message;
    EXPECT_NE(message.find(where), std::string::npos) << code << ": " << message;
  }
  EXPECT_TRUE(shadow->IsHighlightEnabled());
  EXPECT_EQ(shadow->GetHighlightTile(), 1);
}

}  // namespace
}  // namespace OrvTest
