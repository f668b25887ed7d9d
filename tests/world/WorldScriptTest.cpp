// The physics and tile-map script functions beneath the program: what they
// do for objects that died, a long run of hostile calls that must leave every
// body finite, and the tile-map system's walk over the objects showing maps.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "resources/ResourceManager.h"
#include "support/ScriptEngineFixture.h"
#include "world/CollisionEngine.h"
#include "world/PhysicEngine.h"
#include "world/RigidBodyComponent.h"
#include "world/TileMapComponent.h"
#include "world/TilemapSystem.h"

using namespace Orv;

namespace OrvTest {
namespace {

class WorldScript : public ScriptEngineFixture {
 protected:
  WorldScript() {
    engine.AddSystem(physics, RoleUpdate);
    engine.AddSystem(tilemaps, RoleNone);
    engine.AddSystem(collisions, RoleNone);
  }

  std::shared_ptr<GameObject> SpawnBody(const std::string& shape = "Circle") {
    return SpawnType(R"([{"type":"rigidbody","data":[{"mass":2.0}]},{"type":"collision","data":[")" + shape + R"("]}])",
                     "");
  }
  std::shared_ptr<GameObject> SpawnLevel(int id) {
    return SpawnType(
        R"([{"type":"tilemap","data":[{"tilemapid":)" + std::to_string(id) + R"(,"tilewidth":32,"tileheight":32}]}])",
        std::nullopt);
  }
  static RigidBody& Body(const std::shared_ptr<GameObject>& object) {
    return object->GetComponent<RigidBodyComponent>().Lock()->body;
  }
  static TileMapComponent& Level(const std::shared_ptr<GameObject>& object) {
    return *object->GetComponent<TileMapComponent>().Lock();
  }

