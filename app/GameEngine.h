#pragma once
// The one concrete application: owns every system and drives them through
// their passes, and keeps the key and mouse-button state.
#include <array>
#include <memory>
#include <vector>

#include "app/OGLApp.h"
#include "core/GameObjectManager.h"
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
  void Tick(float dt) override {}
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
    if (gameObjectManager.GetComponentCreator(name).IsAlive()) PrintLine("Component " + name + " registered");
  }

  // Every system hears of a new object, in creation order, so the last one
  // (which starts the object's script) comes after all the others.
  void AnnounceGameObject(const ObjectLockPtr<GameObject>& object);

  GameObjectManager& GetGameObjectManager() { return gameObjectManager; }

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

  bool consoleEnabled_;
  std::vector<std::shared_ptr<System>> allSystems;
  std::vector<ObjectLockPtr<System>> renderSystems;
  std::vector<ObjectLockPtr<System>> updateSystems;
  std::vector<ObjectLockPtr<System>> lateUpdateSystems;
  std::vector<ObjectLockPtr<System>> inputSystems;
  GameObjectManager gameObjectManager;
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
