// The collision engine's script functions, in their fixed order.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "NumberConversion.h"
#include "core/GameObject.h"
#include "core/TransformComponent.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"
#include "world/CollisionComponent.h"
#include "world/CollisionEngine.h"

namespace Orv {

namespace {

// Scripts get single-precision coordinates; one beyond their range reads as its edge.
double ToSingle(double value) {
  if (std::isnan(value)) return value;
  return static_cast<float>(std::clamp(value, -double{FLT_MAX}, double{FLT_MAX}));
}

// The object's collision component with a collider while the object lives.
std::shared_ptr<CollisionComponent> LiveCollision(const ObjectLockPtr<GameObject>& object) {
  auto locked = object.Lock();
  if (!locked || !locked->IsAlive()) return nullptr;
  auto collision = locked->LockComponent<CollisionComponent>();
  if (!collision || collision->GetCollider() == nullptr) return nullptr;
  return collision;
}

// A new table in the object's own state, for functions that answer one;
// null when the object is dead or lacks either component.
std::shared_ptr<ScriptComponent> LiveScript(const ObjectLockPtr<GameObject>& object) {
  if (!LiveCollision(object)) return nullptr;
  return object.Lock()->LockComponent<ScriptComponent>();
}

}  // namespace

void CollisionEngine::OnRegistered() { AddScriptRegistration(this, &CollisionEngine::RegisterScriptFunctions); }

void CollisionEngine::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  auto locked = object.Lock();
  // Only an object that collides has a position, contacts and a box here;
  // pausing is for every script.
  if (locked && locked->LockComponent<CollisionComponent>()) RegisterCollisionFunctions(script, object);
  script.RegisterDirect("PauseCollisions", this, &CollisionEngine::PauseCollisions);
  script.RegisterDirect("ResumeCollisions", this, &CollisionEngine::ResumeCollisions);
}

void CollisionEngine::RegisterCollisionFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  ObjectLockPtr<GameObject> self = object;
  auto locked = object.Lock();
  script.RegisterNewFunctor<MoveFunc>("MovePos", self);
  script.RegisterNewFunctor<GetPosFunc>("GetPos", self, locked->GetComponent<ScriptComponent>(),
                                        locked->GetComponent<CollisionComponent>());
  script.RegisterNewFunctor<SetPosFunc>("SetPos", self);
  script.RegisterNewFunctor<SetZCollFunc>("SetZColl", self);
  script.RegisterNewFunctor<GetZCollFunc>("GetZColl", self);
  script.RegisterNewFunctor<SetAvoidTriggerFunc>("SetAvoidTrigger", self);
  script.RegisterNewFunctor<GetAvoidTriggerFunc>("GetAvoidTrigger", self);
  script.RegisterNewFunctor<SetOrientation>("SetOrientationDeg", self);
  script.RegisterNewFunctor<GetDirectionVector>("GetDirectionVector", self);
  script.RegisterDirect("CallRaycast", this, &CollisionEngine::CallRaycast);
  script.RegisterDirect("ClearCollision", this, &CollisionEngine::ClearCollision);
  script.RegisterNewFunctor<SetContactInfoString>("SetContactInfoString", self);
  script.RegisterNewFunctor<SetContactInfoInteger>("SetContactInfoInteger", self);
  script.RegisterNewFunctor<SetContactInfoReal>("SetContactInfoReal", self);
  script.RegisterNewFunctor<GetContactInfoReal>("GetContactInfoReal", self);
  script.RegisterNewFunctor<GetContactInfoInteger>("GetContactInfoInteger", self);
  script.RegisterNewFunctor<GetContactInfoString>("GetContactInfoString", self);
  script.RegisterNewFunctor<GetCollisionCount>("GetCollisionCount", self);
  script.RegisterNewFunctor<GetContactManifolds>("GetContactManifolds", self);
  script.RegisterNewFunctor<SetEnableOcclusion>("SetEnableOcclusion", self);
  script.RegisterNewFunctor<GetBoundingRec>("GetBoundingRec", self);
}

