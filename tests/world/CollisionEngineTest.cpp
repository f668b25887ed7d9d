// The collision engine with real scripts in the windowless engine: a
// contact's life as a script reads it, triggers, layers, solid tiles and
// OnTileCollide, and what every collision script function answers for a
// live and for a dead object.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ChunkLoader.h"
#include "resources/ResourceManager.h"
#include "resources/Tilemap.h"
#include "script/ScriptBegin.h"
#include "script/ScriptComponent.h"
#include "script/ScriptEngineSystem.h"
#include "support/EngineFixture.h"
#include "support/ScriptEngineFixture.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/PhysicEngine.h"
#include "world/RigidBodyComponent.h"

using namespace Orv;
using namespace OrvTest;

namespace {

constexpr float kSixtieth = 1.0f / 60.0f;

// Logs every contact record as "<contact id>:<S|T|E>" and each frame as "|".
const char* kContactLogger =
    "log = ''\n"
    "function Update(dt)\n"
    "  for i, c in ipairs(GetContactManifolds()) do\n"
    "    log = log .. c.contactID .. ':' .. (c.collisionStart and 'S' or '') .. (c.collisionStay and 'T' or '')\n"
    "      .. (c.collisionEnd and 'E' or '') .. ' '\n"
    "  end\n"
    "  log = log .. '|'\n"
    "end\n";

std::string Circle(double x, double y, double radius, const std::string& extra = "") {
  return R"({"type":"collision","data":["Circle", {"pos x": )" + std::to_string(x) + R"(, "pos y": )" +
         std::to_string(y) + R"(, "radius": )" + std::to_string(radius) + extra + "}]}";
}

class CollisionScene : public EngineFixture {
 protected:
  CollisionScene() {
    collisions = std::make_shared<CollisionEngine>(&engine);
    physics = std::make_shared<PhysicEngine>(&engine);
    Start({{collisions, RoleUpdate | RoleLateUpdate},
           {physics, RoleUpdate},
           {std::make_shared<ScriptEngineSystem>(&engine), RoleLateUpdate},
           {std::make_shared<ScriptBegin>(&engine), RoleLateUpdate}});
  }

  // Runs code in the object's state; its first result as text.
  static std::string Run(const std::shared_ptr<GameObject>& object, const std::string& code) {
    return OrvTest::RunInObjectState(object, code);
  }
  static Vec2 At(const std::shared_ptr<GameObject>& object) {
    return object->GetComponent<CollisionComponent>().Lock()->GetCollider()->GetPosition();
  }

