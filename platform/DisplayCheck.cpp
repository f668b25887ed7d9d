#include "platform/DisplayCheck.h"

#include <SDL.h>
#include <strings.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace Orv::Platform {

namespace {

constexpr int kAnswerSeconds = 5;

// The X library's own connect, loaded as the windowing library loads it: it
// reads DISPLAY and the authority file as the window's connection will.
using OpenDisplay = void* (*)(const char*);
using CloseDisplay = int (*)(void*);

void* heldDisplay = nullptr;
CloseDisplay closeHeld = nullptr;

// A driver named in the environment wins, and only the X11 one connects so.
bool WindowUsesX11() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return driver == nullptr || *driver == '\0' || strcasecmp(driver, "x11") == 0;
}

struct Attempt {
  std::mutex mutex;
  std::condition_variable answered;
  bool done = false;
  void* display = nullptr;
};

}  // namespace

ConnectingToDisplay::ConnectingToDisplay() {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &brokenPipe_);
}

ConnectingToDisplay::~ConnectingToDisplay() { sigaction(SIGPIPE, &brokenPipe_, nullptr); }

bool DisplayAnswers(std::string& silence) {
  const char* name = std::getenv("DISPLAY");
  if (name == nullptr || *name == '\0' || !WindowUsesX11() || heldDisplay != nullptr) return true;
  void* library = SDL_LoadObject("libX11.so.6");
  if (library == nullptr) return true;
  const auto open = reinterpret_cast<OpenDisplay>(SDL_LoadFunction(library, "XOpenDisplay"));
  const auto close = reinterpret_cast<CloseDisplay>(SDL_LoadFunction(library, "XCloseDisplay"));
  if (open == nullptr || close == nullptr) return true;

  ConnectingToDisplay connecting;
  // On its own thread, which a silent display leaves waiting while the
  // program ends.
  auto attempt = std::make_shared<Attempt>();
  std::thread([attempt, open] {
    void* display = open(nullptr);
    const std::lock_guard lock(attempt->mutex);
    attempt->display = display;
    attempt->done = true;
    attempt->answered.notify_one();
  }).detach();
  std::unique_lock lock(attempt->mutex);
  if (!attempt->answered.wait_for(lock, std::chrono::seconds(kAnswerSeconds), [&] { return attempt->done; })) {
    silence = "Error! The display \"" + std::string(name) + "\" did not answer within " +
              std::to_string(kAnswerSeconds) + " seconds";
    return false;
  }
  heldDisplay = attempt->display;
  closeHeld = close;
  return true;
}

void EndDisplayCheck() {
  if (heldDisplay == nullptr) return;
  closeHeld(heldDisplay);
  heldDisplay = nullptr;
}

}  // namespace Orv::Platform
