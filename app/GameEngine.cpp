#include "app/GameEngine.h"

#include <string>

#include "core/DebugLevel.h"
#include "core/Report.h"
#include "platform/Clock.h"
#include "platform/Console.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

namespace {
// Frame time since the timing display was last refreshed.
float timingDisplayTimer = 0.0f;
constexpr float kTimingDisplayPeriod = 0.3f;
}  // namespace

GameEngine::GameEngine(const std::string& title, unsigned width, unsigned height, bool fullscreen, bool consoleEnabled)
    : OGLApp(title, width, height, fullscreen), consoleEnabled_(consoleEnabled) {}

GameEngine::~GameEngine() {
  // Objects first: their components may still reach the systems.
  gameObjectManager.ReleaseAll();
  inputSystems.clear();
  lateUpdateSystems.clear();
  updateSystems.clear();
  renderSystems.clear();
  ForgetScriptRegistrations(this);
  // Released first to last, so systems go in creation order.
  for (auto& system : allSystems) system.reset();
  allSystems.clear();
}

void GameEngine::AddSystem(const std::shared_ptr<System>& system, unsigned roles) {
  allSystems.push_back(system);
  if (roles & RoleRender) renderSystems.emplace_back(system);
  if (roles & RoleUpdate) updateSystems.emplace_back(system);
  if (roles & RoleLateUpdate) lateUpdateSystems.emplace_back(system);
  if (roles & RoleInput) inputSystems.emplace_back(system);
  system->OnRegistered();
}

void GameEngine::OnCreate() {
  keys_.fill(false);
  mouseButtons_.fill(false);
  if (consoleEnabled_) {
    FlushConsoleLines();
    Platform::OpenConsole();
  }
  for (auto& system : allSystems) system->Init(width_, height_);
}

void GameEngine::OnStart() {
  for (auto& system : allSystems) system->Start();
}

void GameEngine::OnResize(int width, int height) {
  const Platform::Rect client = window_.GetClientRect();
  const Platform::Rect outer = window_.GetWindowRect();
  const int borderWidth = (outer.right - outer.left) - (client.right - client.left);
  const int borderHeight = (outer.bottom - outer.top) - (client.bottom - client.top);
  resizeWidth_ = width - borderWidth / 2;
  resizeHeight_ = height;
  for (auto& system : allSystems) system->Resize(width, height, borderWidth, borderHeight);
}

void GameEngine::PreUpdatePass(float dt, bool showTiming) {
  const bool timed = DebugLevel() >= 4;
  const std::uint64_t frequency = timed ? Platform::QueryPerformanceFrequency() : 1;
  int number = 0;
  for (auto& entry : updateSystems) {
    auto system = entry.Lock();
    if (!system) continue;
    const std::uint64_t start = timed ? Platform::QueryPerformanceCounter() : 0;
    system->PreUpdate(dt);
    if (!showTiming) continue;
    const std::uint64_t micros = (Platform::QueryPerformanceCounter() - start) * 1000000 / frequency;
    Print(std::to_string(number) + " : " + std::to_string(micros) + "\t\t");
    if (++number % 2 == 0) Print("\n");
  }
  if (timed) PrintLine("");
}

void GameEngine::Update(float dt) {
  bool showTiming = false;
  if (DebugLevel() >= 4) {
    timingDisplayTimer += dt;
    showTiming = timingDisplayTimer >= kTimingDisplayPeriod;
    if (showTiming) ClearConsole();
  }
  PreUpdatePass(dt, showTiming);
  for (auto& system : allSystems) system->Update(dt);
  for (auto& entry : lateUpdateSystems) {
    if (auto system = entry.Lock()) system->LateUpdate(dt);
  }
  if (showTiming) timingDisplayTimer = 0.0f;
}

void GameEngine::Render(float) {
  for (auto& entry : renderSystems) {
    if (auto system = entry.Lock()) system->Render();
  }
}

void GameEngine::EndFrame() { RemoveDeadObjects(); }

ObjectLockPtr<GameObject> GameEngine::CreateEmptyObject(unsigned id) { return gameObjectManager.CreateGameObject(id); }

void GameEngine::AnnounceGameObject(const ObjectLockPtr<GameObject>& object) {
  // By index: a system may create further objects while it hears of this one.
  for (std::size_t i = 0; i < allSystems.size(); ++i) allSystems[i]->OnGameObjectAdded(object.Copy());
}

