// The engine's lists, passes, input routing and frame loop, driven by hand.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "app/GameEngine.h"
#include "audio/AudioSystem.h"
#include "core/GOSummoner.h"
#include "editor/EditorSystem.h"
#include "input/GamePadSystem.h"
#include "input/KeyboardMouse.h"
#include "render/BackParticleSystem.h"
#include "render/BackTrailSystem.h"
#include "render/BaseLevelDraw.h"
#include "render/CameraSystem.h"
#include "render/CursorRender.h"
#include "render/DebugDraw.h"
#include "render/FrontParticleSystem.h"
#include "render/GLRenderSystem.h"
#include "render/GLStencilSystem.h"
#include "render/GUISystem.h"
#include "render/HighLevelDraw.h"
#include "render/LevelLightingSystem.h"
#include "render/LevelRenderer.h"
#include "render/LevelShadowDraw.h"
#include "render/OverlayDraw.h"
#include "render/SurfaceLevelDraw.h"
#include "render/TransitionEventSystem.h"
#include "script/ScriptBegin.h"
#include "script/ScriptEngineSystem.h"
#include "world/AIRulesSystem.h"
#include "world/CollisionEngine.h"
#include "world/PhysicEngine.h"
#include "world/TilemapSystem.h"

using namespace Orv;

namespace {

// Writes every call it gets into a shared log, tagged with its name.
class RecordingSystem : public System {
 public:
  RecordingSystem(App* owner, std::string name, std::vector<std::string>* log)
      : System(owner), name_(std::move(name)), log_(log) {}
  void OnRegistered() override { Log("OnRegistered"); }
  void Init(unsigned w, unsigned h) override { Log("Init " + std::to_string(w) + "x" + std::to_string(h)); }
  void Start() override { Log("Start"); }
  void Update(float dt) override { Log("Update " + std::to_string(dt)); }
  void Shutdown() override { Log("Shutdown"); }
  void Pause() override { Log("Pause"); }
  void Resume() override { Log("Resume"); }
  void Resize(int /*w*/, int /*h*/, int /*bw*/, int /*bh*/) override { Log("Resize"); }
  void PreUpdate(float dt) override { Log("PreUpdate " + std::to_string(dt)); }
  void LateUpdate(float dt) override { Log("LateUpdate " + std::to_string(dt)); }
  void Render() override { Log("Render"); }
  void OnWindowMessage(unsigned message, WPARAM wParam, LPARAM) override {
    Log("Message " + std::to_string(message) + " " + std::to_string(wParam));
  }
  void OnKeyUp(int key) override { Log("KeyUp " + std::to_string(key)); }
  void OnMouseButtonUp(int button) override { Log("ButtonUp " + std::to_string(button)); }

 private:
  void Log(const std::string& what) { log_->push_back(name_ + " " + what); }
  std::string name_;
  std::vector<std::string>* log_;
};

class EngineTest : public ::testing::Test {
 protected:
  EngineTest() : engine("Test", 320, 200, false, false) {}

  void Add(const std::string& name, unsigned roles) {
    engine.AddSystem(std::make_shared<RecordingSystem>(&engine, name, &log), roles);
  }
  std::vector<std::string> Take() { return std::exchange(log, {}); }

  std::vector<std::string> log;
  GameEngine engine;
};

template <typename T>
std::string Name() {
  return typeid(T).name();
}

std::vector<std::string> Names(const std::vector<ObjectLockPtr<System>>& list) {
  std::vector<std::string> names;
  for (const auto& entry : list) {
    auto system = entry.Lock();
    const System& named = *system;
    names.push_back(typeid(named).name());
  }
  return names;
}

}  // namespace

