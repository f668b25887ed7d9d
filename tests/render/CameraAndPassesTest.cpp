// The camera, which pass takes an object, the draw order and the render
// system's script functions, in a windowless engine (nothing is drawn).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ChunkLoader.h"
#include "RenderWithoutGL.h"
#include "core/TransformComponent.h"
#include "render/BaseLevelDraw.h"
#include "render/CameraSystem.h"
#include "render/GLRenderSystem.h"
#include "render/HighLevelDraw.h"
#include "render/LayeredDraw.h"
#include "render/LightComponent.h"
#include "render/OverlayDraw.h"
#include "render/SpriteAnimComponent.h"
#include "render/SurfaceLevelDraw.h"
#include "resources/ResourceManager.h"
#include "script/ScriptBegin.h"
#include "script/ScriptComponent.h"
#include "script/ScriptEngineSystem.h"
#include "support/EngineFixture.h"
#include "support/GLContext.h"
#include "support/ScriptEngineFixture.h"

using namespace Orv;

namespace OrvTest {
namespace {

class CameraAndPasses : public EngineFixture {
 protected:
  CameraAndPasses() {
    camera = std::make_shared<CameraSystem>(&engine);
    render = std::make_shared<RenderWithoutGL>(&engine);
    base = std::make_shared<BaseLevelDraw>(&engine);
    surface = std::make_shared<SurfaceLevelDraw>(&engine);
    high = std::make_shared<HighLevelDraw>(&engine);
    overlay = std::make_shared<OverlayDraw>(&engine);
    Start({{camera, RoleUpdate | RoleLateUpdate},
           {std::make_shared<ScriptEngineSystem>(&engine), RoleLateUpdate},
           {render, RoleUpdate},
           {base, RoleLateUpdate},
           {surface, RoleNone},
           {high, RoleNone},
           {overlay, RoleNone},
           {std::make_shared<ScriptBegin>(&engine), RoleLateUpdate}});
  }

  // Runs code in the object's state; its first result as text, or "error: ...".
  static std::string Run(const std::shared_ptr<GameObject>& object, const std::string& code) {
    return OrvTest::RunInObjectState(object, code);
  }

  std::shared_ptr<GameObject> Scripted(const std::string& components) { return SpawnType(components, ""); }