namespace {

// Calls Destroy on every object the test selects, in the manager's order.
template <typename Selects>
void DestroyWhere(GameObjectManager& manager, Selects selects) {
  const auto& objects = manager.GetObjects();
  for (std::size_t i = 0; i < objects.size(); ++i) {
    auto object = objects[i];
    if (selects(*object)) object->Destroy();
  }
}

}  // namespace

void GameEngine::DestroyAllObjects() {
  DestroyWhere(gameObjectManager, [](const GameObject&) { return true; });
}

void GameEngine::DestroyObjectsExceptId(unsigned id) {
  DestroyWhere(gameObjectManager, [id](const GameObject& object) { return object.GetID() != id; });
}

void GameEngine::DestroyObjectsWithId(unsigned id) {
  DestroyWhere(gameObjectManager, [id](const GameObject& object) { return object.GetID() == id; });
}

void GameEngine::DestroyObjectByUniqueId(unsigned uniqueId) {
  for (const auto& object : gameObjectManager.GetObjects()) {
    if (object->GetUniqueId() != uniqueId) continue;
    object->Destroy();
    return;
  }
}

void GameEngine::DestroyObjectsWithComponent(const char* componentName) {
  if (componentName == nullptr) return;
  const std::uint32_t key = gameObjectManager.GetComponentTypeKey(componentName);
  if (key == kNoTypeKey) return;
  gameObjectManager.DestroyAllWithComponent(key);
}

void GameEngine::DestroyObjectsExceptUniqueId(unsigned uniqueId) {
  DestroyWhere(gameObjectManager, [uniqueId](const GameObject& object) { return object.GetUniqueId() != uniqueId; });
}

void GameEngine::DestroyObject(ObjectLockPtr<GameObject> object) {
  if (auto locked = object.Lock()) locked->Destroy();
}

void GameEngine::RemoveDeadObjects() { gameObjectManager.RemoveDeadGameObjects(); }

void GameEngine::OnPause() {
  paused_ = true;
  for (auto& system : allSystems) system->Pause();
}

void GameEngine::OnResume() {
  paused_ = false;
  for (auto& system : allSystems) system->Resume();
}

void GameEngine::Shutdown() {
  for (auto& system : allSystems) system->Shutdown();
}

void GameEngine::OnWindowMessage(unsigned message, WPARAM wParam, LPARAM lParam) {
  int button = -1;
  bool keyReleased = false;
  switch (message) {
    case WM_KEYDOWN:
      if (wParam < 256) keys_[wParam] = true;
      break;
    case WM_KEYUP:
      if (wParam < 256) {
        keys_[wParam] = false;
        keyReleased = true;
      }
      break;
    case WM_LBUTTONDOWN: mouseButtons_[0] = true; break;
    case WM_LBUTTONUP:
      mouseButtons_[0] = false;
      button = 0;
      break;
    case WM_MBUTTONDOWN: mouseButtons_[1] = true; break;
    case WM_MBUTTONUP:
      mouseButtons_[1] = false;
      button = 1;
      break;
    case WM_RBUTTONDOWN: mouseButtons_[2] = true; break;
    case WM_RBUTTONUP:
      mouseButtons_[2] = false;
      button = 2;
      break;
    default: break;
  }
  if (keyReleased) {
    for (auto& entry : inputSystems) {
      if (auto system = entry.Lock()) system->OnKeyUp(static_cast<int>(wParam));
    }
  }
  for (auto& entry : inputSystems) {
    auto system = entry.Lock();
    if (!system) continue;
    if (button >= 0) system->OnMouseButtonUp(button);
    system->OnWindowMessage(message, wParam, lParam);
  }
}

bool GameEngine::IsKeyDown(int key) { return keys_[static_cast<unsigned>(key) & 255u]; }

bool GameEngine::IsMouseButtonDown(int button) { return button >= 0 && button < 3 ? mouseButtons_[button] : false; }

bool GameEngine::TogglePause() {
  paused_ = !paused_;
  if (paused_) {
    OnPause();
  } else {
    OnResume();
  }
  return paused_;
}

bool GameEngine::Pause() {
  OnPause();
  return true;
}

bool GameEngine::Resume() {
  OnResume();
  return false;
}

void GameEngine::ClearConsole() {
  FlushConsoleLines();
  Platform::ClearConsole();
}

}  // namespace Orv
