// The editor's script functions, registered into every scripted object it
// admits.
#include "core/App.h"
#include "core/GameObject.h"
#include "core/OverrideLists.h"
#include "editor/EditComponent.h"
#include "editor/EditorObjectStore.h"
#include "editor/EditorSystem.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

void EditorSystem::OnRegistered() { AddScriptRegistration(this, &EditorSystem::RegisterScriptFunctions); }

void EditorSystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>&) {
  script.RegisterDirect("AddObject", this, &EditorSystem::AddObject);
  script.RegisterDirect("RemoveObject", this, &EditorSystem::RemoveObject);
  script.RegisterDirect("MoveObject", this, &EditorSystem::MoveObject);
  script.RegisterDirect("RotateObject", this, &EditorSystem::RotateObject);
  script.RegisterDirect("SaveObjects", this, &EditorSystem::SaveObjects);
  script.RegisterDirect("LoadObjects", this, &EditorSystem::LoadObjects);
}

void EditorSystem::AddObject(OrvCall::Finite<float> x, OrvCall::Finite<float> y, int id, const char* name) {
  OverrideLists overrides;
  overrides.AddIndexedOverride("collision", 1, static_cast<double>(x));
  overrides.AddIndexedOverride("collision", 2, static_cast<double>(y));
  // Recorded here, not again when the editor admits it.
  overrides.AddIndexedOverride("editable", EditComponent::FromFile, std::int32_t{0});
  PlaceByNameToo(name, overrides);
  auto object = owner_->CreateObjectWithOverrides(name, static_cast<unsigned>(id), &overrides, true).Lock();
  if (!object) return;
  EditorObjectRecord record;
  record.x = x;
  record.y = y;
  record.savedId = id;
  record.objectId = object->GetUniqueId();
  record.name = name;
  if (auto edit = object->LockComponent<EditComponent>()) {
    record.rotation = edit->rotation;
    record.shape = edit->shape;
    record.halfWidth = edit->halfWidth;
    record.halfHeight = edit->halfHeight;
    record.radius = edit->radius;
  }
  EditorObjectStore::GetInstance().AddRecord(record);
}

void EditorSystem::RemoveObject(OrvCall::Finite<float> x, OrvCall::Finite<float> y) {
  if (const std::uint32_t objectId = EditorObjectStore::GetInstance().RemoveAt(x, y)) {
    owner_->DestroyObjectByUniqueId(objectId);
  }
}

void EditorSystem::MoveObject(OrvCall::Finite<float> x, OrvCall::Finite<float> y) {
  EditorObjectStore::GetInstance().PickForMove(MiddlePressed(), x, y);
}

void EditorSystem::RotateObject(OrvCall::Finite<float> x, OrvCall::Finite<float> y) {
  EditorObjectStore::GetInstance().PickForRotate(MiddlePressed(), x, y);
}

void EditorSystem::SaveObjects(const char* fileName) { WriteLevelObjects(fileName); }

void EditorSystem::LoadObjects(const char* fileName, bool flag) { loadRequests_.push_back({fileName, flag}); }

}  // namespace Orv
