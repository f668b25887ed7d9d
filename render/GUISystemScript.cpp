// The GUI's script functions and the three widget metatables, registered
// into every admitted scripted object, and the functors behind the creation
// functions and the property view.
#include <cmath>
#include <string>
#include <type_traits>

#include "ScriptRegistration.h"
#include "core/GameObject.h"
#include "core/Report.h"
#include "core/ReportOnce.h"
#include "platform/TweakBar.h"
#include "render/GUISystem.h"
#include "render/GUISystemScript.h"
#include "script/ScriptComponent.h"
#include "script/ScriptRegistrar.h"

namespace Orv {

namespace {

// A global table whose "__index" is itself, so widget tables find their
// methods through it; made at its final size (the methods and "__index").
OrvLua::LuaObject MethodTable(ScriptComponent& script, const char* name, int methods) {
  OrvLua::LuaObject table = script.CreateGlobalTable(name, methods + 1);
  table.SetObject("__index", table);
  return table;
}

void RegisterButtonMethods(OrvLua::LuaObject& methods) {
  using OrvCall::RegisterBoundMethod;
  RegisterBoundMethod<Button>(methods, "SetPosition", &Button::SetPosition);
  RegisterBoundMethod<Button>(methods, "SetText", &Button::SetText);
  RegisterBoundMethod<Button>(methods, "SetTextureUp", &Button::SetTextureUp);
  RegisterBoundMethod<Button>(methods, "SetTextureDown", &Button::SetTextureDown);
  RegisterBoundMethod<Button>(methods, "SetTextureHover", &Button::SetTextureHover);
  RegisterBoundMethod<Button>(methods, "SetTextureThumb", &Button::SetTextureThumb);
  RegisterBoundMethod<Button>(methods, "SetFont", &Button::SetFont);
  RegisterBoundMethod<Button>(methods, "SetFontColor", &Button::SetFontColor);
  RegisterBoundMethod<Button>(methods, "IsPressedDown", &Button::IsPressedDown);
  RegisterBoundMethod<Button>(methods, "IsPressedUp", &Button::IsPressedUp);
  RegisterBoundMethod<Button>(methods, "IsPressedHeld", &Button::IsPressedHeld);
  RegisterBoundMethod<Button>(methods, "IsHovering", &Button::IsHovering);
  RegisterBoundMethod<Button>(methods, "SetVisible", &Button::SetVisible);
  RegisterBoundMethod<Button>(methods, "GetVisible", &Button::GetVisible);
  RegisterBoundMethod<Button>(methods, "GetButtonRGBA", &Button::GetButtonRGBA);
  RegisterBoundMethod<Button>(methods, "SetButtonRGBA", &Button::SetButtonRGBA);
  RegisterBoundMethod<Button>(methods, "SetRGBA", &Button::SetRGBA);
  RegisterBoundMethod<Button>(methods, "ForceHoverState", &Button::ForceHoverState);
  RegisterBoundMethod<Button>(methods, "ReleaseHoverState", &Button::ReleaseHoverState);
  RegisterBoundMethod<Button>(methods, "GetHoverState", &Button::GetHoverState);
  RegisterBoundMethod<Button>(methods, "SetPaused", &Button::SetPaused);
  RegisterBoundMethod<Button>(methods, "SetUnpaused", &Button::SetUnpaused);
  RegisterBoundMethod<Button>(methods, "IsPaused", &Button::IsPaused);
}

void RegisterBarMethods(OrvLua::LuaObject& methods) {
  using OrvCall::RegisterBoundMethod;
  RegisterBoundMethod<ProgressBar>(methods, "SetPosition", &ProgressBar::SetPosition);
  RegisterBoundMethod<ProgressBar>(methods, "SetText", &ProgressBar::SetText);
  RegisterBoundMethod<ProgressBar>(methods, "SetTextureFrame", &ProgressBar::SetTextureFrame);
  RegisterBoundMethod<ProgressBar>(methods, "SetTextureBar", &ProgressBar::SetTextureBar);
  RegisterBoundMethod<ProgressBar>(methods, "SetFont", &ProgressBar::SetFont);
  RegisterBoundMethod<ProgressBar>(methods, "SetFontColor", &ProgressBar::SetFontColor);
  RegisterBoundMethod<ProgressBar>(methods, "SetBarAmount", &ProgressBar::SetBarAmount);
  RegisterBoundMethod<ProgressBar>(methods, "SetImmediateAmount", &ProgressBar::SetImmediateAmount);
  RegisterBoundMethod<ProgressBar>(methods, "GetBarAmount", &ProgressBar::GetBarAmount);
  RegisterBoundMethod<ProgressBar>(methods, "SetVisible", &ProgressBar::SetVisible);
  RegisterBoundMethod<ProgressBar>(methods, "GetVisible", &ProgressBar::GetVisible);
  RegisterBoundMethod<ProgressBar>(methods, "GetFrameRGBA", &ProgressBar::GetFrameRGBA);
  RegisterBoundMethod<ProgressBar>(methods, "GetBarRGBA", &ProgressBar::GetBarRGBA);
  RegisterBoundMethod<ProgressBar>(methods, "GetIsTweening", &ProgressBar::GetIsTweening);
  RegisterBoundMethod<ProgressBar>(methods, "SetFrameRGBA", &ProgressBar::SetFrameRGBA);
  RegisterBoundMethod<ProgressBar>(methods, "SetBarRGBA", &ProgressBar::SetBarRGBA);
  RegisterBoundMethod<ProgressBar>(methods, "SetRGBA", &ProgressBar::SetRGBA);
}

void RegisterLabelMethods(OrvLua::LuaObject& methods) {
  using OrvCall::RegisterBoundMethod;
  RegisterBoundMethod<Label>(methods, "SetPosition", &Label::SetPosition);
  RegisterBoundMethod<Label>(methods, "SetText", &Label::SetText);
  RegisterBoundMethod<Label>(methods, "SetFont", &Label::SetFont);
  RegisterBoundMethod<Label>(methods, "SetFontColor", &Label::SetFontColor);
  RegisterBoundMethod<Label>(methods, "SetVisible", &Label::SetVisible);
  RegisterBoundMethod<Label>(methods, "GetVisible", &Label::GetVisible);
}

}  // namespace

void GUISystem::OnRegistered() { AddScriptRegistration(this, &GUISystem::RegisterScriptFunctions); }

void GUISystem::RegisterScriptFunctions(ScriptComponent& script, const ObjectLockPtr<GameObject>& object) {
  OrvLua::LuaObject buttonMethods = MethodTable(script, "ButtonMetaTable", 23);
  RegisterButtonMethods(buttonMethods);
  script.RegisterNewFunctor<CreateButton>("CreateButton", this, object);
  script.RegisterDirect("RemoveAllButtons", this, &GUISystem::RemoveAllButtons);
  OrvLua::LuaObject barMethods = MethodTable(script, "BarMetaTable", 17);
  RegisterBarMethods(barMethods);
  script.RegisterNewFunctor<CreateProgressBar>("CreateProgressBar", this, object);
  OrvLua::LuaObject labelMethods = MethodTable(script, "LabelMetaTable", 6);
  RegisterLabelMethods(labelMethods);
  script.RegisterNewFunctor<CreateLabel>("CreateLabel", this, object);
  script.RegisterDirect("RemoveAllBars", this, &GUISystem::RemoveAllBars);
  script.RegisterDirect("RemoveAllLabels", this, &GUISystem::RemoveAllLabels);
  script.RegisterDirect("IsGuiBlocked", this, &GUISystem::IsGuiBlocked);
  script.RegisterDirect("IsMouseMoved", this, &GUISystem::IsMouseMoved);
  script.RegisterDirect("DestroyLabel", this, &GUISystem::DestroyLabel);
  script.RegisterDirect("DrawHUDSpriteTop", this, &GUISystem::DrawHUDSpriteTop);
  script.RegisterDirect("DrawHUDSpriteBot", this, &GUISystem::DrawHUDSpriteBot);
  script.RegisterNewFunctor<CreatePropertyView>("CreatePropertyView", object);
}

// ---- creation tables

namespace {

// Reads the keys of one creation table: a key is taken only when its value
// has the type the field needs.
class DescReader {
 public:
  DescReader(const OrvLua::LuaObject& table, const char* function) : table_(table), function_(function) {}

