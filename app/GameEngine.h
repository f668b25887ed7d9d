#pragma once
// The one concrete application: owns every system and drives them through
// their passes, and keeps the key and mouse-button state.
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/OGLApp.h"
#include "core/GameObjectBlueprint.h"
#include "core/GameObjectManager.h"
#include "core/OverrideLists.h"
#include "core/Report.h"
#include "core/System.h"

namespace Orv {

class GameEngine : public OGLApp {
 public:
  GameEngine(const std::string& title, unsigned width, unsigned height, bool fullscreen, bool consoleEnabled);
  ~GameEngine() override;

  void OnCreate() override;
  void OnStart() override;
  void OnResize(int width, int height) override;
  void Tick(float /*dt*/) override {}
  void Update(float dt) override;
  void Render(float dt) override;
  void EndFrame() override;
  void OnPause() override;
  void OnResume() override;
  void Shutdown() override;
  void OnWindowMessage(unsigned message, WPARAM wParam, LPARAM lParam) override;

  bool IsConsoleEnabled() override { return consoleEnabled_; }
  bool IsKeyDown(int key) override;
  bool IsMouseButtonDown(int button) override;
  bool TogglePause() override;
  bool Pause() override;
  bool Resume() override;
  bool IsPaused() override { return paused_; }
  int GetResizeWidth() override { return resizeWidth_; }
  int GetResizeHeight() override { return resizeHeight_; }

  // A bare object: no components, told to no system.
  ObjectLockPtr<GameObject> CreateEmptyObject(unsigned id) override;
  // Destruction only marks objects dead; they leave at the end of the frame.
  void DestroyAllObjects() override;
  void DestroyObjectsExceptId(unsigned id) override;
  void DestroyObjectsWithId(unsigned id) override;
  void DestroyObjectByUniqueId(unsigned uniqueId) override;
  void DestroyObjectsWithComponent(const char* componentName) override;
  void DestroyObjectsExceptUniqueId(unsigned uniqueId) override;
  void DestroyObject(ObjectLockPtr<GameObject> object) override;
  void RemoveDeadObjects() override;

  // Binds name to T's factory and says so when the name now finds one.
  template <typename T>
  void RegisterComponent(std::string name) {
    gameObjectManager.RegisterComponentType<T>(name);
    if (gameObjectManager.GetComponentCreator(name).Exists()) PrintLine("Component " + name + " registered");
  }

  // Every system hears of a new object, in creation order, so the last one
  // (which starts the object's script) comes after all the others.
  void AnnounceGameObject(const ObjectLockPtr<GameObject>& object);

  GameObjectManager& GetGameObjectManager() { return gameObjectManager; }

  // Creation from the blueprint of typeName; empty when there is none. The
  // overrides are written into the blueprint and stay for later creations.
  ObjectLockPtr<GameObject> CreateGameObject(const std::string& typeName, unsigned id, const OverrideLists* overrides,
                                             bool createDeferred);
  ObjectLockPtr<GameObject> CreateChildGameObject(const ObjectLockPtr<GameObject>& parent, const std::string& typeName,
                                                  unsigned id, const OverrideLists* overrides, bool createDeferred);
  // The same, announced to every system; a failure shows its message.
  ObjectLockPtr<GameObject> CreateObjectWithOverrides(std::string typeName, unsigned id, OverrideLists* overrides,
                                                      bool createDeferred) override;
  ObjectLockPtr<GameObject> CreateObject(std::string typeName, unsigned id, bool createDeferred) override;
  ObjectLockPtr<GameObject> CreateObjectWithOwnOverrides(std::string typeName, unsigned id,
                                                         const OverrideLists& overrides, bool createDeferred) override;
  ObjectLockPtr<GameObject> CreateChildObjectWithOverrides(ObjectLockPtr<GameObject> parent, std::string typeName,
                                                           unsigned id, OverrideLists* overrides,
                                                           bool createDeferred) override;
  ObjectLockPtr<GameObject> CreateChildObject(ObjectLockPtr<GameObject> parent, std::string typeName, unsigned id,
                                              bool createDeferred) override;

