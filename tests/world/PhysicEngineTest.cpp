// The physics engine: what one step hands back to colliders and transforms,
// its pauses, and in the real program a script's pause that outlasts the
// window's.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "support/ProgramRun.h"
#include "world/CollisionComponent.h"
#include "world/PhysicEngine.h"
#include "world/RigidBodyComponent.h"

using namespace Orv;
using namespace OrvTest;

namespace {

constexpr float kSixtieth = 1.0f / 60.0f;

struct Parts {
  const char* shape = "Circle";  // null: no collision component
  bool transform = true;
  bool follower = false;
  double turned = 0;
};

class PhysicsScene : public ::testing::Test {
 protected:
  // An object moving at (60, 0) from a collider at (10, 0), offered to the engine.
  std::shared_ptr<GameObject> Add(const Parts& parts) {
    auto object = std::make_shared<GameObject>(nullptr, static_cast<std::uint32_t>(objects.size()));
    auto rigid = std::make_shared<RigidBodyComponent>();
    rigid->body.velocity = {60, 0};
    object->AddComponent(TypeKey<RigidBodyComponent>(), rigid);
    if (parts.shape != nullptr) {
      auto collision = std::make_shared<CollisionComponent>();
      ::testing::internal::CaptureStdout();
      collision->SetColliderByName(parts.shape);
      ::testing::internal::GetCapturedStdout();
      collision->SetRealProperty(CollisionComponent::PosX, 10.0);
      collision->SetRealProperty(CollisionComponent::Orientation, parts.turned);
      object->AddComponent(TypeKey<CollisionComponent>(), collision);
    }
    if (parts.transform) {
      auto transform = std::make_shared<TransformComponent>();
      transform->followParent = parts.follower;
      object->AddComponent(TypeKey<TransformComponent>(), transform);
    }
    objects.push_back(object);
    engine.OnGameObjectAdded(ObjectLockPtr<GameObject>(object));
    return object;
  }

  static const RigidBody& Body(const std::shared_ptr<GameObject>& o) {
    return o->GetComponent<RigidBodyComponent>().Lock()->body;
  }
  static Vec2 ColliderAt(const std::shared_ptr<GameObject>& o) {
    return o->GetComponent<CollisionComponent>().Lock()->GetCollider()->GetPosition();
  }
  static TransformComponent& Transform(const std::shared_ptr<GameObject>& o) {
    return *o->GetComponent<TransformComponent>().Lock();
  }

  PhysicEngine engine{nullptr};
  std::vector<std::shared_ptr<GameObject>> objects;
};

TEST_F(PhysicsScene, AStepHandsThePlaceBackToColliderAndTransformUnlessTheObjectFollows) {
  auto plain = Add({});
  auto follower = Add({.follower = true});
  auto bodyOnly = Add({.shape = nullptr});
  auto box = Add({.shape = "OBB", .turned = 30});
  auto killed = Add({});
  killed->Destroy();
  engine.PreUpdate(kSixtieth);
  engine.Update(kSixtieth);
  const double moved = 60 * double{0.016666668f};
  std::printf("moved %.9f\n", ColliderAt(plain).x - 10);
  EXPECT_EQ(ColliderAt(plain), (Vec2{10 + moved, 0}));
  EXPECT_EQ(Transform(plain).worldX, static_cast<float>(10 + moved));
  EXPECT_EQ(Transform(plain).velocityX, 60);
  // A follower's collider and transform place stay; its velocity is copied.
  EXPECT_EQ(ColliderAt(follower), (Vec2{10, 0}));
  EXPECT_EQ(Transform(follower).worldX, 0);
  EXPECT_EQ(Transform(follower).velocityX, 60);
  // Without a collider the body moves, unseen.
  EXPECT_EQ(Body(bodyOnly).position, (Vec2{moved, 0}));
  EXPECT_EQ(Transform(bodyOnly).worldX, 0);
  // An oriented box gives the body its angle and the transform shows it.
  EXPECT_EQ(Body(box).direction, 30);
  EXPECT_EQ(Transform(box).rotdeg, 30);
  EXPECT_EQ(Body(killed).position, Vec2{}) << "a dead object is not stepped";
}

TEST_F(PhysicsScene, AScriptsPauseOutlastsTheEnginesResume) {
  auto plain = Add({});
  const auto step = [&] {
    const double before = ColliderAt(plain).x;
    engine.PreUpdate(kSixtieth);
    engine.Update(kSixtieth);
    return ColliderAt(plain).x != before;
  };
  engine.Pause();
  EXPECT_FALSE(step());
  engine.Resume();
  EXPECT_TRUE(step());
  engine.PausePhysics();
  engine.Pause();
  engine.Resume();
  EXPECT_FALSE(step()) << "the window came back; the script's pause stands";
  engine.ResumePhysics();
  EXPECT_TRUE(step());
}

// The mover prints its world x, read back through its event group, each
// frame; in its fifth it pauses physics and the engine, and a delayed
// object brings the engine back; in its tenth it resumes physics.
TEST(PhysicsProgram, PausePhysicsOutlastsAWindowDeactivationAndActivation) {
  ContentFolder folder;
  WriteScriptScene(
      folder, "Physics",
      {{"Mover",
        "frames = 0\n"
        "function Init() SubscribeToEventGroup('movers') end\n"
        "function Update(dt)\n"
        "  frames = frames + 1\n"
        "  print(string.format('frame %d x %.3f', frames, GetEventGroupList('movers')[1].worldX))\n"
        "  if frames == 5 then\n"
        "    PausePhysics() PauseEngineActivate() CreateDelayedGameObject('Waker', 0)\n"
        "  end\n"
        "  if frames == 10 then ResumePhysics() end\n"
        "  if frames == 12 then Shutdown() end\n"
        "end\n"},
       {"Waker", "function Init() print('waker ' .. tostring(IsGamePaused())) PauseEngineDeactivate() end\n"}},
      {{"Mover", 1}});
  folder.Write("data/gameobjects/Mover.txt",
               R"({"name":"Mover","id":1,"components":[{"type":"transform","data":[]},)"
               R"({"type":"collision","data":["Circle", 5.0]},{"type":"rigidbody","data":[{"vel x": 60.0}]}]})");
  const RunResult run = RunOrv(folder);
  ASSERT_TRUE(RanCleanly(run));
  const std::vector<std::string> frames = LinesStartingWith(run.out, "frame ");
  ASSERT_EQ(frames.size(), 12u) << run.out;
  std::vector<double> x;
  for (const std::string& line : frames) x.push_back(std::stod(line.substr(line.find(" x ") + 3)));
  for (double each : x) std::printf("%.3f ", each);
  std::printf("\n");
  EXPECT_NE(run.out.find("waker true\n"), std::string::npos) << "the engine was paused: " << run.out;
  EXPECT_GT(x[0], 5.0);
  EXPECT_GT(x[4], x[3]);
  for (int frame = 6; frame <= 10; ++frame) EXPECT_EQ(x[frame - 1], x[4]) << "frame " << frame;
  EXPECT_GT(x[10], x[9]) << "moving again after ResumePhysics";
}

}  // namespace
