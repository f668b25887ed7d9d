// The physics engine's script functions, in their fixed order.
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <memory>

#include "core/GameObject.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"
#include "world/Collider.h"
#include "world/PhysicEngine.h"
#include "world/PhysicEngineScript.h"
#include "world/RigidBodyComponent.h"

namespace Orv {

namespace {

// Scripts think in amounts per sixtieth of a second, bodies per second.
constexpr double kPerSecond = 60.0;

// A body's values reach scripts in single precision; one beyond its range
// stands at its edge.
double Rounded(double value) {
  return static_cast<double>(static_cast<float>(std::clamp(value, -double{FLT_MAX}, double{FLT_MAX})));
}

// The object's script and body, held for one call, while the object lives
// and has both.
struct Scripted {
  std::shared_ptr<ScriptComponent> script;
  std::shared_ptr<RigidBodyComponent> rigid;
  explicit operator bool() const { return script && rigid; }
};

Scripted Find(const std::shared_ptr<GameObject>& object) {
  if (!object) return {};
  std::shared_ptr<ScriptComponent> script = object->LockComponent<ScriptComponent>();
  if (!script) return {};
  return {script, object->LockComponent<RigidBodyComponent>()};
}

// Changes the body; what would not be finite is refused by the body and
// said once for the object.
template <typename Change>
void ChangeBody(const std::shared_ptr<GameObject>& object, Change change) {
  const Scripted found = Find(object);
  if (!found) return;
  change(found.rigid->body);
  found.rigid->ReportRefusal();
}

// A new table of the body's values in the object's own state, or nil.
template <typename Fill>
OrvLua::LuaObject BodyTable(const std::shared_ptr<GameObject>& object, Fill fill) {
  const Scripted found = Find(object);
  if (!found) return {};
  OrvLua::LuaObject table = found.script->NewTable();
  fill(table, found.rigid->body);
  return table;
}

OrvLua::LuaObject VectorTable(const std::shared_ptr<GameObject>& object, Vec2 RigidBody::*field) {
  return BodyTable(object, [field](OrvLua::LuaObject& table, const RigidBody& body) {
    table.SetNumber("x", Rounded((body.*field).x));
    table.SetNumber("y", Rounded((body.*field).y));
  });
}

Vec2 Scaled(double x, double y) { return {kPerSecond * x, kPerSecond * y}; }

}  // namespace

void PhysicEngine::OnRegistered() { AddScriptRegistration(this, &PhysicEngine::RegisterScriptFunctions); }

void PhysicEngine::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  // A body's functions only for an object that has one; pausing is for every script.
  auto locked = object.Lock();
  if (locked && locked->GetComponent<RigidBodyComponent>().Exists()) {
    script.RegisterNewFunctor<SetVelocityFunc>("SetVelocity", object);
    script.RegisterNewFunctor<GetVelocityFunc>("GetVelocity", object);
    script.RegisterNewFunctor<SetVelocityX>("AddVelocity", object);
    script.RegisterNewFunctor<SetVelocityX>("SetVelocityX", object);
    script.RegisterNewFunctor<SetVelocityY>("SetVelocityY", object);
    script.RegisterNewFunctor<SetAccelFunc>("SetAcceleration", object);
    script.RegisterNewFunctor<GetAccelFunc>("GetAcceleration", object);
    script.RegisterNewFunctor<AddAccelFunc>("AddAcceleration", object);
    script.RegisterNewFunctor<SetAngularVelocityFunc>("SetAngularVel", object);
    script.RegisterNewFunctor<GetAngularVelocityFunc>("GetAngularVel", object);
    script.RegisterNewFunctor<AddAngularVelocityFunc>("AddAngularVel", object);
    script.RegisterNewFunctor<SetImpulseFunc>("SetImpulse", object);
    script.RegisterNewFunctor<SetForceFunc>("SetForce", object);
    script.RegisterNewFunctor<GetForceFunc>("GetForce", object);
    script.RegisterNewFunctor<AddForceFunc>("AddForce", object);
    script.RegisterNewFunctor<GetDirectionFunc>("GetDirection", object);
    script.RegisterNewFunctor<SetDirectionFunc>("SetDirection", object);
    script.RegisterNewFunctor<SetBouncy>("SetBouncy", object);
    script.RegisterNewFunctor<GetBouncy>("GetBouncy", object);
    script.RegisterNewFunctor<SetWallBouncingTrue>("SetWallBouncingTrue", object);
    script.RegisterNewFunctor<SetWallBouncingFalse>("SetWallBouncingFalse", object);
  }
  script.RegisterDirect("PausePhysics", this, &PhysicEngine::PausePhysics);
  script.RegisterDirect("ResumePhysics", this, &PhysicEngine::ResumePhysics);
}