  // Blueprints of data/gameobjects/ and the type scripts of data/scripts/.
  ObjectLockPtr<ComponentCreate> GetComponentCreator(const std::string& name);
  void LoadBlueprints();
  bool LoadBlueprintFile(const std::string& path);
  void LoadGameObjectScripts();
  void LoadGameObjectScriptFile(const std::string& path, const std::string& fileName);
  // The object type a script file belongs to: its first word once every '.'
  // is a blank ("Boss.phase2.lua" is Boss); empty when it has none.
  static std::string ScriptTypeName(const std::string& fileName);
  // Without entering the name in the table.
  std::shared_ptr<GameObjectBlueprint> FindBlueprint(const std::string& typeName) const;
  std::vector<ArcheTypeInfo> GetArcheTypeInfoByIndex(const std::string& componentName, unsigned index) override;
  std::vector<ArcheTypeInfo> GetArcheTypeInfoByKey(const std::string& componentName, const std::string& key) override;

  // Makes a T owned by the engine and enters it in the lists named by roles.
  template <typename T>
  bool CreateSystem(unsigned roles) {
    auto system = std::make_shared<T>(this);
    AddSystem(system, roles);
    return true;
  }
  void AddSystem(const std::shared_ptr<System>& system, unsigned roles);

  const std::vector<std::shared_ptr<System>>& GetAllSystems() const { return allSystems; }
  const std::vector<ObjectLockPtr<System>>& GetRenderSystems() const { return renderSystems; }
  const std::vector<ObjectLockPtr<System>>& GetUpdateSystems() const { return updateSystems; }
  const std::vector<ObjectLockPtr<System>>& GetLateUpdateSystems() const { return lateUpdateSystems; }
  const std::vector<ObjectLockPtr<System>>& GetInputSystems() const { return inputSystems; }

  static void ClearConsole();

 private:
  void PreUpdatePass(float dt, bool showTiming);
  ObjectLockPtr<GameObject> Announce(ObjectLockPtr<GameObject> object, const std::string& typeName);
  std::vector<ArcheTypeInfo> ArcheTypeQuery(const std::string& componentName, const std::uint32_t* index,
                                            const std::string* key) const;

  bool consoleEnabled_;
  std::vector<std::shared_ptr<System>> allSystems;
  std::vector<ObjectLockPtr<System>> renderSystems;
  std::vector<ObjectLockPtr<System>> updateSystems;
  std::vector<ObjectLockPtr<System>> lateUpdateSystems;
  std::vector<ObjectLockPtr<System>> inputSystems;
  GameObjectManager gameObjectManager;
  // By type name, so archetype queries walk the types in name order.
  std::map<std::string, std::shared_ptr<GameObjectBlueprint>> blueprints;
  // The file each blueprint came from, to say which one a later file replaced.
  std::map<std::string, std::string> blueprintFiles;
  // Types whose blueprint file did not load, with that file.
  std::map<std::string, std::string> failedBlueprints_;
  // Blueprint files that failed before their "name" could be read, by the
  // file's name without its extension: what a script of that name is told.
  std::map<std::string, std::string> unnamedFailedBlueprints_;
  std::map<std::string, std::shared_ptr<ComponentCreate>> scriptFactories;
  std::array<bool, 256> keys_{};
  std::array<bool, 3> mouseButtons_{};
  bool paused_ = false;
  int resizeWidth_ = 0;
  int resizeHeight_ = 0;
};

// The 28 systems in their fixed order, each in its role lists.
void CreateEngineSystems(GameEngine& engine);
// The eleven component types under their names, in their fixed order.
void RegisterEngineComponents(GameEngine& engine);

}  // namespace Orv
