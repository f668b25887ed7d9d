#pragma once
// The application shell: the window, the OpenGL context and the frame loop.
#include <cstdint>

#include "core/App.h"
#include "platform/Messages.h"
#include "platform/Window.h"

namespace Orv {

class OGLApp : public App {
 public:
  OGLApp(const std::string& title, unsigned width, unsigned height, bool fullscreen);
  ~OGLApp() override;

  bool Create() override;
  void SetFullscreen(bool on) override;
  void ToggleFullscreen() override;
  bool IsFullscreen() override { return fullscreen_; }
  int Run() override;
  void Quit() override;
  void SetTitle(const char* text) override;
  std::uint64_t GetFPS() override { return frameRate_; }
  void Minimise() override;
  std::pair<int, int> GetCursorPos() override { return {cursorX_, cursorY_}; }

  // Hooks the engine implements.
  virtual void OnCreate() = 0;
  virtual void OnStart() = 0;
  virtual void OnResize(int width, int height) = 0;
  virtual void Tick(float dt) = 0;
  virtual void Update(float dt) = 0;
  virtual void Render(float dt) = 0;
  virtual void EndFrame() {}
  virtual void OnPause() = 0;
  virtual void OnResume() = 0;
  virtual void Shutdown() = 0;
  virtual void OnWindowMessage(unsigned message, WPARAM wParam, LPARAM lParam) = 0;

  bool CreateAppWindow();
  bool CreateGLContext();
  void UpdateCursor();
  // The window procedure: what the loop does with each dispatched message.
  LPARAM WindowProc(const WindowMessage& message);

  // The loop's clock, split out so that a pass can be driven by hand.
  void BeginLoop(std::uint64_t counterFrequency, std::uint64_t counterNow);
  void MeasuredPass(std::uint64_t counterNow);

  // The longest time step a frame hands Update, unless the frame interval itself is longer.
  static constexpr float kLongestStep = 0.1f;

  void SetFrameInterval(float seconds) { frameInterval_ = seconds; }
  void SetCursor(int x, int y) {
    cursorX_ = x;
    cursorY_ = y;
  }
  Platform::Window& GetWindow() { return window_; }

  // Client-area pixels to logical coordinates; windowed results are clamped.
  static std::pair<int, int> CursorToLogical(int x, int y, bool fullscreen, Platform::Size screen,
                                             Platform::Rect client, unsigned width, unsigned height);

 protected:
  Platform::Window window_;
  float frameAccumulator_ = 0.0f;
  float frameInterval_ = 1.0f / 60.0f;
  float fpsTimer_ = 0.0f;
  float fpsInterval_ = 1.0f;
  bool fullscreen_;
  std::uint64_t frameCount_ = 0;
  std::uint64_t frameRate_ = 0;
  int cursorX_ = 0;
  int cursorY_ = 0;
  Platform::Size screen_;
  float secondsPerTick_ = 0.0f;
  std::uint64_t previous_ = 0;
};

}  // namespace Orv