  std::shared_ptr<CollisionEngine> collisions;
  std::shared_ptr<PhysicEngine> physics;
};

// The mover puts itself onto the static logger for three of its frames and
// leaves in the fourth; a body on another layer lies on the logger all along;
// a trigger and a body overlap without moving.
TEST_F(CollisionScene, AContactStartsStaysEndsAndTriggersAndLayersKeepTheirRules) {
  const std::string body = R"(,{"type":"rigidbody","data":[]})";
  auto logger = SpawnType("[" + Circle(0, 0, 10) + "]", kContactLogger, 1);
  auto mover = SpawnType("[" + Circle(300, 0, 10) + body + "]",
                         "n = 0 xs = ''\n"
                         "function Update(dt)\n"
                         "  n = n + 1\n"
                         "  xs = xs .. GetPos().x .. ' '\n"
                         "  if n <= 3 then SetPos(15, 0) else SetPos(300, 0) end\n"
                         "end\n",
                         2);
  SpawnType("[" + Circle(0, 0, 10, R"(, "z_collision": 1.0)") + body + "]", std::nullopt, 3);
  auto trigger = SpawnType("[" + Circle(0, 100, 10, R"(, "avoidTrigger": "true")") + "]", kContactLogger, 4);
  auto touched = SpawnType("[" + Circle(5, 100, 10) + body + "]", kContactLogger, 5);
  // A later object under the mover's unique id is not the one an ended
  // contact is told about or told to.
  auto twin = SpawnType("[" + Circle(600, 0, 10) + "]", kContactLogger, 6);
  twin->SetUniqueId(mover->GetUniqueId());
  // Records wait for the script's first Update, a frame after creation.
  Admit();
  for (int frame = 0; frame < 6; ++frame) Frame(kSixtieth);

  EXPECT_EQ(Run(logger, "return log"), "|2:S |2:T |2:T |2:E ||");
  EXPECT_EQ(Run(twin, "return log"), "||||||");
  // Pushed out along the normal by the whole overlap of 5; the logger stays.
  EXPECT_EQ(Run(mover, "return xs"), "300 20 20 20 300 300 ");
  EXPECT_EQ(At(logger).x, 0.0);
  EXPECT_EQ(Run(trigger, "return log"), "5:S 5:T |5:T |5:T |5:T |5:T |5:T |");
  EXPECT_EQ(Run(touched, "return log"), "4:S 4:T |4:T |4:T |4:T |4:T |4:T |");
  EXPECT_EQ(At(touched).x, 5.0);
  EXPECT_EQ(At(trigger).x, 0.0);
}

// A mounted child's collider sits on its parent's collider centre each frame,
// and its script cannot take back the trigger flag its mounting gave it.
TEST_F(CollisionScene, AMountedChildSitsOnItsParentsColliderAndKeepsItsTriggerFlag) {
  folder.Write("data/gameobjects/Rider.txt",
               R"({"name":"Rider","id":1,"components":[{"type":"transform","data":[]},)" + Circle(0, 0, 2) + "]}");
  folder.Write("data/scripts/Rider.lua", "function Init() SetAvoidTrigger(false) end\n");
  ::testing::internal::CaptureStdout();
  engine.LoadBlueprintFile("data/gameobjects/Rider.txt");
  engine.LoadGameObjectScriptFile("data/scripts/Rider.lua", "Rider.lua");
  ::testing::internal::GetCapturedStdout();
  auto parent = SpawnType(R"([{"type":"transform","data":[]},)" + Circle(30, 40, 5) + "]",
                          "function Init() CreateMountedChildGameObject('Rider', 8) end\n");
  ASSERT_EQ(parent->GetChildren().size(), 1u);
  auto rider = parent->GetChildren()[0].Lock();
  Admit();
  EXPECT_EQ(At(rider), (Vec2{30, 40}));
  Run(parent, "SetPos(70, 80)");
  Frame(kSixtieth);
  EXPECT_EQ(At(rider), (Vec2{70, 80}));
  EXPECT_TRUE(rider->GetComponent<CollisionComponent>().Lock()->avoidTrigger);
}

// A map of 10 x 10 cells of 16 units with a solid row 5 (y 72 to 88).
class TileScene : public CollisionScene {
 protected:
  TileScene() {
    auto map = ResourceManager::GetInstance().CreateTilemap(7).Lock();
    map->SetSize(10, 10);
    for (unsigned x = 0; x < 10; ++x) map->SetCell(1, x, 5, 1);
    SpawnType(R"([{"type":"tilemap","data":[7, 16, 16]}])", std::nullopt, 9);
  }
};

const char* kTileLogger =
    "cells = ''\n"
    "function OnTileCollide(cell) cells = cells .. cell.x .. ',' .. cell.y .. ' ' end\n"
    "function Update(dt) cells = cells .. '|' end\n";

// Bodies falling at 120 units a second onto the row, one centred on a cell
// border and one off it, meet it in their sixth frame.
TEST_F(TileScene, AFallingBodyIsPushedBackOnlyInYAndBouncesWhenItResolvesTheMap) {
  const std::string falling = R"(,{"type":"rigidbody","data":[{"vel y": 120.0, "resolveTileMap": "true"}]})";
  auto centred = SpawnType("[" + Circle(40, 50, 8) + falling + "]", kTileLogger);
  auto offCentre = SpawnType("[" + Circle(44, 50, 8) + falling + "]", kTileLogger);
  Admit();
  std::vector<double> ys;
  for (int frame = 0; frame < 8; ++frame) {
    Frame(kSixtieth);
    ys.push_back(At(centred).y);
    EXPECT_EQ(At(centred).x, 40.0) << "frame " << frame;
    EXPECT_EQ(At(offCentre).x, 44.0) << "frame " << frame;
    EXPECT_EQ(At(offCentre).y, At(centred).y) << "frame " << frame;
  }
  for (double y : ys) EXPECT_LT(y + 8, 72.0);
  EXPECT_LT(ys[7], ys[6]) << "bounced back up";
  EXPECT_EQ(centred->GetComponent<RigidBodyComponent>().Lock()->body.velocity.y, -120.0);
  EXPECT_EQ(Run(centred, "return cells"), "|||||2,5 3,5 |||");
  EXPECT_EQ(Run(offCentre, "return cells"), "|||||2,5 3,5 |||");
}

// Cells left of the map and beyond its width are solid; an object that only
// triggers on tiles hears of them and stays.
TEST_F(TileScene, CellsOutsideTheMapAreSolidAndATileTriggerIsToldButNotPushed) {
  auto left = SpawnType("[" + Circle(-20, 40, 4, R"(, "avoidTileTrigger": "true")") + "]", kTileLogger);
  auto right = SpawnType("[" + Circle(200, 40, 4, R"(, "avoidTileTrigger": "true")") + "]", kTileLogger);
  Admit();
  Frame(kSixtieth);
  EXPECT_EQ(Run(left, "return cells"), "-1,2 -1,3 -1,2 -1,3 |");
  EXPECT_EQ(Run(right, "return cells"), "12,2 12,3 13,2 13,3 12,2 12,3 13,2 13,3 |");
  EXPECT_EQ(At(left).x, -20.0);
  EXPECT_EQ(At(right).y, 40.0);
}

// A collider over more cells than a frame visits is kept off the map with
// one line; a body its script stops on touching the floor is not left in it.
TEST_F(TileScene, AHugeColliderIsToldOnceAndABodyStoppedByItsScriptStaysOutOfTheFloor) {
  auto huge = SpawnType("[" + Circle(0, 0, 1e6, R"(, "z_collision": 5.0)") + "]", kTileLogger, 12);
  auto stopped = SpawnType("[" + Circle(40, 50, 8) + R"(,{"type":"rigidbody","data":[{"vel y": 120.0}]}])",
                           "function OnTileCollide(cell) SetRealAttribKey('rigidbody', 'vel y', 0.0) end\n");
  ::testing::internal::CaptureStderr();
  Admit();
  for (int frame = 0; frame < 8; ++frame) Frame(kSixtieth);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(Run(huge, "return cells"), "||||||||");  // its Update ran, OnTileCollide never
  EXPECT_EQ(err, "Collision of object 12 (unique id " + std::to_string(huge->GetUniqueId()) +
                     "): its collider covers more than 65536 tiles of a map; it is not tested against that map\n");
  EXPECT_EQ(stopped->GetComponent<RigidBodyComponent>().Lock()->body.velocity.y, 0.0);
  EXPECT_LT(At(stopped).y + 8, 72.0) << "the look-ahead was taken back in full";
  EXPECT_GT(At(stopped).y + 8, 69.0);
}

// Every answer of the object-bound functions for a live object, then the
// fallbacks once it is dead.
TEST_F(CollisionScene, ScriptFunctionsAnswerForALiveObjectAndFallBackForADeadOne) {
  const char* probe =
      "function Probe()\n"
      "  local out = {}\n"
      "  local function put(v) out[#out+1] = tostring(v) end\n"
      "  local p = GetPos() put(p and (p.x .. ',' .. p.y))\n"
      "  local z = GetZColl() put(z and z.zColl)\n"
      "  local t = GetAvoidTrigger() put(t and t.avoidTrigger)\n"
      "  local d = GetDirectionVector(10, 20) put(d and (d.x .. ',' .. d.y))\n"
      "  local r = GetBoundingRec() put(r and (r.Top .. ',' .. r.Left .. ',' .. r.Right .. ',' .. r.Bottom))\n"
      "  local m = GetContactManifolds() put(m and #m)\n"
      "  put(GetContactInfoReal('r')) put(GetContactInfoInteger('i')) put(GetContactInfoString('s'))\n"
      "  put(GetContactInfoString('r')) put(GetCollisionCount())\n"
      "  put(CallRaycast(GetUniqueID(), other))\n"
      "  return table.concat(out, ' ')\n"
      "end\n";
  auto object = SpawnType("[" + Circle(10, 20, 5) + "]", probe, 1);
  auto wall = SpawnType("[" + Circle(95, 20, 5, R"(, "z_collision": 2.0)") + "]", std::nullopt, 2);
  auto beyond = SpawnType("[" + Circle(100, 20, 5) + "]", std::nullopt, 30);
  Run(object, "other = " + std::to_string(beyond->GetUniqueId()));
  Run(object,
      "SetContactInfoReal('r', 2.5) SetContactInfoInteger('i', 7) SetContactInfoString('s', 'x')\n"
      "SetZColl(2) SetAvoidTrigger(true) SetOrientationDeg(30) MovePos(1, 0) MovePos(-1, 0)");
  EXPECT_EQ(Run(object, "return Probe()"), "10,20 2 1 0,0 15,5,15,25 0 2.5 7 x  0 true");
  EXPECT_EQ(Run(object, "return CallRaycast(GetUniqueID(), 999999)"), "false");
  EXPECT_EQ(Run(object, "return CallRaycast(GetUniqueID(), 30)"), "false") << "a creation id finds nothing";
  EXPECT_EQ(Run(object, "SetPos(0/0, 1) MovePos(1/0, 0) local p = GetPos() return p.x .. ',' .. p.y"), "10,20");
  object->Destroy();
  EXPECT_EQ(Run(object, "return Probe()"), "nil nil nil nil nil nil -1 -1 nil nil 0 false");
}

}  // namespace
