// Real key and pointer events from the X server reach scripts' view of the
// keyboard: a window of the engine's own, driven pass by pass, and xdotool.
// Keys are sent to our window by id, so windows of tests running beside this
// one on the same display cannot take them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "app/GameEngine.h"
#include "core/GameObject.h"
#include "input/KeyboardMouse.h"
#include "platform/Clock.h"
#include "platform/Window.h"
#include "script/ScriptComponent.h"
#include "support/ProgramRun.h"

namespace Orv {
namespace {

// Stands where the scripts run: after the keyboard system in the Update pass.
class ScriptProbe : public PlainSystem {
 public:
  ScriptProbe(App* owner, KeyboardMouse* keyboard) : PlainSystem(owner), keyboard_(keyboard) {}
  void Update(float) override {
    ++frames;
    if (keyboard_->IsKeyReleased(VK_SPACE)) ++spaceReleasedFrames;
    aPressed = keyboard_->IsKeyPressed('A');
    if (keyboard_->IsKeyReleased('A')) ++aReleasedFrames;
  }
  int frames = 0;
  int spaceReleasedFrames = 0;
  int aReleasedFrames = 0;
  bool aPressed = false;

 private:
  KeyboardMouse* keyboard_;
};

class KeyboardWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display";
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "needs xdotool";
    title_ = "orv-input-" + std::to_string(getpid());
    engine_ = std::make_unique<GameEngine>(title_, 640, 360, false, false);
    engine_->CreateSystem<KeyboardMouse>(RoleUpdate | RoleLateUpdate | RoleInput);
    keyboard_ = static_cast<KeyboardMouse*>(engine_->GetAllSystems().back().get());
    engine_->AddSystem(std::make_shared<ScriptProbe>(engine_.get(), keyboard_), RoleNone);
    probe_ = static_cast<ScriptProbe*>(engine_->GetAllSystems().back().get());
    engine_->OnCreate();
    ASSERT_TRUE(engine_->CreateAppWindow());
    ASSERT_TRUE(engine_->CreateGLContext());
    engine_->SetFullscreen(false);
    engine_->SetFrameInterval(0.0f);  // every pass is a frame
    engine_->BeginLoop(Platform::QueryPerformanceFrequency(), Platform::QueryPerformanceCounter());
    Passes(20);
  }
  void TearDown() override { engine_.reset(); }

  // The loop's work: every waiting message, then one measured pass.
  void Pass() {
    WindowMessage message;
    while (engine_->GetWindow().PeekMessage(message)) {
      if (message.message != WM_QUIT) engine_->WindowProc(message);
    }
    engine_->MeasuredPass(Platform::QueryPerformanceCounter());
  }
  void Passes(int count) {
    for (int i = 0; i < count; ++i) Pass();
  }
  // Runs passes until done() holds; the X server answers in its own time.
  bool PassUntil(const std::function<bool()>& done) {
    return OrvTest::WaitUntil("the X server's answer", [&] {
      Pass();
      return done();
    });
  }
  int Xdo(const std::string& args) { return std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()); }
  std::string WindowId() {
    std::string id;
    if (FILE* pipe = popen(("xdotool search --name '^" + title_ + "$'").c_str(), "r")) {
      char line[64] = {};
      if (std::fgets(line, sizeof line, pipe) != nullptr) id = line;
      pclose(pipe);
    }
    while (!id.empty() && (id.back() == '\n' || id.back() == '\r')) id.pop_back();
    return id;
  }

  std::string title_;
  std::unique_ptr<GameEngine> engine_;
  KeyboardMouse* keyboard_ = nullptr;
  ScriptProbe* probe_ = nullptr;
};

TEST_F(KeyboardWindowTest, SpaceReleaseIsSeenInExactlyOneUpdate) {
  ASSERT_EQ(Xdo("key --window " + WindowId() + " space"), 0);
  ASSERT_TRUE(PassUntil([&] { return probe_->spaceReleasedFrames > 0; })) << "no key-up arrived";
  Passes(10);
  std::printf("space released seen in %d of %d frames\n", probe_->spaceReleasedFrames, probe_->frames);
  EXPECT_EQ(probe_->spaceReleasedFrames, 1);
}

TEST_F(KeyboardWindowTest, HeldKeyIsPressedEveryFrameUntilItGoesUp) {
  ASSERT_EQ(Xdo("keydown --window " + WindowId() + " a"), 0);
  ASSERT_TRUE(PassUntil([&] { return probe_->aPressed; })) << "no key-down arrived";
  for (int i = 0; i < 5; ++i) {
    Pass();
    EXPECT_TRUE(probe_->aPressed) << "frame " << i;
  }
  EXPECT_EQ(probe_->aReleasedFrames, 0);
  ASSERT_EQ(Xdo("keyup --window " + WindowId() + " a"), 0);
  ASSERT_TRUE(PassUntil([&] { return probe_->aReleasedFrames > 0; })) << "no key-up arrived";
  EXPECT_FALSE(probe_->aPressed);
  Passes(5);
  EXPECT_EQ(probe_->aReleasedFrames, 1);
}

TEST_F(KeyboardWindowTest, CursorFunctorGivesLogicalCoordinates) {
  auto object = std::make_shared<GameObject>(nullptr, 1);
  object->AddComponent(TypeKey<ScriptComponent>(), std::make_shared<ScriptComponent>());
  GetWindowCursorFunc cursor(keyboard_, ObjectLockPtr<GameObject>(object));
  // The last step is device motion: the window layer's global pointer reading
  // is refreshed by device motion, not by a bare pointer warp.
  ASSERT_EQ(Xdo("mousemove --window " + WindowId() + " 99 249 mousemove_relative 1 1"), 0);
  const Platform::Rect client = engine_->GetWindow().GetClientRect();
  const auto want = OGLApp::CursorToLogical(100, 250, false, {}, client, 640, 360);
  std::optional<CursorPosition> got;
  PassUntil([&] {
    got = cursor.Position();
    return got && got->x == want.first && got->y == want.second;
  });
  ASSERT_TRUE(got.has_value());
  std::printf("cursor at client (100, 250) reads (%d, %d), client %dx%d\n", got->x, got->y, client.right,
              client.bottom);
  EXPECT_EQ(got->x, want.first);
  EXPECT_EQ(got->y, want.second);
  EXPECT_NE(got->x, 0);
}

}  // namespace
}  // namespace Orv
