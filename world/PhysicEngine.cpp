#include "world/PhysicEngine.h"

#include <algorithm>

#include "core/GameObject.h"
#include "core/ObjectFunc.h"
#include "core/TransformComponent.h"
#include "world/CollisionComponent.h"
#include "world/RigidBody.h"
#include "world/RigidBodyComponent.h"

namespace Orv {

void PhysicEngine::PreUpdate(float) {
  if (paused_) return;
  objects_.erase(std::remove_if(objects_.begin(), objects_.end(),
                                [](const ObjectLockPtr<GameObject>& handle) { return !Lives(handle.Lock()); }),
                 objects_.end());
}

void PhysicEngine::Update(float dt) {
  if (!paused_) {
    const FrameSteps steps = StepsOf(dt);
    for (; stepsTaken_ < steps.count; ++stepsTaken_) StepAll(steps.seconds);
  }
  stepsTaken_ = 0;
}

bool PhysicEngine::StepBodies(double seconds) {
  if (paused_) return false;
  StepAll(seconds);
  ++stepsTaken_;
  return true;
}

void PhysicEngine::StepAll(double seconds) {
  if (stepsTaken_ == 0) ++frame_;
  for (std::size_t i = 0; i < objects_.size(); ++i) {
    auto object = objects_[i].Lock();
    if (Lives(object)) Step(*object, seconds);
  }
}

void PhysicEngine::Step(GameObject& object, double seconds) {
  auto rigid = object.LockComponent<RigidBodyComponent>();
  if (!rigid) return;
  auto transform = object.LockComponent<TransformComponent>();
  auto collision = object.LockComponent<CollisionComponent>();
  Collider* collider = collision ? collision->GetCollider() : nullptr;
  RigidBody& body = rigid->body;
  // A body made by a script during the frame's steps keeps its own at its
  // first.
  body.HoldFrameInputs(frame_);
  body.ApplyForces();
  // The collider is where the body is: collisions moved it since the last step.
  if (collider != nullptr) {
    body.Accept(body.position, collider->GetPosition(), "position");
    if (collider->GetType() == Collider::TypeOBB) body.Accept(body.direction, collider->GetRotation(), "direction");
  }
  body.IntegrateFor(seconds);
  rigid->ReportRefusal();
  if (transform) {
    transform->velocityX = body.velocity.x;
    transform->velocityY = body.velocity.y;
    // The camera places a follower by its parent.
    if (transform->followParent) return;
  }
  if (collider == nullptr) return;
  collider->SetPosition(body.position);
  if (collider->GetType() == Collider::TypeOBB) collider->SetRotation(body.direction);
  if (transform) {
    transform->worldX = ToFloat(collider->GetPosition().x, transform->worldX);
    transform->worldY = ToFloat(collider->GetPosition().y, transform->worldY);
    transform->rotdeg = ToFloat(collider->GetRotation(), transform->rotdeg);
  }
}

void PhysicEngine::Resume() {
  if (!pausedByScript_) paused_ = false;
}

void PhysicEngine::PausePhysics() {
  pausedByScript_ = true;
  Pause();
}

void PhysicEngine::ResumePhysics() {
  pausedByScript_ = false;
  Resume();
}

void PhysicEngine::OnGameObjectAdded(ObjectLockPtr<GameObject> handle) {
  auto object = handle.Lock();
  if (!object) return;
  if (auto rigid = object->LockComponent<RigidBodyComponent>()) {
    objects_.push_back(handle);
    if (auto transform = object->LockComponent<TransformComponent>()) {
      transform->velocityX = rigid->body.velocity.x;
      transform->velocityY = rigid->body.velocity.y;
    }
  }
}

}  // namespace Orv
