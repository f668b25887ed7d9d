// The script functions that the camera, render, trail and GUI systems make
// for one object: each acts on its own object while it lives, and once the
// object is dead (still in the manager until the sweep) does nothing and
// gives its missing result. In a windowless engine: nothing is drawn.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "RenderWithoutGL.h"
#include "core/TransformComponent.h"
#include "render/BackTrailSystem.h"
#include "render/CameraSystem.h"
#include "render/GUISystem.h"
#include "render/LightComponent.h"
#include "render/SpriteAnimComponent.h"
#include "script/ScriptBegin.h"
#include "script/ScriptEngineSystem.h"
#include "support/EngineFixture.h"
#include "support/ScriptEngineFixture.h"

using namespace Orv;

namespace OrvTest {
namespace {

class ObjectFunctors : public EngineFixture {
 protected:
  ObjectFunctors() {
    gui = std::make_shared<GUISystem>(&engine);
    Start({{std::make_shared<CameraSystem>(&engine), RoleUpdate | RoleLateUpdate},
           {std::make_shared<ScriptEngineSystem>(&engine), RoleLateUpdate},
           {std::make_shared<RenderWithoutGL>(&engine), RoleUpdate},
           {std::make_shared<BackTrailSystem>(&engine), RoleLateUpdate},
           {gui, RoleNone},
           {std::make_shared<ScriptBegin>(&engine), RoleLateUpdate}});
  }

  std::shared_ptr<GameObject> Spawn() {
    return SpawnType(R"([{"type":"transform","data":[]},{"type":"spriteanim","data":[]},)"
                     R"({"type":"light","data":[]},{"type":"script","data":[]}])",
                     "");
  }

  std::shared_ptr<GUISystem> gui;
};

template <typename... Values>
std::string Text(const Values&... values) {
  std::ostringstream out;
  const char* separator = "";
  ((out << separator << values, separator = ","), ...);
  return out.str();
}

std::string Rotation(GameObject& object) { return Text(object.GetComponent<TransformComponent>().Lock()->rotdeg); }

std::string Scale(GameObject& object) {
  auto transform = object.GetComponent<TransformComponent>().Lock();
  return Text(transform->scaleX, transform->scaleY);
}

std::string Follow(GameObject& object) {
  auto transform = object.GetComponent<TransformComponent>().Lock();
  return Text(transform->followParent, transform->followParentRotation);
}

std::string Tint(GameObject& object) {
  const Colour& tint = object.GetComponent<SpriteAnimComponent>().Lock()->tint;
  return Text(tint[0], tint[1], tint[2], tint[3]);
}

std::string TrailTint(GameObject& object) {
  const Colour& tint = object.GetComponent<SpriteAnimComponent>().Lock()->trailTint;
  return Text(tint[0], tint[1], tint[2]);
}

std::string Light(GameObject& object) {
  auto light = object.GetComponent<LightComponent>().Lock();
  return Text(light->intensity, light->lightToggle);
}

std::string Bar(GameObject& object) { return object.GetTweakBar() != nullptr ? "bar" : "none"; }

TEST_F(ObjectFunctors, EachActsOnItsLiveObjectAndDoesNothingOnceItIsDead) {
  auto live = Spawn();
  auto dead = Spawn();
  ASSERT_TRUE(live && dead);
  Admit();
  const auto widgets = [&](GameObject&) {
    return Text(gui->GetButtons().size(), gui->GetBars().size(), gui->GetLabels().size());
  };
  struct Case {
    const char* code;
    const char* liveResult;
    const char* deadResult;
    // What the call changed, as the live object shows it; a dead object's
    // stays as it was. Empty when the result says all.
    std::function<std::string(GameObject&)> effect;
    const char* liveEffect;
  };
  const Case cases[] = {
      {"SetSpriteRotation(30)", "nil", "nil", Rotation, "120"},
      {"SetSpriteRotationTo(0, 0, 0, 1) return GetSpriteRotation()", "180", "0", Rotation, "180"},
      {"SetSpriteScaleX(2) SetSpriteScaleY(3)", "nil", "nil", Scale, "2,3"},
      {"SetRGBTint(0.5, 0.25, 0) SetAlpha(0.75)", "nil", "nil", Tint, "0.5,0.25,0,0.75"},
      {"SetLightIntensity(250) SetLightToggle(true) return IsLightToggled(false)", "true", "false", Light, "250,1"},
      {"return GetTextureNameFromAnimation('none', 0)", "", "nil", nullptr, ""},
      {"return type(GetWorldCursor())", "table", "nil", nullptr, ""},
      {"return type(GetWorld2Screen(1, 2))", "table", "nil", nullptr, ""},
      {"return type(GetScreenPos())", "table", "nil", nullptr, ""},
      {"SetFollowParent(true) SetFollowParentRotation(true)", "nil", "nil", Follow, "1,1"},
      {"SetTrailingEffectTint(0.5, 0.5, 0.25)", "nil", "nil", TrailTint, "0.5,0.5,0.25"},
      {"return type(CreateButton({id = 1}))", "table", "nil", widgets, "1,0,0"},
      {"return type(CreateProgressBar({id = 2}))", "table", "nil", widgets, "1,1,0"},
      {"return type(CreateLabel({id = 3}))", "table", "nil", widgets, "1,1,1"},
      {"CreatePropertyView()", "nil", "nil", Bar, "bar"},
  };
  // What the calls print (an unknown animation, a new widget) is not looked at.
  const auto run = [](const std::shared_ptr<GameObject>& object, const char* code) {
    ::testing::internal::CaptureStdout();
    std::string result = RunInObjectState(object, code);
    ::testing::internal::GetCapturedStdout();
    return result;
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(live, c.code), c.liveResult) << c.code;
    if (c.effect) {
      EXPECT_EQ(c.effect(*live), c.liveEffect) << c.code;
    }
  }
  dead->Destroy();
  for (const Case& c : cases) {
    const std::string before = c.effect ? c.effect(*dead) : "";
    EXPECT_EQ(run(dead, c.code), c.deadResult) << c.code;
    if (c.effect) {
      EXPECT_EQ(c.effect(*dead), before) << c.code;
    }
  }
}

}  // namespace
}  // namespace OrvTest