  std::shared_ptr<CameraSystem> camera;
  std::shared_ptr<GLRenderSystem> render;
  std::shared_ptr<BaseLevelDraw> base;
  std::shared_ptr<SurfaceLevelDraw> surface;
  std::shared_ptr<HighLevelDraw> high;
  std::shared_ptr<OverlayDraw> overlay;
};

const char* kTransform = R"({"type":"transform","data":[]})";
const char* kScript = R"({"type":"script","data":[]})";

TEST_F(CameraAndPasses, TheCameraFollowsTheFrameFocusAndPlacesObjectsOnScreen) {
  auto a = Scripted(std::string("[") + kTransform + "," + kScript + "]");
  auto b = Scripted(std::string("[") + kScript + "]");
  Admit();
  auto transform = a->GetComponent<TransformComponent>().Lock();
  transform->worldX = 0.0f;
  transform->worldY = 0.0f;
  Frame();
  // 640 x 480: world (0, 0) is the middle while the camera is at (0, 0).
  EXPECT_EQ(transform->posX, 320.0f);
  EXPECT_EQ(transform->posY, 240.0f);
  EXPECT_EQ(Run(a, "local p = GetWorld2Screen(10, 10) return p.x .. ',' .. p.y"), "330,250");
  EXPECT_EQ(Run(b, "return next(GetScreenPos())"), "nil");  // no transform: an empty table

  // Two focus points average in the next update; a set position loses to them.
  Run(a, "SetCameraX(500) SetCameraFocus(0, 0)");
  Run(b, "SetCameraFocus(100, 50)");
  Frame();
  EXPECT_EQ(Run(a, "return GetCameraX() .. ',' .. GetCameraY()"), "50,25");
  EXPECT_EQ(transform->posX, 270.0f);
  EXPECT_EQ(Run(a, "local p = GetScreenPos() return p.x .. ',' .. p.y"), "270,215");
  // Without focus the camera stays where it was put.
  Run(b, "SetCameraX(100.7) MoveCameraY(-25)");
  Frame();
  EXPECT_EQ(Run(a, "return string.format('%.1f,%g', GetCameraX(), GetCameraY())"), "100.7,0");
  EXPECT_EQ(transform->posX, -100.7f + 320.0f);
  // Values that are not finite are ignored; a wrong type is the script's error.
  ::testing::internal::CaptureStderr();
  Run(a, "SetCameraX(0/0) MoveCameraX(math.huge) SetCameraFocus(1/0, 0) SetCameraY(-1/0)");
  const std::string err = ::testing::internal::GetCapturedStderr();
  Frame();
  EXPECT_EQ(Run(a, "return string.format('%.1f,%g', GetCameraX(), GetCameraY())"), "100.7,0");
  EXPECT_NE(err.find("SetCameraX"), std::string::npos) << err;
  EXPECT_NE(Run(a, "SetCameraX('1')").find("bad argument"), std::string::npos);
  // The world cursor: trunc(100.7 - 320) = -219, plus the cursor.
  const auto [cursorX, cursorY] = engine.GetCursorPos();
  EXPECT_EQ(Run(a, "local c = GetWorldCursor() return c.x .. ',' .. c.y"),
            std::to_string(-219 + cursorX) + "," + std::to_string(-240 + cursorY));
}

TEST_F(CameraAndPasses, ChildrenFollowTheirParentUnlessACollisionPlacesThem) {
  auto parent = SpawnType(std::string("[") + kTransform + "]", std::nullopt);
  auto free = SpawnType(std::string("[") + kTransform + "]", std::nullopt);
  auto collided =
      SpawnType(std::string("[") + kTransform + R"(,{"type":"collision","data":["Circle"]}])", std::nullopt);
  parent->AddChild(free);
  parent->AddChild(collided);
  Admit();
  auto p = parent->GetComponent<TransformComponent>().Lock();
  auto f = free->GetComponent<TransformComponent>().Lock();
  auto c = collided->GetComponent<TransformComponent>().Lock();
  for (auto& t : {f, c}) t->followParent = t->followParentRotation = true;
  c->worldX = 7.0f;
  p->worldX = 5.0f;
  p->worldY = 6.0f;
  p->rotdeg = 30.0f;
  Frame();
  EXPECT_EQ(f->worldX, 5.0f);
  EXPECT_EQ(f->worldY, 6.0f);
  EXPECT_EQ(f->rotdeg, 30.0f);
  EXPECT_EQ(c->worldX, 7.0f);
  EXPECT_EQ(c->rotdeg, 30.0f);
}

TEST_F(CameraAndPasses, EachPassTakesItsObjectsByLayerAndDrawLevel) {
  struct Case {
    const char* components;
    bool base, surface, high, overlay;
  };
  const Case cases[] = {
      {R"([{"type":"spriteanim","data":[{"layer":0}]}])", true, false, false, false},
      {R"([{"type":"spriteanim","data":[{"layer":1}]}])", false, true, false, false},
      {R"([{"type":"spriteanim","data":[{"layer":2}]}])", false, false, true, false},
      {R"([{"type":"spriteanim","data":[{"layer":-1}]}])", false, false, true, false},
      {R"([{"type":"renderable","data":[1]}])", false, true, false, false},
      {R"([{"type":"renderable","data":[0]}])", false, false, false, false},
      {R"([{"type":"renderable","data":[3]}])", false, false, false, true},
      // The sprite decides the sprite pass; the renderable adds the overlay.
      {R"([{"type":"spriteanim","data":[{"layer":0}]},{"type":"renderable","data":[2]}])", true, false, false, true},
      {R"([{"type":"spriteanim","data":[{"layer":0}]},{"type":"renderable","data":[1]}])", true, false, false, false},
  };
  for (const Case& c : cases) {
    const auto baseBefore = base->GetBaseSprites().size();
    const auto surfaceBefore = surface->GetPending().size();
    const auto highBefore = high->GetPending().size();
    const auto overlayBefore = overlay->GetPending().size();
    ASSERT_TRUE(SpawnType(c.components, std::nullopt));
    EXPECT_EQ(base->GetBaseSprites().size() - baseBefore, c.base ? 1u : 0u) << c.components;
    EXPECT_EQ(surface->GetPending().size() - surfaceBefore, c.surface ? 1u : 0u) << c.components;
    EXPECT_EQ(high->GetPending().size() - highBefore, c.high ? 1u : 0u) << c.components;
    EXPECT_EQ(overlay->GetPending().size() - overlayBefore, c.overlay ? 1u : 0u) << c.components;
  }
}

TEST_F(CameraAndPasses, TheDrawOrderIsByLayerOrderThenCreationAndDeadObjectsSortAsZero) {
  std::vector<std::shared_ptr<GameObject>> objects;
  for (int order : {3, 1, 5, 1, -2, 0}) {
    objects.push_back(
        SpawnType(R"([{"type":"spriteanim","data":[{"layer":0,"layerorder":)" + std::to_string(order) + "}]}]",
                  std::nullopt, static_cast<unsigned>(objects.size())));
  }
  auto order = [&](const std::vector<ObjectLockPtr<GameObject>>& entries) {
    std::string text;
    for (const auto& entry : entries) {
      const auto at = std::find(objects.begin(), objects.end(), entry.Lock());
      text += std::to_string(at - objects.begin());
    }
    return text;
  };
  EXPECT_EQ(order(base->GetBaseSprites()), "451302");
  // The one with order 5 dies: it sorts as 0, behind the 0 already before it.
  objects[2]->Destroy();
  std::vector<ObjectLockPtr<GameObject>> sorted(base->GetBaseSprites().begin(), base->GetBaseSprites().end());
  SortByDrawOrder(sorted, [](const ObjectLockPtr<GameObject>& o) -> const ObjectLockPtr<GameObject>& { return o; });
  EXPECT_EQ(order(sorted), "452130");
}

TEST_F(CameraAndPasses, AnObjectMadeByARenderInTheBasePassJoinsAfterTheWalk) {
  ASSERT_TRUE(EnsureGLContext());
  const std::string sprite = R"([{"type":"spriteanim","data":[{"layer":0,"layerorder":-5}]}])";
  auto first = SpawnType(sprite, std::nullopt, 1);  // type "Type1"
  auto maker = SpawnType(R"([{"type":"spriteanim","data":[{"layer":0}]},{"type":"script","data":[]}])",
                         "renders = 0\nfunction Render() renders = renders + 1 CreateGameObject('Type1', 3) end", 2);
  base->Render();
  // Each walked once; the new object sorts before the maker from the next frame on.
  EXPECT_EQ(Run(maker, "return renders"), "1");
  ASSERT_EQ(base->GetBaseSprites().size(), 3u);
  EXPECT_EQ(base->GetBaseSprites()[0].Lock(), first);
  EXPECT_EQ(base->GetBaseSprites()[1].Lock()->GetID(), 3u);
  EXPECT_EQ(base->GetBaseSprites()[2].Lock(), maker);
  base->Render();
  EXPECT_EQ(Run(maker, "return renders"), "2");
  EXPECT_EQ(base->GetBaseSprites().size(), 4u);
}

TEST_F(CameraAndPasses, SpriteAndLightScriptFunctions) {
  // An animation needs its frames, and they a texture.
  ASSERT_TRUE(EnsureGLContext());
  ResourceManager& resources = ResourceManager::GetInstance();
  resources.Init();
  folder.Write("res/textures/four.ppm", "P6\n4 1\n255\n" + std::string(12, '\x7f'));
  folder.Write("res/textures/four.pack", R"({"file":"four.ppm","frames":[{"id":"f0","x":0,"y":0,"sizeX":1,"sizeY":1},
    {"id":"f1","x":1,"y":0,"sizeX":1,"sizeY":1},{"id":"f2","x":2,"y":0,"sizeX":1,"sizeY":1},
    {"id":"f3","x":3,"y":0,"sizeX":1,"sizeY":1}]})");
  folder.Write("res/anims/four.anim", R"({"four":["f0","f1","f2","f3"]})");
  ::testing::internal::CaptureStdout();
  ASSERT_TRUE(resources.LoadTexturePack("four.pack"));
  ASSERT_TRUE(resources.LoadAnimFile("res/anims/four.anim"));
  ::testing::internal::GetCapturedStdout();
  auto lit = Scripted(std::string("[") + kTransform + R"(,{"type":"light","data":[]},)" + kScript + "]");
  auto sprite = Scripted(std::string("[") + R"({"type":"spriteanim","data":[{"textureid":"four","loop":1}]},)" +
                         kTransform + "," + kScript + "]");
  ASSERT_TRUE(lit && sprite);
  struct Case {
    std::shared_ptr<GameObject>* object;
    const char* code;
    const char* result;
  };
  const Case cases[] = {
      {&lit, "SetSpriteRotation(30) return GetSpriteRotation()", "120"},
      {&lit, "SetSpriteRotationTo(0, 0, 1, 0) return GetSpriteRotation()", "90"},
      {&lit, "SetSpriteRotationTo(0, 0, 0, 1) return GetSpriteRotation()", "180"},
      {&lit, "SetSpriteRotation(0/0) return GetSpriteRotation()", "180"},
      {&lit, "return GetCurrentFrameIndex()", "-1"},
      {&lit, "SetLightToggle(true) return IsLightToggled(false)", "true"},
      {&lit, "return IsLightToggled()", "error"},
      {&lit, "return type(GetSpriteCurrentFrame)", "nil"},
      {&sprite, "return GetTextureNameFromAnimation('four', 2)", "f2"},
      {&sprite, "return GetTextureNameFromAnimation('four', 99)", ""},
      {&sprite, "return GetTextureNameFromAnimation('four', -1)", ""},
      {&sprite, "return GetTextureNameFromAnimation('four', -4294967295)", ""},
      {&sprite, "return GetTextureNameFromAnimation('none', 0)", ""},
      {&sprite, "SetSpriteCurrentFrame(2) return GetSpriteCurrentFrame() .. GetCurrentFrameIndex()", "22"},
      {&sprite, "SetOpaqueLightDecay(1.5) SetNonOpaqueLightDecay(-2)", "nil"},
  };
  for (const Case& c : cases) {
    const std::string result = Run(*c.object, c.code);
    if (std::string(c.result) == "error") {
      EXPECT_NE(result.find("bad argument"), std::string::npos) << c.code << ": " << result;
    } else {
      EXPECT_EQ(result, c.result) << c.code;
    }
  }
  EXPECT_EQ(g_opaqueLightDecay, 1.0f);
  EXPECT_EQ(g_nonOpaqueLightDecay, 0.0f);
  Run(lit, "SetLightIntensity(250)");
  EXPECT_EQ(lit->GetComponent<LightComponent>().Lock()->intensity, 250.0);

