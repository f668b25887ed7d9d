#pragma once
// The application as every system sees it through its owner pointer.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/DataBun.h"
#include "core/ObjectLockPtr.h"

namespace Orv {

class GameObject;
struct OverrideLists;

class App {
 public:
  App(const std::string& title, unsigned width, unsigned height);
  virtual ~App() = default;
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  virtual bool Create() = 0;
  virtual void SetFullscreen(bool on) = 0;
  virtual void ToggleFullscreen() = 0;
  virtual bool IsFullscreen() = 0;
  virtual int Run() = 0;
  virtual void Quit() = 0;
  virtual void SetTitle(const char* text);
  virtual std::uint64_t GetFPS();
  virtual void Minimise();
  virtual bool IsConsoleEnabled();
  virtual ObjectLockPtr<GameObject> CreateObjectWithOverrides(std::string typeName, unsigned id,
                                                              OverrideLists* overrides, bool createDeferred);
  virtual ObjectLockPtr<GameObject> CreateObject(std::string typeName, unsigned id, bool createDeferred);
  // As CreateObjectWithOverrides, but the overrides are this object's alone:
  // the blueprint is as it was before, for the objects made after it.
  virtual ObjectLockPtr<GameObject> CreateObjectWithOwnOverrides(std::string typeName, unsigned id,
                                                                 const OverrideLists& overrides, bool createDeferred);
  virtual ObjectLockPtr<GameObject> CreateEmptyObject(unsigned id);
  virtual ObjectLockPtr<GameObject> CreateChildObjectWithOverrides(ObjectLockPtr<GameObject> parent,
                                                                   std::string typeName, unsigned id,
                                                                   OverrideLists* overrides, bool createDeferred);
  virtual ObjectLockPtr<GameObject> CreateChildObject(ObjectLockPtr<GameObject> parent, std::string typeName,
                                                      unsigned id, bool createDeferred);
  virtual void DestroyAllObjects();
  virtual void DestroyObjectsExceptId(unsigned id);
  virtual void DestroyObjectsWithId(unsigned id);
  virtual void DestroyObjectByUniqueId(unsigned uniqueId);
  virtual void DestroyObjectsWithComponent(const char* componentName);
  virtual void DestroyObjectsExceptUniqueId(unsigned uniqueId);
  virtual void DestroyObject(ObjectLockPtr<GameObject> object);
  virtual void RemoveDeadObjects();
  virtual bool IsKeyDown(int key);
  virtual bool IsMouseButtonDown(int button);
  virtual bool TogglePause();
  virtual bool Pause();
  virtual bool Resume();
  virtual bool IsPaused();
  virtual std::pair<int, int> GetCursorPos();
  virtual std::vector<ArcheTypeInfo> GetArcheTypeInfoByIndex(const std::string& componentName, unsigned index);
  virtual std::vector<ArcheTypeInfo> GetArcheTypeInfoByKey(const std::string& componentName, const std::string& key);
  virtual int GetResizeWidth();
  virtual int GetResizeHeight();

  unsigned GetWidth() const { return width_; }
  unsigned GetHeight() const { return height_; }

 protected:
  std::string title_;
  unsigned width_;
  unsigned height_;
  float aspect_;
};

}  // namespace Orv