void MoveFunc::operator()(double dx, double dy) {
  auto collision = LiveCollision(object_);
  if (!collision) return;
  const Vec2 moved = collision->GetCollider()->GetPosition() + Vec2{dx, dy};
  if (collision->AcceptFinite("MovePos", moved.x) && collision->AcceptFinite("MovePos", moved.y)) {
    collision->GetCollider()->SetPosition(moved);
  }
}

OrvLua::LuaObject GetPosFunc::operator()() {
  auto object = object_.Lock();
  auto script = script_.Lock();
  auto collision = collision_.Lock();
  if (!object || !object->IsAlive() || !script || !collision || collision->GetCollider() == nullptr) return {};
  const Vec2 centre = collision->GetCollider()->GetPosition();
  OrvLua::LuaObject table = script->NewTable();
  table.SetNumber("x", ToSingle(centre.x));
  table.SetNumber("y", ToSingle(centre.y));
  return table;
}

void CollisionEngine::SetPosFunc::operator()(double x, double y) {
  auto collision = LiveCollision(object_);
  if (collision && collision->AcceptFinite("SetPos", x) && collision->AcceptFinite("SetPos", y)) {
    collision->GetCollider()->SetPosition({x, y});
  }
}

void CollisionEngine::SetZCollFunc::operator()(double z) {
  auto collision = LiveCollision(object_);
  if (collision && collision->AcceptFinite("SetZColl", z)) collision->GetCollider()->SetZ(z);
}

OrvLua::LuaObject CollisionEngine::GetZCollFunc::operator()() {
  auto script = LiveScript(object_);
  if (!script) return {};
  OrvLua::LuaObject table = script->NewTable();
  table.SetNumber("zColl", ToSingle(LiveCollision(object_)->GetCollider()->GetZ()));
  return table;
}

void CollisionEngine::SetAvoidTriggerFunc::operator()(bool flag) {
  auto collision = LiveCollision(object_);
  if (!collision) return;
  // A mounted child keeps the flag its mounting gave it.
  auto transform = object_.Lock()->LockComponent<TransformComponent>();
  if (transform && transform->followParent) return;
  collision->avoidTrigger = flag;
}

OrvLua::LuaObject CollisionEngine::GetAvoidTriggerFunc::operator()() {
  auto script = LiveScript(object_);
  if (!script) return {};
  OrvLua::LuaObject table = script->NewTable();
  table.SetInteger("avoidTrigger", LiveCollision(object_)->avoidTrigger ? 1 : 0);
  return table;
}

void CollisionEngine::SetOrientation::operator()(double degrees) {
  auto collision = LiveCollision(object_);
  if (collision && collision->AcceptFinite("SetOrientationDeg", degrees))
    collision->GetCollider()->SetRotation(degrees);
}

OrvLua::LuaObject CollisionEngine::GetDirectionVector::operator()(float x, float y) {
  auto script = LiveScript(object_);
  if (!script) return {};
  const Vec2 d = Vec2{x, y} - LiveCollision(object_)->GetCollider()->GetPosition();
  const double lengthSquared = d.LengthSquared();
  // Not finite either way: a point or a centre that is not finite points nowhere.
  const Vec2 unit = lengthSquared > 1e-8 && std::isfinite(lengthSquared) ? d / std::sqrt(lengthSquared) : Vec2{};
  OrvLua::LuaObject table = script->NewTable();
  table.SetNumber("x", unit.x);
  table.SetNumber("y", unit.y);
  return table;
}

bool CollisionEngine::CallRaycast(unsigned uniqueIdA, unsigned uniqueIdB) {
  const ObjectLockPtr<GameObject> a = FindColliderByUniqueId(static_cast<std::int32_t>(uniqueIdA));
  const ObjectLockPtr<GameObject> b = FindColliderByUniqueId(static_cast<std::int32_t>(uniqueIdB));
  auto lockedA = a.Lock();
  auto lockedB = b.Lock();
  if (!lockedA || !lockedA->IsAlive() || !lockedB || !lockedB->IsAlive()) return false;
  if (!lockedA->LockComponent<ScriptComponent>()) return false;
  return LineOfSight(a, b);
}

