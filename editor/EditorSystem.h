#pragma once
// The in-game editor: editor scripts add, pick, drag, turn and remove level
// objects with the mouse, and save and load them as a level-object file in
// the per-user folder. It keeps its records in the EditorObjectStore; the
// objects themselves are placed through their colliders.
#include <string>
#include <vector>
#include "FiniteArg.h"

#include "core/BasicEntitySystem.h"
#include "core/OverrideLists.h"

namespace Orv {

class ScriptComponent;

class EditorSystem : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override;
  void Init(unsigned width, unsigned height) override;
  void Start() override {}

  // Script functions, bound to the editor itself.
  void AddObject(OrvCall::Finite<float> x, OrvCall::Finite<float> y, int id, const char* name);
  void RemoveObject(OrvCall::Finite<float> x, OrvCall::Finite<float> y);
  // On a fresh middle-button press, picks the object under the point;
  // afterwards moves the point the picked object follows.
  void MoveObject(OrvCall::Finite<float> x, OrvCall::Finite<float> y);
  void RotateObject(OrvCall::Finite<float> x, OrvCall::Finite<float> y);
  void SaveObjects(const char* fileName);
  // Waits for the late update: objects are not made while scripts update.
  void LoadObjects(const char* fileName, bool flag);

  // The records as a level-object file in the per-user folder, written beside
  // the old file and renamed over it only when whole. False on failure.
  bool WriteLevelObjects(const std::string& fileName);
  // Replaces the records with the objects of the file, made anew: the
  // per-user file, else the one in the project folder.
  void ReadLevelObjects(const std::string& fileName, bool flag);

 protected:
  // Drags or turns the picked object while the middle button is held.
  void PreUpdateEntity(EntityRecord& entity, float dt) override;
  bool WalksObject(const GameObject& object) const override;
  void OnEntityAdded(EntityRecord& entity) override;
  void OnLateUpdate(float dt) override;

 private:
  struct LoadRequest {
    std::string fileName;
    bool flag = false;
  };

  void Admit(const ObjectLockPtr<GameObject>& object);
  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);
  // A fresh press: down now, up at the previous late update.
  bool MiddlePressed();
  // A blueprint's collider place by name is applied after the one by index:
  // where the overrides place the collider by index only, the same place goes
  // by name too, so that it wins over the blueprint's.
  void PlaceByNameToo(const std::string& typeName, OverrideLists& overrides);

  std::vector<LoadRequest> loadRequests_;
  // The middle button as the previous late update saw it.
  bool middleDown_ = false;
};

}  // namespace Orv
