#include "platform/Window.h"

#include <GL/glew.h>
#include <SDL.h>

#include <cstdlib>
#include <optional>

#include "platform/DisplayCheck.h"
#include "platform/QuitSignals.h"

namespace Orv::Platform {

namespace {

std::optional<int> postedQuit;

// What every window's context is asked for (see SetContextAttributes).
constexpr const char* kContextRequest =
    "OpenGL 3.3 compatibility profile, double-buffered RGBA 8/8/8/8, depth 24, stencil 8";

void SetContextAttributes() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
}

std::string LibraryReason() {
  const char* text = SDL_GetError();
  return text != nullptr && *text != '\0' ? text : "the library gave no reason";
}

std::string DisplayAskedFor() {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0') return "with DISPLAY not set";
  return "on display \"" + std::string(display) + "\"";
}

std::string DriverInUse() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return std::string("the ") + (driver != nullptr ? driver : "(none)") + " video driver";
}

// What the current context really has, read back from the library and the
// driver.
std::string ContextObtained() {
  const auto attribute = [](SDL_GLattr which) {
    int value = 0;
    return SDL_GL_GetAttribute(which, &value) == 0 ? std::to_string(value) : std::string("?");
  };
  std::string text = DriverInUse() + " gave double buffer " + attribute(SDL_GL_DOUBLEBUFFER) + ", RGBA " +
                     attribute(SDL_GL_RED_SIZE) + "/" + attribute(SDL_GL_GREEN_SIZE) + "/" +
                     attribute(SDL_GL_BLUE_SIZE) + "/" + attribute(SDL_GL_ALPHA_SIZE) + ", depth " +
                     attribute(SDL_GL_DEPTH_SIZE) + ", stencil " + attribute(SDL_GL_STENCIL_SIZE);
  // Through the library: the entry points are not loaded yet.
  using GetString = const GLubyte* (*)(GLenum);
  if (auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"))) {
    const auto* version = getString(GL_VERSION);
    const auto* renderer = getString(GL_RENDERER);
    text += ", OpenGL \"" + std::string(version != nullptr ? reinterpret_cast<const char*>(version) : "?") +
            "\" on \"" + std::string(renderer != nullptr ? reinterpret_cast<const char*>(renderer) : "?") + "\"";
  }
  return text;
}

// Key-message lParam: repeat count 1, scan code, previous state and transition.
LPARAM KeyLParam(const SDL_KeyboardEvent& key, bool up) {
  std::uint32_t bits = 1u | ((static_cast<std::uint32_t>(key.keysym.scancode) & 0xFFu) << 16);
  if ((key.keysym.mod & KMOD_ALT) != 0) bits |= 1u << 29;
  if (up || key.repeat) bits |= 1u << 30;
  if (up) bits |= 1u << 31;
  return static_cast<LPARAM>(bits);
}

WPARAM MouseKeyFlags() {
  Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
  SDL_Keymod mods = SDL_GetModState();
  WPARAM flags = 0;
  if (buttons & SDL_BUTTON_LMASK) flags |= MK_LBUTTON;
  if (buttons & SDL_BUTTON_RMASK) flags |= MK_RBUTTON;
  if (buttons & SDL_BUTTON_MMASK) flags |= MK_MBUTTON;
  if (mods & KMOD_SHIFT) flags |= MK_SHIFT;
  if (mods & KMOD_CTRL) flags |= MK_CONTROL;
  return flags;
}

// The characters a key produces without a text event (as the message
// translation of the original platform did for these keys).
int ControlCharacter(int vk) {
  switch (vk) {
    case VK_BACK: case VK_TAB: case VK_RETURN: case VK_ESCAPE: return vk;
    default: return 0;
  }
}

}  // namespace