  void Int(const char* key, int& field) const {
    const OrvLua::LuaObject value = Get(key);
    if (value.IsNumber()) field = value.GetInteger();
  }
  void Real(const char* key, double& field) const {
    const OrvLua::LuaObject value = Get(key);
    if (value.IsNumber() && OrvCall::FiniteOrReport(table_.GetCState(), value.GetNumber(), function_))
      field = value.GetNumber();
  }
  void Real(const char* key, float& field) const {
    double wide = field;
    Real(key, wide);
    field = static_cast<float>(wide);
  }
  void Text(const char* key, std::string& field) const {
    const OrvLua::LuaObject value = Get(key);
    if (value.IsString()) field = value.GetString();
  }
  // The first error the table's own __index raised; the keys after it are
  // not read.
  const std::string& Error() const { return error_; }
  const char* Function() const { return function_; }

 private:
  OrvLua::LuaObject Get(const char* key) const {
    if (!table_.IsTable() || !error_.empty()) return {};
    return table_.GetByName(key, error_);
  }

  const OrvLua::LuaObject& table_;
  const char* function_;
  mutable std::string error_;
};

// Every widget's table ends with its caption.
void ReadCaption(const DescReader& read, CaptionDesc& caption) {
  caption.maker = read.Function();
  read.Text("font", caption.font);
  read.Real("R", caption.r);
  read.Real("G", caption.g);
  read.Real("B", caption.b);
  read.Text("text", caption.text);
}

ButtonDesc ReadButton(const DescReader& read) {
  ButtonDesc desc;
  read.Int("id", desc.id);
  read.Real("width", desc.width);
  read.Real("height", desc.height);
  read.Int("x", desc.x);
  read.Int("y", desc.y);
  read.Text("textureUp", desc.textureUp);
  read.Text("textureDown", desc.textureDown);
  read.Text("textureHover", desc.textureHover);
  ReadCaption(read, desc.caption);
  return desc;
}

ProgressBarDesc ReadProgressBar(const DescReader& read) {
  ProgressBarDesc desc;
  read.Int("id", desc.id);
  read.Real("width", desc.width);
  read.Real("height", desc.height);
  read.Real("barWidth", desc.barWidth);
  read.Real("barHeight", desc.barHeight);
  read.Int("x", desc.x);
  read.Int("y", desc.y);
  read.Text("textureFrame", desc.textureFrame);
  read.Text("textureBar", desc.textureBar);
  ReadCaption(read, desc.caption);
  return desc;
}

LabelDesc ReadLabel(const DescReader& read) {
  LabelDesc desc;
  read.Int("id", desc.id);
  read.Int("x", desc.x);
  read.Int("y", desc.y);
  ReadCaption(read, desc.caption);
  return desc;
}

// The widget's script table: its address under "__object", "IsAlive" and
// the metatable of its kind.
OrvLua::LuaObject WidgetTable(ScriptComponent& script, void* widget, const char* metatableName) {
  OrvLua::LuaObject table = script.NewTable();
  table.SetLightUserData("__object", widget);
  table.SetBoolean("IsAlive", true);
  table.SetMetatable(script.GetGlobal(metatableName));
  return table;
}

}  // namespace

namespace {

// A creation given something else than its table makes a widget of
// defaults: no font and no text, so nothing shows.
void SayIfNotTable(const OrvLua::LuaObject& desc, const char* function, const std::string& maker) {
  if (desc.IsTable()) return;
  PrintErrorLineOnce(std::string(function) + " not a table",
                     std::string(function) + " (" + maker + "): its argument is not a table of the widget's values " +
                         "(id, x, y, font, text...); the widget is made with none and draws no text");
}

}  // namespace

OrvLua::LuaObjectOrError GUISystem::AddButton(ScriptComponent& script, const OrvLua::LuaObject& desc,
                                              const std::string& maker) {
  SayIfNotTable(desc, "CreateButton", maker);
  const DescReader read(desc, "CreateButton");
  ButtonDesc values = ReadButton(read);
  // The script's error, raised as the creation's own: no widget is made.
  if (!read.Error().empty()) return {{}, "CreateButton: " + read.Error()};
  auto button = std::make_shared<Button>(std::move(values));
  OrvLua::LuaObject table = WidgetTable(script, button.get(), "ButtonMetaTable");
  return {buttons_.emplace_back(std::move(button), std::move(table)).GetTable(), {}};
}

OrvLua::LuaObjectOrError GUISystem::AddProgressBar(ScriptComponent& script, const OrvLua::LuaObject& desc,
                                                   const std::string& maker) {
  SayIfNotTable(desc, "CreateProgressBar", maker);
  const DescReader read(desc, "CreateProgressBar");
  ProgressBarDesc values = ReadProgressBar(read);
  if (!read.Error().empty()) return {{}, "CreateProgressBar: " + read.Error()};
  auto bar = std::make_shared<ProgressBar>(std::move(values));
  OrvLua::LuaObject table = WidgetTable(script, bar.get(), "BarMetaTable");
  return {bars_.emplace_back(std::move(bar), std::move(table)).GetTable(), {}};
}

OrvLua::LuaObjectOrError GUISystem::AddLabel(ScriptComponent& script, const OrvLua::LuaObject& desc,
                                             const std::string& maker) {
  SayIfNotTable(desc, "CreateLabel", maker);
  const DescReader read(desc, "CreateLabel");
  LabelDesc values = ReadLabel(read);
  if (!read.Error().empty()) return {{}, "CreateLabel: " + read.Error()};
  auto label = std::make_shared<Label>(std::move(values));
  OrvLua::LuaObject table = WidgetTable(script, label.get(), "LabelMetaTable");
  return {labels_.emplace_back(std::move(label), std::move(table)).GetTable(), {}};
}

// ---- the per-object functors

template <typename Widget>
OrvLua::LuaObjectOrError GUISystem::CreateWidget<Widget>::operator()(OrvLua::LuaObject desc) {
  std::shared_ptr<GameObject> object = LiveObject();
  auto script = object ? object->LockComponent<ScriptComponent>() : nullptr;
  if (!script) return {};
  const std::string maker = "object " + std::to_string(static_cast<std::int32_t>(object->GetID()));
  // Reading the table may run the script's own __index: nothing is held
  // across it but the locks above.
  if constexpr (std::is_same_v<Widget, Button>) {
    return system_->AddButton(*script, desc, maker);
  } else if constexpr (std::is_same_v<Widget, ProgressBar>) {
    return system_->AddProgressBar(*script, desc, maker);
  } else {
    return system_->AddLabel(*script, desc, maker);
  }
}

template class GUISystem::CreateWidget<Button>;
template class GUISystem::CreateWidget<ProgressBar>;
template class GUISystem::CreateWidget<Label>;

void GUISystem::CreatePropertyView::operator()() {
  auto object = LiveObject();
  if (!object) return;
  // Each new bar would keep variables that point into the object after it
  // dies, so an object has one bar, however often it asks.
  if (TwBar* bar = object->GetTweakBar(); bar != nullptr && Platform::TweakBarExists(bar)) return;
  const std::string name = "GameObject(" + std::to_string(object->GetID()) + ")";
  object->AddToTweakBar(TwNewBar(name.c_str()));
}

}  // namespace Orv