  // The component's own interval restarts the count; the functor form (an
  // object without a sprite when added) does nothing.
  auto anim = sprite->GetComponent<SpriteAnimComponent>().Lock();
  anim->elapsed = 0.3f;
  Run(sprite, "SetSpriteInterval(0.5)");
  EXPECT_EQ(anim->interval, 0.5f);
  EXPECT_EQ(anim->elapsed, 0.0f);
  EXPECT_EQ(Run(lit, "SetSpriteInterval(0.5)"), "nil");
  ::testing::internal::CaptureStderr();
  Run(sprite, "SetSpriteInterval(0/0)");
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("not a finite number"), std::string::npos);
  EXPECT_EQ(anim->interval, 0.5f);

  // Dead objects' functions do nothing and give their missing result.
  sprite->Destroy();
  EXPECT_EQ(Run(sprite, "return GetTextureNameFromAnimation('four', 1)"), "nil");
  EXPECT_EQ(Run(sprite, "return GetSpriteRotation()"), "0");
  // Only the object's expiry counts here.
  EXPECT_EQ(Run(sprite, "return GetCurrentFrameIndex()"), "2");
}

TEST_F(CameraAndPasses, ColourTablesAndTheOnScreenBox) {
  auto object = Scripted(std::string("[") + kScript + "]");
  auto script = object->GetComponent<ScriptComponent>().Lock();
  OrvLua::LuaObject table = script->NewTable();
  table.SetNumber("r", 2.0);
  table.SetNumber("a", 0.5);
  EXPECT_EQ(GLRenderSystem::ReadColorInfo(table), (std::array<float, 4>{1.0f, 1.0f, 1.0f, 0.5f}));
  table.SetNumber("g", -1.0);
  table.SetNumber("b", std::nan(""));
  EXPECT_EQ(GLRenderSystem::ReadColorInfo(table), (std::array<float, 4>{1.0f, 0.0f, 1.0f, 0.5f}));
  EXPECT_EQ(GLRenderSystem::ReadColorInfo(script->MakeNumber(3.0)), (std::array<float, 4>{1, 1, 1, 1}));

  struct Box {
    float w, h, x, y, sx, sy, degrees;
    bool onScreen;
  };
  // A 160 x 120 screen.
  // clang-format off
  const Box boxes[] = {
      {10, 10, 80, 60, 1, 1, 0, true},
      {10, 10, -5.5f, 60, 1, 1, 0, true},    // touches the left edge
      {10, 10, -5.6f, 60, 1, 1, 0, false},
      {10, 10, -20.4f, 60, -4, 1, 0, true},  // a mirrored scale still spans 40
      {10, 10, -20.6f, 60, -4, 1, 0, false},
      {100, 2, 80, -3, 1, 1, 0, false},      // long and thin above the top
      {100, 2, 80, -3, 1, 1, 90, true},      // turned upright it reaches in
      {10, 10, 167.5f, 60, 1, 1, 45, true},  // the turned corner reaches 7.07 px
      {10, 10, 168, 60, 1, 1, 45, false},
      {10, 10, std::nanf(""), 60, 1, 1, 0, false},
  };
  // clang-format on
  for (const Box& b : boxes) {
    EXPECT_EQ(IsBoxOnScreen(b.w, b.h, b.x, b.y, b.sx, b.sy, b.degrees, 160, 120), b.onScreen)
        << b.x << "," << b.y << " turned " << b.degrees;
  }
}

}  // namespace
}  // namespace OrvTest
