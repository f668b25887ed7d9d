// The window, its context and the message pump under the test X server.
#include <SDL.h>
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <string>
#include <vector>

#include "app/GameEngine.h"
#include "platform/Window.h"

using namespace Orv;

namespace {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Platform::RegisterWindowClass()) << SDL_GetError();
    ASSERT_TRUE(window.Create("PumpTest", 10, 10, 200, 100, false));
    ASSERT_EQ(window.CreateGLContext(), Platform::Window::ContextResult::Ok);
    Drain();
  }
  void TearDown() override {
    window.ReleaseGLContext();
  }
  void Drain() {
    SDL_PumpEvents();
    WindowMessage m;
    while (window.PeekMessage(m)) {
    }
  }
  std::vector<WindowMessage> Push(SDL_Event event) {
    event.key.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    SDL_PushEvent(&event);
    std::vector<WindowMessage> messages;
    WindowMessage m;
    while (window.PeekMessage(m)) messages.push_back(m);
    return messages;
  }
  static SDL_Event Key(Uint32 type, SDL_Keycode key, Uint16 mod = KMOD_NONE) {
    SDL_Event event{};
    event.type = type;
    event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = mod;
    return event;
  }

  Platform::Window window;
};

}  // namespace

TEST_F(WindowTest, ContextIsCompatibilityProfileOfAtLeast33) {
  GLint major = 0, minor = 0;
  glGetIntegerv(GL_MAJOR_VERSION, &major);
  glGetIntegerv(GL_MINOR_VERSION, &minor);
  EXPECT_GE(major * 10 + minor, 33);
  // Immediate-mode calls must work: the compatibility profile keeps them.
  glBegin(GL_LINES);
  glVertex2f(0, 0);
  glVertex2f(1, 1);
  glEnd();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  GLint stencil = 0;
  SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &stencil);
  EXPECT_EQ(stencil, 8);
}

TEST_F(WindowTest, KeysBecomeVirtualKeyMessages) {
  auto down = Push(Key(SDL_KEYDOWN, SDLK_a));
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(down[0].message, WM_KEYDOWN);
  EXPECT_EQ(down[0].wParam, 0x41u);

  auto up = Push(Key(SDL_KEYUP, SDLK_SPACE));
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].message, WM_KEYUP);
  EXPECT_EQ(up[0].wParam, 0x20u);
  EXPECT_NE(up[0].lParam & (1 << 30), 0) << "a release carries the previous-state bit";

  auto shift = Push(Key(SDL_KEYDOWN, SDLK_RSHIFT));
  ASSERT_FALSE(shift.empty());
  EXPECT_EQ(shift[0].wParam, 16u) << "either Shift is the generic Shift";

  auto enter = Push(Key(SDL_KEYDOWN, SDLK_RETURN));
  ASSERT_EQ(enter.size(), 2u);
  EXPECT_EQ(enter[1].message, WM_CHAR);
  EXPECT_EQ(enter[1].wParam, 0x0Du);
}

TEST_F(WindowTest, AltAndF10AreSystemKeys) {
  auto alt = Push(Key(SDL_KEYDOWN, SDLK_LALT));
  ASSERT_EQ(alt.size(), 1u);
  EXPECT_EQ(alt[0].message, WM_SYSKEYDOWN);
  EXPECT_EQ(alt[0].wParam, 0x12u);

  auto withAlt = Push(Key(SDL_KEYDOWN, SDLK_x, KMOD_LALT));
  ASSERT_EQ(withAlt.size(), 1u);
  EXPECT_EQ(withAlt[0].message, WM_SYSKEYDOWN);

  auto f10 = Push(Key(SDL_KEYUP, SDLK_F10));
  ASSERT_EQ(f10.size(), 1u);
  EXPECT_EQ(f10[0].message, WM_SYSKEYUP);
  EXPECT_EQ(f10[0].wParam, 0x79u);

  // Releasing Alt alone asks for the menu, which the window procedure swallows.
  auto altUp = Push(Key(SDL_KEYUP, SDLK_LALT));
  ASSERT_EQ(altUp.size(), 2u);
  EXPECT_EQ(altUp[1].message, WM_SYSCOMMAND);
  EXPECT_EQ(altUp[1].wParam, SC_KEYMENU);
}

