#pragma once
// The heads-up display that scripts build: buttons, progress bars and labels
// that any object's script creates and then drives through methods, held and
// drawn by this one system whatever object made them; sprites queued for one
// frame below or above the widgets; whether the last click landed on a
// button; and property views of objects in the tweak-bar registry, which this
// system starts and ends.
#include <list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "FiniteArg.h"
#include "LuaObject.h"
#include "core/BasicEntitySystem.h"
#include "render/Button.h"
#include "render/Label.h"
#include "render/ProgressBar.h"

namespace Orv {

class ScriptComponent;

// A widget and the script table it was handed out with. While the entry
// lives the table is the one way the widget's methods reach it; removing the
// entry destroys the widget and leaves the table refused.
template <typename Widget>
class WidgetEntry {
 public:
  WidgetEntry(std::shared_ptr<Widget> widget, OrvLua::LuaObject table);
  ~WidgetEntry();
  WidgetEntry(const WidgetEntry&) = delete;
  WidgetEntry& operator=(const WidgetEntry&) = delete;

  Widget& GetWidget() const { return *widget_; }
  const OrvLua::LuaObject& GetTable() const { return table_; }

 private:
  std::shared_ptr<Widget> widget_;
  OrvLua::LuaObject table_;
};

// A sprite of the heads-up display, drawn in the one frame it was queued for.
struct HudSprite {
  std::string frameId;
  double x = 0.0;
  double y = 0.0;
  float rotation = 0.0f;
  double scaleX = 1.0;
  double scaleY = 1.0;
};

class GUISystem : public BasicEntitySystem {
 public:
  using BasicEntitySystem::BasicEntitySystem;
  void OnRegistered() override;
  void Init(unsigned width, unsigned height) override;
  void Start() override;
  void Shutdown() override;

  // Script functions bound to the system.
  void RemoveAllButtons() { buttons_.clear(); }
  void RemoveAllBars() { bars_.clear(); }
  void RemoveAllLabels() { labels_.clear(); }
  bool IsGuiBlocked() const { return guiBlocked_; }
  // A move along either axis counts.
  bool IsMouseMoved();
  // The first label of that id, if any.
  void DestroyLabel(int id);
  void DrawHUDSpriteTop(const char* frameId, OrvCall::Finite<float> x, OrvCall::Finite<float> y,
                        OrvCall::Finite<float> rotation, OrvCall::Finite<float> scaleX, OrvCall::Finite<float> scaleY);
  void DrawHUDSpriteBot(const char* frameId, OrvCall::Finite<float> x, OrvCall::Finite<float> y,
                        OrvCall::Finite<float> rotation, OrvCall::Finite<float> scaleX, OrvCall::Finite<float> scaleY);

  // The widget made from a creation table (defaults alone for a non-table),
  // appended to its list; its script table is made in script's state.
  OrvLua::LuaObjectOrError AddButton(ScriptComponent& script, const OrvLua::LuaObject& desc, const std::string& maker);
  OrvLua::LuaObjectOrError AddProgressBar(ScriptComponent& script, const OrvLua::LuaObject& desc,
                                          const std::string& maker);
  OrvLua::LuaObjectOrError AddLabel(ScriptComponent& script, const OrvLua::LuaObject& desc, const std::string& maker);

  const std::list<WidgetEntry<Button>>& GetButtons() const { return buttons_; }
  const std::list<WidgetEntry<ProgressBar>>& GetBars() const { return bars_; }
  const std::list<WidgetEntry<Label>>& GetLabels() const { return labels_; }

 protected:
  // The editor's drag step.
  void PreUpdateEntity(EntityRecord& entity, float dt) override;
  bool WalksObject(const GameObject& object) const override;
  // The press and hover tests.
  void OnPreUpdate(float dt) override;
  // Samples the mouse for the next frame's tests.
  void OnLateUpdate(float dt) override;
  // Bottom sprites, bars, buttons, labels, top sprites.
  void OnRender() override;

 private:
  // The functors made for each scripted object, in GUISystemScript.h.
  template <typename Widget>
  class CreateWidget;
  using CreateButton = CreateWidget<Button>;
  using CreateProgressBar = CreateWidget<ProgressBar>;
  using CreateLabel = CreateWidget<Label>;
  class CreatePropertyView;

  void RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object);
  static void DrawSprites(const std::vector<HudSprite>& sprites);

  std::list<WidgetEntry<Button>> buttons_;
  std::list<WidgetEntry<ProgressBar>> bars_;
  std::list<WidgetEntry<Label>> labels_;
  std::vector<HudSprite> topSprites_;
  std::vector<HudSprite> bottomSprites_;
  bool guiBlocked_ = false;
  bool leftDownBefore_ = false;
  bool middleDownBefore_ = false;
  bool rightDownBefore_ = false;
  int lastCursorX_ = 0;
  int lastCursorY_ = 0;
};

}  // namespace Orv
