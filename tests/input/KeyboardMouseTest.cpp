#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>

#include "core/App.h"
#include "core/GameObject.h"
#include "input/KeyboardMouse.h"
#include "script/ScriptComponent.h"

namespace Orv {
namespace {

// The engine's held-key table and cursor, set by hand.
class FakeApp : public App {
 public:
  FakeApp() : App("test", 640, 360) {}
  bool Create() override { return true; }
  void SetFullscreen(bool) override {}
  void ToggleFullscreen() override {}
  bool IsFullscreen() override { return false; }
  int Run() override { return 0; }
  void Quit() override {}
  bool IsKeyDown(int key) override { return keys[static_cast<unsigned>(key) & 255u]; }
  bool IsMouseButtonDown(int button) override { return button >= 0 && button < 3 && buttons[button]; }
  std::pair<int, int> GetCursorPos() override { return cursor; }

  std::array<bool, 256> keys{};
  std::array<bool, 3> buttons{};
  std::pair<int, int> cursor{0, 0};
};

class KeyboardMouseTest : public ::testing::Test {
 protected:
  void SetUp() override { keyboard.Init(640, 360); }
  FakeApp app;
  KeyboardMouse keyboard{&app};
};

TEST_F(KeyboardMouseTest, ReleaseIsSeenUntilTheLateUpdate) {
  keyboard.OnKeyUp(VK_SPACE);
  keyboard.OnKeyUp(VK_SPACE);  // twice before a frame counts once
  keyboard.OnMouseButtonUp(2);
  EXPECT_TRUE(keyboard.IsKeyReleased(VK_SPACE));
  EXPECT_TRUE(keyboard.IsMouseReleased(2));
  EXPECT_FALSE(keyboard.IsKeyReleased('A'));
  EXPECT_FALSE(keyboard.IsMouseReleased(0));
  keyboard.LateUpdate(0.016f);
  EXPECT_FALSE(keyboard.IsKeyReleased(VK_SPACE));
  EXPECT_FALSE(keyboard.IsMouseReleased(2));
  // A key released again in a later frame is reported again.
  keyboard.OnKeyUp(VK_SPACE);
  EXPECT_TRUE(keyboard.IsKeyReleased(VK_SPACE));
}

TEST_F(KeyboardMouseTest, KeyCodesAreTakenToEightBits) {
  keyboard.OnKeyUp(300);
  EXPECT_TRUE(keyboard.IsKeyReleased(44));
  EXPECT_TRUE(keyboard.IsKeyReleased(static_cast<std::uint8_t>(300)));
  app.keys[44] = true;
  EXPECT_TRUE(keyboard.IsKeyPressed(static_cast<std::uint8_t>(300)));
}

TEST_F(KeyboardMouseTest, ButtonsOutsideTheThreeAreIgnored) {
  for (int button : {3, -1, 255}) {
    keyboard.OnMouseButtonUp(button);
    EXPECT_FALSE(keyboard.IsMouseReleased(button)) << button;
  }
  for (int button : {0, 1, 2}) EXPECT_FALSE(keyboard.IsMouseReleased(button)) << button;
}

TEST_F(KeyboardMouseTest, HeldStateComesFromTheEngine) {
  app.keys['A'] = true;
  app.buttons[1] = true;
  for (int frame = 0; frame < 3; ++frame) {
    EXPECT_TRUE(keyboard.IsKeyPressed('A'));
    EXPECT_TRUE(keyboard.IsMousePressed(1));
    EXPECT_FALSE(keyboard.IsKeyReleased('A'));
    keyboard.LateUpdate(0.016f);
  }
  EXPECT_FALSE(keyboard.IsMousePressed(0));
  EXPECT_FALSE(keyboard.IsMousePressed(3));
}

std::shared_ptr<GameObject> ScriptedObject() {
  auto object = std::make_shared<GameObject>(nullptr, 1);
  object->AddComponent(TypeKey<ScriptComponent>(), std::make_shared<ScriptComponent>());
  return object;
}

TEST_F(KeyboardMouseTest, CursorFunctorAnswersWhileItsScriptedObjectLives) {
  app.cursor = {123, 45};
  auto object = ScriptedObject();
  GetWindowCursorFunc cursor(&keyboard, ObjectLockPtr<GameObject>(object));
  auto position = cursor.Position();
  ASSERT_TRUE(position.has_value());
  EXPECT_EQ(position->x, 123);
  EXPECT_EQ(position->y, 45);

  auto dead = ScriptedObject();
  dead->Destroy();
  EXPECT_FALSE(GetWindowCursorFunc(&keyboard, ObjectLockPtr<GameObject>(dead)).Position().has_value());
  auto plain = std::make_shared<GameObject>(nullptr, 2);
  EXPECT_FALSE(GetWindowCursorFunc(&keyboard, ObjectLockPtr<GameObject>(plain)).Position().has_value());
  object.reset();
  EXPECT_FALSE(cursor.Position().has_value());
}

TEST(KeyboardMouseConstants, EveryKeyNameCarriesItsVirtualKeyCode) {
  const auto constants = KeyboardMouse::ScriptConstants();
  ASSERT_EQ(constants.size(), 105u);
  const struct {
    const char* name;
    int value;
  } spot[] = {
      {"KB_BACK", 8},       {"KB_ENTER", 13},     {"KB_ALT", 18},       {"KB_ESC", 27},     {"KB_SPACE", 32},
      {"KB_EXECUTE", 43},   {"KB_PRINTSCREEN", 44}, {"KB_HELP", 47},    {"KB_0", 48},       {"KB_9", 57},
      {"KB_A", 65},         {"KB_Z", 90},         {"KB_LWIN", 91},      {"KB_SLEEP", 95},   {"KB_NUMPAD0", 96},
      {"KB_NUMPAD9", 105},  {"KB_DIVIDE", 111},   {"KB_F1", 112},       {"KB_F10", 121},    {"KB_F12", 123},
      {"KB_NUMLOCK", 144},  {"KB_SCROLL", 145},   {"KB_LSHIFT", 160},   {"KB_RMENU", 165},
      {"MOUSE_LEFT", 0},    {"MOUSE_MID", 1},     {"MOUSE_RIGHT", 2},
  };
  for (const auto& want : spot) {
    bool found = false;
    for (const auto& c : constants) {
      if (std::string(c.name) == want.name) {
        EXPECT_EQ(c.value, want.value) << want.name;
        found = true;
      }
    }
    EXPECT_TRUE(found) << want.name;
  }
  // The key names come by rising code, then the three buttons.
  std::set<std::string> names;
  int previous = 0;
  for (size_t i = 0; i < 102; ++i) {
    EXPECT_EQ(std::string(constants[i].name).rfind("KB_", 0), 0u) << i;
    EXPECT_GT(constants[i].value, previous) << constants[i].name;
    previous = constants[i].value;
    names.insert(constants[i].name);
  }
  EXPECT_EQ(names.size(), 102u);
  EXPECT_STREQ(constants[102].name, "MOUSE_LEFT");
}

}  // namespace
}  // namespace Orv