int VirtualKeyFromSDL(int key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  if (key >= SDLK_F13 && key <= SDLK_F24) return VK_F1 + 12 + (key - SDLK_F13);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
  switch (key) {
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT: case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RGUI: return VK_RWIN;
    case SDLK_APPLICATION: return VK_APPS;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return 0;
  }
}

bool RegisterWindowClass(std::string* why) {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) return true;
  // The entry points load through GLX, so only the X11 driver gives a usable
  // context. Left to choose, the library takes another driver when the X
  // display cannot be opened, and the start fails later for no clear reason.
  // A driver named in the environment still wins.
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  // An X server resets when its last client leaves and drops a connection
  // that arrives meanwhile. A reset is soon over, but where short-lived
  // clients come and go each may bring another: one more try still failed
  // once in 300 starts under load, so there are two. Dropped before the
  // library has written its greeting, the connection would end the program by
  // SIGPIPE without a word: the write fails instead.
  constexpr int kAttempts = 3;
  bool started = false;
  {
    const ConnectingToDisplay connecting;
    for (int attempt = 1; attempt <= kAttempts && !started; ++attempt) {
      started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
      if (!started && attempt < kAttempts) SDL_Delay(250);
    }
    EndDisplayCheck();
  }
  if (started) return true;
  if (why != nullptr) {
    const char* driver = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    *why = LibraryReason() + " (asked " + std::to_string(kAttempts) + " times for the " +
           (driver != nullptr ? driver : "default") + " video driver " + DisplayAskedFor() + ")";
  }
  return false;
}

Size GetScreenSize() {
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return {};
  return {mode.w, mode.h};
}

void ShutdownWindowing() { SDL_Quit(); }

void PostQuitMessage(int exitCode) {
  if (!postedQuit) postedQuit = exitCode;
}

Window::~Window() {
  ReleaseGLContext();
  if (window_ != nullptr) SDL_DestroyWindow(window_);
}

bool Window::Create(const std::string& title, int x, int y, int width, int height, bool fullScreenStyle) {
  // The context's attributes must be known before the window exists.
  SetContextAttributes();
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
  if (fullScreenStyle) flags |= SDL_WINDOW_BORDERLESS;
  const int w = width > 0 ? width : 1;
  const int h = height > 0 ? height : 1;
  {
    const DisplayWait watched;
    window_ = SDL_CreateWindow(title.c_str(), x, y, w, h, flags);
  }
  if (window_ != nullptr) return true;
  failure_ = LibraryReason() + " (asked for a " + std::to_string(w) + "x" + std::to_string(h) +
             (fullScreenStyle ? " borderless" : "") + " window at (" + std::to_string(x) + ", " + std::to_string(y) +
             ") for " + kContextRequest + ", from " + DriverInUse() + " " + DisplayAskedFor() + ")";
  return false;
}

Window::ContextResult Window::CreateGLContext() {
  // Making the context asks the display too.
  const DisplayWait watched;
  const std::string asked = std::string("asked for ") + kContextRequest;
  if (window_ == nullptr) {
    failure_ = "there is no window to draw in (" + asked + ")";
    return ContextResult::PixelFormatFailed;
  }
  context_ = SDL_GL_CreateContext(window_);
  if (context_ == nullptr) {
    failure_ = LibraryReason() + " (" + asked + ", from " + DriverInUse() + ")";
    return ContextResult::ContextFailed;
  }
  if (SDL_GL_MakeCurrent(window_, context_) != 0) {
    failure_ = LibraryReason() + " (making the context current; " + asked + ", from " + DriverInUse() + ")";
    return ContextResult::ContextFailed;
  }
  int doubleBuffer = 0;
  if (SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffer) != 0) {
    failure_ = LibraryReason() + " (reading the double buffer back; " + asked + ", from " + DriverInUse() + ")";
    return ContextResult::PixelFormatFailed;
  }
  if (doubleBuffer == 0) {
    failure_ = "the context is single-buffered: " + ContextObtained() + " (" + asked + ")";
    return ContextResult::PixelFormatFailed;
  }
  glewExperimental = GL_TRUE;
  if (const GLenum code = glewInit(); code != GLEW_OK) {
    failure_ = std::string(reinterpret_cast<const char*>(glewGetErrorString(code))) + ": " + ContextObtained() + " (" +
               asked + ")";
    return ContextResult::GlewFailed;
  }
  return ContextResult::Ok;
}

