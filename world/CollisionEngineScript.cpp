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
#include "world/CollisionEngineScript.h"

namespace Orv {

namespace {

// Scripts get single-precision coordinates; one beyond their range reads as its edge.
double ToSingle(double value) {
  if (std::isnan(value)) return value;
  return static_cast<float>(std::clamp(value, -double{FLT_MAX}, double{FLT_MAX}));
}

// The collision component with a collider of a live object, else null.
std::shared_ptr<CollisionComponent> CollisionOf(const std::shared_ptr<GameObject>& object) {
  if (!object) return nullptr;
  auto collision = object->LockComponent<CollisionComponent>();
  if (!collision || collision->GetCollider() == nullptr) return nullptr;
  return collision;
}

// What a function that answers a table needs: the object's collision
// component with a collider and its script, where the table is made; both
// null when the object is dead or lacks either.
struct Answering {
  std::shared_ptr<CollisionComponent> collision;
  std::shared_ptr<ScriptComponent> script;
};

Answering AnsweringOf(const std::shared_ptr<GameObject>& object) {
  auto collision = CollisionOf(object);
  if (!collision) return {};
  auto script = object->LockComponent<ScriptComponent>();
  if (!script) return {};
  return {std::move(collision), std::move(script)};
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
  auto collision = CollisionOf(LiveObject());
  if (!collision) return;
  const Vec2 moved = collision->GetCollider()->GetPosition() + Vec2{dx, dy};
  if (collision->AcceptFinite("MovePos", moved.x) && collision->AcceptFinite("MovePos", moved.y)) {
    collision->GetCollider()->SetPosition(moved);
  }
}

OrvLua::LuaObject GetPosFunc::operator()() {
  auto script = script_.Lock();
  auto collision = collision_.Lock();
  if (!LiveObject() || !script || !collision || collision->GetCollider() == nullptr) return {};
  const Vec2 centre = collision->GetCollider()->GetPosition();
  OrvLua::LuaObject table = script->NewTable();
  table.SetNumber("x", ToSingle(centre.x));
  table.SetNumber("y", ToSingle(centre.y));
  return table;
}

void SetPosFunc::operator()(double x, double y) {
  auto collision = CollisionOf(LiveObject());
  if (collision && collision->AcceptFinite("SetPos", x) && collision->AcceptFinite("SetPos", y)) {
    collision->GetCollider()->SetPosition({x, y});
  }
}

void SetZCollFunc::operator()(double z) {
  auto collision = CollisionOf(LiveObject());
  if (collision && collision->AcceptFinite("SetZColl", z)) collision->GetCollider()->SetZ(z);
}

OrvLua::LuaObject GetZCollFunc::operator()() {
  const auto [collision, script] = AnsweringOf(LiveObject());
  if (!script) return {};
  OrvLua::LuaObject table = script->NewTable();
  table.SetNumber("zColl", ToSingle(collision->GetCollider()->GetZ()));
  return table;
}

void SetAvoidTriggerFunc::operator()(bool flag) {
  auto object = LiveObject();
  auto collision = CollisionOf(object);
  if (!collision) return;
  // A mounted child keeps the flag its mounting gave it.
  auto transform = object->LockComponent<TransformComponent>();
  if (transform && transform->followParent) return;
  collision->avoidTrigger = flag;
}

OrvLua::LuaObject GetAvoidTriggerFunc::operator()() {
  const auto [collision, script] = AnsweringOf(LiveObject());
  if (!script) return {};
  OrvLua::LuaObject table = script->NewTable();
  table.SetInteger("avoidTrigger", collision->avoidTrigger ? 1 : 0);
  return table;
}

void SetOrientation::operator()(double degrees) {
  auto collision = CollisionOf(LiveObject());
  if (collision && collision->AcceptFinite("SetOrientationDeg", degrees))
    collision->GetCollider()->SetRotation(degrees);
}

OrvLua::LuaObject GetDirectionVector::operator()(float x, float y) {
  const auto [collision, script] = AnsweringOf(LiveObject());
  if (!script) return {};
  const Vec2 d = Vec2{x, y} - collision->GetCollider()->GetPosition();
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
  if (!Lives(lockedA) || !Lives(lockedB)) return false;
  if (!lockedA->LockComponent<ScriptComponent>()) return false;
  return LineOfSight(a, b);
}

void SetContactInfoString::operator()(const char* key, const char* value) {
  if (auto collision = CollisionOf(LiveObject())) collision->SetContactInfoString(key, value);
}

void SetContactInfoInteger::operator()(const char* key, int value) {
  if (auto collision = CollisionOf(LiveObject())) collision->SetContactInfoInteger(key, value);
}

void SetContactInfoReal::operator()(const char* key, double value) {
  auto collision = CollisionOf(LiveObject());
  if (collision && collision->AcceptFinite("SetContactInfoReal", value)) collision->SetContactInfoReal(key, value);
}

double GetContactInfoReal::operator()(const char* key) {
  auto collision = CollisionOf(LiveObject());
  return collision ? collision->GetContactInfoReal(key).value : -1.0;
}

int GetContactInfoInteger::operator()(const char* key) {
  auto collision = CollisionOf(LiveObject());
  return collision ? collision->GetContactInfoInteger(key).value : -1;
}

const char* GetContactInfoString::operator()(const char* key) {
  auto collision = CollisionOf(LiveObject());
  result_ = collision ? collision->GetContactInfoString(key).value : "nil";
  return result_.c_str();
}

unsigned GetCollisionCount::operator()() {
  auto collision = CollisionOf(LiveObject());
  return collision ? static_cast<unsigned>(collision->GetContacts().size()) : 0u;
}

OrvLua::LuaObject GetContactManifolds::operator()() {
  const auto [collision, script] = AnsweringOf(LiveObject());
  if (!script) return {};
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

void SetEnableOcclusion::operator()(bool flag) {
  if (auto collision = CollisionOf(LiveObject())) collision->occluding = flag;
}

OrvLua::LuaObject GetBoundingRec::operator()() {
  const auto [collision, script] = AnsweringOf(LiveObject());
  if (!script) return {};
  Collider* collider = collision->GetCollider();
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