TEST(EngineSystems, TwentyEightSystemsInTheirOrderAndLists) {
  GameEngine engine("Test", 320, 200, false, false);
  CreateEngineSystems(engine);

  const std::vector<std::string> all = {
      Name<GamePadSystem>(),       Name<KeyboardMouse>(),      Name<AIRulesSystem>(),
      Name<CollisionEngine>(),     Name<PhysicEngine>(),       Name<TilemapSystem>(),
      Name<AudioSystem>(),         Name<GOSummoner>(),         Name<CameraSystem>(),
      Name<ScriptEngineSystem>(),  Name<GLRenderSystem>(),     Name<GLStencilSystem>(),
      Name<LevelRenderer>(),       Name<BaseLevelDraw>(),      Name<BackTrailSystem>(),
      Name<BackParticleSystem>(),  Name<LevelShadowDraw>(),    Name<LevelLightingSystem>(),
      Name<SurfaceLevelDraw>(),    Name<HighLevelDraw>(),      Name<DebugDraw>(),
      Name<EditorSystem>(),        Name<FrontParticleSystem>(), Name<GUISystem>(),
      Name<OverlayDraw>(),         Name<TransitionEventSystem>(), Name<CursorRender>(),
      Name<ScriptBegin>()};
  std::vector<std::string> allNames;
  for (const auto& system : engine.GetAllSystems()) {
    const System& named = *system;
    allNames.push_back(typeid(named).name());
  }
  EXPECT_EQ(allNames, all);

  EXPECT_EQ(Names(engine.GetUpdateSystems()),
            (std::vector<std::string>{Name<GamePadSystem>(), Name<KeyboardMouse>(), Name<AIRulesSystem>(),
                                      Name<CollisionEngine>(), Name<PhysicEngine>(), Name<CameraSystem>(),
                                      Name<GLRenderSystem>(), Name<EditorSystem>(), Name<GUISystem>()}));
  EXPECT_EQ(Names(engine.GetLateUpdateSystems()),
            (std::vector<std::string>{Name<GamePadSystem>(), Name<KeyboardMouse>(), Name<CollisionEngine>(),
                                      Name<CameraSystem>(), Name<ScriptEngineSystem>(), Name<LevelRenderer>(),
                                      Name<BaseLevelDraw>(), Name<BackTrailSystem>(), Name<BackParticleSystem>(),
                                      Name<LevelShadowDraw>(), Name<EditorSystem>(), Name<GUISystem>(),
                                      Name<TransitionEventSystem>(), Name<ScriptBegin>()}));
  EXPECT_EQ(Names(engine.GetInputSystems()),
            (std::vector<std::string>{Name<KeyboardMouse>(), Name<GLRenderSystem>(), Name<EditorSystem>(),
                                      Name<GUISystem>()}));
  EXPECT_EQ(Names(engine.GetRenderSystems()),
            (std::vector<std::string>{Name<GLRenderSystem>(), Name<GLStencilSystem>(), Name<LevelRenderer>(),
                                      Name<BaseLevelDraw>(), Name<BackTrailSystem>(), Name<BackParticleSystem>(),
                                      Name<LevelShadowDraw>(), Name<LevelLightingSystem>(),
                                      Name<SurfaceLevelDraw>(), Name<HighLevelDraw>(), Name<DebugDraw>(),
                                      Name<FrontParticleSystem>(), Name<GUISystem>(), Name<OverlayDraw>(),
                                      Name<TransitionEventSystem>(), Name<CursorRender>()}));
  for (const auto& system : engine.GetAllSystems()) EXPECT_EQ(system->GetOwner(), &engine);
}

TEST_F(EngineTest, RegisteredRightAfterEnteringTheLists) {
  Add("a", RoleUpdate);
  EXPECT_EQ(Take(), std::vector<std::string>{"a OnRegistered"});
  EXPECT_EQ(engine.GetUpdateSystems().size(), 1u);
}

TEST_F(EngineTest, UpdateRunsThreePassesWithTheSameTimeStep) {
  Add("u", RoleUpdate);
  Add("ul", RoleUpdate | RoleLateUpdate);
  Add("none", RoleNone);
  Add("l", RoleLateUpdate);
  Take();
  engine.Update(0.25f);
  EXPECT_EQ(Take(), (std::vector<std::string>{
                        "u PreUpdate 0.250000", "ul PreUpdate 0.250000",                          // pass 1
                        "u Update 0.250000", "ul Update 0.250000", "none Update 0.250000",        // pass 2
                        "l Update 0.250000", "ul LateUpdate 0.250000", "l LateUpdate 0.250000"}));  // pass 3
}

TEST_F(EngineTest, RenderReachesOnlyTheRenderList) {
  Add("r1", RoleRender);
  Add("u", RoleUpdate);
  Add("r2", RoleRender | RoleInput);
  Take();
  engine.Render(0.1f);
  EXPECT_EQ(Take(), (std::vector<std::string>{"r1 Render", "r2 Render"}));
}

TEST_F(EngineTest, ButtonUpReachesEachInputSystemBeforeItsMessage) {
  Add("i1", RoleInput);
  Add("x", RoleUpdate);
  Add("i2", RoleInput);
  Add("i3", RoleInput | RoleRender);
  Take();
  engine.OnWindowMessage(WM_LBUTTONUP, 0, 0);
  const std::string up = "Message " + std::to_string(WM_LBUTTONUP) + " 0";
  EXPECT_EQ(Take(), (std::vector<std::string>{"i1 ButtonUp 0", "i1 " + up, "i2 ButtonUp 0", "i2 " + up,
                                              "i3 ButtonUp 0", "i3 " + up}));
}