void Window::ReleaseGLContext() {
  if (context_ == nullptr) return;
  SDL_GL_MakeCurrent(window_, nullptr);
  SDL_GL_DeleteContext(context_);
  context_ = nullptr;
}

void Window::SwapBuffers() {
  if (window_ != nullptr) SDL_GL_SwapWindow(window_);
}

void Window::SetTitle(const std::string& title) {
  if (window_ != nullptr) SDL_SetWindowTitle(window_, title.c_str());
}

void Window::SetWindowed(int x, int y, int clientWidth, int clientHeight) {
  if (window_ == nullptr) return;
  SDL_SetWindowFullscreen(window_, 0);
  SDL_SetWindowBordered(window_, SDL_TRUE);
  SDL_SetWindowResizable(window_, SDL_FALSE);
  SDL_SetWindowSize(window_, clientWidth > 0 ? clientWidth : 1, clientHeight > 0 ? clientHeight : 1);
  SDL_SetWindowPosition(window_, x, y);
  SDL_ShowWindow(window_);
}

void Window::SetFullScreen() {
  // A borderless window over the whole screen; the display mode never changes.
  if (window_ != nullptr) SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
}

void Window::Minimise() {
  if (window_ == nullptr) return;
  selfMinimised_ = true;
  SDL_MinimizeWindow(window_);
}

Rect Window::GetClientRect() const {
  Rect rect;
  if (window_ != nullptr) SDL_GetWindowSize(window_, &rect.right, &rect.bottom);
  return rect;
}

Rect Window::GetWindowRect() const {
  Rect rect;
  if (window_ == nullptr) return rect;
  int x = 0, y = 0, w = 0, h = 0, top = 0, left = 0, bottom = 0, right = 0;
  SDL_GetWindowPosition(window_, &x, &y);
  SDL_GetWindowSize(window_, &w, &h);
  if (SDL_GetWindowBordersSize(window_, &top, &left, &bottom, &right) != 0) top = left = bottom = right = 0;
  return {x - left, y - top, x + w + right, y + h + bottom};
}

void Window::GetCursorInClient(int& x, int& y) const {
  if (window_ == nullptr) {
    x = y = 0;
    return;
  }
  // Inside the window the pointer's own events are freshest; the global
  // position is cached until the pointer moves by itself.
  if (SDL_GetMouseFocus() == window_) {
    SDL_GetMouseState(&x, &y);
    return;
  }
  int screenX = 0, screenY = 0, windowX = 0, windowY = 0;
  SDL_GetGlobalMouseState(&screenX, &screenY);
  SDL_GetWindowPosition(window_, &windowX, &windowY);
  x = screenX - windowX;
  y = screenY - windowY;
}

bool Window::PeekMessage(WindowMessage& message) {
  if (postedQuit) {
    message = {WM_QUIT, static_cast<WPARAM>(*postedQuit), 0};
    postedQuit.reset();
    return true;
  }
  if (TakeQuitSignal()) pending_.push_back({WM_DESTROY, 0, 0});
  SDL_Event event;
  while (pending_.empty() && window_ != nullptr && SDL_PollEvent(&event) != 0) Translate(event);
  if (pending_.empty()) return false;
  message = pending_.front();
  pending_.pop_front();
  return true;
}

