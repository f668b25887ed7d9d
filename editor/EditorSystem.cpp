#include "editor/EditorSystem.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "core/App.h"
#include "core/DataBun.h"
#include "core/GameObject.h"
#include "core/JsonFile.h"
#include "core/OverrideLists.h"
#include "core/Report.h"
#include "core/ReportOnce.h"
#include "core/TransformComponent.h"
#include "core/TypeKey.h"
#include "core/UserFolder.h"
#include "editor/EditComponent.h"
#include "editor/EditorObjectStore.h"
#include "editor/LevelObjectFile.h"
#include "render/SpriteAnimComponent.h"
#include "script/ScriptComponent.h"
#include "world/CollisionComponent.h"

namespace Orv {

namespace {

constexpr int kMiddleButton = 1;
// Half extents and radius of an object that shows a sprite.
constexpr float kSpritePickExtent = 50.0f;
// 1 / pi, as the turn has always used it.
constexpr double kInversePi = 0.31830988618478295;

// The pick shape from the collider's type and the sprite frame's size.
void TakeShapeFromFrame(EditComponent& edit, const Collider& collider, float width, float height) {
  switch (collider.GetType()) {
    case Collider::TypeAABB:
    case Collider::TypeOBB:
      edit.shape = collider.GetType() == Collider::TypeAABB ? "AABB" : "OBB";
      edit.halfWidth = width * 0.5f;
      edit.halfHeight = height * 0.5f;
      break;
    case Collider::TypeCircle2D:
      edit.shape = "Circle";
      edit.radius = height * 0.5f;
      break;
    default: break;
  }
}

// The pick shape of an object that has none of its own: its collider's.
void TakeShapeFromCollider(EditComponent& edit, const Collider& collider) {
  const auto takeBox = [&](const char* shape, double width, double height) {
    edit.shape = shape;
    edit.halfWidth = static_cast<float>(width * 0.5);
    edit.halfHeight = static_cast<float>(height * 0.5);
  };
  switch (collider.GetType()) {
    case Collider::TypeAABB: {
      const auto& box = static_cast<const AABB&>(collider);
      takeBox("AABB", box.GetWidth(), box.GetHeight());
      break;
    }
    case Collider::TypeOBB: {
      const auto& box = static_cast<const OBB&>(collider);
      takeBox("OBB", box.GetWidth(), box.GetHeight());
      break;
    }
    case Collider::TypeCircle2D:
      edit.shape = "Circle";
      edit.radius = static_cast<float>(static_cast<const Circle2D&>(collider).GetRadius());
      break;
    default: break;
  }
}

std::string Position(float x, float y) {
  std::ostringstream text;
  text << x << ", " << y;
  return text.str();
}

}  // namespace

void EditorSystem::Init(unsigned, unsigned) {
  requiredTypes.push_back(TypeKey<EditComponent>());
  requiredTypes.push_back(TypeKey<CollisionComponent>());
  requiredTypes.push_back(TypeKey<ScriptComponent>());
}

void EditorSystem::PlaceByNameToo(const std::string& typeName, OverrideLists& overrides) {
  for (const auto& [index, key] : {std::pair<std::uint32_t, const char*>{1, "pos x"}, {2, "pos y"}}) {
    const IndexedOverride* place = overrides.LastIndexed("collision", index);
    if (place == nullptr || overrides.HasNamed("collision", key)) continue;
    // Only a blueprint that places by name needs it: any other keeps taking
    // later places by index, from spawn lists and level files.
    bool byName = false;
    for (const ArcheTypeInfo& info : owner_->GetArcheTypeInfoByKey("collision", key)) {
      if (info.typeName == typeName) byName = info.value.type != DataNone;
    }
    if (!byName) continue;
    const DataBun value = place->value;
    if (value.type == DataReal) overrides.AddNamedOverride("collision", key, value.realValue);
    if (value.type == DataInt) overrides.AddNamedOverride("collision", key, value.intValue);
  }
}

bool EditorSystem::MiddlePressed() { return owner_->IsMouseButtonDown(kMiddleButton) && !middleDown_; }

void EditorSystem::OnEntityAdded(EntityRecord& entity) { Admit(entity.object); }

void EditorSystem::Admit(const ObjectLockPtr<GameObject>& handle) {
  auto object = handle.Lock();
  if (!Lives(object)) return;
  auto edit = object->LockComponent<EditComponent>();
  auto collision = object->LockComponent<CollisionComponent>();
  if (!edit || !collision) return;
  Collider* collider = collision->GetCollider();
  if (auto sprite = object->LockComponent<SpriteAnimComponent>()) {
    if (sprite->GetFrameList().empty()) {
      edit->shape = "AABB";
      edit->halfWidth = edit->halfHeight = edit->radius = kSpritePickExtent;
    } else if (collider != nullptr) {
      TakeShapeFromFrame(*edit, *collider, sprite->GetFrameWidth(), sprite->GetFrameHeight());
    }
  }
  // Without a shape no point picks the object, and RemoveObject could never
  // take it out of the saved level.
  if (edit->shape.empty() && collider != nullptr) TakeShapeFromCollider(*edit, *collider);
  if (auto transform = object->LockComponent<TransformComponent>()) {
    if (collider != nullptr) collider->SetRotation(edit->rotation);
    transform->rotdeg = edit->rotation;
  }
  if (edit->fromFile != 1) return;
  if (collider != nullptr) collider->SetPosition({edit->x, edit->y});
  PrintLine("Pos:  " + Position(edit->x, edit->y));
  PrintLine("ID:   " + std::to_string(edit->savedId));
  PrintLine("Name: " + edit->name);
  EditorObjectStore::GetInstance().AddRecord({edit->x, edit->y, edit->rotation, edit->savedId, object->GetUniqueId(),
                                              edit->name, edit->shape, edit->halfWidth, edit->halfHeight,
                                              edit->radius});
}

// Only an object the editor can pick is dragged or turned.
bool EditorSystem::WalksObject(const GameObject& object) const {
  return object.FindComponent<EditComponent>() != nullptr;
}

void EditorSystem::PreUpdateEntity(EntityRecord& entity, float) {
  GameObject* object = entity.walked;
  if (object == nullptr || object->FindComponent<EditComponent>() == nullptr) return;
  EditorObjectStore& store = EditorObjectStore::GetInstance();
  const bool down = owner_->IsMouseButtonDown(kMiddleButton);
  auto collision = object->LockComponent<CollisionComponent>();
  Collider* collider = collision ? collision->GetCollider() : nullptr;
  if (down && collider != nullptr) {
    const std::uint32_t uniqueId = object->GetUniqueId();
    if (uniqueId == store.GetMovedObject()) {
      collider->SetPosition({store.GetPickX(), store.GetPickY()});
    } else if (uniqueId == store.GetRotatedObject()) {
      // From the top edge's height: the object turns to face the pick point.
      const double angle =
          std::atan2(store.GetPickY() - collider->GetMax().y, store.GetPickX() - collider->GetPosition().x) * 180.0 *
          kInversePi;
      if (auto transform = object->LockComponent<TransformComponent>()) {
        collider->SetRotation(angle + 90.0);
        transform->rotdeg = static_cast<float>(angle + 90.0);
      }
    }
  }
  store.UpdateFromObject(*object, !down && middleDown_);
}

void EditorSystem::OnLateUpdate(float) {
  // Taken out first: an object made by a load may ask for another, which
  // then waits for the next frame.
  std::vector<LoadRequest> requests;
  requests.swap(loadRequests_);
  for (const LoadRequest& request : requests) ReadLevelObjects(request.fileName, request.flag);
  middleDown_ = owner_->IsMouseButtonDown(kMiddleButton);
}

bool EditorSystem::WriteLevelObjects(const std::string& fileName) {
  return SaveToUserFolder(fileName, LevelObjectText(EditorObjectStore::GetInstance().GetRecords()),
                          "the level objects");
}

void EditorSystem::ReadLevelObjects(const std::string& fileName, bool flag) {
  // A refused name loads nothing and keeps the records.
  const std::optional<std::string> name = ContainedFileName(fileName);
  if (!name) return;
  const std::string userPath = UserFolder() + *name;
  PrintLine("Loading objects from filepath: " + userPath);
  auto document = std::make_unique<JsonFile>(userPath);
  if (!*document) {
    const std::string projectPath = name->find("data/") != std::string::npos ? *name : "data/" + *name;
    // No saved copy is the usual case, not a failure; as the tile maps say it.
    if (document->IsBroken()) {
      PrintErrorLine(document->DescribeError());
      PrintLine("Opening save file failed! Loading from " + projectPath);
    } else {
      PrintLine("No saved copy there; loading from " + projectPath);
    }
    document = std::make_unique<JsonFile>(projectPath);
    if (!*document) {
      // Nothing stops but this load: the objects and the records stay.
      if (document->IsBroken()) PrintErrorLine(document->DescribeError());
      PrintErrorLine("Error! LoadObjects(\"" + fileName + "\") loads nothing: neither " + userPath + " nor " +
                     projectPath + " could be loaded; the objects and their records stay as they were");
      return;
    }
  }
  LevelObjectList list = ReadLevelObjectList(document->Root());
  if (list.status == LevelObjectList::SpawnMissing) {
    PrintLine("Spawn not found...aborting summoning..");
    return;
  }
  if (list.status == LevelObjectList::SpawnNotArray) {
    PrintLine("Spawn array not found..aborting summoning..");
    return;
  }
  // Only now: a load that fails keeps the records, so the next save does not
  // write an empty level over the good file.
  EditorObjectStore::GetInstance().ClearRecords();
  PrintLine("Level Summoner says aloha!");
  for (LevelObjectEntry& entry : list.entries) {
    if (!entry.valid) {
      PrintLine("Summoning failed!");
      PrintErrorLine(document->GetPath() + ": spawn entry " + std::to_string(entry.position) +
                     " needs a string \"name\", an integer \"id\" and an object \"params\"");
      continue;
    }
    // Each entry is made from the blueprint with its own values only: one
    // read before it, in this file or an earlier load, leaves nothing behind.
    PlaceByNameToo(entry.name, entry.overrides);
    owner_->CreateObjectWithOwnOverrides(entry.name, entry.id, entry.overrides, flag);
  }
}

}  // namespace Orv
