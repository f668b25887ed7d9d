#pragma once
// A physics benchmark's scene on both sides: the engine's objects made in
// code and stepped as the game's frame steps them, and, where Box2D was found
// at build time, the same bodies in a Box2D world in metres.
#include <cstdint>
#include <memory>
#include <vector>

#include "bench/Box2DScale.h"
#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "core/Vec2.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"
#include "world/PhysicEngine.h"
#include "world/RigidBodyComponent.h"

#include "BenchSupport.h"

namespace OrvBench {

// A box: centre and size, in pixels.
struct Box {
  double x, y, width, height;
};

// Objects with a collider, static unless given a body, stepped through the
// collision pass, the bodies' step and the ageing in the order the game's
// frame runs them. Every body is stepped every step: the engine has no
// sleeping. Bodies are numbered in the order they were given.
class PhysicsBenchScene {
 public:
  // As the program runs the passes: the collision engine steps the bodies
  // between its own steps, so a long frame is cut into short ones.
  void StepBodiesWithCollisions() { collisions_.StepBodiesWith(&physics_); }

  // An axis-aligned box ("AABB") or one turned by degrees ("OBB").
  std::shared_ptr<Orv::GameObject> AddBox(const char* shape, const Box& box, double degrees = 0) {
    auto object = Add(shape, {box.x, box.y});
    auto* collision = object->FindComponent<Orv::CollisionComponent>();
    collision->SetRealProperty(Orv::CollisionComponent::Width, box.width);
    collision->SetRealProperty(Orv::CollisionComponent::Height, box.height);
    if (degrees != 0) collision->SetRealProperty(Orv::CollisionComponent::Orientation, degrees);
    collision->GetCollider()->UpdateBounds();
    return object;
  }
  std::shared_ptr<Orv::GameObject> AddCircle(Orv::Vec2 centre, double radius) {
    auto object = Add("Circle", centre);
    auto* collision = object->FindComponent<Orv::CollisionComponent>();
    collision->SetRealProperty(Orv::CollisionComponent::Radius, radius);
    collision->GetCollider()->UpdateBounds();
    return object;
  }

  // A rigid body of the mass given, where the object's collider is; the rest
  // of it (bounce, friction, velocity) is the scene's to set. A body of mass
  // 0 never moves, a wall that only lends its bounce: it gets no number.
  Orv::RigidBody& AddBody(const std::shared_ptr<Orv::GameObject>& object, double mass = 1) {
    auto rigid = std::make_shared<Orv::RigidBodyComponent>();
    rigid->body.SetMass(mass);
    auto* collision = object->FindComponent<Orv::CollisionComponent>();
    rigid->body.position = collision->GetCollider()->GetPosition();
    object->AddComponent(Orv::TypeKey<Orv::RigidBodyComponent>(), rigid);
    if (mass != 0) bodies_.push_back({&rigid->body, collision});
    return rigid->body;
  }

  int Bodies() const { return static_cast<int>(bodies_.size()); }
  Orv::RigidBody& Body(int i) { return *bodies_[static_cast<std::size_t>(i)].body; }
  Orv::Vec2 Position(int i) const {
    return bodies_[static_cast<std::size_t>(i)].collision->GetCollider()->GetPosition();
  }
  // Every body's place, by number.
  std::vector<Orv::Vec2> Places() const {
    std::vector<Orv::Vec2> places;
    places.reserve(bodies_.size());
    for (const Numbered& numbered : bodies_) places.push_back(numbered.collision->GetCollider()->GetPosition());
    return places;
  }

  // One frame of dt; the contact records it left, one with each object of a
  // pair. Objects added since the last frame are offered to the passes
  // first, with their bodies, as the game offers an object once it is made.
  std::size_t Step(float dt) {
    for (; offered_ < objects_.size(); ++offered_) {
      collisions_.OnGameObjectAdded(Orv::ObjectLockPtr<Orv::GameObject>(objects_[offered_]));
      physics_.OnGameObjectAdded(Orv::ObjectLockPtr<Orv::GameObject>(objects_[offered_]));
    }
    collisions_.PreUpdate(dt);
    collisions_.Update(dt);
    physics_.PreUpdate(dt);
    physics_.Update(dt);
    // Read before the ageing clears them: no script reads them here.
    std::size_t records = 0;
    for (const auto& object : objects_) {
      records += object->FindComponent<Orv::CollisionComponent>()->GetContacts().size();
    }
    collisions_.LateUpdate(dt);
    return records;
  }

