#include "core/App.h"

namespace Orv {

App::App(const std::string& title, unsigned width, unsigned height)
    : title_(title),
      width_(width),
      height_(height),
      aspect_(static_cast<float>(width) / static_cast<float>(height)) {}

void App::SetTitle(const char* text) { title_ = text != nullptr ? text : ""; }
std::uint64_t App::GetFPS() { return 0; }
void App::Minimise() {}
bool App::IsConsoleEnabled() { return false; }

ObjectLockPtr<GameObject> App::CreateObjectWithOverrides(std::string, unsigned, OverrideLists*, bool) { return {}; }
ObjectLockPtr<GameObject> App::CreateObject(std::string, unsigned, bool) { return {}; }
ObjectLockPtr<GameObject> App::CreateObjectWithOwnOverrides(std::string, unsigned, const OverrideLists&, bool) {
  return {};
}
ObjectLockPtr<GameObject> App::CreateEmptyObject(unsigned) { return {}; }
ObjectLockPtr<GameObject> App::CreateChildObjectWithOverrides(ObjectLockPtr<GameObject>, std::string, unsigned,
                                                              OverrideLists*, bool) {
  return {};
}
ObjectLockPtr<GameObject> App::CreateChildObject(ObjectLockPtr<GameObject>, std::string, unsigned, bool) {
  return {};
}

void App::DestroyAllObjects() {}
void App::DestroyObjectsExceptId(unsigned) {}
void App::DestroyObjectsWithId(unsigned) {}
void App::DestroyObjectByUniqueId(unsigned) {}
void App::DestroyObjectsWithComponent(const char*) {}
void App::DestroyObjectsExceptUniqueId(unsigned) {}
void App::DestroyObject(ObjectLockPtr<GameObject>) {}
void App::RemoveDeadObjects() {}
bool App::IsKeyDown(int) { return false; }
bool App::IsMouseButtonDown(int) { return false; }
bool App::TogglePause() { return false; }
bool App::Pause() { return false; }
bool App::Resume() { return false; }
bool App::IsPaused() { return false; }
std::pair<int, int> App::GetCursorPos() { return {0, 0}; }
std::vector<ArcheTypeInfo> App::GetArcheTypeInfoByIndex(const std::string&, unsigned) { return {}; }
std::vector<ArcheTypeInfo> App::GetArcheTypeInfoByKey(const std::string&, const std::string&) { return {}; }
int App::GetResizeWidth() { return 0; }
int App::GetResizeHeight() { return 0; }

}  // namespace Orv