TEST_F(EngineTest, KeyAndButtonTables) {
  Add("i", RoleInput);
  engine.OnCreate();
  Take();

  engine.OnWindowMessage(WM_KEYDOWN, 0x41, 0);
  EXPECT_TRUE(engine.IsKeyDown(0x41));
  EXPECT_TRUE(engine.IsKeyDown(0x141)) << "the key is taken modulo 256";
  engine.OnWindowMessage(WM_KEYUP, 0x41, 0);
  EXPECT_FALSE(engine.IsKeyDown(0x41));
  EXPECT_EQ(Take(), (std::vector<std::string>{"i Message 256 65", "i KeyUp 65", "i Message 257 65"}));

  // Out-of-range codes leave the table alone and send no KeyUp, but still reach the systems.
  engine.OnWindowMessage(WM_KEYUP, 300, 0);
  EXPECT_EQ(Take(), (std::vector<std::string>{"i Message 257 300"}));

  // Keys pressed with Alt held arrive as system keys and leave the table unchanged.
  engine.OnWindowMessage(WM_SYSKEYDOWN, 0x42, 0);
  EXPECT_FALSE(engine.IsKeyDown(0x42));

  struct {
    unsigned down, up;
    int button;
  } buttons[] = {{WM_LBUTTONDOWN, WM_LBUTTONUP, 0}, {WM_MBUTTONDOWN, WM_MBUTTONUP, 1},
                 {WM_RBUTTONDOWN, WM_RBUTTONUP, 2}};
  for (const auto& b : buttons) {
    engine.OnWindowMessage(b.down, 0, 0);
    EXPECT_TRUE(engine.IsMouseButtonDown(b.button));
    engine.OnWindowMessage(b.up, 0, 0);
    EXPECT_FALSE(engine.IsMouseButtonDown(b.button));
  }
  engine.OnWindowMessage(WM_LBUTTONDOWN, 0, 0);
  EXPECT_FALSE(engine.IsMouseButtonDown(3));
  EXPECT_FALSE(engine.IsMouseButtonDown(-1));
}

TEST_F(EngineTest, PauseAndResumeReachEverySystem) {
  Add("a", RoleNone);
  Add("b", RoleRender);
  Take();
  EXPECT_TRUE(engine.TogglePause());
  EXPECT_TRUE(engine.IsPaused());
  EXPECT_FALSE(engine.TogglePause());
  EXPECT_FALSE(engine.IsPaused());
  EXPECT_EQ(Take(), (std::vector<std::string>{"a Pause", "b Pause", "a Resume", "b Resume"}));
  EXPECT_TRUE(engine.Pause());
  EXPECT_TRUE(engine.IsPaused());
  EXPECT_FALSE(engine.Resume());
  EXPECT_FALSE(engine.IsPaused());
}

TEST_F(EngineTest, LifecycleHooksReachEverySystemInCreationOrder) {
  Add("a", RoleNone);
  Add("b", RoleInput);
  Take();
  engine.OnCreate();
  engine.OnStart();
  engine.Shutdown();
  EXPECT_EQ(Take(), (std::vector<std::string>{"a Init 320x200", "b Init 320x200", "a Start", "b Start",
                                              "a Shutdown", "b Shutdown"}));
}

TEST_F(EngineTest, WindowProcedureRoutesActivationMinimiseAndAltMenu) {
  Add("i", RoleInput);
  Take();
  engine.WindowProc({WM_ACTIVATE, WA_INACTIVE, 0});
  EXPECT_TRUE(engine.IsPaused());
  engine.WindowProc({WM_ACTIVATE, WA_CLICKACTIVE, 0});
  EXPECT_FALSE(engine.IsPaused());
  // Only the exact activation values resume: a high word set means something else.
  engine.Pause();
  engine.WindowProc({WM_ACTIVATE, 0x10001, 0});
  EXPECT_TRUE(engine.IsPaused());
  engine.Resume();
  engine.WindowProc({WM_SYSCOMMAND, SC_MINIMIZE | 0x2, 0});
  EXPECT_TRUE(engine.IsPaused());
  Take();
  engine.WindowProc({WM_SYSCOMMAND, SC_KEYMENU, 0});
  EXPECT_TRUE(Take().empty()) << "the Alt menu command is swallowed";
}