void Window::Translate(const ::SDL_Event& event) {
  switch (event.type) {
    case SDL_QUIT:
      pending_.push_back({WM_DESTROY, 0, 0});
      break;
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE: pending_.push_back({WM_DESTROY, 0, 0}); break;
        case SDL_WINDOWEVENT_FOCUS_LOST: pending_.push_back({WM_ACTIVATE, WA_INACTIVE, 0}); break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: pending_.push_back({WM_ACTIVATE, WA_ACTIVE, 0}); break;
        case SDL_WINDOWEVENT_MINIMIZED:
          if (selfMinimised_) {
            selfMinimised_ = false;
          } else {
            pending_.push_back({WM_SYSCOMMAND, SC_MINIMIZE, 0});
          }
          break;
        default: break;
      }
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const bool up = event.type == SDL_KEYUP;
      const int vk = VirtualKeyFromSDL(event.key.keysym.sym);
      if (vk == 0) break;
      // Alt, F10 and keys pressed with Alt held are system keys.
      const bool system = vk == VK_MENU || vk == VK_F10 || (event.key.keysym.mod & KMOD_ALT) != 0;
      const unsigned code = system ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (up ? WM_KEYUP : WM_KEYDOWN);
      pending_.push_back({code, static_cast<WPARAM>(vk), KeyLParam(event.key, up)});
      if (!up && !system && ControlCharacter(vk) != 0) {
        pending_.push_back({WM_CHAR, static_cast<WPARAM>(ControlCharacter(vk)), KeyLParam(event.key, false)});
      }
      if (up && vk == VK_MENU) pending_.push_back({WM_SYSCOMMAND, SC_KEYMENU, 0});
      break;
    }
    case SDL_TEXTINPUT: {
      // One WM_CHAR per UTF-16 unit of the typed text.
      const unsigned char* p = reinterpret_cast<const unsigned char*>(event.text.text);
      while (*p != 0) {
        std::uint32_t cp = *p;
        int extra = cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : cp >= 0xC0 ? 1 : 0;
        cp = extra == 3 ? cp & 0x07 : extra == 2 ? cp & 0x0F : extra == 1 ? cp & 0x1F : cp;
        ++p;
        for (int i = 0; i < extra && (*p & 0xC0) == 0x80; ++i, ++p) cp = (cp << 6) | (*p & 0x3F);
        if (cp >= 0x10000) {
          cp -= 0x10000;
          pending_.push_back({WM_CHAR, static_cast<WPARAM>(0xD800 + (cp >> 10)), 1});
          pending_.push_back({WM_CHAR, static_cast<WPARAM>(0xDC00 + (cp & 0x3FF)), 1});
        } else {
          pending_.push_back({WM_CHAR, static_cast<WPARAM>(cp), 1});
        }
      }
      break;
    }
    case SDL_MOUSEMOTION:
      pending_.push_back({WM_MOUSEMOVE, MouseKeyFlags(), MakeLParam(event.motion.x, event.motion.y)});
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const bool up = event.type == SDL_MOUSEBUTTONUP;
      unsigned code = 0;
      switch (event.button.button) {
        case SDL_BUTTON_LEFT: code = up ? WM_LBUTTONUP : WM_LBUTTONDOWN; break;
        case SDL_BUTTON_MIDDLE: code = up ? WM_MBUTTONUP : WM_MBUTTONDOWN; break;
        case SDL_BUTTON_RIGHT: code = up ? WM_RBUTTONUP : WM_RBUTTONDOWN; break;
        default: break;
      }
      if (code != 0) pending_.push_back({code, MouseKeyFlags(), MakeLParam(event.button.x, event.button.y)});
      break;
    }
    case SDL_MOUSEWHEEL: {
      int x = 0, y = 0;
      GetCursorInClient(x, y);
      const int delta = event.wheel.y * 120;
      pending_.push_back({WM_MOUSEWHEEL, (static_cast<WPARAM>(delta & 0xFFFF) << 16) | MouseKeyFlags(), MakeLParam(x, y)});
      break;
    }
    default:
      break;
  }
}

}  // namespace Orv::Platform
