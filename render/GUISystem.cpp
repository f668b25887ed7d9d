#include "render/GUISystem.h"

#include <GL/glew.h>

#include <cmath>

#include "ScriptRegistration.h"
#include "core/App.h"
#include "core/Report.h"
#include "core/ReportOnce.h"
#include "core/TypeKey.h"
#include "platform/TweakBar.h"
#include "render/DrawPrimitives.h"
#include "render/ObjectDragStore.h"
#include "resources/ResourceManager.h"
#include "script/ScriptComponent.h"
#include "world/CollisionComponent.h"

namespace Orv {

namespace {

constexpr int kLeftButton = 0;
constexpr int kMiddleButton = 1;
constexpr int kRightButton = 2;

// The editor sits above this folder: its component is known by its run-time
// name alone.
constexpr std::uint32_t kEditComponentKey = Fnv1a("class Orv::EditComponent");

ObjectDragStore* gDragStore = nullptr;

}  // namespace

void SetObjectDragStore(ObjectDragStore* store) { gDragStore = store; }

template <typename Widget>
WidgetEntry<Widget>::WidgetEntry(std::shared_ptr<Widget> widget, OrvLua::LuaObject table)
    : widget_(std::move(widget)), table_(std::move(table)) {
  OrvCall::BindObjectTable(widget_.get(), Widget::ScriptKind, &table_);
}

template <typename Widget>
WidgetEntry<Widget>::~WidgetEntry() {
  OrvCall::UnbindObjectTable(widget_.get());
}

template class WidgetEntry<Button>;
template class WidgetEntry<ProgressBar>;
template class WidgetEntry<Label>;

void GUISystem::Init(unsigned width, unsigned height) {
  TwWindowSize(static_cast<int>(width), static_cast<int>(height));
  requiredTypes.push_back(kEditComponentKey);
  requiredTypes.push_back(TypeKey<CollisionComponent>());
  requiredTypes.push_back(TypeKey<ScriptComponent>());
}

void GUISystem::Start() { TwInit(TW_OPENGL, nullptr); }

void GUISystem::Shutdown() {
  topSprites_.clear();
  bottomSprites_.clear();
  TwDeleteAllBars();
  TwTerminate();
}

bool GUISystem::IsMouseMoved() {
  const auto [x, y] = owner_->GetCursorPos();
  return x != lastCursorX_ || y != lastCursorY_;
}

void GUISystem::DestroyLabel(int id) {
  for (auto it = labels_.begin(); it != labels_.end(); ++it) {
    if (it->GetWidget().GetId() != id) continue;
    labels_.erase(it);
    return;
  }
}

void GUISystem::DrawHUDSpriteTop(const char* frameId, OrvCall::Finite<float> x, OrvCall::Finite<float> y,
                                 OrvCall::Finite<float> rotation, OrvCall::Finite<float> scaleX,
                                 OrvCall::Finite<float> scaleY) {
  topSprites_.push_back({frameId, x, y, rotation, scaleX, scaleY});
}

void GUISystem::DrawHUDSpriteBot(const char* frameId, OrvCall::Finite<float> x, OrvCall::Finite<float> y,
                                 OrvCall::Finite<float> rotation, OrvCall::Finite<float> scaleX,
                                 OrvCall::Finite<float> scaleY) {
  bottomSprites_.push_back({frameId, x, y, rotation, scaleX, scaleY});
}

void GUISystem::DrawSprites(const std::vector<HudSprite>& sprites) {
  for (const HudSprite& sprite : sprites) {
    // An unknown id costs that sprite only, not the rest of the pass.
    auto frame = ResourceManager::GetInstance().GetSprite(sprite.frameId);
    if (!frame.Exists()) {
      PrintErrorLineOnce(
          "HUD sprite: no texture frame", sprite.frameId,
          "Error! No texture frame \"" + QuotedName(sprite.frameId) + "\" for a HUD sprite: it is not drawn");
      continue;
    }
    LoadIdentity();
    Translate2D(static_cast<float>(sprite.x), static_cast<float>(sprite.y));
    Rotate2D(sprite.rotation);
    Scale2D(static_cast<float>(sprite.scaleX), static_cast<float>(sprite.scaleY));
    DrawSpriteQuad(frame);
    LoadIdentity();
  }
}

// Only an object the editor can pick is followed by the drag store.
bool GUISystem::WalksObject(const GameObject& object) const {
  return object.FindComponent(kEditComponentKey) != nullptr;
}

void GUISystem::PreUpdateEntity(EntityRecord& entity, float) {
  if (gDragStore == nullptr) return;
  GameObject* object = entity.walked;
  if (object == nullptr || object->FindComponent(kEditComponentKey) == nullptr) return;
  const bool middleDown = owner_->IsMouseButtonDown(kMiddleButton);
  if (middleDown && object->GetUniqueId() == gDragStore->GetMovedObject()) {
    auto collision = object->LockComponent<CollisionComponent>();
    if (Collider* collider = collision ? collision->GetCollider() : nullptr) {
      collider->SetPosition(gDragStore->GetPickPoint());
    }
  }
  gDragStore->UpdateFromObject(*object, !middleDown && middleDownBefore_);
}

void GUISystem::OnPreUpdate(float) {
  const bool leftDown = owner_->IsMouseButtonDown(kLeftButton);
  if (!leftDown) guiBlocked_ = false;
  const bool freshClick = leftDown && !leftDownBefore_;
  const auto [x, y] = owner_->GetCursorPos();
  for (auto& entry : buttons_) {
    Button& button = entry.GetWidget();
    if (!button.GetVisible()) {
      button.SkipFrame();
      continue;
    }
    // The first button hit takes the click; those after it get no test
    // this frame.
    if (freshClick && button.PressTest(x, y)) {
      button.Press();
      guiBlocked_ = true;
      break;
    }
    if (!button.HoverTest(x, y)) button.ClearHover();
  }
}

void GUISystem::OnLateUpdate(float) {
  leftDownBefore_ = owner_->IsMouseButtonDown(kLeftButton);
  middleDownBefore_ = owner_->IsMouseButtonDown(kMiddleButton);
  rightDownBefore_ = owner_->IsMouseButtonDown(kRightButton);
  const auto [x, y] = owner_->GetCursorPos();
  lastCursorX_ = x;
  lastCursorY_ = y;
}

void GUISystem::OnRender() {
  DrawSprites(bottomSprites_);
  for (auto& entry : bars_) entry.GetWidget().Render();
  for (auto& entry : buttons_) entry.GetWidget().Render();
  for (auto& entry : labels_) entry.GetWidget().Render();
  DrawSprites(topSprites_);
  bottomSprites_.clear();
  topSprites_.clear();
}

}  // namespace Orv