TEST_F(WindowTest, MouseButtonsFocusAndQuit) {
  SDL_Event button{};
  button.type = SDL_MOUSEBUTTONUP;
  button.button.button = SDL_BUTTON_RIGHT;
  button.button.x = 12;
  button.button.y = 34;
  auto up = Push(button);
  ASSERT_EQ(up.size(), 1u);
  EXPECT_EQ(up[0].message, WM_RBUTTONUP);
  EXPECT_EQ(up[0].lParam, MakeLParam(12, 34));

  SDL_Event focus{};
  focus.type = SDL_WINDOWEVENT;
  focus.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  auto lost = Push(focus);
  ASSERT_EQ(lost.size(), 1u);
  EXPECT_EQ(lost[0].message, WM_ACTIVATE);
  EXPECT_EQ(lost[0].wParam, WA_INACTIVE);

  SDL_Event quit{};
  quit.type = SDL_QUIT;
  auto destroy = Push(quit);
  ASSERT_EQ(destroy.size(), 1u);
  EXPECT_EQ(destroy[0].message, WM_DESTROY);

  Platform::PostQuitMessage(7);
  WindowMessage m;
  ASSERT_TRUE(window.PeekMessage(m));
  EXPECT_EQ(m.message, WM_QUIT);
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_FALSE(window.PeekMessage(m)) << "the quit message is taken once";
}

namespace {

// Counts frames and asks the engine to quit from its third Update.
class QuittingSystem : public PlainSystem {
 public:
  using PlainSystem::PlainSystem;
  void Start() override { log.push_back("Start"); }
  void Update(float) override {
    log.push_back("Update");
    if (++updates == 3) owner_->Quit();
  }
  void Shutdown() override { log.push_back("Shutdown"); }
  void Resize(int w, int h, int, int) override { log.push_back("Resize " + std::to_string(w) + "x" + std::to_string(h)); }
  int updates = 0;
  std::vector<std::string> log;
};

}  // namespace

TEST(FrameLoopRun, QuitFromUpdateEndsTheLoopWithCodeZeroAfterShutdown) {
  GameEngine engine("LoopRun", 160, 120, false, false);
  auto system = std::make_shared<QuittingSystem>(&engine);
  engine.AddSystem(system, RoleUpdate);
  engine.SetFrameInterval(0.001f);
  engine.OnCreate();
  ASSERT_TRUE(engine.CreateAppWindow());
  ASSERT_TRUE(engine.CreateGLContext());
  EXPECT_EQ(engine.Run(), 0);
  EXPECT_EQ(system->updates, 3) << "no Update after the quit";
  ASSERT_GE(system->log.size(), 5u);
  EXPECT_EQ(system->log.front(), "Start");
  EXPECT_EQ(system->log[1], "Resize 160x120") << "the loop applies the window mode once more after Start";
  EXPECT_EQ(system->log.back(), "Shutdown");
}

TEST(FrameLoopRun, ToggleFullscreenTwiceReturnsToTheCentredWindow) {
  GameEngine engine("Toggle", 160, 120, false, false);
  auto system = std::make_shared<QuittingSystem>(&engine);
  engine.AddSystem(system, RoleNone);
  ASSERT_TRUE(engine.CreateAppWindow());
  ASSERT_TRUE(engine.CreateGLContext());
  engine.SetFullscreen(false);
  system->log.clear();
  engine.ToggleFullscreen();
  EXPECT_TRUE(engine.IsFullscreen());
  engine.ToggleFullscreen();
  EXPECT_FALSE(engine.IsFullscreen());
  const Platform::Size screen = Platform::GetScreenSize();
  ASSERT_EQ(system->log.size(), 2u);
  EXPECT_EQ(system->log[0], "Resize " + std::to_string(screen.width) + "x" + std::to_string(screen.height));
  EXPECT_EQ(system->log[1], "Resize 160x120");
  const Platform::Rect client = engine.GetWindow().GetClientRect();
  EXPECT_EQ(client.right, 160);
  EXPECT_EQ(client.bottom, 120);
  const Platform::Rect outer = engine.GetWindow().GetWindowRect();
  EXPECT_EQ((outer.left + outer.right) / 2, screen.width / 2) << "centred again";
  EXPECT_EQ((outer.top + outer.bottom) / 2, screen.height / 2);
  EXPECT_EQ(engine.GetResizeWidth(), 160 - (engine.GetWindow().GetWindowRect().right -
                                            engine.GetWindow().GetWindowRect().left - 160) / 2);
}
