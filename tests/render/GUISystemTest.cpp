// The GUI system in a windowless engine: what scripts see of their widget
// tables, the checked method path, bar easing, the mouse-moved test and the
// property view.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ChunkLoader.h"
#include "platform/Messages.h"
#include "platform/TweakBar.h"
#include "render/GUISystem.h"
#include "render/ObjectDragStore.h"
#include "script/ScriptBegin.h"
#include "script/ScriptComponent.h"
#include "script/ScriptEngineSystem.h"
#include "support/EngineFixture.h"
#include "support/ScriptEngineFixture.h"
#include "world/CollisionComponent.h"

using namespace OrvTest;
using namespace Orv;

namespace {

class GUISystemTest : public EngineFixture {
 protected:
  GUISystemTest() {
    gui = std::make_shared<GUISystem>(&engine);
    Start({{std::make_shared<ScriptEngineSystem>(&engine), RoleLateUpdate},
           {gui, RoleRender | RoleUpdate | RoleLateUpdate | RoleInput},
           {std::make_shared<ScriptBegin>(&engine), RoleLateUpdate}});
  }

  std::shared_ptr<GameObject> Spawn(const std::string& script, unsigned id = 0) {
    return SpawnType(R"([{"type":"transform","data":[]}])", script, id);
  }

  // Runs code in the object's state; "error: ..." or its result as text.
  static std::string Run(const std::shared_ptr<GameObject>& object, const std::string& code) {
    return OrvTest::RunInObjectState(object, code);
  }

  std::shared_ptr<GUISystem> gui;
};

constexpr const char* kWidgets = R"(
button = CreateButton({id = 1, x = 10, y = 10, width = 1, height = 1, text = "go"})
bar = CreateProgressBar({id = 2, x = 50, y = 50, width = 1, height = 1, barWidth = 1, barHeight = 1})
label = CreateLabel({id = 3, x = 5, y = 5, text = "hi"})
)";

}  // namespace

TEST_F(GUISystemTest, MethodsReachOnlyALiveWidgetOfTheirKindThroughItsOwnTable) {
  auto maker = Spawn(kWidgets);
  auto other = Spawn("");
  ASSERT_EQ(gui->GetButtons().size(), 1u);
  const struct {
    const char* code;
    const char* result;  // a prefix of "error: ..." for refusals
  } cases[] = {
      {"return button:GetVisible()", "true"},
      {"return getmetatable(bar) == BarMetaTable and bar.IsAlive", "true"},
      {"return ButtonMetaTable.GetVisible(bar)", "error: test:1: a Button method called on a ProgressBar"},
      {"return BarMetaTable.GetBarAmount(label)", "error: test:1: a ProgressBar method called on a Label"},
      {"local copy = setmetatable({__object = button.__object}, ButtonMetaTable) return copy:GetVisible()",
       "error: test:1: this table is not the one its Button was made with"},
      {"return button:GetButtonRGBA(4)", "0"},
      {"return bar:GetFrameRGBA(-1) + bar:GetBarRGBA(9)", "0"},
      {"bar:SetBarRGBA(0.5, 0.25, 1, 1) return bar:GetBarRGBA(1)", "0.25"},
      {"button:SetButtonRGBA(0/0, 0, 0, 0) return button:GetButtonRGBA(0)", "1"},
      {"return type(CreateButton(5))", "table"},
      {"return CreateLabel({id = 3}) ~= nil", "true"},
  };
  for (const auto& c : cases) {
    const std::string seen = Run(maker, c.code);
    if (std::string(c.result).rfind("error:", 0) == 0) {
      EXPECT_EQ(seen.rfind(c.result, 0), 0u) << c.code << " gave " << seen;
    } else {
      EXPECT_EQ(seen, c.result) << c.code;
    }
  }
  // Any object's script removes the widgets every object made.
  EXPECT_EQ(Run(other, "RemoveAllButtons() DestroyLabel(3) return 0"), "0");
  EXPECT_EQ(gui->GetButtons().size(), 0u);
  EXPECT_EQ(gui->GetLabels().size(), 1u) << "only the first label of the id goes";
  EXPECT_EQ(Run(maker, "return button:GetVisible()"), "error: test:1: no live Button behind this table");
  EXPECT_EQ(Run(maker, "return label:GetVisible()"), "error: test:1: no live Label behind this table");
  EXPECT_EQ(Run(maker, "return bar:GetVisible()"), "true") << "the bar was not removed";
}