namespace {

// Counts the loop's hooks with the time steps they were given.
class LoopProbe : public OGLApp {
 public:
  LoopProbe() : OGLApp("Loop", 320, 200, false) {}
  void OnCreate() override {}
  void OnStart() override {}
  void OnResize(int, int) override {}
  void Tick(float /*dt*/) override { ++ticks; }
  void Update(float dt) override { updates.push_back(dt); }
  void Render(float /*dt*/) override { ++renders; }
  void EndFrame() override { ++endFrames; }
  void OnPause() override {}
  void OnResume() override {}
  void Shutdown() override {}
  void OnWindowMessage(unsigned, WPARAM, LPARAM) override {}

  int ticks = 0, renders = 0, endFrames = 0;
  std::vector<float> updates;
};

}  // namespace

TEST(FrameLoop, SixtyHertzWithTenMillisecondPassesRunsEverySecondPass) {
  LoopProbe app;
  app.SetFrameInterval(1.0f / 60.0f);
  app.BeginLoop(1000, 0);  // a counter ticking in milliseconds
  for (int pass = 1; pass <= 10; ++pass) app.MeasuredPass(pass * 10);
  EXPECT_EQ(app.ticks, 10);
  ASSERT_EQ(app.updates.size(), 5u);
  for (float dt : app.updates) EXPECT_NEAR(dt, 0.020f, 1e-5f) << "the whole accumulated time, surplus dropped";
  EXPECT_EQ(app.renders, 5);
  EXPECT_EQ(app.endFrames, 5);
}

TEST(FrameLoop, AStalledPassHandsUpdateABoundedStepUnlessTheIntervalIsLonger) {
  LoopProbe app;
  app.BeginLoop(1000, 0);
  app.MeasuredPass(600);
  app.SetFrameInterval(0.25f);
  app.MeasuredPass(1200);
  app.MeasuredPass(1300);  // short of the interval: no frame
  ASSERT_EQ(app.updates.size(), 2u);
  EXPECT_FLOAT_EQ(app.updates[0], OGLApp::kLongestStep);
  EXPECT_FLOAT_EQ(app.updates[1], 0.25f) << "a game that asks for long frames gets them whole";
}

TEST(FrameLoop, InfiniteIntervalOnlyTicks) {
  LoopProbe app;
  app.SetFrameInterval(std::numeric_limits<float>::infinity());
  app.BeginLoop(1000, 0);
  for (int pass = 1; pass <= 300; ++pass) app.MeasuredPass(pass * 10);
  EXPECT_EQ(app.ticks, 300);
  EXPECT_TRUE(app.updates.empty());
  EXPECT_EQ(app.renders, 0);
}

TEST(FrameLoop, NegativeIntervalRunsAFrameOnEveryPass) {
  LoopProbe app;
  app.SetFrameInterval(-1.0f / 30.0f);
  app.BeginLoop(1000, 0);
  for (int pass = 1; pass <= 4; ++pass) app.MeasuredPass(pass * 3);
  EXPECT_EQ(app.updates.size(), 4u);
}

TEST(FrameLoop, FrameRateIsTheFrameCountOfTheLastWholeSecond) {
  LoopProbe app;
  app.SetFrameInterval(1.0f / 60.0f);
  app.BeginLoop(1024, 0);  // passes of 1/64 s add up exactly in float
  std::uint64_t now = 0;
  while (now < 1024 - 16) app.MeasuredPass(now += 16);
  EXPECT_EQ(app.GetFPS(), 0u) << "nothing is reported during the first second";
  app.MeasuredPass(now += 16);
  EXPECT_EQ(app.GetFPS(), 32u) << "a frame every second pass";
}

TEST(Cursor, ClientPixelsBecomeLogicalCoordinates) {
  const Platform::Size screen{1920, 1080};
  const Platform::Rect client{0, 0, 641, 481};  // spans of 640 and 480 pixels
  struct Case {
    int x, y;
    bool fullscreen;
    int wantX, wantY;
  } cases[] = {
      {320, 240, false, 160, 100},   // half-way in a 320x200 logical space
      {-50, -10, false, 0, 0},        // left of and above the client area: clamped
      {900, 700, false, 319, 199},    // right of and below it: width - 1, height - 1
      {960, 540, true, 160, 100},     // full screen scales by the screen
      {3840, -1080, true, 640, -200}, // and is not clamped
  };
  for (const Case& c : cases) {
    auto [x, y] = OGLApp::CursorToLogical(c.x, c.y, c.fullscreen, screen, client, 320, 200);
    EXPECT_EQ(x, c.wantX) << c.x << "," << c.y;
    EXPECT_EQ(y, c.wantY) << c.x << "," << c.y;
  }
  // A client area without extent yields the corner rather than a division by zero.
  auto [x, y] = OGLApp::CursorToLogical(5, 5, false, screen, {0, 0, 1, 1}, 320, 200);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);
}