  std::shared_ptr<PhysicEngine> physics = std::make_shared<PhysicEngine>(&engine);
  std::shared_ptr<TilemapSystem> tilemaps = std::make_shared<TilemapSystem>(&engine);
  std::shared_ptr<CollisionEngine> collisions = std::make_shared<CollisionEngine>(&engine);
};

bool Finite(const RigidBody& b) {
  return b.position.IsFinite() && b.velocity.IsFinite() && b.acceleration.IsFinite() && b.force.IsFinite() &&
         std::isfinite(b.direction) && std::isfinite(b.angularVelocity) && std::isfinite(b.inertia) &&
         std::isfinite(b.inverseInertia) && std::isfinite(b.bouncy);
}

TEST_F(WorldScript, HostileScriptCallsNeverLeaveABodyNotFiniteAndDeadObjectsIgnoreThem) {
  std::vector<std::shared_ptr<GameObject>> bodies = {SpawnBody(), SpawnBody("OBB"), SpawnBody("AABB")};
  for (const auto& body : bodies) ASSERT_TRUE(body);
  Admit();
  std::mt19937 random(20261207);
  const char* hostile[] = {"0/0", "1/0", "-1/0", "1e308", "-1e308", "1e-308", "0", "-1", "2.5", "1e30"};
  const char* setters[][2] = {{"SetVelocity", "2"},   {"AddVelocity", "1"},     {"SetVelocityX", "1"},
                              {"SetVelocityY", "1"},  {"SetAcceleration", "2"}, {"AddAcceleration", "2"},
                              {"SetAngularVel", "1"}, {"AddAngularVel", "1"},   {"SetImpulse", "2"},
                              {"SetForce", "2"},      {"AddForce", "2"},        {"SetDirection", "4"},
                              {"SetBouncy", "1"}};
  const auto pick = [&] { return std::string(hostile[random() % std::size(hostile)]); };
  ::testing::internal::CaptureStderr();
  int broken = -1;
  int calls = 0;
  for (int step = 0; step < 3000 && broken < 0; ++step) {
    const auto& body = bodies[random() % bodies.size()];
    const auto& setter = setters[random() % std::size(setters)];
    std::string call = std::string(setter[0]) + "(" + pick();
    for (int i = 1; i < std::stoi(setter[1]); ++i) call += ", " + pick();
    // The getters' values go straight back in, as a script would use them.
    call += ") local v = GetVelocity() SetVelocity(v.x / 60, v.y / 60)";
    if (Run(body, call) == "nil") ++calls;
    if (step % 5 == 0) Frame(step % 50 == 0 ? 1e30f : std::uniform_real_distribution<float>(0, 0.05f)(random));
    for (const auto& each : bodies) {
      if (!Finite(Body(each))) broken = step;
    }
  }
  const std::string said = ::testing::internal::GetCapturedStderr();
  std::printf("%d script calls, %zu refusal lines\n", calls,
              static_cast<std::size_t>(Count(said, "Error! Rigid body \"")));
  EXPECT_EQ(broken, -1) << "the first step that left a value not finite";
  EXPECT_EQ(calls, 3000);
  // Said once per object, however often it happened.
  EXPECT_EQ(Count(said, "Error! Rigid body \""), bodies.size()) << said;

  // Kept past the object's death, getters give one real nil and setters
  // change nothing.
  const auto& dead = bodies.front();
  dead->Destroy();
  const RigidBody before = Body(dead);
  const char* getters[] = {
      "GetVelocity()",  "GetAcceleration()", "GetAngularVel()",     "GetForce()",
      "GetDirection()", "GetBouncy()",       "GetTileSetInfo('x')", "FindPath(1, 0, 0, 64, 0, 32, 32, 9)"};
  for (const std::string call : getters) {
    EXPECT_EQ(Run(dead, "return select('#', " + call + ") .. type(" + call + ")"), "1nil") << call;
  }
  for (const auto& setter : setters) Run(dead, std::string(setter[0]) + "(1, 1, 1, 1)");
  Run(dead, "SetWallBouncingTrue()");
  const RigidBody& after = Body(dead);
  EXPECT_TRUE(after.velocity == before.velocity && after.acceleration == before.acceleration &&
              after.force == before.force && after.angularVelocity == before.angularVelocity &&
              after.direction == before.direction && after.bouncy == before.bouncy && !after.resolveTileMap);
}

TEST_F(WorldScript, BodyAndPositionFunctionsAreGivenOnlyToObjectsThatHaveThem) {
  const auto body = SpawnBody();
  const auto plain = SpawnType("[]", "");
  ASSERT_TRUE(body && plain);
  const char* kinds = "return type(SetVelocity) .. type(MovePos) .. type(PausePhysics) .. type(PauseCollisions)";
  EXPECT_EQ(Run(body, kinds), "functionfunctionfunctionfunction");
  EXPECT_EQ(Run(plain, kinds), "nilnilfunctionfunction");
}

TEST_F(WorldScript, TheSystemWalksEveryLiveObjectShowingAMap) {
  auto first = SpawnLevel(1);
  auto second = SpawnLevel(1);
  auto other = SpawnLevel(2);
  auto unshown = SpawnLevel(5);
  auto dead = SpawnLevel(1);
  ResourceManager& resources = ResourceManager::GetInstance();
  tilemaps->CreateNewTileMap(1, 4, 3);
  tilemaps->CreateNewTileMap(2, 2, 2);
  folder.Write("walls.tileset", R"({"name":"walls","mapping":[{"id":49,"texture":"a"}]})");
  ASSERT_TRUE(resources.LoadTileset("walls.tileset"));
  dead->Destroy();

  tilemaps->SetWriteLayer(2);
  tilemaps->EnableTileMapShadows(2, true);
  tilemaps->MarkTileAt(64, 32);
  tilemaps->SetTileSet(0, "walls");
  tilemaps->Update(0.25f);
  struct Case {
    std::shared_ptr<GameObject> object;
    int writeLayer;
    bool shadows;
    int markedX;
    bool tileSet;
  };
  const Case cases[] = {{first, 2, false, 2, true},
                        {second, 2, false, 2, true},
                        {other, 2, true, 2, true},
                        // A map that does not exist marks nothing.
                        {unshown, 2, false, 0, true},
                        {dead, 0, false, 0, false}};
  for (const Case& c : cases) {
    const TileMapComponent& level = Level(c.object);
    EXPECT_EQ(level.writeLayer, c.writeLayer) << level.tilemapId;
    EXPECT_EQ(level.shadowsEnabled, c.shadows) << level.tilemapId;
    EXPECT_EQ(level.markedCellX, c.markedX) << level.tilemapId;
    EXPECT_EQ(level.tileSet.Exists(), c.tileSet) << level.tilemapId;
  }

  // A region of 255, which reads -1 like a cell outside, is filled too, once
  // for the two objects sharing the map.
  std::shared_ptr<Tilemap> map = resources.GetTilemap(1).Lock();
  for (unsigned x = 0; x < 3; ++x) map->SetCell(0, x, 1, static_cast<char>(255));
  tilemaps->SetWriteLayer(0);
  tilemaps->SetWriteValue(128);
  tilemaps->FillValue(32, 32);
  std::string layer0;
  for (unsigned y = 0; y < 3; ++y) {
    for (unsigned x = 0; x < 4; ++x) layer0 += std::to_string(map->GetCell(0, x, y)) + (x < 3 ? "," : " ");
  }
  EXPECT_EQ(layer0, "0,0,0,0 -128,-128,-128,0 0,0,0,0 ");

  // The first object showing the map answers; one whose map is missing says
  // so and lets the next one answer.
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(tilemaps->GetTile(0, 5, 0, 0), -1);
  EXPECT_FALSE(tilemaps->CallTileMapRaycast(5, 0, 0, 0, 0));
  EXPECT_EQ(tilemaps->GetTile(0, 1, 32, 32), -128);
  EXPECT_TRUE(tilemaps->CallTileMapRaycast(1, 0, 0, 96, 64));
  EXPECT_EQ(::testing::internal::GetCapturedStdout(),
            "NULL TILEMAP HANDLE, GET Tile from map FAIL\nNULL TILEMAP HANDLE, RAYCAST 100% FAIL\n");
}

}  // namespace
}  // namespace OrvTest