void SetVelocityFunc::operator()(double x, double y) {
  ChangeBody(LiveObject(), [&](RigidBody& b) { b.Accept(b.velocity, Scaled(x, y), "velocity"); });
}

OrvLua::LuaObject GetVelocityFunc::operator()() { return VectorTable(LiveObject(), &RigidBody::velocity); }

void SetVelocityX::operator()(double v) {
  ChangeBody(LiveObject(), [&](RigidBody& b) { b.Accept(b.velocity.x, kPerSecond * v, "velocity"); });
}

void SetVelocityY::operator()(double v) {
  ChangeBody(LiveObject(), [&](RigidBody& b) { b.Accept(b.velocity.y, kPerSecond * v, "velocity"); });
}

void SetAccelFunc::operator()(double x, double y) {
  ChangeBody(LiveObject(), [&](RigidBody& b) { b.Accept(b.acceleration, Scaled(x, y), "acceleration"); });
}

OrvLua::LuaObject GetAccelFunc::operator()() { return VectorTable(LiveObject(), &RigidBody::acceleration); }

void AddAccelFunc::operator()(double x, double y) {
  ChangeBody(LiveObject(),
             [&](RigidBody& b) { b.Accept(b.acceleration, b.acceleration + Scaled(x, y), "acceleration"); });
}

void SetAngularVelocityFunc::operator()(double v) {
  ChangeBody(LiveObject(), [&](RigidBody& b) { b.Accept(b.angularVelocity, kPerSecond * v, "angular velocity"); });
}

OrvLua::LuaObject GetAngularVelocityFunc::operator()() {
  return BodyTable(LiveObject(), [](OrvLua::LuaObject& table, const RigidBody& body) {
    table.SetNumber("AngularVel", Rounded(body.angularVelocity));
  });
}

void AddAngularVelocityFunc::operator()(double v) {
  ChangeBody(LiveObject(), [&](RigidBody& b) {
    b.Accept(b.angularVelocity, b.angularVelocity + kPerSecond * v, "angular velocity");
  });
}

void SetImpulseFunc::operator()(double x, double y) {
  // A body without mass takes no impulse: its inverse mass is 0.
  ChangeBody(LiveObject(), [&](RigidBody& b) { b.Accept(b.velocity, Scaled(x, y) * b.inverseMass, "impulse"); });
}

void SetForceFunc::operator()(double x, double y) {
  ChangeBody(LiveObject(), [&](RigidBody& b) { b.Accept(b.force, Scaled(x, y), "force"); });
}

OrvLua::LuaObject GetForceFunc::operator()() { return VectorTable(LiveObject(), &RigidBody::force); }

void AddForceFunc::operator()(double x, double y) {
  ChangeBody(LiveObject(), [&](RigidBody& b) { b.Accept(b.force, b.force + Scaled(x, y), "force"); });
}

OrvLua::LuaObject GetDirectionFunc::operator()() {
  return BodyTable(LiveObject(), [](OrvLua::LuaObject& table, const RigidBody& body) {
    table.SetNumber("x", std::cos(body.direction * kDegreesToRadians));
    table.SetNumber("y", std::sin(body.direction * kDegreesToRadians));
  });
}

void SetDirectionFunc::operator()(double x1, double y1, double x2, double y2) {
  ChangeBody(LiveObject(), [&](RigidBody& b) {
    b.Accept(b.direction, std::atan2(y2 - y1, x2 - x1) / kDegreesToRadians, "direction");
  });
}

void SetBouncy::operator()(double v) {
  ChangeBody(LiveObject(), [&](RigidBody& b) { b.Accept(b.bouncy, v, "bouncy"); });
}

OrvLua::LuaObject GetBouncy::operator()() {
  return BodyTable(LiveObject(), [](OrvLua::LuaObject& table, const RigidBody& body) {
    table.SetNumber("bouncy", Rounded(body.bouncy));
  });
}

void SetWallBouncingTrue::operator()() {
  ChangeBody(LiveObject(), [](RigidBody& b) { b.resolveTileMap = true; });
}

void SetWallBouncingFalse::operator()() {
  ChangeBody(LiveObject(), [](RigidBody& b) { b.resolveTileMap = false; });
}

}  // namespace Orv
