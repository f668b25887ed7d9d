// The level passes drawn in order (stencil, floor, base sprites, shadows and
// walls) through the unlit frame chain, read back from the window.
#include <GL/glew.h>
#include <stdlib.h>

#include "RenderScene.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "render/BaseLevelDraw.h"
#include "render/GLStencilSystem.h"
#include "render/LevelRenderer.h"
#include "render/LevelShadowDraw.h"
#include "render/LightComponent.h"
#include "render/SpriteAnimComponent.h"
#include "render/StencilComponent.h"
#include "support/ProgramRun.h"
#include "world/CollisionComponent.h"
#include "world/TileMapComponent.h"

using namespace OrvTest;
using Orv::GameObject;
using Orv::ObjectLockPtr;

namespace {

constexpr Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255}, kGrey{128, 128, 128, 255};
constexpr Rgba kYellow{255, 255, 0, 255}, kMagenta{255, 0, 255, 255}, kCyan{0, 255, 255, 255};
constexpr Rgba kBlack{0, 0, 0, 255};
constexpr int kMapId = 9301;

}  // namespace

class LevelScene : public RenderScene {
 protected:
  void SetUp() override {
    setenv("ORV_HEADLESS", "1", 1);
    RenderScene::SetUp();
    Orv::g_lightingEnabled = false;
    for (Orv::System* system : Systems()) {
      system->Init(kWidth, kHeight);
      system->Start();
      system->Resize(kWidth, kHeight, 0, 0);
    }
    tileSet->AddMapping('r', SolidFrame(255, 0, 0));
    tileSet->AddMapping('g', SolidFrame(0, 255, 0));
    tileSet->AddMapping('b', SolidFrame(0, 0, 255));
    tileSet->AddMapping('w', SolidFrame(128, 128, 128));
    tileSet->AddMapping('h', HalvesFrame());
  }
  void TearDown() override {
    Orv::ResourceManager::GetInstance().CreateTilemap(kMapId);
    RenderScene::TearDown();
  }

  std::vector<Orv::System*> Systems() { return {&stencil, &level, &base, &shadow}; }

  // A 4x4 frame: the top two rows yellow, the bottom two magenta.
  ObjectLockPtr<Orv::SpriteFrame> HalvesFrame() {
    std::vector<std::uint8_t> pixels;
    for (int i = 0; i < 16; ++i) {
      if (i < 8) {
        pixels.insert(pixels.end(), {255, 255, 0, 255});
      } else {
        pixels.insert(pixels.end(), {255, 0, 255, 255});
      }
    }
    return PixelsFrame(pixels);
  }

  ObjectLockPtr<GameObject> NewObject(float x, float y) {
    auto handle = engine.GetGameObjectManager().CreateGameObject(0);
    auto transform = std::make_shared<Orv::TransformComponent>();
    transform->Setup();
    transform->posX = x;
    transform->posY = y;
    handle.Lock()->AddComponent(Orv::TypeKey<Orv::TransformComponent>(), transform);
    return handle;
  }
  template <typename T>
  std::shared_ptr<T> Attach(const ObjectLockPtr<GameObject>& object) {
    auto component = std::make_shared<T>();
    component->Setup();
    object.Lock()->AddComponent(Orv::TypeKey<T>(), component);
    return component;
  }
  void Offer(const ObjectLockPtr<GameObject>& object) {
    for (Orv::System* system : Systems()) system->OnGameObjectAdded(object);
  }