TEST_F(GUISystemTest, BarsEaseTowardsTheirTargetAndClampWithoutMovingIt) {
  auto maker = Spawn(kWidgets);
  const struct {
    const char* code;
    const char* result;
  } steps[] = {
      {"return bar:GetBarAmount()", "1"},
      {"return bar:GetIsTweening()", "true"},  // amount 1, target 0
      {"bar:SetBarAmount(1.5) return bar:GetBarAmount()", "1"},
      {"return bar:GetIsTweening()", "true"},  // the target stayed 0
      {"bar:SetBarAmount(0.5) return bar:GetBarAmount()", "0.975"},
      {"bar:SetBarAmount(0/0) return bar:GetBarAmount()", "0.975"},
      {"bar:SetImmediateAmount(0.5) return bar:GetIsTweening()", "false"},
      {"bar:SetImmediateAmount(-3) return bar:GetBarAmount()", "0"},
      {"bar:SetBarAmount(0.00005) return bar:GetBarAmount()", "5e-05"},  // within 0.0001: snaps
  };
  for (const auto& s : steps) EXPECT_EQ(Run(maker, s.code), s.result) << s.code;
}

TEST_F(GUISystemTest, MouseMovedAnswersForAMoveAlongEitherAxis) {
  auto object = Spawn("");
  engine.SetCursor(100, 100);
  Frame();
  EXPECT_EQ(Run(object, "return IsMouseMoved()"), "false");
  engine.SetCursor(130, 100);
  EXPECT_EQ(Run(object, "return IsMouseMoved()"), "true");
  Frame();
  engine.SetCursor(130, 90);
  EXPECT_EQ(Run(object, "return IsMouseMoved()"), "true");
}

TEST_F(GUISystemTest, PropertyViewOpensOneBarOfScaleAndRotationPerObject) {
  auto object = Spawn("CreatePropertyView()", 42);
  const std::size_t bars = Platform::TweakBarCount();
  TwBar* bar = object->GetTweakBar();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(Platform::TweakBarName(bar), "GameObject(42)");
  const auto variables = Platform::TweakBarVariables(bar);
  ASSERT_EQ(variables.size(), 3u);
  EXPECT_EQ(variables[0].name, "scaleX");
  EXPECT_EQ(variables[1].name, "scaleY");
  EXPECT_EQ(variables[2].name, "rotate");
  Run(object, "CreatePropertyView()");
  EXPECT_EQ(Platform::TweakBarCount(), bars);
  EXPECT_EQ(object->GetTweakBar(), bar);
  EXPECT_EQ(Platform::TweakBarVariables(bar).size(), 3u);
  object->Destroy();
  EXPECT_FALSE(Platform::TweakBarExists(bar));
}

namespace {

// The editor's side of a drag, as the GUI's step sees it.
class DragStoreProbe : public ObjectDragStore {
 public:
  std::uint32_t GetMovedObject() const override { return moved; }
  Vec2 GetPickPoint() const override { return pick; }
  void UpdateFromObject(const GameObject& object, bool released) override {
    updates.push_back(std::to_string(object.GetUniqueId()) + (released ? " released" : ""));
  }
  std::uint32_t moved = 0;
  Vec2 pick{};
  std::vector<std::string> updates;
};

}  // namespace

TEST_F(GUISystemTest, DragStepMovesTheDraggedEditableObjectWhileTheMiddleButtonIsHeld) {
  DragStoreProbe store;
  SetObjectDragStore(&store);
  const char* circle = R"({"type":"collision","data":["Circle",{"radius":10.0}]})";
  auto crate = SpawnType(std::string("[") + circle + R"(,{"type":"editable","data":[]}])", std::nullopt);
  auto rock = SpawnType(std::string("[") + circle + "]", std::nullopt);
  Admit();
  const auto position = [](const std::shared_ptr<GameObject>& object) {
    return object->GetComponent<CollisionComponent>().Lock()->GetCollider()->GetPosition();
  };
  const Vec2 rockAt = position(rock);
  store.moved = crate->GetUniqueId();
  store.pick = {70.0, 30.0};
  Frame();
  EXPECT_NE(position(crate).x, 70.0) << "no drag with the middle button up";
  engine.OnWindowMessage(WM_MBUTTONDOWN, 0, 0);
  Frame();
  EXPECT_EQ(position(crate).x, 70.0);
  EXPECT_EQ(position(crate).y, 30.0);
  store.moved = rock->GetUniqueId();
  Frame();
  EXPECT_EQ(position(rock).x, rockAt.x) << "only editable objects are dragged";
  engine.OnWindowMessage(WM_MBUTTONUP, 0, 0);
  Frame();
  Frame();
  const std::string id = std::to_string(crate->GetUniqueId());
  EXPECT_EQ(store.updates, (std::vector<std::string>{id, id, id, id + " released", id}));
  SetObjectDragStore(nullptr);
}
