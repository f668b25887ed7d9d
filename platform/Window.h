#pragma once
// The application window, its OpenGL context and its message pump.
#include <deque>
#include <string>

#include "platform/Messages.h"

struct SDL_Window;
union SDL_Event;

namespace Orv::Platform {

struct Size {
  int width = 0;
  int height = 0;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

// Makes the windowing system usable; false when no display can be reached,
// with the library's reason and the display asked for in *why. A display
// that drops the connection (an X server resetting as its last client
// leaves) is tried twice more.
bool RegisterWindowClass(std::string* why = nullptr);
Size GetScreenSize();
// Releases what the windowing system holds, once the window is gone.
void ShutdownWindowing();

class Window {
 public:
  Window() = default;
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // A visible window with the title; fullScreenStyle gives it no decoration.
  // On failure FailureReason says why.
  bool Create(const std::string& title, int x, int y, int width, int height, bool fullScreenStyle);

  enum class ContextResult { Ok, PixelFormatFailed, ContextFailed, GlewFailed };
  // OpenGL 3.3 compatibility profile, double buffered, RGBA8, depth 24,
  // stencil 8; the entry points are loaded before it returns Ok. On failure
  // FailureReason says why.
  ContextResult CreateGLContext();
  // The library's reason for the last failed Create or CreateGLContext, with
  // what was asked for and, where a context exists, what it gave.
  const std::string& FailureReason() const { return failure_; }
  void ReleaseGLContext();
  void SwapBuffers();

  void SetTitle(const std::string& title);
  void SetWindowed(int x, int y, int clientWidth, int clientHeight);
  void SetFullScreen();
  void Minimise();
  Rect GetClientRect() const;
  Rect GetWindowRect() const;
  // The cursor in client-area pixels; may lie outside the client area.
  void GetCursorInClient(int& x, int& y) const;

  // Takes one waiting message, translated into the design's codes; false
  // when nothing is waiting. A posted quit comes first.
  bool PeekMessage(WindowMessage& message);

 private:
  void Translate(const ::SDL_Event& event);

  SDL_Window* window_ = nullptr;
  void* context_ = nullptr;
  std::deque<WindowMessage> pending_;
  std::string failure_;
  // Minimising on deactivation is ours, not the user's: its event is not a
  // minimise command.
  bool selfMinimised_ = false;
};

// Posts the quit message: the next PeekMessage answers WM_QUIT with the code
// as wParam.
void PostQuitMessage(int exitCode);

// Virtual-key code of an SDL key; 0 when it has none.
int VirtualKeyFromSDL(int sdlKeycode);

}  // namespace Orv::Platform