void CollisionEngine::SetContactInfoString::operator()(const char* key, const char* value) {
  if (auto collision = LiveCollision(object_)) collision->SetContactInfoString(key, value);
}

void CollisionEngine::SetContactInfoInteger::operator()(const char* key, int value) {
  if (auto collision = LiveCollision(object_)) collision->SetContactInfoInteger(key, value);
}

void CollisionEngine::SetContactInfoReal::operator()(const char* key, double value) {
  auto collision = LiveCollision(object_);
  if (collision && collision->AcceptFinite("SetContactInfoReal", value)) collision->SetContactInfoReal(key, value);
}

double CollisionEngine::GetContactInfoReal::operator()(const char* key) {
  auto collision = LiveCollision(object_);
  return collision ? collision->GetContactInfoReal(key).value : -1.0;
}

int CollisionEngine::GetContactInfoInteger::operator()(const char* key) {
  auto collision = LiveCollision(object_);
  return collision ? collision->GetContactInfoInteger(key).value : -1;
}

const char* CollisionEngine::GetContactInfoString::operator()(const char* key) {
  auto collision = LiveCollision(object_);
  result_ = collision ? collision->GetContactInfoString(key).value : "nil";
  return result_.c_str();
}

unsigned CollisionEngine::GetCollisionCount::operator()() {
  auto collision = LiveCollision(object_);
  return collision ? static_cast<unsigned>(collision->GetContacts().size()) : 0u;
}

OrvLua::LuaObject CollisionEngine::GetContactManifolds::operator()() {
  auto script = LiveScript(object_);
  if (!script) return {};
  auto collision = LiveCollision(object_);
  OrvLua::LuaObject list = script->NewTable();
  int index = 0;
  for (const ContactRecord& record : collision->GetContacts()) {
    OrvLua::LuaObject entry = script->NewTable();
    entry.SetInteger("contactUID", record.contactUID);
    entry.SetInteger("contactX", OrvLua::SaturateTo<int>(record.contactX));
    entry.SetInteger("contactY", OrvLua::SaturateTo<int>(record.contactY));
    entry.SetInteger("contactID", record.contactID);
    entry.SetBoolean("collisionStart", record.collisionStart);
    entry.SetBoolean("collisionEnd", record.collisionEnd);
    entry.SetBoolean("collisionStay", record.collisionStay);
    entry.SetNumber("worldX", record.worldX);
    entry.SetNumber("worldY", record.worldY);
    for (const auto& [key, value] : collision->ContactInfoOf(record)) {
      if (value.type == DataInt) {
        entry.SetInteger(key.c_str(), value.intValue);
      } else if (value.type == DataReal) {
        entry.SetNumber(key.c_str(), value.realValue);
      } else if (value.type == DataString) {
        entry.SetString(key.c_str(), value.stringValue.c_str());
      }
    }
    list.SetObject(++index, entry);
  }
  return list;
}

void CollisionEngine::SetEnableOcclusion::operator()(bool flag) {
  if (auto collision = LiveCollision(object_)) collision->occluding = flag;
}

OrvLua::LuaObject CollisionEngine::GetBoundingRec::operator()() {
  auto script = LiveScript(object_);
  if (!script) return {};
  Collider* collider = LiveCollision(object_)->GetCollider();
  // A box's corners follow its centre only at the late update: before that
  // (in Init, after MovePos or SetPos) they would give the box where it was.
  collider->UpdateBounds();
  const Vec2 min = collider->GetMin(), max = collider->GetMax();
  OrvLua::LuaObject table = script->NewTable();
  table.SetNumber("Top", ToSingle(min.y));
  table.SetNumber("Left", ToSingle(min.x));
  table.SetNumber("Right", ToSingle(max.x));
  table.SetNumber("Bottom", ToSingle(max.y));
  return table;
}

}  // namespace Orv