  // An 8 x 6 map of 20-pixel cells laid exactly over the view: cell (c, r)
  // covers x 20c to 20c + 20, y 20r to 20r + 20. Rows are layer-0 texts.
  std::shared_ptr<Orv::TileMapComponent> AddMap(const std::vector<std::string>& rows) {
    auto map = Orv::ResourceManager::GetInstance().CreateTilemap(kMapId).Lock();
    map->SetSize(8, 6);
    for (unsigned r = 0; r < rows.size(); ++r) {
      for (unsigned c = 0; c < 8; ++c) {
        map->SetCell(0, c, r, rows[r][c]);
        map->SetCell(1, c, r, rows[r][c] == 'w' ? 1 : 0);
      }
    }
    const auto object = NewObject(0, 0);
    auto tiles = Attach<Orv::TileMapComponent>(object);
    tiles->tilemapId = kMapId;
    tiles->tileWidth = tiles->tileHeight = 20;
    tiles->viewHalfWidth = kWidth / 2;
    tiles->viewHalfHeight = kHeight / 2;
    tiles->viewCentreX = 70.0f;
    tiles->viewCentreY = 50.0f;
    tiles->tileSet = tileSet;
    Offer(object);
    return tiles;
  }
  void AddShadowLight(float x, float y) {
    const auto object = NewObject(x, y);
    Attach<Orv::LightComponent>(object)->SetIntProperty(Orv::LightComponent::ShadowCast, 1);
    Offer(object);
  }
  void AddStencil(float x, float y, float half) {
    const auto object = NewObject(x, y);
    auto shape = Attach<Orv::StencilComponent>(object);
    for (double v : {-half, -half, half, -half, half, half, -half, half}) shape->SetRealProperty(2, v);
    Offer(object);
  }

  // Two frames: objects admitted in the first are walked in the second.
  void DrawLevel() {
    for (int i = 0; i < 2; ++i) {
      for (Orv::System* system : Systems()) system->LateUpdate(1.0f / 60.0f);
      Frame([&] {
        for (Orv::System* system : Systems()) system->Render();
      });
    }
  }

  Orv::GLStencilSystem stencil{&engine};
  Orv::LevelRenderer level{&engine};
  Orv::BaseLevelDraw base{&engine};
  Orv::LevelShadowDraw shadow{&engine};
  std::shared_ptr<Orv::TileSet> tileSet = std::make_shared<Orv::TileSet>("scene");
};

TEST_F(LevelScene, FloorTilesTurnByTheirQuarterTurnsAndWallsCoverBaseSprites) {
  AddMap({"rgbrgbrg", "hhhhrrrr", "gggggggg", "bbwbbbbb", "gggggggg", "gggggggg"});
  auto map = Orv::ResourceManager::GetInstance().GetTilemap(kMapId).Lock();
  const signed char turns[] = {0, 1, -1, 2};
  for (unsigned c = 0; c < 4; ++c) map->SetCell(2, c, 1, static_cast<char>(turns[c]));
  // A 12-pixel cyan base sprite over the wall cell (2, 3) and one over the floor cell (5, 3).
  auto look = std::make_shared<Orv::SpriteAnimationHandle>(Orv::SpriteAnimationHandle{SolidFrame(0, 255, 255)});
  for (float x : {50.0f, 110.0f}) {
    const auto object = NewObject(x, 70.0f);
    object.Lock()->GetComponent<Orv::TransformComponent>().Lock()->scaleX = 3.0f;
    object.Lock()->GetComponent<Orv::TransformComponent>().Lock()->scaleY = 3.0f;
    Attach<Orv::SpriteAnimComponent>(object)->animation = look;
    Offer(object);
  }
  DrawLevel();

  const char* row0 = "rgbrgbrg";
  for (int c = 0; c < 8; ++c) {
    const Rgba want = row0[c] == 'r' ? kRed : row0[c] == 'g' ? kGreen : kBlue;
    EXPECT_TRUE(Near(Pixel(20 * c + 10, 10), want)) << "cell " << c;
  }
  // Yellow is the tile's top: a quarter turn takes it to the right, minus
  // one to the left, two to the bottom; magenta lies opposite.
  struct {
    int column, dx, dy;
  } halves[] = {{0, 0, -6}, {1, 6, 0}, {2, -6, 0}, {3, 0, 6}};
  for (const auto& h : halves) {
    const int x = 20 * h.column + 10;
    EXPECT_TRUE(Near(Pixel(x + h.dx, 30 + h.dy), kYellow)) << "column " << h.column;
    EXPECT_TRUE(Near(Pixel(x - h.dx, 30 - h.dy), kMagenta)) << "column " << h.column;
  }
  EXPECT_TRUE(Near(Pixel(50, 70), kGrey));   // the wall is drawn over the sprite
  EXPECT_TRUE(Near(Pixel(110, 70), kCyan));  // on the floor the sprite stays
  EXPECT_TRUE(Near(Pixel(118, 70), kBlue));
  EXPECT_TRUE(level.GetEntities().size() == 1 && map != nullptr);
}

