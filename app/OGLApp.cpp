#include "app/OGLApp.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/Report.h"
#include "platform/Clock.h"

namespace Orv {

OGLApp::OGLApp(const std::string& title, unsigned width, unsigned height, bool fullscreen)
    : App(title, width, height), fullscreen_(fullscreen) {}

OGLApp::~OGLApp() = default;

bool OGLApp::Create() {
  SetCursor(0, 0);
  OnCreate();
  if (!CreateAppWindow()) return false;
  if (!CreateGLContext()) return false;
  SetFullscreen(fullscreen_);
  return true;
}

namespace {

// A failed start names the library's reason after the engine's own text.
std::string WithReason(const std::string& text, const std::string& reason) {
  return text + (text.ends_with('!') ? " " : ": ") + reason;
}

}  // namespace

bool OGLApp::CreateAppWindow() {
  std::string why;
  if (!Platform::RegisterWindowClass(&why)) {
    ShowMessage(WithReason("Fail to register WNDCLASSEX", why));
    return false;
  }
  screen_ = Platform::GetScreenSize();
  const int w = static_cast<int>(width_);
  const int h = static_cast<int>(height_);
  bool created = fullscreen_
                     ? window_.Create(title_, 0, 0, screen_.width, screen_.height, true)
                     : window_.Create(title_, screen_.width / 2 - w / 2, screen_.height / 2 - h / 2, w, h, false);
  if (!created) {
    ShowMessage(WithReason("Fail to create window!", window_.FailureReason()));
    return false;
  }
  return true;
}

bool OGLApp::CreateGLContext() {
  const char* text = nullptr;
  switch (window_.CreateGLContext()) {
    case Platform::Window::ContextResult::Ok: return true;
    case Platform::Window::ContextResult::PixelFormatFailed: text = "Failed to set pixel format"; break;
    case Platform::Window::ContextResult::ContextFailed: text = "Failed to create and activate render context"; break;
    case Platform::Window::ContextResult::GlewFailed: text = "Failed to initialize GLEW"; break;
  }
  if (text != nullptr) ShowMessage(WithReason(text, window_.FailureReason()));
  return false;
}

void OGLApp::SetFullscreen(bool on) {
  fullscreen_ = on;
  if (on) {
    screen_ = Platform::GetScreenSize();
    window_.SetFullScreen();
    OnResize(screen_.width, screen_.height);
    return;
  }
  // The client area is the logical size; the frame adds nothing of its own here.
  const int w = static_cast<int>(width_);
  const int h = static_cast<int>(height_);
  window_.SetWindowed(screen_.width / 2 - w / 2, screen_.height / 2 - h / 2, w, h);
  OnResize(w, h);
}

void OGLApp::ToggleFullscreen() { SetFullscreen(!fullscreen_); }

void OGLApp::Quit() { Platform::PostQuitMessage(0); }

void OGLApp::SetTitle(const char* text) {
  App::SetTitle(text);
  window_.SetTitle(title_);
}

void OGLApp::Minimise() {
  OnPause();
  window_.Minimise();
}

void OGLApp::BeginLoop(std::uint64_t counterFrequency, std::uint64_t counterNow) {
  secondsPerTick_ = 1.0f / static_cast<float>(static_cast<double>(counterFrequency));
  previous_ = counterNow;
}

void OGLApp::MeasuredPass(std::uint64_t counterNow) {
  const float dt = static_cast<float>(counterNow - previous_) * secondsPerTick_;
  frameAccumulator_ += dt;
  fpsTimer_ += dt;
  window_.GetCursorInClient(cursorX_, cursorY_);
  UpdateCursor();
  Tick(dt);
  if (frameAccumulator_ >= frameInterval_) {
    ++frameCount_;
    // A stalled frame (a slow machine, a held window, a long load) would otherwise hand the game one step long enough
    // to carry a body through a wall; the game slows down instead.
    const float step = std::min(frameAccumulator_, std::max(kLongestStep, frameInterval_));
    Update(step);
    Render(step);
    window_.SwapBuffers();
    EndFrame();
    // The surplus over the interval is dropped, not carried over.
    frameAccumulator_ = 0.0f;
  }
  if (fpsTimer_ >= fpsInterval_) {
    frameRate_ = frameCount_;
    frameCount_ = 0;
    fpsTimer_ = 0.0f;
  }
  previous_ = counterNow;
}

int OGLApp::Run() {
  WindowMessage message;
  HoldConsoleLines(true);
  OnStart();
  SetFullscreen(fullscreen_);
  // The clock starts with the first frame: taken before the start, it would
  // hand the first frame the whole load as its step, and a body made in Init
  // would leap that far at once.
  BeginLoop(Platform::QueryPerformanceFrequency(), Platform::QueryPerformanceCounter());
  for (;;) {
    if (window_.PeekMessage(message)) {
      if (message.message == WM_QUIT) break;
      WindowProc(message);
      continue;
    }
    MeasuredPass(Platform::QueryPerformanceCounter());
    FlushConsoleLines();
  }
  Shutdown();
  HoldConsoleLines(false);
  window_.ReleaseGLContext();
  return static_cast<int>(message.wParam);
}

std::pair<int, int> OGLApp::CursorToLogical(int x, int y, bool fullscreen, Platform::Size screen, Platform::Rect client,
                                            unsigned width, unsigned height) {
  const auto scale = [](int value, int span, unsigned size) {
    // A degenerate span has no position to scale.
    if (span <= 0) return 0;
    const float scaled = std::trunc(static_cast<float>(value) / static_cast<float>(span) * static_cast<float>(size));
    return static_cast<int>(std::clamp(scaled, -2147483648.0f, 2147483520.0f));
  };
  if (fullscreen) return {scale(x, screen.width, width), scale(y, screen.height, height)};
  int lx = scale(x, client.right - 1, width);
  int ly = scale(y, client.bottom - 1, height);
  lx = std::clamp(lx, 0, std::max(0, static_cast<int>(width) - 1));
  ly = std::clamp(ly, 0, std::max(0, static_cast<int>(height) - 1));
  return {lx, ly};
}

void OGLApp::UpdateCursor() {
  std::tie(cursorX_, cursorY_) =
      CursorToLogical(cursorX_, cursorY_, fullscreen_, screen_, window_.GetClientRect(), width_, height_);
}

LPARAM OGLApp::WindowProc(const WindowMessage& message) {
  switch (message.message) {
    case WM_DESTROY: Platform::PostQuitMessage(0); return 0;
    case WM_ACTIVATE:
      if (message.wParam == WA_INACTIVE) {
        Minimise();
      } else if (message.wParam == WA_ACTIVE || message.wParam == WA_CLICKACTIVE) {
        OnResume();
      }
      break;
    case WM_SYSCOMMAND:
      if ((message.wParam & 0xFFF0) == SC_MINIMIZE) {
        OnPause();
      } else if (message.wParam == SC_KEYMENU) {
        return 0;  // Alt alone opens no menu.
      }
      break;
    default: break;
  }
  OnWindowMessage(message.message, message.wParam, message.lParam);
  return 0;
}

}  // namespace Orv