 private:
  struct Numbered {
    Orv::RigidBody* body;
    Orv::CollisionComponent* collision;
  };

  std::shared_ptr<Orv::GameObject> Add(const char* shape, Orv::Vec2 centre) {
    const auto id = static_cast<std::uint32_t>(objects_.size());
    auto object = std::make_shared<Orv::GameObject>(nullptr, id);
    // 0 means no object.
    object->SetUniqueId(id + 1);
    auto collision = std::make_shared<Orv::CollisionComponent>();
    collision->SetColliderByName(shape);
    collision->SetRealProperty(Orv::CollisionComponent::PosX, centre.x);
    collision->SetRealProperty(Orv::CollisionComponent::PosY, centre.y);
    object->AddComponent(Orv::TypeKey<Orv::CollisionComponent>(), collision);
    object->AddComponent(Orv::TypeKey<Orv::TransformComponent>(), std::make_shared<Orv::TransformComponent>());
    objects_.push_back(object);
    return object;
  }

  // Each collider says what it was made as on standard output, which is the
  // benchmark library's.
  QuietStdout quiet_;
  Orv::CollisionEngine collisions_{nullptr};
  Orv::PhysicEngine physics_{nullptr};
  std::vector<std::shared_ptr<Orv::GameObject>> objects_;
  std::size_t offered_ = 0;
  std::vector<Numbered> bodies_;
};

#ifdef ORV_BENCH_BOX2D

// Box2D's side of the same scene. Its bodies have mass 1, as the engine's,
// and its fixtures' defaults otherwise (friction 0.2) unless given.

// A static box, turned by degrees; Box2D mixes two restitutions by the larger.
inline b2Body* AddStatic(b2World& world, const Box& box, double degrees = 0, float restitution = 0) {
  b2BodyDef def;
  def.position.Set(Metres(box.x), Metres(box.y));
  def.angle = static_cast<float>(degrees * 3.14159265358979 / 180);
  b2PolygonShape shape;
  shape.SetAsBox(Metres(box.width / 2), Metres(box.height / 2));
  b2FixtureDef fixture;
  fixture.shape = &shape;
  fixture.restitution = restitution;
  b2Body* body = world.CreateBody(&def);
  body->CreateFixture(&fixture);
  return body;
}

// Its area in square metres gives the density that makes the mass 1.
inline b2Body* AddBody(b2World& world, Orv::Vec2 centre, const b2Shape& shape, double area, float friction = 0.2f,
                       float restitution = 0) {
  b2BodyDef def;
  def.type = b2_dynamicBody;
  def.position.Set(Metres(centre.x), Metres(centre.y));
  b2FixtureDef fixture;
  fixture.shape = &shape;
  fixture.density = static_cast<float>(1 / area);
  fixture.friction = friction;
  fixture.restitution = restitution;
  b2Body* body = world.CreateBody(&def);
  body->CreateFixture(&fixture);
  return body;
}

inline b2Body* AddCircleBody(b2World& world, Orv::Vec2 centre, double radius, float friction = 0.2f,
                             float restitution = 0) {
  b2CircleShape circle;
  circle.m_radius = Metres(radius);
  return AddBody(world, centre, circle, 3.14159265358979 * circle.m_radius * circle.m_radius, friction, restitution);
}

inline b2Body* AddBoxBody(b2World& world, Orv::Vec2 centre, double width, double height) {
  b2PolygonShape box;
  box.SetAsBox(Metres(width / 2), Metres(height / 2));
  return AddBody(world, centre, box, Metres(width) * Metres(height));
}
#endif

}  // namespace OrvBench