TEST_F(LevelScene, ShadowsDarkenWhatEveryLightIsHiddenFromAndStencilsCutWindows) {
  // A wall block over x 60 to 100, y 40 to 80, on a green floor.
  auto tiles = AddMap({"gggggggg", "gggggggg", "gggwwggg", "gggwwggg", "gggggggg", "gggggggg"});
  tiles->shadowsEnabled = true;
  struct Probe {
    int x, y;
    Rgba want;
  };
  const auto expect = [&](const char* frame, std::initializer_list<Probe> probes) {
    DrawLevel();
    for (const Probe& p : probes) EXPECT_TRUE(Near(Pixel(p.x, p.y), p.want)) << frame << " at " << p.x << ", " << p.y;
  };
  expect("no light", {{50, 60, kBlack}, {140, 60, kBlack}, {80, 60, kGrey}});

  AddShadowLight(30.0f, 60.0f);
  // An occluding object on layer 1: a circle of radius 6 at (40, 85), on the
  // light's line through (48, 105).
  const auto ball = NewObject(40.0f, 85.0f);
  auto collision = Attach<Orv::CollisionComponent>(ball);
  collision->SetColliderByName("Circle");
  collision->SetRealProperty(Orv::CollisionComponent::Radius, 6.0);
  collision->occluding = true;
  Attach<Orv::SpriteAnimComponent>(ball)->layer = 1;
  Offer(ball);
  ASSERT_EQ(shadow.GetOccluderObjects().size(), 1u);
  expect("one light", {{50, 60, kGreen},
                       {70, 15, kGreen},
                       {80, 100, kGreen},
                       {60, 100, kGreen},  // lit
                       {110, 60, kBlack},
                       {140, 60, kBlack},
                       {125, 72, kBlack},  // behind the block
                       {48, 105, kBlack},  // behind the ball
                       {80, 60, kGrey}});

  // A 100 x 100 window round the view's middle and a small square left below it.
  AddStencil(80.0f, 60.0f, 50.0f);
  AddStencil(15.0f, 100.0f, 8.0f);
  ASSERT_EQ(stencil.GetStencilObjects().size(), 2u);
  // Probes outside sit where neighbouring floor tiles overlap: a pixel drawn
  // twice there must stay black too.
  expect("stencils", {{50, 60, kGreen},
                      {70, 15, kGreen},
                      {110, 60, kBlack},
                      {80, 60, kGrey},  // inside as before
                      {15, 100, kGreen},
                      {20, 96, kGreen},  // the union
                      {15, 60, kBlack},
                      {40, 4, kBlack},
                      {145, 100, kBlack},
                      {134, 60, kBlack}});

  // Hidden from the first light only: lit by the second.
  AddShadowLight(130.0f, 60.0f);
  expect("two lights", {{110, 60, kGreen}, {50, 60, kGreen}, {80, 60, kGrey}, {15, 60, kBlack}});
  EXPECT_EQ(shadow.GetShadowLights().size(), 2u);
  EXPECT_TRUE(tiles->occluderRuns.empty());
  EXPECT_TRUE(tiles->wallTiles.empty());
}

TEST_F(LevelScene, PastTwoHundredFiftyFiveLightsTheCountDoesNotWrap) {
  auto tiles = AddMap({"gggggggg", "gggggggg", "gggwwggg", "gggwwggg", "gggggggg", "gggggggg"});
  tiles->shadowsEnabled = true;
  for (int i = 0; i < 256; ++i) AddShadowLight(30.0f, 60.0f);
  testing::internal::CaptureStderr();
  DrawLevel();
  const std::string err = testing::internal::GetCapturedStderr();
  // The 256th light casts nothing; the 255 before it still darken what the block hides.
  EXPECT_TRUE(Near(Pixel(110, 60), kBlack));
  EXPECT_TRUE(Near(Pixel(50, 60), kGreen));
  EXPECT_EQ(Count(err, "more than 255 shadow-casting lights"), 1u) << err;
}
